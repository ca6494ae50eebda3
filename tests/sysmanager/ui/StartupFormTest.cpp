// The startup manager page in a window of its own: marks and buttons, the Remove question,
// detail rows and the Restore tab, with a picture of each tab.
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
    void AddValue(const std::string& name, const std::string& data) {
        bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ, kutest::StringBytes(data));
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
        page.AddValue(name, "C:\\" + name + ".exe -x");
    page.Open();
    page.Press(a, false);
    page.Press(b, false);
    EXPECT_EQ(page.form.StartupListView().Picture(page.Row(a)), 1);
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
    EXPECT_EQ(std::make_tuple(IsWindowEnabled(page.form.RestoreBtn().Handle()),
                              IsWindowEnabled(page.form.OpenPathBtn().Handle()),
                              page.form.ListRestore().Visible()),
              std::make_tuple(TRUE, FALSE, true));
    ASSERT_EQ(page.form.ListRestore().Count(), 1);
    EXPECT_EQ(page.form.ListRestore().Text(0, 1) + "|" + page.form.ListRestore().Text(0, 2),
              c + "|C:\\" + c + ".exe -x");
    page.form.SetRestoreTick(0, true);
    uitest::SaveScreenshot(page.host.Handle(), "StartupManagerForm-Restore");
    page.form.RestoreBtnClick();
    EXPECT_EQ(page.Value(c), cValue);
    EXPECT_EQ(page.form.ListRestore().Count(), 0);
    EXPECT_EQ(page.dialogs.Calls().size(), 2u); // no more questions
}

TEST(StartupPage, FillsItsPageAndShowsVersionDetailsBelowARow) {
    StartupPage page;
    const std::string fixture = page.bed.VersionedCopy();
    const std::string plain = page.bed.program.File("plain.exe");
    CopyFileA((std::string(kutest::kFixtureDir) + "\\kusleep.exe").c_str(), plain.c_str(),
              FALSE);
    const std::string versioned = page.bed.logon.Name("versioned"),
                      bare = page.bed.logon.Name("bare");
    page.AddValue(versioned, "\"" + fixture + "\" /tray");
    page.AddValue(bare, plain);
    page.Open();
    const std::string where = "Type: Registry|Postion: HKEY_CURRENT_USER\\" + kRunKey;
    const struct { std::string caption, details; } cases[] = {
        {versioned, where + "|Product Name: KU Startup Fixture|Publish Name: Kelvane Fixture "
                            "Works|Version: 5.1.2600.0|Description: Startup fixture "
                            "program|File Path: " + fixture},
        {bare, where + "|Product Name: |Publish Name: |Version: |Description: |File Path: " +
                   plain},
    };
    const ku::TReportListView list = page.form.StartupListView();
    for (const auto& c : cases) {
        const int count = list.Count();
        page.Press(c.caption, true);
        const int row = page.Row(c.caption);
        ASSERT_EQ(list.Count(), count + 7) << c.caption;
        EXPECT_EQ(list.StatePicture(row), 3);
        std::string details; // the seven rows below it
        for (int i = row + 1; i <= row + 7; ++i)
            details += (i > row + 1 ? "|" : "") + list.Text(i, 0) + ": " + list.Text(i, 1);
        EXPECT_EQ(details, c.details);
        if (&c == &cases[0])
            uitest::SaveScreenshot(page.host.Handle(), "StartupManagerForm");
        page.Press(c.caption, true);
        EXPECT_EQ(list.Count(), count);
    }
}
