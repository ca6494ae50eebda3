// The windows the main window opens that other work delivers: the uninstall wizard and the
// special-uninstall wizard. Until they exist each is a stub that shows its caption in a message
// box, keeps what it was handed and returns. The options dialog is core/ui/OptionUnit.h.
#pragma once

#include <windows.h>

#include <string>

#include "core/MainWindowLogic.h"

namespace ku {

// The uninstall wizard (TUninstallStepForm), modally; answers UninstallDone (1: reload the list).
int ShowUninstallWizard(HWND owner, const UninstallWizardRequest& request);

// The special-uninstall wizard (TFormUninstall), modally; nothing handed, nothing answered.
void ShowSpecialUninstallWizard(HWND owner);

// For checks of the stubs: what the last uninstall wizard was handed, how many opened, and the
// UninstallDone the stub answers (0 unless set).
const UninstallWizardRequest& LastUninstallWizardRequest();
int UninstallWizardOpenCount();
int SpecialWizardOpenCount();
void SetStubUninstallDone(int uninstallDone);
// Clears the records and puts the uninstall wizard's stand-in in place of the real wizard.
void ResetOtherWindowStubs();

} // namespace ku
