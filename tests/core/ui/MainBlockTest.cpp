// The main block: order of the start-up steps, the two modes and the single instance.
#include <gtest/gtest.h>

#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/ui/main/MainBlock.h"
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
            windows.calls.push_back("main window [" + file + "] [" + folder + "]");
            return 0;
        };
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes.push_back(call.text);
            return IDNO;
        });
    }
    void TearDown() override {
        ku::SetMessageBoxHook(nullptr);
        ku::SetMakerWebHost("");
    }
    void NoUpdateCheck() {
        kutest::RawSetDword(HKEY_CURRENT_USER, settings.Path(), "CheckUpdate", 0);
    }

    kutest::ScratchDir dir;
    kutest::ScratchKey settings{HKEY_CURRENT_USER};
    ku::StartupContext context;
    kutest::RecordingWindows windows;
    std::vector<std::string>& calls = windows.calls;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(MainBlockTest, AutoRunInAnyCaseOpensOnlyTheSystemManager) {
    for (const char* argument : {"AUTORUN", "-autorun", "/AutoRun"}) {
        calls.clear();
        ku::StartResult result = ku::RunMainBlock(argument, context);
        EXPECT_EQ(result.outcome, ku::StartOutcome::AutoRunDone) << argument;
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(calls, std::vector<std::string>{"recovery auto"}) << argument;
    }
    EXPECT_TRUE(boxes.empty()); // no update check in the automatic mode
}

TEST_F(MainBlockTest, FolderNamedAutorunGoesToTheMainWindow) {
    NoUpdateCheck();
    const std::string folder = dir.File("Autorun Tools");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ku::StartResult result = ku::RunMainBlock(folder, context);
    EXPECT_EQ(result.outcome, ku::StartOutcome::MainWindowClosed);
    EXPECT_EQ(calls, std::vector<std::string>{"main window [] [" + folder + "]"});
}

TEST_F(MainBlockTest, SecondInstanceEndsAtOnceAfterSwapAndUnpackWithoutSettings) {
    for (const char* name : {"New_kuUpdate.exe", "UnRAR.exe", "CodeA.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), name));
    ku::SingleInstance first(context.mutexName);
    ASSERT_TRUE(first.IsFirst());
    kutest::RecordingLauncher launcher;
    ku::StartResult result = ku::RunMainBlock("", context);
    EXPECT_EQ(result.outcome, ku::StartOutcome::SecondInstance);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, settings.Path(), KEY_WOW64_64KEY));
    // Swap and unpacking come before the instance check.
    EXPECT_TRUE(kutest::PathExists(dir.File("kuUpdate.exe")));
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_NE(launcher.Requests()[0].commandLine.find("e CodeA.rar"), std::string::npos);
}

TEST_F(MainBlockTest, WithoutUpdateCheckTheSplashStaysItsTime) {
    NoUpdateCheck();
    context.splashMs = 400;
    DWORD start = GetTickCount();
    DWORD mainAt = 0;
    context.runMainWindow = [&](const std::string&, const std::string&) {
        mainAt = GetTickCount() - start;
        return 0;
    };
    ku::RunMainBlock("", context);
    EXPECT_GE(mainAt, 380u);
    EXPECT_FALSE(ku::Settings.CheckUpdate);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainBlockTest, FirstStartWritesDefaultsAndChecksSilently) {
    ku::SetMakerWebHost("http://127.0.0.1:1"); // nobody answers there
    kutest::RecordingLauncher launcher;
    ku::StartResult result = ku::RunMainBlock("C:\\kutest\\nothing here", context);
    EXPECT_EQ(result.outcome, ku::StartOutcome::MainWindowClosed);
    EXPECT_TRUE(ku::Settings.CheckUpdate);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, settings.Path(), KEY_WOW64_64KEY));
    EXPECT_TRUE(boxes.empty()); // a failed silent check says nothing
    EXPECT_TRUE(launcher.Requests().empty());
    EXPECT_EQ(calls, std::vector<std::string>{"main window [] []"});
}
