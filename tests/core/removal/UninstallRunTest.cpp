// The uninstaller start and wait: the registered file quoted, Windows Installer entries removed
// rather than repaired, and a wait that holds until the uninstaller's own copies have ended.
#include <gtest/gtest.h>

#include "WizardTestSupport.h"
#include "core/removal/UninstallRun.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Spawn.h"

using namespace ku;
using namespace kutest;

namespace {

class UninstallRun : public WizardTest {
protected:
    const std::string spawner = Fixture("wizard\\kuspawn.exe");
    ScratchDir dir;
};

} // namespace

TEST_F(UninstallRun, WaitsForTheCopyTheUninstallerHandedOverToUnlessStoppedOrNotStarted) {
    const std::string marker = dir.File("done.txt");
    int pumps = 0;
    DWORD start = GetTickCount();
    EXPECT_EQ(RunUninstallerAndWait("\"" + spawner + "\" 1200 \"" + marker + "\"", SW_HIDE,
                                    [&] { ++pumps; }), 7);
    EXPECT_TRUE(PathExists(marker)) << "the wait ended before the handed-over child";
    EXPECT_GE(GetTickCount() - start, 1100u);
    EXPECT_GT(pumps, 5);

    EXPECT_EQ(RunUninstallerAndWait("C:\\kutest\\no such uninstaller.exe", SW_HIDE, nullptr), -1);
    // Stopped: it returns once the uninstaller has started, long before the child's ten seconds
    // (the limit leaves a busy machine room to start the process).
    ScanState = ScanStop;
    start = GetTickCount();
    EXPECT_EQ(RunUninstallerAndWait("\"" + spawner + "\" 10000 \"" + dir.File("m") + "\"",
                                    SW_HIDE, nullptr), -2);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST_F(UninstallRun, WindowsInstallerProductsAreRemovedNotRepaired) {
    const std::string msiexec = "\"" + GetSystemDir() + "\\msiexec.exe\"";
    // "/I{code}" as Windows Installer registers it goes through the whole MSI uninstall; these
    // are the other spellings.
    const std::pair<std::string, std::string> cases[] = {
        {"msiexec /i {1234-AB} /qn", msiexec + " /X {1234-AB} /qn"},
        {"MsiExec.exe /X{1234-AB}", msiexec + " /X{1234-AB}"},
        {"MsiExec.exe /package x.msi", msiexec + " /package x.msi"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpperCase(UninstallerToStart(c.first).commandLine), UpperCase(c.second))
            << c.first;
}

TEST_F(UninstallRun, PathWithBlanksNeverStartsProgramExeOfTheDriveRoot) {
    const std::string folder = "C:\\Program Files\\Ku Quoted";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copies[] = {"C:\\Program.exe", folder + "\\un.exe"};
    for (const std::string& copy : copies)
        ASSERT_TRUE(CopyFileA(spawner.c_str(), copy.c_str(), FALSE)) << copy;
    // As the main window hands it over: normalised, which drops the quotes.
    const std::string command = NormalizeUninstallCommand("\"" + folder + "\\un.exe\" /S");
    EXPECT_EQ(RunUninstallerAndWait(command, SW_HIDE, nullptr), 0);
    EXPECT_TRUE(PathExists(folder + "\\un.exe.ran"));
    EXPECT_FALSE(PathExists("C:\\Program.exe.ran")) << "C:\\Program.exe ran instead";
    for (const std::string& copy : copies)
        DeleteFileA(copy.c_str()), DeleteFileA((copy + ".ran").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(UninstallRun, ABrowserTheUninstallerOpensIsNotWaitedFor) {
    ScratchDir browser;
    const std::string uninstaller = dir.File("uninst.exe"), survey = browser.File("browser.exe");
    ASSERT_TRUE(CopyFileA(spawner.c_str(), uninstaller.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(Fixture("kusleep.exe").c_str(), survey.c_str(), FALSE));
    const DWORD start = GetTickCount();
    EXPECT_EQ(RunUninstallerAndWait("\"" + uninstaller + "\" open \"" + survey + "\"", SW_HIDE,
                                    nullptr), 7);
    EXPECT_LT(GetTickCount() - start, 5000u);
    // The browser is still open; the test ends the one it caused to run.
    EXPECT_TRUE(WaitFor([&] { return KillProcessesByImagePath({survey}) == 1; }, 5000));
}
