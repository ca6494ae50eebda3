// Settings: defaults written back, values read, wrong types, and the one settings writer.
#include <gtest/gtest.h>

#include "core/settings/Settings.h"
#include "core/system/Reg32vs64.h"
#include "support/Sandbox.h"

using kutest::RawReadDword;
using kutest::RawReadString;
using kutest::RawSetDword;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::Settings = ku::TSettings();
        ku::SetMakerWebHost("");
    }
    kutest::ScratchKey user{HKEY_CURRENT_USER};
};

} // namespace

TEST_F(SettingsTest, EmptyKeyGetsEveryDefaultWrittenBack) {
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_TRUE(ku::Settings.CheckUpdate);
    EXPECT_FALSE(ku::Settings.ShowWindowsUpdate);
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, user.Path(), "HelpURL", k64),
              "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/help/");
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, user.Path(), "HomePage", k64),
              "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/");
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", k64), 1);
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, user.Path(), "ShowWindowsUpdate", k64), 0);
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, user.Path(), "ViewStyle", k64), 0);
}

TEST_F(SettingsTest, StoredValuesAreReadAndWrongTypesGiveTheDefaultAndStayAsTheyWere) {
    kutest::RawSetString(HKEY_CURRENT_USER, user.Path(), "HelpURL", "http://help.example/", k64);
    RawSetDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", 0, k64);
    RawSetDword(HKEY_CURRENT_USER, user.Path(), "ShowWindowsUpdate", 7, k64);
    RawSetDword(HKEY_CURRENT_USER, user.Path(), "ViewStyle", 2, k64);
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_EQ(ku::Settings.HelpURL, "http://help.example/");
    EXPECT_FALSE(ku::Settings.CheckUpdate);
    EXPECT_TRUE(ku::Settings.ShowWindowsUpdate); // any nonzero number
    EXPECT_EQ(ku::Settings.ViewStyle, 2);
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", k64), 0);

    kutest::ScratchKey odd{HKEY_CURRENT_USER};
    kutest::RawSetString(HKEY_CURRENT_USER, odd.Path(), "CheckUpdate", "no", k64);
    RawSetDword(HKEY_CURRENT_USER, odd.Path(), "HomePage", 5, k64);
    RawSetDword(HKEY_CURRENT_USER, odd.Path(), "ViewStyle", 9, k64); // out of range
    ASSERT_TRUE(ku::LoadSettings("\\" + odd.Path()));
    EXPECT_TRUE(ku::Settings.CheckUpdate);
    EXPECT_EQ(ku::Settings.HomePage,
              "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/");
    EXPECT_EQ(ku::Settings.ViewStyle, 0);
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, odd.Path(), "CheckUpdate", k64), "no");
}

TEST_F(SettingsTest, WriterStoresUnderTheMachineAndTheUserKey) {
    const std::string path = user.Path(); // the same relative path under both roots
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, path, k64);

    // The check box writes only into an existing machine key; the user's copy is still made.
    EXPECT_FALSE(ku::WriteSettingInteger("ShowWindowsUpdate", 1, false, "\\" + path));
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, path, k64));
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, path, "ShowWindowsUpdate", k64), 1);

    // The options dialog creates the machine key.
    EXPECT_TRUE(ku::WriteSettingInteger("ViewStyle", 2, true, "\\" + path));
    EXPECT_EQ(RawReadDword(HKEY_LOCAL_MACHINE, path, "ViewStyle", k64), 2);
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, path, "ViewStyle", k64), 2);

    // And the next start sees the choice.
    ASSERT_TRUE(ku::LoadSettings("\\" + path));
    EXPECT_TRUE(ku::Settings.ShowWindowsUpdate);
    EXPECT_EQ(ku::Settings.ViewStyle, 2);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, path, k64);
}
