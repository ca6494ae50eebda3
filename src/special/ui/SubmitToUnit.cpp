// The request mail form: binds the fields to the request mail and sends it without blocking the
// window; the worker thread only posts its end to the window thread.
#include "special/ui/SubmitToUnit.h"

#include <algorithm>

#include "SubmitToFormIds.h"
#include "core/system/Dialogs.h"
#include "core/ui/Dpi.h"
#include "core/ui/Pictures.h"

namespace ku {

TSubmitToForm* SubmitToForm = nullptr;

namespace {

const UINT kMailSent = WM_APP + 1;
// The client area and the margins, in pixels at the screen's pixels per inch.
int ClientWidth() {
    return Scaled(460);
}
int ClientHeight() {
    return Scaled(353);
}
int Margin() {
    return Scaled(10);
}
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kMarkColour = RGB(0xc0, 0x00, 0x00);
const char* const kHintCaption = "Hint";
const char* const kRequiredText =
    "Full Name, Email, OS (Operating System), Application Name and Version are all required.";

const int kStretched[] = {IDC_SUBMIT_LABEL1,       IDC_SUBMIT_EDITFULLNAME,    IDC_SUBMIT_EDITUSEREMAIL,
                         IDC_SUBMIT_EDITOS,       IDC_SUBMIT_EDITAPPLICATION, IDC_SUBMIT_EDITVERSION,
                         IDC_SUBMIT_DETAILMEMO};

bool IsMark(int id) {
    return id >= IDC_SUBMIT_MARKFULLNAME && id <= IDC_SUBMIT_MARKVERSION;
}

} // namespace

TSubmitToForm::TSubmitToForm() : TForm(IDD_SUBMITTOFORM) {}

// A mail still under way ends within its time-outs (the sender waits for it); the end it posts
// is never handled, as the window goes right after.
TSubmitToForm::~TSubmitToForm() = default;

TLabel TSubmitToForm::Label1() const {
    return TLabel(Item(IDC_SUBMIT_LABEL1));
}
TControl TSubmitToForm::EditFullName() const {
    return TControl(Item(IDC_SUBMIT_EDITFULLNAME));
}
TControl TSubmitToForm::EditUserEMail() const {
    return TControl(Item(IDC_SUBMIT_EDITUSEREMAIL));
}
TControl TSubmitToForm::EditOS() const {
    return TControl(Item(IDC_SUBMIT_EDITOS));
}
TControl TSubmitToForm::EditApplication() const {
    return TControl(Item(IDC_SUBMIT_EDITAPPLICATION));
}
TControl TSubmitToForm::EditVersion() const {
    return TControl(Item(IDC_SUBMIT_EDITVERSION));
}
TControl TSubmitToForm::DetailMemo() const {
    return TControl(Item(IDC_SUBMIT_DETAILMEMO));
}
TImageEx TSubmitToForm::IStepBitBtn() const {
    return TImageEx(Item(IDC_SUBMIT_ISTEPBITBTN));
}
TControl TSubmitToForm::StepBitBtn() const {
    return TControl(Item(IDC_SUBMIT_STEPBITBTN));
}

void TSubmitToForm::FormCreate() {
    whiteBrush_.reset(CreateSolidBrush(kWhite));
    LoadJpegResource(IStepBitBtn(), "SubmitSend1", "JPG");
    IStepBitBtn().SetOnMouseEnter([this](TImageEx) { IStepBitBtnMouseEnter(); });
    IStepBitBtn().SetOnMouseLeave([this](TImageEx) { IStepBitBtnMouseLeave(); });
    PlaceWindowAndButton();
    RECT label;
    GetWindowRect(Label1().Handle(), &label);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&label), 2);
    SetTopPanel(label.bottom + Margin() / 2, kWhite);
}

// The client area has its exact size, the window sits in the screen's centre and the send
// button, sized by its picture, in the bottom right corner.
void TSubmitToForm::PlaceWindowAndButton() {
    RECT frame = {0, 0, ClientWidth(), ClientHeight()};
    AdjustWindowRectEx(&frame, GetWindowLongA(Handle(), GWL_STYLE), FALSE,
                       GetWindowLongA(Handle(), GWL_EXSTYLE));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT button;
    GetClientRect(IStepBitBtn().Handle(), &button);
    for (HWND control : {IStepBitBtn().Handle(), StepBitBtn().Handle()})
        SetWindowPos(control, nullptr, ClientWidth() - button.right - Margin(),
                     ClientHeight() - button.bottom - Margin(), button.right, button.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    FitFields(ClientHeight() - button.bottom - 2 * Margin());
}

// Dialog units grow with the font, the client area with the screen's pixels per inch, not
// quite alike: the texts and fields reach to the right margin and the detail box ends above
// the send button, whatever the font.
void TSubmitToForm::FitFields(int detailBottom) {
    for (int id : kStretched) {
        RECT place;
        GetWindowRect(Item(id), &place);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&place), 2);
        if (id == IDC_SUBMIT_DETAILMEMO)
            place.bottom = std::max<LONG>(place.top + 2 * Margin(), detailBottom);
        SetWindowPos(Item(id), nullptr, 0, 0, ClientWidth() - Margin() - place.left,
                     place.bottom - place.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TSubmitToForm::IStepBitBtnMouseEnter() {
    IStepBitBtn().ClearPicture();
    LoadJpegResource(IStepBitBtn(), "SubmitSend2", "JPG");
}

void TSubmitToForm::IStepBitBtnMouseLeave() {
    IStepBitBtn().ClearPicture();
    LoadJpegResource(IStepBitBtn(), "SubmitSend1", "JPG");
}

bool TSubmitToForm::Fields(TRequestFields& fields, std::string& refusal) const {
    const struct {
        TControl edit;
        std::string TRequestFields::*text;
        const char* label;
    } boxes[] = {{EditFullName(), &TRequestFields::FullName, "Full Name"},
                 {EditUserEMail(), &TRequestFields::UserEMail, "Email"},
                 {EditOS(), &TRequestFields::OS, "OS"},
                 {EditApplication(), &TRequestFields::Application, "Application"},
                 {EditVersion(), &TRequestFields::Version, "Version"},
                 {DetailMemo(), &TRequestFields::Detail, "Detail"}};
    for (const auto& box : boxes) {
        if (!box.edit.ExactText(fields.*box.text)) {
            refusal = InexactTextMessage(box.label, fields.*box.text, "cannot be sent");
            return false;
        }
    }
    return true;
}

void TSubmitToForm::StepBitBtnClick() {
    if (sender_)
        return; // one mail at a time
    TRequestFields fields;
    std::string refusal;
    if (!Fields(fields, refusal)) {
        ShowMessageBox(Handle(), refusal, kHintCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!RequestFieldsComplete(fields)) {
        ShowMessageBox(Handle(), kRequiredText, kHintCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    hint_ = std::make_unique<THintForm>();
    if (hint_->Create(Handle())) {
        hint_->SetMessage("Sending...");
        hint_->Show();
    }
    // The form takes no input until the mail is through, as while it blocked on the server.
    EnableWindow(Handle(), FALSE);
    const HWND window = Handle();
    sender_ = std::make_unique<TMailSendThread>(Smtp, ComposeRequestMail(fields), [window] {
        PostMessageA(window, kMailSent, 0, 0);
    });
}

void TSubmitToForm::MailSent() {
    if (!sender_)
        return;
    sender_->WaitFor();
    const bool sent = sender_->Sent();
    const std::string error = sender_->Error();
    sender_.reset();
    hint_.reset();
    EnableWindow(Handle(), TRUE);
    SetFocus(EditFullName().Handle());
    if (!sent) {
        // The form stays, with everything typed, for another try.
        ShowMessageBox(Handle(), "ERROR: " + error, kAppCaption, MB_OK | MB_ICONERROR);
        return;
    }
    ShowMessageBox(Handle(), "Message is send successfully. ", kHintCaption, MB_OK);
    Close(IDOK);
}

bool TSubmitToForm::OnCommand(int id, int code) {
    if ((id == IDC_SUBMIT_ISTEPBITBTN && code == STN_CLICKED) ||
        (id == IDC_SUBMIT_STEPBITBTN && code == BN_CLICKED)) {
        StepBitBtnClick();
        return true;
    }
    // Enter in a field sends nothing and closes nothing; nothing closes while a mail is out.
    if (id == IDOK || (id == IDCANCEL && sender_))
        return true;
    return TForm::OnCommand(id, code);
}

bool TSubmitToForm::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    if (message == kMailSent) {
        MailSent();
        result = TRUE;
        return true;
    }
    if (message == WM_CLOSE && sender_) {
        result = TRUE;
        return true;
    }
    return false;
}

HBRUSH TSubmitToForm::OnLabelColour(HDC dc, HWND label) {
    const int id = GetDlgCtrlID(label);
    if (id == IDC_SUBMIT_LABEL1) {
        SetBkColor(dc, kWhite);
        return static_cast<HBRUSH>(whiteBrush_.get());
    }
    if (IsMark(id)) {
        SetTextColor(dc, kMarkColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return GetSysColorBrush(COLOR_BTNFACE);
    }
    return TForm::OnLabelColour(dc, label);
}

void ShowSubmitToForm(HWND owner) {
    TSubmitToForm form;
    SubmitToForm = &form;
    form.ShowModal(owner);
    SubmitToForm = nullptr;
}

} // namespace ku
