// The main window under the virtual display with the fixture programs installed: the rows of
// each view button, header clicks, the facts panel, Delete through the message-box seam and
// the buttons that open the other windows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FixturePrograms.h"
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
#include "support/Sandbox.h"

namespace {

std::string Cell(HWND list, int row, int column) {
    char text[1024] = {};
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
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
    void Click(int id) {
        SendMessageA(form.Item(id), BM_CLICK, 0, 0);
        uitest::PumpMessages(50);
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            captions.push_back(Cell(list, row, 0));
        return captions;
    }
    int Rows(const std::string& caption) {
        const std::vector<std::string> captions = Captions();
        return static_cast<int>(std::count(captions.begin(), captions.end(), caption));
    }
    int RowOf(const std::string& caption) {
        const std::vector<std::string> captions = Captions();
        const auto at = std::find(captions.begin(), captions.end(), caption);
        return at == captions.end() ? -1 : static_cast<int>(at - captions.begin());
    }
    bool Visible(int id) { return IsWindowVisible(form.Item(id)) != FALSE; }
    std::string Text(int id) { return ku::WindowText(form.Item(id)); }

    kutest::RecordingWindows windows;
    std::vector<ku::MessageBoxCall> boxes;
    int answer = IDOK;
    ku::TUnInstallForm form;
    HWND list = nullptr;
};

TEST_F(MainWindow, EachViewButtonListsItsViewsProgramsOnce) {
    const bool wow64 = kutest::RunningUnderWow64();
    EXPECT_EQ(Visible(IDC_MAIN_SYSBIT64), wow64);
    // Rows per caption: 64-bit view, 32-bit view, 32-bit view with Windows Installer shown.
    const struct {
        const char* caption;
        int view64, view32, installer;
    } cases[] = {
        {"KU Fixture Only 64", 1, 0, 0},
        {"KU Fixture NSIS", 0, 1, 1},
        {"KU Fixture MSI A", 0, 1, 1},
        {"KU Fixture Suite", 0, 1, 1},
        {"KU Fixture MSI B", 0, 0, 1}, // named in the suite's ProductCodes: an Installer product
        {"KU Fixture Hotfix", 0, 0, 1}, // a child of the operating system
        {"KU Fixture No Uninstaller", 0, 0, 0},
    };
    if (wow64) {
        EXPECT_EQ(IsDlgButtonChecked(form.Handle(), IDC_MAIN_SYSBIT64), BST_CHECKED);
        for (const auto& c : cases)
            EXPECT_EQ(Rows(c.caption), c.view64) << c.caption << " in the 64-bit view";
    }
    Click(IDC_MAIN_SYSBIT32);
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.caption), c.view32) << c.caption << " in the 32-bit view";
    Click(IDC_MAIN_SHOWWINUPDATE);
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.caption), c.installer) << c.caption << " with Windows Installer";
    Click(IDC_MAIN_SHOWWINUPDATE);
    EXPECT_EQ(Rows("KU Fixture Hotfix"), 0);
    // Row i shows item i of the program list (Delete and Uninstall act on that item).
    ASSERT_EQ(ListView_GetItemCount(list), ku::ProgramList->Count());
    for (int row = 0; row < ku::ProgramList->Count(); ++row)
        EXPECT_EQ(Cell(list, row, 0), ku::ProgramList->GetItem(row).Content.DisplayName);

    const int nsis = RowOf("KU Fixture NSIS"), odd = RowOf("KU Fixture Wrong Types");
    ASSERT_GE(nsis, 0);
    ASSERT_GE(odd, 0);
    EXPECT_EQ(Cell(list, nsis, 1), ku::FormatInstallDate("20240115"));
    EXPECT_EQ(Cell(list, nsis, 2), "Kelvane Test Fixtures");
    EXPECT_EQ(Cell(list, odd, 1) + Cell(list, odd, 2), "");
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nsis;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    ASSERT_GE(item.iImage, 0);
    // The fixture program's own icon: blue with a white bar.
    EXPECT_EQ(ImagePixel(ku::DM->AppIconListEx.get(), item.iImage, 16, 4), RGB(0x10, 0x50, 0xB0));
    EXPECT_EQ(ImagePixel(ku::DM->AppIconListEx.get(), item.iImage, 16, 16), RGB(255, 255, 255));
    form.SelectRow(nsis);
    uitest::PumpMessages(100);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "MainWindow"));
}

TEST_F(MainWindow, HeaderClicksSortAndReverse) {
    Click(IDC_MAIN_SYSBIT32);
    const auto column = [&](int index) {
        std::vector<std::string> cells;
        for (int i = 0; i < ku::ProgramList->Count(); ++i) {
            const auto& c = ku::ProgramList->GetItem(i).Content;
            cells.push_back(index == 1 ? c.InstallDate : c.Publisher);
        }
        return cells;
    };
    ClickHeader(list, 1);
    ClickHeader(list, 1);
    const std::vector<std::string> dates = column(1);
    EXPECT_TRUE(std::is_sorted(dates.rbegin(), dates.rend()));
    ClickHeader(list, 2);
    const std::vector<std::string> publishers = column(2);
    EXPECT_TRUE(std::is_sorted(publishers.begin(), publishers.end()));
    ClickHeader(list, 0);
    std::vector<std::string> captions = Captions();
    for (std::string& caption : captions)
        caption = ku::Trim(caption);
    EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end()));
}

TEST_F(MainWindow, FactsPanelFollowsTheSelectionAndOpensOnlyWebAddresses) {
    Click(IDC_MAIN_SYSBIT32);
    EXPECT_EQ(Text(IDC_MAIN_ABPROGRAMNAME), "Instruction");
    EXPECT_TRUE(Visible(IDC_MAIN_ABINSTRUCT1) && !Visible(IDC_MAIN_CAVERSION));
    form.SelectRow(RowOf("KU Fixture Wrong Types"));
    EXPECT_EQ(Text(IDC_MAIN_ABPROGRAMNAME), "KU Fixture Wrong Types");
    EXPECT_TRUE(!Visible(IDC_MAIN_ABINSTRUCT1) && Visible(IDC_MAIN_CAVERSION));
    EXPECT_EQ(Text(IDC_MAIN_ABVERSION), "NOT AVAILABLE");
    EXPECT_EQ(Text(IDC_MAIN_ABHELPLINK), "NOT AVAILABLE");
    kutest::RecordingLauncher launcher;
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    form.SelectRow(RowOf("KU Fixture NSIS"));
    EXPECT_EQ(Text(IDC_MAIN_ABVERSION), "1.2.3");
    EXPECT_EQ(Text(IDC_MAIN_ABHELPLINK), "http://localhost/kufixture/help");
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    ku::SetLabelText(form.Item(IDC_MAIN_ABHELPLINK), "C:\\Windows\\notepad.exe");
    form.abHelpLinkClick(form.Item(IDC_MAIN_ABHELPLINK));
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].file, "http://localhost/kufixture/help");
    form.SelectRow(-1);
    EXPECT_EQ(Text(IDC_MAIN_ABPROGRAMNAME), "Instruction");
    EXPECT_EQ(Text(IDC_MAIN_ABVERSION), "");
}

TEST_F(MainWindow, DeleteRemovesTheChosenEntryInTheShownViewOnly) {
    const std::string key = std::string(fixtures::kUninstallKey) + "\\KuFixtureDeleteMe";
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
        kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "DisplayName", "KU Fixture Delete Me", view);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "UninstallString", "x.exe", view);
    }
    Click(IDC_MAIN_SYSBIT32);
    form.DeleteBtnClick(); // nothing selected
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an item from the application list on the left.");
    form.SelectRow(RowOf("KU Fixture Delete Me"));
    answer = IDNO;
    form.DeleteBtnClick();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find("\"KU Fixture Delete Me\""), std::string::npos);
    EXPECT_EQ(boxes[1].type, UINT(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    form.SelectRow(RowOf("KU Fixture Delete Me"));
    answer = IDYES;
    form.DeleteBtnClick();
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    EXPECT_EQ(Rows("KU Fixture Delete Me"), 0);
    EXPECT_EQ(Rows("KU Fixture NSIS"), 1);
    EXPECT_EQ(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY),
              kutest::RunningUnderWow64());
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
}

TEST_F(MainWindow, UninstallHandsTheRowToTheWizardAndReloadsWhenDone) {
    Click(IDC_MAIN_SYSBIT32);
    form.UninstallBtnClick(); // nothing selected
    EXPECT_TRUE(windows.requests.empty());
    form.SelectRow(RowOf("Norton KU Fixture"));
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
    form.SelectRow(RowOf("KU Fixture NSIS"));
    // A double click does what Uninstall does.
    NMITEMACTIVATE click = {};
    click.hdr = {list, IDC_MAIN_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = RowOf("KU Fixture NSIS");
    SendMessageA(form.Handle(), WM_NOTIFY, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(windows.requests.size(), 2u);
    EXPECT_EQ(windows.requests[1].DisplayName, "KU Fixture NSIS");
    EXPECT_EQ(windows.requests[1].NortonFlag, "");
    EXPECT_EQ(Rows("KU Fixture Late"), 1);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY);
}

TEST_F(MainWindow, ForceAndSpecialAskFirstAndTheOtherButtonsOpenAtOnce) {
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
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{"force [] []", "special", "recovery manual"}));
    // The view menu's items set the list's style.
    EXPECT_FALSE(Visible(IDC_MAIN_VIEWBTN));
    for (const auto& [command, style] :
         {std::pair{IDC_VIEW_ICONS, LVS_ICON}, {IDC_VIEW_LIST, LVS_LIST},
          {IDC_VIEW_DETAILS, LVS_REPORT}}) {
        SendMessageA(form.Handle(), WM_COMMAND, command, 0);
        EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, style) << command;
    }
}

} // namespace
