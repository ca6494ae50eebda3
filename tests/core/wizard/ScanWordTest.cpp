// Scan words: whole-name containment, the shortest usable word, the ANSI upper-casing.
#include <gtest/gtest.h>

#include "core/ScanWord.h"
#include "core/WizardState.h"

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
