// The program details dialog.
#include "core/ui/main/DetailForm.h"

#include <commctrl.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/ui/Controls.h"
#include "core/ui/LabelHover.h"
#include "core/ui/TextFit.h"
#include "resource.h"

namespace ku {

namespace {
const COLORREF kLinkBlue = RGB(0, 0, 0xFF); // 0xFF0000 as a BGR colour value
} // namespace

TDetailForm::TDetailForm() : TForm(IDD_DETAILFORM) {}

void TDetailForm::FormCreate() {
    SetBackgroundColour(RGB(255, 255, 255));
    SetBackground("DetailBack", false);
    const std::pair<int, const std::string*> facts[] = {
        {IDC_DETAIL_ABPROGRAMNAME, &ProgramName}, {IDC_DETAIL_ABVERSION, &Version},
        {IDC_DETAIL_ABINSTALLDATE, &InstallDate}, {IDC_DETAIL_ABINSTALLLOCATION, &InstallLocation},
        {IDC_DETAIL_ABHELPLINK, &HelpLink},       {IDC_DETAIL_ABPUBLISHER, &Publisher},
        {IDC_DETAIL_ABHOMEPAGE, &HomePage},       {IDC_DETAIL_ABUPDATELINK, &UpdateLink}};
    for (const auto& fact : facts)
        TLabel(Item(fact.first)).SetText(*fact.second);
    // A long name wraps; one that would pass the label's last line ends with an ellipsis.
    SetFittedLabelText(Item(IDC_DETAIL_ABPROGRAMNAME), ProgramName);
    if (ApplicationIcon)
        TPicture(Item(IDC_DETAIL_PICAPPLICATIONICON)).SetIcon(ApplicationIcon);
    LOGFONTA font = {};
    // exact-text: the window's font, whose face name only goes back to CreateFontIndirectA
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    font.lfUnderline = TRUE;
    linkFont_.reset(CreateFontIndirectA(&font));
    for (int id : {IDC_DETAIL_ABHELPLINK, IDC_DETAIL_ABHOMEPAGE, IDC_DETAIL_ABUPDATELINK})
        SetLabelHoverHandler(Item(id), [this](HWND label, bool inside) {
            inside ? abHelpLinkMouseEnter(label) : abHelpLinkMouseLeave(label);
        });
}

bool TDetailForm::IsLink(HWND label) const {
    return label == Item(IDC_DETAIL_ABHELPLINK) || label == Item(IDC_DETAIL_ABHOMEPAGE) ||
           label == Item(IDC_DETAIL_ABUPDATELINK);
}

void TDetailForm::abHelpLinkClick(HWND label) {
    const std::string text = WindowText(label);
    if (text != kNotAvailable)
        OpenURL(0, text);
}

void TDetailForm::abHelpLinkMouseEnter(HWND label) {
    if (WindowText(label) == kNotAvailable)
        return;
    hotLink_ = label;
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);
    SetLabelText(label, WindowText(label));
}

void TDetailForm::abHelpLinkMouseLeave(HWND label) {
    if (WindowText(label) == kNotAvailable || hotLink_ != label)
        return;
    hotLink_ = nullptr;
    SendMessageA(label, WM_SETFONT, SendMessageA(Handle(), WM_GETFONT, 0, 0), FALSE);
    SetLabelText(label, WindowText(label));
}

bool TDetailForm::OnCommand(int id, int code) {
    if (code == STN_CLICKED && IsLink(Item(id))) {
        abHelpLinkClick(Item(id));
        return true;
    }
    return TForm::OnCommand(id, code);
}

HBRUSH TDetailForm::OnLabelColour(HDC dc, HWND label) {
    SetTextColor(dc, label == hotLink_ ? kLinkBlue : RGB(0, 0, 0));
    return TForm::OnLabelColour(dc, label);
}

} // namespace ku
