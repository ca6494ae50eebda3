// KU.exe's own roads to the System Manager: the main window's Startup button to the Startup and
// Devices pages, and -AUTORUN as Windows starts it at logon to back the hives up.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "DevicesFormIds.h"
#include "MainUnitIds.h"
#include "StartupManagerFormIds.h"
#include "SysManagerFormIds.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ProcessUnit.h"
#include "support/LogonEntries.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "sysmanager/RegstoreFunUnit.h"

TEST(StartupReach, MainWindowOpensTheSystemManagerWithBothPagesFilled) {
    kutest::LogonEntries logon;
    logon.AddRunValue(HKEY_CURRENT_USER, logon.Name("reach"), REG_SZ, kutest::StringBytes("x"));
    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr);
    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN));
    const HWND manager = kutest::WaitForWindowWith(ku.id, IDC_SM_SHOWSTARTUPPANEL);
    ASSERT_NE(manager, nullptr);
    const struct { int host, button, list; UINT countMessage; } pages[] = {
        {IDC_SM_SHOWSTARTUPPANEL, IDC_SM_STARTUPPAGE, IDC_STARTUP_STARTUPLISTVIEW,
         LVM_GETITEMCOUNT},
        {IDC_SM_DEVICESPANEL, IDC_SM_DEVICEPAGE, IDC_DEV_TREEVIEW, TVM_GETCOUNT}};
    for (const auto& p : pages) {
        kutest::ClickControl(GetDlgItem(manager, p.button));
        HWND page = nullptr; // the page window made in its host, once it shows
        ASSERT_TRUE(kutest::WaitFor([&] {
            page = FindWindowExA(GetDlgItem(manager, p.host), nullptr, "#32770", nullptr);
            return page && IsWindowVisible(page);
        })) << p.list;
        const HWND list = GetDlgItem(page, p.list);
        EXPECT_TRUE(kutest::WaitFor([&] { return SendMessageA(list, p.countMessage, 0, 0) > 0; }))
            << p.list;
    }
    PostMessageA(manager, WM_CLOSE, 0, 0);
    ASSERT_TRUE(kutest::WaitFor([&] { return !IsWindow(manager); }));
    EXPECT_EQ(ku.Close(), 0);
}

// It ends by itself, and a saved hive loads again with RegLoadKeyA.
TEST(AutoRun, BacksUpTheHivesAndEndsByItself) {
    const char* const loaded = "KelvaneLoadedBackup";
    kutest::ScratchKey marker(HKEY_LOCAL_MACHINE);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, marker.Path(), "Marker", "saved at logon",
                         KEY_WOW64_64KEY);
    const std::string dir = ku::DefaultBackupFolder();
    const std::vector<std::string> before = ku::ListRegistryBackups(dir);
    HANDLE ku = kutest::StartKu("-AUTORUN", nullptr);
    ASSERT_EQ(kutest::WaitForExit(ku, 60000), 0);
    CloseHandle(ku);
    const std::vector<std::string> after = ku::ListRegistryBackups(dir);
    ASSERT_EQ(after.size(), std::min<size_t>(before.size() + 1, 8));
    const std::string folder = dir + "\\" + after.back();
    ku::EnableTokenPrivilege("SeBackupPrivilege");
    ku::EnableTokenPrivilege("SeRestorePrivilege");
    ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, loaded, (folder + "\\SOFTWARE").c_str()),
              ERROR_SUCCESS);
    // The whole hive, not only the 32-bit programs' part of it.
    const std::string path = marker.Path().substr(std::string("Software\\").size());
    EXPECT_EQ(kutest::RawReadString(HKEY_LOCAL_MACHINE, std::string(loaded) + "\\" + path,
                                    "Marker", KEY_WOW64_64KEY),
              "saved at logon");
    EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, loaded), ERROR_SUCCESS);
    ku::DeleteDirectoryTree(folder);
}
