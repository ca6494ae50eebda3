// The options dialog: binds the pages' controls to the option, backup and repair logic.
#include "core/ui/OptionUnit.h"

#include <commctrl.h>

#include <array>

#include "core/Dialogs.h"
#include "core/PublicFunctionUnit.h"
#include "core/RegistryBackups.h"
#include "core/StrUtil.h"
#include "core/ui/ShowLiveUpdateForm.h"
#include "resource.h"

namespace ku {

TFormOptions* FormOptions = nullptr;

namespace {

const char* const kRestoreCaption = "Restore Registry";
const char* const kRestartCaption = "Please restart system!";

const char* const kPageNames[] = {"General Settings", "Restore Registry", "Restore System"};

// The controls of each page, in page order.
const std::vector<int> kPageControls[] = {
    {IDC_OPT_LABELVER, IDC_OPT_CBCHECKUPDATE, IDC_OPT_CHECKUPDATEBTN, IDC_OPT_VIEWSTYLEGROUP,
     IDC_OPT_DETAILSCHECKBOX, IDC_OPT_ICONSCHECKBOX, IDC_OPT_LISTCHECKBOX, IDC_OPT_UACRADIOGROUP,
     IDC_OPT_UACDISABLE, IDC_OPT_UACENABLE, IDC_OPT_RIGHTCHECK},
    {IDC_OPT_LABEL1, IDC_OPT_REGFILELISTVIEW, IDC_OPT_TIMELABELA, IDC_OPT_TIMELABEL,
     IDC_OPT_RESTOREREGISTRYBTN},
    {IDC_OPT_CHECKBOX1, IDC_OPT_CHECKBOX2, IDC_OPT_CHECKBOX3, IDC_OPT_CHECKBOX4, IDC_OPT_CHECKBOX5,
     IDC_OPT_CHECKBOX6}};

const int kViewStyleIds[] = {IDC_OPT_DETAILSCHECKBOX, IDC_OPT_ICONSCHECKBOX,
                             IDC_OPT_LISTCHECKBOX};
const int kRepairIds[kRepairSetCount] = {IDC_OPT_CHECKBOX1, IDC_OPT_CHECKBOX2, IDC_OPT_CHECKBOX3,
                                         IDC_OPT_CHECKBOX4, IDC_OPT_CHECKBOX5, IDC_OPT_CHECKBOX6};

std::string RunningExecutable() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return (length > 0 && length < MAX_PATH) ? std::string(path, length) : std::string();
}

// Lets the window messages through that arrived meanwhile.
void PumpPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the loop that owns it
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string RestoreFailureText(RestoreResult result, const std::string& file) {
    switch (result) {
    case RestoreResult::NotAnExport:
        return "The file is not a registry backup:\r" + file;
    case RestoreResult::NotStarted:
        return "Regedit could not be started; the registry was not restored.";
    default:
        return "The registry could not be restored from:\r" + file;
    }
}

} // namespace

TFormOptions::TFormOptions() : TForm(IDD_FORMOPTIONS) {
    Places.exePath = RunningExecutable();
}

void TFormOptions::FormCreate() {
    HWND tabs = Item(IDC_OPT_MAINPAGECONTROL);
    for (int page = 0; page < 3; ++page) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kPageNames[page]);
        SendMessageA(tabs, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
    }
    for (int index = 0; index < kRepairSetCount; ++index)
        SetWindowTextA(Item(kRepairIds[index]), RepairSetCaption(index));
    HWND list = Item(IDC_OPT_REGFILELISTVIEW);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 240;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    Check(IDC_OPT_RIGHTCHECK, IsContextMenuRegistered());
    MainPageControlChange(GeneralPage);
}

void TFormOptions::FormShow() {
    LoadOptions();
    LoadUacState();
    LoadBackupList();
}

void TFormOptions::LoadOptions() {
    const TOptionValues values = LoadOptionValues(Places.settingsKey);
    Check(IDC_OPT_CBCHECKUPDATE, values.CheckUpdate);
    for (int style = 0; style < 3; ++style)
        Check(kViewStyleIds[style], values.ViewStyle == style);
    SetWindowTextA(Item(IDC_OPT_LABELVER),
                   VersionLabelText(values.Version, Places.exePath).c_str());
}

void TFormOptions::LoadUacState() {
    const int enableLua = ReadEnableLua(Places.policiesKey);
    Check(IDC_OPT_UACDISABLE, enableLua == 0);
    Check(IDC_OPT_UACENABLE, enableLua == 1);
    for (int id : {IDC_OPT_UACRADIOGROUP, IDC_OPT_UACDISABLE, IDC_OPT_UACENABLE})
        EnableWindow(Item(id), enableLua >= 0);
}

void TFormOptions::LoadBackupList() {
    HWND list = Item(IDC_OPT_REGFILELISTVIEW);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    ShowTime(std::string());
    int row = 0;
    for (const std::string& name : ListRegistryBackups(BackupFolder(), PumpPendingMessages)) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row++;
        item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void TFormOptions::MainPageControlChange(int page) {
    if (page < GeneralPage || page > RestoreSystemPage)
        return;
    page_ = page;
    SendMessageA(Item(IDC_OPT_MAINPAGECONTROL), TCM_SETCURSEL, page, 0);
    for (int each = 0; each < 3; ++each) {
        for (int id : kPageControls[each]) {
            bool shown = each == page;
            if (id == IDC_OPT_RIGHTCHECK)
                shown = false; // only records whether the extension is registered
            else if (id == IDC_OPT_TIMELABELA || id == IDC_OPT_TIMELABEL)
                shown = shown && timeShown_;
            ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
        }
    }
    ShowWindow(Item(IDOK), page == RestoreRegistryPage ? SW_HIDE : SW_SHOW);
}

int TFormOptions::ActivePage() const {
    return page_;
}

void TFormOptions::CheckUpdateBtnClick() {
    CheckForUpdate(true);
}

std::string TFormOptions::BackupFolder() const {
    return FullBackupFolder(ExtractFilePath(Places.exePath));
}

std::string TFormOptions::BackupName(int index) const {
    char name[MAX_PATH] = {};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = name;
    item.cchTextMax = MAX_PATH;
    SendMessageA(Item(IDC_OPT_REGFILELISTVIEW), LVM_GETITEMTEXTA, index,
                 reinterpret_cast<LPARAM>(&item));
    return name;
}

int TFormOptions::SelectedBackup() const {
    return static_cast<int>(
        SendMessageA(Item(IDC_OPT_REGFILELISTVIEW), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

bool TFormOptions::SelectBackup(int index) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = index >= 0 ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    return SendMessageA(Item(IDC_OPT_REGFILELISTVIEW), LVM_SETITEMSTATE, index,
                        reinterpret_cast<LPARAM>(&item)) != FALSE;
}

void TFormOptions::ShowTime(const std::string& text) {
    timeShown_ = !text.empty();
    SetWindowTextA(Item(IDC_OPT_TIMELABEL), text.c_str());
    const int show = timeShown_ && page_ == RestoreRegistryPage ? SW_SHOW : SW_HIDE;
    ShowWindow(Item(IDC_OPT_TIMELABELA), show);
    ShowWindow(Item(IDC_OPT_TIMELABEL), show);
}

void TFormOptions::RegFileListViewSelectItem(int index, bool selected) {
    // A name too short to hold a time shows none.
    ShowTime(selected ? BackupTimeText(BackupName(index)) : std::string());
}

void TFormOptions::RestoreRegistryBtnClick() {
    const int selected = SelectedBackup();
    if (selected < 0) {
        ShowMessageBox(Handle(), "Please select the specific item for this operation!",
                       kRestoreCaption, MB_OK);
        return;
    }
    if (ShowMessageBox(Handle(), "Would you like to restore the registry now?", kRestoreCaption,
                       MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    const std::string file = BackupFolder() + "\\" + BackupName(selected);
    // The import may take minutes: the dialog stays painted but takes no clicks meanwhile.
    EnableWindow(Handle(), FALSE);
    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const RestoreResult result = RestoreRegistryBackup(file, PumpPendingMessages);
    SetCursor(cursor);
    EnableWindow(Handle(), TRUE);
    if (result == RestoreResult::Restored)
        ShowMessageBox(Handle(), "The registry was restored successfully!", kRestoreCaption,
                       MB_OK);
    else
        ShowMessageBox(Handle(), RestoreFailureText(result, file), kRestoreCaption,
                       MB_OK | MB_ICONERROR);
}

void TFormOptions::ApplyGeneralPage() {
    int viewStyle = -1; // unchanged when no style is selected
    for (int style = 0; style < 3; ++style)
        if (Checked(kViewStyleIds[style]))
            viewStyle = style;
    SaveOptionValues(Checked(IDC_OPT_CBCHECKUPDATE), viewStyle, Places.settingsKey);
    ApplyContextMenu(Checked(IDC_OPT_RIGHTCHECK), ShortProgramFolder(Places.exePath));
    WriteEnableLua(!Checked(IDC_OPT_UACDISABLE), Places.policiesKey);
}

std::string TFormOptions::ApplyRestoreSystemPage() {
    std::array<bool, kRepairSetCount> ticked{};
    for (int index = 0; index < kRepairSetCount; ++index)
        ticked[index] = Checked(kRepairIds[index]);
    return RunRepairSets(ticked, GetSystemDir(), GetWindowsDir(), RepairPause);
}

void TFormOptions::BitBtn1Click() {
    std::string result;
    if (page_ == GeneralPage)
        ApplyGeneralPage();
    else if (page_ == RestoreSystemPage)
        result = ApplyRestoreSystemPage();
    if (!Trim(result).empty())
        ShowMessageBox(Handle(), result, kRestartCaption, MB_OK);
    Close(IDOK);
}

void TFormOptions::BtnCancelClick() {
    Close(IDCANCEL);
}

bool TFormOptions::Checked(int id) const {
    return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TFormOptions::Check(int id, bool on) {
    SendMessageA(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TFormOptions::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDOK: BitBtn1Click(); return true;
    case IDCANCEL: BtnCancelClick(); return true;
    case IDC_OPT_CHECKUPDATEBTN: CheckUpdateBtnClick(); return true;
    case IDC_OPT_RESTOREREGISTRYBTN: RestoreRegistryBtnClick(); return true;
    }
    return false;
}

bool TFormOptions::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR&) {
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_OPT_MAINPAGECONTROL && header->code == TCN_SELCHANGE) {
        MainPageControlChange(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    if (header->idFrom == IDC_OPT_REGFILELISTVIEW && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        const bool was = change->uOldState & LVIS_SELECTED, now = change->uNewState & LVIS_SELECTED;
        if ((change->uChanged & LVIF_STATE) && was != now && change->iItem >= 0)
            RegFileListViewSelectItem(change->iItem, now);
        return true;
    }
    return false;
}

INT_PTR ShowOptionsDialog(HWND owner) {
    TFormOptions form;
    FormOptions = &form;
    INT_PTR result = form.ShowModal(owner);
    FormOptions = nullptr;
    return result;
}

} // namespace ku
