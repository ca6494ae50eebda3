// The uninstaller wait: it holds until the processes the uninstaller handed over to have ended.
#include <gtest/gtest.h>

#include "core/SharedState.h"
#include "core/UninstallRun.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

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

TEST(UninstallRun, NotStartedAndStoppedAndRecorded) {
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

    kutest::RecordingLauncher launcher;
    EXPECT_EQ(RunUninstallerAndWait("MsiExec.exe /X{1234}", SW_SHOWNORMAL, nullptr), 0);
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].commandLine, "MsiExec.exe /X{1234}");
    EXPECT_EQ(launcher.Requests()[0].show, SW_SHOWNORMAL);
}
