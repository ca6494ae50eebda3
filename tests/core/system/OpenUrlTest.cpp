// Opening addresses: only web and mail addresses reach the browser.
#include <gtest/gtest.h>

#include "core/system/OpenUrl.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"

using namespace ku;

TEST(OpenUrl, OnlyWebAndMailAddressesAreOpenedAndProgramPathsNever) {
    for (const char* url : {"http://www.example.com/", "https://example.com/help",
                            "HTTP://EXAMPLE.COM", "  https://x.example ", "mailto:a@example.com"})
        EXPECT_TRUE(IsBrowserAddress(url)) << url;
    kutest::RecordingLauncher launcher;
    for (const char* text :
         {"", "www.example.com", "C:\\Windows\\notepad.exe", "file:///C:/Windows/notepad.exe",
          "\\\\server\\share\\run.exe", "javascript:alert(1)", "cmd /c del x",
          "httpx://example.com", "calc", "NOT AVAILABLE"}) {
        EXPECT_FALSE(IsBrowserAddress(text)) << text;
        OpenURL(0, text);
    }
    EXPECT_TRUE(launcher.Requests().empty());
    OpenURL(0, "http://www.example.com/");
    // A failed shell start falls back to the browser the prefix's http handler names, started
    // maximised with the address; a mail address is not handed to it.
    launcher.ok = false;
    OpenURL(0, "mailto:support@example.com");
    OpenURL(0, "http://www.example.com/");
    const auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[0].kind == LaunchRequest::Kind::Shell &&
                requests[0].file == "http://www.example.com/");
    EXPECT_TRUE(requests[3].kind == LaunchRequest::Kind::Exec &&
                requests[3].show == SW_SHOWMAXIMIZED);
    EXPECT_TRUE(EndsText(requests[3].commandLine, ".EXE HTTP://WWW.EXAMPLE.COM/"))
        << requests[3].commandLine;
}

TEST(OpenUrl, BrowserCommandRepairAndExecutable) {
    const std::pair<std::string, std::string> cases[] = {
        {BrowserCommandFromLocalServer("\"%ProgramFiles%\\IE\\iexplore.exe\"", "C:\\Program Files"),
         "\"C:\\Program Files\\IE\\iexplore.exe\" -nohome"},
        {BrowserCommandFromLocalServer("C:\\IE\\iexplore.exe", "C:\\PF"),
         "\"C:\\IE\\iexplore.exe\" -nohome"},
        {BrowserExecutable("\"C:\\Program Files\\IE\\iexplore.exe\" -nohome"),
         "C:\\Program Files\\IE\\iexplore.exe"},
        {BrowserExecutable("C:\\Browser\\Browse.EXE %1"), "C:\\Browser\\Browse.EXE"},
        {BrowserExecutable("\"\""), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second);
}
