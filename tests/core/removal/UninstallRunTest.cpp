// The uninstaller start and wait: the registered file quoted, Windows Installer entries removed
// rather than repaired, and a wait that holds until the uninstaller's own copies have ended.
#include <gtest/gtest.h>

#include "core/removal/UninstallRun.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

std::string Spawner() { return std::string(kutest::kFixtureDir) + "\\wizard\\kuspawn.exe"; }

} // namespace

TEST(UninstallRun, WaitsForTheCopyTheUninstallerHandedOverTo) {
    kutest::ScratchDir dir;
    const std::string marker = dir.File("done.txt");
    ScanState = ScanRun;
    int pumps = 0;
    const DWORD start = GetTickCount();
    const int code = RunUninstallerAndWait("\"" + Spawner() + "\" 1200 \"" + marker + "\"",
                                           SW_HIDE, [&] { ++pumps; });
    EXPECT_EQ(code, 7);
    EXPECT_TRUE(kutest::PathExists(marker)) << "the wait ended before the handed-over child";
    EXPECT_GE(GetTickCount() - start, 1100u);
    EXPECT_GT(pumps, 5);
}

TEST(UninstallRun, NotStartedOrStopped) {
    ScanState = ScanRun;
    EXPECT_EQ(RunUninstallerAndWait("C:\\kutest\\no such uninstaller.exe", SW_HIDE, nullptr), -1);
    kutest::ScratchDir dir;
    ScanState = ScanStop;
    const DWORD start = GetTickCount();
    EXPECT_EQ(RunUninstallerAndWait("\"" + Spawner() + "\" 3000 \"" + dir.File("m") + "\"",
                                    SW_HIDE, nullptr),
              -2);
    EXPECT_LT(GetTickCount() - start, 2000u);
    ScanState = ScanRun;
}

TEST(UninstallRun, StartsTheRegisteredFileQuotedAndRemovesWindowsInstallerProducts) {
    const std::string msiexec = GetSystemDir() + "\\msiexec.exe";
    struct StartCase {
        std::string command, commandLine;
    };
    const StartCase cases[] = {
        {"MsiExec.exe /I{1234-AB}", "\"" + msiexec + "\" /X{1234-AB}"},
        {"msiexec /i {1234-AB} /qn", "\"" + msiexec + "\" /X {1234-AB} /qn"},
        {"MsiExec.exe /X{1234-AB}", "\"" + msiexec + "\" /X{1234-AB}"},
        {"MsiExec.exe /package x.msi", "\"" + msiexec + "\" /package x.msi"},
        {"\"C:\\Program Files\\Ku App\\un.exe\" /S", "\"C:\\Program Files\\Ku App\\un.exe\" /S"},
    };
    for (const StartCase& c : cases)
        EXPECT_EQ(UpperCase(UninstallerToStart(c.command).commandLine), UpperCase(c.commandLine))
            << c.command;
}

TEST(UninstallRun, PathWithBlanksNeverStartsProgramExeOfTheDriveRoot) {
    const std::string folder = "C:\\Program Files\\Ku Quoted";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& copy : {std::string("C:\\Program.exe"), folder + "\\un.exe"})
        ASSERT_TRUE(CopyFileA(Spawner().c_str(), copy.c_str(), FALSE)) << copy;
    ScanState = ScanRun;
    // As the main window hands it over: normalised, which drops the quotes.
    const std::string command = NormalizeUninstallCommand("\"" + folder + "\\un.exe\" /S");
    EXPECT_EQ(RunUninstallerAndWait(command, SW_HIDE, nullptr), 0);
    EXPECT_TRUE(kutest::PathExists(folder + "\\un.exe.ran"));
    EXPECT_FALSE(kutest::PathExists("C:\\Program.exe.ran")) << "C:\\Program.exe ran instead";
    for (const std::string& file : {std::string("C:\\Program.exe"),
                                    std::string("C:\\Program.exe.ran"), folder + "\\un.exe",
                                    folder + "\\un.exe.ran"})
        DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(UninstallRun, ABrowserTheUninstallerOpensIsNotWaitedFor) {
    kutest::ScratchDir program, browser;
    const std::string uninstaller = program.File("uninst.exe");
    const std::string survey = browser.File("browser.exe");
    ASSERT_TRUE(CopyFileA(Spawner().c_str(), uninstaller.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(kutest::Fixture("kusleep.exe").c_str(), survey.c_str(), FALSE));
    ScanState = ScanRun;
    const DWORD start = GetTickCount();
    EXPECT_EQ(RunUninstallerAndWait("\"" + uninstaller + "\" open \"" + survey + "\"", SW_HIDE,
                                    nullptr),
              7);
    EXPECT_LT(GetTickCount() - start, 5000u);
    // The browser is still open; the test ends the one it caused to run.
    EXPECT_TRUE(kutest::WaitFor([&] { return KillProcessesByImagePath({survey}) == 1; }, 5000));
}
