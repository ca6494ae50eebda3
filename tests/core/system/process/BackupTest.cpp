// The whole-registry backup: only a complete export is reported as a backup, a real one is an
// export regedit reads back in, and the newest backups are kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingDialogs.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

// The UTF-16 text of an export as plain bytes (the key names here are ASCII).
std::string Narrow(const std::string& wide) {
    std::string narrow;
    for (size_t i = 2; i + 1 < wide.size(); i += 2)
        narrow += wide[i];
    return narrow;
}

// Answers as the test asks and, for an export, writes what the test asks into the named file.
class FakeLauncher : public ICommandLauncher {
  public:
    LaunchResult Launch(const LaunchRequest& request) override {
        const std::string& line = request.commandLine;
        const size_t quote = line.find("/E \""); // the file, quoted, ends the line
        if (writeFile && quote != std::string::npos)
            std::ofstream(line.substr(quote + 4, line.size() - quote - 5), std::ios::binary)
                << content;
        LaunchResult result;
        result.ok = starts, result.exited = exits, result.exitCode = 5;
        return result;
    }
    bool starts = true, exits = true, writeFile = true;
    std::string content;
};

// Only this program writes the program folder's backups: the test removes them all.
class BackupTest : public ::testing::Test {
  protected:
    void SetUp() override { SetCommandLauncher(&launcher), Backups(true); }
    void TearDown() override { SetCommandLauncher(nullptr), Backups(true); }
    // How many backups there are (were, when `remove`); `newest` gets the last by name.
    static int Backups(bool remove = false, std::string* newest = nullptr) {
        int count = 0;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((Folder() + "Backup_*.reg").c_str(), &data);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
            count += !remove || DeleteFileA((Folder() + data.cFileName).c_str());
            if (newest)
                *newest = std::max(*newest, Folder() + data.cFileName);
        }
        FindClose(find);
        return count;
    }
    static std::string Folder() { return ProgramDir() + "FullBackup\\"; }
    FakeLauncher launcher;
    kutest::RecordingDialogs boxes;
};

} // namespace

TEST_F(BackupTest, MissingEmptyOrForeignFileIsNoBackup) {
    const struct {
        bool starts, exits, writeFile;
        const char* content;
    } cases[] = { // no file, an empty one, a foreign one, still running, not started
        {true, true, false, ""}, {true, true, true, ""}, {true, true, true, "MZ not an export"},
        {true, false, true, "REGEDIT4\r\n"}, {false, true, true, "REGEDIT4\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        std::tie(launcher.starts, launcher.exits, launcher.writeFile, launcher.content) =
            std::tie(c.starts, c.exits, c.writeFile, c.content);
        EXPECT_FALSE(BackupRegistryFull(nullptr));
        Backups(true);
    }
    EXPECT_TRUE(boxes.Calls().empty()) << "no \"backed up\" message without a backup";
}

TEST_F(BackupTest, RealBackupIsAnExportRegeditImportsAgainAndTheNewestFilesStay) {
    SetCommandLauncher(nullptr);
    kutest::ScratchKey key;
    kutest::RawSetString(HKEY_CURRENT_USER, key.Path(), "Probe", "Kelvane export probe",
                         KEY_WOW64_64KEY);
    CreateDirectoryA(Folder().c_str(), nullptr);
    // Written newest first, so the file system's own order is not the age order.
    for (int i = 7; i >= 1; --i)
        kutest::WriteTextFile(Folder() + Format("Backup_2009010%d_000000.reg", i), "REGEDIT4");
    const std::string notes = Folder() + "notes.txt";
    kutest::WriteTextFile(notes, "x");
    EXPECT_TRUE(BackupRegistryFull(nullptr));
    std::string newest;
    EXPECT_EQ(Backups(false, &newest), 6) << "five kept and the new one";
    EXPECT_FALSE(kutest::PathExists(Folder() + "Backup_20090102_000000.reg"));
    EXPECT_TRUE(kutest::PathExists(Folder() + "Backup_20090103_000000.reg"));
    EXPECT_TRUE(DeleteFileA(notes.c_str())) << "only backups are pruned";
    const auto calls = boxes.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].caption, "Restore");
    EXPECT_TRUE(StartsText(
        calls[0].text, "The registry was successfully backed up at the folder:\r\r" + Folder()));

    // Importing the whole file would roll back what other tests did meanwhile, so the probe's
    // section alone goes back in. A whole export holds the user's keys below HKEY_USERS\<SID>.
    const std::string text = Narrow(kutest::ReadAll(newest));
    const size_t found = text.find("\\" + key.Path() + "]\r\n");
    ASSERT_NE(found, std::string::npos);
    const size_t start = text.rfind("\r\n[HKEY_USERS\\", found) + 2;
    ASSERT_LT(start, found);
    const size_t end = text.find("\r\n\r\n", start);
    const std::string section = text.substr(start, end == std::string::npos ? end : end - start);
    EXPECT_NE(section.find("\"Probe\"=\"Kelvane export probe\""), std::string::npos) << section;
    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
    const std::string part = Folder() + "part.txt";
    std::ofstream(part, std::ios::binary) << "REGEDIT4\r\n\r\n" + section + "\r\n\r\n";
    EXPECT_EQ(kutest::RunAndWait(GetWindowsDir() + "\\regedit.exe /s \"" + part + "\""), 0);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY));
    DeleteFileA(part.c_str());
}
