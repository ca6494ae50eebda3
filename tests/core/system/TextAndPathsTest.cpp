// The text and path helpers every scanner matches with, well-known folders, root-key names,
// executable paths and arguments from command lines.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(Text, MatchingNeverTakesAnEmptyWordAndIgnoresCase) {
    EXPECT_EQ((std::vector<bool>{
                  ContainsText("anything at all", ""), ContainsText("", ""),
                  ContainsUpper("ANYTHING", ""), ContainsText("FooAp", "FooApp"),
                  SameText("Kelvane", "Kelvan"), EndsText("e", ".exe"),
                  ContainsText("C:\\Program Files\\FooApp\\foo.exe", "fooapp"),
                  SameText("Kelvane", "KELVANE"),
                  StartsText("HKEY_LOCAL_MACHINE\\x", "hkey_local"),
                  EndsText("setup.EXE", ".exe")}),
              (std::vector<bool>{false, false, false, false, false, false, true, true, true,
                                 true}));
    for (const char* name : {"hkey_local_machine", "HKLM", "HKEY_LOCAL_MACHINE ", ""})
        EXPECT_EQ(NameToRootKey(name), nullptr) << name;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                      HKEY_CURRENT_CONFIG})
        EXPECT_EQ(NameToRootKey(RootKeyToName(root)), root) << RootKeyToName(root);
}

TEST(Text, TrimSplitReplacePathsAndDates) {
    const std::pair<std::string, std::string> cases[] = {
        {Trim("  \t a b \r\n"), "a b"}, {ReplaceAll("a b c", " ", "\" \""), "a\" \"b\" \"c"},
        {ReplaceAll("aaa", "", "x"), "aaa"}, {IncludeTrailingBackslash("C:\\A"), "C:\\A\\"},
        {ExcludeTrailingBackslash("C:\\A\\\\"), "C:\\A"}, {RemoveTrailingBackslash(""), ""},
        {RemoveTrailingBackslash("C:\\a\\\\"), "C:\\a\\"}, {JoinPath("", "b"), "b"},
        {ExtractFileExt("C:\\A.dir\\readme"), ""},
        {GetProgramFilesDir(), GetWindowsDir().substr(0, 3) + "Program Files"},
        {ProgramDir(), "C:\\kutest\\bin\\"},
        {RootKeyToName(HKEY_PERFORMANCE_DATA) + RootKeyToName(nullptr), ""},
        {FormatInstallDate("  20091105 "), "Nov. 05, 2009"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second);
    for (const char* text : {"20091305", "2009ab05", ""})
        EXPECT_EQ(FormatInstallDate(text), kNotAvailable) << text;
    EXPECT_EQ(SplitString("a#b##c", '#'), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(Format("%s", std::string(5000, 'q').c_str()).size(), 5000u);
}

TEST(CommandLines, FilePathParamsAndNormalisedUninstallCommand) {
    kutest::ScratchDir dir;
    const std::string odd = dir.File("odd name (1).exe");
    ASSERT_TRUE(kutest::WriteTextFile(odd, "MZ"));
    const std::string pf = GetProgramFilesDir(), windows = GetWindowsFolder();
    const std::string msi = "MsiExec.exe /I{12345678-1234-1234-1234-123456789012}";
    const std::string u = "C:\\Acme\\u.exe";
    const struct {
        std::string line, path, params, normalised; // "-": not asked
    } cases[] = {
        {"\"" + pf + "\\Acme App\\uninst.exe\" /S", pf + "\\Acme App\\uninst.exe", "/S",
         pf + "\\Acme App\\uninst.exe /S"},
        {"\"" + u + "\"", u, "", u},
        {"C:\\Acme\\u.EXE -x", "C:\\Acme\\u.EXE", "-x", "-"},
        {"C:\\Acme\\remove /x", "C:\\Acme\\remove", "", "-"},
        // Normalising takes only the quotes off the program's path; a command whose arguments
        // it would change runs as the entry holds it.
        {"C:\\Acme\\uninst.exe uninst", "-", "-", "C:\\Acme\\uninst.exe uninst"},
        {"\"" + u + "\" /log=\"C:\\Temp\\x.log\"", "-", "-",
         "\"" + u + "\" /log=\"C:\\Temp\\x.log\""},
        {"\"" + u + "\" add HKCU\\Software\\X /v ran /d y /f", "-", "-",
         "\"" + u + "\" add HKCU\\Software\\X /v ran /d y /f"},
        {"\"" + u + " /S\"", "-", "-", u + " /S"},
        {"\"" + u + "\" -x \"D:\\a b\" -y", "-", "-", u + " -x \"D:\\a b\" -y"},
        {"\"" + u + "\" /x=\"1\" /S", "-", "-", u + " /x=\"1\" /S"},
        {"@C:\\Tools\\app.exe,0", "C:\\Tools\\app.exe", "-", "-"},
        {"rundll32 setup.dll,Run", "rundll32 setup.dll", "-", "-"},
        {"RunDll32 'C:\\A\\x.dll',Remove", "-", "-", "RunDll32 C:\\A\\x.dll,Remove"},
        {"C:\\McAfee\\'un'.exe", "-", "-", "C:\\McAfee\\un.exe"},
        {"%SystemRoot%\\System32\\Acme\\tool.exe /u", windows + "\\SYSTEM32\\ACME\\TOOL.EXE", "-",
         "-"},
        {"%programfiles%\\Acme\\u.exe", pf + "\\ACME\\U.EXE", "-", "-"},
        {"%WinDir%\\acme.exe -x", windows + "\\ACME.EXE", "-", "-"},
        {msi, GetSystemFolder() + "\\MsiExec.exe", "-", msi},
        {"\"" + odd + "\"", odd, "-", "-"},
        {"C:\\Acme\\setup.exe /log=D:\\log.txt", "C:\\Acme\\setup.exe", "-", "-"},
        {"C:\\Acme\\run.bat D:\\x", "C:\\Acme\\run.bat", "-", "-"},
        {"", "-", "", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(c.path == "-" || CommandLineToFilePath(c.line) == c.path);
        EXPECT_TRUE(c.params == "-" || GetCommandLineParams(c.line) == c.params);
        EXPECT_TRUE(c.normalised == "-" || NormalizeUninstallCommand(c.line) == c.normalised);
    }
}
