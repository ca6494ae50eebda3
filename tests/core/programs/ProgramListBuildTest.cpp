// Building the program list from Uninstall entries written into a scratch key: which entries
// become rows, what each row holds when values are missing or of the wrong type, product
// codes, operating-system children and the views.
#include <gtest/gtest.h>

#include "ListTestSupport.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"

using kutest::RawSetDword;
using kutest::RawSetMultiSz;
using kutest::RawSetString;
using kutest::RawSetValue;
using listtest::AddEntry;
using listtest::Find;
using listtest::Names;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;
const HKEY kLm = HKEY_LOCAL_MACHINE;

class ProgramListBuild : public ::testing::Test {
  protected:
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    ku::ProgramListPlaces places = listtest::ScratchPlaces(scratch);
    listtest::ViewScope view{true};
    ku::TUninstallContents list;

    std::string Entry(const std::string& key) const {
        return listtest::Raw(places.uninstallKey) + "\\" + key;
    }
    std::vector<std::string> Build(bool showWindowsUpdate = false) {
        ku::BuildProgramList(list, showWindowsUpdate, places);
        return Names(list);
    }
};

TEST_F(ProgramListBuild, OnlyEntriesWithANameAndAStringUninstallerAreRows) {
    AddEntry(places, "Good", "Good Program", k64);
    RawSetString(kLm, Entry("NoUninstaller"), "DisplayName", "No Uninstaller", k64);
    AddEntry(places, "EmptyUninstaller", "Empty Uninstaller", k64, "");
    RawSetString(kLm, Entry("NoName"), "UninstallString", "x.exe", k64);
    RawSetString(kLm, Entry("NumberUninstaller"), "DisplayName", "Number", k64);
    RawSetDword(kLm, Entry("NumberUninstaller"), "UninstallString", 7, k64);
    RawSetString(kLm, Entry("ExpandUninstaller"), "DisplayName", "Expand", k64);
    RawSetValue(kLm, Entry("ExpandUninstaller"), "UninstallString", REG_EXPAND_SZ,
                std::string("%SystemRoot%\\u.exe", 20), k64);
    // Children of the operating system only with Windows Installer shown, in any case.
    AddEntry(places, "Hotfix", "Hotfix", k64);
    RawSetString(kLm, Entry("Hotfix"), "ParentKeyName", "OperatingSystem", k64);
    AddEntry(places, "Lower", "Lower", k64);
    RawSetString(kLm, Entry("Lower"), "ParentKeyName", "operatingsystem", k64);
    EXPECT_EQ(Build(), (std::vector<std::string>{"Expand", "Good Program", "Lower"}));
    EXPECT_EQ(Build(true), (std::vector<std::string>{"Expand", "Good Program", "Hotfix", "Lower"}));
}

TEST_F(ProgramListBuild, MissingAndMistypedValuesBecomeNotAvailable) {
    AddEntry(places, "Full", "Full", k64, "\"C:\\P\\unins.exe\" /x");
    RawSetString(kLm, Entry("Full"), "DisplayIcon", "C:\\P\\app.exe,1", k64);
    RawSetString(kLm, Entry("Full"), "DisplayVersion", "1.0", k64);
    AddEntry(places, "Bare", "Bare", k64, "bare.exe");
    AddEntry(places, "Odd", "Odd", k64, "odd.exe");
    for (const char* name : {"DisplayVersion", "HelpLink", "Publisher", "DisplayIcon"})
        RawSetDword(kLm, Entry("Odd"), name, 5, k64);
    AddEntry(places, "Text", "Text", k64);
    RawSetString(kLm, Entry("Text"), "VersionMajor", "5", k64);
    RawSetString(kLm, Entry("Text"), "VersionMinor", "1", k64);
    AddEntry(places, "Numbers", "Numbers", k64);
    RawSetDword(kLm, Entry("Numbers"), "VersionMajor", 5, k64);
    RawSetDword(kLm, Entry("Numbers"), "VersionMinor", 1, k64);
    Build();
    const std::string na = ku::kNotAvailable;
    const struct {
        const char* name;
        std::string icon, version, publisher;
    } cases[] = {
        {"Full", "C:\\P\\app.exe,1", "1.0", na},
        {"Bare", "bare.exe", na, na}, // no DisplayIcon: the uninstaller's
        {"Odd", "", na, na},
        {"Text", "unins.exe", "51", na}, // version from major and minor only as text
        {"Numbers", "unins.exe", "", na},
    };
    for (const auto& c : cases) {
        const auto* row = Find(list, c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(row->IconSource, c.icon) << c.name;
        EXPECT_EQ(row->DisplayVersion, c.version) << c.name;
        EXPECT_EQ(row->Publisher, c.publisher) << c.name;
        EXPECT_EQ(row->SubKeyName, c.name);
        EXPECT_EQ(row->RegistryPath, places.uninstallKey + "\\" + c.name);
    }
    const auto* bare = Find(list, "Bare");
    for (const std::string* field :
         {&bare->HelpLink, &bare->InstallDate, &bare->InstallLocation, &bare->URLInfoAbout,
          &bare->URLUpdateInfo, &bare->ModifyPath})
        EXPECT_EQ(*field, na);
    EXPECT_EQ(Find(list, "Full")->UninstallString, "\"C:\\P\\unins.exe\" /x");
}

TEST_F(ProgramListBuild, ProductNamedInAnotherEntrysProductCodesIsListedOnce) {
    const std::string named = "{11111111-2222-3333-4444-555555555555}";
    const std::string alone = "{AAAAAAAA-2222-3333-4444-555555555555}";
    const std::string text = "{BBBBBBBB-2222-3333-4444-555555555555}";
    AddEntry(places, named, "Named MSI", k64, "MsiExec.exe /X" + named);
    AddEntry(places, alone, "Alone MSI", k64, "MsiExec.exe /X" + alone);
    AddEntry(places, text, "Text MSI", k64, "MsiExec.exe /X" + text);
    AddEntry(places, "Suite", "Suite", k64);
    RawSetMultiSz(kLm, Entry("Suite"), "ProductCodes",
                  {"{00000000-0000-0000-0000-000000000000}", named}, k64);
    AddEntry(places, "TextSuite", "Text Suite", k64);
    RawSetString(kLm, Entry("TextSuite"), "ProductCodes", "{bbbbbbbb-2222-3333-4444-555555555555}",
                 k64);
    AddEntry(places, "NumberSuite", "Number Suite", k64);
    RawSetDword(kLm, Entry("NumberSuite"), "ProductCodes", 1, k64);
    AddEntry(places, "BinarySuite", "Binary Suite", k64);
    RawSetValue(kLm, Entry("BinarySuite"), "ProductCodes", REG_BINARY, alone, k64);
    // Unbraced keys first (enumeration order), then the braced ones nobody named.
    EXPECT_EQ(Build(), (std::vector<std::string>{"Binary Suite", "Number Suite", "Suite",
                                                 "Text Suite", "Alone MSI"}));
}

TEST_F(ProgramListBuild, MissingKeyLongAndNonAsciiTextsAndEachView) {
    list.Add();
    EXPECT_TRUE(Build().empty()); // no Uninstall key at all
    const std::string longName(3000, 'L'), longKey(160, 'K');
    const std::string accented = "Caf\xE9 M\xFCller \xC6sir";
    AddEntry(places, longKey, longName, k64);
    AddEntry(places, accented, accented, k64);
    RawSetString(kLm, Entry(accented), "Publisher", "\xC5ngstr\xF6m AB", k64);
    AddEntry(places, "Only32", "Only in 32", KEY_WOW64_32KEY);
    Build();
    ASSERT_NE(Find(list, longName), nullptr);
    EXPECT_EQ(Find(list, longName)->SubKeyName, longKey);
    ASSERT_NE(Find(list, accented), nullptr);
    EXPECT_EQ(Find(list, accented)->Publisher, "\xC5ngstr\xF6m AB");
    if (!kutest::RunningUnderWow64())
        return; // one registry view only
    EXPECT_EQ(Find(list, "Only in 32"), nullptr);
    listtest::ViewScope view32(false);
    EXPECT_EQ(Build(), (std::vector<std::string>{"Only in 32"}));
}

TEST_F(ProgramListBuild, ReadMultiSzValueReadsListsAndRefusesOtherTypes) {
    const std::string key = Entry("Values");
    RawSetMultiSz(kLm, key, "List", {"one", "two", "three"}, k64);
    RawSetValue(kLm, key, "Unterminated", REG_MULTI_SZ, std::string("a\0b", 3), k64);
    RawSetString(kLm, key, "Text", "x", k64);
    ku::TRegistry registry(ku::RegistryViewAccess());
    registry.SetRootKey(kLm);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key, true));
    std::vector<std::string> strings{"kept"};
    ku::ReadMultiSzValue("List", strings, registry);
    ku::ReadMultiSzValue("Unterminated", strings, registry);
    EXPECT_EQ(strings, (std::vector<std::string>{"kept", "one", "two", "three", "a", "b"}));
    EXPECT_THROW(ku::ReadMultiSzValue("Text", strings, registry), ku::ERegistryException);
    EXPECT_THROW(ku::ReadMultiSzValue("Missing", strings, registry), std::runtime_error);
}

} // namespace
