// The about box.
#include "core/ui/main/AboutForm.h"

#include "core/ui/Dpi.h"
#include "core/ui/Pictures.h"
#include "resource.h"

namespace ku {

namespace {
const int kTopPanel = 30; // the dark band of the background picture
const COLORREF kBand = RGB(0x1d, 0x3f, 0x72);
} // namespace

TAboutForm::TAboutForm() : TForm(IDD_ABOUTFORM) {}

TImageEx TAboutForm::OKBtn() const {
    return TImageEx(Item(IDC_ABOUT_OKBTN));
}
TImageEx TAboutForm::CloseBtn() const {
    return TImageEx(Item(IDC_ABOUT_CLOSEBTN));
}

void TAboutForm::FormCreate() {
    SetWindowTextA(Handle(), "About");
    SetBackground("AboutBack", true);
    SetTopPanel(Scaled(kTopPanel), kBand);
    LoadJpegResource(OKBtn(), "OK1", "JPG");
    LoadJpegResource(CloseBtn(), "SMClose1", "JPG");
    OKBtn().SetOnMouseEnter([](TImageEx button) { LoadJpegResource(button, "OK2", "JPG"); });
    OKBtn().SetOnMouseLeave([](TImageEx button) { LoadJpegResource(button, "OK1", "JPG"); });
    CloseBtn().SetOnMouseEnter(
        [](TImageEx button) { LoadJpegResource(button, "SMClose2", "JPG"); });
    CloseBtn().SetOnMouseLeave(
        [](TImageEx button) { LoadJpegResource(button, "SMClose1", "JPG"); });
    PlaceButtons();
    MakeBorderless();
}

// The pictures decide the buttons' sizes; place them by the window's own pixels, which grow
// with the screen's pixels per inch as the pictures do.
void TAboutForm::PlaceButtons() {
    RECT client, ok, close;
    GetClientRect(Handle(), &client);
    GetClientRect(OKBtn().Handle(), &ok);
    GetClientRect(CloseBtn().Handle(), &close);
    const int band = Scaled(kTopPanel);
    SetWindowPos(CloseBtn().Handle(), nullptr, client.right - close.right - Scaled(6),
                 (band - close.bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(OKBtn().Handle(), nullptr, (client.right - ok.right) / 2,
                 client.bottom - ok.bottom - Scaled(14), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(Item(IDC_ABOUT_LABEL1), nullptr, Scaled(10), (band - Scaled(14)) / 2, Scaled(120),
                 Scaled(14), SWP_NOZORDER);
}

int TAboutForm::DefaultButton() const { return IDC_ABOUT_OKBTN; }
int TAboutForm::CancelButton() const { return IDC_ABOUT_CLOSEBTN; }

bool TAboutForm::OnCommand(int id, int code) {
    if ((id == IDC_ABOUT_OKBTN || id == IDC_ABOUT_CLOSEBTN) && code == STN_CLICKED) {
        Close(IDOK);
        return true;
    }
    return TForm::OnCommand(id, code);
}

HBRUSH TAboutForm::OnLabelColour(HDC dc, HWND label) {
    if (GetDlgCtrlID(label) == IDC_ABOUT_LABEL1)
        SetTextColor(dc, RGB(255, 255, 255));
    return TForm::OnLabelColour(dc, label);
}

} // namespace ku
