// The special-uninstall wizard's window: pages, step button, skip, timer and closing.
#include "special/ui/Unitlist.h"

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "SpecialFormIds.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/ui/Controls.h"
#include "core/ui/Dpi.h"
#include "core/ui/LabelHover.h"
#include "core/ui/OffThreadWork.h"
#include "core/ui/Pictures.h"
#include "core/ui/TextFit.h"
#include "core/ui/main/OtherWindows.h"
#include "core/ui/wizard/WizardBridge.h"
#include "special/ApplicationList.h"
#include "special/ui/SubmitToUnit.h"

namespace ku {

TFormUninstall* FormUninstall = nullptr;

namespace {

const UINT_PTR kTimer1 = 1;
const int kProgressStart = -24;
// The client area the pages are laid out for, in pixels at the screen's pixels per inch.
int ClientWidth() {
    return Scaled(460);
}
int ClientHeight() {
    return Scaled(353);
}

struct PageControl {
    int id;
    int page;
};

const PageControl kPageControls[] = {
    {IDC_SPECIAL_PANEL1, SpecialPageSelect},
    {IDC_SPECIAL_LISTUNISTALL, SpecialPageSelect},
    {IDC_SPECIAL_SCANLABEL1, SpecialPageScan},
    {IDC_SPECIAL_SCANLABEL2, SpecialPageScan},
    {IDC_SPECIAL_STEPIMAGE1, SpecialPageScan},
    {IDC_SPECIAL_SCANMSGPANEL, SpecialPageScan},
    {IDC_SPECIAL_REGPROGRESSPANEL, SpecialPageScan},
    {IDC_SPECIAL_REGSKIPBTN, SpecialPageScan},
    {IDC_SPECIAL_LISTFILE, SpecialPageReview},
    {IDC_SPECIAL_PROCESSLABEL1, SpecialPageRemoving},
    {IDC_SPECIAL_PROCESSLABEL2, SpecialPageRemoving},
    {IDC_SPECIAL_ABFINISH, SpecialPageFinish},
    {IDC_SPECIAL_ABFINISHMESSAGE, SpecialPageFinish},
};

UniqueGdiObject DerivedFont(HWND window, int weight, bool underline) {
    LOGFONTA font = {};
    // exact-text: the window's font, whose face name only goes back to CreateFontIndirectA
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    font.lfWeight = weight;
    font.lfUnderline = underline;
    return UniqueGdiObject(CreateFontIndirectA(&font));
}

// The wizard's state while a step runs: the step button is off, and on again afterwards
// whatever happened inside.
class StepGuard {
  public:
    StepGuard(bool& busy, HWND button) : busy_(busy), button_(button) {
        busy_ = true;
        EnableWindow(button_, FALSE);
    }
    ~StepGuard() {
        busy_ = false;
        EnableWindow(button_, TRUE);
    }

  private:
    bool& busy_;
    HWND button_;
};

// The template's dialog units give 460 by 353 pixels only with the font it was drawn for; a
// wider font widens the window and every control but not the pictures, which grow with the
// screen's pixels per inch alone. The client area gets its own size at those pixels per inch
// again and each control its place in the same proportion.
void FitToClientArea(HWND form) {
    RECT client;
    GetClientRect(form, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    const int width = ClientWidth(), height = ClientHeight();
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
        const int left = MulDiv(place.left, width, client.right);
        const int top = MulDiv(place.top, height, client.bottom);
        // The panel edges span the whole template, a pixel past its rounded client area.
        const int right = std::min(width, MulDiv(place.right, width, client.right));
        SetWindowPos(child, nullptr, left, top, right - left,
                     MulDiv(place.bottom, height, client.bottom) - top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, GetWindowLongA(form, GWL_STYLE), FALSE,
                       GetWindowLongA(form, GWL_EXSTYLE));
    SetWindowPos(form, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT PlaceInForm(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The height the label's text takes in a label of this width, and the width of its longest line.
SIZE TextExtent(HWND label, int width, UINT wrap) {
    const std::string text = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT area = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_NOPREFIX | wrap);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return {area.right, area.bottom};
}

} // namespace

int NextProgressLeft(int left, int panelWidth) {
    return left + 1 >= panelWidth ? kProgressStart : left + 1;
}

TFormUninstall::TFormUninstall() : TForm(IDD_SPECIALFORM) {}

TFormUninstall::~TFormUninstall() {
    if (FormUninstall == this)
        FormUninstall = nullptr;
}

void TFormUninstall::SetHoverPictures(int id, const std::string& name) {
    TImageEx button(Item(id));
    LoadJpegResource(button, name + "1", "JPG");
    button.SetOnMouseEnter([name](TImageEx b) { LoadJpegResource(b, name + "2", "JPG"); });
    button.SetOnMouseLeave([name](TImageEx b) { LoadJpegResource(b, name + "1", "JPG"); });
}

void TFormUninstall::FormCreate() {
    FormUninstall = this;
    Uninstall.Owner = Handle();
    FitToClientArea(Handle());
    CenterOnOwner(Handle());
    SetBackgroundColour(RGB(255, 255, 255));
    LoadJpegResource(TImageEx(Item(IDC_SPECIAL_IMAGE1)), "SpecialTop", "JPG");
    LoadJpegResource(TImageEx(Item(IDC_SPECIAL_IMAGE2)), "SpecialSide", "JPG");
    LoadJpegResource(TImageEx(Item(IDC_SPECIAL_STEPIMAGE1)), "SpecialStepImage1", "JPG");
    LoadJpegResource(TImageEx(Item(IDC_SPECIAL_REGPROGRESSIMAGE)), "SpecialRegProgressImage",
                     "JPG");
    SetHoverPictures(IDC_SPECIAL_STEPBITBTN, "SpecialStepBitBtn");
    SetHoverPictures(IDC_SPECIAL_CANCELBITBTN, "SpecialCancelBitBtn");
    SetHoverPictures(IDC_SPECIAL_REGSKIPBTN, "SpecialRegSkipBtn");
    // The sliding picture lives inside its panel, which clips it.
    SetParent(Item(IDC_SPECIAL_REGPROGRESSIMAGE), Item(IDC_SPECIAL_REGPROGRESSPANEL));
    boldFont_ = DerivedFont(Handle(), FW_BOLD, false);
    linkFont_ = DerivedFont(Handle(), FW_BOLD, true);
    for (int id : {IDC_SPECIAL_ABSUBMITTOUSBTN, IDC_SPECIAL_PROCESSLABEL1, IDC_SPECIAL_ABFINISH})
        TControl(Item(id)).SetFont(static_cast<HFONT>(boldFont_.get()));
    PlaceTopTexts();
    SetLabelHoverHandler(Item(IDC_SPECIAL_ABSUBMITTOUSBTN),
                         [this](HWND, bool inside) { abSubmittousBtnHover(inside); });
    const HWND list = Item(IDC_SPECIAL_LISTUNISTALL);
    const DWORD style = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>("Application list");
    column.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (int id : {IDC_SPECIAL_STEPIMAGE1, IDC_SPECIAL_REGPROGRESSPANEL, IDC_SPECIAL_REGSKIPBTN})
        ShowOnPage(id, false);
    SetPage(SpecialPageSelect);
}

// The three lines of the top panel. The first wraps where the font is too wide for the room
// beside the picture, and the lines below move down with it, above the panel's lower edge. The
// link continues the line "within, please  ", right after that text, whatever width the font
// gives it.
void TFormUninstall::PlaceTopTexts() {
    const HWND first = Item(IDC_SPECIAL_LABEL1), second = Item(IDC_SPECIAL_LABEL2),
               link = Item(IDC_SPECIAL_ABSUBMITTOUSBTN), third = Item(IDC_SPECIAL_LABEL3);
    const RECT area = PlaceInForm(first);
    const int margin = area.left - PlaceInForm(Item(IDC_SPECIAL_IMAGE1)).right;
    const int width = ClientWidth() - area.left - margin;
    const int firstHeight = TextExtent(first, width, DT_WORDBREAK).cy;
    // Wrapped, its lines are made even: "listed" alone on the second would read as cut off.
    const int firstWidth = BalancedWrapWidth(first, WindowText(first), width);
    const SIZE within = TextExtent(second, width, DT_SINGLELINE);
    int gap = std::max(1, static_cast<int>(PlaceInForm(second).top - area.top - within.cy));
    int top = area.top;
    const int room = PlaceInForm(Item(IDC_SPECIAL_PANEL5)).top - 1;
    if (top + firstHeight + 2 * (within.cy + gap) > room) {
        gap = 1;
        top = std::max(1, static_cast<int>(room - firstHeight - 2 * (within.cy + gap)));
    }
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(first, nullptr, area.left, top, firstWidth, firstHeight, flags);
    top += firstHeight + gap;
    SetWindowPos(second, nullptr, area.left, top, within.cx, within.cy, flags);
    SetWindowPos(link, nullptr, area.left + within.cx, top,
                 TextExtent(link, width, DT_SINGLELINE).cx, within.cy, flags);
    top += within.cy + gap;
    SetWindowPos(third, nullptr, area.left, top, width, within.cy, flags);
}

void TFormUninstall::FormShow() {
    SetPage(SpecialPageSelect);
    FormResize();
    FillApplicationList();
}

void TFormUninstall::FormResize() {
    RECT area;
    GetClientRect(Item(IDC_SPECIAL_LISTUNISTALL), &area);
    // Room for the vertical scroll bar, which grows with the screen's pixels per inch.
    SendMessageA(Item(IDC_SPECIAL_LISTUNISTALL), LVM_SETCOLUMNWIDTH, 0, area.right - Scaled(20));
}

void TFormUninstall::ShowOnPage(int id, bool shown) {
    if (shown)
        hiddenOnPage_.erase(id);
    else
        hiddenOnPage_.insert(id);
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
}

void TFormUninstall::SetPage(int page) {
    page_ = page;
    for (const PageControl& control : kPageControls) {
        const HWND window = Item(control.id);
        const bool shown = control.page == page && hiddenOnPage_.count(control.id) == 0;
        ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
    }
    InvalidateRect(Handle(), nullptr, TRUE);
    FocusPage();
}

void TFormUninstall::FillApplicationList() {
    const HWND list = Item(IDC_SPECIAL_LISTUNISTALL);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    // Drawn once when filled: a list that repaints after every row holds the window up for
    // seconds, half painted, before it answers.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    // The key is never shown: each row keeps its entry's place in the list instead.
    for (size_t index = 0; index < ApplicationList().size(); ++index) {
        const std::string caption = SplitApplicationEntry(ApplicationList()[index]).caption;
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(index);
        item.pszText = const_cast<char*>(caption.c_str());
        item.lParam = static_cast<LPARAM>(index);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool TFormUninstall::SelectApplication() {
    const HWND list = Item(IDC_SPECIAL_LISTUNISTALL);
    const int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (index < 0) {
        ShowMessageBox(Handle(), "You haven't selected any application in the list.");
        return false;
    }
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    // exact-text: its number, picture or data only, no text
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (item.lParam < 0 || static_cast<size_t>(item.lParam) >= ApplicationList().size())
        return false;
    const ApplicationEntry entry = SplitApplicationEntry(ApplicationList()[item.lParam]);
    const std::string& caption = entry.caption;
    const std::string& key = entry.key;
    if (TSpecialUninstall::HasProfile(key)) {
        ProfileKey = key;
        return true;
    }
    // No profile: the uninstall wizard in special mode looks for the application instead.
    UninstallWizardRequest request;
    request.ProgramName = caption;
    request.ProfileKey = key;
    request.SpecialMode = 1;
    request.DisplayName = kNotAvailable;
    for (std::string* detail :
         {&request.Version, &request.InstallDate, &request.InstallLocation, &request.HelpLink,
          &request.Publisher, &request.HomePage, &request.UpdateLink})
        *detail = kNotAvailable;
    if (ShowUninstallWizard(Handle(), request) == 1)
        uninstalled_ = true;
    return false;
}

bool TFormUninstall::ScanLeftovers(const std::string& key) {
    if (hiddenOnPage_.count(IDC_SPECIAL_STEPIMAGE1) == 0)
        return false; // the scan ran already
    ShowOnPage(IDC_SPECIAL_REGPROGRESSPANEL, true);
    ShowOnPage(IDC_SPECIAL_REGSKIPBTN, true);
    progressLeft_ = kProgressStart;
    SetWindowPos(Item(IDC_SPECIAL_REGPROGRESSIMAGE), nullptr, progressLeft_, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    SetTimer(Handle(), kTimer1, 10, nullptr);
    ScanState = ScanRun;
    WindowScanProgress progress(Item(IDC_SPECIAL_SCANMSGPANEL));
    Uninstall.Progress.pump = [&progress] { progress.Pump(); };
    Uninstall.Progress.caption = [&progress](const std::string& text) { progress.Caption(text); };
    struct EndDisplay { // also after an error inside the scan
        TFormUninstall& form;
        ~EndDisplay() {
            form.Uninstall.Progress = LeftoverScanProgress();
            KillTimer(form.Handle(), kTimer1);
            form.ShowOnPage(IDC_SPECIAL_REGPROGRESSPANEL, false);
            form.ShowOnPage(IDC_SPECIAL_REGSKIPBTN, false);
            form.ShowOnPage(IDC_SPECIAL_STEPIMAGE1, true);
            SetLabelText(form.Item(IDC_SPECIAL_SCANMSGPANEL), "");
        }
    } endDisplay{*this};
    Uninstall.ScanLeftovers(key);
    const HWND listFile = Item(IDC_SPECIAL_LISTFILE);
    for (const std::string& line : Uninstall.FileList)
        SendMessageA(listFile, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    // A list box scrolls sideways only as far as it is told: as far as its widest path.
    FitListBoxExtent(listFile);
    return true;
}

bool TFormUninstall::RemoveApplication(const std::string& key) {
    // The registry export takes a while: it runs off the window thread, which shows how far it
    // got. It cannot be stopped half-way, so Cancel is off until it has ended.
    Uninstall.BackupWait = [this](const std::string& file, const std::function<bool()>& job) {
        struct Waiting {
            TFormUninstall& form;
            explicit Waiting(TFormUninstall& f) : form(f) { Set(true); }
            ~Waiting() { Set(false); }
            void Set(bool on) {
                form.backingUp_ = on;
                EnableWindow(form.Item(IDC_SPECIAL_CANCELBITBTN), !on);
            }
        } waiting{*this};
        return ExportWaitShownIn(Item(IDC_SPECIAL_PROCESSLABEL2))(file, job);
    };
    return Uninstall.RemoveApplication(key);
}

void TFormUninstall::StepBitBtnClick() {
    if (busy_)
        return; // one step at a time: a click while a step runs would nest a second one
    {
        StepGuard guard(busy_, Item(IDC_SPECIAL_STEPBITBTN));
        switch (page_) {
        case SpecialPageSelect:
            if (SelectApplication())
                SetPage(SpecialPageScan);
            break;
        case SpecialPageScan:
            ScanLeftovers(ProfileKey);
            if (!closeRequested_)
                SetPage(SpecialPageReview);
            break;
        case SpecialPageReview: {
            SetPage(SpecialPageRemoving);
            uninstalled_ = true; // also when stopped part-way
            const bool removed = RemoveApplication(ProfileKey);
            if (closeRequested_)
                break;
            ShowWindow(Item(IDC_SPECIAL_STEPBITBTN), SW_HIDE);
            if (removed) {
                // With nothing of the application found, or the removal stopped, there is
                // nothing to restart for.
                if (Uninstall.Report.total > 0 && !Uninstall.Report.stopped)
                    ShowMessageBox(Handle(),
                                   "Please restart system!\rThe applications will be "
                                   "uninstalled completely. ",
                                   "Please restart system!", MB_OK);
                const FinishTexts texts = Uninstall.Outcome();
                SetLabelText(Item(IDC_SPECIAL_ABFINISH), texts.title);
                SetLabelText(Item(IDC_SPECIAL_ABFINISHMESSAGE), texts.message);
            } else {
                SetLabelText(Item(IDC_SPECIAL_ABFINISH), "Error");
                SetLabelText(Item(IDC_SPECIAL_ABFINISHMESSAGE), "The uninstall failed!");
            }
            SetPage(SpecialPageFinish);
            break;
        }
        default:
            break;
        }
    }
    if (closeRequested_)
        Close(IDCANCEL);
}

void TFormUninstall::CancelBitBtnClick() {
    if (backingUp_)
        return; // the registry export cannot be stopped half-way; Cancel is off meanwhile
    if (!busy_) {
        Close(IDCANCEL);
        return;
    }
    // A removal stops between two items and its last page says how far it got; any other
    // step ends early and the window closes when it has returned.
    if (page_ == SpecialPageRemoving) {
        ScanState = ScanStopRemoving;
        return;
    }
    closeRequested_ = true;
    ScanState = ScanStop;
}

void TFormUninstall::RegSkipBtnClick() {
    ScanState = ScanStop;
}

void TFormUninstall::Timer1Timer() {
    RECT panel;
    GetClientRect(Item(IDC_SPECIAL_REGPROGRESSPANEL), &panel);
    progressLeft_ = NextProgressLeft(progressLeft_, panel.right);
    SetWindowPos(Item(IDC_SPECIAL_REGPROGRESSIMAGE), nullptr, progressLeft_, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

void TFormUninstall::SubmittousBtnClick() {
    ShowSubmitToForm(Handle());
    // Back from the form the keys go on with the page, not to the form's button again.
    FocusPage();
}

void TFormUninstall::abSubmittousBtnHover(bool inside) {
    const HWND label = Item(IDC_SPECIAL_ABSUBMITTOUSBTN);
    TControl(label).SetFont(static_cast<HFONT>((inside ? linkFont_ : boldFont_).get()));
    SetLabelText(label, WindowText(label));
}

// Enter goes on as Next does and Esc cancels, while these buttons can be clicked. The finished
// wizard is left with Cancel alone: there Enter presses it too.
int TFormUninstall::DefaultButton() const {
    return page_ == SpecialPageFinish ? IDC_SPECIAL_CANCELBITBTN : IDC_SPECIAL_STEPBITBTN;
}
int TFormUninstall::CancelButton() const { return IDC_SPECIAL_CANCELBITBTN; }

// The first page's keys choose in its list; while a step runs they wait on Cancel.
HWND TFormUninstall::PageFocus() const {
    if (busy_)
        return Item(IDC_SPECIAL_CANCELBITBTN);
    return page_ == SpecialPageSelect ? Item(IDC_SPECIAL_LISTUNISTALL) : Item(DefaultButton());
}

bool TFormUninstall::OnCommand(int id, int code) {
    switch (id) {
    case IDC_SPECIAL_STEPBITBTN:
        StepBitBtnClick();
        return true;
    case IDC_SPECIAL_CANCELBITBTN:
        CancelBitBtnClick();
        return true;
    case IDC_SPECIAL_REGSKIPBTN:
        RegSkipBtnClick();
        return true;
    case IDC_SPECIAL_SUBMITTOUSBTN:
        SubmittousBtnClick();
        return true;
    case IDC_SPECIAL_ABSUBMITTOUSBTN:
        if (code == STN_CLICKED)
            SubmittousBtnClick();
        return true;
    default:
        return TForm::OnCommand(id, code);
    }
}

bool TFormUninstall::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_TIMER && wParam == kTimer1) {
        Timer1Timer();
        return true;
    }
    // The close box does what Cancel does: a running step must end before the window goes.
    if (message == WM_CLOSE) {
        CancelBitBtnClick();
        result = TRUE;
        return true;
    }
    if (message == WM_SIZE)
        FormResize();
    // A static control has no cursor of its own: the link shows the hand a link shows.
    if (message == WM_SETCURSOR &&
        reinterpret_cast<HWND>(wParam) == Item(IDC_SPECIAL_ABSUBMITTOUSBTN)) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
    }
    return TForm::OnMessage(message, wParam, lParam, result);
}

HBRUSH TFormUninstall::OnLabelColour(HDC dc, HWND label) {
    if (label == Item(IDC_SPECIAL_ABSUBMITTOUSBTN))
        SetTextColor(dc, RGB(0x1d, 0x3f, 0x72));
    return TForm::OnLabelColour(dc, label);
}

int RunSpecialUninstallWizard(HWND owner) {
    TFormUninstall form;
    form.ShowModal(owner);
    return form.Uninstalled() ? 1 : 0;
}

} // namespace ku
