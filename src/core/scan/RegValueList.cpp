// Bounded reads of subkey names and values for the leftover scans.
#include "core/scan/RegValueList.h"

#include <cstring>
#include <unordered_set>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"

namespace ku {

namespace {

// A text the code page cannot hold reads as empty: it never names a file or key to scan.
std::string ReadString(HKEY key, const std::string& name) {
    std::string text;
    return RegQueryStringExact(key, name, text) == ERROR_SUCCESS ? text : std::string();
}

} // namespace

REGSAM ScanReadView() { return ScanRegistryView(); }

std::string ScanViewMarker() { return ViewToMarker(ScanRegistryView()); }

TContent& AddScanItem(TUninstallerContents& contents, const std::string& rootName,
                      const std::string& keyPath, const char* type) {
    TContent& item = contents.GetItem(contents.AddItem()).Content;
    item.RootKeyName = rootName;
    item.KeyPath = keyPath;
    item.ItemType = type;
    item.Extra = ScanViewMarker();
    return item;
}

REGSAM InstallerReadView() {
    try {
        return IsWow64() ? KEY_WOW64_64KEY : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

bool OpenInstallerKey(HKEY root, const std::string& path, HKEY* key) {
    *key = nullptr;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | InstallerReadView(), key) ==
           ERROR_SUCCESS;
}

std::string ReadInstallerString(const std::string& path, const std::string& name) {
    UniqueKey key;
    if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, path, key.put()))
        return std::string();
    return ReadString(key.get(), name);
}

TContent& AddInstallerItem(TUninstallerContents& contents, const std::string& rootName,
                           const std::string& keyPath, const char* type) {
    TContent& item = AddScanItem(contents, rootName, keyPath, type);
    item.Extra = ViewToMarker(InstallerReadView());
    return item;
}

bool OpenScanKey(HKEY root, const std::string& path, HKEY* key) {
    *key = nullptr;
    return RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0,
                         KEY_READ | ScanReadView(), key) == ERROR_SUCCESS;
}

namespace {

// One pass over the subkeys by index, and the key's last write time when it began.
bool EnumerateSubkeys(HKEY key, std::vector<std::string>& names, FILETIME& written) {
    DWORD count = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS)
        return false;
    std::string name;
    // Bounded by the count the system gave (and some room for keys made meanwhile), so a key
    // that keeps failing cannot hold the scan. A key the code page cannot hold is passed over,
    // never handed on by a best-fit name.
    for (DWORD index = 0; index < count + 64; ++index) {
        const LONG result = RegEnumKeyExact(key, index, name);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS)
            names.push_back(name);
        else if (result != ERROR_MORE_DATA && result != kInexactName)
            break;
    }
    return true;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

// Enumeration goes by index: a subkey made or deleted by another program during the pass shifts
// the others, and one of them is skipped. Such a change moves the key's last write time, so the
// pass is repeated (a few times at most) until the key held still, and the names of every pass
// are kept; a name that went meanwhile simply fails to open later.
std::vector<std::string> ReadSubkeyNames(HKEY key) {
    std::vector<std::string> names;
    FILETIME before{};
    if (!EnumerateSubkeys(key, names, before))
        return names;
    for (int pass = 0; pass < 3; ++pass) {
        FILETIME after{};
        if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, &after) != ERROR_SUCCESS ||
            SameTime(before, after))
            break;
        std::vector<std::string> again;
        if (!EnumerateSubkeys(key, again, before))
            break;
        std::unordered_set<std::string> known(names.begin(), names.end());
        for (std::string& name : again)
            if (known.insert(name).second)
                names.push_back(std::move(name));
    }
    return names;
}

std::vector<RegValueEntry> ReadValues(HKEY key, std::vector<RegValueEntry>* inexact) {
    DWORD count = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return std::vector<RegValueEntry>();
    return ReadCountedValues(key, count, inexact);
}

std::vector<RegValueEntry> ReadCountedValues(HKEY key, DWORD count,
                                             std::vector<RegValueEntry>* inexact) {
    std::vector<RegValueEntry> values;
    for (DWORD index = 0; index < count + 1; ++index) {
        RegValueEntry entry;
        // A value whose name or text the code page cannot hold is left alone.
        const LONG result = RegEnumValueExact(key, index, entry.name, entry.type, entry.data);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == kInexactName && inexact)
            inexact->push_back(std::move(entry));
        if (result != ERROR_SUCCESS)
            continue;
        values.push_back(std::move(entry));
    }
    return values;
}

std::string ValueText(const RegValueEntry& value) {
    return std::string(value.data.c_str(), strnlen(value.data.data(), value.data.size()));
}

bool IsStringValue(const RegValueEntry& value) {
    return value.type == REG_SZ || value.type == REG_EXPAND_SZ;
}

std::string ReadScanString(HKEY root, const std::string& path, const std::string& name) {
    UniqueKey key;
    if (!OpenScanKey(root, path, key.put()))
        return std::string();
    return ReadString(key.get(), name);
}

bool ScanKeyExists(HKEY root, const std::string& path) {
    UniqueKey key;
    return OpenScanKey(root, path, key.put());
}

} // namespace ku
