// The options dialog under the virtual display: the stored options and backups it shows, OK on
// the pages that have it, the registry restore from the list, and its opening from the main
// window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <deque>

#include "UiSupport.h"
#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/ui/main/MainUnit.h"
#include "core/ui/options/OptionUnit.h"
#include "resource.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

bool IsChecked(HWND control) {
    return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void SetChecked(HWND control, bool on) {
    SendMessageA(control, BM_SETCHECK, on, 0);
}

// Seen and cancelled: the options dialog the main window's "Options" label opened modally.
bool optionsSeen = false;
VOID CALLBACK CancelOptions(HWND, UINT, UINT_PTR timer, DWORD) {
    if (ku::FormOptions && ku::FormOptions->Handle()) {
        KillTimer(nullptr, timer);
        optionsSeen = IsWindowVisible(ku::FormOptions->Handle()) != FALSE;
        PostMessageA(ku::FormOptions->Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

class OptionsFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.Places.exePath = dir.File("KU.exe");
        ASSERT_TRUE(kutest::WriteTextFile(form.Places.exePath, "MZ"));
        form.Places.settingsKey = "\\" + settings.Path();
        form.Places.policiesKey = policies.Path();
        form.RepairPause = [](DWORD) {};
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes.push_back(call);
            if (onBox)
                onBox(call);
            int answer = answers.empty() ? IDOK : answers.front();
            if (!answers.empty())
                answers.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        ku::SetMessageBoxHook(nullptr);
        kutest::RawDeleteTree(HKEY_CURRENT_USER, settings.Path(), KEY_WOW64_64KEY);
    }
    void Open() {
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(300);
    }
    std::string Backups() const { return dir.Path() + "\\FullBackup"; }
    HWND Item(int id) const { return form.Item(id); }
    // The general page's ticks (update check, details, icons, list, UAC) and whether UAC can
    // be changed.
    std::string Ticks() const {
        std::string ticks;
        for (int id : {IDC_OPT_CBCHECKUPDATE, IDC_OPT_DETAILSCHECKBOX, IDC_OPT_ICONSCHECKBOX,
                       IDC_OPT_LISTCHECKBOX, IDC_OPT_UACENABLE})
            ticks += IsChecked(Item(id)) ? "x" : "-";
        return ticks + (IsWindowEnabled(Item(IDC_OPT_UACENABLE)) ? " uac" : " fixed uac");
    }

    kutest::ScratchKey settings{HKEY_LOCAL_MACHINE};
    kutest::ScratchKey policies{HKEY_LOCAL_MACHINE};
    kutest::ScratchDir dir;
    ku::TFormOptions form;
    std::vector<ku::MessageBoxCall> boxes;
    std::deque<int> answers;
    std::function<void(const ku::MessageBoxCall&)> onBox;
};

} // namespace

TEST_F(OptionsFormTest, PagesShowTheStoredOptionsAndTheBackups) {
    kutest::RawSetDword(HKEY_LOCAL_MACHINE, settings.Path(), "CheckUpdate", 0, KEY_WOW64_64KEY);
    kutest::RawSetDword(HKEY_LOCAL_MACHINE, settings.Path(), "ViewStyle", 1, KEY_WOW64_64KEY);
    kutest::RawSetDword(HKEY_LOCAL_MACHINE, policies.Path(), "EnableLUA", 1, KEY_WOW64_64KEY);
    ASSERT_TRUE(CreateDirectoryA(Backups().c_str(), nullptr));
    ASSERT_TRUE(kutest::WriteTextFile(Backups() + "\\Backup_20100105_093000.reg", "REGEDIT4\r\n"));
    ASSERT_TRUE(kutest::WriteTextFile(Backups() + "\\Backup_20100210_180510.reg", "REGEDIT4\r\n"));
    Open();
    EXPECT_EQ(Ticks(), "--x-x uac");
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "OptionsGeneralSettings"));

    form.MainPageControlChange(ku::TFormOptions::RestoreRegistryPage);
    EXPECT_EQ(ListView_GetItemCount(Item(IDC_OPT_REGFILELISTVIEW)), 2);

    // OK on Restore System runs the ticked sets and asks for a restart.
    form.MainPageControlChange(ku::TFormOptions::RestoreSystemPage);
    SetChecked(Item(IDC_OPT_CHECKBOX2), true);
    kutest::RecordingLauncher launcher;
    form.BitBtn1Click();
    EXPECT_EQ(form.Handle(), nullptr);
    EXPECT_EQ(launcher.Requests().size(), 2u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption + "|" + boxes[0].text, "Please restart system!|\rRestore winsock!");
}

TEST_F(OptionsFormTest, OkOnGeneralSettingsStoresOptionsAndLeavesAMissingUacAlone) {
    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, policies.Path(), KEY_WOW64_64KEY);
    Open(); // no settings key yet: the defaults show
    EXPECT_EQ(Ticks(), "xx--- fixed uac");

    SetChecked(Item(IDC_OPT_CBCHECKUPDATE), false);
    SetChecked(Item(IDC_OPT_DETAILSCHECKBOX), false);
    SetChecked(Item(IDC_OPT_LISTCHECKBOX), true);
    const bool registered = IsChecked(Item(IDC_OPT_RIGHTCHECK));
    kutest::RecordingLauncher launcher;
    form.BitBtn1Click();
    EXPECT_EQ(form.Handle(), nullptr); // closed
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        EXPECT_EQ(kutest::RawReadDword(root, settings.Path(), "ViewStyle", KEY_WOW64_64KEY), 2);
        EXPECT_EQ(kutest::RawReadDword(root, settings.Path(), "CheckUpdate", KEY_WOW64_64KEY), 0);
    }
    EXPECT_EQ(ku::Settings.ViewStyle, 2);
    EXPECT_EQ(
        kutest::RawReadDword(HKEY_LOCAL_MACHINE, policies.Path(), "EnableLUA", KEY_WOW64_64KEY),
        -1);
    // The extension is registered again or unregistered as the hidden box records; the DLL is
    // not in this folder, so only unregistering starts anything.
    EXPECT_EQ(launcher.Requests().size(), registered ? 0u : 1u);
    EXPECT_TRUE(boxes.empty());
}

// The success message comes only once regedit has imported the file: at that moment the value
// is back in the registry.
TEST_F(OptionsFormTest, RestoreReportsSuccessOnlyAfterTheImport) {
    kutest::ScratchKey key;
    kutest::RawSetString(HKEY_CURRENT_USER, key.Path(), "Value", "restored", KEY_WOW64_64KEY);
    ASSERT_TRUE(CreateDirectoryA(Backups().c_str(), nullptr));
    const std::string file = Backups() + "\\Backup_20100105_093000.reg";
    ASSERT_EQ(
        kutest::RunAndWait("regedit /e \"" + file + "\" \"HKEY_CURRENT_USER\\" + key.Path() + "\""),
        0);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
    Open();
    form.MainPageControlChange(ku::TFormOptions::RestoreRegistryPage);
    kutest::RecordingLauncher launcher;
    launcher.forward = true;

    form.RestoreRegistryBtnClick(); // nothing selected
    ASSERT_TRUE(form.SelectBackup(0)); // the one backup
    answers = {IDNO, IDYES, IDOK};
    form.RestoreRegistryBtnClick();
    EXPECT_TRUE(launcher.Requests().empty());
    std::string valueWhenToldSuccess;
    onBox = [&](const ku::MessageBoxCall& call) {
        if (call.text == "The registry was restored successfully!")
            valueWhenToldSuccess =
                kutest::RawReadString(HKEY_CURRENT_USER, key.Path(), "Value", KEY_WOW64_64KEY);
    };
    form.RestoreRegistryBtnClick();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text + "|" + boxes[2].text + "|" + boxes[3].text,
              "Please select the specific item for this operation!|Would you like to restore the "
              "registry now?|The registry was restored successfully!");
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_EQ(valueWhenToldSuccess, "restored");
    EXPECT_EQ(launcher.Requests().size(), 1u);
}

// The main window's "Options" label opens the dialog modally and applies the view style when
// it closes.
TEST(OptionsLabel, OpensTheDialogModallyAndAppliesTheViewStyleAfterIt) {
    ku::SetMessageBoxHook([](const ku::MessageBoxCall&) { return IDOK; });
    kutest::RecordingLauncher launcher;
    ku::TUnInstallForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(200);
    ku::Settings.ViewStyle = 2;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelOptions);
    form.OptionsBtnClick();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(optionsSeen);
    EXPECT_EQ(ku::FormOptions, nullptr);
    EXPECT_EQ(GetWindowLongA(form.ListView(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    ku::Settings.ViewStyle = 0;
    ku::SetMessageBoxHook(nullptr);
}

namespace {

// Pixels between the lowest shown control of the page (the frame, OK and Cancel aside) and
// the top of Cancel; negative when a control reaches into the buttons.
int GapAboveButtons(HWND dialog) {
    RECT cancel;
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
    LONG lowest = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (!IsWindowVisible(child) || id == IDOK || id == IDCANCEL || id == 0xFFFF || id == -1)
            continue;
        RECT rect;
        GetWindowRect(child, &rect);
        lowest = std::max(lowest, rect.bottom);
    }
    return cancel.top - lowest;
}

} // namespace

// Each page sits close above OK and Cancel, without an empty band and without overlap.
TEST_F(OptionsFormTest, EveryPageEndsCloseAboveTheButtons) {
    Open();
    for (int page : {ku::TFormOptions::GeneralPage, ku::TFormOptions::RestoreRegistryPage,
                     ku::TFormOptions::RestoreSystemPage}) {
        form.MainPageControlChange(page);
        uitest::PumpMessages(50);
        const int gap = GapAboveButtons(form.Handle());
        EXPECT_GE(gap, 8) << "page " << page;
        EXPECT_LE(gap, page == ku::TFormOptions::RestoreSystemPage ? 80 : 48) << "page " << page;
    }
    form.MainPageControlChange(ku::TFormOptions::RestoreRegistryPage);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "OptionsRestoreRegistry"));
    form.BtnCancelClick();
}
