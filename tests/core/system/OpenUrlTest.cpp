// Opening addresses: only web and mail addresses reach the browser.
#include <gtest/gtest.h>

#include "core/system/OpenUrl.h"
#include "core/system/PublicFunctionUnit.h"
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
    OpenURL(0, "mailto:support@example.com");
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].file, "mailto:support@example.com");
}
