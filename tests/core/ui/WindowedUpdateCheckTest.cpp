// The update check a user asks for: without network the wait window closes before the message,
// which the window it was asked from owns.
#include <gtest/gtest.h>

#include "core/system/Dialogs.h"
#include "MainUnitIds.h"
#include "UiSupport.h"
#include "core/ui/main/MainUnit.h"
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

// The "Update" label of the main window: the box belongs to the main window, which stays
// disabled under a real box, so a second click cannot stack a second one.
TEST(WindowedUpdateCheck, TheMainWindowOwnsTheNoUpdateBox) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    kutest::RecordingLauncher launcher;
    ku::TUnInstallForm form;
    ASSERT_TRUE(form.Create(nullptr));
    std::vector<HWND> owners;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        owners.push_back(call.owner);
        return IDOK;
    });
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_UPDATEBTN, STN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Item(IDC_MAIN_UPDATEBTN)));
    ku::SetMessageBoxHook(nullptr);
    ku::SetMakerWebHost("");
    EXPECT_EQ(owners, std::vector<HWND>{form.Handle()});
}
