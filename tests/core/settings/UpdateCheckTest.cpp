// The update check against a real web server on 127.0.0.1 (started by ctest on the host).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/settings/Settings.h"
#include "core/settings/UpdateCheck.h"
#include "core/system/Dialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

const char* const kServerRoot = "C:\\kutest\\http";

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

struct Box {
    ku::MessageBoxCall call;
};

class UpdateCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = kutest::ReadAll(std::string(kServerRoot) + "\\port.txt");
        ASSERT_FALSE(port_.empty()) << "the local web server did not start";
        // Each test serves from a folder of its own below the server's root.
        site_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/" + site_);
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes_.push_back(call);
            return answer_;
        });
    }
    void TearDown() override {
        ku::SetMakerWebHost("");
        ku::SetMessageBoxHook(nullptr);
    }

    // Puts an Update.ini with [Version] Ver=version on the server.
    void Offer(const std::string& version, const std::string& site = "") {
        std::string folder = std::string(kServerRoot) + "\\www\\" + (site.empty() ? site_ : site) +
                             "\\products\\system-utility\\kelvane-uninstaller\\update";
        MakeFolders(folder);
        ASSERT_TRUE(
            kutest::WriteTextFile(folder + "\\Update.ini", "[Version]\r\nVer=" + version + "\r\n"));
    }
    void Installed(const std::string& version) {
        kutest::RawSetString(HKEY_CURRENT_USER, user_.Path(), "Version", version, KEY_WOW64_64KEY);
    }
    bool Newer() { return ku::IsNewerVersionAvailable(dir_.Path() + "\\", "\\" + user_.Path()); }
    ku::UpdateCheckPlaces Places() {
        ku::UpdateCheckPlaces places;
        places.programDir = dir_.Path() + "\\";
        places.keyPath = "\\" + user_.Path();
        return places;
    }

    std::string port_;
    std::string site_;
    kutest::ScratchDir dir_;
    kutest::ScratchKey user_{HKEY_CURRENT_USER};
    std::vector<ku::MessageBoxCall> boxes_;
    int answer_ = IDNO;
};

class RecordingWait : public ku::IUpdateWaitWindow {
  public:
    void Show() override { events += "show;"; }
    void Close() override { events += "close;"; }
    std::string events;
};

} // namespace

TEST(VersionOrder, IsOrdinalCharacterByCharacter) {
    EXPECT_TRUE(ku::IsVersionNewer("2010.1.4", "2010.1.3"));
    EXPECT_FALSE(ku::IsVersionNewer("2010.1.3", "2010.1.3"));
    EXPECT_FALSE(ku::IsVersionNewer("2010.1.2", "2010.1.3"));
    EXPECT_FALSE(ku::IsVersionNewer("2010.1.10", "2010.1.9"));
    EXPECT_TRUE(ku::IsVersionNewer("1", ""));
    EXPECT_FALSE(ku::IsVersionNewer("", ""));
}

TEST_F(UpdateCheckTest, NewerSameAndOlderVersions) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    EXPECT_TRUE(Newer());
    EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=2010.1.4\r\n");
    Offer("2010.1.3");
    EXPECT_FALSE(Newer());
    Offer("2009.12.1");
    EXPECT_FALSE(Newer());
}

TEST_F(UpdateCheckTest, MissingInstalledVersionMakesAnyOfferNewer) {
    Offer("0.1");
    EXPECT_EQ(ku::GetInstalledVersion("\\" + user_.Path()), "");
    EXPECT_TRUE(Newer());
}

TEST_F(UpdateCheckTest, DownloadedDescriptorReplacesTheOldFileWhole) {
    Installed("2010.1.3");
    ASSERT_TRUE(kutest::WriteTextFile(
        dir_.File("Update.ini"), "[Version]\r\nVer=2010.1.2\r\n; a much longer old file tail\r\n"));
    Offer("2010.1.4");
    EXPECT_TRUE(Newer());
    EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=2010.1.4\r\n");
}

TEST_F(UpdateCheckTest, MissingDescriptorIsNoUpdateAndLeavesTheOldFile) {
    Installed("2010.1.3");
    ASSERT_TRUE(kutest::WriteTextFile(dir_.File("Update.ini"), "[Version]\r\nVer=9\r\n"));
    EXPECT_FALSE(Newer()); // 404: the old file must not be read as an answer
    EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=9\r\n");
}

TEST_F(UpdateCheckTest, RedirectIsFollowed) {
    Installed("2010.1.3");
    Offer("2010.1.5");
    ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/redirect/" + site_);
    EXPECT_TRUE(Newer());
}

TEST_F(UpdateCheckTest, ServerDownIsNoUpdate) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    DWORD start = GetTickCount();
    EXPECT_FALSE(Newer());
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_EQ(kutest::PathExists(dir_.File("Update.ini")), false);
}

TEST_F(UpdateCheckTest, SlowServerIsCutOffByTheReadTimeout) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    ku::SetMakerWebHost("http://127.0.0.1:" + port_ + "/slow/" + site_);
    DWORD start = GetTickCount();
    EXPECT_FALSE(Newer()); // the server answers after 8 s, the client waits 5 s
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 4000u);
    EXPECT_LT(waited, 7900u);
}

TEST_F(UpdateCheckTest, YesStartsTheUpdaterAndAsksToEnd) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    answer_ = IDYES;
    kutest::RecordingLauncher launcher;
    EXPECT_TRUE(ku::CheckForUpdate(false, nullptr, Places()));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, ku::kUpdateQuestion);
    EXPECT_EQ(boxes_[0].caption, "Kelvane Uninstaller");
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, ku::LaunchRequest::Kind::Shell);
    EXPECT_EQ(requests[0].verb, "open");
    EXPECT_EQ(requests[0].file, dir_.File("Update.exe"));
    EXPECT_EQ(requests[0].show, SW_SHOW);
}

TEST_F(UpdateCheckTest, YesRunsTheRealUpdater) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    answer_ = IDYES;
    ASSERT_TRUE(CopyFileA((std::string(kutest::kFixtureDir) + "\\FakeUpdate.exe").c_str(),
                          dir_.File("Update.exe").c_str(), FALSE));
    kutest::RecordingLauncher launcher;
    launcher.forward = true;
    EXPECT_TRUE(ku::CheckForUpdate(false, nullptr, Places()));
    bool updated = false;
    for (int i = 0; i < 300 && !updated; ++i, Sleep(50))
        updated = kutest::PathExists(dir_.File("updated.txt"));
    EXPECT_TRUE(updated);
}

TEST_F(UpdateCheckTest, NoStartsNothing) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    answer_ = IDNO;
    kutest::RecordingLauncher launcher;
    EXPECT_FALSE(ku::CheckForUpdate(true, nullptr, Places()));
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(launcher.Requests().empty());
}

TEST_F(UpdateCheckTest, InteractiveCheckWaitsThenSaysUpToDate) {
    Installed("2010.1.3");
    Offer("2010.1.3");
    RecordingWait wait;
    kutest::RecordingLauncher launcher;
    EXPECT_FALSE(ku::CheckForUpdate(true, &wait, Places()));
    EXPECT_EQ(wait.events, "show;close;");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "There are no updates available at this time.\r"
                              "Your Kelvane Uninstaller is up-to-date.");
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(launcher.Requests().empty());
}

TEST_F(UpdateCheckTest, SilentCheckWithoutNetworkShowsNothing) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    RecordingWait wait;
    EXPECT_FALSE(ku::CheckForUpdate(false, &wait, Places()));
    EXPECT_EQ(wait.events, "");
    EXPECT_TRUE(boxes_.empty());
    // The interactive check without network closes its wait window and says so.
    EXPECT_FALSE(ku::CheckForUpdate(true, &wait, Places()));
    EXPECT_EQ(wait.events, "show;close;");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, ku::kNoUpdateMessage);
}
