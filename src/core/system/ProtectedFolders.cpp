// The file half of the delete guard: drive roots, relative paths and the machine's system,
// program-files, profile and shell folders are never deleted, nor taken as the force folder.
#include "core/system/DeleteHelpers.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <system_error>
#include <thread>
#include <vector>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Folders below the Windows folder that hold the system itself.
const char* const kWindowsSubfolders[] = {
    "System",    "Sysnative", "WinSxS",        "Fonts",         "Installer",
    "Temp",      "inf",       "assembly",      "Microsoft.NET", "Boot",
    "servicing", "Resources", "Globalization", "Help",          "Media",
};
// Folders below each system folder (System32, SysWOW64).
const char* const kSystemSubfolders[] = {
    "drivers", "config", "DriverStore", "spool", "wbem", "catroot", "catroot2", "Tasks",
};
// Environment variables that name system, program-files and profile folders.
// clang-format off
const char* const kFolderVariables[] = {
    "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
    "CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432", "ProgramData",
    "ALLUSERSPROFILE", "PUBLIC", "USERPROFILE", "APPDATA", "LOCALAPPDATA", "TEMP", "TMP",
};
// clang-format on
// Folders of Windows' own components in each Program Files folder (both of them on 64-bit
// Windows): the force mode refuses them and everything below them, since a force uninstall
// there would delete libraries and class registrations that Windows and other programs share.
// A name beginning with "Common Files\" is also looked for in the Common Files folders.
// clang-format off
const char* const kWindowsComponentFolders[] = {
    "Common Files\\System",
    "Common Files\\Microsoft Shared",
    "Common Files\\Services",
    "Common Files\\SpeechEngines",
    "Internet Explorer",
    "Windows NT",
    "Windows Defender",
    "Windows Defender Advanced Threat Protection",
    "Windows Mail",
    "Windows Media Player",
    "Windows Photo Viewer",
    "Windows Sidebar",
    "Windows Portable Devices",
    "Windows Journal",
    "Windows Security",
    "Windows Multimedia Platform",
    "WindowsPowerShell",
    "WindowsApps",
    "Uninstall Information",
    "Reference Assemblies",
    "Microsoft.NET",
    "MSBuild",
};
// Windows' own data in every profile and in ProgramData, refused with what they hold like the
// component folders: the "Microsoft" trees hold the user's data-protection keys (losing them
// loses every secret stored with them), the machine's keys, themes, credentials ...
const char* const kProfileDataFolders[] = {
    "AppData\\Roaming\\Microsoft",
    "AppData\\Local\\Microsoft",
    "AppData\\LocalLow\\Microsoft",
    "Application Data\\Microsoft",
    "Local Settings\\Application Data\\Microsoft",
};
// clang-format on
const char* const kProgramFilesVariables[] = {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"};
const char* const kCommonFilesVariables[] = {"CommonProgramFiles", "CommonProgramFiles(x86)",
                                             "CommonProgramW6432"};
// Known folders that only have an identifier (Vista and later).
const GUID kKnownFolders[] = {
    {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}}, // Downloads
    {0xBFB9D5E0, 0xC6A9, 0x404C, {0xB2, 0xB2, 0xAE, 0x6D, 0xB6, 0xAF, 0x49, 0x68}}, // Links
    {0x4C5C32FF, 0xBB9D, 0x43B0, {0xB5, 0xB4, 0x2D, 0x72, 0xE5, 0x4E, 0xAA, 0xA4}}, // Saved Games
    {0x56784854, 0xC6CB, 0x462B, {0x81, 0x69, 0x88, 0xE3, 0x50, 0xAC, 0xB8, 0x82}}, // Contacts
    {0x7D1D3A04, 0xDEBB, 0x4115, {0x95, 0xCF, 0x2F, 0x29, 0xDA, 0x29, 0x20, 0xDA}}, // Searches
    {0xDFDF76A2, 0xC82A, 0x4D63, {0x90, 0x6A, 0x56, 0x44, 0xAC, 0x45, 0x73, 0x85}}, // Public
    {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}}, // LocalLow
    {0x5CD7AEE2,
     0x2219,
     0x4A67,
     {0xB8, 0x5D, 0x6C, 0x9C, 0xE1, 0x56, 0x60, 0xCB}}, // UserProgramFiles
};

bool IsDriveAbsolute(const std::string& path) {
    return path.size() >= 3 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           path[2] == '\\';
}

// The path with its short (8.3) parts read long; the path as it stands when the system cannot
// tell. Empty when the long form is one the code page cannot hold: "C:\Users\LUKASZ~1" of
// "Łukasz" would read as "C:\Users\Lukasz", another user's folder.
std::string LongForm(const std::string& path) {
    std::string longPath;
    const LONG rc = ExactLongPath(path, longPath);
    return rc == ERROR_SUCCESS ? longPath : rc == kInexactName ? std::string() : path;
}

// Where a link leads to a place the code page cannot name: every form of it is protected.
const char kUnnamedPlace[] = "?";

using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFn FinalPathFunction() {
    static const auto finalPath = reinterpret_cast<FinalPathFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "GetFinalPathNameByHandleW")));
    return finalPath;
}

// The place the system opens for the path, as GetFinalPathNameByHandle names it; with
// FILE_FLAG_OPEN_REPARSE_POINT a link of Windows is opened as itself. Empty when it does not
// exist or cannot be resolved; kUnnamedPlace when the code page cannot hold it.
std::string FinalPathOf(const std::string& canonical, DWORD flags) {
    const FinalPathFn finalPath = FinalPathFunction();
    if (!finalPath)
        return std::string(); // before Vista: no links to folders but junctions made by hand
    UniqueFile file(CreateFileA(canonical.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
    if (!file)
        return std::string();
    wchar_t buffer[MAX_PATH * 4];
    const DWORD capacity = MAX_PATH * 4;
    DWORD length = finalPath(file.get(), buffer, capacity, 0 /* VOLUME_NAME_DOS */);
    if (length == 0 || length >= capacity)
        return std::string();
    std::string result;
    if (!ExactAnsi(buffer, length, result))
        return kUnnamedPlace;
    if (result.compare(0, 4, "\\\\?\\") == 0)
        result.erase(0, 4);
    if (!IsDriveAbsolute(result))
        return std::string();
    while (result.size() > 3 && result.back() == '\\')
        result.pop_back();
    return result;
}

// The path with every junction and symbolic link on the way resolved ("C:\Documents and
// Settings\Jo" is "C:\Users\Jo").
std::string ResolvedPath(const std::string& canonical) { return FinalPathOf(canonical, 0); }

bool IsSameOrInside(const std::string& folder, const std::string& upperPath) {
    return folder == upperPath || (folder.size() > upperPath.size() &&
                                   folder.compare(0, upperPath.size(), upperPath) == 0 &&
                                   folder[upperPath.size()] == '\\');
}

class FolderSet {
public:
    void Add(const std::string& folder) {
        std::string canonical = CanonicalDeletePath(folder);
        if (canonical.empty())
            return;
        folders_.push_back(UpperCase(canonical));
        std::string resolved = ResolvedPath(canonical);
        if (!resolved.empty() && resolved != kUnnamedPlace && !SameText(resolved, canonical))
            folders_.push_back(UpperCase(resolved));
    }
    void AddWithChildren(const std::string& folder, const char* const* names, size_t count) {
        if (folder.empty())
            return;
        Add(folder);
        for (size_t i = 0; i < count; ++i)
            Add(folder + "\\" + names[i]);
    }
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    std::vector<std::string> folders_;
};

// Empty when the system fails or names a place the code page cannot hold: no path the program
// acts on can name it, so there is nothing to keep by that name.
std::string ExpandVariables(const std::string& text) {
    std::string expanded;
    return ExactExpandedText(text, expanded) == ERROR_SUCCESS ? expanded : std::string();
}

// A shell folder, or a variable's folder, as the system names it now; empty as above.
std::string ShellFolder(int csidl) {
    std::string path;
    return ExactFolderPath(csidl, path) == ERROR_SUCCESS ? path : std::string();
}
std::string VariableFolder(const char* name) {
    std::string value;
    return ExactEnvironmentVariable(name, value) == ERROR_SUCCESS ? value : std::string();
}

void AddSystemFolders(FolderSet& set) {
    set.AddWithChildren(GetWindowsDir(), kWindowsSubfolders, std::size(kWindowsSubfolders));
    set.AddWithChildren(GetSystemDir(), kSystemSubfolders, std::size(kSystemSubfolders));
    std::string wow;
    if (ExactSystemWow64Directory(wow) == ERROR_SUCCESS)
        set.AddWithChildren(wow, kSystemSubfolders, std::size(kSystemSubfolders));
    if (!GetWindowsDir().empty())
        set.AddWithChildren(GetWindowsDir() + "\\Sysnative", kSystemSubfolders,
                            std::size(kSystemSubfolders));
    set.Add(GetProgramFilesDir());
    set.Add(GetProgramFilesDir() + "\\Common Files");
    std::string temp;
    if (ExactTempPath(temp) == ERROR_SUCCESS)
        set.Add(temp);
    set.Add(ProgramDir());
}

void AddShellFolders(FolderSet& set) {
    for (int csidl = 0; csidl < 0x40; ++csidl)
        set.Add(ShellFolder(csidl));
    using KnownFolderFn = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
    auto known = reinterpret_cast<KnownFolderFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("shell32"), "SHGetKnownFolderPath")));
    for (const GUID& id : kKnownFolders) {
        PWSTR wide = nullptr;
        std::string path;
        if (known && SUCCEEDED(known(id, 0, nullptr, &wide)) && wide &&
            ExactAnsi(wide, wcslen(wide), path))
            set.Add(path);
        CoTaskMemFree(wide);
    }
    for (const char* name : kFolderVariables)
        set.Add(VariableFolder(name));
}

// A string value of the open key with its variables expanded; empty when missing or not text.
std::string ReadFolderValue(TRegistry& reg, const std::string& name) {
    try {
        return reg.ValueExists(name) ? ExpandVariables(reg.ReadString(name)) : std::string();
    } catch (const ERegistryException&) {
        return std::string();
    }
}

// A folder named by a string value of the open key; a value of the wrong kind names none.
void AddFolderValue(FolderSet& set, TRegistry& reg, const std::string& name) {
    set.Add(ReadFolderValue(reg, name));
}

void AddProfileFolders(FolderSet& set) {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string list = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    if (reg.OpenKeyReadOnly(list, true)) {
        for (const char* name : {"ProfilesDirectory", "AllUsersProfile", "Default", "Public"})
            AddFolderValue(set, reg, name);
        std::vector<std::string> users;
        reg.GetKeyNames(users);
        for (const std::string& user : users)
            if (reg.OpenKeyReadOnly(list + "\\" + user, true))
                AddFolderValue(set, reg, "ProfileImagePath");
    }
    const std::string profile = ShellFolder(CSIDL_PROFILE);
    if (!profile.empty())
        set.Add(ExtractFileDir(profile));
}

// Every profile folder of the machine: those the profile list names, each folder in the
// profiles folder, and the current user's.
std::vector<std::string> ProfileFolders() {
    std::vector<std::string> profiles;
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string list = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    std::string root;
    if (reg.OpenKeyReadOnly(list, true)) {
        root = ReadFolderValue(reg, "ProfilesDirectory");
        for (const char* name : {"AllUsersProfile", "Default", "Public"}) {
            const std::string value = ReadFolderValue(reg, name);
            // Before Vista these name a folder in the profiles folder.
            const bool absolute = IsDriveAbsolute(value) || root.empty();
            profiles.push_back(absolute ? value : root + "\\" + value);
        }
        std::vector<std::string> users;
        reg.GetKeyNames(users);
        for (const std::string& user : users)
            if (reg.OpenKeyReadOnly(list + "\\" + user, true))
                profiles.push_back(ReadFolderValue(reg, "ProfileImagePath"));
    }
    WIN32_FIND_DATAA data;
    UniqueFind find(root.empty() ? INVALID_HANDLE_VALUE
                                 : FindFirstExactFile(root + "\\*", data));
    if (find)
        do {
            const std::string name = data.cFileName;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                profiles.push_back(root + "\\" + name);
        } while (FindNextExactFile(find.get(), data));
    profiles.push_back(ShellFolder(CSIDL_PROFILE));
    return profiles;
}

// The "Microsoft" trees of every profile's application data and of ProgramData, also where
// the shell folders point elsewhere.
void AddWindowsDataFolders(FolderSet& set) {
    for (const std::string& profile : ProfileFolders())
        if (!Trim(profile).empty())
            for (const char* name : kProfileDataFolders)
                set.Add(profile + "\\" + name);
    std::vector<std::string> data;
    for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA})
        data.push_back(ShellFolder(csidl));
    for (const char* name : {"APPDATA", "LOCALAPPDATA", "ProgramData", "ALLUSERSPROFILE"})
        data.push_back(VariableFolder(name));
    for (const std::string& folder : data)
        if (!Trim(folder).empty())
            set.Add(folder + "\\Microsoft");
}

// Collected once: the folders do not move while the program runs. The collection may still
// run on its own thread when the program ends (see FileGuardReady), so the set is never
// destroyed: exit's destructors must not free it under that thread.
const std::vector<std::string>& ProtectedFolders() {
    static const FolderSet* const set = [] {
        auto* folders = new FolderSet;
        AddSystemFolders(*folders);
        AddShellFolders(*folders);
        AddProfileFolders(*folders);
        return folders;
    }();
    return set->Folders();
}

// Collected once, like the protected folders: the component folders of each Program Files
// folder and Windows' data folders.
const std::vector<std::string>& WindowsComponentFolders() {
    static const FolderSet set = [] {
        std::vector<std::string> programs{GetProgramFilesDir()}, common;
        for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86})
            programs.push_back(ShellFolder(csidl));
        for (const char* name : kProgramFilesVariables)
            programs.push_back(VariableFolder(name));
        for (const char* name : kCommonFilesVariables)
            common.push_back(VariableFolder(name));
        const std::string commonPrefix = "Common Files\\";
        FolderSet folders;
        for (const char* name : kWindowsComponentFolders) {
            const std::string component = name;
            for (const std::string& base : programs)
                if (!Trim(base).empty())
                    folders.Add(base + "\\" + component);
            if (component.compare(0, commonPrefix.size(), commonPrefix) == 0)
                for (const std::string& base : common)
                    if (!Trim(base).empty())
                        folders.Add(base + "\\" + component.substr(commonPrefix.size()));
        }
        AddWindowsDataFolders(folders);
        return folders;
    }();
    return set.Folders();
}

} // namespace

std::string CanonicalDeletePath(const std::string& path) {
    std::string text = Trim(path);
    for (char& c : text)
        if (c == '/')
            c = '\\';
    // "\\?\", "\\.\" and network paths are not what an uninstaller deletes; "C:name" is
    // relative to the drive's current folder.
    if (!IsDriveAbsolute(text))
        return std::string();
    std::string full;
    if (ExactFullPath(text, full) != ERROR_SUCCESS)
        return std::string();
    std::string result = LongForm(full);
    if (!IsDriveAbsolute(result))
        return std::string();
    while (result.size() > 3 && result.back() == '\\')
        result.pop_back();
    return result;
}

namespace {

// The path as written and the place it leads to after links, upper case; both must be free.
std::vector<std::string> GuardForms(const std::string& canonical) {
    std::vector<std::string> forms{UpperCase(canonical)};
    const std::string resolved = ResolvedPath(canonical);
    if (!resolved.empty())
        forms.push_back(UpperCase(resolved));
    return forms;
}

// Protected folders whose files each belong to one program: the program's own folder (its
// logs and downloads), the Start menu's and the startup folders' shortcuts. A file directly in
// one of them may go; the folder itself never does.
std::vector<std::string> FoldersOfSingleOwners() {
    std::vector<std::string> folders{UpperCase(CanonicalDeletePath(ProgramDir()))};
    for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_ALTSTARTUP,
                      CSIDL_COMMON_ALTSTARTUP, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
                      CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU}) {
        const std::string path = ShellFolder(csidl);
        if (!path.empty())
            folders.push_back(UpperCase(CanonicalDeletePath(path)));
    }
    return folders;
}

bool AtOrBelowComponentFolder(const std::string& upperForm) {
    for (const std::string& component : WindowsComponentFolders())
        if (IsSameOrInside(upperForm, component))
            return true;
    return false;
}

// The long form of the deepest part of path that exists, followed by the rest as written, so
// that a short spelling of an existing folder is read as the folder also below it.
std::string LongFormOfExistingPart(const std::string& path) {
    std::string head = path, tail;
    while (head.size() > 3) {
        if (GetFileAttributesA(head.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const std::string longHead = LongForm(head);
            return longHead.empty() ? std::string() : longHead + tail;
        }
        const size_t slash = head.find_last_of('\\');
        if (slash == std::string::npos)
            break;
        tail = head.substr(slash) + tail;
        head.erase(slash);
    }
    return path;
}

bool AtOrBelowWindows(const std::string& upperForm) {
    static const std::string* const windows =
        new std::string(UpperCase(CanonicalDeletePath(GetWindowsDir()))); // never destroyed
    return !windows->empty() && IsSameOrInside(upperForm, *windows);
}

// The path rule on one upper-case form: a drive root, the Windows folder and what it holds, and
// every protected folder and what holds one.
bool IsProtectedForm(const std::string& form) {
    if (form.size() <= 3 || AtOrBelowWindows(form))
        return true;
    for (const std::string& folder : ProtectedFolders())
        if (IsSameOrInside(folder, form))
            return true;
    return false;
}

const std::vector<std::string>& OwnFileFolders() {
    static const auto* const folders =
        new std::vector<std::string>(FoldersOfSingleOwners()); // never destroyed
    return *folders;
}

// The path rule, and a file directly in a protected folder (unless its files each belong to
// one program), on the upper-case forms of one file.
bool IsProtectedFileForms(const std::vector<std::string>& forms) {
    const std::vector<std::string>& ownFiles = OwnFileFolders();
    for (const std::string& form : forms) {
        if (IsProtectedForm(form))
            return true;
        const std::string parent = form.substr(0, form.find_last_of('\\'));
        if (std::find(ownFiles.begin(), ownFiles.end(), parent) != ownFiles.end())
            continue;
        for (const std::string& folder : ProtectedFolders())
            if (folder == parent)
                return true;
    }
    return false;
}

// Upper-cased long form without trailing separators, "/" read as "\".
std::string ComparableFolder(const std::string& folder) {
    std::string canonical = CanonicalDeletePath(folder);
    if (canonical.empty()) {
        canonical = Trim(folder);
        for (char& c : canonical)
            if (c == '/')
                c = '\\';
    } else {
        canonical = LongFormOfExistingPart(canonical);
    }
    while (canonical.size() > 3 && canonical.back() == '\\')
        canonical.pop_back();
    return UpperCase(canonical);
}

// Not started, being collected, collected.
enum GuardCollection { kNotCollected, kCollecting, kCollected };
std::atomic<int> guardCollection{kNotCollected};

void CollectGuardFolders() {
    try {
        ProtectedFolders();
        OwnFileFolders();
        AtOrBelowWindows(std::string());
    } catch (...) {
        // Left to the first check, which collects again and meets the fault itself.
    }
    guardCollection = kCollected;
}

} // namespace

bool FileGuardReady() {
    int expected = kNotCollected;
    if (guardCollection.compare_exchange_strong(expected, kCollecting)) {
        try {
            std::thread(CollectGuardFolders).detach();
        } catch (const std::system_error&) {
            CollectGuardFolders(); // no thread to spare: collected here, at once
        }
    }
    return guardCollection.load() == kCollected;
}

bool IsProtectedPath(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.size() <= 3)
        return true; // not absolute, or a drive root
    for (const std::string& form : GuardForms(canonical))
        if (IsProtectedForm(form))
            return true;
    return false;
}

bool IsProtectedFile(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.size() <= 3)
        return true;
    return IsProtectedFileForms(GuardForms(canonical));
}

FolderFileGuard::FolderFileGuard(const std::string& folder) : folder_(folder) {
    // "C:" and "C:\Foo" alike: the folder with its separator reads as the start of each path.
    const std::string canonical = CanonicalDeletePath(folder + "\\");
    if (canonical.empty())
        return;
    std::vector<std::string> forms{canonical};
    if (FinalPathFunction()) {
        forms.push_back(ResolvedPath(canonical));
        if (forms.back().empty() || forms.back() == kUnnamedPlace)
            return; // where the folder leads is unknown here: each file is asked on its own
    }
    for (const std::string& form : forms)
        upperForms_.push_back(UpperCase(form.back() == '\\' ? form : form + "\\"));
}

bool FolderFileGuard::IsProtectedEntry(const std::string& name, DWORD attributes) const {
    // A link leads elsewhere; a name ending in a blank or "." is read without it.
    const bool plain = !name.empty() && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                       static_cast<unsigned char>(name.back()) > ' ' && name.back() != '.' &&
                       name.find_first_of("\\/") == std::string::npos;
    if (upperForms_.empty() || !plain)
        return IsProtectedFile(folder_ + "\\" + name);
    const std::string upperName = UpperCase(name);
    std::vector<std::string> forms;
    for (const std::string& folder : upperForms_)
        forms.push_back(folder + upperName);
    return IsProtectedFileForms(forms);
}

bool HoldsProtectedFolder(const std::string& folder) {
    const std::string canonical = CanonicalDeletePath(folder);
    if (canonical.size() <= 3)
        return true;
    for (const std::string& form : GuardForms(canonical))
        for (const std::string& protectedFolder : ProtectedFolders())
            if (IsSameOrInside(protectedFolder, form))
                return true;
    return false;
}

bool IsBelowWindowsFolder(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty())
        return false;
    for (const std::string& form : GuardForms(canonical))
        if (AtOrBelowWindows(form))
            return true;
    return false;
}

bool IsRefusedForceFolder(const std::string& folder) {
    const std::string upper = ComparableFolder(folder);
    if (upper.size() <= 3)
        return true;
    if (AtOrBelowWindows(upper) || IsProtectedPath(upper))
        return true;
    // Past the guard every path here is absolute: its place after links counts as well.
    for (const std::string& form : GuardForms(upper))
        if (AtOrBelowComponentFolder(form))
            return true;
    return false;
}

bool IsWindowsComponentPath(const std::string& path) {
    const std::string upper = ComparableFolder(path);
    if (upper.size() <= 3 || !IsDriveAbsolute(upper))
        return false;
    if (AtOrBelowWindows(upper))
        return true;
    for (const std::string& form : GuardForms(upper))
        if (AtOrBelowWindows(form) || AtOrBelowComponentFolder(form))
            return true;
    return false;
}

bool LeadsToItself(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    const size_t slash = canonical.find_last_of('\\');
    if (canonical.size() <= 3 || slash == std::string::npos)
        return false;
    if (!FinalPathFunction())
        return true; // before Vista: no file links, and junctions carry their attribute
    // The folder is resolved, so a link further up (C:\Documents and Settings) does not count;
    // the entry is opened as itself where the system can, so a link of Windows names itself.
    const std::string folder = ResolvedPath(canonical.substr(0, slash == 2 ? 3 : slash));
    const std::string own = FinalPathOf(canonical, FILE_FLAG_OPEN_REPARSE_POINT);
    if (folder.empty() || own.empty())
        return false;
    const std::string name = canonical.substr(slash + 1);
    return SameText(own, folder.back() == '\\' ? folder + name : folder + "\\" + name);
}

bool IsRefusedForceProgramFile(const std::string& path) {
    const std::string file = Trim(path);
    return file.empty() || IsRefusedForceFolder(ExtractFileDir(file));
}

} // namespace ku
