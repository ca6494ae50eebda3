// The text helpers every scanner matches with, and the two seams.
#include <gtest/gtest.h>

#include "core/system/Dialogs.h"
#include "core/system/Launcher.h"
#include "core/system/StrUtil.h"

using namespace ku;

TEST(Text, EmptyWordsNeverMatch) {
    EXPECT_FALSE(ContainsText("anything at all", ""));
    EXPECT_FALSE(ContainsText("", ""));
    EXPECT_FALSE(ContainsUpper("ANYTHING", ""));
    EXPECT_TRUE(ContainsText("C:\\Program Files\\FooApp\\foo.exe", "fooapp"));
    EXPECT_FALSE(ContainsText("FooAp", "FooApp"));
    EXPECT_TRUE(SameText("Kelvane", "KELVANE"));
    EXPECT_FALSE(SameText("Kelvane", "Kelvan"));
    EXPECT_TRUE(StartsText("HKEY_LOCAL_MACHINE\\x", "hkey_local"));
    EXPECT_TRUE(EndsText("setup.EXE", ".exe"));
    EXPECT_FALSE(EndsText("e", ".exe"));
}

TEST(Text, TrimSplitReplaceFormat) {
    EXPECT_EQ(Trim("  \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(SplitString("a#b##c", '#'), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitString("", '|'), std::vector<std::string>{""});
    EXPECT_EQ(ReplaceAll("a b c", " ", "\" \""), "a\" \"b\" \"c");
    EXPECT_EQ(ReplaceAll("aaa", "", "x"), "aaa");
    EXPECT_EQ(Format("%s-%d", "x", 5), "x-5");
    EXPECT_EQ(Format("%s", std::string(5000, 'q').c_str()).size(), 5000u);
}

TEST(Text, PathHelpers) {
    EXPECT_EQ(IncludeTrailingBackslash("C:\\A"), "C:\\A\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\A\\"), "C:\\A\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\A\\\\"), "C:\\A");
    EXPECT_EQ(ExtractFileName("C:\\A\\b.exe"), "b.exe");
    EXPECT_EQ(ExtractFileName("b.exe"), "b.exe");
    EXPECT_EQ(ExtractFilePath("C:\\A\\b.exe"), "C:\\A\\");
    EXPECT_EQ(ExtractFileDir("C:\\A\\b.exe"), "C:\\A");
    EXPECT_EQ(ExtractFileDir("C:\\b.exe"), "C:\\");
    EXPECT_EQ(ExtractFileExt("C:\\A.dir\\b.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("C:\\A.dir\\readme"), "");
    EXPECT_EQ(ChangeFileExt("C:\\A\\b.exe", ".log"), "C:\\A\\b.log");
    EXPECT_EQ(JoinPath("C:\\A", "b"), "C:\\A\\b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

namespace {
class RecordingLauncher : public ICommandLauncher {
public:
    std::vector<LaunchRequest> requests;
    LaunchResult Launch(const LaunchRequest& request) override {
        requests.push_back(request);
        LaunchResult result;
        result.ok = request.commandLine != "fail";
        return result;
    }
};
} // namespace

TEST(Seams, MessageBoxesAndLaunchesGoThroughTheInstalledHooks) {
    std::vector<MessageBoxCall> calls;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        calls.push_back(call);
        return IDNO;
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Delete?", kAppCaption, MB_YESNO), IDNO);
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].caption, "Kelvane Uninstaller");
    EXPECT_EQ(calls[0].text, "Delete?");
    EXPECT_EQ(calls[0].type, UINT(MB_YESNO));

    RecordingLauncher launcher;
    SetCommandLauncher(&launcher);
    EXPECT_TRUE(RunWinExec("regsvr32 /s x.dll", SW_HIDE));
    EXPECT_FALSE(RunWinExec("fail", SW_HIDE));
    EXPECT_TRUE(RunShellExecute(nullptr, "open", "http://127.0.0.1/", "", "", SW_SHOWNORMAL));
    SetCommandLauncher(nullptr);
    ASSERT_EQ(launcher.requests.size(), 3u);
    EXPECT_EQ(launcher.requests[0].kind, LaunchRequest::Kind::Exec);
    EXPECT_EQ(launcher.requests[0].show, SW_HIDE);
    EXPECT_EQ(launcher.requests[2].kind, LaunchRequest::Kind::Shell);
    EXPECT_EQ(launcher.requests[2].file, "http://127.0.0.1/");
}

TEST(Seams, RealLauncherStartsAndReportsFailure) {
    LaunchResult missing = StartProcess("C:\\kutest\\no-such-program.exe", "", SW_HIDE);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error, 0u);
    LaunchResult cmd = StartProcess("cmd.exe /c exit 3", "C:\\", SW_HIDE);
    ASSERT_TRUE(cmd.ok);
    ASSERT_TRUE(cmd.process);
    EXPECT_EQ(WaitForSingleObject(cmd.process.get(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(cmd.process.get(), &code);
    EXPECT_EQ(code, 3u);
}
