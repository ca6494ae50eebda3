// The normal-mode registry scan against scratch keys of the sandbox registry.
#include <gtest/gtest.h>

#include "WizardTestSupport.h"
#include "core/RegistryScan.h"
#include "core/SharedState.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemLines;
using kutest::RawCreateKey;
using kutest::RawSetString;
using kutest::ScratchKey;

namespace {

const char kCommand[] = "C:\\Program Files\\FooApp\\uninst.exe";

class RegistryScan : public ::testing::Test {
protected:
    void SetUp() override {
        ScanState = ScanRun;
        RegistryView64 = false;
    }
    void Set(const std::string& sub, const std::string& name, const std::string& data) {
        RawSetString(root(), scratch.Sub(sub), name, data, 0);
    }
    void Key(const std::string& sub) { RawCreateKey(root(), scratch.Sub(sub), 0); }
    HKEY root() const { return scratch.Root(); }
    std::string Line(const std::string& type, const std::string& sub, const std::string& value = "") {
        return type + " HKEY_CURRENT_USER\\" + scratch.Sub(sub) + (value.empty() ? "" : " = " + value);
    }
    void Scan(const std::string& keyWord, const std::string& command = kCommand,
              IScanProgress* progress = nullptr) {
        ScanRegistryNormalWalk(state, root(), scratch.Path(), progress, state.LeftoverList,
                               keyWord, "", command);
    }

    ScratchKey scratch{HKEY_CURRENT_USER};
    TWizardState state;
};

} // namespace

TEST_F(RegistryScan, KeysValueNamesAndDataOfTheProgramButNotOfItsLookAlike) {
    Key("FooApp\\Settings");
    Set("FooAppBar", "InstallDir", "C:\\Program Files\\FooAppBar");
    Set("Vendor\\Files", "FooApp.cfg", "x");
    Set("Vendor\\Paths", "Home", "D:\\FooApp\\data");
    Set("Vendor\\Paths", "Other", "C:\\FooAppBar\\x");
    Scan("FooApp");
    const auto lines = ItemLines(state.LeftoverList);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         Line("1", "FooApp"), Line("1", "FooApp\\Settings"),
                         Line("1", "Vendor\\Files", "FooApp.cfg"),
                         Line("2", "Vendor\\Paths", "Home")}))
        << ::testing::PrintToString(lines);
    const TContent& data = state.LeftoverList.GetItem(3).Content;
    EXPECT_EQ(data.ValueData, "D:\\FooApp\\data");
    // The item remembers the view it was found in, so the removal deletes it there.
    EXPECT_EQ(data.Extra, kutest::RunningUnderWow64() ? "32" : "");
}

TEST_F(RegistryScan, SharedKeysListTheValueAndOtherUninstallEntriesStay) {
    const std::string compat = "Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
    Set(compat, "C:\\Program Files\\FooApp\\foo.exe", "RUNASADMIN");
    Set(compat, "C:\\Other\\other.exe", "RUNASADMIN");
    const std::string uninstall = "Microsoft\\Windows\\CurrentVersion\\Uninstall";
    Set(uninstall + "\\Other", "Comments", "Works well with FooApp");
    Set(uninstall + "\\SecondEntry", "UninstallString", kCommand);
    Scan("FooApp");
    const auto lines = ItemLines(state.LeftoverList);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         Line("1", uninstall + "\\SecondEntry"),
                         Line("2", compat, "C:\\Program Files\\FooApp\\foo.exe")}))
        << ::testing::PrintToString(lines);
}

TEST_F(RegistryScan, RealRunKeyGivesAValueItem) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = "KuTest FooApp " + scratch.Path().substr(scratch.Path().rfind('\\') + 1);
    RawSetString(HKEY_CURRENT_USER, run, name, "C:\\x.exe", 0);
    MatchRegistryKeyNormal(HKEY_CURRENT_USER, run, state.LeftoverList, "FooApp", "", "");
    kutest::RawDeleteValue(HKEY_CURRENT_USER, run, name);
    EXPECT_EQ(ItemLines(state.LeftoverList),
              std::vector<std::string>{"2 HKEY_CURRENT_USER\\" + run + " = " + name});
}

TEST_F(RegistryScan, ShortWordsAreNotUsedButTheOtherWordsStillRun) {
    Key("Foo");
    Key("FooApp");
    ScanRegistryNormalWalk(state, root(), scratch.Path(), nullptr, state.LeftoverList, "Foo",
                           "", "FooApp");
    EXPECT_EQ(ItemLines(state.LeftoverList), std::vector<std::string>{Line("1", "FooApp")});
    state.LeftoverList.Clear();
    Scan("", "");
    EXPECT_EQ(state.LeftoverList.Count(), 0);
}

TEST_F(RegistryScan, RepeatedWowNodeIsSkippedAndNortonKeepsOutOfUninstall) {
    // In the 64-bit view a key named Wow6432Node is an ordinary key.
    RegistryView64 = true;
    for (const char* sub : {"Wow6432Node\\FooApp", "Wow6432Node\\Wow6432Node\\FooApp",
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FooApp"})
        RawCreateKey(root(), scratch.Sub(sub), KEY_WOW64_64KEY);
    state.NortonFlag = "1";
    Scan("FooApp");
    EXPECT_EQ(ItemLines(state.LeftoverList), std::vector<std::string>{Line("1", "Wow6432Node\\FooApp")});
    RegistryView64 = false;
}

TEST_F(RegistryScan, CountsKeysShowsEvery200thAndStopsOnSkip) {
    for (int i = 0; i < 450; ++i)
        Key("Many\\K" + std::to_string(1000 + i));
    Key("Zed\\FooApp");
    kutest::CountingProgress progress;
    state.ScanKeyCounter = 10;
    Scan("FooApp", "", &progress);
    EXPECT_EQ(state.ScanKeyCounter, 10 + 1 + 450 + 1 + 1);
    ASSERT_EQ(progress.captions.size(), 2u);
    EXPECT_EQ(progress.captions[0], scratch.Sub("Many\\K1188"));
    EXPECT_GE(progress.pumps, 452);
    EXPECT_TRUE(HasItem(state.LeftoverList, Line("1", "Zed\\FooApp")));

    // The skip button during the walk: every level ends at once, the items found stay.
    state.LeftoverList.Clear();
    Key("AFooApp\\FooApp");
    kutest::CountingProgress skipping;
    skipping.onPump = [](int n) {
        if (n == 3)
            ScanState = ScanSkipRegistry;
    };
    Scan("FooApp", "", &skipping);
    EXPECT_EQ(skipping.pumps, 3);
    EXPECT_EQ(ItemLines(state.LeftoverList), std::vector<std::string>{Line("1", "AFooApp\\FooApp")});
    ScanState = ScanRun;
}
