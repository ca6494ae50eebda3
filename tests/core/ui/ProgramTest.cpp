// KU.exe itself under Wine, started while another instance runs. (Its normal start, splash and
// end run in the program-list tests with the fixture programs.)
#include <gtest/gtest.h>

#include "core/settings/Startup.h"
#include "core/system/Handles.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

TEST(Program, SecondStartEndsAtOnceWithoutTouchingSettings) {
    const char* const settings = "Software\\Kelvane Uninstaller";
    kutest::RawDeleteTree(HKEY_CURRENT_USER, settings, KEY_WOW64_64KEY);
    ku::SingleInstance running; // this test plays the first instance
    ASSERT_TRUE(running.IsFirst());
    ku::UniqueHandle process(kutest::StartKu("", nullptr));
    EXPECT_EQ(kutest::WaitForExit(process.get(), 20000), 0);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, settings, KEY_WOW64_64KEY));
}
