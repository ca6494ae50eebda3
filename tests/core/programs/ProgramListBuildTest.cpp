// Building the program list from Uninstall entries written into a scratch key: which entries
// become rows, what each row holds when values are missing or of the wrong type, product
// codes, operating-system children and the views.
#include <gtest/gtest.h>

#include "ListTestSupport.h"
#include "core/system/PublicFunctionUnit.h"

using kutest::RawSetDword;
using kutest::RawSetString;
using kutest::RawSetValue;
using listtest::AddEntry;
using listtest::Find;
using Strings = std::vector<std::string>;

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
    Strings Build(bool showWindowsUpdate = false) {
        ku::BuildProgramList(list, showWindowsUpdate, places);
        return listtest::Names(list);
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
                std::string("%SystemRoot%\\u.exe", 19), k64);
    // Children of the operating system only with Windows Installer shown, in any case.
    for (const auto& [key, parent] :
         {std::pair{"Hotfix", "OperatingSystem"}, {"Lower", "operatingsystem"}}) {
        AddEntry(places, key, key, k64);
        RawSetString(kLm, Entry(key), "ParentKeyName", parent, k64);
    }
    EXPECT_EQ(Build(), (Strings{"Expand", "Good Program", "Lower"}));
    EXPECT_EQ(Build(true), (Strings{"Expand", "Good Program", "Hotfix", "Lower"}));
}

// Each row: icon source | version | publisher | key | path; a missing value is "NOT AVAILABLE",
// a value of the wrong type is never shown.
TEST_F(ProgramListBuild, MissingAndMistypedValuesBecomeNotAvailable) {
    AddEntry(places, "Full", "Full", k64, "\"C:\\P\\unins.exe\" /x");
    RawSetString(kLm, Entry("Full"), "DisplayIcon", "C:\\P\\app.exe,1", k64);
    RawSetString(kLm, Entry("Full"), "DisplayVersion", "1.0", k64);
    AddEntry(places, "Bare", "Bare", k64, "bare.exe");
    AddEntry(places, "Odd", "Odd", k64, "odd.exe");
    for (const char* name : {"DisplayVersion", "HelpLink", "Publisher", "DisplayIcon"})
        RawSetDword(kLm, Entry("Odd"), name, 5, k64);
    AddEntry(places, "Text", "Text", k64);
    AddEntry(places, "Numbers", "Numbers", k64);
    RawSetString(kLm, Entry("Text"), "VersionMajor", "5", k64);
    RawSetString(kLm, Entry("Text"), "VersionMinor", "1", k64);
    for (const char* name : {"VersionMajor", "VersionMinor"})
        RawSetDword(kLm, Entry("Numbers"), name, 5, k64);
    Build();
    const std::string na = ku::kNotAvailable, in = "|" + places.uninstallKey + "\\";
    const struct {
        const char* name;
        std::string row;
    } cases[] = {
        {"Full", "C:\\P\\app.exe,1|1.0|" + na + "|Full" + in + "Full"},
        {"Bare", "bare.exe|" + na + "|" + na + "|Bare" + in + "Bare"}, // the uninstaller's icon
        {"Odd", "|" + na + "|" + na + "|Odd" + in + "Odd"},
        {"Text", "unins.exe|51|" + na + "|Text" + in + "Text"}, // major and minor only as text
        {"Numbers", "unins.exe||" + na + "|Numbers" + in + "Numbers"},
    };
    for (const auto& c : cases) {
        const auto* row = Find(list, c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(row->IconSource + "|" + row->DisplayVersion + "|" + row->Publisher + "|" +
                      row->SubKeyName + "|" + row->RegistryPath,
                  c.row);
    }
    const auto* bare = Find(list, "Bare");
    EXPECT_EQ(bare->HelpLink + bare->InstallDate + bare->InstallLocation + bare->URLInfoAbout +
                  bare->URLUpdateInfo + bare->ModifyPath,
              na + na + na + na + na + na);
    EXPECT_EQ(Find(list, "Full")->UninstallString, "\"C:\\P\\unins.exe\" /x");
}

TEST_F(ProgramListBuild, ProductNamedInAnotherEntrysProductCodesIsListedOnce) {
    const std::string named = "{11111111-2222-3333-4444-555555555555}";
    const std::string alone = "{AAAAAAAA-2222-3333-4444-555555555555}";
    const std::string text = "{BBBBBBBB-2222-3333-4444-555555555555}";
    const std::string unended = "{CCCCCCCC-2222-3333-4444-555555555555}";
    for (const std::string& code : {named, alone, text, unended})
        AddEntry(places, code, code.substr(1, 2) + " MSI", k64, "MsiExec.exe /X" + code);
    const struct {
        const char* key;
        DWORD type;
        std::string codes;
    } suites[] = {
        {"Suite", REG_MULTI_SZ,
         "{00000000-0000-0000-0000-000000000000}" + std::string(1, '\0') + named +
             std::string(2, '\0')},
        {"TextSuite", REG_SZ, "{bbbbbbbb-2222-3333-4444-555555555555}" + std::string(1, '\0')},
        {"NumberSuite", REG_DWORD, std::string("\1\0\0\0", 4)},
        {"BinarySuite", REG_BINARY, alone},
        {"UnendedSuite", REG_MULTI_SZ, unended}, // a string list without its terminators
    };
    for (const auto& s : suites) {
        AddEntry(places, s.key, s.key, k64);
        RawSetValue(kLm, Entry(s.key), "ProductCodes", s.type, s.codes, k64);
    }
    // Unbraced keys first (enumeration order), then the braced ones nobody named.
    EXPECT_EQ(Build(), (Strings{"BinarySuite", "NumberSuite", "Suite", "TextSuite", "UnendedSuite",
                                "AA MSI"}));
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
    ASSERT_NE(Find(list, accented), nullptr);
    EXPECT_EQ(Find(list, longName)->SubKeyName + "|" + Find(list, accented)->Publisher,
              longKey + "|\xC5ngstr\xF6m AB");
    if (!kutest::RunningUnderWow64())
        return; // one registry view only
    EXPECT_EQ(Find(list, "Only in 32"), nullptr);
    listtest::ViewScope view32(false);
    EXPECT_EQ(Build(), (Strings{"Only in 32"}));
}

} // namespace
