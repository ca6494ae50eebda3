// The hint window: a coloured top panel "Hint" and one centred message.
#include "core/ui/HintForm.h"

#include "core/ui/Controls.h"
#include "resource.h"

namespace ku {

namespace {
const COLORREF kPanel = RGB(0x1d, 0x3f, 0x72);
} // namespace

THintForm::THintForm() : TForm(IDD_HINTFORM) {}

HWND THintForm::PanelHint() const {
    return Item(IDC_HINT_PANELHINT);
}
HWND THintForm::LabelMsg() const {
    return Item(IDC_HINT_LABELMSG);
}

void THintForm::SetMessage(const std::string& text) {
    SetLabelText(LabelMsg(), text);
}

void THintForm::FormCreate() {
    SetWindowTextA(Handle(), "Hint");
    panelBrush_.reset(CreateSolidBrush(kPanel));
    SetBackgroundColour(RGB(255, 255, 255));
    RECT panel;
    GetWindowRect(PanelHint(), &panel);
    SetTopPanel(panel.bottom - panel.top, kPanel);
    MakeBorderless();
}

HBRUSH THintForm::OnLabelColour(HDC dc, HWND label) {
    if (label == PanelHint()) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, kPanel);
        return static_cast<HBRUSH>(panelBrush_.get());
    }
    return TForm::OnLabelColour(dc, label);
}

} // namespace ku
