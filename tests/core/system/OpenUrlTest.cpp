// Opening addresses: only web and mail addresses reach the browser.
#include <gtest/gtest.h>

#include "core/system/OpenUrl.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/RecordingLauncher.h"

TEST(OpenUrl, OnlyWebAndMailAddressesAreBrowserAddresses) {
    for (const char* url :
         {"http://www.example.com/", "https://example.com/help", "HTTP://EXAMPLE.COM",
          "  https://x.example ", "mailto:support@example.com"})
        EXPECT_TRUE(ku::IsBrowserAddress(url)) << url;
    for (const char* url : {"", "www.example.com", "C:\\Windows\\notepad.exe",
                            "file:///C:/Windows/notepad.exe", "\\\\server\\share\\run.exe",
                            "javascript:alert(1)", "cmd /c del x", "httpx://example.com"})
        EXPECT_FALSE(ku::IsBrowserAddress(url)) << url;
}

TEST(OpenUrl, WebAddressGoesToTheShellOpenVerb) {
    kutest::RecordingLauncher launcher;
    ku::OpenURL(0, "http://www.example.com/help");
    auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, ku::LaunchRequest::Kind::Shell);
    EXPECT_EQ(requests[0].verb, "open");
    EXPECT_EQ(requests[0].file, "http://www.example.com/help");
    EXPECT_EQ(requests[0].show, SW_SHOWNORMAL);
}

TEST(OpenUrl, ProgramPathsFromRegistryDataAreNeverStarted) {
    kutest::RecordingLauncher launcher;
    for (const char* text :
         {"C:\\Windows\\system32\\cmd.exe", "file:///C:/x.exe", "NOT AVAILABLE", "", "calc"})
        ku::OpenURL(0, text);
    EXPECT_TRUE(launcher.Requests().empty());
}

TEST(OpenUrl, FailedShellFallsBackToTheBrowserCommandForWebAddresses) {
    kutest::RecordingLauncher launcher;
    launcher.ok = false; // every start fails
    ku::OpenURL(0, "http://www.example.com/");
    auto requests = launcher.Requests();
    // The prefix's http handler names a browser; it is started maximised with the address.
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, ku::LaunchRequest::Kind::Shell);
    EXPECT_EQ(requests[1].kind, ku::LaunchRequest::Kind::Exec);
    EXPECT_EQ(requests[1].show, SW_SHOWMAXIMIZED);
    const std::string suffix = ".EXE HTTP://WWW.EXAMPLE.COM/";
    std::string command = requests[1].commandLine;
    for (char& c : command)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_GT(command.size(), suffix.size());
    EXPECT_EQ(command.substr(command.size() - suffix.size()), suffix) << requests[1].commandLine;

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
