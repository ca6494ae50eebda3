// Support of the wizard's window tests: a user who clicks through the wizard from another
// thread, and the wizard driven as the main window hands an entry over and a user clicks on.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/system/Dialogs.h"
#include "support/Sandbox.h"

namespace wizardtest {

using Lines = std::vector<std::string>;

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
