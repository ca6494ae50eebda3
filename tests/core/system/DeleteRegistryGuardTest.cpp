// The registry delete guard: every refused key is tried for real with a probe below it, and
// the probe is still there afterwards; deletable keys and values do go.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;
using namespace kutest;

namespace {

const REGSAM kView = KEY_WOW64_64KEY;
const HKEY CU = HKEY_CURRENT_USER, LM = HKEY_LOCAL_MACHINE, CR = HKEY_CLASSES_ROOT, U = HKEY_USERS;
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Unique(const std::string& name) {
    return name + "_" + std::to_string(GetCurrentProcessId());
}

} // namespace

TEST(RegistryGuard, KeysRefusedAreTriedForRealOthersAreDeletable) {
    const std::string top = Unique("KelvaneTopLevel");
    const std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string lmUninstall = cv + "Uninstall";
    const std::string services = "SYSTEM\\CurrentControlSet\\Services";
    const struct {
        HKEY root;
        std::string path;
        bool refused;
    } cases[] = {
        {CU, "", true}, {CU, "\\" + top + "\\", true}, {LM, "SOFTWARE", true}, {CU, kRun, true},
        {CU, "software\\microsoft\\windows\\currentversion", true},
        {CU, "Software\\\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\", true},
        {LM, lmUninstall, true}, {LM, "SOFTWARE\\Classes\\Interface", true},
        {CU, "Software\\Classes\\TypeLib", true}, {CR, "CLSID", true}, {CR, ".acme", true},
        {CR, "Wow6432Node\\CLSID", true}, {LM, services, true}, {LM, services + "\\RpcSs", true},
        {LM, "SOFTWARE\\Wow6432Node", true}, {U, ".DEFAULT", true},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
        {LM, "SYSTEM\\ControlSet001\\Services\\eventlog", true},
        {LM, cv + "Installer\\UserData\\S-1-5-18", true},
        {U, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {U, "S-1-5-21-1_Classes\\Acme.Document", true}, {U, "S-1-5-21-1_Classes\\CLSID", true},
        {nullptr, "Software\\Acme", true}, {HKEY_PERFORMANCE_DATA, "Software\\Acme", true},
        {LM, "SOFTWARE\\Acme", false}, {LM, "SOFTWARE\\Wow6432Node\\Acme", false},
        {LM, lmUninstall + "\\Acme", false}, {CR, "CLSID\\{0}", false},
        {LM, services + "\\AcmeSvc", false}, {U, "S-1-5-21-1\\Software\\Acme", false},
        {U, "S-1-5-21-1_Classes\\CLSID\\{0}", false},
    };
    // Each refused key that is there gets a probe below it, which must survive the delete.
    const std::string probe = Unique("KelvaneGuardProbe");
    RawCreateKey(CU, top, kView);
    for (const auto& c : cases) {
        SCOPED_TRACE(RootKeyToName(c.root) + "\\" + c.path);
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.refused);
        if (!c.refused)
            continue;
        const std::string parent = CleanKeyPath(c.path);
        const std::string probePath = parent.empty() ? probe : parent + "\\" + probe;
        const bool planted = c.root && c.root != HKEY_PERFORMANCE_DATA &&
                             (parent.empty() || RawKeyExists(c.root, parent, kView));
        if (planted)
            RawCreateKey(c.root, probePath, kView);
        EXPECT_FALSE(DeleteRegistryKey(c.root, c.path));
        EXPECT_TRUE(!planted || RawKeyExists(c.root, probePath, kView)) << "something was deleted";
        if (planted)
            RawDeleteTree(c.root, probePath, kView);
    }
    RawDeleteTree(CU, top, kView);
    EXPECT_FALSE(DeleteRegistryValue(nullptr, "Software\\Acme", "x"));

    const std::string uninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Unique("KelvaneApp");
    RawCreateKey(CU, uninstall + "\\Sub\\Deeper", kView);
    RawSetString(CU, uninstall + "\\Sub", "v", "x", kView);
    EXPECT_TRUE(DeleteRegistryKey(CU, "\\" + uninstall));
    EXPECT_FALSE(RawKeyExists(CU, uninstall, kView));
    EXPECT_FALSE(DeleteRegistryKey(CU, uninstall)) << "already gone";
}

TEST(RegistryGuard, ThePlainDeleteActsInTheOtherViewOnly) {
    // The same key in both views; under WOW64 the plain delete, which looks in the other view
    // than the process's, leaves the process's own view alone. (The removal tests the deletes
    // that are told their view.)
    kutest::ScratchKey scratch(LM);
    const std::string app = scratch.Sub("App");
    const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
    for (const bool key : {true, false}) {
        SCOPED_TRACE(key ? "key" : "value");
        for (REGSAM view : {k64, k32})
            RawSetString(LM, app + "\\Sub", "v", "x", view);
        const std::string path = key ? app : app + "\\Sub";
        EXPECT_TRUE(key ? DeleteRegistryKey(LM, path) : DeleteRegistryValue(LM, path, "v"));
        const auto there = [&](REGSAM view) {
            return key ? RawKeyExists(LM, path, view) : RawValueExists(LM, path, "v", view);
        };
        EXPECT_FALSE(there(kutest::RunningUnderWow64() ? k64 : k32));
        EXPECT_TRUE(!kutest::RunningUnderWow64() || there(k32)) << "the other view lost it";
        for (REGSAM view : {k64, k32})
            RawDeleteTree(LM, app, view);
    }
}

namespace {

// Makes the volatile registry link `from` -> `to` below the machine root or, with no `to`,
// removes the link itself (a plain delete would act on its target).
bool Link(const std::string& from, const std::string& to = "") {
    UniqueKey key;
    if (to.empty()) {
        using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
        auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtDeleteKey")));
        return ntDeleteKey &&
               RegOpenKeyExA(LM, from.c_str(), REG_OPTION_OPEN_LINK, DELETE | kView, key.put()) ==
                   ERROR_SUCCESS &&
               ntDeleteKey(key.get()) == 0;
    }
    const std::wstring target = L"\\Registry\\Machine\\" + std::wstring(to.begin(), to.end());
    return RegCreateKeyExA(LM, from.c_str(), 0, nullptr,
                           REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                           KEY_ALL_ACCESS | KEY_CREATE_LINK | kView, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK,
                          reinterpret_cast<const BYTE*>(target.c_str()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

TEST(RegistryGuard, TreesHoldingALinkAreNotDeletedThroughIt) {
    kutest::ScratchKey scratch(LM);
    const std::string target = scratch.Sub("target"), link = scratch.Sub("tree\\link");
    RawCreateKey(LM, target + "\\inner", kView);
    RawCreateKey(LM, scratch.Sub("tree"), kView);
    if (!Link(link, target))
        GTEST_SKIP() << "this system cannot make a registry link";
    ASSERT_TRUE(RawKeyExists(LM, link + "\\inner", kView));
    EXPECT_FALSE(DeleteRegistryKey(LM, scratch.Sub("tree")) || DeleteRegistryKey(LM, link));
    EXPECT_TRUE(RawKeyExists(LM, target + "\\inner", kView));
    EXPECT_TRUE(Link(link));
    EXPECT_TRUE(DeleteRegistryKey(LM, scratch.Sub("tree")));
    EXPECT_TRUE(RawKeyExists(LM, target + "\\inner", kView));
}

TEST(RegistryGuard, ValuesOfProgramsGoThoseWindowsNeedsStay) {
    // Rows of the current user are tried for real, the value asked for in lower case.
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const std::string probe = Unique("KelvaneProbe");
    const struct {
        HKEY root;
        std::string path, name;
        bool refused;
    } cases[] = {
        {CU, kRun, probe, false}, {CU, kRun, "", true}, {CU, winlogon, "Shell", true},
        {CU, winlogon, "Userinit", true}, {CU, "Environment", probe, true}, {CU, "", "x", true},
        {LM, "SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment", "Path", true},
        {LM, services + "RpcSs", "ImagePath", true},
        {LM, services + "Tcpip\\Parameters", "Domain", true},
        {LM, "SYSTEM\\ControlSet001\\Services\\eventlog\\Application", "File", true},
        {LM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\UTC", "Std", true},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "System",
         true},
        {LM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "winsysdir", true},
        {U, ".DEFAULT\\Environment", "TEMP", true},
        {U, "S-1-5-21-1\\" + explorer + "Shell Folders", "Fonts", true},
        {U, "S-1-5-21-1\\" + explorer + "User Shell Folders", "Personal", true},
        // The CurrentVersion keys' own values are Windows', in both views (the values of
        // their subkeys, such as Run above, are judged on their own).
        {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", true},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", true},
        {LM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", true},
        {LM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion", "", true},
        {CU, "Software\\Microsoft\\Windows\\CurrentVersion", probe, true},
        {CU, "Software\\Microsoft\\Windows NT\\CurrentVersion\\", probe, true},
        // All of HKLM\SYSTEM but a program's own service is Windows', the event log's too.
        {LM, services + "Eventlog\\Application\\KuApp", "EventMessageFile", true},
        {LM, services + "KuAppSvc", "ImagePath", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RootKeyToName(c.root) + "\\" + c.path + " : " + c.name);
        EXPECT_EQ(IsProtectedRegistryValue(c.root, c.path, c.name), c.refused);
        EXPECT_TRUE(!c.refused || IsProtectedRegistryKey(c.root, c.path));
        if (c.root != CU || CleanKeyPath(c.path).empty())
            continue;
        RawSetString(CU, c.path, c.name, "probe", kView);
        EXPECT_EQ(DeleteRegistryValue(CU, "\\" + c.path + "\\", LowerCase(c.name)), !c.refused);
        EXPECT_EQ(RawValueExists(CU, c.path, c.name, kView), c.refused);
        EXPECT_FALSE(DeleteRegistryValue(CU, c.path, c.name));
        kutest::RawDeleteValue(CU, c.path, c.name, kView);
    }
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
        EXPECT_EQ(c.key ? DeleteRegistryKey(CU, c.path) : DeleteRegistryValue(CU, c.path, ""),
                  !c.refused);
        EXPECT_EQ(c.key ? RawKeyExists(CU, c.path, kView) : RawValueExists(CU, c.path, "", kView),
                  c.refused);
    }
    for (const std::string& key : {win, com, app})
        RawDeleteTree(CU, key, kView);
}
