// The startup manager page in a window of its own: the rows of every kind of logon entry and
// the details below a row; marks, Disable, the Remove question and the Restore tab; the
// columns as they fit the list, and the word on a backup file that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "UiSupport.h"
#include "core/system/Handles.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "support/StartupTestBed.h"
#include "support/WideNames.h"
#include "sysmanager/ui/StartupManagerUnit.h"

namespace {

const std::string kRunKey = kutest::LogonEntries::kRunKey;

struct StartupPage {
    // The page's own size, or (464 by 335) the size it gets on the System Manager's page; the
    // prefix's win.ini, or one of the test's own.
    explicit StartupPage(int width = 465, int height = 412, const std::string& winIni = "")
        : host(width, height),
          form(ku::StartupPlaces{bed.program.Path() + "\\",
                                 winIni.empty() ? bed.logon.WinIniPath() : winIni}) {}

    kutest::RecordingDialogs dialogs;
    kutest::StartupTestBed bed;
    kutest::HostWindow host;
    ku::TStartupManagerForm form;

    void Open() {
        ASSERT_TRUE(form.Create(host.Handle()));
        form.Show();
        uitest::PumpMessages(300);
    }
    std::string Value(const std::string& name) {
        return kutest::RawReadValue(HKEY_CURRENT_USER, kRunKey, name, kutest::LogonEntries::View())
            .bytes;
    }
    int Row(const std::string& caption) const {
        for (int row = 0; row < form.StartupListView().Count(); ++row)
            if (form.StartupListView().Text(row, 0) == caption)
                return row;
        return -1;
    }
    // A left press on the row's picture (item) or on the picture left of it (state).
    void Press(const std::string& caption, bool statePicture) {
        const int row = Row(caption);
        ASSERT_GE(row, 0) << caption;
        const RECT icon = form.StartupListView().ItemRect(row, LVIR_ICON);
        const POINT point = {statePicture ? icon.left - 8 : (icon.left + icon.right) / 2,
                             (icon.top + icon.bottom) / 2};
        form.StartupListViewMouseDown(point);
    }
};

// Why the columns do not fill the list as it is shown (empty when they fit): a gap after the
// last column, or columns wider than the list (a horizontal scroll bar).
std::string ColumnFit(const ku::TReportListView& list) {
    RECT client;
    GetClientRect(list.Handle(), &client);
    int sum = 0;
    for (int column = 0; column < list.ColumnCount(); ++column)
        sum += list.ColumnWidth(column);
    if (GetWindowLongA(list.Handle(), GWL_STYLE) & WS_HSCROLL)
        return "horizontal scroll bar";
    return sum == client.right ? "" : std::to_string(sum) + " of " + std::to_string(client.right);
}

std::string ColumnCaption(const ku::TReportListView& list, int column) {
    char text[64] = {};
    LVCOLUMNA item = {};
    item.mask = LVCF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list.Handle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&item));
    return text;
}

} // namespace

// Marks and Disable, the Remove question answered No then Yes, and the Restore tab.
TEST(StartupPage, DisablesMarkedRowsRemovesOnYesAndRestoresATickedEntry) {
    StartupPage page;
    const std::string a = page.bed.logon.Name("a"), b = page.bed.logon.Name("b"),
                      c = page.bed.logon.Name("c");
    for (const std::string& name : {a, b, c})
        page.bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ,
                                   kutest::StringBytes("C:\\" + name + ".exe -x"));
    page.Open();
    page.Press(a, false);
    page.Press(b, false);
    page.form.DeleteItemBtnClick();
    const std::string cValue = kutest::StringBytes("C:\\" + c + ".exe -x");
    std::vector<std::string> shown; // the value left and the status shown
    for (const std::string& name : {a, b, c})
        shown.push_back(page.Value(name) + "|" +
                        page.form.StartupListView().Text(page.Row(name), 2));
    EXPECT_EQ(shown, (std::vector<std::string>{"|Disable", "|Disable", cValue + "|Enable"}));

    page.dialogs.answers = {IDNO, IDYES};
    page.Press(c, false);
    page.form.BtRemoveClick();
    EXPECT_EQ(page.Value(c), cValue);
    page.form.BtRemoveClick();
    EXPECT_EQ(page.Value(c), "");
    const std::string question = "Are you sure to remove this item from the Startup List?\rYou "
                                 "could view or recovery this item from the Restore List.";
    EXPECT_EQ(page.dialogs.Texts(), std::vector<std::string>(2, question));

    page.form.PageCIndexChange(ku::TStartupManagerForm::RestoreListPage);
    ASSERT_EQ(page.form.ListRestore().Count(), 1);
    EXPECT_EQ(page.form.ListRestore().Text(0, 1) + "|" + page.form.ListRestore().Text(0, 2),
              c + "|C:\\" + c + ".exe -x");
    page.form.SetRestoreTick(0, true);
    page.form.RestoreBtnClick();
    EXPECT_EQ(page.Value(c), cValue);
    EXPECT_EQ(page.form.ListRestore().Count(), 0);
    EXPECT_EQ(page.dialogs.Calls().size(), 2u); // no more questions
}

TEST(StartupPage, ListsEveryKindInOrderWithVersionDetailsBelowARow) {
    StartupPage page;
    kutest::LogonEntries& logon = page.bed.logon;
    const std::string exe = page.bed.VersionedCopy(), plain = page.bed.program.File("plain.exe");
    CopyFileA((std::string(kutest::kFixtureDir) + "\\kusleep.exe").c_str(), plain.c_str(),
              FALSE);
    const std::string expand = "%SystemRoot%\\system32\\nothing-here.exe /q";
    const auto run = [&](HKEY root, const char* name, DWORD type, const std::string& bytes) {
        logon.AddRunValue(root, logon.Name(name), type, bytes);
    };
    run(HKEY_LOCAL_MACHINE, "sz", REG_SZ, kutest::StringBytes("\"" + exe + "\" /min"));
    run(HKEY_CURRENT_USER, "1 expand", REG_EXPAND_SZ, kutest::StringBytes(expand));
    run(HKEY_CURRENT_USER, "2 dword", REG_DWORD, kutest::DwordBytes(42));
    run(HKEY_CURRENT_USER, "3 bare", REG_SZ, kutest::StringBytes(plain));
    const std::string common = logon.AddStartupFile(true, logon.Name("common.exe"),
                                                    kutest::ReadAll(exe));
    const std::string user = logon.AddStartupFile(false, logon.Name("user.lnk"), "");
    logon.AddWinIniKey("Load", logon.Name("load"), exe);
    logon.AddWinIniKey("Run", logon.Name("run"), "C:\\no\\such.exe");
    page.Open();

    // The details below a row: the fixture program's version record, an empty record for a
    // program without one, none for a command that names no file; "-": not opened.
    const std::string hkcu = "HKEY_CURRENT_USER\\" + kRunKey;
    const struct { std::string caption, path, status, details; } expected[] = {
        {"common.exe", common, "Enable", "Type: Startup Folder|Postion: " +
             logon.StartupFolder(true) + "|Product Name: KU Startup Fixture|Publish Name: "
             "Kelvane Fixture Works|Version: 5.1.2600.0|Description: Startup fixture program|"
             "File Path: " + common},
        {"user.lnk", user, "Enable", "-"},
        {"sz", "\"" + exe + "\" /min", "Enable", "-"},
        {"1 expand", expand, "Enable", ""},
        {"2 dword", "42", "Enable", "-"},
        {"3 bare", plain, "Enable", "Type: Registry|Postion: " + hkcu + "|Product Name: |Publish "
             "Name: |Version: |Description: |File Path: " + plain},
        {"load", exe, "", "-"},
        {"run", "C:\\no\\such.exe", "", "-"},
    };
    const ku::TReportListView list = page.form.StartupListView();
    const int count = list.Count();
    int previous = -1;
    for (const auto& e : expected) {
        const std::string caption = logon.Name(e.caption);
        SCOPED_TRACE(caption);
        const int row = page.Row(caption);
        ASSERT_GT(row, previous) << "missing or out of order";
        previous = row;
        EXPECT_EQ(list.Text(row, 1) + "|" + list.Text(row, 2), e.path + "|" + e.status);
        if (e.details == "-")
            continue;
        page.Press(caption, true);
        ASSERT_EQ(list.Count(), count + (e.details.empty() ? 0 : 7));
        std::string details; // the rows below it
        for (int i = row + 1; i < row + 1 + list.Count() - count; ++i)
            details += (i > row + 1 ? "|" : "") + list.Text(i, 0) + ": " + list.Text(i, 1);
        EXPECT_EQ(details, e.details);
        page.Press(caption, true);
        EXPECT_EQ(list.Count(), count);
    }
}

// A backup file held open by another program: the list that needs it says it is incomplete.
TEST(StartupPage, SaysWhichBackupFileCouldNotBeReadForAList) {
    StartupPage page;
    page.Open();
    const struct { const char* held; int tab; } cases[] = {
        {"startup.dat", ku::TStartupManagerForm::StartupListPage},
        {"del.txt", ku::TStartupManagerForm::StartupListPage},
        {"removestartup.dat", ku::TStartupManagerForm::RestoreListPage},
        {"del.txt", ku::TStartupManagerForm::RestoreListPage},
        {nullptr, ku::TStartupManagerForm::StartupListPage},
        {nullptr, ku::TStartupManagerForm::RestoreListPage}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ku::UniqueFile held;
        if (c.held) {
            held.reset(CreateFileA(page.bed.Backup(c.held).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held);
        }
        const size_t before = page.dialogs.Texts().size();
        page.form.PageCIndexChange(c.tab);
        held.reset();
        const std::vector<std::string> texts = page.dialogs.Texts();
        ASSERT_EQ(texts.size(), before + (c.held ? 1 : 0));
        if (c.held) {
            EXPECT_EQ(texts.back().rfind("This list is incomplete:", 0), 0u) << texts.back();
            EXPECT_NE(texts.back().find(page.bed.Backup(c.held) + " cannot be read"),
                      std::string::npos)
                << texts.back();
        }
    }
}

// As the System Manager shows it: both lists' columns end at the list's edge, with few rows
// and with a vertical scroll bar; a disabled startup-folder file keeps its name and path.
TEST(StartupPage, ColumnsFitTheirListsAndADisabledFileKeepsItsName) {
    StartupPage page(464, 335);
    const std::string name = page.bed.logon.Name("app.lnk");
    const std::string file = page.bed.logon.AddStartupFile(true, name, "shortcut");
    page.Open();
    const ku::TReportListView list = page.form.StartupListView();
    for (int column = 0; column < list.ColumnCount(); ++column)
        EXPECT_NE(ColumnCaption(list, column), "") << column;
    EXPECT_EQ(ColumnFit(list), "");

    page.Press(name, false);
    page.form.DeleteItemBtnClick();
    ASSERT_FALSE(kutest::FileThere(file));
    const int row = page.Row(name);
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.Text(row, 1) + "|" + list.Text(row, 2), file + "|Disable");

    for (int i = 0; i < 30; ++i)
        page.bed.logon.AddRunValue(HKEY_CURRENT_USER, page.bed.logon.Name(std::to_string(i)),
                                   REG_SZ, kutest::StringBytes("C:\\x.exe"));
    page.form.RefreshStartupList();
    ASSERT_TRUE(GetWindowLongA(list.Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(ColumnFit(list), "");
    uitest::PumpMessages(200);
    EXPECT_TRUE(uitest::SaveScreenshot(page.host.Handle(), "StartupList"));

    // Removed, it shows in the Restore list by its name and the path it goes back to.
    page.dialogs.answers = {IDYES};
    page.Press(name, false);
    page.form.BtRemoveClick();
    page.form.PageCIndexChange(ku::TStartupManagerForm::RestoreListPage);
    const ku::TReportListView restore = page.form.ListRestore();
    ASSERT_EQ(restore.Count(), 1);
    EXPECT_EQ(restore.Text(0, 1) + "|" + restore.Text(0, 2), name + "|" + file);
    EXPECT_EQ(ColumnFit(restore), "");
    uitest::PumpMessages(200);
    EXPECT_TRUE(uitest::SaveScreenshot(page.host.Handle(), "StartupRestoreList"));
}

namespace {

// A win.ini of the test's own, saved as Unicode (UTF-16 with its mark) or in the code page.
void WriteWinIni(const std::string& path, const std::wstring& text, bool unicode) {
    std::string bytes;
    if (unicode) {
        bytes = "\xFF\xFE";
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    } else {
        bytes.resize(text.size());
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    }
    ASSERT_TRUE(kutest::WriteTextFile(path, bytes));
}

// Its lines as it now stands, sorted, without empty ones; "unicode" or "ansi" first.
std::vector<std::wstring> WinIniLines(const std::string& path) {
    const std::string bytes = kutest::ReadAll(path);
    const bool unicode = bytes.compare(0, 2, "\xFF\xFE") == 0;
    std::wstring text;
    if (unicode) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else {
        text.resize(bytes.size());
        text.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                        &text[0], static_cast<int>(text.size())));
    }
    std::vector<std::wstring> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(L"\r\n", at), text.size());
        if (end > at)
            lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    std::sort(lines.begin(), lines.end());
    lines.insert(lines.begin(), unicode ? L"unicode" : L"ansi");
    return lines;
}

std::vector<std::wstring> Without(std::vector<std::wstring> lines,
                                  const std::vector<std::wstring>& gone) {
    for (const std::wstring& line : gone)
        lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
    return lines;
}

} // namespace

// A win.ini saved as Unicode holds "Ωmega" beside another program's "Omega", and "测试":
// those are listed as such and refused with a word why, the file as it was; the exact lines
// (also "Café", which the code page holds) go into the backup and come back on their own,
// and the file keeps its encoding, Unicode or ANSI.
TEST(StartupPage, WinIniLinesAreReadExactlyAndNoLineIsLost) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string cannot = " (holds characters this program cannot handle)";
    const std::wstring greek = std::wstring(kutest::kOmega) + L"mega=C:\\Greek\\g.exe";
    const std::wstring chinese = L"\u6D4B\u8BD5=C:\\cn.exe", latin = L"Omega=C:\\Latin\\l.exe";
    const std::wstring cafe = L"Caf\u00E9=C:\\Caf\u00E9\\c.exe";
    const std::wstring load = L"[Load]\r\n" + cafe + L"\r\nKeep=C:\\keep.exe\r\n";
    const struct {
        bool unicode;
        std::wstring text;
        std::vector<std::string> odd; // the rows listed as such
    } cases[] = {
        {true,
         L"[Run]\r\n" + greek + L"\r\n" + latin + L"\r\n" + chinese + L"\r\n" + load,
         {"?mega" + cannot, "??" + cannot}},
        {false, L"[Run]\r\n" + latin + L"\r\nStay=C:\\stay.exe\r\n" + load, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unicode ? "unicode" : "ansi");
        kutest::ScratchDir folder;
        const std::string ini = folder.File("win.ini");
        WriteWinIni(ini, c.text, c.unicode);
        const std::vector<std::wstring> before = WinIniLines(ini);
        StartupPage page(465, 412, ini);
        page.Open();
        std::vector<std::string> listed = c.odd;
        listed.insert(listed.end(), {"Omega", "Caf\xE9"});
        for (const std::string& caption : listed)
            ASSERT_GE(page.Row(caption), 0) << caption;
        EXPECT_EQ(page.form.StartupListView().Text(page.Row("Omega"), 1), "C:\\Latin\\l.exe");

        // Refused with a word why, by Disable and by Remove: no line goes, none is kept.
        for (void (ku::TStartupManagerForm::*act)() : {&ku::TStartupManagerForm::DeleteItemBtnClick,
                                                       &ku::TStartupManagerForm::BtRemoveClick}) {
            if (c.odd.empty())
                break;
            for (const std::string& caption : c.odd)
                page.Press(caption, false);
            (page.form.*act)();
            ASSERT_FALSE(page.dialogs.Texts().empty());
            const std::string said = page.dialogs.Texts().back();
            for (const std::string& caption : c.odd)
                EXPECT_NE(said.find("\"" + caption +
                                    "\": its name or data holds characters this "
                                    "program cannot handle; it was left alone"),
                          std::string::npos)
                    << said;
            EXPECT_EQ(WinIniLines(ini), before);
        }
        EXPECT_EQ(kutest::ReadAll(page.bed.Backup("startup.dat")) +
                      kutest::ReadAll(page.bed.Backup("removestartup.dat")),
                  "");

        // The exact lines go alone into the backup and come back, in the file's encoding.
        const size_t said = page.dialogs.Texts().size();
        page.Press("Omega", false);
        page.Press("Caf\xE9", false);
        page.form.DeleteItemBtnClick();
        EXPECT_EQ(WinIniLines(ini), Without(before, {latin, cafe}));
        EXPECT_EQ(kutest::ReadAll(page.bed.Backup("startup.dat")),
                  "win.ini\\Load#Caf\xE9|C:\\Caf\xE9\\c.exe\r\n"
                  "win.ini\\Run#Omega|C:\\Latin\\l.exe\r\n");
        page.Press("Omega", false);
        page.Press("Caf\xE9", false);
        page.form.OpenPathBtnClick();
        EXPECT_EQ(WinIniLines(ini), before);
        EXPECT_EQ(kutest::ReadAll(page.bed.Backup("startup.dat")), "");
        EXPECT_EQ(page.dialogs.Texts().size(), said) << page.dialogs.Texts().back();
    }
}
