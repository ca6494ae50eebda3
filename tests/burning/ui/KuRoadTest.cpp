// The user's road to the burn window: KU.exe's Startup button, the System Manager's Restore page
// and its BurnCD button; it burns "DIDuvu.zir" from KU.exe's folder with the WNASPI32.DLL double.
#include "../BurnTestSupport.h"
#include "BurnFormIds.h"
#include "IsoImage.h"
#include "MainUnitIds.h"
#include "SysManagerFormIds.h"

TEST(BurnWindowFromKu, OpensFromTheSystemManagerAndBurnsTheRecoveryImage) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    ASSERT_TRUE(CopyFileA(kutest::AspiDouble::Path().c_str(), dir.File("WNASPI32.DLL").c_str(), 0));
    ASSERT_TRUE(mmcsim::MakeIsoImage(dir.File("DIDuvu.zir"), 300));
    kutest::KuSession ku(dir.File("KU.exe"), dir.Path());
    ASSERT_NE(ku.main, nullptr);

    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN));
    const HWND manager = kutest::WaitForWindowWith(ku.id, IDC_SM_BURNCD);
    ASSERT_NE(manager, nullptr);
    kutest::ClickControl(GetDlgItem(manager, IDC_SM_RESTOREPAGE));
    ASSERT_TRUE(
        kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(manager, IDC_SM_BURNCD)); }));
    kutest::ClickControl(GetDlgItem(manager, IDC_SM_BURNCD));
    const HWND burn = kutest::WaitForWindowWith(ku.id, IDC_BURN_MSGPANEL);
    ASSERT_NE(burn, nullptr);
    HWND status = GetDlgItem(burn, IDC_BURN_MSGPANEL);
    ASSERT_TRUE(kutest::WaitFor([&] { return kutest::TextOf(status) == ">>> Select Drive"; }));
    EXPECT_EQ(kutest::TextOf(GetDlgItem(burn, IDC_BURN_EDITFILENAME)), dir.File("DIDuvu.zir"));

    HWND drives = GetDlgItem(burn, IDC_BURN_CBDRIVES),
         burnButton = GetDlgItem(burn, IDC_BURN_BBURNISO);
    ASSERT_EQ(SendMessageA(drives, CB_GETCOUNT, 0, 0), 1);
    SendMessageA(drives, CB_SETCURSEL, 0, 0);
    SendMessageA(burn, WM_COMMAND, MAKEWPARAM(IDC_BURN_CBDRIVES, CBN_SELCHANGE), 0);
    ASSERT_TRUE(IsWindowEnabled(burnButton));
    kutest::ClickControl(burnButton);
    kutest::WaitFor(
        [&] { return kutest::TextOf(status).rfind(">>> WRITE/BURNCD PROCESS DONE", 0) == 0; },
        90000);
    EXPECT_EQ(kutest::TextOf(status), ">>> WRITE/BURNCD PROCESS DONE");

    for (HWND window : {burn, manager}) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(window); }));
    }
    EXPECT_EQ(ku.Close(), 0);
}
