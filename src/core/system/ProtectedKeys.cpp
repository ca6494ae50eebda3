// The registry half of the delete guard: which keys and values are never deleted.
#include "core/system/DeleteHelpers.h"

#include <vector>

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

// Keys whose whole tree, every subkey and every value in it, belongs to Windows: time zones,
// logon, the session manager with the machine's environment, the shell folders, the security
// hives. "Environment" is a user's own variables.
const char* const kProtectedTrees[] = {
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
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
    "WinDefend", "EventSystem", "LSM", "gpsvc",
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

// A core service's own key and the keys right below it (Parameters, an event log) are
// Windows'; what programs register deeper down (an event source of their own) is theirs. The
// two CurrentVersion keys reach no deeper than their own values.
const std::vector<ProtectedTree>& ProtectedTrees() {
    static const std::vector<ProtectedTree> trees = [] {
        std::vector<ProtectedTree> all;
        for (const char* key : kProtectedTrees)
            all.push_back({SplitKey(key), std::string::npos});
        for (const char* service : kCoreServices)
            all.push_back({{"SYSTEM", "CurrentControlSet", "Services", service}, 1});
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

bool IsProtectedParts(HKEY root, const Parts& parts) {
    if (!IsKnownRoot(root))
        return true;
    // The node itself holds the whole 32-bit view of its parent.
    if (!parts.empty() && SameText(parts.back(), "Wow6432Node"))
        return true;
    Parts logical;
    if (!LogicalKey(root, parts, logical))
        return true;
    if (logical.size() < 2 || InProtectedTree(logical))
        return true;
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
    if (!IsKnownRoot(root) || parts.empty())
        return true;
    if (valueName.empty() && IsProtectedParts(root, parts))
        return true;
    if (InProtectedTree(LogicalParts(root, parts)))
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
    if (trimmed.empty())
        return true;
    for (const char* service : kCoreServices)
        if (SameText(trimmed, service))
            return true;
    return false;
}

// The key path the deleters pass on: the names the guard looked at, joined again.
std::string CleanKeyPath(const std::string& keyPath) {
    std::string joined;
    for (const std::string& part : SplitKey(keyPath))
        joined += (joined.empty() ? "" : "\\") + part;
    return joined;
}

} // namespace ku
