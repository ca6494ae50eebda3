// The wizard under the keyboard and read by a user: Tab reaches Next and Cancel, Enter goes
// on, Esc cancels; the force page's browse buttons rest while the scan runs; the result lists
// name each key once with its root and scroll to their longest line.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/TextFit.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

std::string Cell(HWND list, int row, int column) {
    char text[1024] = {};
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
}

class WizardKeys : public wizardtest::WizardWindow {
protected:
    WizardKeys() : WizardWindow("KuKeysDemo") {}
};

TEST_F(WizardKeys, TabReachesNextAndCancelEnterGoesOnEscCancels) {
    Open(0);
    const std::vector<HWND> stops = uitest::TabStops(form.Handle());
    for (int id : {IDC_STEP_STEPBITBTN, IDC_STEP_CANCELBITBTN})
        EXPECT_NE(std::find(stops.begin(), stops.end(), Item(id)), stops.end()) << id;
    SetFocus(Item(IDC_STEP_CANCELBITBTN));
    uitest::PressKey(form.Handle(), VK_SPACE); // a focused button is pressed with Space
    EXPECT_EQ(form.Handle(), nullptr) << "Space on Cancel";

    TUninstallStepForm again;
    again.DisplayName = again.UninstallKeyName = "KuKeysDemo";
    ASSERT_TRUE(again.Create(nullptr));
    again.Show();
    uitest::PumpMessages(100);
    uitest::PressKey(again.Handle(), VK_RETURN);
    EXPECT_EQ(again.PageIndex(), PageScan) << "Enter is Next";
    uitest::PressKey(again.Handle(), VK_ESCAPE);
    EXPECT_EQ(again.Handle(), nullptr) << "Esc is Cancel";
}

// What the browse buttons were while the force scan ran, seen from inside its message loop.
int browseEnabledDuringScan = -1;
void CALLBACK DuringForceScan(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    browseEnabledDuringScan = IsWindowEnabled(GetDlgItem(window, IDC_STEP_SPEEDBUTTON1)) ||
                              IsWindowEnabled(GetDlgItem(window, IDC_STEP_SPEEDBUTTON2));
}

// A force scan of a folder whose program left keys in both roots, in two letter cases and
// with a long value: the browse buttons rest during the scan, each key shows once with its
// root, and each column is as wide as its widest cell.
TEST_F(WizardKeys, ForceScanRestsTheBrowseButtonsAndListsEachKeyOnceWithItsRoot) {
    const std::string name = "Ku Keys App " + std::to_string(GetCurrentProcessId());
    const std::string folder = dir.File(name);
    CreateDirectoryA(folder.c_str(), nullptr);
    char shortForm[MAX_PATH] = {};
    GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
    const std::string longValue(300, 'v');
    kutest::PlantedRegistry registry;
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name, "Home", shortForm);
    registry.String(HKEY_CURRENT_USER, "Software\\" + name, "Home" + longValue, shortForm);
    SetMessageBoxHook([](const MessageBoxCall&) { return IDOK; });
    Open(1);
    SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str());
    browseEnabledDuringScan = -1;
    SetTimer(form.Handle(), 0x7E57, 1, DuringForceScan);
    form.StepBitBtnClick();
    EXPECT_EQ(browseEnabledDuringScan, 0) << "a folder dialog could open mid-scan";
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_STEP_SPEEDBUTTON1)) &&
                IsWindowEnabled(Item(IDC_STEP_SPEEDBUTTON2)));
    if (form.PageIndex() == PageRegRemain)
        form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageResult);

    const HWND list = Item(IDC_STEP_REGLISTVIEW);
    std::multiset<std::string> shown;
    int keyWidth = 0, valueWidth = 0;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        const std::string key = Cell(list, row, 0), value = Cell(list, row, 1);
        shown.insert(UpperCase(key + "|" + value));
        keyWidth = std::max(keyWidth, TextWidth(list, key));
        valueWidth = std::max(valueWidth, TextWidth(list, value));
    }
    for (const char* root : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\", "HKEY_CURRENT_USER\\SOFTWARE\\"}) {
        const std::string key = UpperCase(root + name);
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const std::string& s) {
            return s.rfind(key, 0) == 0;
        })) << key;
    }
    for (const std::string& line : shown)
        EXPECT_EQ(shown.count(line), 1u) << line;
    EXPECT_GE(ListView_GetColumnWidth(list, 0), keyWidth);
    EXPECT_GE(ListView_GetColumnWidth(list, 1), valueWidth);
    const HWND files = Item(IDC_STEP_FILELISTVIEW);
    for (int row = 0; row < ListView_GetItemCount(files); ++row)
        EXPECT_GE(ListView_GetColumnWidth(files, 0), TextWidth(files, Cell(files, row, 0)));
    form.CancelBitBtnClick();
}

} // namespace
