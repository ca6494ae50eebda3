// The windows that the main window and start-up open: the uninstall wizard (normal and force
// mode), the special-uninstall wizard and the System Manager. The last two live in libraries
// above this one, so KU.exe installs their openers before the main block runs. A window test
// installs its own opener where a real modal window would hold it up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/programs/MainWindowLogic.h"

namespace ku {

struct WindowOpeners {
    // TUninstallStepForm in normal mode; answers UninstallDone (1: reload the list).
    std::function<int(HWND owner, const UninstallWizardRequest& request)> uninstallWizard;
    // TUninstallStepForm in force mode, with a program file for its program-name box or a
    // folder for its path box; answers UninstallDone.
    std::function<int(HWND owner, const std::string& programFile, const std::string& folder)>
        forceWizard;
    // TFormUninstall, modally; nothing handed; answers 1 when something was removed.
    std::function<int(HWND owner)> specialWizard;
    // TRecoveryForm, modally; autoRun: back up the registry and close.
    std::function<void(HWND owner, bool autoRun)> recoveryForm;
};

// The openers in use. An empty uninstall or force opener means the program's own wizard.
WindowOpeners& OtherWindowOpeners();

int ShowUninstallWizard(HWND owner, const UninstallWizardRequest& request);
int ShowForceUninstallWizard(HWND owner, const std::string& programFile, const std::string& folder);
int ShowSpecialUninstallWizard(HWND owner);
void ShowRecoveryForm(HWND owner, bool autoRun);

} // namespace ku
