// The uninstall command as the entry holds it, from the main window's hand-over to the started
// uninstaller: a stand-in notes the command line it really received. Checked by difference of
// the whole registry and drive C:.
#include <windows.h>

#include <gtest/gtest.h>

#include "WizardSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;

TEST(UninstallCommand, TheUninstallerReceivesTheEntrysArgumentsAsTheyStand) {
    RegistryView64 = false;
    ScanState = ScanRun;
    const std::string folder = wizardtest::ProgramFiles32() + "\\KuArgsTool";
    const std::string uninstaller = folder + "\\uninst.exe", note = uninstaller + ".ran";
    wizardtest::RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(kutest::Fixture("wizard\\kuspawn.exe").c_str(), uninstaller.c_str(), FALSE));
    const std::string quoted = "\"" + uninstaller + "\"";
    kutest::PlantedRegistry entry(KEY_WOW64_32KEY);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KuArgsTool";
    entry.String(HKEY_LOCAL_MACHINE, key, "DisplayName", "KuArgsTool");
    entry.String(HKEY_LOCAL_MACHINE, key, "UninstallString", quoted + " /S");
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    const std::string arguments[] = {
        "/log=\"C:\\Temp\\x.log\"",             // the whole text begins and ends with a quote
        "add HKCU\\Software\\X /v ran /d y /f", // a "\" in the arguments
        "/S",
        "-x \"D:\\a b\" -y",
    };
    for (const std::string& argument : arguments) {
        SCOPED_TRACE(argument);
        DeleteFileA(note.c_str());
        UninstallItemUnit::TContent record;
        record.DisplayName = record.SubKeyName = "KuArgsTool";
        record.UninstallString = quoted + " " + argument;
        const UninstallWizardRequest request = MakeNormalUninstallRequest(record, "KuArgsTool", -1);
        // "No" to scanning while the entry is still there: the wizard closes with nothing deleted.
        wizardtest::RunWizard(request.DisplayName, request.UninstallKeyName,
                              request.UninstallCommand, [](const MessageBoxCall& call) {
                                  return call.text.find("did not remove") != std::string::npos
                                             ? IDNO
                                             : IDYES;
                              });
        EXPECT_EQ(kutest::ReadAll(note), quoted + " " + argument);
    }
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(registry.removed, wizardtest::Lines{});
    EXPECT_EQ(registry.added, wizardtest::Lines{});
    EXPECT_EQ(drive.removed, wizardtest::Lines{});
    EXPECT_EQ(drive.added, wizardtest::Lines{UpperCase(note)});
    wizardtest::RemoveTree(folder);
}
