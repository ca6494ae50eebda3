// Whole-registry backups: a missing folder, and every failed restore reported as such.
#include <gtest/gtest.h>

#include "core/settings/RegistryBackups.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

// Starts the recorded command line in place of regedit: a stand-in for an import that fails.
class FailingImport : public ku::ICommandLauncher {
  public:
    FailingImport() { ku::SetCommandLauncher(this); }
    ~FailingImport() override { ku::SetCommandLauncher(nullptr); }
    ku::LaunchResult Launch(const ku::LaunchRequest& request) override {
        ku::LaunchRequest exit3 = request;
        exit3.commandLine = "cmd.exe /c exit 3";
        return ku::RealLauncher().Launch(exit3);
    }
};

} // namespace

// (The list of a folder's backups and their times: the options window's test.)
TEST(RegistryBackupList, CreatesAMissingFolderAndKeepsTheWindowAliveWhileReading) {
    kutest::ScratchDir dir;
    const std::string folder = dir.File("FullBackup");
    EXPECT_TRUE(ku::ListRegistryBackups(folder).empty());
    EXPECT_TRUE(kutest::PathExists(folder));
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\Backup_20100105_093000.reg", "REGEDIT4\r\n"));
    int pumped = 0;
    EXPECT_EQ(ku::ListRegistryBackups(folder, [&pumped] { ++pumped; }).size(), 1u);
    EXPECT_GT(pumped, 0);
    // A name too short for a time stamp gives no time instead of a read past its end.
    EXPECT_EQ(ku::BackupTimeText("x.REG"), "");
}

TEST(RestoreRegistryBackup, ReportsEveryFailureAsSuch) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("Backup_bad.reg"), "not an export"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("Backup_good.reg"), "REGEDIT4\r\n"));
    {
        kutest::RecordingLauncher launcher;
        for (const char* name : {"Backup_bad.reg", "missing.reg"})
            EXPECT_EQ(ku::RestoreRegistryBackup(dir.File(name)), ku::RestoreResult::NotAnExport);
        EXPECT_TRUE(launcher.Requests().empty());
        for (const bool ok : {false, true}) { // true: "started" but without a process to wait for
            launcher.ok = ok;
            EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_good.reg")),
                      ku::RestoreResult::NotStarted);
        }
    }
    FailingImport failing;
    int pumped = 0;
    EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_good.reg"), [&pumped] { ++pumped; }),
              ku::RestoreResult::Failed);
}
