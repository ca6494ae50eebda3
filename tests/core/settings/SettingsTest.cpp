// Settings: defaults written back, values read, wrong types, and the one settings writer.
#include <gtest/gtest.h>

#include "core/settings/Settings.h"
#include "core/system/Reg32vs64.h"
#include "support/Sandbox.h"

using kutest::RawReadDword;
using kutest::RawSetDword;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;
const HKEY CU = HKEY_CURRENT_USER, LM = HKEY_LOCAL_MACHINE;
const std::string kHome = "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/";

// The settings record as "HelpURL|HomePage|CheckUpdate ShowWindowsUpdate ViewStyle".
std::string Record() {
    const ku::TSettings& s = ku::Settings;
    return s.HelpURL + "|" + s.HomePage + "|" + std::to_string(s.CheckUpdate) + " " +
           std::to_string(s.ShowWindowsUpdate) + " " + std::to_string(s.ViewStyle);
}
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::Settings = ku::TSettings();
        ku::SetMakerWebHost("");
    }
    kutest::ScratchKey user{CU};
};

} // namespace

TEST_F(SettingsTest, EmptyKeyGetsEveryDefaultWrittenBack) {
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_EQ(Record(), kHome + "help/|" + kHome + "|1 0 0");
    EXPECT_EQ(kutest::RawReadString(CU, user.Path(), "HelpURL", k64) + "|" +
                  kutest::RawReadString(CU, user.Path(), "HomePage", k64),
              kHome + "help/|" + kHome);
    EXPECT_EQ((std::vector<long long>{RawReadDword(CU, user.Path(), "CheckUpdate", k64),
                                      RawReadDword(CU, user.Path(), "ShowWindowsUpdate", k64),
                                      RawReadDword(CU, user.Path(), "ViewStyle", k64)}),
              (std::vector<long long>{1, 0, 0}));
}

TEST_F(SettingsTest, StoredValuesAreReadAndWrongTypesGiveTheDefaultAndStayAsTheyWere) {
    kutest::RawSetString(CU, user.Path(), "HelpURL", "http://help.example/", k64);
    RawSetDword(CU, user.Path(), "CheckUpdate", 0, k64);
    RawSetDword(CU, user.Path(), "ShowWindowsUpdate", 7, k64); // any nonzero number
    RawSetDword(CU, user.Path(), "ViewStyle", 2, k64);
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_EQ(Record(), "http://help.example/|" + kHome + "|0 1 2");

    kutest::ScratchKey odd{CU};
    kutest::RawSetString(CU, odd.Path(), "CheckUpdate", "no", k64);
    RawSetDword(CU, odd.Path(), "HomePage", 5, k64);
    RawSetDword(CU, odd.Path(), "ViewStyle", 9, k64); // out of range
    ASSERT_TRUE(ku::LoadSettings("\\" + odd.Path()));
    EXPECT_EQ(Record(), kHome + "help/|" + kHome + "|1 0 0");
    EXPECT_EQ(kutest::RawReadString(CU, odd.Path(), "CheckUpdate", k64), "no");
}

// (The options dialog's writes, which create the machine key, are the options window's test.)
TEST_F(SettingsTest, CheckBoxWritesOnlyIntoAnExistingMachineKeyButAlwaysTheUsers) {
    const std::string path = user.Path(); // the same relative path under both roots
    kutest::RawDeleteTree(LM, path, k64);
    EXPECT_FALSE(ku::WriteSettingInteger("ShowWindowsUpdate", 1, false, "\\" + path));
    EXPECT_FALSE(kutest::RawKeyExists(LM, path, k64));
    EXPECT_EQ(RawReadDword(CU, path, "ShowWindowsUpdate", k64), 1);
}
