// The text and path helpers every scanner matches with, well-known folders, root-key names,
// dates, executable paths and arguments from command lines, and the real launcher.
#include <gtest/gtest.h>

#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(Text, EmptyWordsNeverMatch) {
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
}

TEST(Text, TrimSplitReplaceFormatAndPaths) {
    const std::pair<std::string, std::string> cases[] = {
        {Trim("  \t a b \r\n"), "a b"},
        {TrimRight("  x "), "  x"},
        {ReplaceAll("a b c", " ", "\" \""), "a\" \"b\" \"c"},
        {ReplaceAll("aaa", "", "x"), "aaa"},
        {Format("%s-%d", "x", 5), "x-5"},
        {IncludeTrailingBackslash("C:\\A"), "C:\\A\\"},
        {ExcludeTrailingBackslash("C:\\A\\\\"), "C:\\A"},
        {ExtractFileDir("C:\\A\\b.exe"), "C:\\A"},
        {ExtractFileDir("C:\\b.exe"), "C:\\"},
        {ExtractFileExt("C:\\A.dir\\b.tar.gz"), ".gz"},
        {ExtractFileExt("C:\\A.dir\\readme"), ""},
        {JoinPath("C:\\A", "b"), "C:\\A\\b"},
        {JoinPath("", "b"), "b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second);
    EXPECT_EQ(SplitString("a#b##c", '#'), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(Format("%s", std::string(5000, 'q').c_str()).size(), 5000u);
}

TEST(Launcher, RealLauncherStartsAndReportsFailure) {
    LaunchResult missing = StartProcess("C:\\kutest\\no-such-program.exe", "", SW_HIDE);
    EXPECT_TRUE(!missing.ok && missing.error != 0u);
    LaunchResult cmd = StartProcess("cmd.exe /c exit 3", "C:\\", SW_HIDE);
    ASSERT_TRUE(cmd.ok && cmd.process);
    EXPECT_EQ(WaitForSingleObject(cmd.process.get(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(cmd.process.get(), &code);
    EXPECT_EQ(code, 3u);
}

TEST(Folders, ProgramFilesAndProgramFolderAndOneTrailingBackslash) {
    EXPECT_NE(GetWindowsDir().back(), '\\');
    EXPECT_EQ(GetProgramFilesDir(), GetWindowsDir().substr(0, 3) + "Program Files");
    EXPECT_EQ(ProgramDir(), "C:\\kutest\\bin\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\a\\\\") + "|" + RemoveTrailingBackslash("C:\\a") + "|" +
                  RemoveTrailingBackslash(""),
              "C:\\a\\|C:\\a|");
}

TEST(RootKeys, NamesBothWaysExactAndCaseSensitive) {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                      HKEY_CURRENT_CONFIG})
        EXPECT_EQ(NameToRootKey(RootKeyToName(root)), root) << RootKeyToName(root);
    EXPECT_EQ(RootKeyToName(HKEY_LOCAL_MACHINE) + RootKeyToName(HKEY_PERFORMANCE_DATA) +
                  RootKeyToName(nullptr),
              "HKEY_LOCAL_MACHINE");
    for (const char* name : {"hkey_local_machine", "HKLM", "HKEY_LOCAL_MACHINE ", ""})
        EXPECT_EQ(NameToRootKey(name), nullptr) << name;
}

TEST(VersionNames, EveryPlatformAndVersion) {
    const struct {
        DWORD platform, major, minor;
        bool wow;
        const char* name;
    } cases[] = {
        {VER_PLATFORM_WIN32s, 3, 1, false, "WIN32s"}, {1, 4, 0, false, "WIN95"},
        {1, 4, 90, false, "WINMe"}, {1, 4, 3, false, ""}, {2, 5, 1, false, "WINXP"},
        {2, 5, 3, false, ""}, {2, 6, 0, false, "WINVISTA(32)"}, {2, 6, 1, true, "WIN7(64)"},
        {2, 6, 2, false, ""}, {2, 10, 0, true, ""}, {3, 6, 1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsVersionName(c.platform, c.major, c.minor, c.wow), c.name)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(InstallDate, EightDigitsBecomeMonthNameDayAndYear) {
    EXPECT_EQ(FormatInstallDate("20091105"), "Nov. 05, 2009");
    EXPECT_EQ(FormatInstallDate("  20090601 "), "June. 01, 2009");
    EXPECT_EQ(FormatInstallDate("20090931"), "Sept. 31, 2009") << "the day stays as it stands";
    for (const char* text : {"2009-11-05", "20091305", "20090005", "2009ab05", "2009 105", ""})
        EXPECT_EQ(FormatInstallDate(text), kNotAvailable) << text;
}

TEST(FileTimes, FileTimeBecomesLocalOleDate) {
    // 2009-11-05 12:00 and the 1899-12-30 epoch in local time, taken back to UTC for the input.
    const std::pair<SYSTEMTIME, double> cases[] = {{{2009, 11, 4, 5, 12, 0, 0, 0}, 40122.5},
                                                   {{1899, 12, 6, 30, 0, 0, 0, 0}, 0.0}};
    for (const auto& c : cases) {
        FILETIME local, utc;
        ASSERT_TRUE(SystemTimeToFileTime(&c.first, &local));
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
        EXPECT_NEAR(FileTimeToDateTime(utc), c.second, 1e-6);
    }
}

TEST(CommandLineToFilePath, CutsArgumentsExpandsFoldersAndKeepsExistingFilesWhole) {
    kutest::ScratchDir dir;
    const std::string odd = dir.File("odd name (1).exe");
    ASSERT_TRUE(kutest::WriteTextFile(odd, "MZ"));
    const std::string pf = GetProgramFilesDir(), windows = GetWindowsFolder();
    const std::pair<std::string, std::string> cases[] = {
        {"\"" + pf + "\\Acme App\\uninst.exe\" /S", pf + "\\Acme App\\uninst.exe"},
        {"@C:\\Tools\\app.exe,0", "C:\\Tools\\app.exe"},
        {"C:\\Tools\\unins000.exe /LOG", "C:\\Tools\\unins000.exe"},
        {"C:\\Tools\\remove -q", "C:\\Tools\\remove"},
        {"rundll32 setup.dll,Run", "rundll32 setup.dll"},
        {"%SystemRoot%\\System32\\Acme\\tool.exe /u", windows + "\\SYSTEM32\\ACME\\TOOL.EXE"},
        {"%programfiles%\\Acme\\u.exe", pf + "\\ACME\\U.EXE"},
        {"%WinDir%\\acme.exe -x", windows + "\\ACME.EXE"},
        {"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}",
         GetSystemFolder() + "\\MsiExec.exe"},
        {"\"" + odd + "\"", odd},
        {"C:\\Acme\\setup.exe /log=D:\\log.txt", "C:\\Acme\\setup.exe"},
        {"C:\\Acme\\run.bat D:\\x", "C:\\Acme\\run.bat"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineToFilePath(c.first), c.second) << c.first;
}

TEST(GetCommandLineParams, TextAfterTheExecutable) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"C:\\A b\\u.exe\" /S /v", "/S /v"}, {"C:\\A\\u.EXE -x", "-x"}, {"\"C:\\A\\u.exe\"", ""},
        {"C:\\A\\u.exe", ""}, {"C:\\A\\remove /x", ""}, {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(GetCommandLineParams(c.first), c.second) << c.first;
}

TEST(NormalizeUninstallCommand, MsiRundllAndQuotedPaths) {
    const std::string msi = "MsiExec.exe /I{12345678-1234-1234-1234-123456789012}";
    const std::pair<std::string, std::string> cases[] = {
        {msi, msi}, {"RunDll32 'C:\\A\\x.dll',Remove", "RunDll32 C:\\A\\x.dll,Remove"},
        {"C:\\McAfee\\'un'.exe", "C:\\McAfee\\un.exe"},
        {"\"C:\\Program Files\\Acme\\uninst.exe\" /S", "C:\\Program Files\\Acme\\uninst.exe /S"},
        {"\"C:\\Acme\\uninst.exe\"", "C:\\Acme\\uninst.exe"},
        // Arguments already part of the path are dropped.
        {"C:\\Acme\\uninst.exe uninst", "C:\\Acme\\uninst.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeUninstallCommand(c.first), c.second) << c.first;
}
