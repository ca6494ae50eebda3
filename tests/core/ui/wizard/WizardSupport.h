// Support of the wizard's window tests: a user who clicks through the wizard from another
// thread, and the wizard driven as the main window hands an entry over and a user clicks on.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/system/Dialogs.h"
#include "core/system/SharedState.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace wizardtest {

using Lines = std::vector<std::string>;

// A wizard window of the test's own for a program of the given name, in the normal or the force
// mode (with its caption), beside the launcher seam and a scratch folder; the message-box hook
// and the scan state are put back after each test.
class WizardWindow : public ::testing::Test {
protected:
    explicit WizardWindow(const char* name) : name_(name) {}
    void Open(int forceMode, const std::string& command = "") {
        form.ForceMode = forceMode;
        form.DisplayName = form.UninstallKeyName = form.ProgramName = name_;
        form.UninstallCommand = command;
        if (forceMode)
            form.Caption = ku::kForceWizardCaption;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(100);
    }
    HWND Item(int id) const { return GetDlgItem(form.Handle(), id); }
    void TearDown() override {
        ku::SetMessageBoxHook(nullptr);
        ku::ScanState = ku::ScanRun;
    }
    kutest::RecordingLauncher launcher;
    kutest::ScratchDir dir;
    ku::TUninstallStepForm form;

private:
    std::string name_;
};

using kutest::RemoveTree;
using kutest::ShellFolder;
// Where 32-bit programs install: "Program Files (x86)" on 64-bit Windows.
std::string ProgramFiles32();

// Clicks a button of the wizard from another thread once a control shows and the button takes
// clicks, as a user does while the window thread is busy scanning. The wizard is asked for each
// time: a modal one comes only once its opener runs.
class Clicker {
public:
    using Steps = std::vector<std::pair<int, int>>; // when this shows, click that
    Clicker(std::function<HWND()> form, Steps steps)
        : form_(std::move(form)), steps_(std::move(steps)), thread_([this] { Run(); }) {}
    Clicker(HWND form, Steps steps) : Clicker([form] { return form; }, std::move(steps)) {}
    ~Clicker() { stop_ = true; thread_.join(); }
    int Clicks() const { return clicks_; }

private:
    void Run();
    std::function<HWND()> form_;
    Steps steps_;
    std::atomic<bool> stop_{false};
    std::atomic<int> clicks_{0};
    std::thread thread_;
};

// The NSIS demo program: installed by its own setup, and every trace of it forgotten at both
// ends, so that a run that failed half-way leaves the next a clean machine.
struct DemoApp {
    const std::string install = ProgramFiles32() + "\\KuDemoApp";
    const std::string appData;
    DemoApp();
    ~DemoApp() { Forget(); }
    int Install() const;
    void Forget() const;
};

struct WizardRun {
    int uninstallDone = -1;
    Lines leftovers; // "HKLM\<key>", "HKCU\<key> = <value>", or the file path in capitals
    Lines questions; // "<caption>: <text>"
};

// Description, scans, result, removal, Finish; the answer to each message box comes from
// `answer` (Yes to all when empty).
WizardRun RunWizard(const std::string& displayName, const std::string& keyName,
                    const std::string& command,
                    const std::function<int(const ku::MessageBoxCall&)>& answer = nullptr);

} // namespace wizardtest
