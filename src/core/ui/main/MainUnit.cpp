// The main window: frame, buttons, handlers and the message loop.
#include "core/ui/main/MainUnit.h"
#include "core/system/FileSystem.h"

#include <commctrl.h>

#include "MainUnitIds.h"
#include "core/programs/MainWindowLogic.h"
#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/Dpi.h"
#include "core/ui/LabelHover.h"
#include "core/ui/Pictures.h"
#include "core/ui/main/AboutForm.h"
#include "core/ui/main/OtherWindows.h"
#include "core/ui/options/OptionUnit.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "resource.h"

namespace ku {

TUnInstallForm* UnInstallForm = nullptr;

namespace {

const int kTopPanel = 28;
// The tiles' pictures are 100 by 64: their longest label ("Special Uninstall") fits with a
// margin.
const int kTileWidth = 100, kTileStep = 106;
const COLORREF kBand = RGB(0x1d, 0x3f, 0x72);
const COLORREF kLinkBlue = RGB(0, 0, 0xFF);
const char* const kSelectFirst = "Please select an item from the application list on the left.";

void HoverPictures(TImageEx button, const std::string& name) {
    LoadJpegResource(button, name + "1", "JPG");
    button.SetOnMouseEnter([name](TImageEx b) { LoadJpegResource(b, name + "2", "JPG"); });
    button.SetOnMouseLeave([name](TImageEx b) { LoadJpegResource(b, name + "1", "JPG"); });
}

// Places in pixels at 96 pixels per inch, scaled to the screen's with the fonts.
void Place(HWND control, int x, int y, int width, int height) {
    SetWindowPos(control, nullptr, Scaled(x), Scaled(y), Scaled(width), Scaled(height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsFactLink(int id) {
    return id == IDC_MAIN_ABHELPLINK || id == IDC_MAIN_ABHOMEPAGE || id == IDC_MAIN_ABUPDATELINK;
}

} // namespace

TUnInstallForm::TUnInstallForm() : TForm(IDD_MAINFORM) {
    UnInstallForm = this;
}

TUnInstallForm::~TUnInstallForm() {
    // FormDestroy: the list goes with the window.
    if (ProgramList == list_.get())
        ProgramList = nullptr;
    if (DM && DM->ProgramListView == listView_)
        DM->ProgramListView = nullptr;
    if (UnInstallForm == this)
        UnInstallForm = nullptr;
}

TImageEx TUnInstallForm::MinBtn() const {
    return TImageEx(Item(IDC_MAIN_MINBTN));
}
TImageEx TUnInstallForm::CloseBtn() const {
    return TImageEx(Item(IDC_MAIN_CLOSEBTN));
}
HWND TUnInstallForm::ListView() const {
    return Item(IDC_MAIN_LIST);
}

void TUnInstallForm::FormCreate() {
    std::string exe;
    if (ExactModulePath(nullptr, exe) == ERROR_SUCCESS)
        WriteMainProgram(exe);
    list_ = std::make_unique<TUninstallContents>();
    ProgramList = list_.get();
    if (!DM)
        ownDataModule_ = std::make_unique<TDM>();
    icons_ = std::make_unique<TProgramIcons>(DM->AppIconList.get(), DM->AppIconListEx.get());

    SetWindowTextA(Handle(), "Kelvane Uninstaller");
    SetBackgroundColour(RGB(255, 255, 255));
    SetTopPanel(Scaled(kTopPanel), kBand);
    LayOut();
    SetUpButtons();
    SetUpList();
    ShowInstructions();
    MakeBorderless();
}

// Pixel layout: buttons on top, the list on the left, the facts on the right.
void TUnInstallForm::LayOut() {
    const int right = 764, height = 528;
    SetWindowPos(Handle(), nullptr, 0, 0, Scaled(right), Scaled(height), SWP_NOMOVE | SWP_NOZORDER);
    Place(CloseBtn().Handle(), right - 26, 7, 20, 14);
    Place(MinBtn().Handle(), right - 50, 7, 20, 14);
    Place(Item(IDC_MAIN_TITLE), 10, (kTopPanel - 14) / 2, 240, 14);
    const int top[] = {IDC_MAIN_UNINSTALLBTN, IDC_MAIN_FORCEUNINSTALLBTN, IDC_MAIN_SPECIALBTN,
                       IDC_MAIN_STARTUPBTN, IDC_MAIN_VIEWBTN};
    for (int i = 0; i < 5; ++i)
        Place(Item(top[i]), 10 + i * kTileStep, 34, kTileWidth, 64);
    for (int id = IDC_MAIN_UPDATEBTN; id <= IDC_MAIN_ABOUTBTN; ++id)
        Place(Item(id), right - 250 + (id - IDC_MAIN_UPDATEBTN) * 60, 40, 54, 16);
    Place(ListView(), 10, 106, 470, 340);
    const int bottom[] = {IDC_MAIN_UNINSTALLEXBTN, IDC_MAIN_DELETEBTN, IDC_MAIN_REFRESHBTN,
                          IDC_MAIN_DETAILBTN};
    for (int i = 0; i < 4; ++i)
        Place(Item(bottom[i]), 10 + i * kTileStep, 452, kTileWidth, 64);
    const int boxes = 10 + 4 * kTileStep + 6;
    Place(Item(IDC_MAIN_SHOWWINUPDATE), boxes, 456, 170, 18);
    Place(Item(IDC_MAIN_SYSBIT64), boxes, 480, 60, 18);
    Place(Item(IDC_MAIN_SYSBIT32), boxes + 62, 480, 60, 18);
    Place(Item(IDC_MAIN_PICAPPLICATIONICON), 496, 110, 64, 64);
    Place(Item(IDC_MAIN_ABPROGRAMNAME), 568, 120, right - 576, 44);
    for (int i = 0; i < 7; ++i) {
        Place(Item(IDC_MAIN_CAVERSION + i), 496, 190 + i * 26, 92, 18);
        Place(Item(IDC_MAIN_ABVERSION + i), 590, 190 + i * 26, right - 598, 18);
    }
    for (int i = 0; i < 12; ++i)
        Place(Item(IDC_MAIN_ABINSTRUCT1 + i), 496, 190 + i * 18, right - 504, 16);
}

void TUnInstallForm::SetUpButtons() {
    HoverPictures(MinBtn(), "Min");
    HoverPictures(CloseBtn(), "Close");
    const std::pair<int, const char*> buttons[] = {
        {IDC_MAIN_UNINSTALLBTN, "UninstallBtn"}, {IDC_MAIN_FORCEUNINSTALLBTN, "ForceUninstallBtn"},
        {IDC_MAIN_SPECIALBTN, "SpecialBtn"},     {IDC_MAIN_STARTUPBTN, "StartupBtn"},
        {IDC_MAIN_VIEWBTN, "ViewBtn"},           {IDC_MAIN_UNINSTALLEXBTN, "UninstallExBtn"},
        {IDC_MAIN_DELETEBTN, "DeleteBtn"},       {IDC_MAIN_REFRESHBTN, "RefreshBtn"},
        {IDC_MAIN_DETAILBTN, "DetailBtn"}};
    for (const auto& button : buttons)
        HoverPictures(TImageEx(Item(button.first)), button.second);
    ShowWindow(Item(IDC_MAIN_VIEWBTN), SW_HIDE); // the view menu opens from the options
    LOGFONTA font = {};
    // exact-text: the window's font, whose face name only goes back to CreateFontIndirectA
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    font.lfUnderline = TRUE;
    underlineFont_.reset(CreateFontIndirectA(&font));
    font.lfUnderline = FALSE;
    font.lfWeight = FW_BOLD;
    font.lfHeight = -MulDiv(8, ScreenDpi(), 72);
    nameFont8_.reset(CreateFontIndirectA(&font));
    font.lfHeight = -MulDiv(10, ScreenDpi(), 72);
    nameFont10_.reset(CreateFontIndirectA(&font));
    for (int id : {IDC_MAIN_UPDATEBTN, IDC_MAIN_HELPBTN, IDC_MAIN_OPTIONSBTN, IDC_MAIN_ABOUTBTN,
                   IDC_MAIN_ABHELPLINK, IDC_MAIN_ABHOMEPAGE, IDC_MAIN_ABUPDATELINK})
        SetLabelHoverHandler(Item(id),
                             [this](HWND label, bool inside) { HoverLabel(label, inside); });
}

void TUnInstallForm::SetUpList() {
    HWND list = ListView();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const std::pair<const char*, int> columns[] = {
        {"Application Name", 120}, {"Install Date", 80}, {"Publisher", 100}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(columns[i].first);
        column.cx = columns[i].second;
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    ListView_SetImageList(list, DM->AppIconList.get(), LVSIL_SMALL);
    ListView_SetImageList(list, DM->AppIconListEx.get(), LVSIL_NORMAL);
    // The data module's lists outlive the view: it must not destroy them.
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    DM->ProgramListView = list;
    listView_ = list;
}

void TUnInstallForm::FormShow() {
    bool wow64 = false;
    try {
        wow64 = IsWow64();
    } catch (const std::exception&) {
    }
    if (wow64) {
        RegistryView64 = true;
        CheckRadioButton(Handle(), IDC_MAIN_SYSBIT64, IDC_MAIN_SYSBIT32, IDC_MAIN_SYSBIT64);
    } else {
        ShowWindow(Item(IDC_MAIN_SYSBIT64), SW_HIDE);
        ShowWindow(Item(IDC_MAIN_SYSBIT32), SW_HIDE);
        RegistryView64 = false;
    }
    if (Settings.ViewStyle >= 0 && Settings.ViewStyle <= 2)
        DM->ApplyViewStyle(Settings.ViewStyle);
    FitListColumns();
    if (Settings.ShowWindowsUpdate) {
        CheckDlgButton(Handle(), IDC_MAIN_SHOWWINUPDATE, BST_CHECKED);
        WriteSettingInteger("ShowWindowsUpdate", 1, false);
    }
    BuildProgramList(*list_, Settings.ShowWindowsUpdate, Places);
    SortColumn = SortByName;
    SortDirection = SortAscending;
    list_->SortBy(SortColumn, SortDirection);
    FillProgramListView();
    // The keys start on the list, not on the first button of the frame (Enter would minimise).
    SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ListView()), TRUE);
    if (!Trim(StartFile).empty() && FileExists(StartFile) &&
        ShowForceUninstallWizard(Handle(), StartFile, "") == 1)
        RefreshBtnClick();
    if (!Trim(StartFolder).empty() && DirectoryExists(StartFolder) &&
        ShowForceUninstallWizard(Handle(), "", StartFolder) == 1)
        RefreshBtnClick();
}

void TUnInstallForm::FormClose() {
    ListView_SetItemState(ListView(), -1, 0, LVIS_SELECTED);
    RepairWinlogon(GetSystemFolder());
}

void TUnInstallForm::Reload() {
    RefreshBtnClick();
}

void TUnInstallForm::RefreshBtnClick() {
    BuildProgramList(*list_, Settings.ShowWindowsUpdate, Places);
    list_->SortBy(SortColumn, SortDirection);
    FillProgramListView();
}

bool TUnInstallForm::WarnWithoutSelection() {
    if (SelectedRow() >= 0)
        return false;
    ShowMessageBox(Handle(), kSelectFirst, kAppCaption, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

bool TUnInstallForm::ConfirmForcedUse() {
    return ShowMessageBox(Handle(),
                          "It is recommended that you should firstly try the \"Uninstall\" "
                          "function.\r\nAre you sure to forcibly utilize this function? ",
                          kAppCaption, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void TUnInstallForm::UninstallBtnClick() {
    if (WarnWithoutSelection())
        return;
    const int row = SelectedRow();
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    // exact-text: its number, picture or data only, no text
    SendMessageA(ListView(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    char caption[1024] = {};
    // exact-text: reads back a text the program put in itself
    ListView_GetItemText(ListView(), row, 0, caption, sizeof(caption));
    const UninstallWizardRequest request =
        MakeNormalUninstallRequest(list_->GetItem(row).Content, caption, item.iImage);
    if (ShowUninstallWizard(Handle(), request) == 1)
        RefreshBtnClick();
}

void TUnInstallForm::ForceUninstallBtnClick() {
    if (ConfirmForcedUse() && ShowForceUninstallWizard(Handle(), "", "") == 1)
        RefreshBtnClick();
}

void TUnInstallForm::SpecialBtnClick() {
    if (ConfirmForcedUse() && ShowSpecialUninstallWizard(Handle()) == 1)
        RefreshBtnClick();
}

void TUnInstallForm::StartupBtnClick() {
    ShowRecoveryForm(Handle(), false);
}

void TUnInstallForm::DeleteBtnClick() {
    if (WarnWithoutSelection())
        return;
    const int row = SelectedRow();
    char caption[1024] = {};
    // exact-text: reads back a text the program put in itself
    ListView_GetItemText(ListView(), row, 0, caption, sizeof(caption));
    // Its key name or texts are shown forms, which may name another program's entry.
    if (list_->GetItem(row).Content.Inexact) {
        ShowMessageBox(Handle(),
                       std::string("The registry information of \"") + caption +
                           "\" cannot be deleted: its entry holds characters this program "
                           "cannot handle, and it was left alone.",
                       kAppCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string question =
        std::string("Instructions: It is going to delete the registry information of \"") +
        caption +
        "\". After deleting, you aren't able to un-install this program through \"Add or "
        "Remove programs\" of Windows control panel. Are you sure to do this?\r\r"
        "Suggestion: Please try uninstall operation before deleting.";
    if (ShowMessageBox(Handle(), question, kAppCaption,
                       MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES)
        return;
    if (DeleteProgramEntry(list_->GetItem(row).Content, Places)) {
        list_->Delete(row);
        ListView_DeleteItem(ListView(), row);
    }
    RefreshBtnClick();
}

void TUnInstallForm::dddColumnClick(int column) {
    if (column < 0 || column > 2)
        return;
    SortDirection = static_cast<uint8_t>(1 - SortDirection);
    if (column != SortColumn)
        SortDirection = SortAscending;
    SortColumn = static_cast<uint8_t>(column);
    list_->SortBy(SortColumn, SortDirection);
    FillProgramListView();
}

void TUnInstallForm::cbShowWinUpdateClick() {
    Settings.ShowWindowsUpdate =
        IsDlgButtonChecked(Handle(), IDC_MAIN_SHOWWINUPDATE) == BST_CHECKED;
    WriteSettingInteger("ShowWindowsUpdate", Settings.ShowWindowsUpdate ? 1 : 0, false);
    Reload();
}

void TUnInstallForm::SysBit64Click() {
    RegistryView64 = true;
    CheckRadioButton(Handle(), IDC_MAIN_SYSBIT64, IDC_MAIN_SYSBIT32, IDC_MAIN_SYSBIT64);
    Reload();
}

void TUnInstallForm::SysBit32Click() {
    RegistryView64 = false;
    CheckRadioButton(Handle(), IDC_MAIN_SYSBIT64, IDC_MAIN_SYSBIT32, IDC_MAIN_SYSBIT32);
    Reload();
}

void TUnInstallForm::UpdateBtnClick() {
    LiveUpdateWaitWindow wait;
    UpdateCheckPlaces places;
    places.programDir = ProgramDir();
    places.owner = Handle();
    if (CheckForUpdate(true, &wait, places))
        Close();
}

void TUnInstallForm::HelpBtnClick() {
    const std::string help = ProgramDir() + "Kelvane Uninstaller.chm";
    if (FileExists(help))
        RunShellExecute(Handle(), "open", help, "", "", SW_SHOWNORMAL);
    else
        OpenURL(0, Settings.HelpURL);
}

void TUnInstallForm::OptionsBtnClick() {
    ShowOptionsDialog(Handle());
    DM->ApplyViewStyle(Settings.ViewStyle);
    FitListColumns();
}

void TUnInstallForm::AboutBtnClick() {
    TAboutForm about;
    about.ShowModal(Handle());
}

void TUnInstallForm::ViewBtnClick() {
    RECT window, button;
    GetWindowRect(Handle(), &window);
    GetWindowRect(Item(IDC_MAIN_VIEWBTN), &button);
    const int x = window.left + (button.left - window.left);
    const int y = window.top + (button.bottom - button.top) + 54;
    TrackPopupMenu(DM->ViewPopupMenu(), TPM_LEFTALIGN, x, y, 0, Handle(), nullptr);
}

void TUnInstallForm::abHelpLinkClick(HWND label) {
    const std::string text = WindowText(label);
    // OpenURL itself hands only web and mail addresses to the browser.
    if (text != kNotAvailable && !text.empty())
        OpenURL(0, text);
}

// Enter on a selected row does what a double click does; Esc names no command here, and the
// main window's close would end the program.
int TUnInstallForm::DefaultButton() const {
    return SelectedRow() >= 0 ? IDC_MAIN_UNINSTALLBTN : 0;
}

bool TUnInstallForm::OnCommand(int id, int code) {
    if (code == BN_CLICKED && id == IDC_MAIN_SHOWWINUPDATE) {
        cbShowWinUpdateClick();
        return true;
    }
    if (code == BN_CLICKED && (id == IDC_MAIN_SYSBIT64 || id == IDC_MAIN_SYSBIT32)) {
        id == IDC_MAIN_SYSBIT64 ? SysBit64Click() : SysBit32Click();
        return true;
    }
    if (id == IDC_VIEW_DETAILS || id == IDC_VIEW_ICONS || id == IDC_VIEW_LIST) {
        DM->ApplyViewStyle(id - IDC_VIEW_DETAILS);
        FitListColumns();
        return true;
    }
    if (code != STN_CLICKED)
        return TForm::OnCommand(id, code);
    switch (id) {
    case IDC_MAIN_MINBTN:
        ShowWindow(Handle(), SW_MINIMIZE);
        return true;
    case IDC_MAIN_CLOSEBTN:
        Close();
        return true;
    case IDC_MAIN_UNINSTALLBTN:
    case IDC_MAIN_UNINSTALLEXBTN:
        UninstallBtnClick();
        return true;
    case IDC_MAIN_FORCEUNINSTALLBTN:
        ForceUninstallBtnClick();
        return true;
    case IDC_MAIN_SPECIALBTN:
        SpecialBtnClick();
        return true;
    case IDC_MAIN_STARTUPBTN:
        StartupBtnClick();
        return true;
    case IDC_MAIN_DELETEBTN:
        DeleteBtnClick();
        return true;
    case IDC_MAIN_REFRESHBTN:
        RefreshBtnClick();
        return true;
    case IDC_MAIN_DETAILBTN:
        DetailBtnClick();
        return true;
    case IDC_MAIN_VIEWBTN:
        ViewBtnClick();
        return true;
    case IDC_MAIN_UPDATEBTN:
        UpdateBtnClick();
        return true;
    case IDC_MAIN_HELPBTN:
        HelpBtnClick();
        return true;
    case IDC_MAIN_OPTIONSBTN:
        OptionsBtnClick();
        return true;
    case IDC_MAIN_ABOUTBTN:
        AboutBtnClick();
        return true;
    }
    if (IsFactLink(id)) {
        abHelpLinkClick(Item(id));
        return true;
    }
    return TForm::OnCommand(id, code);
}

bool TUnInstallForm::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_MAIN_PICAPPLICATIONICON)
            return false;
        DrawPicture(*item);
        result = TRUE;
        return true;
    }
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_MAIN_LIST)
        return false;
    if (header->code == LVN_COLUMNCLICK) {
        dddColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
    } else if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) &&
            ((change->uOldState ^ change->uNewState) & LVIS_SELECTED))
            dddSelectItem(change->iItem, (change->uNewState & LVIS_SELECTED) != 0);
    } else if (header->code == NM_DBLCLK) {
        if (SelectedRow() >= 0)
            UninstallBtnClick();
    } else {
        return false;
    }
    result = 0;
    return true;
}

HBRUSH TUnInstallForm::OnLabelColour(HDC dc, HWND label) {
    const int id = GetDlgCtrlID(label);
    if (id == IDC_MAIN_TITLE)
        SetTextColor(dc, RGB(255, 255, 255));
    else if (label == hotLabel_ && IsFactLink(id))
        SetTextColor(dc, kLinkBlue);
    else
        SetTextColor(dc, RGB(0, 0, 0));
    return TForm::OnLabelColour(dc, label);
}

// Links and menu labels light up under the pointer; a link without an address does not.
void TUnInstallForm::HoverLabel(HWND label, bool inside) {
    const int id = GetDlgCtrlID(label);
    if (IsFactLink(id) && WindowText(label) == kNotAvailable)
        return;
    if (inside == (hotLabel_ == label))
        return;
    hotLabel_ = inside ? label : nullptr;
    HFONT font = inside ? static_cast<HFONT>(underlineFont_.get())
                        : reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetLabelText(label, WindowText(label));
}

int RunMainWindow(const std::string& startFile, const std::string& startFolder) {
    TUnInstallForm form;
    form.StartFile = startFile;
    form.StartFolder = startFolder;
    if (!form.Create(nullptr))
        return 1;
    form.Show(SW_SHOW);
    MSG message;
    // The wide forms: the ANSI ones hand a typed character the code page lacks to the box as
    // "?" or a look-alike letter.
    while (form.Handle() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(form.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}

} // namespace ku
