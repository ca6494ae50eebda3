// Test support: openers that stand in for the modal windows of the main window and start-up,
// recording what each was handed. Installs itself for its lifetime; the real openers come back
// afterwards. Only the openers asked for are replaced.
#pragma once

#include <string>
#include <vector>

#include "core/ui/main/OtherWindows.h"

namespace kutest {

class RecordingWindows {
  public:
    enum Which { Uninstall = 1, Force = 2, Special = 4, Recovery = 8, All = 15 };

    explicit RecordingWindows(int which = All) : saved_(ku::OtherWindowOpeners()) {
        ku::WindowOpeners& openers = ku::OtherWindowOpeners();
        if (which & Uninstall)
            openers.uninstallWizard = [this](HWND, const ku::UninstallWizardRequest& request) {
                requests.push_back(request);
                calls.push_back("uninstall " + request.DisplayName);
                return uninstallDone;
            };
        if (which & Force)
            openers.forceWizard = [this](HWND, const std::string& file, const std::string& folder) {
                calls.push_back("force [" + file + "] [" + folder + "]");
                return uninstallDone;
            };
        if (which & Special)
            openers.specialWizard = [this](HWND) {
                calls.push_back("special");
                return 0;
            };
        if (which & Recovery)
            openers.recoveryForm = [this](HWND, bool autoRun) {
                calls.push_back(autoRun ? "recovery auto" : "recovery manual");
            };
    }
    ~RecordingWindows() { ku::OtherWindowOpeners() = saved_; }
    RecordingWindows(const RecordingWindows&) = delete;
    RecordingWindows& operator=(const RecordingWindows&) = delete;

    std::vector<std::string> calls;
    std::vector<ku::UninstallWizardRequest> requests;
    int uninstallDone = 0; // what the wizards answer

  private:
    ku::WindowOpeners saved_;
};

} // namespace kutest
