// The registry half of the delete guard: which keys and values are never deleted.
#include "core/system/DeleteHelpers.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Shared keys that many programs and Windows itself keep their entries in. Every key that
// holds one of these is protected as well, so the list names only the deepest ones. Paths
// are relative to a machine or user root; HKEY_CLASSES_ROOT is SOFTWARE\Classes.
const char* const kSharedKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    "SOFTWARE\\Microsoft\\Installer\\Products",
    "SOFTWARE\\Microsoft\\Installer\\Features",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components",
    "SOFTWARE\\Classes\\CLSID",
    "SOFTWARE\\Classes\\Interface",
    "SOFTWARE\\Classes\\TypeLib",
    "SOFTWARE\\Classes\\AppID",
    "SOFTWARE\\Classes\\Installer\\Products",
    "SOFTWARE\\Classes\\Installer\\Features",
    "SOFTWARE\\Classes\\Installer\\Components",
    "SOFTWARE\\Classes\\*\\shellex\\ContextMenuHandlers",
    "SOFTWARE\\Classes\\Directory\\shellex\\ContextMenuHandlers",
    "SOFTWARE\\Classes\\Directory\\shell",
    "SOFTWARE\\Classes\\Folder\\shell",
    "SOFTWARE\\Classes\\exefile\\shell\\open\\command",
    "SOFTWARE\\Classes\\http\\shell\\open\\command",
    "SOFTWARE\\Classes\\.exe",
    // The classes root's own lists, which hold no class themselves: content types and code
    // pages, protocol handlers and filters, categories, the shell's classes of all files.
    "SOFTWARE\\Classes\\MIME\\Database\\Content Type",
    "SOFTWARE\\Classes\\MIME\\Database\\Codepage",
    "SOFTWARE\\Classes\\MIME\\Database\\Charset",
    "SOFTWARE\\Classes\\MIME\\Database\\Rfc1766",
    "SOFTWARE\\Classes\\PROTOCOLS\\Handler",
    "SOFTWARE\\Classes\\PROTOCOLS\\Filter",
    "SOFTWARE\\Classes\\PROTOCOLS\\Name-Space Handler",
    "SOFTWARE\\Classes\\Component Categories",
    "SOFTWARE\\Classes\\SystemFileAssociations",
    "SOFTWARE\\Classes\\Applications",
    "SOFTWARE\\Classes\\AllFilesystemObjects",
    "SOFTWARE\\Classes\\Drive",
    "SOFTWARE\\Classes\\Unknown",
    "SOFTWARE\\Classes\\Record",
    "SOFTWARE\\Classes\\Local Settings",
    "SOFTWARE\\Policies",
    "SYSTEM\\CurrentControlSet\\Services",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
    "SYSTEM\\CurrentControlSet\\Hardware Profiles",
    "SYSTEM\\MountedDevices",
    "SYSTEM\\Setup",
    "SAM\\SAM",
    "SECURITY\\Policy",
    "HARDWARE\\DESCRIPTION",
    "Control Panel\\Desktop",
};

// Keys whose whole tree, every subkey and every value in it, belongs to Windows: the
// machine's cryptography, the session manager with the machine's environment, the shell
// folders, the security hives. "Environment" is a user's own variables.
const char* const kProtectedTrees[] = {
    "SOFTWARE\\Microsoft\\Cryptography",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
    "SYSTEM\\CurrentControlSet\\Control\\Lsa",
    "SYSTEM\\CurrentControlSet\\Control\\Nls",
    "SYSTEM\\CurrentControlSet\\Control\\SafeBoot",
    "SYSTEM\\MountedDevices",
    "SYSTEM\\Setup",
    "SAM",
    "SECURITY",
    "HARDWARE",
    "Environment",
};

// The subkeys of Windows NT\CurrentVersion that Windows keeps, each a whole tree: service
// groups, the debugger and the programs' image options, drivers and codecs, fonts, logon,
// profiles, time zones, networks, tasks, printing, performance counters, ini mapping.
// clang-format off
const char* const kWindowsNtKeys[] = {
    "SvcHost", "AeDebug", "Drivers32", "Drivers", "drivers.desc", "Userinstallable.drivers",
    "Image File Execution Options", "Winlogon", "Windows", "Fonts", "FontSubstitutes",
    "FontLink", "FontMapper", "FontDPI", "GRE_Initialize", "ProfileList", "Time Zones",
    "NetworkList", "NetworkCards", "Schedule", "Print", "Ports", "Devices", "PrinterPorts",
    "Perflib", "IniFileMapping", "SystemRestore", "Terminal Server", "Console", "MCI",
    "MCI32", "MCI Extensions", "WOW", "EFS", "SeCEdit", "SoftwareProtectionPlatform",
    "Superfetch",
};
// clang-format on

// Keys whose own values are Windows' (the program-files folders, the product name and
// version ...), while their subkeys are judged on their own.
const char* const kProtectedValueKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
};

// Services Windows cannot run without; their keys are never deleted and the service
// functions neither stop nor delete them.
// clang-format off
const char* const kCoreServices[] = {
    "RpcSs", "RpcEptMapper", "DcomLaunch", "EventLog", "PlugPlay", "LanmanServer",
    "LanmanWorkstation", "Tcpip", "Dhcp", "Dnscache", "Winmgmt", "CryptSvc", "Schedule", "BFE",
    "MpsSvc", "SamSs", "ProfSvc", "Power", "AudioSrv", "nsi", "Afd", "NetBT", "disk", "volmgr",
    "partmgr", "ACPI", "pci", "Ntfs", "mountmgr", "Winlogon", "TrustedInstaller", "wuauserv",
    "WinDefend", "EventSystem", "LSM", "gpsvc", "KSecDD", "CNG", "NDIS", "Tdx", "Mup", "FltMgr",
    "volsnap", "Wdf01000", "atapi", "CLFS", "HTTP", "Netlogon",
};
// clang-format on

struct ProtectedValue {
    const char* key;
    const char* name;
};

// Values whose loss leaves Windows unable to log on or start programs.
const ProtectedValue kSystemValues[] = {
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit"},
    {"SYSTEM\\CurrentControlSet\\Control\\Session Manager", "BootExecute"},
    {"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "Path"},
    {"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "ComSpec"},
};

using Parts = std::vector<std::string>;

bool IsKnownRoot(HKEY root) {
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS || root == HKEY_CURRENT_CONFIG;
}

// The key path as its names, with empty names (doubled or outer "\") dropped.
Parts SplitKey(const std::string& keyPath) {
    Parts parts;
    for (const std::string& part : SplitString(Trim(keyPath), '\\'))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

bool IsControlSet(const std::string& name) {
    // ControlSet001, ControlSet002 ...: the same keys CurrentControlSet links to.
    return name.size() == 13 && StartsText(name, "ControlSet") &&
           name.find_first_not_of("0123456789", 10) == std::string::npos;
}

// Maps the key to the path it has below a machine or user root, so one table serves every
// root: HKEY_CLASSES_ROOT and a user's "_Classes" hive are SOFTWARE\Classes, a user of
// HKEY_USERS is HKEY_CURRENT_USER, the 32-bit view's Wow6432Node is left out, and numbered
// control sets count as CurrentControlSet.
Parts LogicalParts(HKEY root, Parts parts) {
    bool classes = root == HKEY_CLASSES_ROOT;
    if (root == HKEY_USERS && !parts.empty()) {
        classes = EndsText(parts.front(), "_Classes");
        parts.erase(parts.begin());
    }
    if (classes && !parts.empty())
        parts.insert(parts.begin(), {"SOFTWARE", "Classes"});
    Parts logical;
    for (const std::string& part : parts)
        if (!SameText(part, "Wow6432Node"))
            logical.push_back(part);
    if (logical.size() >= 2 && SameText(logical[0], "SYSTEM") && IsControlSet(logical[1]))
        logical[1] = "CurrentControlSet";
    return logical;
}

// The same, false when fewer than two names remain below the root (a root or a key directly
// below it).
bool LogicalKey(HKEY root, const Parts& parts, Parts& logical) {
    const size_t own = root == HKEY_USERS ? parts.size() - (parts.empty() ? 0 : 1) : parts.size();
    if (own < 2)
        return false;
    logical = LogicalParts(root, parts);
    return true;
}

// True when `key` equals `shared` or holds it (is a leading part of it).
bool IsSameOrParent(const Parts& key, const Parts& shared) {
    if (key.size() > shared.size())
        return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (!SameText(key[i], shared[i]))
            return false;
    return true;
}

const std::vector<Parts>& SharedKeyParts() {
    static const std::vector<Parts> parts = [] {
        std::vector<Parts> all;
        for (const char* key : kSharedKeys)
            all.push_back(SplitKey(key));
        return all;
    }();
    return parts;
}

// A protected tree and how deep below its top it reaches (npos: all of it).
struct ProtectedTree {
    Parts top;
    size_t depth;
};

// The two CurrentVersion keys reach no deeper than their own values.
const std::vector<ProtectedTree>& ProtectedTrees() {
    static const std::vector<ProtectedTree> trees = [] {
        std::vector<ProtectedTree> all;
        for (const char* key : kProtectedTrees)
            all.push_back({SplitKey(key), std::string::npos});
        for (const char* key : kWindowsNtKeys)
            all.push_back({{"SOFTWARE", "Microsoft", "Windows NT", "CurrentVersion", key},
                           std::string::npos});
        for (const char* key : kProtectedValueKeys)
            all.push_back({SplitKey(key), 0});
        return all;
    }();
    return trees;
}

// True when the key lies in one of the protected trees, or is the top of one.
bool InProtectedTree(const Parts& logical) {
    for (const ProtectedTree& tree : ProtectedTrees())
        if (logical.size() >= tree.top.size() && logical.size() - tree.top.size() <= tree.depth &&
            IsSameOrParent(Parts(logical.begin(), logical.begin() + tree.top.size()), tree.top))
            return true;
    return false;
}

// The service's program as its "ImagePath" names it, in the form Windows reads it: quotes
// and arguments dropped, variables expanded, "\??\" and "\SystemRoot\" read, a relative path
// below the Windows folder. Empty when the expanded path holds a name the code page cannot hold.
std::string ServiceProgram(const std::string& imagePath) {
    std::string text;
    const LONG expanded = ExactExpandedText(imagePath, text);
    if (expanded == kInexactName)
        return std::string();
    if (expanded != ERROR_SUCCESS)
        text = imagePath;
    text = Trim(text);
    if (StartsText(text, "\"")) {
        text = text.substr(1, text.find('"', 1) == std::string::npos ? std::string::npos
                                                                     : text.find('"', 1) - 1);
    } else {
        const std::string upper = UpperCase(text);
        for (size_t at = upper.find(".EXE"); at != std::string::npos;
             at = upper.find(".EXE", at + 1))
            if (at + 4 == upper.size() || upper[at + 4] == ' ') {
                text.resize(at + 4);
                break;
            }
    }
    if (StartsText(text, "\\??\\"))
        text = text.substr(4);
    const std::string windows = RemoveTrailingBackslash(GetWindowsDir());
    if (StartsText(text, "\\SystemRoot\\"))
        return windows + text.substr(11);
    if (text.size() < 3 || text[1] != ':')
        return windows + "\\" + (StartsText(text, "\\") ? text.substr(1) : text);
    return text;
}

// What a service's key says of it: whether it is there, its type and its program.
struct ServiceKeyFacts {
    bool exists = false, changed = false, hasType = false, hasImage = false;
    DWORD type = 0;
    std::string imagePath;
};

ServiceKeyFacts ReadServiceKey(const std::string& controlSet, const std::string& service) {
    ServiceKeyFacts facts;
    UniqueKey key;
    const std::string path = "SYSTEM\\" + controlSet + "\\Services\\" + service;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS)
        return facts;
    facts.exists = true;
    DWORD type = REG_NONE, size = sizeof facts.type;
    // exact-text: a number, no text
    facts.hasType = RegQueryValueExA(key.get(), "Type", nullptr, &type,
                                     reinterpret_cast<BYTE*>(&facts.type), &size) == ERROR_SUCCESS;
    if (facts.hasType && type != REG_DWORD)
        facts.type = 0;
    const LONG rc = RegQueryStringExact(key.get(), "ImagePath", facts.imagePath);
    if (rc == ERROR_FILE_NOT_FOUND)
        return facts;
    facts.hasImage = true;
    // Changed under our eyes, or a program the code page cannot name (which may be Windows'
    // own): not a key to delete now.
    if (rc != ERROR_SUCCESS && rc != ERROR_INVALID_DATATYPE)
        facts.changed = true;
    return facts;
}

// The file as a 64-bit reader sees it: a 32-bit program under WOW64 reaches the system folder
// through "Sysnative" (System32 would be read as SysWOW64, without the drivers).
std::string NativeFile(const std::string& path) {
    std::string wow64;
    const std::string system = RemoveTrailingBackslash(GetSystemDir());
    if (ExactSystemWow64Directory(wow64) != ERROR_SUCCESS || system.empty() ||
        !StartsText(path, system + "\\"))
        return path;
    return RemoveTrailingBackslash(GetWindowsDir()) + "\\Sysnative" + path.substr(system.size());
}

// True when the file names Windows' or Wine's maker: its version information gives
// "Microsoft" as the company, or it is one of the files Wine itself puts in place (marked
// "Wine builtin DLL" or "Wine placeholder DLL" after their DOS header).
bool IsWindowsMakersFile(const std::string& path) {
    const std::string file = NativeFile(path);
    UniqueFile handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return false;
    char header[0x60] = {};
    DWORD read = 0;
    if (ReadFile(handle.get(), header, sizeof header, &read, nullptr) && read == sizeof header &&
        (std::memcmp(header + 0x40, "Wine builtin DLL", 16) == 0 ||
         std::memcmp(header + 0x40, "Wine placeholder DLL", 20) == 0))
        return true;
    handle.reset();
    // The version texts by their wide forms: a company the code page cannot hold is not
    // "Microsoft" under its best-fit form.
    const std::wstring wideFile = WideFromAnsi(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wideFile.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(wideFile.c_str(), 0, size, data.data()))
        return false;
    std::vector<std::string> blocks{"040904B0", "040904E4", "04090000"};
    WORD* pairs = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs),
                       &length) &&
        pairs)
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            char block[9];
            wsprintfA(block, "%04X%04X", pairs[i], pairs[i + 1]);
            blocks.insert(blocks.begin(), block);
        }
    for (const std::string& block : blocks) {
        wchar_t* company = nullptr;
        const std::wstring query = WideFromAnsi("\\StringFileInfo\\" + block + "\\CompanyName");
        std::string text;
        if (VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&company),
                           &length) &&
            company && length > 0)
            return ExactAnsi(company, wcsnlen(company, length), text) &&
                   StartsText(Trim(text), "Microsoft");
    }
    return false;
}

// True when the service's key in that control set is Windows' own: a key with neither a type
// nor a program is no service at all (the Winsock catalogs below Services); a service run by
// svchost.exe anywhere or by an .exe in the Windows folder or one of Windows' component
// folders ("Windows Media Player", "Windows Defender" ...); a driver whose file (its
// "ImagePath", else the drivers folder's "<name>.sys") names Windows' or Wine's maker. A
// vendor's driver is none of these.
bool RunsWindowsProgram(const std::string& controlSet, const std::string& service) {
    const ServiceKeyFacts facts = ReadServiceKey(controlSet, service);
    if (!facts.exists)
        return false;
    if (facts.changed || (!facts.hasType && !facts.hasImage))
        return true; // changed under our eyes: not a key to delete now
    const bool driver = (facts.type & (SERVICE_DRIVER | SERVICE_ADAPTER)) != 0;
    std::string program;
    if (!Trim(facts.imagePath).empty()) {
        program = ServiceProgram(facts.imagePath);
        if (program.empty())
            return true; // expands to a name the code page cannot hold: may be Windows' own
    } else if (driver)
        program =
            RemoveTrailingBackslash(GetWindowsDir()) + "\\System32\\drivers\\" + service + ".sys";
    if (program.empty())
        return false;
    if (SameText(ExtractFileName(program), "svchost.exe") ||
        (EndsText(program, ".exe") && IsWindowsComponentPath(program)))
        return true;
    return (driver || EndsText(program, ".sys")) && IsWindowsMakersFile(program);
}

bool IsWindowsServiceIn(const std::string& controlSet, const std::string& service) {
    return IsProtectedService(service) ||
           (!SameText(controlSet, "CurrentControlSet") && RunsWindowsProgram(controlSet, service));
}

// The control set as the path spells it (ControlSet001 or CurrentControlSet).
std::string SpelledControlSet(const Parts& parts) {
    Parts own;
    for (const std::string& part : parts)
        if (!SameText(part, "Wow6432Node"))
            own.push_back(part);
    return own.size() >= 2 ? own[1] : std::string();
}

// All of HKLM\SYSTEM is Windows' but a service's own key and its legacy device entry, when
// the service is not Windows' own.
bool IsWindowsSystemKey(const Parts& logical, const Parts& parts) {
    if (logical.size() < 4 || !SameText(logical[1], "CurrentControlSet"))
        return true;
    const std::string controlSet = SpelledControlSet(parts);
    if (SameText(logical[2], "Services"))
        return IsWindowsServiceIn(controlSet, logical[3]);
    const std::string legacy = logical.size() >= 5 ? logical[4] : std::string();
    if (SameText(logical[2], "Enum") && SameText(logical[3], "Root") &&
        StartsText(legacy, "LEGACY_") && legacy.size() > 7)
        return IsWindowsServiceIn(controlSet, legacy.substr(7));
    return true;
}

bool IsMachineSystemKey(HKEY root, const Parts& logical) {
    return root == HKEY_LOCAL_MACHINE && !logical.empty() && SameText(logical[0], "SYSTEM");
}

// A name of dots alone is no key of its own: whatever reads it as "the key above" must not
// be led out of the key the path seems to name.
bool HasDotsPart(const Parts& parts) {
    for (const std::string& part : parts)
        if (Trim(part).find_first_not_of('.') == std::string::npos)
            return true;
    return false;
}

bool IsProtectedParts(HKEY root, const Parts& parts) {
    if (!IsKnownRoot(root) || root == HKEY_CURRENT_CONFIG || HasDotsPart(parts))
        return true;
    // The node itself holds the whole 32-bit view of its parent.
    if (!parts.empty() && SameText(parts.back(), "Wow6432Node"))
        return true;
    Parts logical;
    if (!LogicalKey(root, parts, logical))
        return true;
    if (logical.size() < 2 || InProtectedTree(logical))
        return true;
    if (IsMachineSystemKey(root, logical))
        return IsWindowsSystemKey(logical, parts);
    for (const Parts& shared : SharedKeyParts())
        if (IsSameOrParent(logical, shared))
            return true;
    for (const ProtectedTree& tree : ProtectedTrees())
        if (IsSameOrParent(logical, tree.top))
            return true;
    return false;
}

} // namespace

bool IsProtectedRegistryKey(HKEY root, const std::string& keyPath) {
    return IsProtectedParts(root, SplitKey(keyPath));
}

bool IsProtectedRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    const Parts parts = SplitKey(keyPath);
    if (!IsKnownRoot(root) || root == HKEY_CURRENT_CONFIG || parts.empty() || HasDotsPart(parts))
        return true;
    if (valueName.empty() && IsProtectedParts(root, parts))
        return true;
    const Parts all = LogicalParts(root, parts);
    if (InProtectedTree(all) || (IsMachineSystemKey(root, all) && IsWindowsSystemKey(all, parts)))
        return true;
    Parts logical;
    if (!LogicalKey(root, parts, logical))
        return false;
    for (const ProtectedValue& value : kSystemValues)
        if (SameText(valueName, value.name) && logical.size() == SplitKey(value.key).size() &&
            IsSameOrParent(logical, SplitKey(value.key)))
            return true;
    return false;
}

bool IsProtectedService(const std::string& name) {
    const std::string trimmed = Trim(name);
    if (trimmed.empty() || trimmed.find('\\') != std::string::npos)
        return true;
    for (const char* service : kCoreServices)
        if (SameText(trimmed, service))
            return true;
    return RunsWindowsProgram("CurrentControlSet", trimmed);
}

// The key path the deleters pass on: the names the guard looked at, joined again.
std::string CleanKeyPath(const std::string& keyPath) {
    std::string joined;
    for (const std::string& part : SplitKey(keyPath))
        joined += (joined.empty() ? "" : "\\") + part;
    return joined;
}

} // namespace ku
