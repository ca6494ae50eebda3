// The uninstall wizard's window: pages, buttons, timers and closing.
#include "core/ui/wizard/UnitStepForm.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

#include "StepFormIds.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/Controls.h"
#include "core/ui/DataModule.h"
#include "core/ui/ImageEx.h"

namespace ku {

TUninstallStepForm* UninstallStepForm = nullptr;

namespace {

const UINT_PTR kTimer1 = 1;
const UINT_PTR kTimer2 = 2;
const COLORREF kTopPanelColour = RGB(0x2B, 0x57, 0x9A);
const int kButtonWidth = 96, kButtonHeight = 26, kSkipWidth = 80, kSkipHeight = 22;
const int kTreePicture = 16;
const int kProgressBlock = 24; // width of the scan strip's moving block
// Pictures of ImageList1.
enum : int { PicNext = 0, PicNextHot = 1, PicCancel = 2, PicCancelHot = 3, PicFinish = 4,
             PicFinishHot = 5 };
const int kSkipButtons[] = {IDC_STEP_REGSKIPBTN, IDC_STEP_FILESKIPBTN, IDC_STEP_REGSKIPEXBTN,
                            IDC_STEP_FILESKIPEXBTN};
const int kStepImages[] = {IDC_STEP_STEPIMAGE1, IDC_STEP_STEPIMAGE2, IDC_STEP_STEPIMAGE3,
                           IDC_STEP_STEPIMAGEEX1, IDC_STEP_STEPIMAGEEX2};

struct PageControl {
    int id;
    int page;
    bool shown; // shown when its page is (steps' images and progress start hidden)
};

const PageControl kPageControls[] = {
    {IDC_STEP_PICAPPLICATIONICON, 0, true}, {IDC_STEP_ABPROGRAMNAME, 0, true},
    {IDC_STEP_CAVERSION, 0, true},          {IDC_STEP_CAINSTALLDATE, 0, true},
    {IDC_STEP_CAINSTALLLOCATION, 0, true},  {IDC_STEP_CAHELPLINK, 0, true},
    {IDC_STEP_CAPUBLISHER, 0, true},        {IDC_STEP_CAHOMEPAGE, 0, true},
    {IDC_STEP_CAUPDATELINK, 0, true},       {IDC_STEP_ABVERSION, 0, true},
    {IDC_STEP_ABINSTALLDATE, 0, true},      {IDC_STEP_ABINSTALLLOCATION, 0, true},
    {IDC_STEP_ABHELPLINK, 0, true},         {IDC_STEP_ABPUBLISHER, 0, true},
    {IDC_STEP_ABHOMEPAGE, 0, true},         {IDC_STEP_ABUPDATELINK, 0, true},
    {IDC_STEP_SCANSTEP1, 1, true},          {IDC_STEP_SCANSTEP2, 1, true},
    {IDC_STEP_SCANSTEP3, 1, true},          {IDC_STEP_STEPIMAGE1, 1, false},
    {IDC_STEP_STEPIMAGE2, 1, false},        {IDC_STEP_STEPIMAGE3, 1, false},
    {IDC_STEP_ABREGISTRYSCAN, 1, false},    {IDC_STEP_ABDISKFILESCAN, 1, false},
    {IDC_STEP_REGPROGRESSPANEL, 1, false},  {IDC_STEP_REGPROGRESSIMAGE, 1, false},
    {IDC_STEP_FILEPROGRESSPANEL, 1, false}, {IDC_STEP_FILEPROGRESSIMAGE, 1, false},
    {IDC_STEP_REGSKIPBTN, 1, false},        {IDC_STEP_FILESKIPBTN, 1, false},
    {IDC_STEP_FORCESTEP1, 2, true},         {IDC_STEP_FORCESTEP2, 2, true},
    {IDC_STEP_STEPIMAGEEX1, 2, false},      {IDC_STEP_STEPIMAGEEX2, 2, false},
    {IDC_STEP_ABREGISTRYSCANEX, 2, false},  {IDC_STEP_ABDISKFILESCANEX, 2, false},
    {IDC_STEP_REGPROGRESSEXPANEL, 2, false}, {IDC_STEP_REGPROGRESSEXIMAGE, 2, false},
    {IDC_STEP_FILEPROGRESSEXPANEL, 2, false}, {IDC_STEP_FILEPROGRESSEXIMAGE, 2, false},
    {IDC_STEP_REGSKIPEXBTN, 2, false},      {IDC_STEP_FILESKIPEXBTN, 2, false},
    {IDC_STEP_ONEORBOTH, 2, true},          {IDC_STEP_CAPROGRAMNAME, 2, true},
    {IDC_STEP_TXTPROGRAMNAME, 2, true},     {IDC_STEP_FLABEL, 2, true},
    {IDC_STEP_SPEEDBUTTON2, 2, true},       {IDC_STEP_CAPATH, 2, true},
    {IDC_STEP_TXTPATH, 2, true},            {IDC_STEP_SPEEDBUTTON1, 2, true},
    {IDC_STEP_REGGROUP, 3, true},           {IDC_STEP_REGLISTVIEW, 3, true},
    {IDC_STEP_FILEGROUP, 3, true},          {IDC_STEP_FILELISTVIEW, 3, true},
    {IDC_STEP_ABFINISH, 4, true},           {IDC_STEP_ABFINISHMESSAGE, 4, true},
    {IDC_STEP_FINISHDETAILS, 4, false},
    {IDC_STEP_REMAINLABEL, 5, true},        {IDC_STEP_REGTREEVIEW, 5, true},
};

void AddColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

// Pre-selects the start folder when the folder dialog opens.
int CALLBACK BrowseStart(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

} // namespace

TUninstallStepForm::TUninstallStepForm() : TForm(IDD_STEPFORM) {}

TUninstallStepForm::~TUninstallStepForm() {
    StopEverything();
    if (UninstallStepForm == this)
        UninstallStepForm = nullptr;
}

void TUninstallStepForm::FormCreate() {
    UninstallStepForm = this;
    // A wizard that an earlier one left stopped would not wait for its uninstaller.
    ScanState = ScanRun;
    MakeBorderless();
    SetTopPanel(30, kTopPanelColour);
    SetUpPictures();
    TLabel(Item(IDC_STEP_FLABEL)).SetText("");
    EnableWindow(Item(IDC_STEP_TXTPROGRAMNAME), FALSE);
    EnableWindow(Item(IDC_STEP_TXTPATH), FALSE);
    State.FileListEntries = LoadFileList(ProgramDir() + "filelist.lst");
    State.ProcessModuleList = BuildProcessModuleList();
    State.ScanKeyCounter = 0;
    State.NortonFlag = NortonFlag;
    UninstallDone = 0;
    for (const PageControl& control : kPageControls)
        shown_[control.id] = control.shown;
    const DWORD gridStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageA(Item(IDC_STEP_REGLISTVIEW), LVM_SETEXTENDEDLISTVIEWSTYLE, gridStyle, gridStyle);
    SendMessageA(Item(IDC_STEP_FILELISTVIEW), LVM_SETEXTENDEDLISTVIEWSTYLE, gridStyle, gridStyle);
    AddColumn(Item(IDC_STEP_REGLISTVIEW), 0, "Registry Key", kRegistryKeyColumn);
    AddColumn(Item(IDC_STEP_REGLISTVIEW), 1, "Value", kValueColumn);
    AddColumn(Item(IDC_STEP_FILELISTVIEW), 0, "File Name", kFileColumn);
    FillDescription();
    ShowWindow(Item(IDC_STEP_PROGRESSBAR1), SW_HIDE);
    host_ = std::make_unique<WindowRemovalHost>(
        WindowRemovalHost::Controls{Handle(), Item(IDC_STEP_ABFINISH),
                                    Item(IDC_STEP_ABFINISHMESSAGE), Item(IDC_STEP_PROGRESSBAR1),
                                    Item(IDC_STEP_STEPBITBTN), Item(IDC_STEP_CANCELBITBTN)},
        [this](const RemovalReport& report) { RemovalEnded(report); });
    SetPage(ForceMode == 1 ? PageForce : PageDescription);
}

void TUninstallStepForm::SetUpPictures() {
    ImageList1 = PictureList(kButtonWidth, kButtonHeight,
                             {"Next1", "Next2", "Cancel1", "Cancel2", "Finish1", "Finish2"});
    SkipList = PictureList(kSkipWidth, kSkipHeight, {"Skip1", "Skip2"});
    TreeImageList =
        PictureList(kTreePicture, kTreePicture, {"TreeKey", "TreeString", "TreeNumber"});
    // A state picture 0 is never drawn; the list's first picture only fills its place.
    StartTreeImageList = PictureList(kTreePicture, kTreePicture,
                                     {"TreeUnticked", "TreeUnticked", "TreeTicked"});
    TreeView_SetImageList(Item(IDC_STEP_REGTREEVIEW), TreeImageList.get(), TVSIL_NORMAL);
    TreeView_SetImageList(Item(IDC_STEP_REGTREEVIEW), StartTreeImageList.get(), TVSIL_STATE);
    ShowListPicture(IDC_STEP_STEPBITBTN, ImageList1.get(), PicNext, "ImageList1");
    ShowListPicture(IDC_STEP_CANCELBITBTN, ImageList1.get(), PicCancel, "ImageList1");
    for (int id : kSkipButtons)
        ShowListPicture(id, SkipList.get(), 0, "SkipList");
    for (int id : {IDC_STEP_STEPBITBTN, IDC_STEP_CANCELBITBTN, IDC_STEP_REGSKIPBTN,
                   IDC_STEP_FILESKIPBTN, IDC_STEP_REGSKIPEXBTN, IDC_STEP_FILESKIPEXBTN}) {
        TImageEx button(Item(id));
        button.SetOnMouseEnter([this, id](TImageEx) { ImageButtonMouseEnter(id); });
        button.SetOnMouseLeave([this, id](TImageEx) { ImageButtonMouseLeave(id); });
    }
    for (int id : kStepImages)
        LoadJpegResource(TImageEx(Item(id)), "StepImage", "JPG");
    const HWND edit = GetWindow(Item(IDC_STEP_TXTPROGRAMNAME), GW_CHILD);
    if (edit)
        SetWindowSubclass(edit, TxtProgramNameKeyPress, 0, 0);
}

// Each handler clears the button's picture and draws the list's picture into it.
void TUninstallStepForm::ShowListPicture(int id, HIMAGELIST list, int index,
                                         const char* listName) {
    TImageEx button(Item(id));
    button.ClearPicture();
    button.SetPicture(static_cast<HBITMAP>(ListPicture(list, index).release()),
                      std::string(listName) + ":" + std::to_string(index));
}

void TUninstallStepForm::ImageButtonMouseEnter(int id) {
    ShowButtonPicture(id, true);
}
void TUninstallStepForm::ImageButtonMouseLeave(int id) {
    ShowButtonPicture(id, false);
}

// On the Finish page both buttons show the Finish pictures; Cancel keeps its own while it can
// still stop the removal or waits for the registry backup.
void TUninstallStepForm::ShowButtonPicture(int id, bool hot) {
    const bool finish =
        page_ == PageFinish && !(id == IDC_STEP_CANCELBITBTN && (RemovalRunning() || backingUp_));
    if (id == IDC_STEP_STEPBITBTN || id == IDC_STEP_CANCELBITBTN) {
        const int normal = finish ? PicFinish : id == IDC_STEP_STEPBITBTN ? PicNext : PicCancel;
        ShowListPicture(id, ImageList1.get(), hot ? normal + 1 : normal, "ImageList1");
    } else {
        ShowListPicture(id, SkipList.get(), hot ? 1 : 0, "SkipList");
    }
}

LRESULT CALLBACK TUninstallStepForm::TxtProgramNameKeyPress(HWND edit, UINT message,
                                                            WPARAM wParam, LPARAM lParam,
                                                            UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_CHAR:
        wParam = VK_RETURN;
        break;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE)
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, TxtProgramNameKeyPress, 0);
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void TUninstallStepForm::FillDescription() {
    const std::pair<int, const std::string*> facts[] = {
        {IDC_STEP_ABPROGRAMNAME, &ProgramName}, {IDC_STEP_ABVERSION, &Version},
        {IDC_STEP_ABINSTALLDATE, &InstallDate}, {IDC_STEP_ABINSTALLLOCATION, &InstallLocation},
        {IDC_STEP_ABHELPLINK, &HelpLink},       {IDC_STEP_ABPUBLISHER, &Publisher},
        {IDC_STEP_ABHOMEPAGE, &HomePage},       {IDC_STEP_ABUPDATELINK, &UpdateLink}};
    // A missing detail reads as in the main window.
    for (const auto& fact : facts)
        TLabel(Item(fact.first)).SetText(Trim(*fact.second).empty() ? kNotAvailable : *fact.second);
    TPicture(Item(IDC_STEP_PICAPPLICATIONICON))
        .SetIcon(ApplicationIcon ? ApplicationIcon : LoadIcon(nullptr, IDI_APPLICATION));
    TComboBox programs(Item(IDC_STEP_TXTPROGRAMNAME));
    for (const std::string& file : ProgramFiles)
        if (!IsRefusedForceProgramFile(file))
            programs.AddItem(file);
    if (programs.Count() > 0) {
        EnableWindow(programs.Handle(), TRUE);
        SendMessageA(programs.Handle(), CB_SETCURSEL, 0, 0);
        TLabel(Item(IDC_STEP_FLABEL)).SetText("1/" + std::to_string(programs.Count()));
    }
    if (!FolderPath.empty() && !IsRefusedForceFolder(FolderPath)) {
        EnableWindow(Item(IDC_STEP_TXTPATH), TRUE);
        SetWindowTextA(Item(IDC_STEP_TXTPATH), FolderPath.c_str());
    }
}

void TUninstallStepForm::FormShow() {
    std::string caption = !Caption.empty() ? Caption
                          : ForceMode == 1 ? kForceWizardCaption
                                           : kWizardCaption;
    bool wow64 = false;
    try {
        wow64 = IsWow64();
    } catch (const std::exception&) {
    }
    if (wow64)
        caption += RegistryView64 ? "(64Bit)" : "(32Bit)";
    SetCaption(caption);
    ShowWindow(Item(IDC_STEP_PROGRESSBAR1), SW_HIDE);
}

// The window text and the title on the band say the same.
void TUninstallStepForm::SetCaption(const std::string& caption) {
    SetWindowTextA(Handle(), caption.c_str());
    TLabel(Item(IDC_STEP_TITLE)).SetText(caption);
}

// The title is drawn white straight on the band, as the main window draws its own.
HBRUSH TUninstallStepForm::OnLabelColour(HDC dc, HWND label) {
    if (label != Item(IDC_STEP_TITLE))
        return TForm::OnLabelColour(dc, label);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void TUninstallStepForm::SetPage(int page) {
    page_ = page;
    for (const PageControl& control : kPageControls)
        ShowWindow(Item(control.id), control.page == page && shown_[control.id] ? SW_SHOW : SW_HIDE);
    InvalidateRect(Handle(), nullptr, TRUE);
    FocusPage();
}

// A control of the shown page: its own visibility, kept for when the page is shown again.
void TUninstallStepForm::ShowOnPage(int id, bool shown) {
    shown_[id] = shown;
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
}

void TUninstallStepForm::BeginStep(int label, int panel, int image, int skip, UINT_PTR timer) {
    TLabel(Item(label)).SetText("");
    for (int id : {label, panel, image, skip})
        ShowOnPage(id, true);
    (timer == kTimer1 ? regImageLeft_ : fileImageLeft_) = -kProgressBlock;
    PlaceProgressBlock(panel, image, -kProgressBlock);
    SetTimer(Handle(), timer, 10, nullptr);
    ScanState = ScanRun;
}

void TUninstallStepForm::EndStep(int label, int panel, int skip, UINT_PTR timer, int doneImage) {
    KillTimer(Handle(), timer);
    const int image = panel == IDC_STEP_REGPROGRESSPANEL       ? IDC_STEP_REGPROGRESSIMAGE
                      : panel == IDC_STEP_FILEPROGRESSPANEL    ? IDC_STEP_FILEPROGRESSIMAGE
                      : panel == IDC_STEP_REGPROGRESSEXPANEL   ? IDC_STEP_REGPROGRESSEXIMAGE
                                                               : IDC_STEP_FILEPROGRESSEXIMAGE;
    for (int id : {label, panel, image, skip})
        ShowOnPage(id, false);
    if (!closeRequested_)
        ShowOnPage(doneImage, true);
}

bool TUninstallStepForm::StepDone(int image) const {
    const auto known = shown_.find(image);
    return known != shown_.end() && known->second;
}

void TUninstallStepForm::MoveProgressImage(int panel, int image) {
    int& left = (image == IDC_STEP_REGPROGRESSIMAGE || image == IDC_STEP_REGPROGRESSEXIMAGE)
                    ? regImageLeft_
                    : fileImageLeft_;
    RECT strip;
    GetWindowRect(Item(panel), &strip);
    if (++left >= strip.right - strip.left)
        left = -kProgressBlock;
    PlaceProgressBlock(panel, image, left);
}

// The block fills the strip's height inside its border; before it enters the strip it waits at
// its start, at the strip's end it is cut off there. The strip clips its siblings, so its own
// painting never covers the block.
void TUninstallStepForm::PlaceProgressBlock(int panel, int image, int left) {
    RECT strip;
    GetWindowRect(Item(panel), &strip);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&strip), 2);
    const int x = strip.left + 1 + std::max(0, left);
    const int width = std::max(1, std::min(kProgressBlock, static_cast<int>(strip.right) - 1 - x));
    const int height = std::max(1, static_cast<int>(strip.bottom - strip.top) - 2);
    SetWindowPos(Item(image), HWND_TOP, x, strip.top + 1, width, height, SWP_NOACTIVATE);
}

void TUninstallStepForm::Timer1Timer() {
    if (ForceMode == 1)
        MoveProgressImage(IDC_STEP_REGPROGRESSEXPANEL, IDC_STEP_REGPROGRESSEXIMAGE);
    else
        MoveProgressImage(IDC_STEP_REGPROGRESSPANEL, IDC_STEP_REGPROGRESSIMAGE);
}

void TUninstallStepForm::Timer2Timer() {
    if (ForceMode == 1)
        MoveProgressImage(IDC_STEP_FILEPROGRESSEXPANEL, IDC_STEP_FILEPROGRESSEXIMAGE);
    else
        MoveProgressImage(IDC_STEP_FILEPROGRESSPANEL, IDC_STEP_FILEPROGRESSIMAGE);
}

void TUninstallStepForm::RegSkipBtnClick() { ScanState = ScanSkipRegistry; }
void TUninstallStepForm::FileSkipBtnClick() { ScanState = ScanSkipFiles; }

void TUninstallStepForm::CancelBitBtnClick() {
    if (backingUp_)
        return; // the registry export cannot be stopped half-way; Cancel is off meanwhile
    if (RemovalRunning()) {
        // Between two items; the Finish page then says how far it got.
        ScanState = ScanStopRemoving;
        return;
    }
    if (busy_) {
        // The running step ends at its next key, file or wait; the window closes after it.
        closeRequested_ = true;
        ScanState = ScanStop;
        return;
    }
    Close(IDCANCEL);
}

bool TUninstallStepForm::RemovalRunning() const { return removal_ && !removal_->Finished(); }

void TUninstallStepForm::WaitForRemoval() {
    while (RemovalRunning()) {
        const HANDLE thread = removal_->Handle();
        MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT);
        WindowScanProgress::PumpMessages();
    }
    if (host_)
        host_->RunQueued();
}

void TUninstallStepForm::StopEverything() {
    if (removal_) {
        if (!removal_->Finished())
            ScanState = ScanStopRemoving;
        if (host_)
            host_->Cancel();
        removal_->WaitFor();
        removal_.reset();
    }
}

void TUninstallStepForm::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    // However the Finish page is left (Finish, Esc, Alt+F4), the removal has run: the
    // program list must be read again.
    if (page_ == PageFinish) {
        UninstallDone = 1;
        SpecialMode = false;
    }
    KillTimer(Handle(), kTimer1);
    KillTimer(Handle(), kTimer2);
    StopEverything();
    // The next wizard of this run starts clean, whatever this one was stopped in.
    ScanState = ScanRun;
}

void TUninstallStepForm::RemovalEnded(const RemovalReport& report) {
    const HWND details = Item(IDC_STEP_FINISHDETAILS);
    std::string text;
    for (const std::string& line : StayedLines(report))
        text += line + "\r\n";
    SetWindowTextA(details, text.c_str());
    ShowOnPage(IDC_STEP_FINISHDETAILS, !text.empty());
    ShowFinishButton();
    if (closeRequested_) {
        UninstallDone = 1; // something was removed: the list is out of date
        Close(IDCANCEL);
    }
}

// Enter does what Next does and Esc what Cancel does, while they can be clicked. Once the
// removal has ended the Finish page has no Cancel: Esc leaves it as Finish does.
int TUninstallStepForm::DefaultButton() const { return IDC_STEP_STEPBITBTN; }
int TUninstallStepForm::CancelButton() const {
    return page_ == PageFinish && !RemovalRunning() ? IDC_STEP_STEPBITBTN : IDC_STEP_CANCELBITBTN;
}

// While a step runs or the removal can still be stopped the keys wait on Cancel (Enter then
// presses nothing); the tree page's keys tick its entries.
HWND TUninstallStepForm::PageFocus() const {
    if (busy_ || RemovalRunning())
        return Item(IDC_STEP_CANCELBITBTN);
    return page_ == PageRegRemain ? RegTreeView() : Item(IDC_STEP_STEPBITBTN);
}

bool TUninstallStepForm::OnCommand(int id, int code) {
    if (id == IDC_STEP_TXTPATH && code == EN_CHANGE) {
        TxtPathChange();
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_STEP_STEPBITBTN: StepBitBtnClick(); return true;
    case IDC_STEP_CANCELBITBTN:
        // While the removal runs, Cancel stops it.
        CancelBitBtnClick();
        return true;
    case IDC_STEP_REGSKIPBTN:
    case IDC_STEP_REGSKIPEXBTN: RegSkipBtnClick(); return true;
    case IDC_STEP_FILESKIPBTN:
    case IDC_STEP_FILESKIPEXBTN: FileSkipBtnClick(); return true;
    case IDC_STEP_SPEEDBUTTON1: SpeedButton1Click(); return true;
    case IDC_STEP_SPEEDBUTTON2: SpeedButton2Click(); return true;
    default: return false;
    }
}

bool TUninstallStepForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                   INT_PTR& result) {
    if (message == WM_NOTIFY && OnTreeNotify(reinterpret_cast<const NMHDR*>(lParam))) {
        SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
    }
    if (message == WindowRemovalHost::kRemovalMessage) {
        if (host_)
            host_->RunQueued();
        result = TRUE;
        return true;
    }
    if (message == WM_TIMER && (wParam == kTimer1 || wParam == kTimer2)) {
        wParam == kTimer1 ? Timer1Timer() : Timer2Timer();
        result = TRUE;
        return true;
    }
    if (message == WM_CLOSE) {
        // While the removal runs: stop it between two items and close once it has ended.
        if (RemovalRunning())
            closeRequested_ = true;
        CancelBitBtnClick();
        result = TRUE;
        return true;
    }
    return false;
}

void TUninstallStepForm::SpeedButton1Click() {
    const std::string system = GetSystemDir();
    std::string start = system.size() >= 3 ? system.substr(0, 3) : "C:\\";
    bool wow64 = false;
    try {
        wow64 = IsWow64();
    } catch (const std::exception&) {
    }
    start += wow64 && !RegistryView64 ? "Program Files (x86)\\Common Files"
                                      : "Program Files\\Common Files";
    BROWSEINFOA info = {};
    info.hwndOwner = GetActiveWindow();
    info.lpszTitle = "Please select the specific folders or directories";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseStart;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    // exact-text: asks for no display name; the folder is read by ExactPathOfItem
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen)
        return;
    // A folder whose best-fit name is taken would force another program's folder away.
    std::string folder;
    if (ExactPathOfItem(chosen, folder))
        SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str());
    else if (!folder.empty())
        ShowMessageBox(Handle(), InexactTextMessage("folder", folder), kAppCaption,
                       MB_OK | MB_ICONWARNING);
    CoTaskMemFree(chosen);
}

void TUninstallStepForm::SpeedButton2Click() {
    // By the wide names: a file whose best-fit name is taken would be another program's.
    std::vector<wchar_t> buffer(32768, L'\0');
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = Handle();
    open.lpstrFilter = L"*\0*.*\0dll\0*.dll\0exe\0*.exe\0sys\0*.sys\0";
    open.lpstrFile = buffer.data();
    open.nMaxFile = static_cast<DWORD>(buffer.size());
    open.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&open))
        return;
    std::vector<std::wstring> chosen;
    const std::wstring first = buffer.data();
    for (const wchar_t* p = buffer.data() + first.size() + 1; *p; p += wcslen(p) + 1)
        chosen.push_back(first + (first.empty() || first.back() == L'\\' ? L"" : L"\\") + p);
    if (chosen.empty())
        chosen.push_back(first);
    std::vector<std::string> files;
    for (const std::wstring& wide : chosen) {
        std::string file;
        if (ExactAnsi(wide, file))
            files.push_back(file);
        else
            ShowMessageBox(Handle(), InexactTextMessage("file", file, "was left out"),
                           kAppCaption, MB_OK | MB_ICONWARNING);
    }
    TComboBox programs(Item(IDC_STEP_TXTPROGRAMNAME));
    for (const std::string& file : files) {
        if (IsRefusedForceProgramFile(file))
            continue; // a file of Windows or of a shared folder is not a program of its own
        bool known = false;
        for (int i = 0; i < programs.Count(); ++i) {
            std::string item;
            known = known || (programs.ExactItemText(i, item) && SameText(item, file));
        }
        if (!known && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES)
            programs.AddItem(file);
    }
    if (programs.Count() > 0) {
        EnableWindow(programs.Handle(), TRUE);
        SendMessageA(programs.Handle(), CB_SETCURSEL, 0, 0);
        TLabel(Item(IDC_STEP_FLABEL)).SetText("1/" + std::to_string(programs.Count()));
    }
}

} // namespace ku

namespace ku {

int RunUninstallWizard(HWND owner, const UninstallWizardRequest& request) {
    TUninstallStepForm form;
    form.Caption = request.Caption;
    form.DisplayName = request.DisplayName;
    form.NortonFlag = request.NortonFlag;
    form.UninstallKeyName = request.UninstallKeyName;
    form.UninstallCommand = request.UninstallCommand;
    form.InexactEntry = request.Inexact;
    form.ProfileKey = request.ProfileKey;
    form.ForceMode = request.ForceMode;
    form.SpecialMode = request.SpecialMode != 0;
    form.ProgramName = request.ProgramName;
    form.Version = request.Version;
    form.InstallDate = request.InstallDate;
    form.InstallLocation = request.InstallLocation;
    form.HelpLink = request.HelpLink;
    form.Publisher = request.Publisher;
    form.HomePage = request.HomePage;
    form.UpdateLink = request.UpdateLink;
    UniqueAny<Traits<HICON, decltype(&::DestroyIcon), &::DestroyIcon>> icon;
    if (DM && request.ImageIndex >= 0)
        icon.reset(ImageList_GetIcon(DM->AppIconListEx.get(), request.ImageIndex, ILD_NORMAL));
    form.ApplicationIcon = icon.get();
    form.ShowModal(owner);
    return form.UninstallDone;
}

int RunForceUninstallWizard(HWND owner, const std::string& programFile, const std::string& folder) {
    TUninstallStepForm form;
    form.Caption = kForceWizardCaption;
    form.ForceMode = 1;
    if (!programFile.empty())
        form.ProgramFiles.push_back(programFile);
    form.FolderPath = folder;
    form.ShowModal(owner);
    return form.UninstallDone;
}

} // namespace ku
