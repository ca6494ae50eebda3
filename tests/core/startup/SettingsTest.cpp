// Settings: defaults written back, values read, wrong types, and the one settings writer.
#include <gtest/gtest.h>

#include "core/Reg32vs64.h"
#include "core/Settings.h"
#include "support/Sandbox.h"

namespace {

struct RawValue {
    DWORD type = REG_NONE;
    std::string data;
};

bool ReadRaw(HKEY root, const std::string& path, const std::string& name, RawValue& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    value.data.assign(buffer, size);
    return rc == ERROR_SUCCESS;
}

DWORD RawDword(HKEY root, const std::string& path, const std::string& name) {
    RawValue value;
    EXPECT_TRUE(ReadRaw(root, path, name, value)) << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
    DWORD number = 0xFFFFFFFF;
    if (value.data.size() == sizeof(DWORD))
        memcpy(&number, value.data.data(), sizeof(number));
    return number;
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
    RegCloseKey(key);
}

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
    EXPECT_EQ(ku::Settings.HelpURL, ku::DefaultHelpURL());
    EXPECT_EQ(ku::Settings.HomePage, ku::DefaultHomePage());
    EXPECT_TRUE(ku::Settings.CheckUpdate);
    EXPECT_FALSE(ku::Settings.ShowWindowsUpdate);
    EXPECT_EQ(ku::Settings.ViewStyle, 0);

    RawValue help;
    ASSERT_TRUE(ReadRaw(HKEY_CURRENT_USER, user.Path(), "HelpURL", help));
    EXPECT_EQ(help.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(help.data.c_str()),
              "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/help/");
    RawValue home;
    ASSERT_TRUE(ReadRaw(HKEY_CURRENT_USER, user.Path(), "HomePage", home));
    EXPECT_EQ(std::string(home.data.c_str()),
              "http://www.kelvane.com/products/system-utility/kelvane-uninstaller/");
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate"), 1u);
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, user.Path(), "ShowWindowsUpdate"), 0u);
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, user.Path(), "ViewStyle"), 0u);
}

TEST_F(SettingsTest, StoredValuesAreReadAndNotOverwritten) {
    kutest::RawSetString(HKEY_CURRENT_USER, user.Path(), "HelpURL", "http://help.example/",
                         KEY_WOW64_64KEY);
    SetDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", 0);
    SetDword(HKEY_CURRENT_USER, user.Path(), "ShowWindowsUpdate", 7);
    SetDword(HKEY_CURRENT_USER, user.Path(), "ViewStyle", 2);
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_EQ(ku::Settings.HelpURL, "http://help.example/");
    EXPECT_FALSE(ku::Settings.CheckUpdate);
    EXPECT_TRUE(ku::Settings.ShowWindowsUpdate); // any nonzero number
    EXPECT_EQ(ku::Settings.ViewStyle, 2);
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, user.Path(), "CheckUpdate"), 0u);
}

TEST_F(SettingsTest, ValueOfTheWrongTypeGivesTheDefaultAndStaysAsItWas) {
    kutest::RawSetString(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", "no", KEY_WOW64_64KEY);
    SetDword(HKEY_CURRENT_USER, user.Path(), "HomePage", 5);
    SetDword(HKEY_CURRENT_USER, user.Path(), "ViewStyle", 9); // out of range
    ASSERT_TRUE(ku::LoadSettings("\\" + user.Path()));
    EXPECT_TRUE(ku::Settings.CheckUpdate);
    EXPECT_EQ(ku::Settings.HomePage, ku::DefaultHomePage());
    EXPECT_EQ(ku::Settings.ViewStyle, 0);
    RawValue check;
    ASSERT_TRUE(ReadRaw(HKEY_CURRENT_USER, user.Path(), "CheckUpdate", check));
    EXPECT_EQ(check.type, static_cast<DWORD>(REG_SZ));
}

TEST_F(SettingsTest, WriterStoresUnderTheMachineAndTheUserKey) {
    const std::string path = user.Path(); // the same relative path under both roots
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);

    // The check box writes only into an existing machine key; the user's copy is still made.
    EXPECT_FALSE(ku::WriteSettingInteger("ShowWindowsUpdate", 1, false, "\\" + path));
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, path, "ShowWindowsUpdate"), 1u);

    // The options dialog creates the machine key.
    EXPECT_TRUE(ku::WriteSettingInteger("ViewStyle", 2, true, "\\" + path));
    EXPECT_EQ(RawDword(HKEY_LOCAL_MACHINE, path, "ViewStyle"), 2u);
    EXPECT_EQ(RawDword(HKEY_CURRENT_USER, path, "ViewStyle"), 2u);

    // And the next start sees the choice.
    ASSERT_TRUE(ku::LoadSettings("\\" + path));
    EXPECT_TRUE(ku::Settings.ShowWindowsUpdate);
    EXPECT_EQ(ku::Settings.ViewStyle, 2);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
}
