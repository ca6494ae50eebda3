// The other installed programs: the store of an Uninstall entry and the programs' folders.
#include "core/removal/OtherPrograms.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/removal/InstallerRecords.h"
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

// Every "%from%" of the text, in any case, spelled "%to%".
std::string RenameVariable(const std::string& text, const std::string& from,
                           const std::string& to) {
    std::string result = text;
    const std::string upperFrom = UpperCase(from);
    for (size_t at = UpperCase(result).find(upperFrom); at != std::string::npos;
         at = UpperCase(result).find(upperFrom, at + to.size()))
        result.replace(at, from.size(), to);
    return result;
}

// The text with the environment's variables expanded as the entry's program reads them: a
// 64-bit program's "%ProgramFiles%" is the 64-bit Program Files folder, which this 32-bit
// program finds under "%ProgramW6432%". Empty when the result is a text the code page cannot
// hold.
std::string Expanded(const std::string& text, EntryStore store) {
    if (text.find('%') == std::string::npos)
        return text;
    std::string spelled = text;
    if (store == EntryStore::Machine64 && OnWow64()) {
        spelled = RenameVariable(spelled, "%ProgramFiles%", "%ProgramW6432%");
        spelled = RenameVariable(spelled, "%CommonProgramFiles%", "%CommonProgramW6432%");
    }
    const std::wstring wide = WideFromAnsi(spelled);
    std::wstring expanded(32768, L'\0');
    const DWORD length =
        ExpandEnvironmentStringsW(wide.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
    if (length == 0 || length > expanded.size())
        return std::string();
    std::string ansi;
    return ExactAnsi(expanded.c_str(), wcslen(expanded.c_str()), ansi) ? ansi : std::string();
}

std::string Unquoted(const std::string& text) {
    const std::string trimmed = Trim(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        return Trim(trimmed.substr(1, trimmed.size() - 2));
    return trimmed;
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

// The braced product code an Installer product's entry stands for: its key name, or the code
// its uninstaller command hands to MsiExec ("MsiExec.exe /X{...}"). Empty for other entries.
std::string EntryProductCode(const std::string& entryName, const std::string& uninstall) {
    if (!PackedProductCode(entryName).empty())
        return entryName;
    if (!ContainsText(uninstall, "MSIEXEC"))
        return std::string();
    const size_t open = uninstall.find('{');
    const size_t close = open == std::string::npos ? open : uninstall.find('}', open);
    if (close == std::string::npos)
        return std::string();
    const std::string code = uninstall.substr(open, close - open + 1);
    return PackedProductCode(code).empty() ? std::string() : code;
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

using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The place the system opens for an existing path, links on the way followed, as
// GetFinalPathNameByHandle names it ("C:\..."); empty when it does not exist or cannot be
// resolved (before Vista there is no such call). `exact` is false when the place is a name
// the code page cannot hold.
std::string PlaceOf(const std::string& canonical, bool& exact) {
    exact = true;
    static const auto finalPath = reinterpret_cast<FinalPathFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "GetFinalPathNameByHandleW")));
    if (!finalPath)
        return std::string();
    UniqueFile file(CreateFileW(WideFromAnsi(canonical).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return std::string();
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = finalPath(file.get(), buffer, MAX_PATH * 4, 0 /* VOLUME_NAME_DOS */);
    if (length == 0 || length >= MAX_PATH * 4)
        return std::string();
    std::wstring wide(buffer, length);
    if (wide.compare(0, 4, L"\\\\?\\") == 0)
        wide.erase(0, 4);
    std::string place;
    exact = ExactAnsi(wide, place);
    if (!exact || place.size() < 3 || place[1] != ':' || place[2] != '\\')
        return std::string();
    while (place.size() > 3 && place.back() == '\\')
        place.pop_back();
    return place;
}

// The folder the files lie in together; "" when they share no more than a drive root.
std::string CommonFolder(const std::vector<std::string>& files) {
    std::string common;
    for (const std::string& file : files) {
        const std::string folder = ExtractFileDir(file);
        if (common.empty()) {
            common = folder;
            continue;
        }
        while (common.size() > 3 &&
               !(StartsText(folder, common) &&
                 (folder.size() == common.size() || folder[common.size()] == '\\')))
            common = ExtractFileDir(common);
    }
    return common.size() > 3 ? common : std::string();
}

} // namespace

// What the reading of the other programs gathers on its way: the Installer products whose
// entries name no folder, for one pass over the Installer's records after the entries.
struct OtherInstalledPrograms::Reader {
    OtherInstalledPrograms programs;
    std::vector<std::string> products; // packed, upper case
    std::function<void()> pump;

    void Pump() const {
        if (pump)
            pump();
    }

    void AddEntry(HKEY entry, EntryStore store, const std::string& entryName);
    void AddInstallerFolders();

  private:
    void AddFilesFolders(const std::vector<std::string>& recorded);
};

void OtherInstalledPrograms::Reader::AddEntry(HKEY entry, EntryStore store,
                                              const std::string& entryName) {
    const std::string location = Unquoted(Expanded(ReadText(entry, "InstallLocation"), store));
    programs.AddFolder(location);
    const std::string uninstall = ReadText(entry, "UninstallString");
    const std::string uninstaller = SplitCommandLine(Expanded(uninstall, store)).file;
    if (!uninstaller.empty())
        programs.AddFolder(ExtractFileDir(uninstaller));
    const std::string icon = IconFile(Expanded(ReadText(entry, "DisplayIcon"), store));
    if (!icon.empty())
        programs.AddFolder(ExtractFileDir(icon));
    const std::string code = location.empty() ? EntryProductCode(entryName, uninstall) : "";
    if (!code.empty())
        products.push_back(PackedProductCode(code));
}

// The products whose entries name no folder: the folder the Installer recorded, or the
// folders of their components' files.
void OtherInstalledPrograms::Reader::AddInstallerFolders() {
    std::sort(products.begin(), products.end());
    products.erase(std::unique(products.begin(), products.end()), products.end());
    std::vector<std::string> unplaced;
    for (const std::string& product : products) {
        const std::string location =
            Unquoted(Expanded(RecordedInstallLocation(product), EntryStore::None));
        if (location.empty())
            unplaced.push_back(product);
        else
            programs.AddFolder(location);
    }
    for (const auto& [product, files] : RecordedComponentFiles(unplaced, pump))
        AddFilesFolders(files);
}

// The folder the files have in common, or each file's folder when that is none of the
// product's own. Files of the Windows folder are Windows' places, not the product's: as
// recorded, their paths begin with its path.
void OtherInstalledPrograms::Reader::AddFilesFolders(const std::vector<std::string>& recorded) {
    const std::string windows = IncludeTrailingBackslash(GetWindowsDir());
    std::vector<std::string> files;
    for (const std::string& file : recorded)
        if (!StartsText(file, windows))
            files.push_back(file);
    if (files.empty() || programs.AddFolder(CommonFolder(files)))
        return;
    std::vector<std::string> folders;
    for (const std::string& file : files)
        folders.push_back(UpperCase(ExtractFileDir(file)));
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const std::string& folder : folders)
        programs.AddFolder(folder);
}

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

std::string PackedProductCode(const std::string& bracedCode) {
    const std::string code = Trim(bracedCode);
    if (code.size() != 38 || code.front() != '{' || code.back() != '}')
        return std::string();
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? code[i] != '-' : !std::isxdigit(static_cast<unsigned char>(code[i])))
            return std::string();
    }
    // The first three groups are read backwards, the rest pair by pair with each pair turned.
    std::string packed = std::string(code.rbegin() + 29, code.rbegin() + 37) +
                         std::string(code.rbegin() + 24, code.rbegin() + 28) +
                         std::string(code.rbegin() + 19, code.rbegin() + 23);
    for (size_t i = 20; i < 37; i += 2) {
        if (code[i] == '-')
            ++i;
        packed += code[i + 1];
        packed += code[i];
    }
    return UpperCase(packed);
}

bool OwnEntry::Is(EntryStore entryStore, const std::string& entryName) const {
    if (Trim(name).empty())
        return false;
    if (entryStore == EntryStore::Machine64 || entryStore == EntryStore::Machine32) {
        const std::string packed = PackedProductCode(entryName);
        if (!packed.empty() && SameText(packed, Trim(name)))
            return true;
    }
    return entryStore == store && store != EntryStore::None && SameText(entryName, name);
}

void OwnEntries::AddName(const std::string& entryName) {
    if (!Trim(entryName).empty())
        names_.push_back(entryName);
}

void OwnEntries::AddProductCode(const std::string& packedCode) {
    if (!Trim(packedCode).empty())
        productCodes_.push_back(UpperCase(Trim(packedCode)));
}

bool OwnEntries::Holds(EntryStore store, const std::string& entryName) const {
    if (entry_.Is(store, entryName))
        return true;
    for (const std::string& name : names_)
        if (SameText(name, entryName))
            return true;
    const std::string packed = PackedProductCode(entryName);
    return !packed.empty() &&
           std::find(productCodes_.begin(), productCodes_.end(), packed) != productCodes_.end();
}

OtherInstalledPrograms OtherInstalledPrograms::Read(const OwnEntries& own,
                                                    const std::function<void()>& pump) {
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
    Reader reader;
    reader.pump = pump;
    for (const Place& place : places) {
        UniqueKey uninstall;
        if (RegOpenKeyExA(place.root, kUninstallPath, 0, KEY_READ | place.view, uninstall.put()) !=
            ERROR_SUCCESS)
            continue;
        // Opened by the wide name: a best-fit name would open a twin entry, or none.
        for (const KeyName& name : RegKeyNamesExact(uninstall.get())) {
            reader.Pump();
            if (name.exact && own.Holds(place.store, name.name))
                continue;
            UniqueKey entry;
            if (RegOpenKeyExW(uninstall.get(), name.wide.c_str(), 0, KEY_READ | place.view,
                              entry.put()) == ERROR_SUCCESS)
                reader.AddEntry(entry.get(), place.store, name.exact ? name.name : "");
        }
    }
    reader.AddInstallerFolders();
    std::vector<std::string>& folders = reader.programs.folders_;
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return reader.programs;
}

// The folder as the guard reads paths, and the place it leads to when that is elsewhere.
bool OtherInstalledPrograms::AddFolder(const std::string& folder) {
    const std::string canonical = CanonicalDeletePath(folder);
    if (canonical.size() <= 3 || IsRefusedForceFolder(canonical))
        return false;
    folders_.push_back(UpperCase(canonical));
    bool exact = true;
    const std::string place = PlaceOf(canonical, exact);
    if (!place.empty() && !SameText(place, canonical) && !IsRefusedForceFolder(place))
        folders_.push_back(UpperCase(place));
    return true;
}

// The folders are sorted: each folder the path could lie in ends at one of its "\" or at its
// end, and is looked up by itself.
bool OtherInstalledPrograms::HoldsUpperPath(const std::string& upperPath) const {
    if (folders_.empty())
        return false;
    for (size_t at = upperPath.find('\\');; at = upperPath.find('\\', at + 1)) {
        const size_t length = at == std::string::npos ? upperPath.size() : at;
        if (length > 3 &&
            std::binary_search(folders_.begin(), folders_.end(),
                               std::string_view(upperPath.data(), length), std::less<>()))
            return true;
        if (at == std::string::npos)
            return false;
    }
}

bool OtherInstalledPrograms::HoldsPath(const std::string& path) const {
    if (folders_.empty())
        return false;
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty())
        return false;
    if (HoldsUpperPath(UpperCase(canonical)))
        return true;
    bool exact = true;
    const std::string place = PlaceOf(canonical, exact);
    if (!exact)
        return true;
    return !place.empty() && !SameText(place, canonical) && HoldsUpperPath(UpperCase(place));
}

bool OtherInstalledPrograms::NamedInUpperText(const std::string& upperText) const {
    for (const std::string& folder : folders_)
        if (NamesFolderAt(upperText, folder))
            return true;
    return false;
}

} // namespace ku
