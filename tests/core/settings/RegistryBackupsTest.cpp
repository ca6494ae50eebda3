// Whole-registry backups: the list from real files, times from names of every length, and the
// restore of a real export with the prefix's regedit.
#include <gtest/gtest.h>

#include "core/settings/RegistryBackups.h"
#include "core/system/PublicFunctionUnit.h"
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

TEST(RegistryBackupList, ListsPlainFilesNamedRegAndCreatesAMissingFolder) {
    kutest::ScratchDir dir, other;
    const std::string folder = ku::FullBackupFolder(dir.Path() + "\\");
    EXPECT_EQ(folder, dir.Path() + "\\FullBackup");
    EXPECT_TRUE(ku::ListRegistryBackups(folder).empty());
    EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(kutest::WriteTextFile(other.File("FullBackup"), "not a folder"));
    EXPECT_TRUE(ku::ListRegistryBackups(ku::FullBackupFolder(other.Path())).empty());

    for (const char* name : {"Backup_20100105_093000.reg", "Backup_20100106_101500.reg", "x.REG",
                             "notes.txt", "Backup_readonly.reg", "Backup_hidden.reg"})
        ASSERT_TRUE(kutest::WriteTextFile(folder + "\\" + name, "REGEDIT4\r\n"));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Registry folder.reg").c_str(), nullptr));
    // Read-only or hidden besides archive: not a backup the list offers.
    for (const auto& odd : {std::make_pair("readonly", FILE_ATTRIBUTE_READONLY),
                            std::make_pair("hidden", FILE_ATTRIBUTE_HIDDEN)})
        ASSERT_TRUE(SetFileAttributesA((folder + "\\Backup_" + odd.first + ".reg").c_str(),
                                       FILE_ATTRIBUTE_ARCHIVE | odd.second));
    int pumped = 0;
    EXPECT_EQ(ku::ListRegistryBackups(folder, [&pumped] { ++pumped; }),
              (std::vector<std::string>{"Backup_20100105_093000.reg", "Backup_20100106_101500.reg",
                                        "x.REG"}));
    EXPECT_GT(pumped, 0) << "the window is kept alive while the folder is read";
    SetFileAttributesA((folder + "\\Backup_readonly.reg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(BackupTimeText, ReadsTheStampAndNeverRunsPastAShortName) {
    for (const char* name : {"Backup_20100105_093000.reg", "Backup_20100105_093000"})
        EXPECT_EQ(ku::BackupTimeText(name), "01/05/2010 09:30:00") << name;
    for (const char* name : {"Backup_20100105_09300", "x.REG", "Backup_.reg", ""})
        EXPECT_EQ(ku::BackupTimeText(name), "") << name;
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
