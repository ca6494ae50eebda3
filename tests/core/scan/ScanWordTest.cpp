// Scan words: whole-name containment, the shortest usable word, the words never used alone,
// the uninstaller's own file as a word, the drive the file scan walks, repeated items.
#include <gtest/gtest.h>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/ProgramScope.h"
#include "core/scan/ScanWord.h"
#include "core/system/PublicFunctionUnit.h"

using namespace ku;

TEST(ScanWord, MatchesWholeNamesOnlyAndNeverAGeneralShortOrEmptyWord) {
    struct MatchCase {
        const char* word;
        const char* text;
        bool match;
    };
    const MatchCase cases[] = {
        {"FooApp", "c:\\program files\\fooapp\\fooapp.exe", true},
        {"FooApp", "x_FOOAPP_y", true},
        {"FooApp", "SOFTWARE\\FooAppBar", false},
        {"FooApp", "MyFooApp", false},
        {"FooApp", "FooAppBar;FooApp", true}, // a later whole occurrence still counts
        {"C:\\Program Files\\FooApp\\", "C:\\Program Files\\FooApp\\bin\\a.dll", true},
        {"{12345678-ABCD}", "MsiExec.exe /X{12345678-ABCD}x", true},
        {"caf\xe9x", "C:\\CAF\xc9X\\a", true}, // upper-cased by the code page
        {"", "", false},
        {"   ", "   ", false},
        {"Foo", "Foo", false},
        {" Fooo ", "a fooo b", true},
        // Words never used alone, and names that merely contain them.
        {"Windows", "C:\\Windows", false},
        {"Microsoft", "Microsoft", false},
        {"Common", "Common", false},
        {"Program Files", "C:\\Program Files", false},
        {"System32", "System32", false},
        {"Setup", "Setup", false},
        {"Uninstall", "Uninstall", false},
        {"Windows 7", "Windows 7", false},
        {"Microsoft Update (2)", "Microsoft Update (2)", false},
        {"Setup_x64", "Setup_x64", false},
        {"Windows Commander", "C:\\Windows Commander", true},
        {"Microsoft Office 2010", "Microsoft Office 2010", true},
        {"Arcadia", "Arcadia", true},
        // Paths are never general: a folder named "Windows" below Program Files is specific.
        {"C:\\Program Files\\Windows\\uninst.exe", "C:\\Program Files\\Windows\\uninst.exe", true},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(ScanWord(c.word).Matches(c.text), c.match) << c.word << " in " << c.text;
}

TEST(ScanWord, CommandWordIsTheUninstallersOwnFileOnly) {
    const std::string windows = GetWindowsDir();
    const std::pair<std::string, std::string> cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(UninstallerFileWord(c.first), c.second) << c.first;
}

TEST(WizardState, FileScanWalksTheUninstallersDriveElseTheSystemDrive) {
    const std::string system = GetWindowsDir().substr(0, 2);
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\Apps\\Foo\\uninst.exe /S", "D:"},
        {"\"E:\\Foo Bar\\un.exe\"", "E:"},
        {"MsiExec.exe /X{1234}", system},
        {"", system},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileScanDrive(c.first), c.second) << c.first;
}

TEST(WizardState, RepeatedItemsAreListedOnce) {
    TUninstallerContents list;
    const char* const items[][4] = {
        {"2", "Software\\Foo", "A", "32"}, {"1", "Software\\Foo", "", "32"},
        {"1", "software\\foo", "", "32"},  {"2", "Software\\Foo", "A", "64"}, // another view
        {"2", "Software\\Bar", "A", "32"}, {"2", "Software\\Bar", "a", "32"},
    };
    for (const auto& row : items)
        kutest::AddKeyItem(list, row[0], "HKEY_CURRENT_USER", row[1], row[2], row[3]);
    RemoveRepeatedItems(list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetItem(0).Content.ItemType, "1");
    EXPECT_EQ(list.GetItem(1).Content.Extra, "64");
    EXPECT_EQ(list.GetItem(2).Content.KeyPath, "Software\\Bar");
}
