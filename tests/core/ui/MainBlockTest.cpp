// The main block where KU.exe cannot show it: the arguments and what a second instance still
// does before it ends.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/ui/main/MainBlock.h"
#include "support/Files.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"
#include "support/Sandbox.h"

namespace {

class MainBlockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        context.programDir = dir.Path() + "\\";
        context.mutexName = "KelvaneTest main block " + std::to_string(GetCurrentProcessId());
        context.settingsKey = "\\" + settings.Path();
        context.splashMs = 0;
        context.runMainWindow = [this](const std::string& file, const std::string& folder) {
            calls.push_back("main window [" + file + "] [" + folder + "]");
            return 0;
        };
    }

    kutest::ScratchDir dir;
    kutest::ScratchKey settings{HKEY_CURRENT_USER};
    ku::StartupContext context;
    kutest::RecordingWindows windows;
    std::vector<std::string>& calls = windows.calls;
    kutest::RecordingDialogs dialogs;
    kutest::RecordingLauncher launcher;
};

TEST_F(MainBlockTest, AutoRunOpensOnlyTheSystemManagerAndAFolderOfThatNameDoesNot) {
    const std::string folder = dir.File("Autorun Tools");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const struct {
        std::string argument, opened;
        ku::StartOutcome outcome;
    } cases[] = {
        {"/AutoRun", "recovery auto", ku::StartOutcome::AutoRunDone}, // see StartArgument
        {folder, "main window [] [" + folder + "]", ku::StartOutcome::MainWindowClosed},
    };
    kutest::RawSetDword(HKEY_CURRENT_USER, settings.Path(), "CheckUpdate", 0);
    for (const auto& c : cases) {
        calls.clear();
        const ku::StartResult result = ku::RunMainBlock(c.argument, context);
        EXPECT_TRUE(result.outcome == c.outcome && result.exitCode == 0) << c.argument;
        EXPECT_EQ(calls, std::vector<std::string>{c.opened}) << c.argument;
    }
}

// The update swap and the unpacking come before the instance check.
TEST_F(MainBlockTest, SecondInstanceStillSwapsAndUnpacksFirst) {
    for (const char* name : {"New_kuUpdate.exe", "UnRAR.exe", "CodeA.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), name));
    ku::SingleInstance first(context.mutexName);
    ASSERT_TRUE(first.IsFirst());
    EXPECT_EQ(ku::RunMainBlock("", context).outcome, ku::StartOutcome::SecondInstance);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(kutest::PathExists(dir.File("kuUpdate.exe")));
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_NE(launcher.Requests()[0].commandLine.find("e CodeA.rar"), std::string::npos);
}

// KU.exe's silent update check at start finds a newer version: its question belongs to the
// splash, the one window up at that moment.
TEST_F(MainBlockTest, TheStartsUpdateQuestionBelongsToTheSplash) {
    const std::string port = kutest::ReadAll("C:\\kutest\\http\\port.txt");
    ASSERT_FALSE(port.empty()) << "the local web server did not start";
    const std::string site = "MainBlockUpdate" + std::to_string(GetCurrentProcessId());
    const std::string folder = "C:\\kutest\\http\\www\\" + site +
                               "\\products\\system-utility\\kelvane-uninstaller\\update";
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\Update.ini", "[Version]\r\nVer=9999\r\n"));
    ku::SetMakerWebHost("http://127.0.0.1:" + port + "/" + site);
    kutest::RawSetDword(HKEY_CURRENT_USER, settings.Path(), "CheckUpdate", 1);
    kutest::RawSetString(HKEY_CURRENT_USER, settings.Path(), "Version", "2010.1.3");
    bool ownerShown = false;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        ownerShown = call.owner && IsWindowVisible(call.owner);
        return IDNO;
    });
    ku::RunMainBlock("", context);
    ku::SetMessageBoxHook(nullptr);
    ku::SetMakerWebHost("");
    kutest::RemoveTree("C:\\kutest\\http\\www\\" + site);
    EXPECT_TRUE(ownerShown) << "the question came without the window it belongs to";
    EXPECT_EQ(calls, std::vector<std::string>{"main window [] []"});
}

} // namespace
