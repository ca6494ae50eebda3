// The wizard under the keyboard and read by a user: Tab reaches Next and Cancel, Enter goes
// on, Esc cancels; the force page's browse buttons rest while the scan runs; the result lists
// name each key once with its root and scroll to their longest line.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/TextFit.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/Keys.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

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

// A program folder whose keys the force scan finds, with a vendor key it offers to tick.
struct ForceTarget {
    ForceTarget(const kutest::ScratchDir& dir, const std::string& tag)
        : name("Ku Keys Force " + tag + " " + std::to_string(GetCurrentProcessId())),
          folder(dir.File(name)) {
        CreateDirectoryA(folder.c_str(), nullptr);
        kutest::WriteTextFile(folder + "\\force.dat");
        char shortForm[MAX_PATH] = {};
        GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
        registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "\\Settings", "Home", shortForm);
        registry.String(HKEY_CURRENT_USER, "Software\\" + name, "LastRun", "today");
    }
    std::string name, folder;
    kutest::PlantedRegistry registry;
};

// The wizard the window thread runs modally, seen from the user's thread.
HWND ShownWizard() {
    HWND wizard = nullptr;
    kutest::WaitFor([&] {
        wizard = UninstallStepForm ? UninstallStepForm->Handle() : nullptr;
        return wizard && IsWindowVisible(wizard);
    });
    return wizard;
}

// The user's part of a force run with keys alone: on each page the keys rest on its own
// control before Enter goes on; the Finish page is left with the given key. Whatever went
// wrong, the wizard is closed at the end.
void KeysAloneThroughTheForceWizard(UINT lastKey, bool alt) {
    const HWND wizard = ShownWizard();
    const auto shows = [&](int id) {
        return kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(wizard, id)) != FALSE; },
                               60000);
    };
    const struct {
        int shows, keysOn;
        const char* page;
    } pages[] = {{IDC_STEP_TXTPATH, IDC_STEP_STEPBITBTN, "force"},
                 {IDC_STEP_REGTREEVIEW, IDC_STEP_REGTREEVIEW, "tree"},
                 {IDC_STEP_REGLISTVIEW, IDC_STEP_STEPBITBTN, "result"},
                 {IDC_STEP_ABFINISH, IDC_STEP_STEPBITBTN, "finish"}};
    bool going = true;
    for (const auto& p : pages) {
        if (!going)
            break;
        going = shows(p.shows);
        EXPECT_TRUE(going) << p.page;
        if (going && p.shows == IDC_STEP_ABFINISH) // the removal ends before Finish can be pressed
            kutest::WaitFor(
                [&] { return WindowText(GetDlgItem(wizard, IDC_STEP_STEPBITBTN)) == "Finish"; },
                60000);
        EXPECT_TRUE(going && kutest::WaitForFocus(wizard, p.keysOn))
            << p.page << ": " << kutest::DescribeFocus(wizard);
        kutest::PostKey(wizard, p.shows == IDC_STEP_ABFINISH ? lastKey : VK_RETURN,
                        p.shows == IDC_STEP_ABFINISH && alt);
    }
    EXPECT_TRUE(going && kutest::WaitFor([&] { return !IsWindow(wizard); }, 10000)) << "still open";
    for (int i = 0; i < 100 && UninstallStepForm; ++i) {
        PostMessageA(wizard, WM_CLOSE, 0, 0);
        Sleep(100);
    }
}

// The force wizard with keys alone, left by Enter on Finish, by Esc and by Alt+F4: each way the
// folder has gone and the wizard tells the main window to read its list again.
TEST_F(WizardKeys, KeysAloneTakeTheForceWizardToItsEndAndAnyWayOutReloadsTheList) {
    SetMessageBoxHook([](const MessageBoxCall& call) {
        return call.text.rfind("Would you like to backup", 0) == 0 ? IDNO : IDYES;
    });
    const struct {
        UINT key;
        bool alt;
        const char* way;
    } endings[] = {{VK_RETURN, false, "Enter"}, {VK_ESCAPE, false, "Esc"}, {VK_F4, true, "Alt+F4"}};
    for (const auto& e : endings) {
        SCOPED_TRACE(e.way);
        const ForceTarget target(dir, e.way);
        std::thread user(KeysAloneThroughTheForceWizard, e.key, e.alt);
        const int done = RunForceUninstallWizard(nullptr, "", target.folder);
        user.join();
        EXPECT_EQ(done, 1) << "the list is not reloaded";
        EXPECT_EQ(GetFileAttributesA(target.folder.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// Esc while the force scan runs cancels as Cancel does: the wizard closes soon and nothing of
// the program is touched.
TEST_F(WizardKeys, EscDuringTheForceScanCancels) {
    const ForceTarget target(dir, "Esc");
    Open(1);
    SetWindowTextA(Item(IDC_STEP_TXTPATH), target.folder.c_str());
    ASSERT_TRUE(uitest::PumpUntil([&] { return kutest::FocusOf(form.Handle()) != nullptr; }, 5000));
    const HWND wizard = form.Handle();
    std::atomic<bool> pressed{false};
    std::thread user([&] {
        const auto scanning = [&] {
            return IsWindowVisible(GetDlgItem(wizard, IDC_STEP_REGSKIPEXBTN)) ||
                   IsWindowVisible(GetDlgItem(wizard, IDC_STEP_FILESKIPEXBTN));
        };
        for (int i = 0; i < 20000 && !scanning(); ++i)
            Sleep(1);
        if (scanning()) {
            kutest::PostKey(wizard, VK_ESCAPE);
            pressed = true;
        }
    });
    const DWORD start = GetTickCount();
    uitest::PressKey(wizard, VK_RETURN);
    user.join();
    ASSERT_TRUE(pressed) << "the scan was over before Esc";
    EXPECT_TRUE(uitest::PumpUntil([&] { return form.Handle() == nullptr; }, 5000))
        << "Esc did not cancel the scan";
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_EQ(form.UninstallDone, 0);
    EXPECT_NE(GetFileAttributesA((target.folder + "\\force.dat").c_str()), INVALID_FILE_ATTRIBUTES);
    if (form.Handle())
        form.CancelBitBtnClick();
}

} // namespace
