// The options dialog: binds the pages' controls to the option, backup and repair logic.
#include "core/ui/options/OptionUnit.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "core/settings/RegistryBackups.h"
#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
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

const int kViewStyleIds[] = {IDC_OPT_DETAILSCHECKBOX, IDC_OPT_ICONSCHECKBOX, IDC_OPT_LISTCHECKBOX};
const int kRepairIds[kRepairSetCount] = {IDC_OPT_CHECKBOX1, IDC_OPT_CHECKBOX2, IDC_OPT_CHECKBOX3,
                                         IDC_OPT_CHECKBOX4, IDC_OPT_CHECKBOX5, IDC_OPT_CHECKBOX6};

std::string RunningExecutable() {
    std::string path;
    return ExactModulePath(nullptr, path) == ERROR_SUCCESS ? path : std::string();
}

// Lets the window messages through that arrived meanwhile.
void PumpPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the loop that owns it
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
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

TPageControl TFormOptions::MainPageControl() const {
    return TPageControl(Item(IDC_OPT_MAINPAGECONTROL));
}
TLabel TFormOptions::LabelVer() const {
    return TLabel(Item(IDC_OPT_LABELVER));
}
TCheckBox TFormOptions::cbCheckUpdate() const {
    return TCheckBox(Item(IDC_OPT_CBCHECKUPDATE));
}
TCheckBox TFormOptions::ViewStyleButton(int style) const {
    return TCheckBox(style >= 0 && style < 3 ? Item(kViewStyleIds[style]) : nullptr);
}
TCheckBox TFormOptions::UACItem(int item) const {
    return TCheckBox(Item(item == 0 ? IDC_OPT_UACDISABLE : IDC_OPT_UACENABLE));
}
TCheckBox TFormOptions::Rightcheck() const {
    return TCheckBox(Item(IDC_OPT_RIGHTCHECK));
}
TNameListView TFormOptions::RegFileListView() const {
    return TNameListView(Item(IDC_OPT_REGFILELISTVIEW));
}
TLabel TFormOptions::TimeLabel() const {
    return TLabel(Item(IDC_OPT_TIMELABEL));
}
TCheckBox TFormOptions::RepairCheckBox(int index) const {
    return TCheckBox(index >= 0 && index < kRepairSetCount ? Item(kRepairIds[index]) : nullptr);
}

void TFormOptions::FormCreate() {
    for (const char* name : kPageNames)
        MainPageControl().AddPage(name);
    for (int index = 0; index < kRepairSetCount; ++index)
        RepairCheckBox(index).SetText(RepairSetCaption(index));
    RegFileListView().AddColumn(240);
    Rightcheck().SetChecked(IsContextMenuRegistered());
    MainPageControlChange(GeneralPage);
}

void TFormOptions::FormShow() {
    LoadOptions();
    LoadUacState();
    LoadBackupList();
}

void TFormOptions::LoadOptions() {
    const TOptionValues values = LoadOptionValues(Places.settingsKey);
    cbCheckUpdate().SetChecked(values.CheckUpdate);
    for (int style = 0; style < 3; ++style)
        ViewStyleButton(style).SetChecked(values.ViewStyle == style);
    LabelVer().SetText(VersionLabelText(values.Version, Places.exePath));
}

void TFormOptions::LoadUacState() {
    const int enableLua = ReadEnableLua(Places.policiesKey);
    for (int item = 0; item < 2; ++item) {
        UACItem(item).SetChecked(enableLua == item);
        UACItem(item).SetEnabled(enableLua >= 0);
    }
    TControl(Item(IDC_OPT_UACRADIOGROUP)).SetEnabled(enableLua >= 0);
}

void TFormOptions::LoadBackupList() {
    RegFileListView().Clear();
    ShowTime(std::string());
    for (const std::string& name : ListRegistryBackups(BackupFolder(), PumpPendingMessages))
        RegFileListView().Add(name);
}

void TFormOptions::MainPageControlChange(int page) {
    if (page < GeneralPage || page > RestoreSystemPage)
        return;
    page_ = page;
    MainPageControl().SetActivePage(page);
    for (int each = 0; each < 3; ++each) {
        for (int id : kPageControls[each]) {
            bool shown = each == page;
            if (id == IDC_OPT_RIGHTCHECK)
                shown = false; // only records whether the extension is registered
            else if (id == IDC_OPT_TIMELABELA || id == IDC_OPT_TIMELABEL)
                shown = shown && timeShown_;
            TControl(Item(id)).SetVisible(shown);
        }
    }
    TControl(Item(IDOK)).SetVisible(page != RestoreRegistryPage);
}

void TFormOptions::CheckUpdateBtnClick() {
    CheckForUpdate(true, Handle());
}

std::string TFormOptions::BackupFolder() const {
    return FullBackupFolder(ExtractFilePath(Places.exePath));
}

void TFormOptions::ShowTime(const std::string& text) {
    timeShown_ = !text.empty();
    TimeLabel().SetText(text);
    const bool shown = timeShown_ && page_ == RestoreRegistryPage;
    TControl(Item(IDC_OPT_TIMELABELA)).SetVisible(shown);
    TimeLabel().SetVisible(shown);
}

void TFormOptions::RegFileListViewSelectItem(int index, bool selected) {
    // A name too short to hold a time shows none.
    ShowTime(selected ? BackupTimeText(RegFileListView().Name(index)) : std::string());
}

void TFormOptions::RestoreRegistryBtnClick() {
    const int selected = RegFileListView().Selected();
    if (selected < 0) {
        ShowMessageBox(Handle(), "Please select the specific item for this operation!",
                       kRestoreCaption, MB_OK);
        return;
    }
    if (ShowMessageBox(Handle(), "Would you like to restore the registry now?", kRestoreCaption,
                       MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    const std::string file = BackupFolder() + "\\" + RegFileListView().Name(selected);
    // The import may take minutes: the dialog stays painted but takes no clicks meanwhile.
    EnableWindow(Handle(), FALSE);
    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const RestoreResult result = RestoreRegistryBackup(file, PumpPendingMessages);
    SetCursor(cursor);
    EnableWindow(Handle(), TRUE);
    if (result == RestoreResult::Restored)
        ShowMessageBox(Handle(), "The registry was restored successfully!", kRestoreCaption, MB_OK);
    else
        ShowMessageBox(Handle(), RestoreFailureText(result, file), kRestoreCaption,
                       MB_OK | MB_ICONERROR);
}

void TFormOptions::ApplyGeneralPage() {
    int viewStyle = -1; // unchanged when no style is selected
    for (int style = 0; style < 3; ++style)
        if (ViewStyleButton(style).Checked())
            viewStyle = style;
    SaveOptionValues(cbCheckUpdate().Checked(), viewStyle, Places.settingsKey);
    ApplyContextMenu(Rightcheck().Checked(), ShortProgramFolder(Places.exePath));
    WriteEnableLua(!UACItem(0).Checked(), Places.policiesKey);
}

std::string TFormOptions::ApplyRestoreSystemPage() {
    std::array<bool, kRepairSetCount> ticked{};
    for (int index = 0; index < kRepairSetCount; ++index)
        ticked[index] = RepairCheckBox(index).Checked();
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

bool TFormOptions::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDOK:
        BitBtn1Click();
        return true;
    case IDCANCEL:
        BtnCancelClick();
        return true;
    case IDC_OPT_CHECKUPDATEBTN:
        CheckUpdateBtnClick();
        return true;
    case IDC_OPT_RESTOREREGISTRYBTN:
        RestoreRegistryBtnClick();
        return true;
    }
    return false;
}

bool TFormOptions::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR&) {
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_OPT_MAINPAGECONTROL && header->code == TCN_SELCHANGE) {
        MainPageControlChange(MainPageControl().ActivePage());
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
