// Options of the General page against the sandbox registry: loading with missing and odd
// values, saving through the settings writer, UAC, the version text.
#include <gtest/gtest.h>

#include "OptionsTestSupport.h"
#include "core/OptionValues.h"
#include "core/Reg32vs64.h"
#include "support/Sandbox.h"

using optionstest::GetDword;
using optionstest::SetDword;

namespace {

// A settings key of its own under HKEY_LOCAL_MACHINE; the HKEY_CURRENT_USER twin that the
// settings writer also fills goes with it.
struct MachineSettingsKey {
    kutest::ScratchKey key{HKEY_LOCAL_MACHINE};
    ~MachineSettingsKey() {
        kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
    }
    std::string Path() const { return "\\" + key.Path(); }
};

} // namespace

TEST(LoadOptionValues, MissingKeyGivesDefaultsAndNoVersion) {
    ku::TOptionValues values = ku::LoadOptionValues("\\Software\\KelvaneTest\\NoSuchKey");
    EXPECT_FALSE(values.keyOpened);
    EXPECT_TRUE(values.CheckUpdate);
    EXPECT_EQ(values.ViewStyle, 0);
    EXPECT_EQ(values.Version, "");
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\KelvaneTest\\NoSuchKey",
                                      KEY_WOW64_64KEY)); // never created
}

TEST(LoadOptionValues, ReadsStoredValuesAndTrimsTheVersion) {
    MachineSettingsKey settings;
    SetDword(HKEY_LOCAL_MACHINE, settings.key.Path(), "CheckUpdate", 0);
    SetDword(HKEY_LOCAL_MACHINE, settings.key.Path(), "ViewStyle", 2);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, settings.key.Path(), "Version", " 2011.4.1 ",
                         KEY_WOW64_64KEY);
    ku::TOptionValues values = ku::LoadOptionValues(settings.Path());
    EXPECT_TRUE(values.keyOpened);
    EXPECT_FALSE(values.CheckUpdate);
    EXPECT_EQ(values.ViewStyle, 2);
    EXPECT_EQ(values.Version, "2011.4.1");
}

// An incomplete or damaged key must not stop the dialog: defaults stand in.
TEST(LoadOptionValues, MissingOrWrongTypedValuesFallBackToDefaults) {
    MachineSettingsKey settings;
    kutest::RawSetString(HKEY_LOCAL_MACHINE, settings.key.Path(), "ViewStyle", "icons",
                         KEY_WOW64_64KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, settings.key.Path(), "Version", "   ",
                         KEY_WOW64_64KEY);
    ku::TOptionValues values = ku::LoadOptionValues(settings.Path());
    EXPECT_TRUE(values.keyOpened);
    EXPECT_TRUE(values.CheckUpdate);
    EXPECT_EQ(values.ViewStyle, 0);
    EXPECT_EQ(values.Version, "2010.1.3");
}

TEST(SaveOptionValues, WritesMachineAndUserKeysAndTheSettingsRecord) {
    MachineSettingsKey settings;
    ku::Settings.CheckUpdate = true;
    ku::Settings.ViewStyle = 0;
    ASSERT_TRUE(ku::SaveOptionValues(false, 1, settings.Path()));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        EXPECT_EQ(GetDword(root, settings.key.Path(), "CheckUpdate"), 0);
        EXPECT_EQ(GetDword(root, settings.key.Path(), "ViewStyle"), 1);
    }
    EXPECT_FALSE(ku::Settings.CheckUpdate);
    EXPECT_EQ(ku::Settings.ViewStyle, 1);

    // No style selected: the stored style and the record stay.
    ASSERT_TRUE(ku::SaveOptionValues(true, -1, settings.Path()));
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, settings.key.Path(), "ViewStyle"), 1);
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, settings.key.Path(), "CheckUpdate"), 1);
    EXPECT_EQ(ku::Settings.ViewStyle, 1);
    EXPECT_TRUE(ku::Settings.CheckUpdate);
}

TEST(EnableLua, ReadAndWrittenOnlyWhereTheValueExists) {
    kutest::ScratchKey policies(HKEY_LOCAL_MACHINE);
    const std::string path = policies.Path();
    EXPECT_EQ(ku::ReadEnableLua(path), -1); // no key
    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
    EXPECT_EQ(ku::ReadEnableLua(path), -1); // key without the value: older Windows
    EXPECT_FALSE(ku::WriteEnableLua(true, path));
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, path, "EnableLUA"), -1);

    SetDword(HKEY_LOCAL_MACHINE, path, "EnableLUA", 5);
    EXPECT_EQ(ku::ReadEnableLua(path), 1);
    EXPECT_TRUE(ku::WriteEnableLua(false, path));
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, path, "EnableLUA"), 0);
    EXPECT_EQ(ku::ReadEnableLua(path), 0);
    EXPECT_TRUE(ku::WriteEnableLua(true, path));
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, path, "EnableLUA"), 1);

    kutest::RawSetString(HKEY_LOCAL_MACHINE, path, "EnableLUA", "1", KEY_WOW64_64KEY);
    EXPECT_EQ(ku::ReadEnableLua(path), -1); // not a number: left alone
    EXPECT_FALSE(ku::WriteEnableLua(false, path));
}

TEST(VersionLabel, NamesVersionAndLastWriteTimeOrAnUnknowableVersion) {
    kutest::ScratchDir dir;
    const std::string exe = dir.File("KU.exe");
    ASSERT_TRUE(kutest::WriteTextFile(exe, "MZ"));
    // 5 January 2010 09:30:00 local time.
    SYSTEMTIME time = {2010, 1, 2, 5, 9, 30, 0, 0};
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&time, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    {
        ku::UniqueFile file(CreateFileA(exe.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &utc));
    }
    EXPECT_EQ(ku::FileTimeText(utc), "01/05/2010 09:30:00");
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", exe),
              "Version: 2010.1.3, Last Time: 01/05/2010 09:30:00");
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", dir.File("Missing.exe")), "Unknowable Version");
    EXPECT_EQ(ku::VersionLabelText("2010.1.3", dir.Path()), "Unknowable Version");
    EXPECT_EQ(ku::VersionLabelText("", ""), "Unknowable Version");
}
