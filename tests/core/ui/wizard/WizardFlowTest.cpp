// The wizard's page flow as a user drives it: skip buttons, Cancel on every step, the
// uninstaller wait, and a picture of each page.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "StepFormIds.h"
#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/ui/ImageEx.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

// Clicks a button of the wizard from another thread the moment a control becomes visible,
// as a user would while the window thread is busy scanning.
class Clicker {
public:
    Clicker(HWND form, std::vector<std::pair<int, int>> whenVisibleClick,
            std::function<void(int)> onClick = nullptr)
        : form_(form), steps_(std::move(whenVisibleClick)), onClick_(std::move(onClick)),
          thread_([this] { Run(); }) {}
    ~Clicker() {
        stop_ = true;
        thread_.join();
    }
    int Clicks() const { return clicks_; }

private:
    void Run() {
        for (const auto& [watch, button] : steps_) {
            while (!stop_ && !IsWindowVisible(GetDlgItem(form_, watch)))
                Sleep(5);
            if (stop_)
                return;
            if (onClick_)
                onClick_(watch);
            PostMessageA(GetDlgItem(form_, button), BM_CLICK, 0, 0);
            ++clicks_;
            while (!stop_ && IsWindowVisible(GetDlgItem(form_, watch)))
                Sleep(5);
        }
    }

    HWND form_;
    std::vector<std::pair<int, int>> steps_;
    std::function<void(int)> onClick_;
    std::atomic<bool> stop_{false};
    std::atomic<int> clicks_{0};
    std::thread thread_;
};

class WizardFlow : public ::testing::Test {
protected:
    void SetUp() override {
        ScanState = ScanRun;
        form.DisplayName = "KuFlowDemo";
        form.UninstallKeyName = "KuFlowDemo";
        form.UninstallCommand = "C:\\Program Files\\KuFlowDemo\\uninst.exe /S";
        form.ProgramName = "KuFlowDemo";
        form.Version = "2.0";
        form.Publisher = "Kelvane Test Fixtures";
        form.InstallDate = kNotAvailableText;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(50);
    }
    void TearDown() override {
        SetMessageBoxHook(nullptr);
        ScanState = ScanRun;
    }
    static constexpr const char* kNotAvailableText = "NOT AVAILABLE";
    kutest::RecordingLauncher launcher;
    TUninstallStepForm form;
};

} // namespace

TEST_F(WizardFlow, SkippingBothScansStillLeadsToTheResultPage) {
    EXPECT_EQ(form.PageIndex(), PageDescription);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "StepForm0Description"));
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), PageScan);
    {
        Clicker clicker(form.Handle(),
                        {{IDC_STEP_REGSKIPBTN, IDC_STEP_REGSKIPBTN},
                         {IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}},
                        [&](int watch) {
                            if (watch == IDC_STEP_REGSKIPBTN)
                                uitest::SaveScreenshot(form.Handle(), "StepForm1Scan");
                        });
        const DWORD start = GetTickCount();
        form.StepBitBtnClick();
        EXPECT_LT(GetTickCount() - start, 5000u) << "the skip buttons must end the scans";
        EXPECT_EQ(clicker.Clicks(), 2);
    }
    EXPECT_EQ(form.PageIndex(), PageResult);
    ASSERT_EQ(launcher.Requests().size(), 1u);
    // The uninstaller's path is quoted and handed over on its own: "C:\Program.exe" can never run.
    EXPECT_EQ(launcher.Requests()[0].commandLine,
              "\"C:\\Program Files\\KuFlowDemo\\uninst.exe\" /S");
    EXPECT_EQ(launcher.Requests()[0].file, "");
    EXPECT_EQ(launcher.Requests()[0].show, SW_SHOWNORMAL);

    // Nothing found: the removal asks nothing and the Finish page keeps its texts.
    form.State.LeftoverList.Clear();
    std::vector<std::string> asked;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        asked.push_back(call.text);
        return IDYES;
    });
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), PageFinish);
    form.WaitForRemoval();
    uitest::PumpMessages(50);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(WindowText(GetDlgItem(form.Handle(), IDC_STEP_STEPBITBTN)), "Finish");
    EXPECT_EQ(TImageEx(GetDlgItem(form.Handle(), IDC_STEP_STEPBITBTN)).PictureName(),
              "ImageList1:4");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(form.Handle(), IDC_STEP_CANCELBITBTN)));
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "StepForm4Finish"));
    form.StepBitBtnClick();
    EXPECT_EQ(form.UninstallDone, 1);
    EXPECT_EQ(form.Handle(), nullptr);
}

// Cancel while the uninstaller runs, during the registry scan and during the file scan: the
// wizard closes soon, once its step has ended, with nothing changed on disk.
TEST_F(WizardFlow, CancelDuringEachStepClosesSoonAndChangesNothing) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("KuFlowDemo.txt");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD attributes = GetFileAttributesA(file.c_str());
    const struct {
        int uninstallerMs;
        std::vector<std::pair<int, int>> clicks; // when this shows, click that
        DWORD withinMs;
    } cases[] = {
        {4000, {{IDC_STEP_SCANSTEP1, IDC_STEP_CANCELBITBTN}}, 3000},
        {0, {{IDC_STEP_REGSKIPBTN, IDC_STEP_CANCELBITBTN}}, 5000},
        {0,
         {{IDC_STEP_REGSKIPBTN, IDC_STEP_REGSKIPBTN},
          {IDC_STEP_FILESKIPBTN, IDC_STEP_CANCELBITBTN}},
         5000},
    };
    launcher.forward = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicks.back().first);
        TUninstallStepForm wizard;
        wizard.DisplayName = wizard.UninstallKeyName = "KuFlowDemo";
        wizard.UninstallCommand = "\"" + kutest::Fixture("wizard\\kuspawn.exe") + "\" " +
                                  std::to_string(c.uninstallerMs) + " \"" + dir.File("m.txt") +
                                  "\"";
        ASSERT_TRUE(wizard.Create(nullptr));
        wizard.Show();
        wizard.StepBitBtnClick();
        Clicker clicker(wizard.Handle(), c.clicks);
        const DWORD start = GetTickCount();
        wizard.StepBitBtnClick();
        EXPECT_LT(GetTickCount() - start, c.withinMs);
        EXPECT_EQ(wizard.Handle(), nullptr);
        EXPECT_EQ(wizard.UninstallDone, 0);
        if (c.clicks.back().first == IDC_STEP_REGSKIPBTN) {
            EXPECT_FALSE(wizard.Busy());
            EXPECT_EQ(ScanState.load(), ScanRun)
                << "the next wizard would not wait for its uninstaller";
        }
    }
    EXPECT_EQ(GetFileAttributesA(file.c_str()), attributes);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WizardFlowState, AWizardAfterAStoppedOneStillWaitsForItsUninstaller) {
    kutest::ScratchDir dir;
    const std::string marker = dir.File("done.txt");
    ScanState = ScanStop; // as a wizard stopped during its scan could leave it
    TUninstallStepForm form;
    form.UninstallKeyName = "KuFlowDemo";
    form.UninstallCommand =
        "\"" + kutest::Fixture("wizard\\kuspawn.exe") + "\" 800 \"" + marker + "\"";
    ASSERT_TRUE(form.Create(nullptr));
    form.StepBitBtnClick();
    Clicker clicker(form.Handle(), {{IDC_STEP_REGSKIPBTN, IDC_STEP_REGSKIPBTN},
                                    {IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}});
    form.StepBitBtnClick();
    EXPECT_EQ(GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES, true)
        << "the scans ran while the uninstaller was still at work";
    EXPECT_EQ(form.PageIndex(), PageResult);
}

TEST_F(WizardFlow, CancelOnTheDescriptionAndResultPagesRemovesNothing) {
    form.CancelBitBtnClick();
    EXPECT_EQ(form.Handle(), nullptr);
    EXPECT_EQ(form.UninstallDone, 0);

    kutest::ScratchKey key;
    kutest::RawCreateKey(HKEY_CURRENT_USER, key.Sub("KuFlowDemo"), 0);
    TUninstallStepForm second;
    second.UninstallKeyName = "KuFlowDemo";
    ASSERT_TRUE(second.Create(nullptr));
    second.StepBitBtnClick();
    {
        Clicker clicker(second.Handle(), {{IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}});
        second.StepBitBtnClick(); // the registry scan runs in full and finds the key
    }
    ASSERT_EQ(second.PageIndex(), PageResult);
    EXPECT_GT(second.State.LeftoverList.Count(), 0);
    second.CancelBitBtnClick();
    EXPECT_EQ(second.Handle(), nullptr);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, key.Sub("KuFlowDemo"), 0));
}

TEST_F(WizardFlow, FinishPageSaysWhatCouldNotBeRemoved) {
    form.StepBitBtnClick();
    {
        Clicker clicker(form.Handle(), {{IDC_STEP_REGSKIPBTN, IDC_STEP_REGSKIPBTN},
                                        {IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}});
        form.StepBitBtnClick();
    }
    kutest::ScratchDir dir;
    const std::string locked = dir.File("locked.dat"), loose = dir.File("loose.dat");
    ASSERT_TRUE(kutest::WriteTextFile(locked, "x"));
    ASSERT_TRUE(kutest::WriteTextFile(loose, "x"));
    const HANDLE hold =
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    form.State.LeftoverList.Clear();
    for (const std::string& path : {locked, loose}) {
        TContent& item = form.State.LeftoverList.GetItem(form.State.LeftoverList.AddItem()).Content;
        item.ItemType = kItemFile;
        item.FilePath = path;
    }
    SetMessageBoxHook([](const MessageBoxCall&) { return IDYES; });
    form.StepBitBtnClick();
    form.WaitForRemoval();
    uitest::PumpMessages(50);
    CloseHandle(hold);
    const HWND details = GetDlgItem(form.Handle(), IDC_STEP_FINISHDETAILS);
    EXPECT_EQ(WindowText(GetDlgItem(form.Handle(), IDC_STEP_ABFINISHMESSAGE)),
              "1 item could not be removed.");
    EXPECT_TRUE(IsWindowVisible(details));
    EXPECT_EQ(WindowText(details), locked + "\r\n");
    EXPECT_EQ(WindowText(GetDlgItem(form.Handle(), IDC_STEP_STEPBITBTN)), "Finish");
}

TEST(WizardForcePage, ForceModeOpensOnTheForcePageAndAsksForAProgramOrFolder) {
    kutest::RecordingLauncher launcher;
    TUninstallStepForm form;
    form.ForceMode = 1;
    form.Caption = "Force Uninstall Wizard";
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(100);
    EXPECT_EQ(form.PageIndex(), PageForce);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "StepForm2Force"));
    std::vector<std::string> asked;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        asked.push_back(call.text);
        return IDOK;
    });
    form.StepBitBtnClick();
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind("Please select one or both of the scanning program", 0), 0u);
    EXPECT_EQ(form.PageIndex(), PageForce);
}
