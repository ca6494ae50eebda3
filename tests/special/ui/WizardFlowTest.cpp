// The special-uninstall wizard's buttons: a selection needed, the application without a
// profile, skip, cancel and an ignored second click during a long scan, an error in a step.
#include <gtest/gtest.h>

#include <stdexcept>

#include "WizardDriver.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"

namespace {

using spectest::WizardDriver;

TEST(SpecialWizard, NeedsASelectionAndHandsAnApplicationWithoutProfileToTheUninstallWizard) {
    kutest::RecordingDialogs dialogs;
    kutest::RecordingWindows windows(kutest::RecordingWindows::Uninstall);
    WizardDriver wizard;
    wizard.form.StepBitBtnClick();
    EXPECT_EQ(dialogs.Texts().size(), 1u) << "no word that a selection is needed";
    ASSERT_TRUE(wizard.Choose("Tweak-XP Pro 4(2003)(For 32bit)"));
    wizard.form.StepBitBtnClick();
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageSelect);
    ASSERT_EQ(windows.requests.size(), 1u);
    const ku::UninstallWizardRequest& r = windows.requests[0];
    EXPECT_EQ(r.ProgramName + "|" + r.ProfileKey + "|" + std::to_string(r.SpecialMode),
              "Tweak-XP Pro 4(2003)(For 32bit)|Tweak_XPPro4|1");
}

// What a user does while the scan runs, from inside its message loop: the step button is off,
// a second click on it returns at once instead of scanning again, then skip or cancel.
WizardDriver* scanning = nullptr;
int endButton = 0;
bool stepEnabled = true;
DWORD secondClickMs = 0;
void CALLBACK DuringScan(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    stepEnabled = IsWindowEnabled(scanning->Item(IDC_SPECIAL_STEPBITBTN));
    const DWORD start = GetTickCount();
    scanning->form.StepBitBtnClick();
    secondClickMs = GetTickCount() - start;
    PostMessageA(window, WM_COMMAND, endButton, (LPARAM)scanning->Item(endButton));
}

// A scan over the whole registry: skip and cancel end it at once.
TEST(SpecialWizard, SkipAndCancelEndALongScanAndASecondClickIsIgnored) {
    kutest::RecordingDialogs dialogs;
    for (const int button : {IDC_SPECIAL_REGSKIPBTN, IDC_SPECIAL_CANCELBITBTN}) {
        SCOPED_TRACE(button);
        WizardDriver wizard;
        ASSERT_TRUE(wizard.Choose("3DsMax2008(For 32bit)"));
        wizard.form.StepBitBtnClick();
        ASSERT_EQ(wizard.form.PageIndex(), ku::SpecialPageScan);
        scanning = &wizard;
        endButton = button;
        SetTimer(wizard.form.Handle(), 0x7E57, 50, DuringScan);
        const DWORD start = GetTickCount();
        wizard.form.StepBitBtnClick();
        EXPECT_LT(GetTickCount() - start, 3000u);
        EXPECT_FALSE(stepEnabled);
        EXPECT_LT(secondClickMs, 500u);
        EXPECT_TRUE(dialogs.Calls().empty());
        if (button == IDC_SPECIAL_CANCELBITBTN) {
            EXPECT_EQ(wizard.form.Handle(), nullptr);
            continue;
        }
        EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageReview);
        EXPECT_TRUE(IsWindowVisible(wizard.Item(IDC_SPECIAL_LISTFILE)));
        EXPECT_TRUE(IsWindowEnabled(wizard.Item(IDC_SPECIAL_STEPBITBTN)));
        EXPECT_FALSE(wizard.form.ScanLeftovers("3dsmax2008")) << "the scan ran twice";
    }
}

TEST(SpecialWizard, AnErrorInAStepIsShownAndTheWizardGoesOn) {
    kutest::RecordingLauncher launcher;
    std::vector<std::string> shown;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) -> int {
        shown.push_back(call.text);
        if (shown.size() == 1)
            throw std::runtime_error("The registry is not available.");
        return IDOK;
    });
    {
        WizardDriver wizard;
        ASSERT_TRUE(wizard.Choose("MB Electional Astrology 1.4(For 32bit)"));
        wizard.form.StepBitBtnClick();
        wizard.form.StepBitBtnClick();
        // Clicked as a user does: through the window's own message handling.
        SendMessageA(wizard.form.Handle(), WM_COMMAND, IDC_SPECIAL_STEPBITBTN,
                     (LPARAM)wizard.Item(IDC_SPECIAL_STEPBITBTN));
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1], "The registry is not available.");
        EXPECT_NE(wizard.form.Handle(), nullptr);
        EXPECT_FALSE(wizard.form.Busy());
        EXPECT_TRUE(IsWindowEnabled(wizard.Item(IDC_SPECIAL_STEPBITBTN)));
    }
    ku::SetMessageBoxHook(nullptr);
}

} // namespace
