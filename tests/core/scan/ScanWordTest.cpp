// Scan words: whole-name containment, the shortest usable word, the words never used alone,
// the uninstaller's own file as a word, the ANSI upper-casing.
#include <gtest/gtest.h>

#include "core/removal/WizardState.h"
#include "core/scan/ProgramScope.h"
#include "core/scan/ScanWord.h"
#include "core/system/PublicFunctionUnit.h"

using namespace ku;

TEST(ScanWord, FindsTheNameButNotALongerNameThatBeginsWithIt) {
    const ScanWord word("FooApp");
    EXPECT_TRUE(word.Matches("SOFTWARE\\FooApp"));
    EXPECT_TRUE(word.Matches("c:\\program files\\fooapp\\fooapp.exe"));
    EXPECT_TRUE(word.Matches("FooApp Settings"));
    EXPECT_TRUE(word.Matches("x_FOOAPP_y"));
    EXPECT_FALSE(word.Matches("SOFTWARE\\FooAppBar"));
    EXPECT_FALSE(word.Matches("MyFooApp"));
    // A later occurrence still counts when the first continues a longer name.
    EXPECT_TRUE(word.Matches("FooAppBar;FooApp"));
}

TEST(ScanWord, EdgesOnlyWhereTheWordItselfEndsInALetterOrDigit) {
    const ScanWord folder("C:\\Program Files\\FooApp\\");
    EXPECT_TRUE(folder.Matches("C:\\Program Files\\FooApp\\bin\\a.dll"));
    const ScanWord code("{12345678-ABCD}");
    EXPECT_TRUE(code.Matches("MsiExec.exe /X{12345678-ABCD}x"));
}

TEST(ScanWord, ShortAndEmptyWordsNeverMatch) {
    EXPECT_FALSE(ScanWord("").Usable());
    EXPECT_FALSE(ScanWord("   ").Matches("   "));
    EXPECT_FALSE(ScanWord("Foo").Usable());
    EXPECT_FALSE(ScanWord(" Foo ").Matches("Foo"));
    EXPECT_TRUE(ScanWord(" Fooo ").Matches("a fooo b"));
}

TEST(ScanWord, UpperCasingFollowsTheCodePage) {
    std::string upper;
    UpperInto(upper, "abc\xe9z");
    EXPECT_EQ(upper, "ABC\xc9Z");
    AppendUpper(upper, "x", 1);
    EXPECT_EQ(upper, "ABC\xc9ZX");
}

TEST(WizardState, UninstallDriveAndScanDrive) {
    EXPECT_EQ(GetUninstallDrive("D:\\Apps\\Foo\\uninst.exe /S"), "D:");
    EXPECT_EQ(GetUninstallDrive("\"E:\\Foo Bar\\un.exe\""), "E:");
    EXPECT_EQ(GetUninstallDrive("MsiExec.exe /I{1234}"), "");
    EXPECT_EQ(GetUninstallDrive(""), "");
    EXPECT_EQ(FileScanDrive("D:\\x.exe"), "D:");
    // No drive letter: the system drive, whatever the current folder is.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(FileScanDrive("MsiExec.exe /X{1234}"), std::string(windows, 2));
}

TEST(WizardState, FileListEntryReplacesTheWordOnlyWhenItIsPartOfIt) {
    const std::vector<std::string> entries = {"Other", "FooApp", "FooApp Deluxe"};
    EXPECT_EQ(FindFileListEntry(entries, "FooApp"), "FooApp");
    EXPECT_EQ(FindFileListEntry({"FooApp Deluxe"}, "FooApp"), "FooApp");
    EXPECT_EQ(FindFileListEntry({}, "FooApp"), "FooApp");
    std::string list;
    AppendRunningExe(list, "Foo.EXE");
    AppendRunningExe(list, "bar.exe");
    EXPECT_EQ(list, "foo.exe,bar.exe");
}

TEST(ScanWord, WordsNeverUsedAloneAndTheirCompanions) {
    struct WordCase {
        const char* word;
        bool usable;
    };
    const WordCase cases[] = {
        {"Windows", false},        {"Microsoft", false},          {"Program", false},
        {"Common", false},         {"Program Files", false},      {"common files", false},
        {"System32", false},       {"ProgramData", false},        {"Users", false},
        {"Setup", false},          {"Uninstall", false},          {"Update", false},
        {"Windows 7", false},      {"Microsoft Update (2)", false}, {"Setup_x64", false},
        {"KuDemoApp", true},       {"Windows Commander", true},   {"Arcadia", true},
        {"Microsoft Office 2010", true},
        // Paths are never general: a folder named "Windows" below Program Files is specific.
        {"C:\\Program Files\\Windows\\uninst.exe", true},
    };
    for (const WordCase& c : cases)
        EXPECT_EQ(ScanWord(c.word).Usable(), c.usable) << c.word;
}

TEST(ScanWord, CommandWordIsTheUninstallersOwnFileOnly) {
    const std::string windows = GetWindowsDir();
    struct CommandCase {
        std::string command, word;
    };
    const CommandCase cases[] = {
        {"\"C:\\Program Files\\Ku Quoted\\un.exe\" /S", "C:\\Program Files\\Ku Quoted\\un.exe"},
        {"C:\\Program Files\\KuApp\\uninst.exe /S", "C:\\Program Files\\KuApp\\uninst.exe"},
        {"MsiExec.exe /X{12345678-ABCD}", ""},
        {"RunDll32 advpack.dll,LaunchINFSection x.inf", ""},
        {windows, ""},
        {"C:\\Windows", ""},
        {windows + "\\System32\\KuUninst.exe", ""},
        {"C:\\uninst.exe", ""},
        {"C:\\Program Files\\uninst.exe", ""},
        {"", ""},
    };
    for (const CommandCase& c : cases)
        EXPECT_EQ(UninstallerFileWord(c.command), c.word) << c.command;
}

TEST(WizardState, RepeatedItemsAreListedOnce) {
    TUninstallerContents list;
    auto add = [&](const char* type, const char* key, const char* value, const char* extra) {
        TContent& item = list.GetItem(list.AddItem()).Content;
        item.ItemType = type;
        item.RootKeyName = "HKEY_CURRENT_USER";
        item.KeyPath = key;
        item.ValueName = value;
        item.Extra = extra;
    };
    add("2", "Software\\Foo", "A", "32");
    add("1", "Software\\Foo", "", "32");
    add("1", "software\\foo", "", "32");
    add("2", "Software\\Foo", "A", "64"); // another view: another value
    add("2", "Software\\Bar", "A", "32");
    add("2", "Software\\Bar", "a", "32");
    RemoveRepeatedItems(list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetItem(0).Content.ItemType, "1");
    EXPECT_EQ(list.GetItem(1).Content.Extra, "64");
    EXPECT_EQ(list.GetItem(2).Content.KeyPath, "Software\\Bar");
}
