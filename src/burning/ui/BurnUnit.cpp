// The burn window: drive and speed lists, burn and erase, the 500 ms progress poll, and the
// burner's events handed to the window thread.
#include "burning/ui/BurnUnit.h"

#include <commctrl.h>

#include "BurnFormIds.h"
#include "burning/mbFormat.h"
#include "burning/mbSpeeds.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/Controls.h"

namespace ku {

TBurnForm* BurnForm = nullptr;
bool ClearArchiveOnDone = true;
bool EjectOnDone = true;

namespace {

const UINT_PTR Timer1 = 1;
const UINT Timer1Interval = 500;
// Posted when the burner's threads queued an event.
const UINT WM_BURNEVENT = WM_APP + 0x250;
const char* const ImageName = "DIDuvu.zir";
const COLORREF FrameColour = RGB(0x4A, 0x6E, 0xA9);

// The frame: corners 9 by 9 pixels and edges 9 pixels thick around the controls, whose size
// follows the dialog font.
const int Corner = 9, Margin = 8;
const int FrameIds[] = {IDC_BURN_LUIMAGE, IDC_BURN_TIMAGE,  IDC_BURN_RUIMAGE, IDC_BURN_LIMAGE,
                        IDC_BURN_RIMAGE,  IDC_BURN_LDIMAGE, IDC_BURN_BIMAGE,  IDC_BURN_RDIMAGE};

RECT ChildRect(HWND parent, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsFramePart(int id) { return id >= IDC_BURN_LUIMAGE && id <= IDC_BURN_LIMAGE; }

// The status shows three lines of its font (a command error report scrolls), inside the edit
// control's border and margins.
int StatusHeight(HWND status) {
    const int Lines = 3, BorderAndMargins = 8;
    HDC dc = GetDC(status);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(status, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(status, dc);
    return Lines * metrics.tmHeight + BorderAndMargins;
}

} // namespace

TBurnForm::TBurnForm() : TForm(IDD_BURNFORM), windowThread_(GetCurrentThreadId()) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    mcdb = std::make_unique<TMCDBurner>();
    mcdb->SetVersion("1.21");
    BindEvents();
}

TBurnForm::~TBurnForm() {
    // The threads of a burn or an erase end before the window they report to goes.
    if (mcdb && (mcdb->WriteRunning() || mcdb->Erasing))
        mcdb->Abort();
    mcdb.reset();
}

void TBurnForm::BindEvents() {
    mcdb->OnWriteDone = [this](TMCDBurner*, const std::string& error) {
        Deliver({TBurnEvent::WriteDone, error, !error.empty(), 0});
    };
    mcdb->OnEraseDone = [this](TSCSIDevice*, bool withError) {
        Deliver({TBurnEvent::EraseDone, "", withError, 0});
    };
    mcdb->OnFinalizingTrack = [this](TMCDBurner*) {
        Deliver({TBurnEvent::FinalizingTrack, "", false, 0});
    };
    mcdb->OnDebugMessage = [this](TSCSIDevice*, const std::string& message, uint8_t level) {
        Deliver({TBurnEvent::DebugMessage, message, false, level});
    };
}

// On the window thread the event is handled at once; a worker thread queues it and posts.
void TBurnForm::Deliver(TBurnEvent event) {
    if (GetCurrentThreadId() == windowThread_) {
        HandleEvent(event);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(eventsLock_);
        events_.push_back(std::move(event));
    }
    PostMessageA(Handle(), WM_BURNEVENT, 0, 0);
}

void TBurnForm::DeliverQueued() {
    std::deque<TBurnEvent> queued;
    {
        std::lock_guard<std::mutex> guard(eventsLock_);
        queued.swap(events_);
    }
    for (const TBurnEvent& event : queued)
        HandleEvent(event);
}

void TBurnForm::HandleEvent(const TBurnEvent& event) {
    if (!mcdb)
        return; // queued before the window closed
    switch (event.kind) {
    case TBurnEvent::WriteDone: mcdbWriteDone(event.text); break;
    case TBurnEvent::EraseDone: mcdbEraseDone(event.withError); break;
    case TBurnEvent::FinalizingTrack: mcdbFinalizingTrack(); break;
    case TBurnEvent::DebugMessage: mcdbDebugMessage(event.text, event.level); break;
    }
}

void TBurnForm::FormCreate() {
    SetWindowTextA(Handle(), "Burn the System Recovery CD->DIDuvu.zir");
    frameBrush_.reset(CreateSolidBrush(FrameColour));
    // The drive lines line up in a fixed-pitch font; the stock one keeps its pixel size
    // whatever the screen's pixels per inch, so one of the dialog font's height is made.
    LOGFONTA font = {};
    // exact-text: the window's font, whose face name only goes back to CreateFontIndirectA
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    LOGFONTA fixed = {};
    fixed.lfHeight = font.lfHeight;
    fixed.lfWeight = FW_NORMAL;
    fixed.lfCharSet = DEFAULT_CHARSET;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(fixed.lfFaceName, "Courier New", LF_FACESIZE);
    drivesFont_.reset(CreateFontIndirectA(&fixed));
    SendMessageA(
        Item(IDC_BURN_CBDRIVES), WM_SETFONT,
        reinterpret_cast<WPARAM>(drivesFont_ ? drivesFont_.get() : GetStockObject(ANSI_FIXED_FONT)),
        FALSE);
    SendMessageA(Item(IDC_BURN_CBSPEED), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Max"));
    SendMessageA(Item(IDC_BURN_CBSPEED), CB_SETCURSEL, 0, 0);
    AddHint(IDC_BURN_PBUF, "Software buffer status");
    AddHint(IDC_BURN_PHBUF, "Device buffer status");
}

void TBurnForm::AddHint(int id, const char* text) {
    if (!hints_)
        hints_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0,
                                 0, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(hints_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void TBurnForm::LayOutFrame() {
    RECT inner = ChildRect(Handle(), Item(IDC_BURN_LABEL3));
    for (int id = IDC_BURN_LABEL3; id <= IDC_BURN_PHBUF; ++id) {
        RECT rect = ChildRect(Handle(), Item(id)), both;
        UnionRect(&both, &inner, &rect);
        inner = both;
    }
    InflateRect(&inner, Margin, Margin);
    const int left = inner.left - Corner, top = inner.top - Corner;
    const int across = inner.right - inner.left, down = inner.bottom - inner.top;
    const RECT parts[] = {
        {left, top, Corner, Corner},          {inner.left, top, across, Corner},
        {inner.right, top, Corner, Corner},   {left, inner.top, Corner, down},
        {inner.right, inner.top, Corner, down}, {left, inner.bottom, Corner, Corner},
        {inner.left, inner.bottom, across, Corner}, {inner.right, inner.bottom, Corner, Corner},
    };
    for (size_t i = 0; i < sizeof(FrameIds) / sizeof(FrameIds[0]); ++i)
        SetWindowPos(Item(FrameIds[i]), nullptr, parts[i].left, parts[i].top, parts[i].right,
                     parts[i].bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    // The window ends 5 pixels right of the frame; the status lies below it, with 6 pixels
    // above and below.
    const int right = inner.right + Corner, bottom = inner.bottom + Corner;
    const int statusHeight = StatusHeight(Item(IDC_BURN_MSGPANEL));
    SetWindowPos(Item(IDC_BURN_MSGPANEL), nullptr, left, bottom + 6, right - left, statusHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT frame = {0, 0, right + 5, bottom + statusHeight + 12}, window;
    AdjustWindowRectEx(&frame, GetWindowLongA(Handle(), GWL_STYLE), FALSE,
                       GetWindowLongA(Handle(), GWL_EXSTYLE));
    GetWindowRect(Handle(), &window);
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    // Keep the window's centre where the template put it.
    SetWindowPos(Handle(), nullptr, (window.left + window.right - outerWidth) / 2,
                 (window.top + window.bottom - outerHeight) / 2, outerWidth, outerHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TBurnForm::FormShow() {
    LayOutFrame();
    SetStatus("");
    programFolder_ = ProgramDir();
    std::string image = programFolder_ + ImageName;
    SetWindowTextA(Item(IDC_BURN_EDITFILENAME), FileExists(image) ? image.c_str() : "");
    SetWorking(false);
    EnableWindow(Item(IDC_BURN_BBURNISO), FALSE);
    EnableWindow(Item(IDC_BURN_BQERASE), FALSE);
    if (!mcdb->InitializeASPI(true, "")) {
        ShowMessageBox(Handle(), "Error initializing ASPI Layer");
        return;
    }
    if (!mcdb->DeviceList.empty()) {
        for (const std::string& line : mcdb->DeviceList)
            SendMessageA(Item(IDC_BURN_CBDRIVES), CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(line.c_str()));
        cbDrivesChange();
    }
    ClearArchiveOnDone = true;
    EjectOnDone = true;
    mcdb->FinalizeDisc = true;
    SetStatus(">>> Select Drive");
    mcdb->SetCloseDriveHandles(true);
}

void TBurnForm::FormClose() {
    StopTimer();
    // Closing while a burn or an erase runs stops it and waits for its end.
    if (mcdb && (mcdb->WriteRunning() || mcdb->Erasing))
        mcdb->Abort();
    mcdb.reset();
}

bool TBurnForm::OnCommand(int id, int code) {
    if (!mcdb)
        return TForm::OnCommand(id, code);
    switch (id) {
    case IDC_BURN_CBDRIVES:
        if (code == CBN_SELCHANGE)
            cbDrivesChange();
        return true;
    case IDC_BURN_CBSPEED:
        if (code == CBN_DROPDOWN)
            cbSpeedDropDown();
        return true;
    case IDC_BURN_SPEEDBUTTON1: SpeedButton1Click(); return true;
    case IDC_BURN_BBURNISO: bBurnISOClick(); return true;
    case IDC_BURN_BABORT: bAbortClick(); return true;
    case IDC_BURN_BQERASE: bQEraseClick(); return true;
    default: return TForm::OnCommand(id, code);
    }
}

bool TBurnForm::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (message == WM_BURNEVENT) {
        DeliverQueued();
        result = TRUE;
        return true;
    }
    if (message == WM_TIMER && wParam == Timer1) {
        Timer1Timer();
        result = TRUE;
        return true;
    }
    return false;
}

HBRUSH TBurnForm::OnLabelColour(HDC, HWND label) {
    return IsFramePart(GetDlgCtrlID(label)) ? static_cast<HBRUSH>(frameBrush_.get()) : nullptr;
}

std::string TBurnForm::Status() const { return WindowText(Item(IDC_BURN_MSGPANEL)); }

void TBurnForm::SetStatus(const std::string& text) {
    SetWindowTextA(Item(IDC_BURN_MSGPANEL), text.c_str());
}

// While a burn or an erase runs only Abort is offered: another drive, another speed or a
// second start would reach the drive under the running thread.
void TBurnForm::SetWorking(bool working) {
    working_ = working;
    EnableWindow(Item(IDC_BURN_BABORT), working);
    EnableWindow(Item(IDC_BURN_BBURNISO), !working && driveWrites_);
    EnableWindow(Item(IDC_BURN_BQERASE), !working && driveWrites_);
    EnableWindow(Item(IDC_BURN_CBDRIVES), !working);
    EnableWindow(Item(IDC_BURN_CBSPEED), !working);
    // A disabled button loses the focus and leaves the window deaf to keys: hand it on to the
    // button that now does something, else to the next control.
    const HWND focus = GetFocus();
    const bool focusUsable = focus && IsChild(Handle(), focus) && IsWindowEnabled(focus);
    if (GetActiveWindow() != Handle() || focusUsable)
        return;
    const HWND next = Item(working ? IDC_BURN_BABORT : IDC_BURN_BBURNISO);
    if (IsWindowEnabled(next))
        SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    else
        SendMessageA(Handle(), WM_NEXTDLGCTL, 0, FALSE);
}

// The keys rest on the one button that does something: Abort while a burn or an erase runs,
// Burn after it.
HWND TBurnForm::PageFocus() const {
    return Item(working_ ? IDC_BURN_BABORT : IDC_BURN_BBURNISO);
}

void TBurnForm::StartTimer() {
    SetTimer(Handle(), Timer1, Timer1Interval, nullptr);
    timerRunning_ = true;
}

void TBurnForm::StopTimer() {
    if (Handle())
        KillTimer(Handle(), Timer1);
    timerRunning_ = false;
}

std::string TBurnForm::SelectedText(int comboId) const {
    const TComboBox combo(Item(comboId));
    const LRESULT index = SendMessageA(combo.Handle(), CB_GETCURSEL, 0, 0);
    std::string text;
    if (index == CB_ERR || !combo.ExactItemText(static_cast<int>(index), text))
        return "";
    return text;
}

void TBurnForm::SetBar(int id, int position, int maximum) {
    if (maximum >= 0)
        SendMessageA(Item(id), PBM_SETRANGE32, 0, maximum);
    SendMessageA(Item(id), PBM_SETPOS, position, 0);
}

} // namespace ku
