// The update check against a real web server on 127.0.0.1 (started by ctest on the host).
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/settings/Settings.h"
#include "core/settings/UpdateCheck.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

const char* const kServerRoot = "C:\\kutest\\http";

class UpdateCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = kutest::ReadAll(std::string(kServerRoot) + "\\port.txt");
        ASSERT_FALSE(port_.empty()) << "the local web server did not start";
        // Each test serves from a folder of its own below the server's root.
        site_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/" + site_);
    }
    void TearDown() override { ku::SetMakerWebHost(""); }

    // Puts an Update.ini with [Version] Ver=version on the server.
    void Offer(const std::string& version) {
        std::string folder = std::string(kServerRoot) + "\\www\\" + site_ +
                             "\\products\\system-utility\\kelvane-uninstaller\\update";
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(
            kutest::WriteTextFile(folder + "\\Update.ini", "[Version]\r\nVer=" + version + "\r\n"));
    }
    void Installed(const std::string& version) {
        kutest::RawSetString(HKEY_CURRENT_USER, user_.Path(), "Version", version, KEY_WOW64_64KEY);
    }
    bool Newer() { return ku::IsNewerVersionAvailable(dir_.Path() + "\\", "\\" + user_.Path()); }
    ku::UpdateCheckPlaces Places() { return {dir_.Path() + "\\", "\\" + user_.Path()}; }

    std::string port_, site_;
    kutest::ScratchDir dir_;
    kutest::ScratchKey user_{HKEY_CURRENT_USER};
    kutest::RecordingDialogs dialogs_; // answers Yes to the question when no answer is set
};

class RecordingWait : public ku::IUpdateWaitWindow {
  public:
    void Show() override { events += "show;"; }
    void Close() override { events += "close;"; }
    std::string events;
};

} // namespace

TEST(VersionOrder, IsOrdinalCharacterByCharacter) {
    EXPECT_EQ((std::vector<bool>{ku::IsVersionNewer("2010.1.4", "2010.1.3"),
                                 ku::IsVersionNewer("1", ""),
                                 ku::IsVersionNewer("2010.1.3", "2010.1.3"),
                                 ku::IsVersionNewer("2010.1.2", "2010.1.3"),
                                 ku::IsVersionNewer("2010.1.10", "2010.1.9"),
                                 ku::IsVersionNewer("", "")}),
              (std::vector<bool>{true, true, false, false, false, false}));
}

TEST_F(UpdateCheckTest, OfferedVersionAgainstTheInstalledOneAndTheOldDescriptor) {
    Offer("0.1");
    EXPECT_EQ(ku::GetInstalledVersion("\\" + user_.Path()), "");
    EXPECT_TRUE(Newer()) << "no installed version: any offer is newer";
    Installed("2010.1.3");
    ASSERT_TRUE(kutest::WriteTextFile(
        dir_.File("Update.ini"), "[Version]\r\nVer=2010.1.2\r\n; a much longer old file tail\r\n"));
    Offer("2010.1.4");
    EXPECT_TRUE(Newer());
    EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=2010.1.4\r\n");
    for (const char* older : {"2010.1.3", "2009.12.1"}) {
        Offer(older);
        EXPECT_FALSE(Newer()) << older;
    }
    // Through a redirect.
    Offer("2010.1.5");
    ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/redirect/" + site_);
    EXPECT_TRUE(Newer());
}

TEST_F(UpdateCheckTest, MissingDescriptorIsNoUpdateAndLeavesTheOldFile) {
    Installed("2010.1.3");
    ASSERT_TRUE(kutest::WriteTextFile(dir_.File("Update.ini"), "[Version]\r\nVer=9\r\n"));
    EXPECT_FALSE(Newer()); // 404: the old file must not be read as an answer
    EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=9\r\n");
}

TEST_F(UpdateCheckTest, ServerDownOrTooSlowIsNoUpdate) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    DWORD start = GetTickCount();
    EXPECT_FALSE(Newer());
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_FALSE(kutest::PathExists(dir_.File("Update.ini")));

    Installed("2010.1.3");
    Offer("2010.1.4");
    ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/slow/" + site_);
    start = GetTickCount();
    EXPECT_FALSE(Newer()); // the server answers after 8 s, the client waits 5 s
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 4000u);
    EXPECT_LT(waited, 7900u);
}

TEST_F(UpdateCheckTest, YesRunsTheUpdaterAndNoStartsNothing) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    kutest::RecordingLauncher launcher;
    dialogs_.answers = {IDNO};
    EXPECT_FALSE(ku::CheckForUpdate(true, nullptr, Places()));
    EXPECT_EQ(dialogs_.Calls().size(), 1u);
    EXPECT_TRUE(launcher.Requests().empty());
    ASSERT_TRUE(CopyFileA((std::string(kutest::kFixtureDir) + "\\FakeUpdate.exe").c_str(),
                          dir_.File("Update.exe").c_str(), FALSE));
    launcher.forward = true;
    EXPECT_TRUE(ku::CheckForUpdate(false, nullptr, Places()));
    const auto boxes = dialogs_.Calls();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, ku::kUpdateQuestion);
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_TRUE(
        kutest::WaitFor([&] { return kutest::PathExists(dir_.File("updated.txt")); }, 15000));
}

TEST_F(UpdateCheckTest, InteractiveCheckShowsItsWaitAndSaysUpToDateOrNoNetwork) {
    Installed("2010.1.3");
    Offer("2010.1.3");
    RecordingWait wait;
    EXPECT_FALSE(ku::CheckForUpdate(true, &wait, Places()));
    EXPECT_EQ(wait.events, "show;close;");

    // Without network the silent check shows nothing, the interactive one says so.
    ku::SetMakerWebHost("http://127.0.0.1:1");
    RecordingWait silent;
    EXPECT_FALSE(ku::CheckForUpdate(false, &silent, Places()));
    EXPECT_EQ(silent.events, "");
    EXPECT_FALSE(ku::CheckForUpdate(true, &silent, Places()));
    EXPECT_EQ(silent.events, "show;close;");
    const std::string upToDate =
        "There are no updates available at this time.\rYour Kelvane Uninstaller is up-to-date.";
    EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{upToDate, ku::kNoUpdateMessage}));
}
