// The main window under the virtual display with the fixture programs installed: its rows,
// header clicks, the facts panel, the view buttons, Delete through the message-box seam and
// the buttons that open the other windows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "FixturePrograms.h"
#include "ListTestSupport.h"
#include "MainUnitIds.h"
#include "UiSupport.h"
#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/main/MainUnit.h"
#include "resource.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"

namespace {

std::string Cell(HWND list, int row, int column) {
    char text[1024] = {};
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
}

int RowOf(HWND list, const std::string& caption) {
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
        if (Cell(list, row, 0) == caption)
            return row;
    return -1;
}

// The colour at (x, y) of picture index of the image list, drawn over white.
COLORREF ImagePixel(HIMAGELIST images, int index, int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colour;
}

// A real click on a column header: the header tells the list view, which tells the window.
void ClickHeader(HWND list, int column) {
    HWND header = ListView_GetHeader(list);
    RECT rect;
    Header_GetItemRect(header, column, &rect);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    uitest::PumpMessages(50);
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string& problem = fixtures::EnsureInstalled();
        ASSERT_TRUE(problem.empty()) << problem;
        ku::Settings.ShowWindowsUpdate = false;
        ku::Settings.ViewStyle = 0;
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes.push_back(call);
            return answer;
        });
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(300);
        list = form.ListView();
    }
    void TearDown() override {
        ku::SetMessageBoxHook(nullptr);
        ku::RegistryView64 = false;
    }
    void ShowView32() {
        SendMessageA(form.Item(IDC_MAIN_SYSBIT32), BM_CLICK, 0, 0);
        uitest::PumpMessages(50);
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            captions.push_back(Cell(list, row, 0));
        return captions;
    }
    bool Visible(int id) { return IsWindowVisible(form.Item(id)) != FALSE; }

    kutest::RecordingWindows windows;
    std::vector<ku::MessageBoxCall> boxes;
    int answer = IDOK;
    ku::TUnInstallForm form;
    HWND list = nullptr;
};

TEST_F(MainWindow, EachViewButtonListsItsViewsPrograms) {
    if (kutest::RunningUnderWow64()) {
        EXPECT_TRUE(Visible(IDC_MAIN_SYSBIT64));
        EXPECT_EQ(IsDlgButtonChecked(form.Handle(), IDC_MAIN_SYSBIT64), BST_CHECKED);
        EXPECT_TRUE(ku::RegistryView64);
        EXPECT_GE(RowOf(list, "KU Fixture Only 64"), 0);
        EXPECT_LT(RowOf(list, "KU Fixture NSIS"), 0);
    }
    ShowView32();
    EXPECT_FALSE(ku::RegistryView64);
    EXPECT_LT(RowOf(list, "KU Fixture Only 64"), 0);
    EXPECT_GE(RowOf(list, "KU Fixture NSIS"), 0);
    EXPECT_GE(RowOf(list, "KU Fixture MSI A"), 0);
    EXPECT_LT(RowOf(list, "KU Fixture MSI B"), 0);
    // Row i shows item i of the program list.
    ASSERT_EQ(ListView_GetItemCount(list), ku::ProgramList->Count());
    for (int row = 0; row < ku::ProgramList->Count(); ++row)
        EXPECT_EQ(Cell(list, row, 0), ku::ProgramList->GetItem(row).Content.DisplayName);
}

TEST_F(MainWindow, RowsShowDatePublisherAndTheProgramsIcon) {
    ShowView32();
    const int nsis = RowOf(list, "KU Fixture NSIS");
    ASSERT_GE(nsis, 0);
    EXPECT_EQ(Cell(list, nsis, 1), ku::FormatInstallDate("20240115"));
    EXPECT_EQ(Cell(list, nsis, 2), "Kelvane Test Fixtures");
    const int odd = RowOf(list, "KU Fixture Wrong Types");
    ASSERT_GE(odd, 0);
    EXPECT_EQ(Cell(list, odd, 1), "");
    EXPECT_EQ(Cell(list, odd, 2), "");
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nsis;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    ASSERT_GE(item.iImage, 0);
    // The fixture program's own icon: blue with a white bar.
    EXPECT_EQ(ImagePixel(ku::DM->AppIconListEx.get(), item.iImage, 16, 4), RGB(0x10, 0x50, 0xB0));
    EXPECT_EQ(ImagePixel(ku::DM->AppIconListEx.get(), item.iImage, 16, 16), RGB(255, 255, 255));
    // One lookup per distinct icon file, not one per row.
    EXPECT_LE(form.Icons()->Lookups(), ListView_GetItemCount(list));
    form.SelectRow(nsis);
    uitest::PumpMessages(100);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "MainWindow"));
}

TEST_F(MainWindow, HeaderClicksSortAndReverse) {
    ShowView32();
    ClickHeader(list, 1);
    EXPECT_EQ(ku::SortColumn, 1);
    EXPECT_EQ(ku::SortDirection, 0);
    ClickHeader(list, 1);
    EXPECT_EQ(ku::SortDirection, 1);
    for (int row = 1; row < ku::ProgramList->Count(); ++row)
        EXPECT_GE(ku::ProgramList->GetItem(row - 1).Content.InstallDate,
                  ku::ProgramList->GetItem(row).Content.InstallDate);
    ClickHeader(list, 2);
    EXPECT_EQ(ku::SortColumn, 2);
    EXPECT_EQ(ku::SortDirection, 0);
    for (int row = 1; row < ku::ProgramList->Count(); ++row)
        EXPECT_LE(ku::ProgramList->GetItem(row - 1).Content.Publisher,
                  ku::ProgramList->GetItem(row).Content.Publisher);
    ClickHeader(list, 0);
    const std::vector<std::string> captions = Captions();
    for (size_t row = 1; row < captions.size(); ++row)
        EXPECT_LE(ku::Trim(captions[row - 1]), ku::Trim(captions[row]));
}

TEST_F(MainWindow, FactsPanelFollowsTheSelection) {
    ShowView32();
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABPROGRAMNAME)), "Instruction");
    EXPECT_TRUE(Visible(IDC_MAIN_ABINSTRUCT1));
    EXPECT_FALSE(Visible(IDC_MAIN_CAVERSION));
    const int odd = RowOf(list, "KU Fixture Wrong Types");
    form.SelectRow(odd);
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABPROGRAMNAME)), "KU Fixture Wrong Types");
    EXPECT_FALSE(Visible(IDC_MAIN_ABINSTRUCT1));
    EXPECT_TRUE(Visible(IDC_MAIN_CAVERSION));
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABVERSION)), "NOT AVAILABLE");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABHELPLINK)), "NOT AVAILABLE");
    form.SelectRow(RowOf(list, "KU Fixture NSIS"));
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABVERSION)), "1.2.3");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABHELPLINK)), "http://localhost/kufixture/help");
    form.SelectRow(-1);
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABPROGRAMNAME)), "Instruction");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_MAIN_ABVERSION)), "");
}

TEST_F(MainWindow, LinksOpenOnlyWebAddresses) {
    ShowView32();
    kutest::RecordingLauncher launcher;
    form.SelectRow(RowOf(list, "KU Fixture NSIS"));
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].file, "http://localhost/kufixture/help");
    ku::SetLabelText(form.Item(IDC_MAIN_ABHELPLINK), "C:\\Windows\\notepad.exe");
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    ku::SetLabelText(form.Item(IDC_MAIN_ABHELPLINK), "NOT AVAILABLE");
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    EXPECT_EQ(launcher.Requests().size(), 1u);
}

TEST_F(MainWindow, DeleteRemovesTheChosenEntryInTheShownViewOnly) {
    const std::string key = std::string(fixtures::kUninstallKey) + "\\KuFixtureDeleteMe";
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "DisplayName", "KU Fixture Delete Me",
                         KEY_WOW64_32KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "UninstallString", "x.exe", KEY_WOW64_32KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "DisplayName", "KU Fixture Delete Me",
                         KEY_WOW64_64KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "UninstallString", "x.exe", KEY_WOW64_64KEY);
    ShowView32();
    form.DeleteBtnClick(); // nothing selected
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an item from the application list on the left.");
    form.SelectRow(RowOf(list, "KU Fixture Delete Me"));
    answer = IDNO;
    form.DeleteBtnClick();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find("\"KU Fixture Delete Me\""), std::string::npos);
    EXPECT_EQ(boxes[1].type, UINT(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    form.SelectRow(RowOf(list, "KU Fixture Delete Me"));
    answer = IDYES;
    form.DeleteBtnClick();
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    EXPECT_LT(RowOf(list, "KU Fixture Delete Me"), 0);
    EXPECT_GE(RowOf(list, "KU Fixture NSIS"), 0);
    if (kutest::RunningUnderWow64()) {
        EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY));
    }
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
}

TEST_F(MainWindow, UninstallHandsTheRowToTheWizardAndReloadsWhenDone) {
    ShowView32();
    form.UninstallBtnClick();
    EXPECT_TRUE(windows.requests.empty());
    const int norton = RowOf(list, "Norton KU Fixture");
    form.SelectRow(norton);
    form.UninstallBtnClick();
    ASSERT_EQ(windows.requests.size(), 1u);
    const ku::UninstallWizardRequest request = windows.requests[0];
    EXPECT_EQ(request.Caption, "Uninstall Wizard");
    EXPECT_EQ(request.DisplayName, "Norton KU Fixture");
    EXPECT_EQ(request.UninstallKeyName, fixtures::kNortonKey);
    EXPECT_EQ(request.UninstallCommand, "C:\\norton\\setup.exe /modify");
    EXPECT_EQ(request.NortonFlag, "1");

    // A program that appears meanwhile shows up once the wizard reports a change.
    const std::string key = std::string(fixtures::kUninstallKey) + "\\KuFixtureLate";
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "DisplayName", "KU Fixture Late",
                         KEY_WOW64_32KEY);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "UninstallString", "late.exe", KEY_WOW64_32KEY);
    windows.uninstallDone = 1;
    form.SelectRow(RowOf(list, "KU Fixture NSIS"));
    // A double click does what Uninstall does.
    NMITEMACTIVATE click = {};
    click.hdr = {list, IDC_MAIN_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = RowOf(list, "KU Fixture NSIS");
    SendMessageA(form.Handle(), WM_NOTIFY, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(windows.requests.size(), 2u);
    EXPECT_EQ(windows.requests[1].NortonFlag, "");
    EXPECT_GE(RowOf(list, "KU Fixture Late"), 0);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY);
}

TEST_F(MainWindow, ForceAndSpecialAskFirstAndSystemManagerOpensAtOnce) {
    answer = IDCANCEL;
    form.ForceUninstallBtnClick();
    form.SpecialBtnClick();
    EXPECT_TRUE(windows.calls.empty());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].type, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
    answer = IDOK;
    form.ForceUninstallBtnClick();
    form.SpecialBtnClick();
    form.StartupBtnClick();
    const std::vector<std::string> expected = {"force [] []", "special", "recovery manual"};
    EXPECT_EQ(windows.calls, expected);
}

TEST_F(MainWindow, ShowWindowsInstallerAddsProductsAndSystemEntries) {
    ShowView32();
    EXPECT_LT(RowOf(list, "KU Fixture Hotfix"), 0);
    SendMessageA(form.Item(IDC_MAIN_SHOWWINUPDATE), BM_CLICK, 0, 0);
    uitest::PumpMessages(50);
    EXPECT_TRUE(ku::Settings.ShowWindowsUpdate);
    EXPECT_GE(RowOf(list, "KU Fixture Hotfix"), 0);
    int msiA = 0, msiB = 0;
    for (const std::string& caption : Captions()) {
        msiA += caption == "KU Fixture MSI A";
        msiB += caption == "KU Fixture MSI B";
    }
    EXPECT_EQ(msiA, 1);
    EXPECT_EQ(msiB, 1);
    ASSERT_EQ(ListView_GetItemCount(list), ku::ProgramList->Count());
    SendMessageA(form.Item(IDC_MAIN_SHOWWINUPDATE), BM_CLICK, 0, 0);
    EXPECT_FALSE(ku::Settings.ShowWindowsUpdate);
    EXPECT_LT(RowOf(list, "KU Fixture Hotfix"), 0);
}

TEST_F(MainWindow, ViewMenuChangesTheListStyle) {
    EXPECT_FALSE(Visible(IDC_MAIN_VIEWBTN));
    SendMessageA(form.Handle(), WM_COMMAND, IDC_VIEW_ICONS, 0);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
    SendMessageA(form.Handle(), WM_COMMAND, IDC_VIEW_LIST, 0);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    SendMessageA(form.Handle(), WM_COMMAND, IDC_VIEW_DETAILS, 0);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
}

} // namespace
