// The registry delete guard: every refused key is tried for real with a probe below it, and
// the probe is still there afterwards; deletable keys and values do go.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::RawCreateKey;
using kutest::RawDeleteTree;
using kutest::RawKeyExists;
using kutest::RawSetString;
using kutest::RawValueExists;

namespace {

const REGSAM kView = KEY_WOW64_64KEY;
const HKEY CU = HKEY_CURRENT_USER, LM = HKEY_LOCAL_MACHINE, CR = HKEY_CLASSES_ROOT, U = HKEY_USERS;
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Unique(const std::string& name) {
    return name + "_" + std::to_string(GetCurrentProcessId());
}

std::string Describe(HKEY root, const std::string& path) {
    return (root == LM ? "HKLM\\" : root == CU ? "HKCU\\" : root == CR ? "HKCR\\" : "HKU\\") + path;
}

} // namespace

TEST(RegistryGuard, SharedKeysRootsAndTopLevelKeysAreNeverDeleted) {
    const std::string top = Unique("KelvaneTopLevel");
    const struct {
        HKEY root;
        std::string path;
    } refused[] = {
        {CU, ""}, {CU, "\\"}, {CU, top}, {CU, "\\" + top + "\\"}, {LM, "SOFTWARE"},
        {CU, "Software"},
        {CU, "software\\microsoft\\windows\\currentversion"}, {CU, kRun},
        {CU, "Software\\\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\"},
        {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {LM, "SOFTWARE\\Classes"}, {LM, "SOFTWARE\\Classes\\CLSID"},
        {LM, "SOFTWARE\\Classes\\Interface"}, {CU, "Software\\Classes\\TypeLib"}, {CR, "CLSID"},
        {CR, "Wow6432Node\\CLSID"}, {LM, "SYSTEM\\CurrentControlSet\\Services"},
        {LM, "SYSTEM\\ControlSet001\\Services"}, {LM, "SOFTWARE\\Wow6432Node"},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft"},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {LM, "SYSTEM\\CurrentControlSet\\Services\\RpcSs"},
        {LM, "SYSTEM\\ControlSet001\\Services\\eventlog"},
        {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18"},
        {U, ".DEFAULT"}, {U, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    };
    const std::string probe = Unique("KelvaneGuardProbe");
    for (const auto& c : refused) {
        SCOPED_TRACE(Describe(c.root, c.path));
        const std::string parent = CleanKeyPath(c.path);
        const std::string probePath = parent.empty() ? probe : parent + "\\" + probe;
        RawCreateKey(c.root, probePath, kView);
        EXPECT_TRUE(IsProtectedRegistryKey(c.root, c.path));
        EXPECT_FALSE(DeleteRegistryKey(c.root, c.path));
        EXPECT_TRUE(RawKeyExists(c.root, probePath, kView)) << "something was deleted";
        RawDeleteTree(c.root, probePath, kView);
    }
    RawDeleteTree(CU, top, kView);
}

TEST(RegistryGuard, ProgramKeysBelowSharedKeysAreDeletableUnknownRootsNot) {
    const struct {
        HKEY root;
        const char* path;
        bool refused;
    } cases[] = {
        {LM, "SOFTWARE\\Acme", false}, {LM, "SOFTWARE\\Wow6432Node\\Acme", false},
        {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme", false},
        {CR, "CLSID\\{0}", false}, {LM, "SYSTEM\\CurrentControlSet\\Services\\AcmeSvc", false},
        {U, "S-1-5-21-1\\Software\\Acme", false}, {U, "S-1-5-21-1_Classes\\CLSID\\{0}", false},
        // A single key below a root is refused, also for the classes roots.
        {CR, ".acme", true}, {U, "S-1-5-21-1_Classes", true},
        {U, "S-1-5-21-1_Classes\\Acme.Document", true}, {U, "S-1-5-21-1_Classes\\CLSID", true},
        {nullptr, "Software\\Acme\\App", true},
        {HKEY_PERFORMANCE_DATA, "Software\\Acme\\App", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.refused) << c.path;
    EXPECT_FALSE(DeleteRegistryKey(nullptr, "Software\\Acme\\App"));
    EXPECT_FALSE(DeleteRegistryValue(nullptr, "Software\\Acme", "x"));

    const std::string uninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Unique("KelvaneApp");
    RawCreateKey(CU, uninstall + "\\Sub\\Deeper", kView);
    RawSetString(CU, uninstall + "\\Sub", "v", "x", kView);
    EXPECT_TRUE(DeleteRegistryKey(CU, "\\" + uninstall));
    EXPECT_FALSE(RawKeyExists(CU, uninstall, kView));
    EXPECT_FALSE(DeleteRegistryKey(CU, uninstall)) << "already gone";
}

TEST(RegistryGuard, EachDeleteActsInItsOwnViewOnly) {
    // The same key in both views; under WOW64 a delete in one view leaves the other's alone.
    kutest::ScratchKey scratch(LM);
    const std::string app = scratch.Sub("App");
    const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
    const struct {
        REGSAM view; // 0: the plain delete, which looks in the other view than the process's
        bool key;
    } cases[] = {{k64, true}, {k32, true}, {k64, false}, {k32, false}, {0, true}, {0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.view) + (c.key ? " key" : " value"));
        for (REGSAM view : {k64, k32})
            RawSetString(LM, app + "\\Sub", "v", "x", view);
        const std::string path = c.key ? app : app + "\\Sub";
        const bool deleted =
            c.view ? (c.key ? DeleteRegistryKeyInView(LM, path, c.view)
                            : DeleteRegistryValueInView(LM, path, "v", c.view))
                   : (c.key ? DeleteRegistryKey(LM, path) : DeleteRegistryValue(LM, path, "v"));
        EXPECT_TRUE(deleted);
        const REGSAM target = c.view ? c.view : REGSAM(kutest::RunningUnderWow64() ? k64 : k32);
        const auto there = [&](REGSAM view) {
            return c.key ? RawKeyExists(LM, path, view) : RawValueExists(LM, path, "v", view);
        };
        EXPECT_FALSE(there(target));
        EXPECT_TRUE(!kutest::RunningUnderWow64() || there(target == k64 ? k32 : k64))
            << "the other view lost it";
        for (REGSAM view : {k64, k32})
            RawDeleteTree(LM, app, view);
    }
}

TEST(RegistryGuard, ValuesOfSharedKeysAreDeletableButNotTheVitalOnes) {
    // A program's value in a shared key goes; the default value of a shared key and the values
    // Windows cannot log on without stay, however they are spelt.
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string name = Unique("KelvaneProbe");
    const struct {
        std::string path, name, asked;
        bool deleted;
    } cases[] = {{kRun, name, name, true}, {kRun, "", "", false},
                 {winlogon, "Shell", "shell", false}, {winlogon, "Userinit", "USERINIT", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " : " + c.name);
        RawSetString(CU, c.path, c.name, "probe", kView);
        EXPECT_EQ(DeleteRegistryValue(CU, "\\" + c.path + "\\", c.asked), c.deleted);
        EXPECT_EQ(RawValueExists(CU, c.path, c.name, kView), !c.deleted);
        EXPECT_FALSE(DeleteRegistryValue(CU, c.path, c.asked));
        kutest::RawDeleteValue(CU, c.path, c.name, kView);
    }
    EXPECT_TRUE(IsProtectedRegistryValue(
        LM, "SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment", "Path"));
    EXPECT_TRUE(IsProtectedRegistryValue(CU, "", "x"));
    EXPECT_TRUE(IsProtectedRegistryValue(CU, "\\", "x"));
}

namespace {

// A volatile registry link `from` -> `to` below the current user's hive.
bool MakeLink(const std::string& from, const std::string& to) {
    UniqueHandle token;
    char buffer[256];
    DWORD size = 0;
    LPWSTR sid = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid))
        return false;
    const std::wstring target =
        L"\\Registry\\User\\" + std::wstring(sid) + L"\\" + std::wstring(to.begin(), to.end());
    LocalFree(sid);
    UniqueKey key;
    return RegCreateKeyExA(CU, from.c_str(), 0, nullptr,
                           REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                           KEY_ALL_ACCESS | KEY_CREATE_LINK | kView, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK,
                          reinterpret_cast<const BYTE*>(target.c_str()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Removes the link itself (a plain delete would act on its target).
void RemoveLink(const std::string& path) {
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtDeleteKey")));
    UniqueKey key;
    if (ntDeleteKey && RegOpenKeyExA(CU, path.c_str(), REG_OPTION_OPEN_LINK, DELETE | kView,
                                     key.put()) == ERROR_SUCCESS)
        ntDeleteKey(key.get());
}

} // namespace

TEST(RegistryGuard, TreesHoldingALinkAreNotDeletedThroughIt) {
    kutest::ScratchKey scratch;
    const std::string target = scratch.Sub("target"), link = scratch.Sub("tree\\link");
    RawCreateKey(CU, target + "\\inner", kView);
    RawCreateKey(CU, scratch.Sub("tree"), kView);
    if (!MakeLink(link, target))
        GTEST_SKIP() << "this system cannot make a registry link";
    ASSERT_TRUE(RawKeyExists(CU, link + "\\inner", kView));
    EXPECT_FALSE(DeleteRegistryKey(CU, scratch.Sub("tree")));
    EXPECT_FALSE(DeleteRegistryKey(CU, link));
    EXPECT_TRUE(RawKeyExists(CU, target + "\\inner", kView));
    RemoveLink(link);
    EXPECT_TRUE(DeleteRegistryKey(CU, scratch.Sub("tree")));
    EXPECT_TRUE(RawKeyExists(CU, target + "\\inner", kView));
}

TEST(RegistryGuard, WindowsOwnTreesKeepTheirKeysAndValues) {
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const struct {
        HKEY root;
        std::string path, name;
        bool refused;
    } cases[] = {
        {LM, services + "RpcSs", "ImagePath", true},
        {LM, "SYSTEM\\ControlSet001\\Services\\eventlog\\Application", "File", true},
        {LM, services + "Tcpip\\Parameters", "Domain", true},
        {LM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\UTC", "Std", true},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "System",
         true},
        {LM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "winsysdir", true},
        {U, ".DEFAULT\\Environment", "TEMP", true},
        {CU, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Fonts",
         true},
        {CU, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
         "Personal", true},
        // Values of programs in shared keys stay deletable, an event source of its own too.
        {LM, services + "Eventlog\\Application\\KuApp", "EventMessageFile", false},
        {CU, kRun, "KuApp", false}, {LM, services + "KuAppSvc", "ImagePath", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " : " + c.name);
        EXPECT_EQ(IsProtectedRegistryValue(c.root, c.path, c.name), c.refused);
        EXPECT_TRUE(!c.refused || IsProtectedRegistryKey(c.root, c.path));
    }
    const std::string name = Unique("KU_GUARD_PROBE");
    RawSetString(CU, "Environment", name, "x", kView);
    EXPECT_FALSE(DeleteRegistryValue(CU, "Environment", name));
    kutest::RawDeleteValue(CU, "Environment", name, kView);
}

TEST(RegistryGuard, ClassesOfWindowsKeepTheirServerAndVerbs) {
    // File and COM classes served by Windows keep their server keys and values; a verb that a
    // program added to one goes, and so does a class served by a program.
    const std::string base = "Software\\Classes\\";
    const std::string win = base + Unique("KuWinClass"), app = base + Unique("KuAppClass");
    const std::string com = base + "CLSID\\" + Unique("{KuWinCom}");
    RawSetString(CU, win + "\\shell\\open\\command", "", "%SystemRoot%\\notepad.exe %1", kView);
    RawSetString(CU, win + "\\shell\\KuVerb\\command", "", "C:\\KuApp\\ku.exe", kView);
    RawSetString(CU, com + "\\InprocServer32", "", GetSystemDir() + "\\shell32.dll", kView);
    RawSetString(CU, app + "\\shell\\open\\command", "", "\"C:\\Program Files\\KuApp\\ku.exe\" %1",
                 kView);
    const struct {
        std::string path;
        bool key, refused;
    } cases[] = {{win + "\\shell\\open\\command", false, true}, {win, true, true},
                 {com + "\\InprocServer32", false, true},       {com, true, true},
                 {win + "\\shell\\KuVerb", true, false},
                 {app + "\\shell\\open\\command", false, false}, {app, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.key ? " (key)" : " (value)"));
        EXPECT_EQ(c.key ? DeleteRegistryKey(CU, c.path) : DeleteRegistryValue(CU, c.path, ""),
                  !c.refused);
        EXPECT_EQ(c.key ? RawKeyExists(CU, c.path, kView) : RawValueExists(CU, c.path, "", kView),
                  c.refused);
    }
    for (const std::string& key : {win, com, app})
        RawDeleteTree(CU, key, kView);
}
