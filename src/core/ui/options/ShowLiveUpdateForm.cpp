// The live-update wait window and the windowed update check.
#include "core/ui/options/ShowLiveUpdateForm.h"

#include "core/system/PublicFunctionUnit.h"
#include "resource.h"

namespace ku {

namespace {
const UINT_PTR kAnimationTimer = 1;
} // namespace

TShowLiveUpdateForm::TShowLiveUpdateForm() : TForm(IDD_LIVEUPDATEFORM) {}

TImageEx TShowLiveUpdateForm::Image1() const {
    return TImageEx(Item(IDC_LIVE_IMAGE1));
}

void TShowLiveUpdateForm::FormCreate() {
    SetBackgroundColour(RGB(255, 255, 255)); // the animation's own background
    if (LoadGifResource("LiveUpdate", "GIF", animation_))
        ShowFrame(0);
}

void TShowLiveUpdateForm::ShowFrame(int index) {
    frame_ = index;
    // The control owns what it shows, so it gets a copy of the frame.
    HBITMAP copy = static_cast<HBITMAP>(
        CopyImage(animation_.frames[index].get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    Image1().SetPicture(copy, "LiveUpdate");
    SetTimer(Handle(), kAnimationTimer, animation_.delaysMs[index], nullptr);
}

bool TShowLiveUpdateForm::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (message != WM_TIMER || wParam != kAnimationTimer || animation_.frames.empty())
        return false;
    ShowFrame((frame_ + 1) % FrameCount());
    result = TRUE;
    return true;
}

void LiveUpdateWaitWindow::Show() {
    if (form_.Create(nullptr))
        form_.Show(SW_SHOW);
}

void LiveUpdateWaitWindow::Close() {
    form_.Close();
}

bool CheckForUpdate(bool interactive, HWND owner) {
    LiveUpdateWaitWindow wait;
    UpdateCheckPlaces places;
    places.programDir = ProgramDir();
    places.owner = owner;
    if (!CheckForUpdate(interactive, &wait, places))
        return false;
    PostQuitMessage(0);
    return true;
}

} // namespace ku
