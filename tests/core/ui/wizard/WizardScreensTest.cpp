// What a user sees of the wizard while it scans: the moving block of the registry scan's strip
// is a block the strip's height, drawn above the strip (one screenshot mid-scan).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RecordingLauncher.h"

using namespace ku;

namespace {

RECT ScreenRect(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    return rect;
}

// How many pixels of the column through the block's middle are dark on the screen (the block
// has the window frame's colour, the strip the window's).
int DarkPixels(const RECT& block) {
    HDC screen = GetDC(nullptr);
    int dark = 0;
    const int x = (block.left + block.right) / 2;
    for (int y = block.top; y < block.bottom; ++y) {
        const COLORREF colour = GetPixel(screen, x, y);
        dark += GetRValue(colour) < 176 && GetGValue(colour) < 176 && GetBValue(colour) < 176;
    }
    ReleaseDC(nullptr, screen);
    return dark;
}

} // namespace

TEST(WizardScreens, TheMovingBlockFillsItsStripWhileTheRegistryIsScanned) {
    kutest::RecordingLauncher launcher;
    SetMessageBoxHook([](const MessageBoxCall&) { return IDOK; });
    TUninstallStepForm form;
    form.DisplayName = form.UninstallKeyName = form.ProgramName = "KuScreensDemo";
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(100);
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageScan);
    const HWND block = GetDlgItem(form.Handle(), IDC_STEP_REGPROGRESSIMAGE);
    const HWND strip = GetDlgItem(form.Handle(), IDC_STEP_REGPROGRESSPANEL);
    RECT blockRect{}, stripRect{};
    std::atomic<int> dark{-1};
    std::thread watcher([&] {
        // Once the block has moved into the strip and shows there in two looks a tenth of a
        // second apart (a busy machine paints late; a strip that paints over its block never
        // shows it so), look at it, then skip both scans.
        for (int i = 0; i < 2000 && !IsWindowVisible(block); ++i)
            Sleep(5);
        Sleep(300);
        for (int looks = 0, shown = 0; looks < 100 && shown < 2; ++looks) {
            Sleep(100);
            blockRect = ScreenRect(block);
            stripRect = ScreenRect(strip);
            dark = DarkPixels(blockRect);
            shown = dark >= stripRect.bottom - stripRect.top - 4 ? shown + 1 : 0;
        }
        uitest::SaveScreenshot(form.Handle(), "WizardScanning");
        for (int id : {IDC_STEP_REGSKIPBTN, IDC_STEP_FILESKIPBTN}) {
            const HWND skip = GetDlgItem(form.Handle(), id);
            for (int i = 0; i < 2000 && !IsWindowVisible(skip); ++i)
                Sleep(5);
            PostMessageA(skip, BM_CLICK, 0, 0);
            Sleep(100);
        }
    });
    form.StepBitBtnClick();
    watcher.join();
    const int stripInside = stripRect.bottom - stripRect.top - 2; // within its border
    EXPECT_EQ(blockRect.right - blockRect.left, 24);
    EXPECT_GE(blockRect.bottom - blockRect.top, stripInside - 2);
    EXPECT_LE(blockRect.bottom - blockRect.top, stripInside);
    EXPECT_GE(dark.load(), stripInside - 2) << "the strip paints over its block";
    form.CancelBitBtnClick();
    SetMessageBoxHook(nullptr);
    ScanState = ScanRun;
}
