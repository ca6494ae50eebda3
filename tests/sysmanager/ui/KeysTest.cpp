// The System Manager under the keyboard: Tab reaches every page button and, once a page is
// open, its list; Enter on a focused page button opens that page; Esc closes the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "DevicesFormIds.h"
#include "StartupManagerFormIds.h"
#include "SysManagerFormIds.h"
#include "UiSupport.h"
#include "support/Keys.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "sysmanager/ui/SysManagerUnit.h"

namespace {

bool Reaches(const std::vector<HWND>& stops, HWND control) {
    return std::find(stops.begin(), stops.end(), control) != stops.end();
}

TEST(SystemManagerKeys, TabReachesThePagesAndTheirListsEnterOpensEscCloses) {
    kutest::RecordingDialogs dialogs;
    kutest::RecordingLauncher launcher;
    ku::TRecoveryForm form;
    ku::RecoveryForm = &form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(200);
    const HWND window = form.Handle();
    const std::vector<HWND> first = uitest::TabStops(window);
    for (int id : {IDC_SM_BACKUPPAGE, IDC_SM_RESTOREPAGE, IDC_SM_STARTUPPAGE, IDC_SM_DEVICEPAGE,
                   IDC_SM_BACKUPSBT, IDC_SM_CLOSEBTN})
        EXPECT_TRUE(Reaches(first, form.Item(id))) << id;

    // Each page opened from the keyboard: its button focused, then Enter.
    const struct {
        int button;
        const char* page;
        int list;
    } pages[] = {{IDC_SM_STARTUPPAGE, "startup", IDC_STARTUP_STARTUPLISTVIEW},
                 {IDC_SM_DEVICEPAGE, "devices", IDC_DEV_TREEVIEW}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.page);
        SetFocus(form.Item(p.button));
        uitest::PressKey(window, VK_RETURN);
        uitest::PumpMessages(200);
        HWND list = nullptr;
        for (HWND stop : uitest::TabStops(window))
            if (GetDlgCtrlID(stop) == p.list)
                list = stop;
        EXPECT_NE(list, nullptr) << "Tab never reaches the page's list";
        EXPECT_TRUE(list && IsWindowVisible(list));
    }
    uitest::PressKey(window, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window)) << "Esc did not close the System Manager";
    ku::RecoveryForm = nullptr;
}

// Pages chosen with Space, each reached with Tab: the chosen page's button rests disabled and
// the keys go into the page, onto what it is for; from there Tab and Esc still work.
TEST(SystemManagerKeys, SpaceOnAPageButtonPutsTheKeysIntoThePage) {
    kutest::RecordingDialogs dialogs;
    kutest::RecordingLauncher launcher;
    ku::TRecoveryForm form;
    ku::RecoveryForm = &form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(200);
    const HWND window = form.Handle();
    const struct {
        int button, focus;
    } pages[] = {{IDC_SM_RESTOREPAGE, IDC_SM_REGSTRINGGRID},
                 {IDC_SM_STARTUPPAGE, IDC_STARTUP_STARTUPLISTVIEW},
                 {IDC_SM_DEVICEPAGE, IDC_DEV_TREEVIEW},
                 {IDC_SM_BACKUPPAGE, IDC_SM_BACKUPSBT}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.button);
        ASSERT_TRUE(uitest::TabTo(window, form.Item(p.button))) << kutest::DescribeFocus(window);
        uitest::PressKey(window, VK_SPACE);
        uitest::PumpMessages(100);
        EXPECT_TRUE(kutest::KeysOnUsableControl(window)) << kutest::DescribeFocus(window);
        EXPECT_EQ(GetDlgCtrlID(kutest::FocusOf(window)), p.focus);
    }
    uitest::PressKey(window, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window)) << "Esc did not close the System Manager";
    ku::RecoveryForm = nullptr;
}

} // namespace
