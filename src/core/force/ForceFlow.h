// The force mode's steps without a window: the registry step, the file step and the
// confirmation of the removal, in the order the wizard runs them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/force/ServerProgramScan.h"
#include "core/removal/WizardState.h"

namespace ku {

// What the user named on the Force page.
struct ForceScanInput {
    std::vector<std::string> programFiles; // the program-file list, in order
    std::string folder;                    // the folder edit, as typed
    std::string uninstallCommand;
};

// The registry step: the running-program scan of the folder and of each program file, the
// Installer server pass, and, when no server program was found, the full folder scans
// (registry walk, Installer, COM, SOFTWARE keys) and one shared walk for the program files.
// Sets state.FullForceScan; returns true when a server program was found.
bool RunForceRegistryStep(TWizardState& state, const ForceScanInput& input,
                          IScanProgress* progress, ForceRemovalPlan& plan);
// The file step: the program files themselves and every file of the folder (full scan only).
void RunForceFileStep(TWizardState& state, const ForceScanInput& input, IScanProgress* progress);

// A message box as the removal asks it: IDYES, IDNO, IDOK.
using AskFunction = std::function<int(const std::string& text, const std::string& caption,
                                      UINT type)>;

// The Result step of the force mode before the removal thread starts: asks "Are you sure",
// then about another running server; only after both Yes answers ends the processes the file
// scan noted, carries the plan out and stops the other servers. With a backup to offer (on
// 32-bit Windows) it asks about the registry backup last and runs it on Yes. False when the
// user said No (nothing was changed).
bool ConfirmForceRemoval(TWizardState& state, const ForceRemovalPlan& plan, const AskFunction& ask,
                         const std::function<void()>& backup);

} // namespace ku
