// The whole-registry backup: only a complete export is reported as a backup.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

// Records each request and, for an export, writes what the test asks into the named file.
class FakeLauncher : public ICommandLauncher {
  public:
    LaunchResult Launch(const LaunchRequest& request) override {
        const size_t quote = request.commandLine.find("/E \"");
        if (writeFile && quote != std::string::npos) {
            std::string file = request.commandLine.substr(quote + 4);
            file.pop_back();
            std::ofstream(file, std::ios::binary) << content;
        }
        LaunchResult result;
        result.ok = starts;
        result.exited = exits;
        result.exitCode = 5;
        return result;
    }
    bool starts = true, exits = true, writeFile = true;
    std::string content;
};

class BackupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetCommandLauncher(&launcher);
        Backups(true);
    }
    void TearDown() override {
        SetCommandLauncher(nullptr);
        Backups(true);
    }
    // Only this program writes the program folder's backups. Deletes them when asked; how
    // many backups there were.
    static int Backups(bool remove = false) {
        int count = 0;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((Folder() + "Backup_*.reg").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return 0;
        do
            count += !remove || DeleteFileA((Folder() + data.cFileName).c_str());
        while (FindNextFileA(find, &data));
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
    } cases[] = {
        {true, true, false, ""}, // no file written
        {true, true, true, ""},  // an empty file
        {true, true, true, "MZ this is not an export"},
        {true, false, true, "REGEDIT4\r\n"}, // still running when the wait ended
        {false, true, true, "REGEDIT4\r\n"}, // never started
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        std::tie(launcher.starts, launcher.exits, launcher.writeFile, launcher.content) =
            std::tie(c.starts, c.exits, c.writeFile, c.content);
        EXPECT_FALSE(BackupRegistryFull());
        Backups(true);
    }
    EXPECT_TRUE(boxes.Calls().empty()) << "no \"backed up\" message without a backup";
}

TEST_F(BackupTest, RealBackupWritesAnExportAndKeepsTheNewestFiles) {
    SetCommandLauncher(nullptr);
    CreateDirectoryA(Folder().c_str(), nullptr);
    for (int i = 0; i < 7; ++i)
        kutest::WriteTextFile(Folder() + Format("Backup_2009010%d_000000.reg", i + 1), "REGEDIT4");
    EXPECT_TRUE(BackupRegistryFull());
    EXPECT_EQ(Backups(), 6) << "five kept and the new one";
    EXPECT_FALSE(kutest::PathExists(Folder() + "Backup_20090102_000000.reg"));
    EXPECT_TRUE(kutest::PathExists(Folder() + "Backup_20090103_000000.reg"));
    const auto calls = boxes.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].caption, "Restore");
    EXPECT_TRUE(StartsText(
        calls[0].text, "The registry was successfully backed up at the folder:\r\r" + Folder()));
}
