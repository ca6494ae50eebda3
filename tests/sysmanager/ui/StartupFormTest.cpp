// The startup manager page in a window of its own: the rows of every kind of logon entry and
// the details below a row; marks, Disable, the Remove question and the Restore tab.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "support/StartupTestBed.h"
#include "sysmanager/ui/StartupManagerUnit.h"

namespace {

const std::string kRunKey = kutest::LogonEntries::kRunKey;

struct StartupPage {
    kutest::RecordingDialogs dialogs;
    kutest::StartupTestBed bed;
    kutest::HostWindow host{465, 412};
    ku::TStartupManagerForm form{
        ku::StartupPlaces{bed.program.Path() + "\\", bed.logon.WinIniPath()}};

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
