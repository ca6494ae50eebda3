// Whole-registry backups: the list from real files, times from names of every length, and the
// restore of a real export with the prefix's regedit.
#include <gtest/gtest.h>

#include <algorithm>

#include "OptionsTestSupport.h"
#include "core/RegistryBackups.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

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

TEST(RegistryBackupList, MissingFolderIsCreatedAndEmpty) {
    kutest::ScratchDir dir;
    const std::string folder = ku::FullBackupFolder(dir.Path());
    EXPECT_EQ(folder, dir.Path() + "\\FullBackup");
    EXPECT_EQ(ku::FullBackupFolder(dir.Path() + "\\"), folder);
    EXPECT_TRUE(ku::ListRegistryBackups(folder).empty());
    DWORD attributes = GetFileAttributesA(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(RegistryBackupList, ListsPlainFilesNamedRegOnly) {
    kutest::ScratchDir dir;
    const std::string folder = ku::FullBackupFolder(dir.Path());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"Backup_20100105_093000.reg", "Backup_20100106_101500.reg", "x.REG",
                             "notes.txt", "Backup_20100107_000000.reg", "Backup_hidden.reg"})
        ASSERT_TRUE(kutest::WriteTextFile(folder + "\\" + name, "REGEDIT4\r\n"));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Registry folder").c_str(), nullptr));
    // Read-only or hidden besides archive: not a backup the list offers.
    ASSERT_TRUE(SetFileAttributesA((folder + "\\Backup_20100107_000000.reg").c_str(),
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((folder + "\\Backup_hidden.reg").c_str(),
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
    int pumped = 0;
    auto names = ku::ListRegistryBackups(folder, [&pumped] { ++pumped; });
    EXPECT_EQ(Sorted(names), (std::vector<std::string>{"Backup_20100105_093000.reg",
                                                       "Backup_20100106_101500.reg", "x.REG"}));
    EXPECT_GE(pumped, 8); // once per entry, "." and ".." included
    SetFileAttributesA((folder + "\\Backup_20100107_000000.reg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(RegistryBackupList, AFileWhereTheFolderShouldBeListsNothing) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("FullBackup"), "not a folder"));
    EXPECT_TRUE(ku::ListRegistryBackups(ku::FullBackupFolder(dir.Path())).empty());
}

TEST(BackupTimeText, ReadsTheStampAndNeverRunsPastAShortName) {
    EXPECT_EQ(ku::BackupTimeText("Backup_20100105_093000.reg"), "01/05/2010 09:30:00");
    EXPECT_EQ(ku::BackupTimeText("Backup_20100105_093000"), "01/05/2010 09:30:00");
    EXPECT_EQ(ku::BackupTimeText("Backup_20100105_09300"), "");
    EXPECT_EQ(ku::BackupTimeText("x.REG"), "");
    EXPECT_EQ(ku::BackupTimeText("Backup_.reg"), "");
    EXPECT_EQ(ku::BackupTimeText(""), "");
}

TEST(RegistryExportFile, RecognisesBothHeadersInAnsiAndUtf16) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("four.reg"), "REGEDIT4\r\n\r\n"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("five.reg"),
                                      "Windows Registry Editor Version 5.00\n"));
    const char utf16[] = "\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0 \0E\0d\0i\0t\0o"
                         "\0r\0 \0V\0e\0r\0s\0i\0o\0n\0 \0\x35\0.\0\x30\0\x30\0\r\0\n\0";
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("wide.reg"), std::string(utf16, sizeof(utf16) - 1)));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("text.reg"), "hello\r\nREGEDIT4\r\n"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("empty.reg"), ""));
    EXPECT_TRUE(ku::IsRegistryExportFile(dir.File("four.reg")));
    EXPECT_TRUE(ku::IsRegistryExportFile(dir.File("five.reg")));
    EXPECT_TRUE(ku::IsRegistryExportFile(dir.File("wide.reg")));
    EXPECT_FALSE(ku::IsRegistryExportFile(dir.File("text.reg")));
    EXPECT_FALSE(ku::IsRegistryExportFile(dir.File("empty.reg")));
    EXPECT_FALSE(ku::IsRegistryExportFile(dir.File("missing.reg")));
    EXPECT_FALSE(ku::IsRegistryExportFile(dir.Path()));
}

// A real export made by regedit, the key then deleted, and the restore brings the value back
// before it reports success.
TEST(RestoreRegistryBackup, ImportsARealExportAndWaitsForIt) {
    kutest::ScratchKey key;
    kutest::ScratchDir dir;
    kutest::RawSetString(HKEY_CURRENT_USER, key.Path(), "Restored", "from the backup",
                         KEY_WOW64_64KEY);
    const std::string file = dir.File("Backup_20100105_093000.reg");
    ASSERT_EQ(optionstest::RunAndWait("regedit /e \"" + file + "\" \"HKEY_CURRENT_USER\\" +
                                      key.Path() + "\""), 0);
    ASSERT_TRUE(ku::IsRegistryExportFile(file));
    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
    ASSERT_EQ(optionstest::GetString(HKEY_CURRENT_USER, key.Path(), "Restored"), "<no key>");

    kutest::RecordingLauncher launcher;
    launcher.forward = true;
    ASSERT_EQ(ku::RestoreRegistryBackup(file), ku::RestoreResult::Restored);
    EXPECT_EQ(optionstest::GetString(HKEY_CURRENT_USER, key.Path(), "Restored"),
              "from the backup");
    ASSERT_EQ(launcher.Requests().size(), 1u);
    const ku::LaunchRequest request = launcher.Requests()[0];
    EXPECT_EQ(request.commandLine, "Regedit /s \"" + file + "\"");
    EXPECT_EQ(request.show, SW_HIDE);
    EXPECT_TRUE(request.wantProcess);
}

TEST(RestoreRegistryBackup, ReportsEveryFailureAsSuch) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("Backup_bad.reg"), "not an export"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("Backup_good.reg"), "REGEDIT4\r\n"));
    {
        kutest::RecordingLauncher launcher;
        EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_bad.reg")),
                  ku::RestoreResult::NotAnExport);
        EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("missing.reg")),
                  ku::RestoreResult::NotAnExport);
        EXPECT_TRUE(launcher.Requests().empty());
        launcher.ok = false;
        EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_good.reg")),
                  ku::RestoreResult::NotStarted);
        launcher.ok = true; // "started" but without a process to wait for
        EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_good.reg")),
                  ku::RestoreResult::NotStarted);
    }
    FailingImport failing;
    int pumped = 0;
    EXPECT_EQ(ku::RestoreRegistryBackup(dir.File("Backup_good.reg"), [&pumped] { ++pumped; }),
              ku::RestoreResult::Failed);
}
