// Opening addresses: only web and mail addresses reach the browser.
#include <gtest/gtest.h>

#include "core/system/OpenUrl.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"

TEST(OpenUrl, OnlyWebAndMailAddressesAreOpenedAndProgramPathsNever) {
    for (const char* url :
         {"http://www.example.com/", "https://example.com/help", "HTTP://EXAMPLE.COM",
          "  https://x.example ", "mailto:support@example.com"})
        EXPECT_TRUE(ku::IsBrowserAddress(url)) << url;
    kutest::RecordingLauncher launcher;
    for (const char* text :
         {"", "www.example.com", "C:\\Windows\\notepad.exe", "file:///C:/Windows/notepad.exe",
          "\\\\server\\share\\run.exe", "javascript:alert(1)", "cmd /c del x",
          "httpx://example.com", "calc", "NOT AVAILABLE"}) {
        EXPECT_FALSE(ku::IsBrowserAddress(text)) << text;
        ku::OpenURL(0, text);
    }
    EXPECT_TRUE(launcher.Requests().empty());
    ku::OpenURL(0, "http://www.example.com/help");
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_TRUE(launcher.Requests()[0].kind == ku::LaunchRequest::Kind::Shell &&
                launcher.Requests()[0].file == "http://www.example.com/help");
}

TEST(OpenUrl, FailedShellFallsBackToTheBrowserCommandForWebAddresses) {
    kutest::RecordingLauncher launcher;
    launcher.ok = false; // every start fails
    ku::OpenURL(0, "http://www.example.com/");
    auto requests = launcher.Requests();
    // The prefix's http handler names a browser; it is started maximised with the address.
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[1].kind == ku::LaunchRequest::Kind::Exec &&
                requests[1].show == SW_SHOWMAXIMIZED);
    EXPECT_TRUE(ku::EndsText(requests[1].commandLine, ".EXE HTTP://WWW.EXAMPLE.COM/"))
        << requests[1].commandLine;

    // A mail address is not handed to the browser command.
    kutest::RecordingLauncher mail;
    mail.ok = false;
    ku::OpenURL(0, "mailto:support@example.com");
    EXPECT_EQ(mail.Requests().size(), 1u);
}

TEST(OpenUrl, BrowserCommandRepairAndExecutable) {
    EXPECT_EQ(ku::BrowserCommandFromLocalServer(
                  "\"%ProgramFiles%\\Internet Explorer\\iexplore.exe\"", "C:\\Program Files"),
              "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome");
    EXPECT_EQ(ku::BrowserCommandFromLocalServer("C:\\IE\\iexplore.exe", "C:\\PF"),
              "\"C:\\IE\\iexplore.exe\" -nohome");
    EXPECT_EQ(ku::BrowserExecutable("\"C:\\Program Files\\IE\\iexplore.exe\" -nohome"),
              "C:\\Program Files\\IE\\iexplore.exe");
    EXPECT_EQ(ku::BrowserExecutable("C:\\Browser\\Browse.EXE %1"), "C:\\Browser\\Browse.EXE");
    EXPECT_EQ(ku::BrowserExecutable("\"\""), "");
}
