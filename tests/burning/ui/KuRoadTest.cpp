// The road a user takes to the burn window: KU.exe's Startup button, the System Manager's
// Restore page and its BurnCD button. The burn window then burns "DIDuvu.zir" from KU.exe's
// folder to the simulated drive of the WNASPI32.DLL double lying there.
#include <gtest/gtest.h>

#include <windows.h>

#include "../BurnTestSupport.h"
#include "BurnFormIds.h"
#include "IsoImage.h"
#include "MainUnitIds.h"
#include "SysManagerFormIds.h"
#include "UiSupport.h"
#include "core/system/Handles.h"
#include "support/Spawn.h"

namespace {

const char* const kSettings = "Software\\Kelvane Uninstaller";

// A press and a release on an image button of another process's window.
void ClickImage(HWND button) {
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

std::string TextOf(HWND control) {
    char text[512] = {};
    SendMessageA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

struct WindowSearch {
    DWORD processId;
    int controlId;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        GetDlgItem(window, search->controlId))
        search->found = window;
    return search->found == nullptr;
}

// A visible top-level window of the process that holds a control with the id.
HWND WindowWithControl(DWORD processId, int controlId) {
    WindowSearch search{processId, controlId, nullptr};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TEST(BurnWindowFromKu, OpensFromTheSystemManagerAndBurnsTheRecoveryImage) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    ASSERT_TRUE(CopyFileA(kutest::AspiDouble::Path().c_str(), dir.File("WNASPI32.DLL").c_str(), 0));
    ASSERT_TRUE(mmcsim::MakeIsoImage(dir.File("DIDuvu.zir"), 300));
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    DWORD id = 0;
    ku::UniqueHandle process(kutest::StartProgram("\"" + dir.File("KU.exe") + "\"", &id, dir.Path()));
    HWND main = kutest::WaitForMainWindow(id);
    ASSERT_NE(main, nullptr);

    ClickImage(GetDlgItem(main, IDC_MAIN_STARTUPBTN));
    HWND manager = nullptr;
    ASSERT_TRUE(kutest::WaitFor([&] { return (manager = WindowWithControl(id, IDC_SM_BURNCD)); }));
    ClickImage(GetDlgItem(manager, IDC_SM_RESTOREPAGE));
    ASSERT_TRUE(kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(manager, IDC_SM_BURNCD)); }));
    ClickImage(GetDlgItem(manager, IDC_SM_BURNCD));
    HWND burn = nullptr;
    ASSERT_TRUE(kutest::WaitFor([&] { return (burn = WindowWithControl(id, IDC_BURN_MSGPANEL)); }));
    HWND status = GetDlgItem(burn, IDC_BURN_MSGPANEL);
    ASSERT_TRUE(kutest::WaitFor([&] { return TextOf(status) == ">>> Select Drive"; }));
    EXPECT_EQ(TextOf(burn), "Burn the System Recovery CD->DIDuvu.zir");
    EXPECT_EQ(TextOf(GetDlgItem(burn, IDC_BURN_EDITFILENAME)), dir.File("DIDuvu.zir"));

    HWND drives = GetDlgItem(burn, IDC_BURN_CBDRIVES);
    ASSERT_EQ(SendMessageA(drives, CB_GETCOUNT, 0, 0), 1);
    SendMessageA(drives, CB_SETCURSEL, 0, 0);
    SendMessageA(burn, WM_COMMAND, MAKEWPARAM(IDC_BURN_CBDRIVES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
    HWND burnButton = GetDlgItem(burn, IDC_BURN_BBURNISO);
    ASSERT_TRUE(IsWindowEnabled(burnButton));
    PostMessageA(burn, WM_COMMAND, MAKEWPARAM(IDC_BURN_BBURNISO, BN_CLICKED),
                 reinterpret_cast<LPARAM>(burnButton));
    EXPECT_TRUE(kutest::WaitFor(
        [&] { return TextOf(status).rfind(">>> WRITE/BURNCD PROCESS DONE", 0) == 0; }, 90000));
    EXPECT_EQ(TextOf(status), ">>> WRITE/BURNCD PROCESS DONE");
    EXPECT_TRUE(uitest::SaveScreenshot(burn, "BurnFormFromKU"));

    PostMessageA(burn, WM_CLOSE, 0, 0);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(burn); }));
    PostMessageA(manager, WM_CLOSE, 0, 0);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(manager); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(kutest::WaitForExit(process.get(), 15000), 0);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kSettings, KEY_WOW64_64KEY);
}
