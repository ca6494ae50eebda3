// The normal-mode registry scan against scratch keys of the sandbox registry.
#include <gtest/gtest.h>

#include "core/force/ForceSupport.h"
#include "core/removal/WizardTestSupport.h"
#include "core/scan/RegistryScan.h"
#include "core/system/SharedState.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::ItemTexts;
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
    void TearDown() override {
        ScanState = ScanRun;
        RegistryView64 = false;
    }
    void Set(const std::string& sub, const std::string& name, const std::string& data) {
        RawSetString(HKEY_CURRENT_USER, scratch.Sub(sub), name, data, 0);
    }
    void Key(const std::string& sub, REGSAM view = 0) {
        RawCreateKey(HKEY_CURRENT_USER, scratch.Sub(sub), view);
    }
    std::string Line(const std::string& type, const std::string& sub, const std::string& value = "") {
        return kutest::ItemText(type.c_str(), "HKEY_CURRENT_USER", scratch.Sub(sub), value);
    }
    std::vector<std::string> Scan(const std::string& keyWord, const std::string& command,
                                  IScanProgress* progress = nullptr) {
        state.LeftoverList.Clear();
        ScanRegistryNormalWalk(state, HKEY_CURRENT_USER, scratch.Path(), progress,
                               state.LeftoverList, keyWord, "", command);
        return ItemTexts(state.LeftoverList);
    }

    ScratchKey scratch{HKEY_CURRENT_USER};
    TWizardState state;
};

} // namespace

TEST_F(RegistryScan, WalkListsKeysInTheirViewAndSkipEndsEveryLevel) {
    Key("FooApp\\Settings");
    Key("FooAppBar");
    Set("Vendor", "Uninstaller", kCommand);
    Set("Vendor", "Keep", "x");
    EXPECT_EQ(Scan("FooApp", ""), (std::vector<std::string>{Line("1", "FooApp"),
                                                            Line("1", "FooApp\\Settings"),
                                                            Line("2", "Vendor", "Uninstaller")}));
    // The item remembers the view it was found in, so the removal deletes it there.
    EXPECT_EQ(state.LeftoverList.GetItem(0).Content.Extra, kutest::RunningUnderWow64() ? "32" : "");
    // A short word is not used, the uninstaller's file still is; nothing at all finds nothing.
    EXPECT_EQ(Scan("Foo", std::string(kCommand) + " /S"),
              std::vector<std::string>{Line("2", "Vendor", "Uninstaller")});
    EXPECT_TRUE(Scan("", "").empty());

    Key("AFooApp\\FooApp");
    Key("Between");
    kutest::CountingProgress skipping;
    skipping.onPump = [](int n) {
        if (n == 3)
            ScanState = ScanSkipRegistry;
    };
    EXPECT_EQ(Scan("FooApp", "", &skipping), std::vector<std::string>{Line("1", "AFooApp\\FooApp")});
    EXPECT_EQ(skipping.pumps, 3);
}

TEST_F(RegistryScan, RepeatedWowNodeIsSkippedAndNortonKeepsOutOfUninstall) {
    // In the 64-bit view a key named Wow6432Node is an ordinary key.
    RegistryView64 = true;
    for (const char* sub : {"Wow6432Node\\FooApp", "Wow6432Node\\Wow6432Node\\FooApp",
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FooApp"})
        Key(sub, KEY_WOW64_64KEY);
    state.NortonFlag = "1";
    EXPECT_EQ(Scan("FooApp", kCommand), std::vector<std::string>{Line("1", "Wow6432Node\\FooApp")});
}

TEST_F(RegistryScan, KeyWholeOnlyForItsNameOrEveryValueElseTheValuesThatHit) {
    const std::string prog = "C:\\Program Files\\FooApp";
    struct Value {
        std::string name, data;
    };
    struct RuleCase {
        const char* key;
        std::vector<Value> values;
        const char* subkey; // created below the key when set
        std::vector<std::string> expected; // "1" for the key, or the names of listed values
    };
    const RuleCase cases[] = {
        // App Paths\tool.exe of the program: every value names it, no subkeys.
        {"AppPaths\\tool.exe", {{"", prog + "\\tool.exe"}, {"Path", prog}}, nullptr, {"1"}},
        // Other programs' ProgIDs beside ours: only our value goes.
        {"Ext\\OpenWithProgids", {{"FooApp.txt", ""}, {"txtfile", ""}}, nullptr, {"FooApp.txt"}},
        // Every value names it, but the key has a subkey of its own.
        {"Holder", {{"Dir", prog}}, "Child", {"Dir"}},
        // Name and data both hit: listed once.
        {"Twice", {{"FooApp", prog}, {"Keep", "x"}}, nullptr, {"FooApp"}},
        // The key's own name.
        {"Vendor\\FooApp", {{"Keep", "x"}}, nullptr, {"1"}},
        // Another program's Uninstall entry whose name holds the word; then our own entry.
        {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\FooApp Helper", {{"Dir", prog}}, nullptr,
         {}},
        {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\FooApp", {{"Keep", "x"}}, nullptr, {"1"}},
        // Others' entries, not even one that names our uninstaller.
        {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", {{"Comments", "Works with FooApp"}},
         nullptr, {}},
        {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Second",
         {{"UninstallString", prog + "\\uninst.exe"}}, nullptr, {}},
        // A look-alike of the name, in a key's name and in a value's data.
        {"FooAppBar", {{"InstallDir", "C:\\Program Files\\FooAppBar"}}, nullptr, {}},
        {"Paths", {{"Home", "D:\\FooApp\\data"}, {"Other", "C:\\FooAppBar\\x"}}, nullptr, {"Home"}},
        // A shared key of Windows: the value alone.
        {"Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
         {{prog + "\\foo.exe", "RUNASADMIN"}, {"C:\\Other\\other.exe", "RUNASADMIN"}}, nullptr,
         {prog + "\\foo.exe"}},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string sub = std::string("Rule\\") + c.key;
        Key(sub);
        for (const Value& value : c.values)
            Set(sub, value.name, value.data);
        if (c.subkey)
            Key(sub + "\\" + c.subkey);
        state.LeftoverList.Clear();
        MatchRegistryKeyNormal(HKEY_CURRENT_USER, scratch.Sub(sub), state.LeftoverList, "FooApp",
                               "", prog + "\\uninst.exe");
        std::vector<std::string> expected;
        for (const std::string& what : c.expected)
            expected.push_back(what == "1" ? Line("1", sub) : Line("2", sub, what));
        EXPECT_EQ(ItemTexts(state.LeftoverList), expected);
    }
}

TEST_F(RegistryScan, ValuesOfAClassServedByAnotherProgramStay) {
    const std::string classes = "Software\\Classes\\";
    const std::string other = "KuViewerFile" + std::to_string(GetCurrentProcessId());
    const std::string own = "KuFooAppFile" + std::to_string(GetCurrentProcessId());
    RawSetString(HKEY_CURRENT_USER, classes + other + "\\shell\\open\\command", "",
                 "\"C:\\Program Files\\Viewer\\view.exe\" /plugin "
                 "\"C:\\Program Files\\FooApp\\plug.dll\" \"%1\"", 0);
    RawSetString(HKEY_CURRENT_USER, classes + own + "\\shell\\open\\command", "",
                 "\"C:\\Program Files\\FooApp\\foo.exe\" \"%1\"", 0);
    for (const std::string& cls : {other, own})
        MatchRegistryKeyNormal(HKEY_CURRENT_USER, classes + cls + "\\shell\\open\\command",
                               state.LeftoverList, "FooApp", "", "");
    kutest::RawDeleteTree(HKEY_CURRENT_USER, classes + other, 0);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, classes + own, 0);
    EXPECT_EQ(ItemTexts(state.LeftoverList),
              std::vector<std::string>{kutest::ItemText("1", "HKEY_CURRENT_USER",
                                                  classes + own + "\\shell\\open\\command")});
}
