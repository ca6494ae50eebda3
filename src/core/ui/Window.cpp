// The window layer: dialog procedure, region, dragging and painting of the frame.
#include "core/ui/Window.h"

#include <exception>

#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/ui/Dpi.h"
#include "core/ui/ImageEx.h"
#include "core/ui/KeyFocus.h"
#include "core/ui/Pictures.h"

namespace ku {

namespace {

// Posted at the first WM_SHOWWINDOW so that FormShow runs once the window is on screen.
const UINT kFormShown = WM_APP + 0x100;
// Posted when the window becomes active again, so that the focus is looked at after the dialog
// manager has put back the control it remembered (which may have been hidden meanwhile).
const UINT kKeepFocus = WM_APP + 0x101;
const WPARAM kDragCommand = SC_MOVE | HTCAPTION; // 0xF012

int YOf(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

} // namespace

void SetRoundedRegion(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HRGN region = CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, 16, 16);
    // The system owns the region once SetWindowRgn succeeds.
    if (region && !SetWindowRgn(window, region, TRUE))
        DeleteObject(region);
}

void CenterOnOwner(HWND window) {
    const HWND owner = GetWindow(window, GW_OWNER);
    RECT ownerRect, own;
    if (owner && GetWindowRect(owner, &ownerRect) && GetWindowRect(window, &own))
        SetWindowPos(window, nullptr,
                     (ownerRect.left + ownerRect.right - (own.right - own.left)) / 2,
                     (ownerRect.top + ownerRect.bottom - (own.bottom - own.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
}

void DragWindow(HWND window) {
    ReleaseCapture();
    SendMessageA(window, WM_SYSCOMMAND, kDragCommand, 0);
    ReleaseCapture();
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    // exact-text: labels and captions the program set itself; typed texts go by ExactWindowText
    length = GetWindowTextA(window, &text[0], length + 1);
    text.resize(length > 0 ? length : 0);
    return text;
}

bool ExactWindowText(HWND window, std::string& text) {
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return ExactAnsi(wide, text);
}

bool ExactComboItemText(HWND combo, int index, std::string& text) {
    text.clear();
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR)
        return false;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const LPARAM buffer = reinterpret_cast<LPARAM>(&wide[0]);
    // exact-text: a wide message, read exactly below
    const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, index, buffer);
    if (copied == CB_ERR)
        return false;
    wide.resize(static_cast<size_t>(copied));
    return ExactAnsi(wide, text);
}

std::string InexactTextMessage(const std::string& what, const std::string& shown,
                               const std::string& outcome) {
    return "The " + what + " \"" + shown + "\" holds characters this program cannot handle and " +
           outcome + ".";
}

void SetLabelText(HWND label, const std::string& text) {
    SetWindowTextA(label, text.c_str());
    HWND parent = GetParent(label);
    RECT area;
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
}

bool DialogMessage(MSG& message) {
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    char className[16] = {};
    // exact-text: compared with the system's own ASCII dialog class name
    return root && GetClassNameA(root, className, sizeof(className)) &&
           lstrcmpA(className, "#32770") == 0 && IsDialogMessageW(root, &message);
}

void RegisterControlClasses() {
    RegisterImageExClass();
}

TForm::TForm(int templateId) : templateId_(templateId) {
    RegisterControlClasses();
}

TForm::~TForm() {
    if (hwnd_) {
        // No virtual call may reach this half-destroyed object.
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

// Made by the wide functions, the window and its controls are Unicode windows: an edit box
// keeps what is typed or pasted as it is, where an ANSI one stores it in the code page (a
// pasted "Ω" turned into "O" before the program could refuse it). The window's own procedure
// still takes the ANSI texts the program writes; SendMessageA and SetWindowTextA convert them.
bool TForm::Create(HWND owner) {
    modal_ = false;
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

INT_PTR TForm::ShowModal(HWND owner) {
    modal_ = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

void TForm::Show(int command) {
    if (!hwnd_)
        return;
    ShowWindow(hwnd_, command);
    UpdateWindow(hwnd_);
}

void TForm::Close(INT_PTR result) {
    if (!hwnd_)
        return;
    FormClose();
    if (modal_)
        EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

void TForm::MakeBorderless() {
    borderless_ = true;
    SetRoundedRegion(hwnd_);
}

void TForm::SetTopPanel(int height, COLORREF colour) {
    topPanelHeight_ = height;
    topPanelColour_ = colour;
}

bool TForm::SetBackground(const std::string& jpegName, bool sizeToPicture) {
    UniqueGdiObject picture = LoadJpegBitmap(jpegName);
    if (!picture)
        return false;
    BITMAP info = {};
    // exact-text: a bitmap's size only, no text
    GetObjectA(picture.get(), sizeof(info), &info);
    background_ = std::move(picture);
    backgroundName_ = jpegName;
    if (sizeToPicture) {
        RECT frame = {0, 0, Scaled(info.bmWidth), Scaled(info.bmHeight)};
        AdjustWindowRectEx(&frame, GetWindowLongA(hwnd_, GWL_STYLE), FALSE,
                           GetWindowLongA(hwnd_, GWL_EXSTYLE));
        SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

void TForm::SetBackgroundColour(COLORREF colour) {
    backgroundBrush_.reset(CreateSolidBrush(colour));
}

bool TForm::OnCommand(int id, int) {
    // Only a real OK or Cancel button of the window closes it; the keys come in DialogKey.
    if (id == IDOK || id == IDCANCEL) {
        Close(id);
        return true;
    }
    return false;
}

namespace {

// A button the keys may click: there, shown and enabled.
bool Clickable(HWND control) {
    return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

bool HasClass(HWND control, const char* name) {
    char className[32] = {};
    // exact-text: compared with a class name of the program's own or the system's, all ASCII
    return control && GetClassNameA(control, className, sizeof(className)) &&
           lstrcmpiA(className, name) == 0;
}

} // namespace

HWND TForm::PageFocus() const {
    const int id = DefaultButton();
    return id ? Item(id) : nullptr;
}

// In this window, shown within it (also before the window itself is) and enabled.
bool TForm::Usable(HWND control) const {
    if (!control || control == hwnd_ || !IsChild(hwnd_, control))
        return false;
    for (HWND at = control; at && at != hwnd_; at = GetParent(at))
        if ((GetWindowLongA(at, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE)
            return false;
    return true;
}

void TForm::MoveFocus(HWND target) {
    const bool keeping = keepingFocus_;
    keepingFocus_ = true;
    // As Tab moves it: the dialog manager also gives a push button the default state.
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    keepingFocus_ = keeping;
    placed_ = GetFocus();
}

void TForm::FocusPage() {
    if (!hwnd_)
        return;
    // Another window of ours is in front (a question, a window opened from here): the keys
    // move when this one is active again.
    if (IsWindowVisible(hwnd_) && GetActiveWindow() != hwnd_) {
        pageFocusWanted_ = true;
        return;
    }
    pageFocusWanted_ = false;
    HWND target = PageFocus();
    if (!Usable(target))
        target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (Usable(target))
        MoveFocus(target);
}

void TForm::KeepFocus() {
    if (keepingFocus_ || !hwnd_ || !IsWindowVisible(hwnd_) || GetActiveWindow() != hwnd_)
        return;
    if (pageFocusWanted_) {
        FocusPage();
        return;
    }
    const HWND focus = GetFocus();
    if (focus != placed_)
        placed_ = nullptr; // the user moved the keys
    const HWND target = PageFocus();
    FocusFacts facts;
    facts.focusUsable = Usable(focus);
    facts.focusParked = focus && focus == placed_ && focus != target;
    facts.targetUsable = Usable(target);
    switch (NextFocusMove(facts)) {
    case FocusMove::Stay:
        break;
    case FocusMove::ToPageControl:
        MoveFocus(target);
        break;
    case FocusMove::ToFirstTabStop:
        if (const HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE); Usable(first))
            MoveFocus(first);
        break;
    }
    // Where the page names its default, a push button is the default only while it has the
    // focus (as Tab made it); else it would look as if Enter pressed it.
    const HWND now = GetFocus();
    if (DefaultButton() == 0 || now == lastFocus_)
        return;
    lastFocus_ = now;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child != now && HasClass(child, "Button") &&
            (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            SendMessageA(child, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

// IsDialogMessage turns Enter into IDOK and Esc into IDCANCEL, sent with the window's own
// IDOK / IDCANCEL control, or none when it has no such control. Without one they stand for
// the window's default and cancel buttons and never close a window by themselves (the main
// window's close would end the program).
bool TForm::DialogKey(int id, HWND sender) {
    if ((id != IDOK && id != IDCANCEL) || (sender && GetParent(sender) == hwnd_) || Item(id))
        return false;
    HWND button = nullptr;
    const HWND focus = GetFocus();
    const bool onImageButton = focus && IsChild(hwnd_, focus) && HasClass(focus, kImageExClass);
    if (id == IDOK) {
        const int focused = onImageButton ? GetDlgCtrlID(focus) : 0;
        const int target = EnterButton(focused, DefaultButton(), CancelButton());
        button = target == 0 ? nullptr : target == focused ? focus : Item(target);
    } else if (const int target = CancelButton()) {
        // IDCANCEL without a control of its own: the key closes the window as its close box does.
        if (target == IDCANCEL) {
            OnCommand(IDCANCEL, BN_CLICKED);
            return true;
        }
        button = Item(target);
    }
    // The button tells its own parent, also a page inside this window.
    if (Clickable(button))
        SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

bool TForm::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

HBRUSH TForm::OnLabelColour(HDC dc, HWND) {
    if (!background_ && !backgroundBrush_)
        return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool TForm::PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (backgroundBrush_)
        FillRect(dc, &client, static_cast<HBRUSH>(backgroundBrush_.get()));
    else
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (background_) {
        // The picture covers the whole window, also one laid out larger than the picture.
        BITMAP info = {};
        // exact-text: a bitmap's size only, no text
        GetObjectA(background_.get(), sizeof(info), &info);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, background_.get());
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    if (topPanelHeight_ > 0) {
        RECT band = {0, 0, client.right, topPanelHeight_};
        UniqueGdiObject brush(CreateSolidBrush(topPanelColour_));
        FillRect(dc, &band, static_cast<HBRUSH>(brush.get()));
    }
    return true;
}

INT_PTR CALLBACK TForm::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The list, tree and tab controls ask (also while the template is being made, before
    // WM_INITDIALOG) which notifications the window reads: the ANSI ones the handlers expect,
    // as before the window became a Unicode one.
    if (message == WM_NOTIFYFORMAT && lParam == NF_QUERY) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, NFR_ANSI);
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        auto* form = reinterpret_cast<TForm*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        form->hwnd_ = window;
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!form)
        return FALSE;
    INT_PTR result = FALSE;
    try {
        result = form->Dispatch(message, wParam, lParam);
        // Looked up again: the message may have ended the window.
        if (message != WM_NCDESTROY && message != WM_DESTROY && IsWindow(window) &&
            GetWindowLongPtrA(window, DWLP_USER) == reinterpret_cast<LONG_PTR>(form))
            form->KeepFocus();
    } catch (const std::exception& error) {
        // Nothing may unwind into user32: show the error and keep the program running.
        ShowMessageBox(window, error.what(), kAppCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
        ShowMessageBox(window, "Unexpected error.", kAppCaption, MB_OK | MB_ICONERROR);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        form->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR TForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        // The keys start on the page's own control, not on whatever Tab reaches first.
        if (const HWND first = PageFocus(); Usable(first)) {
            SetFocus(first);
            placed_ = first;
            return FALSE;
        }
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            PostMessageA(hwnd_, kKeepFocus, 0, 0);
        return FALSE;
    case kKeepFocus:
        return TRUE;
    case DM_GETDEFID:
        // A window that names its default answers Enter itself (as IDOK, in DialogKey): no
        // push button it once made the default may take Enter over.
        if (DefaultButton() == 0)
            return FALSE;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            PostMessageA(hwnd_, kFormShown, 0, 0);
        }
        return FALSE;
    case kFormShown:
        FormShow();
        return TRUE;
    case WM_SIZE:
        if (borderless_)
            SetRoundedRegion(hwnd_);
        return FALSE;
    case WM_ERASEBKGND:
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, PaintBackground(reinterpret_cast<HDC>(wParam)));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(
            OnLabelColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_LBUTTONDOWN:
        if (topPanelHeight_ > 0 && YOf(lParam) < topPanelHeight_)
            DragWindow(hwnd_);
        return TRUE;
    case WM_LBUTTONUP:
        if (YOf(lParam) >= topPanelHeight_)
            BackgroundClick();
        return TRUE;
    case WM_COMMAND:
        if (DialogKey(LOWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return TRUE;
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
        Close(IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace ku
