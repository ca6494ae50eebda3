// The registry delete guard: every refused key is tried for real with a probe below it, and
// the probe is still there afterwards; deletable keys and values do go.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::RawCreateKey;
using kutest::RawDeleteTree;
using kutest::RawKeyExists;

namespace {

const REGSAM kView = KEY_WOW64_64KEY;

std::string Unique(const std::string& name) {
    return name + "_" + std::to_string(GetCurrentProcessId());
}

struct KeyCase {
    HKEY root;
    std::string path;
};

std::string Describe(const KeyCase& c) {
    return (c.root == HKEY_LOCAL_MACHINE  ? "HKLM\\"
            : c.root == HKEY_CURRENT_USER ? "HKCU\\"
            : c.root == HKEY_CLASSES_ROOT ? "HKCR\\"
                                          : "HKU\\") +
           c.path;
}

} // namespace

TEST(RegistryGuard, SharedKeysRootsAndTopLevelKeysAreNeverDeleted) {
    const std::string top = Unique("KelvaneTopLevel");
    const KeyCase refused[] = {
        {HKEY_CURRENT_USER, ""},
        {HKEY_CURRENT_USER, "\\"},
        {HKEY_CURRENT_USER, top},
        {HKEY_CURRENT_USER, "\\" + top + "\\"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE"},
        {HKEY_CURRENT_USER, "Software"},
        {HKEY_CURRENT_USER, "software\\microsoft\\windows\\currentversion"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {HKEY_CURRENT_USER, "Software\\\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Interface"},
        {HKEY_CURRENT_USER, "Software\\Classes\\TypeLib"},
        {HKEY_CLASSES_ROOT, "CLSID"},
        {HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft"},
        {HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\RpcSs"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\eventlog"},
        {HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18"},
        {HKEY_USERS, ".DEFAULT"},
        {HKEY_USERS, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    };
    const std::string probe = Unique("KelvaneGuardProbe");
    for (const KeyCase& c : refused) {
        SCOPED_TRACE(Describe(c));
        const std::string parent = CleanKeyPath(c.path);
        const std::string probePath = parent.empty() ? probe : parent + "\\" + probe;
        RawCreateKey(c.root, probePath, kView);
        EXPECT_TRUE(IsProtectedRegistryKey(c.root, c.path));
        EXPECT_FALSE(DeleteRegistryKey(c.root, c.path));
        EXPECT_TRUE(RawKeyExists(c.root, probePath, kView)) << "something was deleted";
        RawDeleteTree(c.root, probePath, kView);
    }
    RawDeleteTree(HKEY_CURRENT_USER, top, kView);
}

TEST(RegistryGuard, ProgramKeysBelowSharedKeysAreDeletableUnknownRootsNot) {
    const struct {
        HKEY root;
        const char* path;
        bool refused;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", false},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Acme", false},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme",
         false},
        {HKEY_CLASSES_ROOT, "CLSID\\{0}", false},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\AcmeSvc", false},
        {HKEY_USERS, "S-1-5-21-1\\Software\\Acme", false},
        {HKEY_USERS, "S-1-5-21-1_Classes\\CLSID\\{0}", false},
        // A single key below a root is refused, also for the classes roots.
        {HKEY_CLASSES_ROOT, ".acme", true},
        {HKEY_USERS, "S-1-5-21-1_Classes", true},
        {HKEY_USERS, "S-1-5-21-1_Classes\\Acme.Document", true},
        {HKEY_USERS, "S-1-5-21-1_Classes\\CLSID", true},
        {nullptr, "Software\\Acme\\App", true},
        {HKEY_PERFORMANCE_DATA, "Software\\Acme\\App", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.refused) << c.path;
    EXPECT_FALSE(DeleteRegistryKey(nullptr, "Software\\Acme\\App"));
    EXPECT_FALSE(DeleteRegistryValue(nullptr, "Software\\Acme", "x"));

    const std::string uninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Unique("KelvaneApp");
    RawCreateKey(HKEY_CURRENT_USER, uninstall + "\\Sub\\Deeper", kView);
    kutest::RawSetString(HKEY_CURRENT_USER, uninstall + "\\Sub", "v", "x", kView);
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CURRENT_USER, "\\" + uninstall));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, uninstall, kView));
    EXPECT_FALSE(DeleteRegistryKey(HKEY_CURRENT_USER, uninstall)) << "already gone";
}

TEST(RegistryGuard, EachDeleteActsInItsOwnViewOnly) {
    // The same key in both views; under WOW64 a delete in one view leaves the other's alone.
    kutest::ScratchKey scratch(HKEY_LOCAL_MACHINE);
    const std::string app = scratch.Sub("App");
    const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
    const struct {
        REGSAM view; // 0: the plain delete, which looks in the other view than the process's
        bool key;
    } cases[] = {{k64, true}, {k32, true}, {k64, false}, {k32, false}, {0, true}, {0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.view) + (c.key ? " key" : " value"));
        for (REGSAM view : {k64, k32})
            kutest::RawSetString(HKEY_LOCAL_MACHINE, app + "\\Sub", "v", "x", view);
        const std::string path = c.key ? app : app + "\\Sub";
        bool deleted;
        if (c.view)
            deleted = c.key ? DeleteRegistryKeyInView(HKEY_LOCAL_MACHINE, path, c.view)
                            : DeleteRegistryValueInView(HKEY_LOCAL_MACHINE, path, "v", c.view);
        else
            deleted = c.key ? DeleteRegistryKey(HKEY_LOCAL_MACHINE, path)
                            : DeleteRegistryValue(HKEY_LOCAL_MACHINE, path, "v");
        EXPECT_TRUE(deleted);
        const REGSAM target = c.view ? c.view : REGSAM(kutest::RunningUnderWow64() ? k64 : k32);
        const auto there = [&](REGSAM view) {
            return c.key ? RawKeyExists(HKEY_LOCAL_MACHINE, path, view)
                         : kutest::RawValueExists(HKEY_LOCAL_MACHINE, path, "v", view);
        };
        EXPECT_FALSE(there(target));
        if (kutest::RunningUnderWow64())
            EXPECT_TRUE(there(target == k64 ? k32 : k64)) << "the other view lost it";
        for (REGSAM view : {k64, k32})
            RawDeleteTree(HKEY_LOCAL_MACHINE, app, view);
    }
}

TEST(RegistryGuard, ValuesOfSharedKeysAreDeletableButNotTheVitalOnes) {
    // A program's value in a shared key goes; the default value of a shared key and the values
    // Windows cannot log on without stay, however they are spelt.
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string name = Unique("KelvaneProbe");
    const struct {
        std::string path, name, asked;
        bool deleted;
    } cases[] = {
        {run, name, name, true},
        {run, "", "", false},
        {winlogon, "Shell", "shell", false},
        {winlogon, "Userinit", "USERINIT", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " : " + c.name);
        kutest::RawSetString(HKEY_CURRENT_USER, c.path, c.name, "probe", kView);
        EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, "\\" + c.path + "\\", c.asked), c.deleted);
        EXPECT_EQ(kutest::RawValueExists(HKEY_CURRENT_USER, c.path, c.name, kView), !c.deleted);
        EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, c.path, c.asked));
        kutest::RawDeleteValue(HKEY_CURRENT_USER, c.path, c.name, kView);
    }
    EXPECT_TRUE(IsProtectedRegistryValue(
        HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment",
        "Path"));
    EXPECT_TRUE(IsProtectedRegistryValue(HKEY_CURRENT_USER, "", "x"));
    EXPECT_TRUE(IsProtectedRegistryValue(HKEY_CURRENT_USER, "\\", "x"));
}

namespace {

// A volatile registry link `from` -> `to` below the current user's hive.
bool MakeLink(const std::string& from, const std::string& to) {
    HANDLE token = nullptr;
    char buffer[256];
    DWORD size = 0;
    LPWSTR sid = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    bool ok = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
              ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    CloseHandle(token);
    if (!ok)
        return false;
    std::wstring target =
        L"\\Registry\\User\\" + std::wstring(sid) + L"\\" + std::wstring(to.begin(), to.end());
    LocalFree(sid);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, from.c_str(), 0, nullptr,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK | kView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    ok = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                        reinterpret_cast<const BYTE*>(target.c_str()),
                        static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// Removes the link itself (a plain delete would act on its target).
void RemoveLink(const std::string& path) {
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtDeleteKey")));
    HKEY key = nullptr;
    if (ntDeleteKey && RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), REG_OPTION_OPEN_LINK,
                                     DELETE | kView, &key) == ERROR_SUCCESS) {
        ntDeleteKey(key);
        RegCloseKey(key);
    }
}

} // namespace

TEST(RegistryGuard, TreesHoldingALinkAreNotDeletedThroughIt) {
    kutest::ScratchKey scratch;
    const std::string target = scratch.Sub("target");
    RawCreateKey(HKEY_CURRENT_USER, target + "\\inner", kView);
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("tree"), kView);
    const std::string link = scratch.Sub("tree\\link");
    if (!MakeLink(link, target))
        GTEST_SKIP() << "this system cannot make a registry link";
    ASSERT_TRUE(RawKeyExists(HKEY_CURRENT_USER, link + "\\inner", kView));
    EXPECT_FALSE(DeleteRegistryKey(HKEY_CURRENT_USER, scratch.Sub("tree")));
    EXPECT_FALSE(DeleteRegistryKey(HKEY_CURRENT_USER, link));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, target + "\\inner", kView));
    RemoveLink(link);
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CURRENT_USER, scratch.Sub("tree")));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, target + "\\inner", kView));
}

TEST(RegistryGuard, WindowsOwnTreesKeepTheirKeysAndValues) {
    const struct {
        HKEY root;
        std::string path, name;
        bool refused;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\RpcSs", "ImagePath", true},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\eventlog\\Application", "File",
         true},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "Domain",
         true},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\UTC",
         "Std", true},
        {HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "System", true},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
         "winsysdir", true},
        {HKEY_USERS, ".DEFAULT\\Environment", "TEMP", true},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Fonts", true},
        {HKEY_CURRENT_USER,
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "Personal",
         true},
        // Values of programs in shared keys stay deletable, an event source of its own too.
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\KuApp",
         "EventMessageFile", false},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "KuApp", false},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\KuAppSvc", "ImagePath", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " : " + c.name);
        EXPECT_EQ(IsProtectedRegistryValue(c.root, c.path, c.name), c.refused);
        if (c.refused)
            EXPECT_TRUE(IsProtectedRegistryKey(c.root, c.path));
    }
    const std::string name = Unique("KU_GUARD_PROBE");
    kutest::RawSetString(HKEY_CURRENT_USER, "Environment", name, "x", kView);
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, "Environment", name));
    kutest::RawDeleteValue(HKEY_CURRENT_USER, "Environment", name, kView);
}

TEST(RegistryGuard, ClassesOfWindowsKeepTheirServerAndVerbs) {
    // File and COM classes served by Windows keep their server keys and values; a verb that a
    // program added to one goes, and so does a class served by a program.
    const std::string base = "Software\\Classes\\";
    const std::string win = base + Unique("KuWinClass"), app = base + Unique("KuAppClass");
    const std::string com = base + "CLSID\\" + Unique("{KuWinCom}");
    const auto set = [](const std::string& key, const std::string& data) {
        kutest::RawSetString(HKEY_CURRENT_USER, key, "", data, kView);
    };
    set(win + "\\shell\\open\\command", "%SystemRoot%\\notepad.exe %1");
    set(win + "\\shell\\KuVerb\\command", "C:\\KuApp\\ku.exe");
    set(com + "\\InprocServer32", GetSystemDir() + "\\shell32.dll");
    set(app + "\\shell\\open\\command", "\"C:\\Program Files\\KuApp\\ku.exe\" %1");
    const struct {
        std::string path;
        bool key, refused;
    } cases[] = {
        {win + "\\shell\\open\\command", false, true},
        {win, true, true},
        {com + "\\InprocServer32", false, true},
        {com, true, true},
        {win + "\\shell\\KuVerb", true, false},
        {app + "\\shell\\open\\command", false, false},
        {app, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.key ? " (key)" : " (value)"));
        EXPECT_EQ(c.key ? DeleteRegistryKey(HKEY_CURRENT_USER, c.path)
                        : DeleteRegistryValue(HKEY_CURRENT_USER, c.path, ""),
                  !c.refused);
        EXPECT_EQ(c.key ? RawKeyExists(HKEY_CURRENT_USER, c.path, kView)
                        : kutest::RawValueExists(HKEY_CURRENT_USER, c.path, "", kView),
                  c.refused);
    }
    for (const std::string& key : {win, com, app})
        RawDeleteTree(HKEY_CURRENT_USER, key, kView);
}
