// Options of the General page against the sandbox registry: loading with missing and odd
// values, saving through the settings writer, UAC, the version text.
#include <gtest/gtest.h>

#include "core/settings/OptionValues.h"
#include "core/system/Handles.h"
#include "support/Sandbox.h"

TEST(OptionValues, LoadGivesStoredValuesOrDefaultsForWhateverIsMissingOrOdd) {
    kutest::ScratchKey key(HKEY_LOCAL_MACHINE);
    ku::TOptionValues none = ku::LoadOptionValues("\\" + key.Path());
    EXPECT_FALSE(none.keyOpened);
    EXPECT_TRUE(none.CheckUpdate);
    EXPECT_EQ(none.ViewStyle, 0);
    EXPECT_EQ(none.Version, "");
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key.Path(), KEY_WOW64_64KEY));

    // An incomplete or damaged key must not stop the dialog: defaults stand in.
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key.Path(), "ViewStyle", "icons", KEY_WOW64_64KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key.Path(), "Version", "  ", KEY_WOW64_64KEY);
    ku::TOptionValues odd = ku::LoadOptionValues("\\" + key.Path());
    EXPECT_TRUE(odd.keyOpened);
    EXPECT_TRUE(odd.CheckUpdate);
    EXPECT_EQ(odd.ViewStyle, 0);
    EXPECT_EQ(odd.Version, "2010.1.3");

    kutest::RawSetDword(HKEY_LOCAL_MACHINE, key.Path(), "CheckUpdate", 0, KEY_WOW64_64KEY);
    kutest::RawSetDword(HKEY_LOCAL_MACHINE, key.Path(), "ViewStyle", 2, KEY_WOW64_64KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key.Path(), "Version", " 2011.4 ", KEY_WOW64_64KEY);
    ku::TOptionValues stored = ku::LoadOptionValues("\\" + key.Path());
    EXPECT_FALSE(stored.CheckUpdate);
    EXPECT_EQ(stored.ViewStyle, 2);
    EXPECT_EQ(stored.Version, "2011.4");
}

TEST(OptionValues, SaveWritesMachineAndUserKeysAndTheSettingsRecord) {
    kutest::ScratchKey key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(ku::SaveOptionValues(false, 1, "\\" + key.Path()));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        EXPECT_EQ(kutest::RawReadDword(root, key.Path(), "ViewStyle", KEY_WOW64_64KEY), 1);
    EXPECT_FALSE(ku::Settings.CheckUpdate);
    // No style selected: the stored style and the record stay.
    ASSERT_TRUE(ku::SaveOptionValues(true, -1, "\\" + key.Path()));
    EXPECT_EQ(kutest::RawReadDword(HKEY_LOCAL_MACHINE, key.Path(), "ViewStyle", KEY_WOW64_64KEY),
              1);
    EXPECT_EQ(kutest::RawReadDword(HKEY_LOCAL_MACHINE, key.Path(), "CheckUpdate", KEY_WOW64_64KEY),
              1);
    EXPECT_EQ(ku::Settings.ViewStyle, 1);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
}

TEST(OptionValues, EnableLuaIsReadAndWrittenOnlyWhereItExistsAsANumber) {
    kutest::ScratchKey key(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), -1);
    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, key.Path(), KEY_WOW64_64KEY);
    EXPECT_FALSE(ku::WriteEnableLua(true, key.Path())); // older Windows: nothing to switch
    EXPECT_EQ(kutest::RawReadDword(HKEY_LOCAL_MACHINE, key.Path(), "EnableLUA", KEY_WOW64_64KEY),
              -1);

    kutest::RawSetDword(HKEY_LOCAL_MACHINE, key.Path(), "EnableLUA", 5, KEY_WOW64_64KEY);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), 1);
    EXPECT_TRUE(ku::WriteEnableLua(false, key.Path()));
    EXPECT_EQ(kutest::RawReadDword(HKEY_LOCAL_MACHINE, key.Path(), "EnableLUA", KEY_WOW64_64KEY),
              0);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), 0);

    kutest::RawSetString(HKEY_LOCAL_MACHINE, key.Path(), "EnableLUA", "1", KEY_WOW64_64KEY);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), -1);
    EXPECT_FALSE(ku::WriteEnableLua(false, key.Path()));
}

TEST(OptionValues, VersionLabelNamesTheExecutablesLastWriteTime) {
    kutest::ScratchDir dir;
    const std::string exe = dir.File("KU.exe");
    ASSERT_TRUE(kutest::WriteTextFile(exe, "MZ"));
    SYSTEMTIME time = {2010, 1, 2, 5, 9, 30, 0, 0}; // 5 January 2010 09:30:00 local time
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&time, &local) && LocalFileTimeToFileTime(&local, &utc));
    {
        ku::UniqueFile file(
            CreateFileA(exe.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &utc));
    }
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", exe),
              "Version: 2010.1.3, Last Time: 01/05/2010 09:30:00");
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", dir.File("Missing.exe")), "Unknowable Version");
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", dir.Path()), "Unknowable Version");
}
