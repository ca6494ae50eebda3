// The update check a user asks for: without network the wait window closes before the message.
#include <gtest/gtest.h>

#include "core/system/Dialogs.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "support/RecordingLauncher.h"

TEST(WindowedUpdateCheck, WithoutNetworkTheWaitWindowClosesBeforeTheMessage) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    std::vector<std::string> texts;
    bool waitOpenDuringMessage = true;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        texts.push_back(call.text);
        waitOpenDuringMessage = FindWindowA(nullptr, "Live Update") != nullptr;
        return IDOK;
    });
    kutest::RecordingLauncher launcher;
    EXPECT_FALSE(ku::CheckForUpdate(true));
    ku::SetMessageBoxHook(nullptr);
    ku::SetMakerWebHost("");
    EXPECT_EQ(texts, std::vector<std::string>{ku::kNoUpdateMessage});
    EXPECT_FALSE(waitOpenDuringMessage);
    EXPECT_TRUE(launcher.Requests().empty());
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}
