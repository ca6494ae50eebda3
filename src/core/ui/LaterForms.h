// Windows of work still to come, opened here through one function each. Until they exist the
// functions are stubs that only note the call, so start-up can be checked end to end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

// The System Manager window (TRecoveryForm), shown modally; autoRun: the automatic backup.
void ShowRecoveryForm(HWND owner, bool autoRun);

// The Force Uninstall wizard (TUninstallStepForm, ForceMode 1) with a program file for its
// program-name box or a folder for its path box; answers UninstallDone (1: reload the list).
int ShowForceUninstallWizard(HWND owner, const std::string& programFile, const std::string& folder);

// What the stubs were asked, oldest first, one line per call.
std::vector<std::string> StubCalls();
void ClearStubCalls();

} // namespace ku
