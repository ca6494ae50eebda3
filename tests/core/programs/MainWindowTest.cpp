// The main window under the virtual display with the fixture programs installed: the rows of
// each view button, header sorts, the facts panel, Delete in the shown view, the hand-over to
// the wizards and the view menu.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FixturePrograms.h"
#include "MainUnitIds.h"
#include "UiSupport.h"
#include "core/settings/Settings.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/main/MainUnit.h"
#include "resource.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingWindows.h"
#include "support/Sandbox.h"

namespace {

std::string Cell(HWND list, int row, int column) {
    char text[1024] = {};
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
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
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(300);
        list = form.ListView();
    }
    void TearDown() override { ku::RegistryView64 = false; }
    void Click(int id) {
        SendMessageA(form.Item(id), BM_CLICK, 0, 0);
        uitest::PumpMessages(50);
    }
    int Rows(const std::string& caption) {
        int rows = 0;
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            rows += Cell(list, row, 0) == caption;
        return rows;
    }
    int RowOf(const std::string& caption) {
        LVFINDINFOA find = {LVFI_STRING, caption.c_str(), 0, {0, 0}, 0};
        return ListView_FindItem(list, -1, &find);
    }
    bool Visible(int id) { return IsWindowVisible(form.Item(id)) != FALSE; }
    std::string Text(int id) { return ku::WindowText(form.Item(id)); }

    kutest::RecordingWindows windows;
    kutest::RecordingDialogs dialogs;
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
        // clang-format off
        {"KU Fixture Only 64", 1, 0, 0},
        {"KU Fixture NSIS", 0, 1, 1},
        {"KU Fixture MSI A", 0, 1, 1},
        {"KU Fixture Suite", 0, 1, 1},
        {"KU Fixture MSI B", 0, 0, 1},  // named in the suite's ProductCodes: an Installer product
        {"KU Fixture Hotfix", 0, 0, 1}, // a child of the operating system
        {"KU Fixture No Uninstaller", 0, 0, 0},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.caption), wow64 ? c.view64 : 0) << c.caption << " in the 64-bit view";
    Click(IDC_MAIN_SYSBIT32);
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.caption), c.view32) << c.caption << " in the 32-bit view";
    Click(IDC_MAIN_SHOWWINUPDATE);
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.caption), c.installer) << c.caption << " with Windows Installer";
    Click(IDC_MAIN_SHOWWINUPDATE);
    EXPECT_EQ(Rows("KU Fixture Hotfix"), 0);

    // Date and publisher cells, empty where the values are of the wrong type.
    const int nsis = RowOf("KU Fixture NSIS"), odd = RowOf("KU Fixture Wrong Types");
    ASSERT_GE(nsis, 0);
    ASSERT_GE(odd, 0);
    EXPECT_EQ(Cell(list, nsis, 1) + "|" + Cell(list, nsis, 2) + "|" + Cell(list, odd, 1) +
                  Cell(list, odd, 2),
              "Jan. 15, 2024|Kelvane Test Fixtures|");
}

TEST_F(MainWindow, HeaderClicksSortAndReverse) {
    Click(IDC_MAIN_SYSBIT32);
    const struct {
        int column, clicks;
        bool descending;
    } sorts[] = {{1, 2, true}, {2, 1, false}, {0, 1, false}};
    for (const auto& s : sorts) {
        for (int i = 0; i < s.clicks; ++i)
            ClickHeader(list, s.column);
        std::vector<std::string> cells;
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            const auto& c = ku::ProgramList->GetItem(row).Content;
            cells.push_back(s.column == 0   ? ku::Trim(Cell(list, row, 0))
                            : s.column == 1 ? c.InstallDate
                                            : c.Publisher);
        }
        if (s.descending)
            std::reverse(cells.begin(), cells.end());
        EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end())) << "column " << s.column;
    }
}

// With a short and with a very long publisher planted beside the fixtures: every date shows
// whole, the name column keeps the list's width but date + 100 + 20 (the long publisher is
// cut, "..." at its end, by the list view), and the three fill the list. A long name in the facts
// panel ends with an ellipsis inside its label.
TEST_F(MainWindow, TheNameColumnKeepsItsWidthBesideALongPublisher) {
    const std::string key = std::string(fixtures::kUninstallKey) + "\\KuLongPublisher";
    const std::string longName =
        "KU Fixture With A Name Long Enough To Wrap Over More Lines Than Its Label Holds, "
        "Edition For Testing The Facts Panel Of The Main Window Once More And Again";
    const struct {
        const char* what;
        std::string publisher;
    } cases[] = {{"short", "Ku"}, {"long", std::string(60, 'W') + " Inc."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kutest::PlantedRegistry registry(KEY_WOW64_32KEY);
        registry.String(HKEY_LOCAL_MACHINE, key, "DisplayName", longName);
        registry.String(HKEY_LOCAL_MACHINE, key, "Publisher", c.publisher);
        registry.String(HKEY_LOCAL_MACHINE, key, "UninstallString", "C:\\ku-none.exe");
        Click(IDC_MAIN_SYSBIT32);
        const int row = RowOf(longName);
        ASSERT_GE(row, 0);
        for (int r = 0; r < ListView_GetItemCount(list); ++r) {
            const std::string date = Cell(list, r, 1);
            EXPECT_LE(ListView_GetStringWidth(list, date.c_str()) + 12,
                      ListView_GetColumnWidth(list, 1))
                << date;
        }
        RECT client;
        GetClientRect(list, &client);
        const int name = ListView_GetColumnWidth(list, 0);
        // A grown date column (its dates whole) is the only thing that may narrow the names.
        EXPECT_GE(name, client.right - (std::max(80, ListView_GetColumnWidth(list, 1)) + 100 + 20));
        EXPECT_GE(ListView_GetColumnWidth(list, 2), 100);
        EXPECT_EQ(name + ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2) + 20,
                  client.right);

        form.SelectRow(row);
        uitest::PumpMessages(50);
        const std::string shown = Text(IDC_MAIN_ABPROGRAMNAME);
        EXPECT_TRUE(uitest::TextFitsLabel(form.Item(IDC_MAIN_ABPROGRAMNAME))) << shown;
        EXPECT_EQ(shown.back(), '\x85') << shown;
        EXPECT_EQ(longName.rfind(shown.substr(0, shown.size() - 1), 0), 0u) << shown;
    }
}

TEST_F(MainWindow, FactsPanelFollowsTheSelection) {
    Click(IDC_MAIN_SYSBIT32);
    const struct {
        const char *row, *shown;
    } cases[] = {
        {"", "Instruction||instructions"},
        {"KU Fixture Wrong Types", "KU Fixture Wrong Types|NOT AVAILABLE|NOT AVAILABLE"},
        {"KU Fixture NSIS", "KU Fixture NSIS|1.2.3|http://localhost/kufixture/help"},
        {"", "Instruction||instructions"},
    };
    for (const auto& c : cases) {
        form.SelectRow(*c.row ? RowOf(c.row) : -1);
        if (std::string(c.row) == "KU Fixture NSIS") {
            EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "MainForm"));
        }
        const bool facts = Visible(IDC_MAIN_CAVERSION);
        EXPECT_NE(facts, Visible(IDC_MAIN_ABINSTRUCT1)) << c.row;
        EXPECT_EQ(Text(IDC_MAIN_ABPROGRAMNAME) + "|" + Text(IDC_MAIN_ABVERSION) + "|" +
                      (facts ? Text(IDC_MAIN_ABHELPLINK) : "instructions"),
                  c.shown);
    }
}

TEST_F(MainWindow, DeleteRemovesTheChosenEntryInTheShownViewOnly) {
    const std::string key = std::string(fixtures::kUninstallKey) + "\\KuFixtureDeleteMe";
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
        kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "DisplayName", "KU Fixture Delete Me", view);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, key, "UninstallString", "x.exe", view);
    }
    Click(IDC_MAIN_SYSBIT32);
    dialogs.answers = {IDOK, IDNO, IDYES};
    form.DeleteBtnClick(); // nothing selected
    for (bool kept : {true, false}) {
        form.SelectRow(RowOf("KU Fixture Delete Me"));
        form.DeleteBtnClick();
        EXPECT_EQ(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY), kept);
    }
    const auto boxes = dialogs.Calls();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Please select an item from the application list on the left.");
    EXPECT_NE(boxes[1].text.find("\"KU Fixture Delete Me\""), std::string::npos);
    EXPECT_EQ(boxes[1].type, UINT(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_EQ(Rows("KU Fixture Delete Me"), 0);
    EXPECT_EQ(Rows("KU Fixture NSIS"), 1);
    EXPECT_EQ(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY),
              kutest::RunningUnderWow64());
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
}

// Uninstall, a double click, Force, Special and Startup hand over to their windows; Force and
// Special ask first. (The reload after the wizard runs for real in the wizard's window tests.)
TEST_F(MainWindow, ButtonsHandOverToTheOtherWindows) {
    Click(IDC_MAIN_SYSBIT32);
    dialogs.answers = {IDOK, IDCANCEL, IDCANCEL};
    form.UninstallBtnClick(); // nothing selected
    form.SelectRow(RowOf("Norton KU Fixture"));
    form.UninstallBtnClick();
    form.SelectRow(RowOf("KU Fixture NSIS"));
    NMITEMACTIVATE click = {};
    click.hdr = {list, IDC_MAIN_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = RowOf("KU Fixture NSIS");
    SendMessageA(form.Handle(), WM_NOTIFY, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&click));
    form.ForceUninstallBtnClick();
    form.SpecialBtnClick();
    ASSERT_EQ(dialogs.Calls().size(), 3u); // nothing selected, then the two questions
    EXPECT_EQ(dialogs.Calls()[1].type, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
    form.ForceUninstallBtnClick();
    form.SpecialBtnClick();
    form.StartupBtnClick();
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{"uninstall Norton KU Fixture", "uninstall KU Fixture NSIS",
                                        "force [] []", "special", "recovery manual"}));
    ASSERT_EQ(windows.requests.size(), 2u);
    // Only Norton's entry is removed through its ModifyPath.
    const ku::UninstallWizardRequest& norton = windows.requests[0];
    EXPECT_EQ(norton.Caption + "|" + norton.UninstallKeyName + "|" + norton.UninstallCommand + "|" +
                  norton.NortonFlag + "|" + windows.requests[1].NortonFlag,
              std::string("Uninstall Wizard|") + fixtures::kNortonKey +
                  "|C:\\norton\\setup.exe /modify|1|");

    // The view menu's items set the list's style and check themselves.
    EXPECT_FALSE(Visible(IDC_MAIN_VIEWBTN));
    for (const auto& [command, style] : {std::pair{IDC_VIEW_ICONS, LVS_ICON},
                                         {IDC_VIEW_LIST, LVS_LIST},
                                         {IDC_VIEW_DETAILS, LVS_REPORT}}) {
        SendMessageA(form.Handle(), WM_COMMAND, command, 0);
        EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, style) << command;
        EXPECT_EQ(GetMenuState(ku::DM->ViewPopupMenu(), command, MF_BYCOMMAND) & MF_CHECKED,
                  UINT(MF_CHECKED));
    }
}

} // namespace

namespace {

// Keys as a user presses them: Tab reaches the list and the buttons; on the list Enter opens
// the selected row's wizard (as a double click does) and does nothing without a selection;
// Esc never closes the main window.
TEST_F(MainWindow, EnterOnARowOpensItsWizardAndEscNeverCloses) {
    Click(IDC_MAIN_SYSBIT32);
    const std::vector<HWND> stops = uitest::TabStops(form.Handle());
    for (int id : {IDC_MAIN_LIST, IDC_MAIN_UNINSTALLBTN, IDC_MAIN_FORCEUNINSTALLBTN,
                   IDC_MAIN_SPECIALBTN, IDC_MAIN_STARTUPBTN, IDC_MAIN_DELETEBTN,
                   IDC_MAIN_REFRESHBTN, IDC_MAIN_DETAILBTN})
        EXPECT_NE(std::find(stops.begin(), stops.end(), form.Item(id)), stops.end()) << id;
    SetFocus(list);
    const struct {
        const char* row;
        UINT key;
        size_t wizards;
    } presses[] = {{"", VK_RETURN, 0},
                   {"", VK_ESCAPE, 0},
                   {"KU Fixture NSIS", VK_ESCAPE, 0},
                   {"KU Fixture NSIS", VK_RETURN, 1}};
    for (const auto& p : presses) {
        SCOPED_TRACE(std::string(p.row) + (p.key == VK_RETURN ? " Enter" : " Esc"));
        form.SelectRow(*p.row ? RowOf(p.row) : -1);
        uitest::PressKey(form.Handle(), p.key);
        ASSERT_TRUE(IsWindow(form.Handle())) << "the key closed the main window";
        EXPECT_EQ(windows.requests.size(), p.wizards);
    }
    ASSERT_EQ(windows.requests.size(), 1u);
    EXPECT_EQ(windows.requests[0].ProgramName, "KU Fixture NSIS");
    EXPECT_TRUE(dialogs.Calls().empty()) << dialogs.Calls()[0].text;
}

} // namespace
