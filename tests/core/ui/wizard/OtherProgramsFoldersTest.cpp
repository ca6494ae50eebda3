// Folders that other installed programs' entries name only indirectly: a folder value with the
// environment's variables in it, and a Windows Installer product whose entry names no folder.
// The wizard of a program whose name is found in their paths removes its own files and keys
// only, checked by difference of the whole registry and drive C:.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "WizardSupport.h"
#include "core/removal/OtherPrograms.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const REGSAM k32 = KEY_WOW64_32KEY, k64 = KEY_WOW64_64KEY;

std::string ProgramFiles64() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("ProgramW6432", buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length)
                                           : GetWindowsDir().substr(0, 3) + "Program Files";
}

std::string UninstallTrace(const std::string& entry) {
    const std::string node = kutest::RunningUnderWow64() ? "Wow6432Node\\" : "";
    return "HKLM\\Software\\" + node + kUninstall.substr(9) + entry + "\\";
}

bool StartsWithAny(const std::string& line, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
        return UpperCase(line).rfind(UpperCase(prefix), 0) == 0;
    });
}

// The program the wizard runs for, as a 32-bit installer leaves it: its entry, its folder
// with a file and its uninstaller (a stand-in that only notes its run beside itself).
struct OwnProgram {
    std::string name, folder;
    explicit OwnProgram(const std::string& key)
        : name(key), folder(wizardtest::ProgramFiles32() + "\\" + key) {}
    std::string Command() const { return "\"" + folder + "\\uninst.exe\" /S"; }
    void Plant() const {
        CreateDirectoryA(folder.c_str(), nullptr);
        kutest::WriteTextFile(folder + "\\" + name + ".ini", "own");
        CopyFileA(kutest::Fixture("wizard\\kuspawn.exe").c_str(), (folder + "\\uninst.exe").c_str(),
                  FALSE);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + name, "DisplayName", name, k32);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + name, "UninstallString", Command(),
                             k32);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + name, "InstallLocation", folder, k32);
    }
    void Forget() const {
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kUninstall + name, k32);
        kutest::RemoveTree(folder);
    }
};

class OtherProgramsFolders : public ::testing::Test {
  protected:
    void SetUp() override { ScanState = ScanRun; }
    void TearDown() override { RegistryView64 = false; }

    // Runs the wizard of `own` as the main window hands it over (its uninstaller leaves
    // everything, the user scans anyway): only its entry and files go, and `kept` stay.
    void RunOwnWizard(const OwnProgram& own, const std::vector<std::string>& kept) {
        own.Plant();
        const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
        const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
        const wizardtest::WizardRun run = wizardtest::RunWizard(own.name, own.name, own.Command());
        const kutest::Difference registry =
            kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
        const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
        const std::vector<std::string> traces{UninstallTrace(own.name),
                                              UpperCase(own.folder) + "\\"};
        for (const std::string& line : registry.removed)
            EXPECT_TRUE(StartsWithAny(line, traces)) << "deleted: " << line;
        for (const std::string& line : drive.removed)
            EXPECT_TRUE(StartsWithAny(line, traces)) << "deleted: " << line;
        const std::string ownFile = UpperCase(own.folder + "\\" + own.name + ".ini");
        EXPECT_NE(std::find(drive.removed.begin(), drive.removed.end(), ownFile),
                  drive.removed.end());
        for (const std::string& file : kept)
            EXPECT_TRUE(kutest::FileThere(file)) << "deleted: " << file;
        EXPECT_EQ(run.uninstallDone, 1);
        own.Forget();
    }
};

// Other programs, each naming its folder by one value with a variable. A 64-bit program's
// "%ProgramFiles%" is the 64-bit Program Files folder, not the one this 32-bit program's own
// variable names.
struct ExpandedRoad {
    const char* entry;
    REGSAM view;
    const char* value;
    std::string text, folder;
};

} // namespace

TEST_F(OtherProgramsFolders, FolderValuesWithVariablesNameTheOtherProgramsFolders) {
    const bool wow64 = kutest::RunningUnderWow64();
    const std::string pf32 = wizardtest::ProgramFiles32(), pf64 = ProgramFiles64();
    std::vector<ExpandedRoad> roads{
        {"KuNotesPad1", k32, "InstallLocation",
         std::string(wow64 ? "%ProgramFiles(x86)%" : "%ProgramFiles%") + "\\KuAcme\\Notes1",
         pf32 + "\\KuAcme\\Notes1"}};
    if (wow64) {
        roads.push_back({"KuNotesPad2", k64, "InstallLocation", "%ProgramFiles%\\KuAcme\\Notes2",
                         pf64 + "\\KuAcme\\Notes2"});
        roads.push_back({"KuNotesPad3", k64, "UninstallString",
                         "\"%ProgramFiles%\\KuAcme\\Notes3\\uninst.exe\" /S",
                         pf64 + "\\KuAcme\\Notes3"});
        roads.push_back({"KuNotesPad4", k64, "DisplayIcon",
                         "%ProgramFiles%\\KuAcme\\Notes4\\notes.exe,0", pf64 + "\\KuAcme\\Notes4"});
    }
    std::vector<std::string> files;
    for (const ExpandedRoad& road : roads) {
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + road.entry, "DisplayName",
                             "Notes Pad", road.view);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + road.entry, road.value, road.text,
                             road.view, REG_EXPAND_SZ);
        SHCreateDirectoryExA(nullptr, road.folder.c_str(), nullptr);
        for (const char* name : {"\\notes.exe", "\\uninst.exe", "\\KuAcme notes.txt"}) {
            files.push_back(road.folder + name);
            kutest::WriteTextFile(files.back(), "Notes Pad");
        }
    }
    RunOwnWizard(OwnProgram("KuAcme"), files);
    for (const ExpandedRoad& road : roads) {
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kUninstall + road.entry, road.view);
        kutest::RemoveTree(road.folder);
    }
    if (wow64)
        RemoveDirectoryA((pf64 + "\\KuAcme").c_str());
}

// Windows Installer products whose entries name no folder (their uninstaller is
// "MsiExec.exe /I{...}"): the real fixture package, whose features list the component whose
// file lies in its folder; a product whose folder is the InstallLocation of the Installer's own
// record; and one whose component registration alone names its file.
TEST_F(OtherProgramsFolders, AnInstallerProductsFolderComesFromTheInstallersRecords) {
    const std::string pf32 = wizardtest::ProgramFiles32();
    const std::string code = "{6D1C3A52-7E0B-4F1A-9C11-2B5A00000C01}";
    const std::string package = kutest::Fixture("installers\\KuFixtureMsiC.msi");
    kutest::RunAndWait("msiexec /qn /x " + code, 120000);
    ASSERT_EQ(kutest::RunAndWait("msiexec /qn /i \"" + package + "\"", 120000), 0);
    ASSERT_EQ(kutest::RawReadString(HKEY_LOCAL_MACHINE, kUninstall + code, "InstallLocation", k32),
              "");
    std::vector<std::string> files{pf32 + "\\KuNotesC Files\\notesc.exe"};
    ASSERT_TRUE(kutest::FileThere(files[0]));

    const std::string userData =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
    const std::string kit = "{5F3B8E21-9C4D-4A6E-B7F8-0123456789AB}";
    const std::string tools = "{5F3B8E21-9C4D-4A6E-B7F8-0123456789AC}";
    const std::string component =
        userData + "Components\\" + PackedProductCode("{5F3B8E21-9C4D-4A6E-B7F8-0123456789AD}");
    const struct {
        std::string code, folder, key, value, data;
    } planted[] = {
        {kit, pf32 + "\\KuNotesC Kit",
         userData + "Products\\" + PackedProductCode(kit) + "\\InstallProperties",
         "InstallLocation", pf32 + "\\KuNotesC Kit\\"},
        {tools, pf32 + "\\KuNotesC Tools", component, PackedProductCode(tools),
         pf32 + "\\KuNotesC Tools\\tools.exe"},
    };
    for (const auto& product : planted) {
        CreateDirectoryA(product.folder.c_str(), nullptr);
        for (const char* name : {"\\tools.exe", "\\kit.dat"}) {
            files.push_back(product.folder + name);
            kutest::WriteTextFile(files.back(), "kit");
        }
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + product.code, "DisplayName", "Kit",
                             k32);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kUninstall + product.code, "UninstallString",
                             "MsiExec.exe /X" + product.code, k32);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, product.key, product.value, product.data, k64);
    }
    RunOwnWizard(OwnProgram("KuNotesC"), files);
    EXPECT_EQ(kutest::RunAndWait("msiexec /qn /x " + code, 120000), 0);
    for (const auto& product : planted) {
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kUninstall + product.code, k32);
        kutest::RemoveTree(product.folder);
    }
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, userData + "Products\\" + PackedProductCode(kit),
                          k64);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, component, k64);
}
