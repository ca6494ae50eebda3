// KU.exe itself under Wine: a normal start and a second start.
#include <gtest/gtest.h>

#include "core/settings/Startup.h"
#include "core/system/Handles.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

const char* const kRealSettings = "Software\\Kelvane Uninstaller";

int RunProgram(const std::string& argument, DWORD timeoutMs) {
    ku::UniqueHandle process(kutest::StartKu(argument, nullptr));
    return kutest::WaitForExit(process.get(), timeoutMs);
}

} // namespace

TEST(Program, StartsWithTheSplashThenTheMainWindowAndEndsWhenItCloses) {
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
    // No look-up of the maker's host from the test prefix.
    kutest::RawSetDword(HKEY_CURRENT_USER, kRealSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    DWORD id = 0;
    ku::UniqueHandle process(kutest::StartKu("", &id));
    ASSERT_TRUE(process);
    bool sawSplash = false;
    kutest::ProgramWindows windows;
    for (int i = 0; i < 400 && !windows.main; ++i) {
        windows = kutest::WindowsOf(id);
        sawSplash = sawSplash || windows.other != nullptr;
        Sleep(50);
    }
    EXPECT_TRUE(sawSplash);
    ASSERT_NE(windows.main, nullptr) << "no main window";
    PostMessageA(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(kutest::WaitForExit(process.get(), 15000), 0);
    EXPECT_TRUE(kutest::RawValueExists(HKEY_CURRENT_USER, kRealSettings, "HelpURL"));
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
}

TEST(Program, SecondStartEndsAtOnceWithoutTouchingSettings) {
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
    ku::SingleInstance running; // this test plays the first instance
    ASSERT_TRUE(running.IsFirst());
    EXPECT_EQ(RunProgram("", 20000), 0);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY));
}
