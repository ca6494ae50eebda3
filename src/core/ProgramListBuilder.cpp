// Reading the installed programs out of the Uninstall and Windows Installer keys.
#include "core/ProgramListBuilder.h"

#include <stdexcept>

#include "core/DeleteHelpers.h"
#include "core/PublicFunctionUnit.h"
#include "core/SharedState.h"
#include "core/StrUtil.h"

namespace ku {

using UninstallItemUnit::TContent;

namespace {

const char* const kOperatingSystem = "OperatingSystem";

// A registry object of the list's view on root.
struct ListRegistry : TRegistry {
    explicit ListRegistry(HKEY root) : TRegistry(RegistryViewAccess()) { SetRootKey(root); }
};

std::string Child(const std::string& key, const std::string& name) {
    return key + "\\" + name;
}

std::string WithoutLeadingBackslash(const std::string& path) {
    return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

// One value of the open key read in one call (two when it is long): whether it exists, its
// type and its data. A list of thousands of entries reads a dozen values from each.
struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data;
};

RawValue QueryValue(TRegistry& registry, const std::string& name) {
    RawValue value;
    char buffer[512];
    DWORD size = sizeof(buffer);
    LONG rc = RegQueryValueExA(registry.CurrentKey(), name.c_str(), nullptr, &value.type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    if (rc == ERROR_MORE_DATA) {
        value.data.assign(size, '\0');
        rc = RegQueryValueExA(registry.CurrentKey(), name.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(&value.data[0]), &size);
        value.data.resize(rc == ERROR_SUCCESS ? size : 0);
    } else if (rc == ERROR_SUCCESS) {
        value.data.assign(buffer, size);
    }
    value.exists = rc == ERROR_SUCCESS;
    return value;
}

bool IsText(const RawValue& value) {
    return value.exists && (value.type == REG_SZ || value.type == REG_EXPAND_SZ);
}

// The text up to its first zero, as the registry class reads strings.
std::string TextOf(const RawValue& value) {
    const size_t zero = value.data.find('\0');
    return zero == std::string::npos ? value.data : value.data.substr(0, zero);
}

// The value's text when it exists and is a string; false otherwise.
bool ReadText(TRegistry& registry, const std::string& name, std::string& text) {
    const RawValue value = QueryValue(registry, name);
    if (!IsText(value))
        return false;
    text = TextOf(value);
    return true;
}

std::string TextOrNotAvailable(TRegistry& registry, const std::string& name) {
    std::string text;
    return ReadText(registry, name, text) ? text : std::string(kNotAvailable);
}

// Opens key and answers whether it names a program with a display name and an uninstaller.
bool OpenQualifying(TRegistry& registry, const std::string& key) {
    if (!registry.OpenKeyReadOnly(key, ListViewFlag()) ||
        !QueryValue(registry, "DisplayName").exists)
        return false;
    std::string uninstall;
    return ReadText(registry, "UninstallString", uninstall) && !uninstall.empty();
}

// Appends the open key's "ProductCodes", one per line; a value that cannot be read adds nothing.
void CollectProductCodes(TRegistry& registry, std::string& codes) {
    try {
        if (!registry.ValueExists("ProductCodes"))
            return;
        const TRegDataType kind = registry.GetDataType("ProductCodes");
        if (kind == rdUnknown || kind == rdBinary) {
            std::vector<std::string> strings;
            ReadMultiSzValue("ProductCodes", strings, registry);
            for (const std::string& code : strings)
                codes += code + "\r\n";
        } else {
            codes += registry.ReadString("ProductCodes") + "\r\n";
        }
    } catch (const std::exception&) {
    }
}

bool IsOperatingSystemChild(TRegistry& registry) {
    std::string parent;
    return ReadText(registry, "ParentKeyName", parent) && parent == kOperatingSystem;
}

std::string DisplayVersionOf(TRegistry& registry) {
    const RawValue display = QueryValue(registry, "DisplayVersion");
    if (display.exists)
        return IsText(display) ? TextOf(display) : std::string(kNotAvailable);
    const RawValue major = QueryValue(registry, "VersionMajor");
    if (!major.exists)
        return kNotAvailable;
    // Only plain strings count; a number gives nothing.
    const RawValue minor = QueryValue(registry, "VersionMinor");
    return (major.type == REG_SZ ? TextOf(major) : "") +
           (minor.exists && minor.type == REG_SZ ? TextOf(minor) : "");
}

bool HasValueNamedExactly(TRegistry& registry, const std::string& name) {
    std::vector<std::string> names;
    registry.GetValueNames(names);
    for (const std::string& value : names)
        if (value == name)
            return true;
    return false;
}

struct InstallerCandidate {
    std::string name, key, uninstall;
};

std::vector<InstallerCandidate> UserDataCandidates(const ProgramListPlaces& places) {
    std::vector<InstallerCandidate> found;
    ListRegistry registry(places.root);
    std::vector<std::string> products;
    if (!registry.OpenKeyReadOnly(places.userDataProducts, InstallerViewFlag()))
        return found;
    registry.GetKeyNames(products);
    for (const std::string& product : products) {
        const std::string key = Child(Child(places.userDataProducts, product), "InstallProperties");
        if (!registry.OpenKeyReadOnly(key, InstallerViewFlag()) ||
            !HasValueNamedExactly(registry, "DisplayName"))
            continue;
        InstallerCandidate candidate{"", product, ""};
        ReadText(registry, "DisplayName", candidate.name);
        ReadText(registry, "UninstallString", candidate.uninstall);
        found.push_back(candidate);
    }
    return found;
}

std::vector<InstallerCandidate> ClassesCandidates(const ProgramListPlaces& places) {
    std::vector<InstallerCandidate> found;
    ListRegistry registry(places.root);
    std::vector<std::string> products;
    if (!registry.OpenKeyReadOnly(places.classesProducts, InstallerViewFlag()))
        return found;
    registry.GetKeyNames(products);
    for (const std::string& product : products) {
        if (!registry.OpenKeyReadOnly(Child(places.classesProducts, product),
                                      InstallerViewFlag()) ||
            !HasValueNamedExactly(registry, "ProductName"))
            continue;
        InstallerCandidate candidate{"", product, ""};
        ReadText(registry, "ProductName", candidate.name);
        found.push_back(candidate);
    }
    return found;
}

// Appends the candidates whose names no caption of before holds.
void AppendCandidates(TUninstallContents& list, std::vector<std::string>& captions,
                      const std::vector<InstallerCandidate>& candidates,
                      const std::string& registryPath, std::vector<int>& appended) {
    if (captions.empty())
        return;
    const std::vector<std::string> before = captions;
    for (const InstallerCandidate& candidate : candidates) {
        bool listed = false;
        for (const std::string& caption : before)
            listed = listed || caption == candidate.name;
        if (listed)
            continue;
        const int index = list.Add();
        TContent& c = list.GetItem(index).Content;
        c.IconSource = GetSystemDir() + "\\msiexec.exe";
        c.DisplayName = candidate.name;
        c.Publisher = kNotAvailable;
        c.SubKeyName = candidate.key;
        c.UninstallString = candidate.uninstall;
        c.RegistryPath = registryPath;
        captions.push_back(candidate.name);
        appended.push_back(index);
    }
}

} // namespace

bool ListViewFlag() {
    return RegistryView64;
}

bool InstallerViewFlag() {
    return true;
}

void BuildProgramList(TUninstallContents& list, bool showWindowsUpdate,
                      const ProgramListPlaces& places) {
    list.Clear();
    ListRegistry registry(places.root);
    std::vector<std::string> names;
    if (!registry.OpenKeyReadOnly(places.uninstallKey, ListViewFlag()))
        return;
    registry.GetKeyNames(names);

    std::vector<std::string> kept;
    std::string productCodes;
    for (const std::string& name : names) {
        if (name.find('{') != std::string::npos ||
            !OpenQualifying(registry, Child(places.uninstallKey, name)))
            continue;
        kept.push_back(name);
        CollectProductCodes(registry, productCodes);
    }
    // A product that another entry names in its "ProductCodes" is listed as that entry only.
    const std::string upperCodes = UpperCase(productCodes);
    for (const std::string& name : names) {
        if (name.find('{') == std::string::npos ||
            !OpenQualifying(registry, Child(places.uninstallKey, name)) ||
            ContainsUpper(upperCodes, UpperCase(name)))
            continue;
        kept.push_back(name);
    }

    for (const std::string& name : kept) {
        const std::string path = Child(places.uninstallKey, name);
        if (!registry.OpenKeyReadOnly(path, ListViewFlag()))
            continue;
        const RawValue displayName = QueryValue(registry, "DisplayName");
        const RawValue uninstall = QueryValue(registry, "UninstallString");
        if (!displayName.exists || !uninstall.exists)
            continue;
        if (!showWindowsUpdate && IsOperatingSystemChild(registry))
            continue;
        AddProgramEntry(list, registry, name, IsText(uninstall) ? TextOf(uninstall) : "",
                        IsText(displayName) ? TextOf(displayName) : "", path);
    }
}

void AddProgramEntry(TUninstallContents& list, TRegistry& registry, const std::string& subKeyName,
                     const std::string& uninstallString, const std::string& displayName,
                     const std::string& registryPath) {
    TContent& c = list.GetItem(list.Add()).Content;
    const RawValue icon = QueryValue(registry, "DisplayIcon");
    if (icon.exists)
        c.IconSource = IsText(icon) ? TextOf(icon) : "";
    else
        ReadText(registry, "UninstallString", c.IconSource);
    c.DisplayName = displayName;
    c.DisplayVersion = DisplayVersionOf(registry);
    c.HelpLink = TextOrNotAvailable(registry, "HelpLink");
    c.InstallDate = TextOrNotAvailable(registry, "InstallDate");
    c.InstallLocation = TextOrNotAvailable(registry, "InstallLocation");
    c.Publisher = TextOrNotAvailable(registry, "Publisher");
    c.URLInfoAbout = TextOrNotAvailable(registry, "URLInfoAbout");
    c.URLUpdateInfo = TextOrNotAvailable(registry, "URLUpdateInfo");
    c.ModifyPath = TextOrNotAvailable(registry, "ModifyPath");
    c.SubKeyName = subKeyName;
    c.UninstallString = uninstallString;
    c.RegistryPath = registryPath;
}

void ReadMultiSzValue(const std::string& valueName, std::vector<std::string>& strings,
                      TRegistry& registry) {
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExA(registry.CurrentKey(), valueName.c_str(), nullptr, &type, nullptr,
                         &size) != ERROR_SUCCESS)
        throw std::runtime_error("Unable read MULTI_SZ value");
    if (type != REG_MULTI_SZ)
        throw ERegistryException("String list expected");
    // Two spare zeros end the block even when the stored data lacks its terminators.
    std::string data(size + 2, '\0');
    DWORD read = size;
    if (RegQueryValueExA(registry.CurrentKey(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data[0]), &read) != ERROR_SUCCESS)
        throw std::runtime_error("Unable read MULTI_SZ value");
    for (size_t at = 0; at < data.size() && data[at] != '\0';) {
        const size_t end = data.find('\0', at);
        strings.push_back(data.substr(at, end - at));
        at = end + 1;
    }
}

std::vector<int> AddInstallerProducts(TUninstallContents& list, std::vector<std::string>& captions,
                                      const ProgramListPlaces& places) {
    std::vector<int> appended;
    AppendCandidates(list, captions, UserDataCandidates(places),
                     WithoutLeadingBackslash(places.userDataProducts), appended);
    AppendCandidates(list, captions, ClassesCandidates(places),
                     WithoutLeadingBackslash(places.classesProducts), appended);
    return appended;
}

void DeleteInstallerComponentEntries(const std::string& productKey,
                                     const ProgramListPlaces& places) {
    if (Trim(productKey).empty())
        return;
    ListRegistry registry(places.root);
    std::vector<std::string> components;
    if (!registry.OpenKeyReadOnly(places.userDataComponents, InstallerViewFlag()))
        return;
    registry.GetKeyNames(components);
    const std::string keyBase = WithoutLeadingBackslash(places.userDataComponents);
    for (const std::string& component : components) {
        std::vector<std::string> values;
        if (!registry.OpenKeyReadOnly(Child(places.userDataComponents, component),
                                      InstallerViewFlag()))
            continue;
        registry.GetValueNames(values);
        bool own = false, shared = false;
        for (const std::string& value : values)
            own = own || (!Trim(value).empty() && SameText(value, productKey));
        if (own)
            for (const std::string& value : values)
                if (!Trim(value).empty() && !SameText(value, productKey)) {
                    own = false;
                    shared = true;
                }
        registry.CloseKey();
        if (own)
            DeleteRegistryKey(places.root, Child(keyBase, component), InstallerViewFlag());
        else if (shared)
            DeleteRegistryValue(places.root, Child(keyBase, component), productKey,
                                InstallerViewFlag());
    }
}

bool IsInstallerRecord(const TContent& record) {
    return ContainsText(record.RegistryPath, "Installer\\UserData\\S-1-5-18\\Products");
}

bool DeleteProgramEntry(const TContent& record, const ProgramListPlaces& places) {
    const std::string name = Trim(record.SubKeyName);
    // A key name never holds a backslash; one that does would reach past the entry.
    if (name.empty() || record.SubKeyName.find('\\') != std::string::npos)
        return false;
    const bool installer = IsInstallerRecord(record);
    const std::string base = installer ? places.userDataProducts : places.uninstallKey;
    const bool viewFlag = installer ? InstallerViewFlag() : ListViewFlag();
    ListRegistry registry(places.root);
    if (!registry.OpenKeyReadOnly(base, viewFlag))
        return false;
    registry.CloseKey();
    if (!DeleteRegistryKey(places.root, Child(WithoutLeadingBackslash(base), record.SubKeyName),
                           viewFlag))
        return false;
    if (installer)
        DeleteInstallerComponentEntries(record.SubKeyName, places);
    return true;
}

} // namespace ku
