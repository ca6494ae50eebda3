// Settings: values read, defaults written back, wrong types left as they are.
#include <gtest/gtest.h>

#include "core/settings/Settings.h"
#include "core/system/Reg32vs64.h"
#include "support/Sandbox.h"

using kutest::RawReadDword;
using kutest::RawSetDword;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;
const HKEY CU = HKEY_CURRENT_USER;
const std::string kHome = "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/";

// The settings record as "HelpURL|HomePage|CheckUpdate ShowWindowsUpdate ViewStyle".
std::string Record() {
    const ku::TSettings& s = ku::Settings;
    return s.HelpURL + "|" + s.HomePage + "|" + std::to_string(s.CheckUpdate) + " " +
           std::to_string(s.ShowWindowsUpdate) + " " + std::to_string(s.ViewStyle);
}

} // namespace

TEST(Settings, StoredValuesAreReadAbsentOnesWrittenBackAndWrongTypesLeftAlone) {
    ku::SetMakerWebHost("");
    kutest::ScratchKey user{CU};
    kutest::RawSetString(CU, user.Path(), "HelpURL", "http://help.example/", k64);
    RawSetDword(CU, user.Path(), "ViewStyle", 2, k64);
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_EQ(Record(), "http://help.example/|" + kHome + "|1 0 2");

    kutest::ScratchKey odd{CU};
    kutest::RawSetString(CU, odd.Path(), "CheckUpdate", "no", k64);
    RawSetDword(CU, odd.Path(), "HomePage", 5, k64);
    ASSERT_TRUE(ku::LoadSettings("\\" + odd.Path()));
    EXPECT_EQ(Record(), kHome + "help/|" + kHome + "|1 0 0");
    // Absent values are written back, one of each kind; wrong types are left alone.
    EXPECT_EQ(kutest::RawReadString(CU, odd.Path(), "HelpURL", k64) + "|" +
                  std::to_string(RawReadDword(CU, odd.Path(), "ViewStyle", k64)) + "|" +
                  kutest::RawReadString(CU, odd.Path(), "CheckUpdate", k64),
              kHome + "help/|0|no");
}
