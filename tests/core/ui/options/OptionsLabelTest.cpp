// The main window's "Options" label opens the options dialog modally and applies the view
// style when it closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "UiSupport.h"
#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/ui/main/MainUnit.h"
#include "core/ui/options/OptionUnit.h"
#include "support/RecordingLauncher.h"

namespace {
bool optionsSeen = false;
VOID CALLBACK CancelOptions(HWND, UINT, UINT_PTR timer, DWORD) {
    if (ku::FormOptions && ku::FormOptions->Handle()) {
        KillTimer(nullptr, timer);
        optionsSeen = IsWindowVisible(ku::FormOptions->Handle()) != FALSE;
        PostMessageA(ku::FormOptions->Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}
} // namespace

TEST(OptionsLabel, OpensTheDialogModallyAndAppliesTheViewStyleAfterIt) {
    ku::SetMessageBoxHook([](const ku::MessageBoxCall&) { return IDOK; });
    kutest::RecordingLauncher launcher;
    ku::TUnInstallForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(200);
    ku::Settings.ViewStyle = 2;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelOptions);
    form.OptionsBtnClick();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(optionsSeen);
    EXPECT_EQ(ku::FormOptions, nullptr);
    EXPECT_EQ(GetWindowLongA(form.ListView(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    ku::Settings.ViewStyle = 0;
    ku::SetMessageBoxHook(nullptr);
}
