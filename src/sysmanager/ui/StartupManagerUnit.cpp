// The startup manager page: binds its two lists and four buttons to the startup entries.
#include "sysmanager/ui/StartupManagerUnit.h"

#include "StartupManagerFormIds.h"
#include "core/system/Dialogs.h"
#include "core/ui/Dpi.h"
#include "core/ui/Pictures.h"
#include "core/ui/wizard/WizardBridge.h"
#include "sysmanager/ui/PageWindow.h"

namespace ku {

TStartupManagerForm* StartupManagerForm = nullptr;

namespace {

const int kBorder = 8; // Panel1's border
const int kButtonWidth = 97;
const int kButtonHeight = 25;
const int kButtonGap = 6;
const int kNameWidth = 150;
const int kPathWidth = 220;
const int kStatusWidth = 60;
const int kDetailRows = 7;

const char* const kRemoveQuestion =
    "Are you sure to remove this item from the Startup List?\rYou could view or recovery this "
    "item from the Restore List.";

// The image buttons and the pictures they show, by their names.
const struct {
    int id;
    const char* name;
} kButtons[] = {{IDC_STARTUP_OPENPATHBTN, "OpenPathBtn"},
                {IDC_STARTUP_DELETEITEMBTN, "DeleteItemBtn"},
                {IDC_STARTUP_BTREMOVE, "BtRemove"},
                {IDC_STARTUP_RESTOREBTN, "RestoreBtn"}};

// The detail rows of a version record, in the order they are shown.
std::vector<std::pair<const char*, std::string>> DetailRows(const TFilInfoeRecord& record) {
    return {{"Type", record.EntryType},           {"Postion", record.Position},
            {"Product Name", record.ProductName}, {"Publish Name", record.PublisherName},
            {"Version", record.Version},          {"Description", record.Description},
            {"File Path", record.FilePath}};
}

} // namespace

TStartupManagerForm::TStartupManagerForm(StartupPlaces places)
    : TForm(IDD_STARTUPMANAGERFORM), manager_(std::move(places)) {}

TStartupManagerForm::~TStartupManagerForm() {
    // The lists share the image list: the window goes first, then the pictures.
    if (Handle())
        DestroyWindow(Handle());
    if (statImageList_)
        ImageList_Destroy(statImageList_);
}

TPageControl TStartupManagerForm::PageCIndex() const {
    return TPageControl(Item(IDC_STARTUP_PAGECINDEX));
}
TReportListView TStartupManagerForm::StartupListView() const {
    return TReportListView(Item(IDC_STARTUP_STARTUPLISTVIEW));
}
TReportListView TStartupManagerForm::ListRestore() const {
    return TReportListView(Item(IDC_STARTUP_LISTRESTORE));
}
TImageEx TStartupManagerForm::OpenPathBtn() const {
    return TImageEx(Item(IDC_STARTUP_OPENPATHBTN));
}
TImageEx TStartupManagerForm::DeleteItemBtn() const {
    return TImageEx(Item(IDC_STARTUP_DELETEITEMBTN));
}
TImageEx TStartupManagerForm::BtRemove() const {
    return TImageEx(Item(IDC_STARTUP_BTREMOVE));
}
TImageEx TStartupManagerForm::RestoreBtn() const {
    return TImageEx(Item(IDC_STARTUP_RESTOREBTN));
}

void TStartupManagerForm::FormCreate() {
    SetWindowTextA(Handle(), "Startup Manager");
    SetBackgroundColour(RGB(255, 255, 255));
    PageCIndex().AddPage("Startup List");
    PageCIndex().AddPage("Restore List");

    const DWORD grid = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    StartupListView().SetExtendedStyle(grid);
    ListRestore().SetExtendedStyle(grid | LVS_EX_CHECKBOXES);
    StartupListView().AddColumn("Name", Scaled(kNameWidth));
    StartupListView().AddColumn("Path", Scaled(kPathWidth));
    StartupListView().AddColumn("Status", Scaled(kStatusWidth), LVCFMT_CENTER);
    ListRestore().AddColumn("", Scaled(30));
    ListRestore().AddColumn("Name", Scaled(200));
    ListRestore().AddColumn("Info", Scaled(250));

    statImageList_ = ImageList_Create(16, 16, ILC_COLOR32, 4, 0);
    UniqueGdiObject strip = LoadJpegBitmap("StartupStatImages");
    if (statImageList_ && strip)
        ImageList_Add(statImageList_, static_cast<HBITMAP>(strip.get()), nullptr);
    StartupListView().SetImageList(statImageList_, LVSIL_SMALL);
    StartupListView().SetImageList(statImageList_, LVSIL_STATE);

    for (const auto& button : kButtons) {
        const std::string name = button.name;
        TImageEx image(Item(button.id));
        LoadJpegResource(image, name + "1", "JPG");
        // OpenPathBtnMouseEnter / OpenPathBtnMouseLeave, shared by the four buttons.
        image.SetOnMouseEnter([name](TImageEx sender) {
            if (IsWindowEnabled(sender.Handle()))
                LoadJpegResource(sender, name + "2", "JPG");
        });
        image.SetOnMouseLeave([name](TImageEx sender) {
            if (IsWindowEnabled(sender.Handle()))
                LoadJpegResource(sender, name + "1", "JPG");
        });
    }

    manager_.Pump = [] { WindowScanProgress::PumpMessages(); };
    manager_.Start();
    FitToParent();
    PageCIndex().SetActivePage(StartupListPage);
}

void TStartupManagerForm::FormShow() {
    PageCIndex().SetActivePage(StartupListPage);
    page_ = StartupListPage;
    ListRestore().SetVisible(false);
    StartupListView().SetVisible(true);
    RefreshStartupList();
    SetButtons(true);
}

void TStartupManagerForm::FitToParent() {
    FillParent(Handle());
    PlaceControls();
}

void TStartupManagerForm::PlaceControls() {
    RECT client;
    GetClientRect(Handle(), &client);
    // Pixels at 96 pixels per inch, scaled to the screen's as the buttons' pictures are.
    const int border = Scaled(kBorder), buttonWidth = Scaled(kButtonWidth),
              buttonHeight = Scaled(kButtonHeight), buttonGap = Scaled(kButtonGap);
    const int buttonTop = client.bottom - border - buttonHeight;
    int left = client.right - border - 4 * buttonWidth - 3 * buttonGap;
    for (const auto& button : kButtons) {
        SetWindowPos(Item(button.id), nullptr, left, buttonTop, buttonWidth, buttonHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        left += buttonWidth + buttonGap;
    }
    RECT tabs = {border, border, client.right - border, buttonTop - border};
    SetWindowPos(PageCIndex().Handle(), nullptr, tabs.left, tabs.top, tabs.right - tabs.left,
                 tabs.bottom - tabs.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(PageCIndex().Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&tabs));
    for (HWND list : {StartupListView().Handle(), ListRestore().Handle()})
        SetWindowPos(list, HWND_TOP, tabs.left, tabs.top, tabs.right - tabs.left,
                     tabs.bottom - tabs.top, SWP_NOACTIVATE);
    FormResize();
}

void TStartupManagerForm::FormResize() {
    // "Path" and "Info" take what the other columns leave, so that the columns end at the
    // list's edge: no empty header after the last one and no horizontal scroll bar. Redone
    // whenever rows come or go, as the vertical scroll bar takes its share of the width.
    StartupListView().FillWidthWith(1);
    ListRestore().FillWidthWith(2);
}

void TStartupManagerForm::SetButtons(bool startupPage) {
    for (const auto& button : kButtons) {
        const bool enabled = (button.id == IDC_STARTUP_RESTOREBTN) != startupPage;
        EnableWindow(Item(button.id), enabled);
        // "3" is the button's picture while it is disabled.
        LoadJpegResource(TImageEx(Item(button.id)),
                         std::string(button.name) + (enabled ? "1" : "3"), "JPG");
    }
}

void TStartupManagerForm::PageCIndexChange(int page) {
    if (busy_)
        return;
    page_ = page == RestoreListPage ? RestoreListPage : StartupListPage;
    PageCIndex().SetActivePage(page_);
    StartupListView().SetVisible(page_ == StartupListPage);
    ListRestore().SetVisible(page_ == RestoreListPage);
    if (page_ == RestoreListPage)
        FillRestoreList();
    else
        RefreshStartupList();
    SetButtons(page_ == StartupListPage);
}

void TStartupManagerForm::RefreshStartupList() {
    if (busy_)
        return;
    FillStartupList();
}

void TStartupManagerForm::FillStartupList() {
    busy_ = true;
    TReportListView list = StartupListView();
    list.Clear();
    rows_ = manager_.LoadStartupList();
    for (size_t i = 0; i < rows_.size(); ++i) {
        StartupRow& row = rows_[i];
        // Details are offered only where there is a version record to show.
        if (row.StatePicture < 0 && row.InfoIndex >= 0)
            row.StatePicture = 2;
        const int at = list.Insert(list.Count(), row.Caption, row.ItemPicture, row.StatePicture,
                                   static_cast<LPARAM>(i));
        list.SetText(at, 1, row.Path);
        list.SetText(at, 2, row.Status);
    }
    busy_ = false;
    FormResize();
    ShowUnreadFiles();
}

void TStartupManagerForm::FillRestoreList() {
    TReportListView list = ListRestore();
    list.Clear();
    restoreRows_ = manager_.LoadRestoreList();
    for (size_t i = 0; i < restoreRows_.size(); ++i) {
        const int at = list.Insert(list.Count(), "", -1, 0, static_cast<LPARAM>(i));
        list.SetText(at, 1, restoreRows_[i].Name);
        list.SetText(at, 2, restoreRows_[i].Info);
    }
    FormResize();
    ShowUnreadFiles();
}

const StartupRow* TStartupManagerForm::RowOf(int listRow) const {
    const LPARAM data = StartupListView().Data(listRow);
    if (data < 0 || static_cast<size_t>(data) >= rows_.size())
        return nullptr;
    return &rows_[static_cast<size_t>(data)];
}

void TStartupManagerForm::SetMark(int listRow, bool marked) {
    const StartupRow* row = RowOf(listRow);
    if (!row)
        return;
    rows_[static_cast<size_t>(row - rows_.data())].ItemPicture = marked ? 1 : 0;
    StartupListView().SetPicture(listRow, marked ? 1 : 0);
}

void TStartupManagerForm::SetRestoreTick(int listRow, bool ticked) {
    ListRestore().SetChecked(listRow, ticked);
}

void TStartupManagerForm::ShowEntryDetails(bool expand, int listRow) {
    const StartupRow* row = RowOf(listRow);
    const TFilInfoeRecord* record = row ? manager_.FileInfo(*row) : nullptr;
    TReportListView list = StartupListView();
    if (!record || list.StatePicture(listRow) != (expand ? 2 : 3))
        return;
    list.SetStatePicture(listRow, expand ? 3 : 2);
    if (!expand) {
        for (int i = 0; i < kDetailRows && list.Data(listRow + 1) == kDetailRow; ++i)
            list.Delete(listRow + 1);
    } else {
        int at = listRow + 1;
        for (const auto& detail : DetailRows(*record)) {
            list.Insert(at, detail.first, -1, -1, kDetailRow);
            list.SetText(at++, 1, detail.second);
        }
    }
    FormResize();
}

void TStartupManagerForm::StartupListViewMouseDown(POINT point) {
    UINT flags = 0;
    const int listRow = StartupListView().HitTest(point, flags);
    if (listRow < 0 || !RowOf(listRow))
        return;
    if (flags & LVHT_ONITEMSTATEICON)
        ShowEntryDetails(StartupListView().StatePicture(listRow) == 2, listRow);
    else if (flags & LVHT_ONITEMICON)
        SetMark(listRow, StartupListView().Picture(listRow) != 1);
}

void TStartupManagerForm::StartupListViewDblClick() {
    const int listRow = StartupListView().Selected();
    if (listRow >= 0 && RowOf(listRow))
        ShowEntryDetails(StartupListView().StatePicture(listRow) == 2, listRow);
}

void TStartupManagerForm::ShowFailures(const ActionReport& report) {
    if (report.Failures.empty())
        return;
    std::string text = "These entries were not changed:\r\n";
    for (const std::string& failure : report.Failures)
        text += "\r\n" + failure;
    ShowMessageBox(Handle(), text, kAppCaption, MB_OK | MB_ICONWARNING);
}

void TStartupManagerForm::ShowUnreadFiles() {
    // Said only where the list is in sight: the hidden page is filled again when it opens.
    if (manager_.UnreadFiles.empty() || !IsWindowVisible(Handle()))
        return;
    std::string text = "This list is incomplete:\r\n";
    for (const std::string& path : manager_.UnreadFiles)
        text += "\r\n" + UnreadableBackupText(path);
    ShowMessageBox(Handle(), text, kAppCaption, MB_OK | MB_ICONWARNING);
}

void TStartupManagerForm::OpenPathBtnClick() {
    if (busy_)
        return;
    ShowFailures(manager_.Enable(rows_));
    RefreshStartupList();
}

void TStartupManagerForm::DeleteItemBtnClick() {
    if (busy_)
        return;
    ShowFailures(manager_.Disable(rows_));
    RefreshStartupList();
}

void TStartupManagerForm::BtRemoveClick() {
    if (busy_ || ShowMessageBox(Handle(), kRemoveQuestion, kAppCaption,
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    ShowFailures(manager_.Remove(rows_));
    RefreshStartupList();
}

void TStartupManagerForm::RestoreBtnClick() {
    if (busy_)
        return;
    for (size_t i = 0; i < restoreRows_.size(); ++i)
        restoreRows_[i].Checked = ListRestore().Checked(ListRestore().Find(static_cast<LPARAM>(i)));
    ShowFailures(manager_.Restore(restoreRows_));
    FillRestoreList();
}

bool TStartupManagerForm::OnCommand(int id, int code) {
    if (code != STN_CLICKED)
        return false;
    switch (id) {
    case IDC_STARTUP_OPENPATHBTN:
        OpenPathBtnClick();
        return true;
    case IDC_STARTUP_DELETEITEMBTN:
        DeleteItemBtnClick();
        return true;
    case IDC_STARTUP_BTREMOVE:
        BtRemoveClick();
        return true;
    case IDC_STARTUP_RESTOREBTN:
        RestoreBtnClick();
        return true;
    }
    return false;
}

bool TStartupManagerForm::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_STARTUP_PAGECINDEX && header.code == TCN_SELCHANGE) {
        PageCIndexChange(PageCIndex().ActivePage());
        return true;
    }
    if (header.idFrom != IDC_STARTUP_STARTUPLISTVIEW)
        return false;
    if (header.code == NM_CLICK) {
        StartupListViewMouseDown(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
        return true;
    }
    if (header.code == NM_DBLCLK) {
        StartupListViewDblClick();
        return true;
    }
    return false;
}

bool TStartupManagerForm::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR&) {
    if (message == WM_NOTIFY)
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    if (message == WM_SIZE && Handle())
        PlaceControls();
    return false;
}

} // namespace ku
