// The main window's list view and facts panel, filled from ProgramList (row i is item i).
#include "core/ui/main/MainUnit.h"

#include <commctrl.h>

#include <algorithm>

#include "MainUnitIds.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "core/ui/Dpi.h"
#include "core/ui/TextFit.h"
#include "core/ui/main/DetailForm.h"

namespace ku {

using UninstallItemUnit::TContent;

namespace {

using UniqueIcon = UniqueAny<Traits<HICON, decltype(&::DestroyIcon), &::DestroyIcon>>;

void InsertRow(HWND list, int row, const std::string& caption, int image) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<char*>(caption.c_str());
    item.iImage = image;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListCell(const std::string& text) {
    return text == kNotAvailable ? "" : text;
}

// The names the rows stand for (row i is item i): a row's caption may carry the note that the
// entry holds characters the code page lacks, and an Installer product of the same name is
// that program all the same.
std::vector<std::string> RowNames(const TUninstallContents& records) {
    std::vector<std::string> names;
    for (int row = 0; row < records.Count(); ++row)
        names.push_back(records.GetItem(row).Content.DisplayName);
    return names;
}

} // namespace

void TUnInstallForm::FillProgramListView() {
    HWND list = ListView();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    icons_->Clear();
    ListView_DeleteAllItems(list);
    ListView_SetItemCount(list, list_->Count());
    for (int row = 0; row < list_->Count(); ++row) {
        const TContent& c = list_->GetItem(row).Content;
        const std::string& source = Trim(c.IconSource).empty() ? c.UninstallString : c.IconSource;
        InsertRow(list, row, UninstallItemUnit::RowCaption(c), icons_->GetProgramIconIndex(source));
        SetCell(list, row, 1,
                c.InstallDate == kNotAvailable ? "" : FormatInstallDate(c.InstallDate));
        SetCell(list, row, 2, ListCell(c.Publisher));
    }
    if (IsDlgButtonChecked(Handle(), IDC_MAIN_SHOWWINUPDATE) == BST_CHECKED) {
        std::vector<std::string> captions = RowNames(*list_);
        const std::string msiexec = GetSystemDir() + "\\msiexec.exe";
        for (int index : AddInstallerProducts(*list_, captions, Places))
            InsertRow(list, index, UninstallItemUnit::RowCaption(list_->GetItem(index).Content),
                      icons_->GetProgramIconIndex(msiexec));
    }
    FitListColumns();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    ShowInstructions();
}

// The date and publisher columns show their texts whole where the name column can spare it.
// Only the details view has these columns; the other views are fitted when they switch to it.
void TUnInstallForm::FitListColumns() {
    const HWND list = ListView();
    if ((GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT)
        return;
    const auto widest = [list](int column, const char* title) {
        const int margin = 16; // the cell's own margins on both sides
        int width = ListView_GetStringWidth(list, title);
        char text[1024];
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            text[0] = '\0';
            // exact-text: reads back a text the program put in itself
            ListView_GetItemText(list, row, column, text, sizeof(text));
            width = std::max(width, ListView_GetStringWidth(list, text));
        }
        return width + margin;
    };
    RECT client;
    GetClientRect(list, &client);
    const ListColumnWidths widths =
        FitListColumnWidths(client.right, widest(1, "Install Date"), widest(2, "Publisher"));
    ListView_SetColumnWidth(list, 1, widths.date);
    ListView_SetColumnWidth(list, 2, widths.publisher);
    ListView_SetColumnWidth(list, 0, widths.name);
}

int TUnInstallForm::SelectedRow() const {
    return ListView_GetNextItem(ListView(), -1, LVNI_SELECTED);
}

void TUnInstallForm::SelectRow(int row) {
    ListView_SetItemState(ListView(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0)
        ListView_SetItemState(ListView(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
}

void TUnInstallForm::dddSelectItem(int row, bool selected) {
    if (selected && row >= 0 && row < list_->Count())
        ShowFacts(row);
    else if (SelectedRow() < 0)
        ShowInstructions();
}

void TUnInstallForm::ShowFacts(int row) {
    const TContent& c = list_->GetItem(row).Content;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    // exact-text: its number, picture or data only, no text
    SendMessageA(ListView(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    pictureIndex_ = item.iImage;
    InvalidateRect(Item(IDC_MAIN_PICAPPLICATIONICON), nullptr, TRUE);
    char caption[1024] = {};
    // exact-text: reads back a text the program put in itself
    ListView_GetItemText(ListView(), row, 0, caption, sizeof(caption));
    HWND name = Item(IDC_MAIN_ABPROGRAMNAME);
    SendMessageA(name, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont8_.get()), FALSE);
    // A long name wraps; one that would pass the label's last line ends with an ellipsis.
    SetFittedLabelText(name, caption);
    for (int i = 0; i < 12; ++i)
        ShowWindow(Item(IDC_MAIN_ABINSTRUCT1 + i), SW_HIDE);
    const std::string facts[7] = {c.DisplayVersion,  FormatInstallDate(c.InstallDate),
                                  c.InstallLocation, c.HelpLink,
                                  c.Publisher,       c.URLInfoAbout,
                                  c.URLUpdateInfo};
    for (int i = 0; i < 7; ++i) {
        ShowWindow(Item(IDC_MAIN_CAVERSION + i), SW_SHOW);
        ShowWindow(Item(IDC_MAIN_ABVERSION + i), SW_SHOW);
        SetLabelText(Item(IDC_MAIN_ABVERSION + i), facts[i]);
    }
}

void TUnInstallForm::ShowInstructions() {
    pictureIndex_ = -1;
    InvalidateRect(Item(IDC_MAIN_PICAPPLICATIONICON), nullptr, TRUE);
    HWND name = Item(IDC_MAIN_ABPROGRAMNAME);
    SendMessageA(name, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont10_.get()), FALSE);
    SetLabelText(name, "Instruction");
    for (int i = 0; i < 12; ++i)
        ShowWindow(Item(IDC_MAIN_ABINSTRUCT1 + i), SW_SHOW);
    for (int i = 0; i < 7; ++i) {
        ShowWindow(Item(IDC_MAIN_CAVERSION + i), SW_HIDE);
        SetLabelText(Item(IDC_MAIN_ABVERSION + i), "");
        ShowWindow(Item(IDC_MAIN_ABVERSION + i), SW_HIDE);
    }
}

void TUnInstallForm::DrawPicture(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // Centred in the box and grown with it to the screen's pixels per inch, as the image
    // buttons' pictures are.
    const HIMAGELIST pictures =
        pictureIndex_ >= 0 ? DM->AppIconListEx.get() : DM->ViewImageList.get();
    int width = 0, height = 0;
    ImageList_GetIconSize(pictures, &width, &height);
    width = Scaled(width);
    height = Scaled(height);
    const UniqueIcon picture(
        ImageList_GetIcon(pictures, pictureIndex_ >= 0 ? pictureIndex_ : 0, ILD_NORMAL));
    if (picture)
        DrawIconEx(item.hDC, (item.rcItem.left + item.rcItem.right - width) / 2,
                   (item.rcItem.top + item.rcItem.bottom - height) / 2, picture.get(), width,
                   height, 0, nullptr, DI_NORMAL);
}

void TUnInstallForm::DetailBtnClick() {
    if (SelectedRow() < 0) {
        ShowMessageBox(Handle(), "Please select an item from the application list on the left.",
                       kAppCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const int row = SelectedRow();
    const TContent& c = list_->GetItem(row).Content;
    TDetailForm details;
    char caption[1024] = {};
    // exact-text: reads back a text the program put in itself
    ListView_GetItemText(ListView(), row, 0, caption, sizeof(caption));
    details.ProgramName = caption;
    details.Version = c.DisplayVersion;
    details.InstallDate = FormatInstallDate(c.InstallDate);
    details.InstallLocation = c.InstallLocation;
    details.HelpLink = c.HelpLink;
    details.Publisher = c.Publisher;
    details.HomePage = c.URLInfoAbout;
    details.UpdateLink = c.URLUpdateInfo;
    HICON icon =
        pictureIndex_ >= 0 ? ImageList_GetIcon(DM->AppIconListEx.get(), pictureIndex_, 0) : nullptr;
    details.ApplicationIcon = icon;
    details.ShowModal(Handle());
    if (icon)
        DestroyIcon(icon);
}

} // namespace ku
