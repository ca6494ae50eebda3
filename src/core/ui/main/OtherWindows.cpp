// The openers of the windows the main window and start-up show.
#include "core/ui/main/OtherWindows.h"

#include "core/ui/wizard/UnitStepForm.h"

namespace ku {

WindowOpeners& OtherWindowOpeners() {
    static WindowOpeners openers;
    return openers;
}

int ShowUninstallWizard(HWND owner, const UninstallWizardRequest& request) {
    if (OtherWindowOpeners().uninstallWizard)
        return OtherWindowOpeners().uninstallWizard(owner, request);
    return RunUninstallWizard(owner, request);
}

int ShowForceUninstallWizard(HWND owner, const std::string& programFile, const std::string& folder) {
    if (OtherWindowOpeners().forceWizard)
        return OtherWindowOpeners().forceWizard(owner, programFile, folder);
    return RunForceUninstallWizard(owner, programFile, folder);
}

int ShowSpecialUninstallWizard(HWND owner) {
    return OtherWindowOpeners().specialWizard ? OtherWindowOpeners().specialWizard(owner) : 0;
}

void ShowRecoveryForm(HWND owner, bool autoRun) {
    if (OtherWindowOpeners().recoveryForm)
        OtherWindowOpeners().recoveryForm(owner, autoRun);
}

} // namespace ku
