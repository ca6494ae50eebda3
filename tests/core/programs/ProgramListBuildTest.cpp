// Building the program list from Uninstall entries written into a scratch key: which entries
// become rows, what each row holds, product codes, operating-system children and the views.
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
using listtest::Raw;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;

class ProgramListBuild : public ::testing::Test {
  protected:
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    ku::ProgramListPlaces places = listtest::ScratchPlaces(scratch);
    listtest::ViewScope view{true};
    ku::TUninstallContents list;

    std::string Entry(const std::string& key) const {
        return Raw(places.uninstallKey) + "\\" + key;
    }
};

TEST_F(ProgramListBuild, ListsOnlyEntriesWithANameAndAnUninstaller) {
    AddEntry(places, "Good", "Good Program", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("NoUninstaller"), "DisplayName", "No Uninstaller", k64);
    AddEntry(places, "EmptyUninstaller", "Empty Uninstaller", k64, "");
    RawSetString(HKEY_LOCAL_MACHINE, Entry("NoName"), "UninstallString", "x.exe", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("NumberUninstaller"), "DisplayName", "Number", k64);
    RawSetDword(HKEY_LOCAL_MACHINE, Entry("NumberUninstaller"), "UninstallString", 7, k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("ExpandUninstaller"), "DisplayName", "Expand", k64);
    RawSetValue(HKEY_LOCAL_MACHINE, Entry("ExpandUninstaller"), "UninstallString", REG_EXPAND_SZ,
                std::string("%SystemRoot%\\u.exe", 20), k64);
    ku::BuildProgramList(list, false, places);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Expand", "Good Program"}));
}

TEST_F(ProgramListBuild, MissingAndMistypedValuesBecomeNotAvailable) {
    AddEntry(places, "Full", "Full", k64, "\"C:\\P\\unins.exe\" /x");
    for (const char* name : {"DisplayVersion", "HelpLink", "InstallDate", "InstallLocation",
                             "Publisher", "URLInfoAbout", "URLUpdateInfo", "ModifyPath"})
        RawSetString(HKEY_LOCAL_MACHINE, Entry("Full"), name, std::string("v-") + name, k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("Full"), "DisplayIcon", "C:\\P\\app.exe,1", k64);
    AddEntry(places, "Bare", "Bare", k64, "bare.exe");
    AddEntry(places, "Odd", "Odd", k64, "odd.exe");
    for (const char* name : {"DisplayVersion", "HelpLink", "Publisher", "DisplayIcon"})
        RawSetDword(HKEY_LOCAL_MACHINE, Entry("Odd"), name, 5, k64);
    ku::BuildProgramList(list, false, places);
    ASSERT_EQ(list.Count(), 3);

    const auto* full = Find(list, "Full");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->IconSource, "C:\\P\\app.exe,1");
    EXPECT_EQ(full->DisplayVersion, "v-DisplayVersion");
    EXPECT_EQ(full->ModifyPath, "v-ModifyPath");
    EXPECT_EQ(full->URLUpdateInfo, "v-URLUpdateInfo");
    EXPECT_EQ(full->SubKeyName, "Full");
    EXPECT_EQ(full->UninstallString, "\"C:\\P\\unins.exe\" /x");
    EXPECT_EQ(full->RegistryPath, places.uninstallKey + "\\Full");

    const auto* bare = Find(list, "Bare");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->IconSource, "bare.exe"); // no DisplayIcon: the uninstaller
    for (const std::string* field :
         {&bare->DisplayVersion, &bare->HelpLink, &bare->InstallDate, &bare->InstallLocation,
          &bare->Publisher, &bare->URLInfoAbout, &bare->URLUpdateInfo, &bare->ModifyPath})
        EXPECT_EQ(*field, ku::kNotAvailable);

    const auto* odd = Find(list, "Odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->IconSource, "");
    EXPECT_EQ(odd->DisplayVersion, ku::kNotAvailable);
    EXPECT_EQ(odd->HelpLink, ku::kNotAvailable);
    EXPECT_EQ(odd->Publisher, ku::kNotAvailable);
}

TEST_F(ProgramListBuild, VersionFromMajorAndMinorOnlyAsText) {
    AddEntry(places, "Text", "Text", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("Text"), "VersionMajor", "5", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("Text"), "VersionMinor", "1", k64);
    AddEntry(places, "Numbers", "Numbers", k64);
    RawSetDword(HKEY_LOCAL_MACHINE, Entry("Numbers"), "VersionMajor", 5, k64);
    RawSetDword(HKEY_LOCAL_MACHINE, Entry("Numbers"), "VersionMinor", 1, k64);
    AddEntry(places, "MinorOnly", "MinorOnly", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("MinorOnly"), "VersionMinor", "9", k64);
    ku::BuildProgramList(list, false, places);
    EXPECT_EQ(Find(list, "Text")->DisplayVersion, "51");
    EXPECT_EQ(Find(list, "Numbers")->DisplayVersion, "");
    EXPECT_EQ(Find(list, "MinorOnly")->DisplayVersion, ku::kNotAvailable);
}

TEST_F(ProgramListBuild, ProductNamedInAnotherEntrysProductCodesIsListedOnce) {
    const std::string named = "{11111111-2222-3333-4444-555555555555}";
    const std::string alone = "{AAAAAAAA-2222-3333-4444-555555555555}";
    const std::string text = "{BBBBBBBB-2222-3333-4444-555555555555}";
    AddEntry(places, named, "Named MSI", k64, "MsiExec.exe /X" + named);
    AddEntry(places, alone, "Alone MSI", k64, "MsiExec.exe /X" + alone);
    AddEntry(places, text, "Text MSI", k64, "MsiExec.exe /X" + text);
    AddEntry(places, "Suite", "Suite", k64);
    RawSetMultiSz(
        HKEY_LOCAL_MACHINE, Entry("Suite"), "ProductCodes",
        {"{00000000-0000-0000-0000-000000000000}", "{11111111-2222-3333-4444-555555555555}"}, k64);
    AddEntry(places, "TextSuite", "Text Suite", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("TextSuite"), "ProductCodes",
                 "{bbbbbbbb-2222-3333-4444-555555555555}", k64);
    AddEntry(places, "NumberSuite", "Number Suite", k64);
    RawSetDword(HKEY_LOCAL_MACHINE, Entry("NumberSuite"), "ProductCodes", 1, k64);
    AddEntry(places, "BinarySuite", "Binary Suite", k64);
    RawSetValue(HKEY_LOCAL_MACHINE, Entry("BinarySuite"), "ProductCodes", REG_BINARY, alone, k64);
    ku::BuildProgramList(list, false, places);
    const std::vector<std::string> names = Names(list);
    // Unbraced keys first (enumeration order), then the braced ones nobody named.
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names.back(), "Alone MSI");
    EXPECT_EQ(Find(list, "Named MSI"), nullptr);
    EXPECT_EQ(Find(list, "Text MSI"), nullptr);
    EXPECT_NE(Find(list, "Binary Suite"), nullptr);
}

TEST_F(ProgramListBuild, OperatingSystemChildrenOnlyWithWindowsInstallerShown) {
    AddEntry(places, "Hotfix", "Hotfix", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("Hotfix"), "ParentKeyName", "OperatingSystem", k64);
    AddEntry(places, "Lower", "Lower", k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry("Lower"), "ParentKeyName", "operatingsystem", k64);
    ku::BuildProgramList(list, false, places);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Lower"}));
    ku::BuildProgramList(list, true, places);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Hotfix", "Lower"}));
}

TEST_F(ProgramListBuild, MissingUninstallKeyGivesAnEmptyList) {
    list.Add();
    ku::BuildProgramList(list, false, places);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ProgramListBuild, LongAndNonAsciiTextsSurvive) {
    const std::string longName(3000, 'L');
    const std::string longKey(160, 'K');
    const std::string accented = "Caf\xE9 M\xFCller \xC6sir";
    AddEntry(places, longKey, longName, k64);
    AddEntry(places, accented, accented, k64);
    RawSetString(HKEY_LOCAL_MACHINE, Entry(accented), "Publisher", "\xC5ngstr\xF6m AB", k64);
    ku::BuildProgramList(list, false, places);
    ASSERT_NE(Find(list, longName), nullptr);
    EXPECT_EQ(Find(list, longName)->SubKeyName, longKey);
    ASSERT_NE(Find(list, accented), nullptr);
    EXPECT_EQ(Find(list, accented)->Publisher, "\xC5ngstr\xF6m AB");
}

TEST_F(ProgramListBuild, EachViewShowsItsOwnEntries) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "one registry view only";
    AddEntry(places, "Only64", "Only in 64", KEY_WOW64_64KEY);
    AddEntry(places, "Only32", "Only in 32", KEY_WOW64_32KEY);
    {
        listtest::ViewScope view64(true);
        ku::BuildProgramList(list, false, places);
        EXPECT_EQ(Names(list), (std::vector<std::string>{"Only in 64"}));
    }
    {
        listtest::ViewScope view32(false);
        ku::BuildProgramList(list, false, places);
        EXPECT_EQ(Names(list), (std::vector<std::string>{"Only in 32"}));
    }
}

TEST_F(ProgramListBuild, ReadMultiSzValueReadsListsAndRefusesOtherTypes) {
    const std::string key = Entry("Values");
    RawSetMultiSz(HKEY_LOCAL_MACHINE, key, "List", {"one", "two", "three"}, k64);
    RawSetValue(HKEY_LOCAL_MACHINE, key, "Unterminated", REG_MULTI_SZ, std::string("a\0b", 3), k64);
    RawSetString(HKEY_LOCAL_MACHINE, key, "Text", "x", k64);
    ku::TRegistry registry(ku::RegistryViewAccess());
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key, true));
    std::vector<std::string> strings{"kept"};
    ku::ReadMultiSzValue("List", strings, registry);
    EXPECT_EQ(strings, (std::vector<std::string>{"kept", "one", "two", "three"}));
    strings.clear();
    ku::ReadMultiSzValue("Unterminated", strings, registry);
    EXPECT_EQ(strings, (std::vector<std::string>{"a", "b"}));
    EXPECT_THROW(ku::ReadMultiSzValue("Text", strings, registry), ku::ERegistryException);
    EXPECT_THROW(ku::ReadMultiSzValue("Missing", strings, registry), std::runtime_error);
}

} // namespace
