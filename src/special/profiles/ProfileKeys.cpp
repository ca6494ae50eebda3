// The profiles' registry keys in both views of 64-bit Windows.
#include "special/profiles/ProfileKeys.h"

#include <functional>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool RunningUnderWow64() {
    try {
        return IsWow64();
    } catch (const std::exception&) {
        return false;
    }
}

TContent RegistryItem(HKEY root, const std::string& keyPath, const std::string* valueName,
                      REGSAM view) {
    TContent item;
    item.RootKeyName = RootKeyToName(root);
    item.KeyPath = keyPath;
    item.ItemType = valueName ? kItemRegistryValue : kItemRegistryKey;
    if (valueName)
        item.ValueName = *valueName;
    item.Extra = ViewToMarker(view);
    return item;
}

// Deletes the item in each view it is there in, with deleteInView, or with the plain guarded
// delete when it has none; the report counts it once per view.
void DeleteInEveryView(HKEY root, const std::string& keyPath, const std::string* valueName,
                       RemovalReport* report,
                       const std::function<void(REGSAM)>& deleteInView = nullptr,
                       const ViewFilter& mayDelete = nullptr) {
    // A root without a name (performance data, dynamic data) cannot be looked at as an item:
    // the delete alone is tried, as the registry class's rule has it.
    const std::vector<REGSAM> views =
        RootKeyToName(root).empty() ? std::vector<REGSAM>{} : ProfileKeyViews();
    if (views.empty() && mayDelete && !mayDelete(0))
        return;
    if (views.empty() && valueName)
        DeleteRegistryValue(root, keyPath, *valueName);
    else if (views.empty())
        DeleteRegistryKey(root, keyPath);
    for (REGSAM view : views) {
        const TContent item = RegistryItem(root, keyPath, valueName, view);
        if (!LeftoverItemRemains(item))
            continue;
        // What the filter refuses is left where it is, and counted as staying.
        const bool allowed = !mayDelete || mayDelete(view);
        if (allowed && deleteInView)
            deleteInView(view);
        else if (allowed && valueName)
            DeleteRegistryValueInView(root, keyPath, *valueName, view);
        else if (allowed)
            DeleteRegistryKeyInView(root, keyPath, view);
        if (!report)
            continue;
        ++report->total;
        if (LeftoverItemRemains(item))
            report->notRemoved.push_back(DescribeLeftoverItem(item));
    }
}

} // namespace

std::vector<REGSAM> ProfileKeyViews() {
    if (RunningUnderWow64())
        return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

bool OpenProfileKey(TRegistry& reg, HKEY root, const std::string& keyPath, OpenMode open,
                    REGSAM view) {
    const std::string path = RemoveTrailingBackslash(keyPath);
    if (view != 0) {
        reg.SetAccess(KEY_READ | view);
        reg.SetRootKey(root);
        return reg.OpenKey(path, false, false);
    }
    reg.SetAccess(RegistryViewAccess());
    reg.SetRootKey(root);
    return open == OpenMode::ReadOnly ? reg.OpenKeyReadOnly(path, true)
                                      : reg.OpenKey(path, false, open == OpenMode::Normal);
}

std::string ReadProfileString(HKEY root, const std::string& keyPath, const std::string& name,
                              OpenMode open, REGSAM view, const LeftoverScanProgress* progress) {
    TRegistry reg;
    if (!OpenProfileKey(reg, root, keyPath, open, view))
        return std::string();
    try {
        return reg.ReadString(name);
    } catch (const std::exception&) {
        // A folder the code page cannot name is passed over: the wizard says it stayed.
        std::string shown;
        if (progress && RegQueryStringExact(reg.CurrentKey(), name, shown) == kInexactName)
            progress->LeftAlone(RootKeyToName(root) + "\\" + RemoveTrailingBackslash(keyPath) +
                                "  (" + name + ")");
        return std::string();
    }
}

std::string ReadProfileStringInAnyView(HKEY root, const std::string& keyPath,
                                       const std::string& name) {
    for (REGSAM view : ProfileKeyViews()) {
        const std::string value = ReadProfileString(root, keyPath, name, OpenMode::ReadOnly, view);
        if (!Trim(value).empty())
            return value;
    }
    return std::string();
}

void DeleteProfileKey(HKEY root, const std::string& keyPath, RemovalReport* report,
                      const ViewFilter& mayDelete) {
    DeleteInEveryView(root, keyPath, nullptr, report, nullptr, mayDelete);
}

void DeleteProfileValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                        RemovalReport* report, const ViewFilter& mayDelete) {
    DeleteInEveryView(root, keyPath, &valueName, report, nullptr, mayDelete);
}

void DeleteProfileAdapterKey(const std::string& keyPath, const std::string& componentWord,
                             RemovalReport* report) {
    const std::string instance = ExtractFileName(keyPath);
    DeleteInEveryView(HKEY_LOCAL_MACHINE, keyPath, nullptr, report,
                      [&](REGSAM view) { DeleteNetworkAdapterKey(instance, componentWord, view); });
}

} // namespace ku
