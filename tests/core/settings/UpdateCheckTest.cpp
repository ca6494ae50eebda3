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
const std::string kOld = "[Version]\r\nVer=9\r\n; a much longer old file tail\r\n";

class UpdateCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = kutest::ReadAll(std::string(kServerRoot) + "\\port.txt");
        ASSERT_FALSE(port_.empty()) << "the local web server did not start";
        // Each test serves from a folder of its own below the server's root.
        site_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Route("");
    }
    void TearDown() override { ku::SetMakerWebHost(""); }

    // The server's own route "slow/" leads to the test's site; "down" to none.
    void Route(const std::string& route) {
        ku::SetMakerWebHost(route == "down" ? "http://127.0.0.1:1"
                                            : "http://127.0.0.1:" + port_ + "/" + route + site_);
    }
    // Puts an Update.ini with [Version] Ver=version on the server; none for an empty version.
    void Offer(const std::string& version) {
        const std::string folder = std::string(kServerRoot) + "\\www\\" + site_ +
                                   "\\products\\system-utility\\kelvane-uninstaller\\update";
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        DeleteFileA((folder + "\\Update.ini").c_str());
        const std::string text = "[Version]\r\nVer=" + version + "\r\n";
        ASSERT_TRUE(version.empty() || kutest::WriteTextFile(folder + "\\Update.ini", text));
    }
    void Installed(const std::string& version) {
        kutest::RawSetString(HKEY_CURRENT_USER, user_.Path(), "Version", version, KEY_WOW64_64KEY);
    }
    ku::UpdateCheckPlaces Places() { return {dir_.Path() + "\\", "\\" + user_.Path()}; }

    std::string port_, site_;
    kutest::ScratchDir dir_;
    kutest::ScratchKey user_{HKEY_CURRENT_USER};
    kutest::RecordingDialogs dialogs_; // answers Yes to the question when no answer is set
};

} // namespace

// An old Update.ini that says Ver=9 lies in the program folder each time: only a fresh
// descriptor from the server may answer, and a newer one replaces it.
TEST_F(UpdateCheckTest, OnlyANewerDescriptorFromTheServerIsAnUpdate) {
    Installed("2010.1.3");
    const struct {
        const char *offered, *route;
        bool newer;
    } cases[] = {
        {"2010.1.4", "", true},
        {"2010.1.3", "", false},
        {"2009.12.1", "", false},
        {"", "", false}, // 404
        {"2010.1.4", "down", false},
        {"2010.1.4", "slow/", false}, // it answers after 30 s, the client waits 5 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.offered) + " " + c.route);
        Offer(c.offered);
        Route(c.route);
        ASSERT_TRUE(kutest::WriteTextFile(dir_.File("Update.ini"), kOld));
        const DWORD start = GetTickCount();
        EXPECT_EQ(ku::IsNewerVersionAvailable(dir_.Path() + "\\", "\\" + user_.Path()), c.newer);
        // Far below the slow answer, so a busy machine's start of the connection has room.
        EXPECT_LT(GetTickCount() - start, 15000u);
        if (c.newer) { // the fetched descriptor stays in the program folder
            EXPECT_EQ(kutest::ReadAll(dir_.File("Update.ini")), "[Version]\r\nVer=2010.1.4\r\n");
        }
    }
}

// (The wait window and the up-to-date message: the data module's test.)
TEST_F(UpdateCheckTest, OnlyYesToTheQuestionRunsTheUpdater) {
    Installed("2010.1.3");
    Offer("2010.1.4");
    kutest::RecordingLauncher launcher;
    dialogs_.answers = {IDNO};
    EXPECT_FALSE(ku::CheckForUpdate(true, nullptr, Places()));
    EXPECT_TRUE(launcher.Requests().empty());
    ASSERT_TRUE(CopyFileA((std::string(kutest::kFixtureDir) + "\\FakeUpdate.exe").c_str(),
                          dir_.File("Update.exe").c_str(), FALSE));
    launcher.forward = true;
    EXPECT_TRUE(ku::CheckForUpdate(false, nullptr, Places()));
    EXPECT_EQ(dialogs_.Texts(),
              (std::vector<std::string>{ku::kUpdateQuestion, ku::kUpdateQuestion}));
    EXPECT_TRUE(
        kutest::WaitFor([&] { return kutest::PathExists(dir_.File("updated.txt")); }, 15000));
}
