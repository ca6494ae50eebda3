// Scan words: whole-name containment, the shortest usable word, the words never used alone,
// the uninstaller's own file as a word and the drive the file scan walks.
#include <gtest/gtest.h>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/ProgramScope.h"
#include "core/scan/ScanWord.h"
#include "core/system/PublicFunctionUnit.h"

using namespace ku;

TEST(ScanWord, MatchesWholeNamesOnlyAndNeverAGeneralShortOrEmptyWord) {
    const struct {
        const char *word, *text;
        bool match;
    } cases[] = {
        {"FooApp", "c:\\program files\\fooapp\\fooapp.exe", true},
        {"FooApp", "x_FOOAPP_y", true},
        {"FooApp", "SOFTWARE\\FooAppBar", false}, {"FooApp", "MyFooApp", false},
        {"FooApp", "FooAppBar;FooApp", true}, // a later whole occurrence still counts
        {"C:\\Program Files\\FooApp\\", "C:\\Program Files\\FooApp\\bin\\a.dll", true},
        {"{12345678-ABCD}", "MsiExec.exe /X{12345678-ABCD}x", true},
        {"caf\xe9x", "C:\\CAF\xc9X\\a", true}, // upper-cased by the code page
        {"", "", false}, {"   ", "   ", false}, {"Foo", "Foo", false}, {" Fooo ", "a fooo b", true},
        // Words never used alone, and names that merely contain them.
        {"Windows", "C:\\Windows", false}, {"Program Files", "C:\\Program Files", false},
        {"Windows Commander", "C:\\Windows Commander", true},
        {"Microsoft Office 2010", "Microsoft Office 2010", true}, {"Arcadia", "Arcadia", true},
        // Paths are never general: a folder named "Windows" below Program Files is specific.
        {"C:\\Program Files\\Windows\\uninst.exe", "C:\\Program Files\\Windows\\uninst.exe", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScanWord(c.word).Matches(c.text), c.match) << c.word << " in " << c.text;
    for (const char* general : {"Microsoft", "Common", "System32", "Setup", "Uninstall",
                                "Windows 7", "Microsoft Update (2)", "Setup_x64"})
        EXPECT_FALSE(ScanWord(general).Matches(general)) << general;
}

TEST(ScanWord, CommandWordIsTheUninstallersOwnFileAndItsDriveTheOneScanned) {
    const std::string windows = GetWindowsDir(), system = windows.substr(0, 2);
    const std::pair<std::string, std::string> words[] = {
        {"\"C:\\Program Files\\Ku Quoted\\un.exe\" /S", "C:\\Program Files\\Ku Quoted\\un.exe"},
        {"C:\\Program Files\\KuApp\\uninst.exe /S", "C:\\Program Files\\KuApp\\uninst.exe"},
        {"MsiExec.exe /X{12345678-ABCD}", ""}, {"RunDll32 advpack.dll,LaunchINFSection x.inf", ""},
        {windows, ""}, {"C:\\Windows", ""}, {windows + "\\System32\\KuUninst.exe", ""},
        {"C:\\uninst.exe", ""}, {"C:\\Program Files\\uninst.exe", ""}, {"", ""},
    };
    for (const auto& c : words)
        EXPECT_EQ(UninstallerFileWord(c.first), c.second) << c.first;
    EXPECT_EQ(FileScanDrive("\"E:\\Foo Bar\\un.exe\" /S") + FileScanDrive("MsiExec.exe /X{1}"),
              "E:" + system);
}
