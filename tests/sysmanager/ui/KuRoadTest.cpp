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

namespace {

// KU.exe run as another Windows version through Wine's per-program setting, taken away again.
class KuAsVersion {
  public:
    explicit KuAsVersion(const std::string& version) {
        kutest::RawSetString(HKEY_CURRENT_USER, kKey, "Version", version, KEY_WOW64_64KEY);
    }
    ~KuAsVersion() { kutest::RawDeleteTree(HKEY_CURRENT_USER, kKey, KEY_WOW64_64KEY); }

  private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\KU.exe";
};

} // namespace

// The DOS-mode restore button stays hidden on Windows 6.1 and on 6.0 under WOW64 (this
// sandbox is 64-bit) whichever page is opened; on 5.1 it shows with the Restore page only.
TEST(StartupReach, DosRestoreButtonFollowsTheWindowsVersionOnEveryPage) {
    ASSERT_TRUE(kutest::RunningUnderWow64());
    const struct { const char* version; bool offered; } versions[] = {
        {"win7", false}, {"vista", false}, {"winxp", true}};
    // Each page button and a control that shows once its page is open.
    const struct { int button, shown; } pages[] = {
        {IDC_SM_RESTOREPAGE, IDC_SM_REGSTRINGGRID}, {IDC_SM_STARTUPPAGE, IDC_SM_SHOWSTARTUPPANEL},
        {IDC_SM_RESTOREPAGE, IDC_SM_REGSTRINGGRID}, {IDC_SM_DEVICEPAGE, IDC_SM_DEVICESPANEL},
        {IDC_SM_BACKUPPAGE, IDC_SM_BACKUPSBT}, {IDC_SM_RESTOREPAGE, IDC_SM_REGSTRINGGRID}};
    for (const auto& v : versions) {
        SCOPED_TRACE(v.version);
        KuAsVersion as(v.version);
        kutest::KuSession ku;
        ASSERT_NE(ku.main, nullptr);
        kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN));
        const HWND manager = kutest::WaitForWindowWith(ku.id, IDC_SM_SHOWSTARTUPPANEL);
        ASSERT_NE(manager, nullptr);
        const HWND dos = GetDlgItem(manager, IDC_SM_REGRECOVERYDOS);
        for (const auto& p : pages) {
            SCOPED_TRACE(p.button);
            kutest::ClickControl(GetDlgItem(manager, p.button));
            const HWND shown = GetDlgItem(manager, p.shown);
            ASSERT_TRUE(kutest::WaitFor([&] { return IsWindowVisible(shown) != FALSE; }));
            // Answered once the click's handler has returned.
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(manager, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            EXPECT_EQ(IsWindowVisible(dos) != FALSE, v.offered && p.button == IDC_SM_RESTOREPAGE);
            // The words that lead to the button and its help come and go with it.
            for (int id : {IDC_SM_DOSTEXT, IDC_SM_HOWTODOLAB})
                EXPECT_EQ(IsWindowVisible(GetDlgItem(manager, id)) != FALSE,
                          IsWindowVisible(dos) != FALSE) << id;
        }
        PostMessageA(manager, WM_CLOSE, 0, 0);
        ASSERT_TRUE(kutest::WaitFor([&] { return !IsWindow(manager); }));
        EXPECT_EQ(ku.Close(), 0);
    }
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
