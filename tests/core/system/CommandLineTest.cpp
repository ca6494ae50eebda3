// Executable paths and arguments from uninstall and icon command lines.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(CommandLineToFilePath, CutsArgumentsAfterTheExecutable) {
    const std::string pf = GetProgramFilesDir();
    EXPECT_EQ(CommandLineToFilePath("\"" + pf + "\\Acme App\\uninst.exe\" /S"),
              pf + "\\Acme App\\uninst.exe");
    EXPECT_EQ(CommandLineToFilePath("@C:\\Tools\\app.exe,0"), "C:\\Tools\\app.exe");
    EXPECT_EQ(CommandLineToFilePath("C:\\Tools\\unins000.exe /LOG"), "C:\\Tools\\unins000.exe");
    EXPECT_EQ(CommandLineToFilePath("C:\\Tools\\remove -q"), "C:\\Tools\\remove");
    EXPECT_EQ(CommandLineToFilePath("rundll32 setup.dll,Run"), "rundll32 setup.dll");
}

TEST(CommandLineToFilePath, ExpandsSystemRootProgramFilesAndWindir) {
    EXPECT_EQ(CommandLineToFilePath("%SystemRoot%\\System32\\Acme\\tool.exe /u"),
              GetWindowsFolder() + "\\SYSTEM32\\ACME\\TOOL.EXE");
    EXPECT_EQ(CommandLineToFilePath("%programfiles%\\Acme\\u.exe"),
              GetProgramFilesDir() + "\\ACME\\U.EXE");
    EXPECT_EQ(CommandLineToFilePath("%WinDir%\\acme.exe -x"), GetWindowsFolder() + "\\ACME.EXE");
}

TEST(CommandLineToFilePath, MsiExecGetsTheSystemFolder) {
    EXPECT_EQ(CommandLineToFilePath("MsiExec.exe /X{12345678-1234-1234-1234-123456789012}"),
              GetSystemFolder() + "\\MsiExec.exe");
}

TEST(CommandLineToFilePath, ExistingFileIsKeptWhole) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("odd name (1).exe");
    ASSERT_TRUE(kutest::WriteTextFile(file, "MZ"));
    EXPECT_EQ(CommandLineToFilePath("\"" + file + "\""), file);
}

TEST(CommandLineToFilePath, SecondPathInTheArgumentsIsCutOff) {
    EXPECT_EQ(CommandLineToFilePath("C:\\Acme\\setup.exe /log=D:\\log.txt"), "C:\\Acme\\setup.exe");
    EXPECT_EQ(CommandLineToFilePath("C:\\Acme\\run.bat D:\\x"), "C:\\Acme\\run.bat");
}

TEST(GetCommandLineParams, TextAfterTheExecutable) {
    EXPECT_EQ(GetCommandLineParams("\"C:\\A b\\u.exe\" /S /v"), "/S /v");
    EXPECT_EQ(GetCommandLineParams("C:\\A\\u.EXE -x"), "-x");
    EXPECT_EQ(GetCommandLineParams("\"C:\\A\\u.exe\""), "");
    EXPECT_EQ(GetCommandLineParams("C:\\A\\u.exe"), "");
    EXPECT_EQ(GetCommandLineParams("C:\\A\\remove /x"), "");
    EXPECT_EQ(GetCommandLineParams(""), "");
}

TEST(NormalizeUninstallCommand, MsiRundllAndQuotedPaths) {
    const std::string msi = "MsiExec.exe /I{12345678-1234-1234-1234-123456789012}";
    EXPECT_EQ(NormalizeUninstallCommand(msi), msi);
    EXPECT_EQ(NormalizeUninstallCommand("RunDll32 'C:\\A\\x.dll',Remove"),
              "RunDll32 C:\\A\\x.dll,Remove");
    EXPECT_EQ(NormalizeUninstallCommand("C:\\McAfee\\'un'.exe"), "C:\\McAfee\\un.exe");
    EXPECT_EQ(NormalizeUninstallCommand("\"C:\\Program Files\\Acme\\uninst.exe\" /S"),
              "C:\\Program Files\\Acme\\uninst.exe /S");
    EXPECT_EQ(NormalizeUninstallCommand("\"C:\\Acme\\uninst.exe\""), "C:\\Acme\\uninst.exe");
    EXPECT_EQ(NormalizeUninstallCommand("C:\\Acme\\uninst.exe uninst"), "C:\\Acme\\uninst.exe")
        << "arguments already part of the path are dropped";
}
