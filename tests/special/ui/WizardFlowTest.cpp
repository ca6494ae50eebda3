// The special-uninstall wizard's pages and buttons: selection, the application without a
// profile, skip and cancel during a scan, one step at a time and errors shown.
#include <gtest/gtest.h>

#include <stdexcept>

#include "WizardDriver.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"

namespace {

using spectest::WizardDriver;

TEST(SpecialWizard, ListsEveryApplicationAndNeedsASelection) {
    kutest::RecordingDialogs dialogs;
    WizardDriver wizard;
    EXPECT_EQ(ListView_GetItemCount(wizard.List()), 119);
    wizard.Picture("SpecialWizard1Select");
    wizard.form.StepBitBtnClick();
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageSelect);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].caption + ": " + dialogs.Calls()[0].text,
              std::string(ku::kAppCaption) + ": You haven't selected any application in the list.");
}

TEST(SpecialWizard, AnApplicationWithoutProfileOpensTheUninstallWizardInSpecialMode) {
    kutest::RecordingWindows windows(kutest::RecordingWindows::Uninstall);
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Choose("Tweak-XP Pro 4(2003)(For 32bit)"));
    wizard.form.StepBitBtnClick();
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageSelect);
    ASSERT_EQ(windows.requests.size(), 1u);
    const ku::UninstallWizardRequest& request = windows.requests[0];
    EXPECT_EQ(request.ProgramName + "|" + request.ProfileKey + "|" +
                  std::to_string(request.SpecialMode),
              "Tweak-XP Pro 4(2003)(For 32bit)|Tweak_XPPro4|1");
    for (const std::string* text :
         {&request.DisplayName, &request.Version, &request.InstallDate, &request.InstallLocation,
          &request.HelpLink, &request.Publisher, &request.HomePage, &request.UpdateLink})
        EXPECT_EQ(*text, "NOT AVAILABLE");
}

// A scan over the whole registry: skip and cancel must end it at once.
class LongScan : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(wizard.Choose("3DsMax2008(For 32bit)"));
        wizard.form.StepBitBtnClick();
        ASSERT_EQ(wizard.form.PageIndex(), ku::SpecialPageScan);
    }
    DWORD TimedStep() {
        const DWORD start = GetTickCount();
        wizard.form.StepBitBtnClick();
        return GetTickCount() - start;
    }
    kutest::RecordingDialogs dialogs;
    WizardDriver wizard;
};

TEST_F(LongScan, SkipEndsTheScanAndTheFoundListFollows) {
    wizard.PostClick(IDC_SPECIAL_REGSKIPBTN);
    EXPECT_LT(TimedStep(), 3000u);
    EXPECT_EQ(ku::ScanState.load(), ku::ScanStop);
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageReview);
    EXPECT_TRUE(IsWindowVisible(wizard.Item(IDC_SPECIAL_LISTFILE)));
    // The scan does not run twice.
    EXPECT_FALSE(wizard.form.ScanLeftovers("3dsmax2008"));
}

TEST_F(LongScan, ASecondClickDuringAStepIsIgnored) {
    wizard.PostClick(IDC_SPECIAL_STEPBITBTN); // would start the removal inside the scan
    wizard.PostClick(IDC_SPECIAL_REGSKIPBTN);
    TimedStep();
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageReview);
    EXPECT_TRUE(dialogs.Calls().empty()) << "no backup question: the removal did not start";
    EXPECT_FALSE(wizard.form.Busy());
    EXPECT_TRUE(IsWindowEnabled(wizard.Item(IDC_SPECIAL_STEPBITBTN)));
}

TEST_F(LongScan, CancelStopsTheScanAndClosesAfterIt) {
    wizard.PostClick(IDC_SPECIAL_CANCELBITBTN);
    EXPECT_LT(TimedStep(), 3000u);
    EXPECT_EQ(wizard.form.Handle(), nullptr);
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
                     reinterpret_cast<LPARAM>(wizard.Item(IDC_SPECIAL_STEPBITBTN)));
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1], "The registry is not available.");
        EXPECT_NE(wizard.form.Handle(), nullptr);
        EXPECT_FALSE(wizard.form.Busy());
        EXPECT_TRUE(IsWindowEnabled(wizard.Item(IDC_SPECIAL_STEPBITBTN)));
    }
    ku::SetMessageBoxHook(nullptr);
}

} // namespace
