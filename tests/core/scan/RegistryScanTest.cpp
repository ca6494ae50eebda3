// The normal-mode registry scan against scratch keys of the sandbox registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/RegistryScan.h"
#include "support/PlantedRegistry.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

const char kCommand[] = "C:\\Program Files\\FooApp\\uninst.exe";

class RegistryScan : public WizardTest {
protected:
    void Set(const std::string& sub, const std::string& name, const std::string& data) {
        RawSetString(HKEY_CURRENT_USER, scratch.Sub(sub), name, data);
    }
    void Key(const std::string& sub, REGSAM view = 0) {
        RawCreateKey(HKEY_CURRENT_USER, scratch.Sub(sub), view);
    }
    std::string Line(const char* type, const std::string& sub, const std::string& value = "") {
        return ItemText(type, "HKEY_CURRENT_USER", scratch.Sub(sub), value);
    }
    Lines Scan(const std::string& word, const std::string& command, IScanProgress* skip = nullptr) {
        state.LeftoverList.Clear();
        ScanRegistryNormalWalk(state, HKEY_CURRENT_USER, scratch.Path(), skip,
                               state.LeftoverList, word, "", command);
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
    EXPECT_EQ(Scan("FooApp", ""), (Lines{Line("1", "FooApp"), Line("1", "FooApp\\Settings"),
                                         Line("2", "Vendor", "Uninstaller")}));
    // The item remembers the view it was found in, so the removal deletes it there.
    EXPECT_EQ(state.LeftoverList.GetItem(0).Content.Extra, RunningUnderWow64() ? "32" : "");
    // A short word is not used, the uninstaller's file still is; nothing at all finds nothing.
    const Lines byFile{Line("2", "Vendor", "Uninstaller")};
    EXPECT_EQ(Scan("Foo", kCommand + std::string(" /S")), byFile);
    EXPECT_TRUE(Scan("", "").empty());

    Key("AFooApp\\FooApp");
    Key("Between");
    CountingProgress skipping;
    skipping.onPump = [](int n) { if (n == 3) ScanState = ScanSkipRegistry; };
    EXPECT_EQ(Scan("FooApp", "", &skipping), Lines{Line("1", "AFooApp\\FooApp")});
    EXPECT_EQ(skipping.pumps, 3);
}

TEST_F(RegistryScan, RepeatedWowNodeIsSkippedAndNortonKeepsOutOfUninstall) {
    RegistryView64 = true; // where a key named Wow6432Node is an ordinary key
    for (const char* sub : {"Wow6432Node\\FooApp", "Wow6432Node\\Wow6432Node\\FooApp",
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FooApp"})
        Key(sub, KEY_WOW64_64KEY);
    state.NortonFlag = "1";
    EXPECT_EQ(Scan("FooApp", kCommand), Lines{Line("1", "Wow6432Node\\FooApp")});
}

TEST_F(RegistryScan, KeyWholeOnlyForItsNameOrEveryValueElseTheValuesThatHit) {
    const std::string prog = "C:\\Program Files\\FooApp";
    const std::string uninstall = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const struct {
        std::string key;
        std::vector<std::pair<std::string, std::string>> values; // name, data
        const char* subkey; // created below the key when set
        Lines expected; // "1" for the key, or the names of listed values
    } cases[] = {
        // App Paths\tool.exe of the program: every value names it, no subkeys.
        {"AppPaths\\tool.exe", {{"", prog + "\\tool.exe"}, {"Path", prog}}, nullptr, {"1"}},
        // Other programs' ProgIDs beside ours: only our value goes.
        {"Ext\\OpenWithProgids", {{"FooApp.txt", ""}, {"txtfile", ""}}, nullptr, {"FooApp.txt"}},
        // Every value names it, but the key has a subkey of its own.
        {"Holder", {{"Dir", prog}}, "Child", {"Dir"}},
        // Another program's Uninstall entry whose name holds the word; then an entry of the
        // program's own name in the user's store: another edition, installed for this user.
        {uninstall + "FooApp Helper", {{"Dir", prog}}, nullptr, {}},
        {uninstall + "FooApp", {{"Keep", "x"}}, nullptr, {}},
        // Others' entries, not even one that names our uninstaller.
        {uninstall + "Other", {{"Comments", "Works with FooApp"}}, nullptr, {}},
        {uninstall + "Second", {{"UninstallString", prog + "\\uninst.exe"}}, nullptr, {}},
        // A look-alike of the name in a value's data.
        {"Paths", {{"Home", "D:\\FooApp\\data"}, {"Other", "C:\\FooAppBar\\x"}}, nullptr, {"Home"}},
        // A shared key of Windows: the value alone.
        {"Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
         {{prog + "\\foo.exe", "RUNASADMIN"}, {"C:\\Other\\other.exe", "RUNASADMIN"}}, nullptr,
         {prog + "\\foo.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string sub = "Rule\\" + c.key;
        Key(c.subkey ? sub + "\\" + c.subkey : sub);
        for (const auto& value : c.values)
            Set(sub, value.first, value.second);
        state.LeftoverList.Clear();
        MatchRegistryKeyNormal(HKEY_CURRENT_USER, scratch.Sub(sub), state.LeftoverList, "FooApp",
                               "", prog + "\\uninst.exe");
        Lines expected;
        for (const std::string& what : c.expected)
            expected.push_back(what == "1" ? Line("1", sub) : Line("2", sub, what));
        EXPECT_EQ(ItemTexts(state.LeftoverList), expected);
    }
}

TEST_F(RegistryScan, ValuesOfAClassServedByAnotherProgramStay) {
    const std::string classes = "Software\\Classes\\", pid = std::to_string(GetCurrentProcessId());
    const std::string other = classes + "KuViewerFile" + pid + "\\shell\\open\\command";
    const std::string own = classes + "KuFooAppFile" + pid + "\\shell\\open\\command";
    PlantedRegistry planted;
    planted.String(HKEY_CURRENT_USER, other, "", "\"C:\\Program Files\\Viewer\\view.exe\" /plugin "
                                                 "\"C:\\Program Files\\FooApp\\plug.dll\" \"%1\"");
    planted.String(HKEY_CURRENT_USER, own, "", "\"C:\\Program Files\\FooApp\\foo.exe\" \"%1\"");
    for (const std::string& command : {other, own})
        MatchRegistryKeyNormal(HKEY_CURRENT_USER, command, state.LeftoverList, "FooApp", "", "");
    EXPECT_EQ(ItemTexts(state.LeftoverList), Lines{ItemText("1", "HKEY_CURRENT_USER", own)});
}

// Keys and values the code page cannot hold are never listed; those the scan would have listed
// are said to be left alone: their stand-in names the program, or they lie in a key listed
// whole (whose delete leaves them). The others pass unsaid.
TEST_F(RegistryScan, NamesTheCodePageCannotHoldAreSaidToBeLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring omega = kOmega;
    const struct {
        std::string key;                  // below the scratch key
        std::wstring wideKey, name, data; // the wide part of the key, a value (none when empty)
    } plants[] = {
        {"Vendor", omega + L"mega FooApp", L"", L""},              // its name names the program
        {"Vendor", omega + L"mega Other", L"", L""},               // names something else
        {"FooApp", omega + L"sub", L"", L""},                      // below a listed key
        {"FooApp", L"", omega + L"val", L"x"},                     // a value of a listed key
        {"Paths", L"", L"Home", L"C:\\" + omega + L"\\FooApp\\x"}, // its text names it
        {"Paths", L"", omega + L"other", L"x"},                    // names nothing
    };
    for (const auto& plant : plants) {
        std::wstring key = WideOf(scratch.Sub(plant.key));
        if (!plant.wideKey.empty())
            key += L"\\" + plant.wideKey;
        ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key, plant.name, plant.data));
    }
    EXPECT_EQ(Scan("FooApp", ""), Lines{Line("1", "FooApp")});
    std::sort(state.LeftAloneItems.begin(), state.LeftAloneItems.end());
    const std::string root = "HKEY_CURRENT_USER\\";
    EXPECT_EQ(
        state.LeftAloneItems,
        (Lines{root + scratch.Sub("FooApp\\?sub"), root + scratch.Sub("FooApp\\?val"),
               root + scratch.Sub("Paths\\Home"), root + scratch.Sub("Vendor\\?mega FooApp")}));
}
