// The way a user reaches the two pages: KU.exe's main window, its Startup button, then the
// System Manager's Startup and Devices pages, each filling its page with what it lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "DevicesFormIds.h"
#include "MainUnitIds.h"
#include "StartupManagerFormIds.h"
#include "SysManagerFormIds.h"
#include "UiSupport.h"
#include "support/LogonEntries.h"
#include "support/Spawn.h"

namespace {

// The page window made in a page host of the System Manager, once it shows.
HWND ShownPage(HWND manager, int host, int pageButton) {
    kutest::ClickControl(GetDlgItem(manager, pageButton));
    HWND page = nullptr;
    kutest::WaitFor([&] {
        page = FindWindowExA(GetDlgItem(manager, host), nullptr, "#32770", nullptr);
        return page && IsWindowVisible(page);
    });
    return page;
}

} // namespace

TEST(StartupReach, MainWindowOpensTheSystemManagerWithBothPagesFilled) {
    kutest::LogonEntries logon;
    logon.AddRunValue(HKEY_CURRENT_USER, logon.Name("reach"), REG_SZ, kutest::StringBytes("x"));
    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr);
    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN));
    const HWND manager = kutest::WaitForWindowWith(ku.id, IDC_SM_SHOWSTARTUPPANEL);
    ASSERT_NE(manager, nullptr);

    const struct {
        int host, button, list;
        UINT countMessage;
        const char* picture;
    } pages[] = {{IDC_SM_SHOWSTARTUPPANEL, IDC_SM_STARTUPPAGE, IDC_STARTUP_STARTUPLISTVIEW,
                  LVM_GETITEMCOUNT, "SysManagerStartupPage"},
                 {IDC_SM_DEVICESPANEL, IDC_SM_DEVICEPAGE, IDC_DEV_TREEVIEW, TVM_GETCOUNT,
                  "SysManagerDevicesPage"}};
    for (const auto& p : pages) {
        const HWND page = ShownPage(manager, p.host, p.button);
        ASSERT_NE(page, nullptr) << p.picture;
        const HWND list = GetDlgItem(page, p.list);
        EXPECT_TRUE(kutest::WaitFor([&] { return SendMessageA(list, p.countMessage, 0, 0) > 0; }))
            << p.picture;
        uitest::SaveScreenshot(manager, p.picture);
    }
    PostMessageA(manager, WM_CLOSE, 0, 0);
    ASSERT_TRUE(kutest::WaitFor([&] { return !IsWindow(manager); }));
    EXPECT_EQ(ku.Close(), 0);
}
