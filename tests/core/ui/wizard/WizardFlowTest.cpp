// The wizard window as a user meets it: the uninstaller started quoted and waited for, the skip
// buttons, Cancel on every page, what the Finish page says when an item stays, the force page
// with a further remnant key ticked, and the button texts and missing details a user reads.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/force/RemnantTree.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

using namespace ku;
using wizardtest::Clicker;

namespace {

const Clicker::Steps kSkipBoth = {{IDC_STEP_REGSKIPBTN, IDC_STEP_REGSKIPBTN},
                                  {IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}};

void AddFileItem(TUninstallStepForm& form, const std::string& path) {
    TContent& item = form.State.LeftoverList.GetItem(form.State.LeftoverList.AddItem()).Content;
    item.ItemType = kItemFile;
    item.FilePath = path;
}

class WizardFlow : public wizardtest::WizardWindow {
protected:
    WizardFlow() : WizardWindow("KuFlowDemo") {}
};

} // namespace

// A wizard after one stopped during its scan still waits for its uninstaller, started quoted;
// the skip buttons end the scans; a locked leftover is named on the Finish page, never success.
TEST_F(WizardFlow, UninstallerWaitedForScansSkippedAndTheFinishPageSaysWhatStayed) {
    const std::string folder = dir.File("Ku Flow"), uninstaller = folder + "\\uninst.exe";
    const std::string marker = dir.File("done.txt");
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(kutest::Fixture("wizard\\kuspawn.exe").c_str(), uninstaller.c_str(), 0));
    launcher.forward = true;
    ScanState = ScanStop;
    Open(0, uninstaller + " 800 " + marker);
    form.StepBitBtnClick();
    {
        Clicker clicker(form.Handle(), kSkipBoth);
        const DWORD start = GetTickCount();
        form.StepBitBtnClick();
        EXPECT_LT(GetTickCount() - start, 5000u) << "the skip buttons must end the scans";
        EXPECT_EQ(clicker.Clicks(), 2);
    }
    ASSERT_EQ(form.PageIndex(), PageResult);
    EXPECT_TRUE(kutest::FileThere(marker)) << "the scans ran while the uninstaller was at work";
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].commandLine, "\"" + uninstaller + "\" 800 " + marker);

    const std::string locked = dir.File("locked.dat"), loose = dir.File("loose.dat");
    ASSERT_TRUE(kutest::WriteTextFile(locked) && kutest::WriteTextFile(loose));
    const HANDLE hold =
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    form.State.LeftoverList.Clear();
    AddFileItem(form, locked);
    AddFileItem(form, loose);
    SetMessageBoxHook([](const MessageBoxCall&) { return IDYES; });
    form.StepBitBtnClick();
    form.StepBitBtnClick(); // a quick second click while the removal waits for its question
    ASSERT_NE(form.Handle(), nullptr) << "the wizard closed under its running removal";
    form.WaitForRemoval();
    uitest::PumpMessages(50);
    CloseHandle(hold);
    EXPECT_FALSE(kutest::PathExists(loose));
    EXPECT_EQ(WindowText(Item(IDC_STEP_ABFINISHMESSAGE)), "1 item could not be removed.");
    EXPECT_TRUE(IsWindowVisible(Item(IDC_STEP_FINISHDETAILS)));
    EXPECT_EQ(WindowText(Item(IDC_STEP_FINISHDETAILS)),
              "Could not be removed:\r\n    " + locked + "\r\n");
    EXPECT_EQ(WindowText(Item(IDC_STEP_STEPBITBTN)), "Finish");
    EXPECT_FALSE(IsWindowVisible(Item(IDC_STEP_CANCELBITBTN)));
    form.StepBitBtnClick();
    EXPECT_EQ(form.UninstallDone, 1);
    EXPECT_EQ(form.Handle(), nullptr);
}

// Cancel on each page, also while the uninstaller runs and during each scan: the wizard closes
// soon, once its step has ended, with nothing deleted and the next wizard free to scan.
TEST_F(WizardFlow, CancelOnEveryPageClosesSoonAndDeletesNothing) {
    const std::string file = dir.File("KuFlowDemo.txt");
    ASSERT_TRUE(kutest::WriteTextFile(file));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD attributes = GetFileAttributesA(file.c_str());
    const struct {
        const char* page;
        int uninstallerMs;
        Clicker::Steps clicks; // none: Cancel on the description page
        DWORD withinMs;
    } cases[] = {
        {"description", 0, {}, 0},
        // Well before the uninstaller's end, with room for a busy machine to start it.
        {"uninstaller", 12000, {{IDC_STEP_SCANSTEP1, IDC_STEP_CANCELBITBTN}}, 6000},
        {"registry scan", 0, {{IDC_STEP_REGSKIPBTN, IDC_STEP_CANCELBITBTN}}, 5000},
        {"file scan", 0, {kSkipBoth[0], {IDC_STEP_FILESKIPBTN, IDC_STEP_CANCELBITBTN}}, 5000},
        {"result", 0, kSkipBoth, 5000},
    };
    launcher.forward = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        TUninstallStepForm wizard;
        wizard.DisplayName = wizard.UninstallKeyName = "KuFlowDemo";
        wizard.UninstallCommand = "\"" + kutest::Fixture("wizard\\kuspawn.exe") + "\" " +
                                  std::to_string(c.uninstallerMs) + " " + dir.File("m.txt");
        ASSERT_TRUE(wizard.Create(nullptr));
        wizard.Show();
        if (!c.clicks.empty()) {
            wizard.StepBitBtnClick();
            Clicker clicker(wizard.Handle(), c.clicks);
            const DWORD start = GetTickCount();
            wizard.StepBitBtnClick();
            EXPECT_LT(GetTickCount() - start, c.withinMs);
        }
        if (wizard.Handle()) {
            AddFileItem(wizard, file);
            wizard.CancelBitBtnClick();
        }
        EXPECT_EQ(wizard.Handle(), nullptr);
        EXPECT_EQ(wizard.UninstallDone, 0);
        EXPECT_FALSE(wizard.Busy());
        EXPECT_EQ(ScanState.load(), ScanRun)
            << "the next wizard would not wait for its uninstaller";
    }
    EXPECT_EQ(GetFileAttributesA(file.c_str()), attributes);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Force mode: its caption, a question when nothing is chosen; a chosen folder's keys shown in
// long form, and a further key ticked goes into the removal list.
TEST_F(WizardFlow, ForcePageAsksForAFolderThenShowsItsKeysToTick) {
    const std::string name = "Ku Force App " + std::to_string(GetCurrentProcessId());
    const std::string folder = dir.File(name);
    CreateDirectoryA(folder.c_str(), nullptr);
    char shortForm[MAX_PATH] = {};
    GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
    kutest::PlantedRegistry registry;
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "\\Settings", "Home", shortForm);
    registry.String(HKEY_CURRENT_USER, "Software\\" + name, "LastRun", "today");
    Open(1);
    EXPECT_EQ(form.PageIndex(), PageForce);
    EXPECT_EQ(WindowText(form.Handle()).rfind(kForceWizardCaption, 0), 0u);
    std::vector<std::string> asked;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        asked.push_back(call.text);
        return IDOK;
    });
    form.StepBitBtnClick();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind("Please select one or both of the scanning program", 0), 0u);
    EXPECT_EQ(form.PageIndex(), PageForce);

    SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str()); // as the folder browser does
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageRegRemain);
    const auto& nodes = form.RemnantTree().Nodes();
    EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [&](const RemnantNode& n) {
        return n.text == "Home>" + folder;
    }));
    const int node = form.RemnantTree().Find("HKEY_CURRENT_USER\\SOFTWARE\\" + name);
    ASSERT_GE(node, 0);
    ASSERT_TRUE(form.RemnantTree().ToggleNode(node));
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageResult);
    bool listed = false;
    for (int i = 0; i < form.State.LeftoverList.Count(); ++i)
        listed |= form.State.LeftoverList.GetItem(i).Content.KeyPath == "SOFTWARE\\" + name;
    EXPECT_TRUE(listed);
    form.CancelBitBtnClick();
}

// A force removal asks about the folder and shows its closing text before Finish can be
// clicked: a click on Finish while the folder question waits reaches nothing, the question is
// answered and the folder goes.
TEST_F(WizardFlow, ForceFinishWaitsForTheFolderQuestion) {
    const std::string folder = dir.File("Ku Force Finish " + std::to_string(GetCurrentProcessId()));
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\kufinish.dat"));
    Open(1);
    std::vector<std::string> asked;
    int finishEnabledAtQuestion = -1;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        asked.push_back(call.text);
        if (call.text.rfind("Are you sure to delete this directory", 0) == 0) {
            const HWND finish = Item(IDC_STEP_STEPBITBTN);
            finishEnabledAtQuestion = IsWindowEnabled(finish) ? 1 : 0;
            if (finishEnabledAtQuestion) // what the user's click would do
                SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDC_STEP_STEPBITBTN, BN_CLICKED),
                             reinterpret_cast<LPARAM>(finish));
        }
        if ((call.type & 0xF) != MB_YESNO)
            return IDOK;
        return call.text.rfind("Would you like to backup", 0) == 0 ? IDNO : IDYES;
    });
    SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str());
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageResult);
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageFinish);
    form.WaitForRemoval();
    uitest::PumpMessages(50);
    ASSERT_NE(form.Handle(), nullptr) << "the wizard closed under its folder question";
    EXPECT_EQ(finishEnabledAtQuestion, 0) << "Finish could be clicked during the folder question";
    EXPECT_FALSE(kutest::PathExists(folder));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().rfind("The applications will be uninstalled.", 0), 0u) << asked.back();
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_STEP_STEPBITBTN)));
    form.StepBitBtnClick();
    EXPECT_EQ(form.UninstallDone, 1);
    EXPECT_EQ(form.Handle(), nullptr);
}

// What a user reads or clicks on the description page: the button texts, details nobody handed
// over, and Enter doing what Next does.
TEST_F(WizardFlow, ButtonTextsMissingDetailsAndEnter) {
    Open(0);
    for (const auto& [id, text] : {std::pair<int, const char*>{IDC_STEP_STEPBITBTN, "Next"},
                                   {IDC_STEP_CANCELBITBTN, "Cancel"}, {IDC_STEP_REGSKIPBTN, "Skip"},
                                   {IDC_STEP_FILESKIPEXBTN, "Skip"}})
        EXPECT_EQ(WindowText(Item(id)), text);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_STEP_STEPBITBTN)) &&
                IsWindowVisible(Item(IDC_STEP_CANCELBITBTN)));
    EXPECT_EQ(WindowText(Item(IDC_STEP_ABINSTALLDATE)), "NOT AVAILABLE");
    SendMessageA(form.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(form.PageIndex(), PageScan);
}
