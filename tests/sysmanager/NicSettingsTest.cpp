// Network settings backup and restore with a fake netsh behind the launcher seam (Wine's netsh
// is a stub): files, the remembered backup, the log and what the user is told.
#include <gtest/gtest.h>

#include "core/system/FileSystem.h"
#include "support/NetshLauncher.h"
#include "support/Sandbox.h"
#include "sysmanager/BootFiles.h"
#include "sysmanager/NicSettings.h"

namespace {

// Plays the user: picks `choice` in either dialog (empty: cancels) and keeps the messages.
struct ScriptedHost : ku::INicHost {
    bool ChooseBackupFile(std::string& path) override { return !(path = choice).empty(); }
    bool ChooseRestoreFile(const std::string& dir, std::string& path) override {
        initialDir = dir;
        return !(path = choice).empty();
    }
    void Message(const std::string& text, const std::string& caption, UINT) override {
        messages.push_back(caption + ": " + text);
    }
    std::string choice, initialDir;
    std::vector<std::string> messages;
};

struct NicSetup {
    NicSetup() {
        CreateDirectoryA(dir.File("My Backups").c_str(), nullptr);
        places.programDir = dir.Path();
        places.root = key.Root();
        places.settingKey = "\\" + key.Path();
    }
    std::string Remembered() {
        return kutest::RawReadString(key.Root(), key.Path(), "NICSetting", KEY_WOW64_64KEY);
    }
    kutest::ScratchDir dir;
    kutest::ScratchKey key{HKEY_LOCAL_MACHINE};
    ku::NicPlaces places;
    kutest::NetshLauncher launcher;
    ScriptedHost host;
};

} // namespace

TEST(NicSettings, BackupDumpsIntoTheChosenFileAndRemembersIt) {
    NicSetup s;
    s.host.choice = s.dir.File("My Backups\\NewBackup.nic");
    EXPECT_EQ(ku::BackupNetworkSettings(s.host, s.places), ku::NicOutcome::Done);
    EXPECT_NE(kutest::ReadAll(s.host.choice).find("set address name=\"Local Area Connection\""),
              std::string::npos);
    const std::string shortPath = ku::ShortOrLongPath(s.host.choice);
    EXPECT_EQ(s.host.messages,
              std::vector<std::string>{"Backup: NIC Settings Back up completely!\n\r" + shortPath});
    EXPECT_EQ(s.Remembered(), shortPath);
    // The restore opens where the last backup went and logs what netsh did.
    EXPECT_EQ(ku::RestoreNetworkSettings(s.host, s.places), ku::NicOutcome::Done);
    EXPECT_EQ(s.host.initialDir, ku::ExtractFilePath(shortPath));
    EXPECT_NE(kutest::ReadAll(s.dir.File("NICLog.txt")).find("lines set."), std::string::npos);
    const std::vector<ku::LaunchRequest> runs = s.launcher.Requests();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(std::make_pair(runs[2].commandLine, runs[2].show),
              std::make_pair("NOTEPAD.EXE  \"" + s.dir.File("NICLog.txt") + "\"",
                             int(SW_SHOWMAXIMIZED)));
}

TEST(NicSettings, CancelledOrFailedWorkWritesNothingAndSaysSo) {
    const struct { const char* name; bool choose, launches, restore; ku::NicOutcome outcome; }
    cases[] = {
        {"backup cancelled", false, true, false, ku::NicOutcome::Cancelled},
        {"restore cancelled", false, true, true, ku::NicOutcome::Cancelled},
        {"backup cannot start", true, false, false, ku::NicOutcome::Failed},
        {"restore cannot start", true, false, true, ku::NicOutcome::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NicSetup s;
        kutest::WriteTextFile(s.dir.File("NICLog.txt"), "earlier log");
        const std::string file = s.dir.File("My Backups\\Saved.nic");
        if (c.restore)
            kutest::WriteTextFile(file, "set address\r\n");
        s.host.choice = c.choose ? file : "";
        s.launcher.ok = c.launches;
        const ku::NicOutcome outcome = c.restore ? ku::RestoreNetworkSettings(s.host, s.places)
                                                 : ku::BackupNetworkSettings(s.host, s.places);
        EXPECT_EQ(std::make_tuple(outcome, s.Remembered(), ku::FileExists(file)),
                  std::make_tuple(c.outcome, std::string(), c.restore));
        const std::string told = s.host.messages.empty() ? "" : s.host.messages.back();
        EXPECT_EQ(s.host.messages.size() == 1 && told.find("failed!") != std::string::npos,
                  c.choose) << told;
        if (!c.choose)
            EXPECT_EQ(std::make_pair(kutest::ReadAll(s.dir.File("NICLog.txt")),
                                     s.launcher.Requests().size()),
                      std::make_pair(std::string("earlier log"), size_t(0)));
    }
}
