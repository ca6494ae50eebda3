// KU.exe with keys alone, from its start: the list, the registry view, the row of an installed
// program, its uninstall wizard page by page to the Finish page, which Alt+F4 leaves; the list
// is read again and no longer shows the program. On every page the keys rest on the page's own
// control, shown and enabled; message boxes are answered with Enter (their default).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "WizardSupport.h"
#include "support/Keys.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

// A message box of KU.exe: a dialog with the box's text control.
HWND MessageBoxOf(DWORD id) {
    for (int button : {IDOK, IDYES})
        if (const HWND box = kutest::WaitForWindowWith(id, button, 0))
            if (GetDlgItem(box, 0xFFFF))
                return box;
    return nullptr;
}

// Waits for condition, answering KU.exe's message boxes with Enter meanwhile.
bool Until(DWORD id, const std::function<bool()>& condition, DWORD ms = 120000) {
    return kutest::WaitFor(
        [&] {
            if (const HWND box = MessageBoxOf(id); box && kutest::WaitForFocus(box, 0, 5000)) {
                kutest::PostKey(box, VK_RETURN);
                kutest::WaitFor([&] { return !IsWindow(box); }, 5000);
            }
            return condition();
        },
        ms);
}

TEST(KeysFromKu, KeysAloneUninstallAProgramAndAltF4OnFinishReadsTheListAgain) {
    wizardtest::DemoApp app;
    ASSERT_EQ(app.Install(), 0);
    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr);
    const HWND main = ku.main;
    const auto item = [&](int id) { return GetDlgItem(main, id); };
    const HWND list = item(IDC_MAIN_LIST);
    ASSERT_TRUE(kutest::WaitForFocus(main, IDC_MAIN_LIST)) << kutest::DescribeFocus(main);
    if (kutest::RunningUnderWow64()) { // the 32-bit program is listed in the 32-bit view
        ASSERT_TRUE(kutest::TabTo(main, item(IDC_MAIN_SYSBIT64))) << kutest::DescribeFocus(main);
        kutest::PostKey(main, VK_DOWN);
        ASSERT_TRUE(kutest::WaitFor(
            [&] { return SendMessageA(item(IDC_MAIN_SYSBIT32), BM_GETCHECK, 0, 0) != 0; }));
        ASSERT_TRUE(kutest::TabTo(main, list));
    }
    ASSERT_TRUE(kutest::WaitFor([&] { return ListView_GetItemCount(list) > 0; }));
    const int rows = ListView_GetItemCount(list);
    kutest::PostKey(main, VK_HOME);
    kutest::WaitFor([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == 0; }, 2000);
    const auto selected = [&] { return kutest::TextOf(item(IDC_MAIN_ABPROGRAMNAME)); };
    for (int row = 0; row < rows && selected() != "KuDemoApp"; ++row) {
        kutest::PostKey(main, VK_DOWN);
        kutest::WaitFor([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == row + 1; },
                        2000);
    }
    ASSERT_EQ(selected(), "KuDemoApp");
    kutest::PostKey(main, VK_RETURN);
    const HWND wizard = kutest::WaitForWindowWith(ku.id, IDC_STEP_STEPBITBTN);
    ASSERT_NE(wizard, nullptr) << "Enter on the row opened no wizard";

    const struct {
        int shows;
        const char* page;
    } pages[] = {{IDC_STEP_ABVERSION, "description"},
                 {IDC_STEP_SCANSTEP1, "scan"},
                 {IDC_STEP_REGLISTVIEW, "result"},
                 {IDC_STEP_ABFINISH, "finish"}};
    const HWND next = GetDlgItem(wizard, IDC_STEP_STEPBITBTN);
    for (const auto& p : pages) {
        SCOPED_TRACE(p.page);
        ASSERT_TRUE(Until(ku.id, [&] { return IsWindowVisible(GetDlgItem(wizard, p.shows)); }));
        if (p.shows == IDC_STEP_ABFINISH) { // the removal ends before Finish can be pressed
            ASSERT_TRUE(Until(ku.id, [&] { return kutest::TextOf(next) == "Finish"; }));
        }
        ASSERT_TRUE(kutest::WaitForFocus(wizard, IDC_STEP_STEPBITBTN))
            << kutest::DescribeFocus(wizard);
        kutest::PostKey(wizard, p.shows == IDC_STEP_ABFINISH ? VK_F4 : VK_RETURN,
                        p.shows == IDC_STEP_ABFINISH);
    }
    ASSERT_TRUE(kutest::WaitFor([&] { return !IsWindow(wizard); })) << "Alt+F4 kept it open";
    EXPECT_TRUE(kutest::WaitFor([&] { return ListView_GetItemCount(list) == rows - 1; }))
        << "the list still shows the program";
    EXPECT_TRUE(kutest::WaitForFocus(main, IDC_MAIN_LIST)) << kutest::DescribeFocus(main);
    EXPECT_EQ(ku.Close(), 0);
}

} // namespace
