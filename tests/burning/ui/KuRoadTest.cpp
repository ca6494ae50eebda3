// The user's road to the burn window: KU.exe's Startup button, the System Manager's Restore page
// and its BurnCD button; it burns "DIDuvu.zir" from KU.exe's folder with the WNASPI32.DLL double,
// and opens at once without drives behind a manager that has none, Wine's own among them.
#include "../BurnTestSupport.h"
#include "BurnFormIds.h"
#include "IsoImage.h"
#include "MainUnitIds.h"
#include "SysManagerFormIds.h"
#include "support/Keys.h"

namespace {

// A control's text, or "(no answer)" when its window thread does not answer within a second.
std::string TextWithin(HWND control) {
    char text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 1000, &copied))
        return "(no answer)";
    return text;
}

// KU.exe's System Manager opened on its Restore page and BurnCD clicked: the burn window, or
// nullptr.
HWND OpenBurnWindow(kutest::KuSession& ku, HWND& manager) {
    if (!ku.main)
        return nullptr;
    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN));
    manager = kutest::WaitForWindowWith(ku.id, IDC_SM_BURNCD);
    if (!manager)
        return nullptr;
    kutest::ClickControl(GetDlgItem(manager, IDC_SM_RESTOREPAGE));
    if (!kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(manager, IDC_SM_BURNCD)); }))
        return nullptr;
    kutest::ClickControl(GetDlgItem(manager, IDC_SM_BURNCD));
    return kutest::WaitForWindowWith(ku.id, IDC_BURN_MSGPANEL);
}

void CloseWindows(std::initializer_list<HWND> windows) {
    for (HWND window : windows) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(window); }, 5000));
    }
}

// Without a drive the window is ready well within seconds: no drive listed, nothing to click
// but the close button.
void ExpectOpensAtOnceWithoutDrives(const std::string& manager) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    if (!manager.empty()) {
        ASSERT_TRUE(CopyFileA(manager.c_str(), dir.File("WNASPI32.DLL").c_str(), 0));
    }
    kutest::KuSession ku(dir.File("KU.exe"), dir.Path());
    HWND systemManager = nullptr;
    const DWORD start = GetTickCount();
    const HWND burn = OpenBurnWindow(ku, systemManager);
    ASSERT_NE(burn, nullptr);
    HWND status = GetDlgItem(burn, IDC_BURN_MSGPANEL);
    EXPECT_TRUE(kutest::WaitFor([&] { return TextWithin(status) == ">>> Select Drive"; }, 20000))
        << TextWithin(status);
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_EQ(SendMessageA(GetDlgItem(burn, IDC_BURN_CBDRIVES), CB_GETCOUNT, 0, 0), 0);
    for (int id : {IDC_BURN_BBURNISO, IDC_BURN_BQERASE, IDC_BURN_BABORT})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(burn, id))) << id;
    CloseWindows({burn, systemManager});
    EXPECT_EQ(ku.Close(), 0);
}

} // namespace

TEST(BurnWindowFromKu, OpensFromTheSystemManagerAndBurnsTheRecoveryImage) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    ASSERT_TRUE(CopyFileA(kutest::AspiDouble::Path().c_str(), dir.File("WNASPI32.DLL").c_str(), 0));
    ASSERT_TRUE(mmcsim::MakeIsoImage(dir.File("DIDuvu.zir"), 300));
    kutest::KuSession ku(dir.File("KU.exe"), dir.Path());
    ASSERT_NE(ku.main, nullptr);
    HWND manager = nullptr;
    const HWND burn = OpenBurnWindow(ku, manager);
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

    CloseWindows({burn, manager});
    EXPECT_EQ(ku.Close(), 0);
}

TEST(BurnWindowFromKu, OpensAtOnceBehindAManagerWithoutAdapters) {
    ExpectOpensAtOnceWithoutDrives(kutest::Fixture("silentaspi\\noadapters\\WNASPI32.DLL"));
}

// Run without the override that loads the double: KU.exe finds Wine's built-in wnaspi32.
TEST(BurnWindowFromKuWithWineAspi, OpensAtOnceWithoutDrives) {
    ExpectOpensAtOnceWithoutDrives("");
}

// The same road with keys alone: Tab and Space open the System Manager, its Restore page and the
// burn window; Esc closes the burn window, and the keys are back on BurnCD, shown and enabled;
// Esc closes the System Manager and the keys are back on the main window's Startup button.
TEST(BurnWindowFromKu, KeysAloneOpenAndLeaveItAndKeepTheirPlace) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    ASSERT_TRUE(CopyFileA(kutest::Fixture("silentaspi\\noadapters\\WNASPI32.DLL").c_str(),
                          dir.File("WNASPI32.DLL").c_str(), 0));
    kutest::KuSession ku(dir.File("KU.exe"), dir.Path());
    ASSERT_NE(ku.main, nullptr);
    ASSERT_TRUE(kutest::WaitForFocus(ku.main, IDC_MAIN_LIST)) << kutest::DescribeFocus(ku.main);
    ASSERT_TRUE(kutest::TabTo(ku.main, GetDlgItem(ku.main, IDC_MAIN_STARTUPBTN)));
    kutest::PostKey(ku.main, VK_SPACE);
    const HWND manager = kutest::WaitForWindowWith(ku.id, IDC_SM_BURNCD);
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(kutest::TabTo(manager, GetDlgItem(manager, IDC_SM_RESTOREPAGE)))
        << kutest::DescribeFocus(manager);
    kutest::PostKey(manager, VK_SPACE);
    EXPECT_TRUE(kutest::WaitForFocus(manager, IDC_SM_REGSTRINGGRID))
        << kutest::DescribeFocus(manager);
    ASSERT_TRUE(kutest::TabTo(manager, GetDlgItem(manager, IDC_SM_BURNCD)))
        << kutest::DescribeFocus(manager);
    kutest::PostKey(manager, VK_SPACE);
    const HWND burn = kutest::WaitForWindowWith(ku.id, IDC_BURN_MSGPANEL);
    ASSERT_NE(burn, nullptr);
    ASSERT_TRUE(kutest::WaitFor(
        [&] { return TextWithin(GetDlgItem(burn, IDC_BURN_MSGPANEL)) == ">>> Select Drive"; }));
    EXPECT_TRUE(kutest::WaitForFocus(burn, 0)) << kutest::DescribeFocus(burn);
    kutest::PostKey(burn, VK_ESCAPE);
    ASSERT_TRUE(kutest::WaitFor([&] { return !IsWindow(burn); }, 5000)) << "Esc kept it open";
    EXPECT_TRUE(kutest::WaitForFocus(manager, IDC_SM_BURNCD, 5000))
        << kutest::DescribeFocus(manager);
    kutest::PostKey(manager, VK_ESCAPE);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(manager); }, 5000));
    EXPECT_TRUE(kutest::WaitForFocus(ku.main, IDC_MAIN_STARTUPBTN, 5000))
        << kutest::DescribeFocus(ku.main);
    EXPECT_EQ(ku.Close(), 0);
}
