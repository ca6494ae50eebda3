// Reading the installed programs out of the Uninstall and Windows Installer keys.
#include "core/programs/ProgramListBuilder.h"

#include <stdexcept>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

using UninstallItemUnit::kInexactNote;
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

// One value of an entry: whether it exists, its type and its data.
struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data;
    bool exact = true; // false: its name or text is a shown form the code page could not hold
};

bool IsText(const RawValue& value) {
    return value.exists && (value.type == REG_SZ || value.type == REG_EXPAND_SZ);
}

// The text up to its first zero, as the registry class reads strings.
std::string TextOf(const RawValue& value) {
    const size_t zero = value.data.find('\0');
    return zero == std::string::npos ? value.data : value.data.substr(0, zero);
}

// Every value of one open key, read by one enumeration: a list of thousands of entries asks
// for a dozen values of each, and one call per stored value is the cheapest way to have them.
class EntryValues {
public:
    // Read by the values' wide forms: a text the code page cannot hold is kept as a shown form
    // and the entry marked, so that no best-fit name or command is ever shown as real.
    explicit EntryValues(HKEY key) {
        for (DWORD index = 0;; ++index) {
            std::string name;
            RawValue value;
            const LONG rc = RegEnumValueExact(key, index, name, value.type, value.data);
            if (rc != ERROR_SUCCESS && rc != kInexactName)
                break;
            value.exists = true;
            value.exact = rc == ERROR_SUCCESS;
            inexact_ = inexact_ || !value.exact;
            values_.emplace_back(std::move(name), std::move(value));
        }
    }
    // Some value of the entry is one the code page cannot hold.
    bool Inexact() const { return inexact_; }
    // The named value is missing or read exactly.
    bool Exact(const char* name) const { return Get(name).exact; }
    // A value of exactly this name, letter case included.
    bool HasNamedExactly(const char* name) const {
        for (const auto& value : values_)
            if (value.first == name)
                return true;
        return false;
    }
    // Value names are matched without regard to case, as the registry does.
    const RawValue& Get(const char* name) const {
        static const RawValue missing;
        for (const auto& value : values_)
            if (SameText(value.first, name))
                return value.second;
        return missing;
    }
    bool Text(const char* name, std::string& text) const {
        const RawValue& value = Get(name);
        if (!IsText(value))
            return false;
        text = TextOf(value);
        return true;
    }
    std::string TextOrNotAvailable(const char* name) const {
        std::string text;
        return Text(name, text) ? text : std::string(kNotAvailable);
    }

private:
    std::vector<std::pair<std::string, RawValue>> values_;
    bool inexact_ = false;
};

// A program with a display name and an uninstaller.
bool Qualifies(const EntryValues& values) {
    std::string uninstall;
    return values.Get("DisplayName").exists && values.Text("UninstallString", uninstall) &&
           !uninstall.empty();
}

// Appends the entry's "ProductCodes", one per line: a string list or a string; any other kind
// adds nothing.
void CollectProductCodes(const EntryValues& values, std::string& codes) {
    const RawValue& value = values.Get("ProductCodes");
    if (value.exists && value.type == REG_MULTI_SZ) {
        const std::string data = value.data + std::string(2, '\0');
        for (size_t at = 0; at < data.size() && data[at] != '\0';) {
            const size_t end = data.find('\0', at);
            codes += data.substr(at, end - at) + "\r\n";
            at = end + 1;
        }
    } else if (IsText(value)) {
        codes += TextOf(value) + "\r\n";
    }
}

// The texts the wizard acts on: the name it finds the program's Installer product by, and the
// commands it runs. Read in a best-fit form, each would name another program's.
bool ActsOnInexactText(const EntryValues& values) {
    for (const char* name : {"DisplayName", "UninstallString", "ModifyPath"})
        if (!values.Exact(name))
            return true;
    return false;
}

bool IsOperatingSystemChild(const EntryValues& values) {
    std::string parent;
    return values.Text("ParentKeyName", parent) && parent == kOperatingSystem;
}

std::string DisplayVersionOf(const EntryValues& values) {
    const RawValue& display = values.Get("DisplayVersion");
    if (display.exists)
        return IsText(display) ? TextOf(display) : std::string(kNotAvailable);
    const RawValue& major = values.Get("VersionMajor");
    if (!major.exists)
        return kNotAvailable;
    // Only plain strings count; a number gives nothing.
    const RawValue& minor = values.Get("VersionMinor");
    return (major.type == REG_SZ ? TextOf(major) : "") +
           (minor.exists && minor.type == REG_SZ ? TextOf(minor) : "");
}

void AddEntry(TUninstallContents& list, const EntryValues& values, const std::string& subKeyName,
              const std::string& uninstallString, const std::string& displayName,
              const std::string& registryPath) {
    TContent& c = list.GetItem(list.Add()).Content;
    const RawValue& icon = values.Get("DisplayIcon");
    if (icon.exists)
        c.IconSource = IsText(icon) && icon.exact ? TextOf(icon) : "";
    else
        values.Text("UninstallString", c.IconSource);
    c.DisplayName = displayName;
    c.DisplayVersion = DisplayVersionOf(values);
    c.HelpLink = values.TextOrNotAvailable("HelpLink");
    c.InstallDate = values.TextOrNotAvailable("InstallDate");
    c.InstallLocation = values.TextOrNotAvailable("InstallLocation");
    c.Publisher = values.TextOrNotAvailable("Publisher");
    c.URLInfoAbout = values.TextOrNotAvailable("URLInfoAbout");
    c.URLUpdateInfo = values.TextOrNotAvailable("URLUpdateInfo");
    c.ModifyPath = values.TextOrNotAvailable("ModifyPath");
    c.SubKeyName = subKeyName;
    c.UninstallString = uninstallString;
    c.RegistryPath = registryPath;
    c.Inexact = ActsOnInexactText(values);
    c.ShowsInexactText = values.Inexact();
}

// One Uninstall entry as the list needs it.
struct Entry {
    std::string name;
    EntryValues values;
    bool exactName;
};

// The row's caption for an entry the code page cannot hold exactly: the shown form, said so.
std::string InexactCaption(const std::string& standIn) {
    return standIn + kInexactNote;
}

struct InstallerCandidate {
    std::string name, key, uninstall;
    bool refused = false; // its code, name or command is a shown form
    bool marked = false;  // some text of it is
};

// Calls found(product, values) for every product key below `productsKey` (opened in the
// Installer's view) that opens, with the values of its subkey `sub` (empty: its own). Products
// are read by their wide names: one the code page cannot name is still found, as such.
template <typename Found>
void ForEachProduct(const ProgramListPlaces& places, const std::string& productsKey,
                    const std::wstring& sub, Found found) {
    ListRegistry registry(places.root);
    if (!registry.OpenKeyReadOnly(productsKey, InstallerViewFlag()))
        return;
    const DWORD view = registry.Access() & kViewFlags;
    for (const KeyName& product : RegKeyNamesExact(registry.CurrentKey())) {
        const std::wstring path = sub.empty() ? product.wide : product.wide + L"\\" + sub;
        UniqueKey key;
        if (RegOpenKeyExW(registry.CurrentKey(), path.c_str(), 0, KEY_QUERY_VALUE | view,
                          key.put()) == ERROR_SUCCESS)
            found(product, EntryValues(key.get()));
    }
}

// A product with a value named exactly nameValue: its name, code and command read exactly, or
// its row shows their shown forms and is refused.
void AddCandidate(std::vector<InstallerCandidate>& found, const KeyName& product,
                  const EntryValues& values, const char* nameValue, bool withCommand) {
    if (!values.HasNamedExactly(nameValue))
        return;
    InstallerCandidate candidate{"", product.name, ""};
    values.Text(nameValue, candidate.name);
    if (withCommand)
        values.Text("UninstallString", candidate.uninstall);
    candidate.refused = !product.exact || !values.Exact(nameValue) ||
                        (withCommand && !values.Exact("UninstallString"));
    candidate.marked = candidate.refused || values.Inexact();
    if (candidate.refused)
        candidate.name = InexactCaption(candidate.name.empty() ? product.name : candidate.name);
    found.push_back(candidate);
}

std::vector<InstallerCandidate> UserDataCandidates(const ProgramListPlaces& places) {
    std::vector<InstallerCandidate> found;
    ForEachProduct(places, places.userDataProducts, L"InstallProperties",
                   [&](const KeyName& product, const EntryValues& values) {
                       AddCandidate(found, product, values, "DisplayName", true);
                   });
    return found;
}

std::vector<InstallerCandidate> ClassesCandidates(const ProgramListPlaces& places) {
    std::vector<InstallerCandidate> found;
    ForEachProduct(places, places.classesProducts, L"",
                   [&](const KeyName& product, const EntryValues& values) {
                       AddCandidate(found, product, values, "ProductName", false);
                   });
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
        c.Inexact = candidate.refused;
        c.ShowsInexactText = candidate.marked;
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
    if (!registry.OpenKeyReadOnly(places.uninstallKey, ListViewFlag()))
        return;
    // Each entry is opened once, below the open Uninstall key and in its view, and its values
    // read in one enumeration.
    const DWORD view = registry.Access() & kViewFlags;
    std::vector<Entry> entries;
    // Every entry, those the code page cannot name exactly too: they are opened by their wide
    // names and listed as such, never dropped and never shown as another entry's twin.
    for (const KeyName& name : RegKeyNamesExact(registry.CurrentKey())) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(registry.CurrentKey(), name.wide.c_str(), 0, KEY_READ | view, &key) !=
                ERROR_SUCCESS &&
            RegOpenKeyExW(registry.CurrentKey(), name.wide.c_str(), 0, KEY_QUERY_VALUE | view,
                          &key) != ERROR_SUCCESS)
            continue;
        Entry entry{name.name, EntryValues(key), name.exact};
        RegCloseKey(key);
        if (Qualifies(entry.values))
            entries.push_back(std::move(entry));
    }

    // Keys without "{" first; a braced product that another entry names in its "ProductCodes"
    // is listed as that entry only.
    std::vector<const Entry*> kept;
    std::string productCodes;
    for (const Entry& entry : entries)
        if (entry.name.find('{') == std::string::npos) {
            kept.push_back(&entry);
            CollectProductCodes(entry.values, productCodes);
        }
    const std::string upperCodes = UpperCase(productCodes);
    for (const Entry& entry : entries)
        if (entry.name.find('{') != std::string::npos &&
            !ContainsUpper(upperCodes, UpperCase(entry.name)))
            kept.push_back(&entry);

    for (const Entry* entry : kept) {
        if (!showWindowsUpdate && IsOperatingSystemChild(entry->values))
            continue;
        std::string uninstall, displayName;
        entry->values.Text("UninstallString", uninstall);
        entry->values.Text("DisplayName", displayName);
        // A key name or a text the wizard acts on that the code page cannot hold refuses the
        // entry; one it only shows marks the row.
        const bool refused = !entry->exactName || ActsOnInexactText(entry->values);
        AddEntry(list, entry->values, entry->name, uninstall,
                 refused ? InexactCaption(displayName.empty() ? entry->name : displayName)
                         : displayName,
                 Child(places.uninstallKey, entry->name));
        TContent& added = list.GetItem(list.Count() - 1).Content;
        added.Inexact = refused;
        added.ShowsInexactText = refused || entry->values.Inexact();
    }
}

void AddProgramEntry(TUninstallContents& list, TRegistry& registry, const std::string& subKeyName,
                     const std::string& uninstallString, const std::string& displayName,
                     const std::string& registryPath) {
    AddEntry(list, EntryValues(registry.CurrentKey()), subKeyName, uninstallString, displayName,
             registryPath);
}

void ReadMultiSzValue(const std::string& valueName, std::vector<std::string>& strings,
                      TRegistry& registry) {
    DWORD type = REG_NONE;
    std::string data;
    // By its wide form: a list holding a string the code page cannot hold is refused whole.
    const LONG rc = RegQueryValueExact(registry.CurrentKey(), valueName, type, data);
    if (rc == kInexactName)
        throw ERegistryException("String list holds characters this program cannot handle");
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error("Unable read MULTI_SZ value");
    if (type != REG_MULTI_SZ)
        throw ERegistryException("String list expected");
    // Two spare zeros end the block even when the stored data lacks its terminators.
    data.append(2, '\0');
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
    // Its key name may be a shown form, which names another key or none.
    if (record.Inexact)
        return false;
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
