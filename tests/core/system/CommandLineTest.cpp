// Executable paths and arguments from uninstall and icon command lines.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

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
