// The text helpers every scanner matches with, and the real launcher.
#include <gtest/gtest.h>

#include "core/system/Launcher.h"
#include "core/system/StrUtil.h"

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
