// Support of the wizard's window tests: the sandbox's shell folders, a folder removed whole,
// and the wizard driven as the main window hands an entry over and a user clicks through it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/system/Dialogs.h"

namespace wizardtest {

std::string ShellFolder(int csidl);
// Where 32-bit programs install: "Program Files (x86)" on 64-bit Windows.
std::string ProgramFiles32();
void RemoveTree(const std::string& path);

struct WizardRun {
    int uninstallDone = -1;
    // "HKLM\<key>", "HKCU\<key> = <value>", or the file path in capitals.
    std::vector<std::string> leftovers;
    std::vector<std::string> questions; // "<caption>: <text>"
};

// Description, scans, result, removal, Finish; the answer to each message box comes from
// `answer` (Yes to all when empty). A picture of the result page when `picture` is named.
WizardRun RunWizard(const std::string& displayName, const std::string& keyName,
                    const std::string& command,
                    const std::function<int(const ku::MessageBoxCall&)>& answer = nullptr,
                    const std::string& picture = "");

} // namespace wizardtest
