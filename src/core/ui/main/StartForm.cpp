// The splash window: one picture, the window as large as it, rounded and centred.
#include "core/ui/main/StartForm.h"

#include "core/ui/Pictures.h"
#include "resource.h"

namespace ku {

TStartForm::TStartForm() : TForm(IDD_STARTFORM) {}

TImageEx TStartForm::Image1() const {
    return TImageEx(Item(IDC_START_IMAGE1));
}

void TStartForm::FormCreate() {
    SetWindowTextA(Handle(), "Kelvane Uninstaller");
    LoadJpegResource(Image1(), "Splash", "JPG");
    RECT picture;
    GetWindowRect(Image1().Handle(), &picture);
    const int width = picture.right - picture.left;
    const int height = picture.bottom - picture.top;
    SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    MakeBorderless();
}

} // namespace ku
