// The System Manager window: frame, pages, buttons and timers.
#include "sysmanager/ui/SysManagerUnit.h"

#include <commctrl.h>

#include <utility>

#include "burning/ui/BurnUnit.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/ui/Dpi.h"
#include "core/ui/Pictures.h"
#include "sysmanager/DosRestore.h"
#include "sysmanager/RegstoreFunUnit.h"
#include "sysmanager/ui/StartupManagerUnit.h"
#include "sysmanager/ui/SysManagerThreads.h"
#include "sysmanager/ui/SystemManagerPages.h"

namespace ku {

TRecoveryForm* RecoveryForm = nullptr;

namespace {

const UINT kSynchronize = WM_APP + 0x300;
const COLORREF kBand = RGB(0x1d, 0x3f, 0x72);
const char* const kDosCaption = "Zadozivo";
const int kAllPages = -1;

// Where each control sits (pixels at 96 pixels per inch, scaled to the screen's with the
// background picture) and on which page it shows.
struct Placement {
    int id, page, x, y, width, height;
};
const Placement kLayout[] = {
    {IDC_SM_TITLE, kAllPages, 12, 8, 300, 16},
    {IDC_SM_CLOSEBTN, kAllPages, 602, 5, 20, 20},
    {IDC_SM_BACKUPPAGE, kAllPages, 8, 44, 136, 40},
    {IDC_SM_RESTOREPAGE, kAllPages, 8, 88, 136, 40},
    {IDC_SM_STARTUPPAGE, kAllPages, 8, 132, 136, 40},
    {IDC_SM_DEVICEPAGE, kAllPages, 8, 176, 136, 40},
    {IDC_SM_REGGROUP, 0, 165, 40, 455, 155},
    {IDC_SM_BACKUPTEXT, 0, 180, 62, 430, 16},
    {IDC_SM_DIRLABEL, 0, 180, 88, 90, 18},
    {IDC_SM_DIREDIT, 0, 272, 85, 250, 22},
    {IDC_SM_BACKUPSBT, 0, 180, 118, 110, 30},
    {IDC_SM_AUTOCHECKBOX, 0, 310, 123, 280, 20},
    {IDC_SM_PROGRESSEXPANEL, 0, 180, 158, 300, 26},
    {IDC_SM_NICGROUP, 0, 165, 210, 455, 100},
    {IDC_SM_NICBACKUPSBT, 0, 180, 240, 110, 30},
    {IDC_SM_NICBKLABEL, 0, 310, 246, 200, 18},
    {IDC_SM_RESTORETEXT, 1, 165, 40, 300, 16},
    {IDC_SM_REGSTRINGGRID, 1, 165, 60, 312, 133},
    {IDC_SM_REGRECOVERY, 1, 495, 60, 110, 30},
    {IDC_SM_DOSTEXT, 1, 165, 208, 440, 16},
    {IDC_SM_LSETDOS, 1, 165, 234, 44, 16},
    {IDC_SM_REGRECOVERYDOS, 1, 212, 228, 160, 30},
    {IDC_SM_RSETDOS, 1, 376, 234, 44, 16},
    {IDC_SM_HOWTODOLAB, 1, 424, 234, 40, 16},
    {IDC_SM_BURNCD, 1, 495, 228, 110, 30},
    {IDC_SM_NICTEXT, 1, 165, 282, 300, 16},
    {IDC_SM_NICRECOVERY, 1, 165, 302, 110, 30},
    {IDC_SM_NICLABEL, 1, 290, 309, 200, 18},
    {IDC_SM_SHOWSTARTUPPANEL, 2, 160, 36, 464, 335},
    {IDC_SM_DEVICESPANEL, 3, 160, 36, 464, 335},
};

// Controls hidden at design that only their handlers show.
bool ShownByHandler(int id) {
    return id == IDC_SM_AUTOCHECKBOX || id == IDC_SM_PROGRESSEXPANEL || id == IDC_SM_NICBKLABEL ||
           id == IDC_SM_NICLABEL || id == IDC_SM_LSETDOS || id == IDC_SM_RSETDOS;
}

// Image buttons and the base name of their pictures.
const std::pair<int, const char*> kPictures[] = {
    {IDC_SM_BACKUPPAGE, "BackupPage"},   {IDC_SM_RESTOREPAGE, "RestorePage"},
    {IDC_SM_STARTUPPAGE, "StartupPage"}, {IDC_SM_DEVICEPAGE, "DevicePage"},
    {IDC_SM_BACKUPSBT, "BackupSBt"},     {IDC_SM_NICBACKUPSBT, "BackupSBt"},
    {IDC_SM_REGRECOVERY, "RegRecovery"}, {IDC_SM_REGRECOVERYDOS, "RegRecoveryDOS"},
    {IDC_SM_BURNCD, "BurnCD"},           {IDC_SM_NICRECOVERY, "NICRecovery"},
    {IDC_SM_CLOSEBTN, "SMClose"}};

const char* PictureName(int id) {
    for (const auto& picture : kPictures)
        if (picture.first == id)
            return picture.second;
    return "";
}

// BackupPageMouseEnter / BackupPageMouseLeave, shared by every image button.
void HoverPicture(TImageEx button, bool inside) {
    const int id = GetDlgCtrlID(button.Handle());
    const std::string name = PictureName(id);
    if (id == IDC_SM_REGRECOVERYDOS && button.Tag() == 2)
        LoadJpegResource(button, name + (inside ? "4" : "3"), "JPG");
    else
        LoadJpegResource(button, name + (inside ? "2" : "1"), "JPG");
}

void EnableButton(TImageEx button, bool enabled) {
    EnableWindow(button.Handle(), enabled);
}

void Place(HWND control, int x, int y, int width, int height) {
    SetWindowPos(control, nullptr, Scaled(x), Scaled(y), Scaled(width), Scaled(height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsDosRestorePart(int id) {
    return id == IDC_SM_REGRECOVERYDOS || id == IDC_SM_DOSTEXT || id == IDC_SM_HOWTODOLAB;
}

} // namespace

TRecoveryForm::TRecoveryForm() : TForm(IDD_SYSMANAGERFORM) {}

TRecoveryForm::~TRecoveryForm() {
    FreeSystemManagerPages();
    if (RecoveryForm == this)
        RecoveryForm = nullptr;
}

TImageEx TRecoveryForm::PageButton(int page) const {
    return TImageEx(Item(IDC_SM_BACKUPPAGE + page));
}

bool TRecoveryForm::TimerOn(UINT_PTR timer) const {
    return timers_[timer] != 0;
}

void TRecoveryForm::SetTimerOn(UINT_PTR timer, bool on, UINT ms) {
    if (on && !timers_[timer])
        timers_[timer] = SetTimer(Handle(), timer, ms, nullptr);
    else if (!on && timers_[timer]) {
        KillTimer(Handle(), timer);
        timers_[timer] = 0;
    }
}

void TRecoveryForm::FormCreate() {
    SetWindowTextA(Handle(), "System Manager");
    SetBackgroundColour(RGB(255, 255, 255));
    SetBackground("SysManagerBack", true);
    LayOut();
    SetUpButtons();
    MakeBorderless();
    // Centred on the window that opened it, else (automatic mode) on the screen.
    CenterOnOwner(Handle());
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    // exact-text: reads the version numbers only
    GetVersionExA(&version);
    dosRestoreOffered_ = DosRestoreFitsWindows(version.dwMajorVersion, version.dwMinorVersion,
                                               CurrentHiveSystem().wow64);
    if (!dosRestoreOffered_)
        for (int id : {IDC_SM_REGRECOVERYDOS, IDC_SM_DOSTEXT, IDC_SM_HOWTODOLAB})
            ShowWindow(Item(id), SW_HIDE);
    SetTimerOn(DOSTimer, false);
    SetTimerOn(Timer1, false);
    SelectPage(BackupPageIndex);
    // Waited for, in the program folder: the DOS entry needs the image there.
    if (!FileExists(ProgramDir() + "dos.img") && FileExists(ProgramDir() + "dos.rar"))
        UnpackDosImage(ProgramDir());
}

void TRecoveryForm::LayOut() {
    RECT client;
    GetClientRect(Handle(), &client);
    for (const Placement& placement : kLayout)
        Place(Item(placement.id), placement.x, placement.y, placement.width, placement.height);
    // The progress picture runs inside its panel.
    HWND image = Item(IDC_SM_PROGRESSEXIMAGE);
    SetParent(image, ProgressExPanel().Handle());
    Place(image, -24, 14, 36, 12);
    TStringGrid grid = RegStringGrid();
    ListView_SetExtendedListViewStyle(grid.Handle(), LVS_EX_FULLROWSELECT);
    grid.SetColumns(Scaled(31), Scaled(277)); // room for the whole name and time
}

void TRecoveryForm::SetUpButtons() {
    for (const auto& picture : kPictures) {
        TImageEx button(Item(picture.first));
        LoadJpegResource(button, std::string(picture.second) + "1", "JPG");
        button.SetOnMouseEnter([](TImageEx b) { HoverPicture(b, true); });
        button.SetOnMouseLeave([](TImageEx b) { HoverPicture(b, false); });
    }
    TImageEx progress(Item(IDC_SM_PROGRESSEXIMAGE));
    progress.SetPicture(static_cast<HBITMAP>(LoadJpegBitmap("ProgressEx").release()), "ProgressEx");
    LOGFONTA font = {};
    // exact-text: the window's font, whose face name only goes back to CreateFontIndirectA
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    font.lfUnderline = TRUE;
    underlineFont_.reset(CreateFontIndirectA(&font));
    SetWindowSubclass(Item(IDC_SM_HOWTODOLAB), HelpLabelProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TRecoveryForm::FormShow() {
    CreateSystemManagerPages(ShowStartupPanel(), DevicesPanel());
    DirEdit().SetText(DefaultBackupFolder());
    AutoCheckBox().SetChecked(IsAutoBackupOnBoot());
    if (!AutoRun) {
        ShowControl(IDC_SM_AUTOCHECKBOX, true);
        BackupPageClick();
        // The keys start on the pages, not on the close button (Enter would close).
        SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_SM_BACKUPPAGE)),
                     TRUE);
    } else {
        BackupSBtClick();
    }
}

void TRecoveryForm::SelectPage(int page) {
    for (int i = BackupPageIndex; i <= DevicePageIndex; ++i) {
        TImageEx button = PageButton(i);
        button.SetTag(0);
        LoadJpegResource(button,
                         std::string(PictureName(IDC_SM_BACKUPPAGE + i)) + (i == page ? "3" : "1"),
                         "JPG");
        button.SetTag(i == page ? 1 : 0);
        // The Backup button stays enabled even while its page is shown.
        EnableWindow(button.Handle(), i != page || page == BackupPageIndex);
    }
    if (page != page_) {
        for (const Placement& placement : kLayout) {
            if (placement.page == kAllPages)
                continue;
            HWND control = Item(placement.id);
            const bool entering = placement.page == page;
            // What a handler showed comes back with its page.
            bool show = entering;
            if (ShownByHandler(placement.id))
                show = entering ? shownByHandler_.erase(placement.id) > 0 : false;
            // This Windows boots no DOS-mode entry: its button never shows, on any page, nor
            // the words that lead to it and its help.
            if (IsDosRestorePart(placement.id) && !dosRestoreOffered_)
                show = false;
            if (!entering && ShownByHandler(placement.id) && IsWindowVisible(control))
                shownByHandler_.insert(placement.id);
            ShowWindow(control, show ? SW_SHOW : SW_HIDE);
        }
        page_ = page;
    }
    InvalidateRect(Handle(), nullptr, TRUE);
    // The chosen page's button may now be disabled: the keys go into the page.
    FocusPage();
}

// A page's keys rest on what the page is for: the backup button, the list of backups, the
// embedded page's first control (its list or tree).
HWND TRecoveryForm::PageFocus() const {
    switch (page_) {
    case BackupPageIndex:
        return Item(IDC_SM_BACKUPSBT);
    case RestorePageIndex:
        return Item(IDC_SM_REGSTRINGGRID);
    case StartupPageIndex:
    case DevicePageIndex: {
        const HWND page =
            GetWindow(page_ == StartupPageIndex ? ShowStartupPanel() : DevicesPanel(), GW_CHILD);
        return page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
    }
    default:
        return nullptr;
    }
}

void TRecoveryForm::ShowControl(int id, bool visible) {
    for (const Placement& placement : kLayout) {
        if (placement.id != id)
            continue;
        if (placement.page == page_ || placement.page == kAllPages)
            ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE);
        else if (visible)
            shownByHandler_.insert(id);
        else
            shownByHandler_.erase(id);
    }
}

void TRecoveryForm::BackupPageClick() {
    SelectPage(BackupPageIndex);
    AutoCheckBox().SetChecked(IsAutoBackupOnBoot());
}

void TRecoveryForm::RestorePageClick() {
    SelectPage(RestorePageIndex);
    ShowControl(IDC_SM_LSETDOS, false);
    ShowControl(IDC_SM_RSETDOS, false);
    TStringGrid grid = RegStringGrid();
    grid.Clear();
    std::string folder;
    const std::vector<TBackupRow> rows =
        BackupFolder(folder) ? FillBackupGrid(folder) : std::vector<TBackupRow>();
    for (const TBackupRow& row : rows)
        grid.AddRow(row.number, row.text);
    if (rows.empty())
        grid.AddRow("", ""); // the grid keeps one empty row
    EnableButton(RegRecovery(), !rows.empty() && !workers_);
    RefreshDosState();
    if (!rows.empty())
        grid.SelectRow(grid.RowCount() - 1); // the newest
}

void TRecoveryForm::StartupPageClick() {
    SelectPage(StartupPageIndex);
    // Shown again, with its list as it is now (the logon backup box may have changed it).
    if (StartupManagerForm) {
        StartupManagerForm->Show();
        StartupManagerForm->PageCIndexChange(StartupManagerForm->ActivePage());
    }
}

void TRecoveryForm::DevicePageClick() {
    SelectPage(DevicePageIndex);
}

void TRecoveryForm::RefreshDosState() {
    TImageEx button = RegRecoveryDOS();
    const bool installed = IsDosRestoreInstalled();
    button.SetTag(0);
    LoadJpegResource(button, installed ? "RegRecoveryDOS3" : "RegRecoveryDOS1", "JPG");
    button.SetTag(installed ? 2 : 0);
    SetTimerOn(DOSTimer, !installed, 300);
}

void TRecoveryForm::BackupSBtClick() {
    if (IsWin9xVersionName(GetWindowsVersionName())) {
        RunWinExec("Scanregw", SW_SHOWNORMAL);
        return;
    }
    ShowControl(IDC_SM_PROGRESSEXPANEL, true);
    SetTimerOn(DOSTimer, true, 300);
    StartBackupThread(*this);
}

void TRecoveryForm::RegRecoveryClick() {
    TStringGrid grid = RegStringGrid();
    const int row = grid.SelectedRow();
    std::string folder;
    if (row < 0 || workers_ || !BackupFolder(folder))
        return;
    RestoreRegistryBackup(Handle(), folder, grid.Cell(row, 1));
}

void TRecoveryForm::RegRecoveryDOSClick() {
    if (workers_)
        return; // a running backup rewrites the backup menu as well
    std::string message;
    UINT icon = MB_OK;
    if (IsDosRestoreInstalled()) {
        if (ShowMessageBox(Handle(), "Cancel restore function in DOS ??", kDosCaption, MB_YESNO) !=
            IDYES)
            return;
        const DosResult result = UninstallDosRestore();
        if (result.ok) {
            SetTimerOn(DOSTimer, true, 300);
            message = "Cancel restore function in DOS completely!";
        } else {
            message = "Failed to cancel restore function in DOS!\n\n" + result.error;
            icon |= MB_ICONEXCLAMATION;
        }
    } else {
        // The backups the entry offers are pruned there: never in a folder named another way.
        std::string folder;
        if (!BackupFolder(folder))
            return;
        const DosResult result = InstallDosRestore();
        if (result.ok) {
            SetTimerOn(DOSTimer, false);
            PruneRegistryBackups(folder); // also writes the backup menu of the batch
            message = "Set restore function in DOS completely!";
        } else {
            message = "Failed to set restore function in DOS!\n\n" + result.error;
            icon |= MB_ICONEXCLAMATION;
        }
    }
    ShowMessageBox(Handle(), message, kDosCaption, icon);
    RefreshDosState();
}

void TRecoveryForm::AutoCheckBoxClick() {
    SetAutoBackupOnBoot(AutoCheckBox().Checked());
    // The box shows what the registry holds, also when it could not be changed.
    AutoCheckBox().SetChecked(IsAutoBackupOnBoot());
}

void TRecoveryForm::NICBackupSBtClick() {
    NICBKLabel().SetText("");
    SetTimerOn(NICTimer, true, 500);
    ShowControl(IDC_SM_NICBKLABEL, true);
    StartNicBackupThread(*this);
}

void TRecoveryForm::NICRecoveryClick() {
    NICLabel().SetText("");
    SetTimerOn(NICTimer, true, 500);
    ShowControl(IDC_SM_NICLABEL, true);
    StartNicRestoreThread(*this);
}

// The burn window of the recovery boot image, modal over this one.
void TRecoveryForm::BurnCDClick() {
    ShowBurnForm(Handle());
}

void TRecoveryForm::HowtodoLabClick() {
    const std::string help = ProgramDir() + "DosHelp.chm";
    if (FileExists(help))
        RunShellExecute(Handle(), "open", help, "", "", SW_SHOWNORMAL);
}

void TRecoveryForm::SMCloseBtnClick() {
    RequestClose();
}

void TRecoveryForm::RequestClose() {
    // A worker still reports to this window: close once it is done.
    if (workers_) {
        closePending_ = true;
        return;
    }
    Close(IDCANCEL);
}

void TRecoveryForm::Timer1Timer() {
    HWND image = Item(IDC_SM_PROGRESSEXIMAGE);
    RECT panel, picture;
    GetClientRect(ProgressExPanel().Handle(), &panel);
    GetWindowRect(image, &picture);
    MapWindowPoints(nullptr, ProgressExPanel().Handle(), reinterpret_cast<POINT*>(&picture), 2);
    int left = picture.left + Scaled(10);
    if (left >= panel.right)
        left = Scaled(-24);
    SetWindowPos(image, nullptr, left, picture.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void TRecoveryForm::DOSTimerTimer() {
    if (BackupDone.exchange(false))
        RestorePageClick();
}

void TRecoveryForm::NICTimerTimer() {
    for (TLabel label : {NICLabel(), NICBKLabel()})
        label.SetText(label.Text().empty() ? "Please wait!" : "");
}

void TRecoveryForm::Synchronize(const std::function<void()>& action) {
    SendMessageA(Handle(), kSynchronize, 0, reinterpret_cast<LPARAM>(&action));
}

void TRecoveryForm::WorkerEnded() {
    if (--workers_ == 0 && closePending_)
        Close(IDCANCEL);
}

bool TRecoveryForm::BackupFolder(std::string& folder) {
    if (DirEdit().ExactText(folder))
        return true;
    ShowMessageBox(Handle(), InexactTextMessage("folder", folder), kAppCaption,
                   MB_OK | MB_ICONWARNING);
    return false;
}

bool TRecoveryForm::BackupStarted(std::string& folder) {
    BackupDone = false;
    SetTimerOn(Timer1, true, 100);
    ProgressExPanel().SetText("Please wait!");
    // Nothing may restore or rewrite the backup menu while hives are being saved.
    EnableButton(BackupSBt(), false);
    EnableButton(RegRecovery(), false);
    EnableButton(RegRecoveryDOS(), false);
    return DirEdit().ExactText(folder);
}

void TRecoveryForm::BackupEnded(bool ok, const std::string& error) {
    SetTimerOn(Timer1, false);
    EnableButton(BackupSBt(), true);
    EnableButton(RegRecoveryDOS(), true);
    ProgressExPanel().SetText(ok ? "Backup completely!" : "Backup failed!");
    ShowControl(IDC_SM_PROGRESSEXPANEL, false);
    if (!ok && !AutoRun)
        ShowMessageBox(Handle(), "Failed to back up the registry!\n\n" + error, kAppCaption,
                       MB_OK | MB_ICONEXCLAMATION);
    if (AutoRun)
        closePending_ = true;
    BackupDone = true;
    WorkerEnded();
}

void TRecoveryForm::NetworkWorkEnded(TLabel label) {
    SetTimerOn(NICTimer, false);
    ShowControl(GetDlgCtrlID(label.Handle()), false);
    WorkerEnded();
}

void TRecoveryForm::FormClose() {
    // The boot files are kept hidden and read-only; set at once, not by commands left running.
    SetBootFileAttributes(true, false);
    for (UINT_PTR timer : {Timer1, DOSTimer, NICTimer})
        SetTimerOn(timer, false);
}

bool TRecoveryForm::OnCommand(int id, int code) {
    using Handler = void (TRecoveryForm::*)();
    static const std::pair<int, Handler> handlers[] = {
        {IDC_SM_BACKUPPAGE, &TRecoveryForm::BackupPageClick},
        {IDC_SM_RESTOREPAGE, &TRecoveryForm::RestorePageClick},
        {IDC_SM_STARTUPPAGE, &TRecoveryForm::StartupPageClick},
        {IDC_SM_DEVICEPAGE, &TRecoveryForm::DevicePageClick},
        {IDC_SM_BACKUPSBT, &TRecoveryForm::BackupSBtClick},
        {IDC_SM_REGRECOVERY, &TRecoveryForm::RegRecoveryClick},
        {IDC_SM_REGRECOVERYDOS, &TRecoveryForm::RegRecoveryDOSClick},
        {IDC_SM_AUTOCHECKBOX, &TRecoveryForm::AutoCheckBoxClick},
        {IDC_SM_NICBACKUPSBT, &TRecoveryForm::NICBackupSBtClick},
        {IDC_SM_NICRECOVERY, &TRecoveryForm::NICRecoveryClick},
        {IDC_SM_HOWTODOLAB, &TRecoveryForm::HowtodoLabClick},
        {IDC_SM_BURNCD, &TRecoveryForm::BurnCDClick},
        {IDC_SM_CLOSEBTN, &TRecoveryForm::SMCloseBtnClick}};
    for (const auto& handler : handlers) {
        if (handler.first != id)
            continue;
        // A disabled button's click (sent while it was still enabled) does nothing.
        if (!IsWindowEnabled(Item(id)))
            return true;
        if (code == BN_CLICKED || code == STN_CLICKED)
            (this->*handler.second)();
        return true;
    }
    return false;
}

bool TRecoveryForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case kSynchronize:
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        result = TRUE;
        return true;
    case WM_TIMER:
        if (wParam == Timer1)
            Timer1Timer();
        else if (wParam == DOSTimer)
            DOSTimerTimer();
        else if (wParam == NICTimer)
            NICTimerTimer();
        result = TRUE;
        return true;
    case WM_LBUTTONDOWN: // Image18MouseDown: the whole picture drags the window
        DragWindow(Handle());
        result = TRUE;
        return true;
    case WM_CLOSE:
        RequestClose();
        result = TRUE;
        return true;
    }
    return false;
}

HBRUSH TRecoveryForm::OnLabelColour(HDC dc, HWND label) {
    const int id = GetDlgCtrlID(label);
    if (id == IDC_SM_TITLE)
        SetTextColor(dc, RGB(255, 255, 255));
    else if (id == IDC_SM_PROGRESSEXPANEL || id == IDC_SM_NICLABEL || id == IDC_SM_NICBKLABEL)
        SetTextColor(dc, RGB(255, 0, 0));
    else if (id == IDC_SM_HOWTODOLAB)
        SetTextColor(dc, RGB(0, 0, 255));
    if (id == IDC_SM_DIREDIT) // the read-only edit keeps an opaque white field
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    return TForm::OnLabelColour(dc, label);
}

LRESULT CALLBACK TRecoveryForm::HelpLabelProc(HWND label, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* form = reinterpret_cast<TRecoveryForm*>(data);
    const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
    if ((message == WM_MOUSEMOVE && !form->helpHot_) || message == WM_MOUSELEAVE) {
        // HowtodoLabMouseEnter / HowtodoLabMouseLeave: underlined while the pointer is on it.
        form->helpHot_ = message == WM_MOUSEMOVE;
        if (form->helpHot_) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, label, 0};
            TrackMouseEvent(&track);
        }
        HFONT font = form->helpHot_
                         ? static_cast<HFONT>(form->underlineFont_.get())
                         : reinterpret_cast<HFONT>(SendMessageA(form->Handle(), WM_GETFONT, 0, 0));
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SetLabelText(label, WindowText(label));
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(label, HelpLabelProc, 0);
    }
    return result;
}

void ShowSysManager(HWND owner, bool autoRun) {
    TRecoveryForm form;
    form.AutoRun = autoRun;
    RecoveryForm = &form;
    form.ShowModal(owner);
    RecoveryForm = nullptr;
}

} // namespace ku
