// Building the program list from Uninstall entries written into a scratch key: which entries
// become rows, product codes, operating-system children, a missing key and long or non-ASCII
// texts.
#include <gtest/gtest.h>

#include <algorithm>

#include "ListTestSupport.h"
#include "support/WideNames.h"

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

TEST_F(ProgramListBuild, MissingKeyAndLongOrNonAsciiTexts) {
    list.Add();
    EXPECT_TRUE(Build().empty());
    const std::string longName(3000, 'L'), longKey(160, 'K');
    const std::string accented = "Caf\xE9 M\xFCller \xC6sir";
    AddEntry(places, longKey, longName, k64);
    AddEntry(places, accented, accented, k64);
    RawSetString(kLm, Entry(accented), "Publisher", "\xC5ngstr\xF6m AB", k64);
    Build();
    ASSERT_NE(Find(list, longName), nullptr);
    ASSERT_NE(Find(list, accented), nullptr);
    EXPECT_EQ(Find(list, longName)->SubKeyName + "|" + Find(list, accented)->Publisher,
              longKey + "|\xC5ngstr\xF6m AB");
}

// "Ωmega Suite" reads as its Latin twin "Omega Suite" and "测试 Suite" as "?? Suite", a key that
// cannot be opened by that name: each is listed once, said to be one this program cannot
// handle, and marked so that nothing is run or deleted for it.
TEST_F(ProgramListBuild, EntriesTheCodePageCannotHoldAreListedAsSuchNeverAsTheirTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    AddEntry(places, "Omega Suite", "Omega Suite", k64, "C:\\Omega\\un.exe");
    const std::wstring uninstall = kutest::WideOf(listtest::Raw(places.uninstallKey));
    const std::wstring omega = std::wstring(kutest::kOmega) + L"mega Suite";
    const std::wstring chinese = L"\u6D4B\u8BD5 Suite";
    ASSERT_TRUE(kutest::WideSetString(kLm, uninstall + L"\\Greek", L"DisplayName", omega, k64));
    ASSERT_TRUE(kutest::WideSetString(kLm, uninstall + L"\\Greek", L"UninstallString",
                                      L"C:\\" + omega + L"\\un.exe", k64));
    ASSERT_TRUE(
        kutest::WideSetString(kLm, uninstall + L"\\" + chinese, L"DisplayName", chinese, k64));
    ASSERT_TRUE(kutest::WideSetString(kLm, uninstall + L"\\" + chinese, L"UninstallString",
                                      L"C:\\Tools\\un.exe", k64));
    Strings names = Build();
    std::sort(names.begin(), names.end());
    const std::string cannot = " (holds characters this program cannot handle)";
    EXPECT_EQ(names, (Strings{"?? Suite" + cannot, "?mega Suite" + cannot, "Omega Suite"}));
    for (const std::string& name : names)
        EXPECT_EQ(Find(list, name)->Inexact, name != "Omega Suite") << name;
}

} // namespace
