// What Windows owns in the registry: HKLM\SYSTEM but a program's own service, the current
// hardware profile, cryptography and the kept subkeys of Windows NT\CurrentVersion. Windows'
// real keys are only asked about, in every spelling; planted keys are tried for real.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

const HKEY LM = HKEY_LOCAL_MACHINE, CC = HKEY_CURRENT_CONFIG;
const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
const std::string kCcs = "SYSTEM\\CurrentControlSet\\";
const std::string kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";

std::string Unique(const std::string& name) {
    return name + std::to_string(GetCurrentProcessId());
}

// One machine key as callers may spell it: any case, outer and doubled separators, a
// numbered control set for the current one, the 32-bit view's node below SOFTWARE.
std::vector<std::string> Spellings(const std::string& path) {
    std::vector<std::string> all{path, UpperCase(path), LowerCase(path), "\\" + path + "\\",
                                 ReplaceAll(path, "\\", "\\\\") + "\\\\"};
    if (StartsText(path, kCcs))
        for (const char* set : {"ControlSet001", "controlset002"})
            all.push_back("SYSTEM\\" + std::string(set) + path.substr(kCcs.size() - 1));
    if (StartsText(path, "SOFTWARE\\"))
        all.push_back("SOFTWARE\\Wow6432Node\\" + path.substr(9));
    return all;
}

bool Refused(HKEY root, const std::string& path) {
    return IsProtectedRegistryKey(root, path) && IsProtectedRegistryValue(root, path, "x") &&
           IsProtectedRegistryValue(root, path, "");
}

} // namespace

TEST(WindowsKeysGuard, WindowsOwnKeysAreRefusedInEverySpelling) {
    std::vector<std::pair<HKEY, std::string>> refused = {
        {LM, "SYSTEM\\Select"},
        {LM, kCcs + "Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}"},
        {LM, kCcs + "Control\\Print"},
        {LM, kCcs + "Enum\\ROOT"},
        {LM, kCcs + "Services\\RpcSs\\Parameters\\Deeper"},
        {LM, kCcs + "Services\\EventLog\\Application\\KuApp"},
        {LM, kCcs + "Services\\Tcpip\\Parameters\\Interfaces"},
        {LM, kCcs + "Services\\..\\Control"},
        {LM, "SOFTWARE\\Microsoft\\Cryptography"},
        {LM, "SOFTWARE\\Microsoft\\Cryptography\\RNG"},
        {LM, "SOFTWARE\\Acme\\..\\Microsoft\\Cryptography"},
        {CC, "Software\\Fonts"},
        {CC, "System\\CurrentControlSet\\Control\\Print\\Printers"},
    };
    for (const char* nt :
         {"SvcHost", "AeDebug", "Drivers32", "Image File Execution Options",
          "Image File Execution Options\\notepad.exe", "Winlogon", "Fonts", "FontSubstitutes",
          "ProfileList", "Windows", "Time Zones", "NetworkList\\Profiles", "Schedule", "Perflib"})
        refused.push_back({LM, kNt + nt});
    // Windows' own services by their program: Spooler's spoolsv.exe and the Installer's
    // msiexec.exe in the system folder, the event log in svchost.exe.
    for (const char* service : {"Spooler", "MSIServer", "EventLog"}) {
        if (!kutest::RawKeyExists(LM, kCcs + "Services\\" + service, k64))
            continue;
        EXPECT_TRUE(IsProtectedService(service)) << service;
        EXPECT_TRUE(IsProtectedService(LowerCase(service) + " ")) << service;
        refused.push_back({LM, kCcs + "Services\\" + service});
        refused.push_back({LM, kCcs + "Enum\\Root\\LEGACY_" + UpperCase(service)});
    }
    for (const auto& key : refused)
        for (const std::string& spelled : Spellings(key.second))
            EXPECT_TRUE(Refused(key.first, spelled)) << RootKeyToName(key.first) << "\\" << spelled;
}

TEST(WindowsKeysGuard, AProgramsOwnServiceGoesWindowsOwnServicesAndTreesStay) {
    kutest::PlantedRegistry planted(k64);
    const std::string services = kCcs + "Services\\";
    const struct {
        std::string name, imagePath;
        bool windows;
    } cases[] = {
        {Unique("KuHosted"), "%SystemRoot%\\System32\\svchost.exe -k KuGroup", true},
        {Unique("KuWinExe"), "\"" + kutest::WindowsFolder() + "\\kuspool.exe\" /run", true},
        {Unique("KuWinRel"), "System32\\KUSPOOL.EXE -s", true},
        {Unique("KuDriver"), "\\SystemRoot\\System32\\drivers\\kudrv.sys", false},
        {Unique("KuVendor"), "\"C:\\Program Files\\Ku Vendor\\svchost.exe.bak\" -s", false},
        {Unique("KuBare"), "C:\\Ku Vendor\\kusvc.exe -service", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + ": " + c.imagePath);
        const std::string key = services + c.name;
        const std::string legacy = kCcs + "Enum\\Root\\LEGACY_" + UpperCase(c.name);
        planted.Value(LM, key, "ImagePath", REG_EXPAND_SZ, kutest::StringBytes(c.imagePath));
        planted.String(LM, key + "\\Parameters", "v", "x");
        planted.String(LM, legacy + "\\0000", "v", "x");
        EXPECT_EQ(IsProtectedService(c.name), c.windows);
        for (const std::string& path : {key, key + "\\Parameters", legacy})
            for (const std::string& spelled : Spellings(path))
                EXPECT_EQ(IsProtectedRegistryKey(LM, spelled), c.windows) << spelled;
        for (REGSAM view : {k64, k32}) {
            // HKLM\SYSTEM is one key in both views: what goes, goes in the first.
            EXPECT_EQ(DeleteRegistryValueInView(LM, key + "\\Parameters", "v", view),
                      !c.windows && view == k64);
            EXPECT_EQ(
                DeleteRegistryKeyInView(
                    LM, "\\system\\currentcontrolset\\enum\\root\\legacy_" + c.name + "\\", view),
                !c.windows && view == k64);
            EXPECT_EQ(DeleteRegistryKeyInView(LM, LowerCase(key) + "\\", view),
                      !c.windows && view == k64);
        }
        EXPECT_EQ(kutest::RawKeyExists(LM, key + "\\Parameters", k64), c.windows);
        EXPECT_EQ(kutest::RawKeyExists(LM, legacy, k64), c.windows);
    }
    // Keys planted in Windows' trees stay, with their values, in both views.
    const std::vector<std::pair<HKEY, std::string>> trees = {
        {LM, "SYSTEM\\" + Unique("KuPlanted")},
        {LM, kCcs + "Control\\" + Unique("KuPlanted")},
        {LM, "SOFTWARE\\Microsoft\\Cryptography\\" + Unique("KuPlanted")},
        {LM, kNt + "AeDebug\\" + Unique("KuPlanted")},
        {LM, kNt + "SvcHost\\" + Unique("KuPlanted")},
        {LM, kNt + "Image File Execution Options\\" + Unique("kuplanted") + ".exe"},
        {CC, "Software\\" + Unique("KuPlanted")},
    };
    for (const auto& tree : trees) {
        SCOPED_TRACE(RootKeyToName(tree.first) + "\\" + tree.second);
        planted.String(tree.first, tree.second, "v", "x");
        ASSERT_TRUE(kutest::RawValueExists(tree.first, tree.second, "v", k64));
        for (REGSAM view : {k64, k32}) {
            EXPECT_FALSE(DeleteRegistryValueInView(tree.first, tree.second, "v", view));
            EXPECT_FALSE(DeleteRegistryKeyInView(tree.first, tree.second, view));
        }
        EXPECT_FALSE(DeleteRegistryKey(tree.first, tree.second));
        EXPECT_TRUE(kutest::RawValueExists(tree.first, tree.second, "v", k64));
    }
}
