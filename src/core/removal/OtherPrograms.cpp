// The other installed programs: the store of an Uninstall entry and the programs' folders.
#include "core/removal/OtherPrograms.h"

#include <algorithm>

#include "core/removal/WizardState.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool OnWow64() {
    try {
        return IsWow64();
    } catch (const std::exception&) {
        return false;
    }
}

// A string value of the open key; empty when it is missing, no string, or a text the code
// page cannot hold (a folder by such a name is never entered by the scans anyway).
std::string ReadText(HKEY key, const char* name) {
    std::string text;
    return RegQueryStringExact(key, name, text) == ERROR_SUCCESS ? text : std::string();
}

// "C:\App\app.exe,0" and ""C:\App\app.exe",-101": the file without its icon number.
std::string IconFile(const std::string& displayIcon) {
    std::string text = Trim(displayIcon);
    const size_t comma = text.rfind(',');
    if (comma != std::string::npos) {
        const std::string number = Trim(text.substr(comma + 1));
        if (!number.empty() && number.find_first_not_of("-0123456789") == std::string::npos)
            text = Trim(text.substr(0, comma));
    }
    return SplitCommandLine(text).file;
}

// The upper-case text holds the folder followed by the end, a "\" or a character that ends a
// path in a command line or list.
bool NamesFolderAt(const std::string& upperText, const std::string& folder) {
    for (size_t at = upperText.find(folder); at != std::string::npos;
         at = upperText.find(folder, at + 1)) {
        const size_t end = at + folder.size();
        if (end == upperText.size() ||
            std::string("\\\"',;|").find(upperText[end]) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

EntryStore MachineStore(REGSAM view) {
    if (!OnWow64())
        return EntryStore::Machine64;
    return (view & KEY_WOW64_64KEY) ? EntryStore::Machine64 : EntryStore::Machine32;
}

EntryStore UninstallEntryStore(HKEY root, const std::string& path, REGSAM view,
                               std::string* entryName) {
    const std::string upper = UpperCase(path);
    bool uninstallKey = false;
    const std::string name = UninstallEntryName(path, upper, &uninstallKey);
    if (entryName)
        *entryName = name;
    if (name.empty())
        return EntryStore::None;
    if (root != HKEY_LOCAL_MACHINE)
        return EntryStore::User;
    if (upper.rfind("SOFTWARE\\WOW6432NODE\\", 0) == 0)
        return EntryStore::Machine32;
    return MachineStore(view);
}

bool OwnEntry::Is(EntryStore entryStore, const std::string& entryName) const {
    return entryStore == store && store != EntryStore::None && !Trim(name).empty() &&
           SameText(entryName, name);
}

OtherInstalledPrograms OtherInstalledPrograms::Read(const OwnEntry& own) {
    struct Place {
        HKEY root;
        REGSAM view;
        EntryStore store;
    };
    std::vector<Place> places;
    if (OnWow64())
        places.push_back({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, EntryStore::Machine64});
    places.push_back({HKEY_LOCAL_MACHINE, REGSAM(OnWow64() ? KEY_WOW64_32KEY : 0),
                      MachineStore(OnWow64() ? KEY_WOW64_32KEY : 0)});
    places.push_back({HKEY_CURRENT_USER, 0, EntryStore::User});
    OtherInstalledPrograms programs;
    for (const Place& place : places) {
        UniqueKey uninstall;
        if (RegOpenKeyExA(place.root, kUninstallPath, 0, KEY_READ | place.view, uninstall.put()) !=
            ERROR_SUCCESS)
            continue;
        // Opened by the wide name: a best-fit name would open a twin entry, or none.
        for (const KeyName& name : RegKeyNamesExact(uninstall.get())) {
            if (name.exact && own.Is(place.store, name.name))
                continue;
            UniqueKey entry;
            if (RegOpenKeyExW(uninstall.get(), name.wide.c_str(), 0, KEY_READ | place.view,
                              entry.put()) == ERROR_SUCCESS)
                programs.AddEntryFolders(entry.get());
        }
    }
    std::sort(programs.folders_.begin(), programs.folders_.end());
    programs.folders_.erase(std::unique(programs.folders_.begin(), programs.folders_.end()),
                            programs.folders_.end());
    return programs;
}

void OtherInstalledPrograms::AddEntryFolders(HKEY entry) {
    std::string location = Trim(ReadText(entry, "InstallLocation"));
    if (location.size() >= 2 && location.front() == '"' && location.back() == '"')
        location = location.substr(1, location.size() - 2);
    AddFolder(location);
    const std::string uninstaller = SplitCommandLine(ReadText(entry, "UninstallString")).file;
    if (!uninstaller.empty())
        AddFolder(ExtractFileDir(uninstaller));
    const std::string icon = IconFile(ReadText(entry, "DisplayIcon"));
    if (!icon.empty())
        AddFolder(ExtractFileDir(icon));
}

void OtherInstalledPrograms::AddFolder(const std::string& folder) {
    const std::string canonical = CanonicalDeletePath(folder);
    if (canonical.size() <= 3 || IsRefusedForceFolder(canonical))
        return;
    folders_.push_back(UpperCase(canonical));
}

bool OtherInstalledPrograms::HoldsUpperPath(const std::string& upperPath) const {
    for (const std::string& folder : folders_)
        if (upperPath.compare(0, folder.size(), folder) == 0 &&
            (upperPath.size() == folder.size() || upperPath[folder.size()] == '\\'))
            return true;
    return false;
}

bool OtherInstalledPrograms::HoldsPath(const std::string& path) const {
    if (folders_.empty())
        return false;
    const std::string canonical = CanonicalDeletePath(path);
    return !canonical.empty() && HoldsUpperPath(UpperCase(canonical));
}

bool OtherInstalledPrograms::NamedInUpperText(const std::string& upperText) const {
    for (const std::string& folder : folders_)
        if (NamesFolderAt(upperText, folder))
            return true;
    return false;
}

} // namespace ku
