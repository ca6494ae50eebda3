// The running-program scan of the force mode: services, drivers, processes and logon entries
// of a folder or program file. It only records; the removal step ends and deletes.
#pragma once

#include <string>
#include <vector>

#include "core/removal/ForceRemovalPlan.h"
#include "core/removal/ValueContentUnit.h"

namespace ku {

// The service image path as a service value spells it, made a plain path: "\??\" and quotes
// dropped (arguments after a closing quote too), "system32\...", "%SystemRoot%\..." and
// "\SystemRoot\..." completed with WindowsDir, and the arguments of an unquoted system path cut.
std::string CleanServiceImagePath(const std::string& text, const std::string& windowsDir);

// Processes never ended for holding a module of the program.
bool IsSystemProcessName(const std::string& fileName);

// Finds what of Folder (a folder or a program file) is running or registered to run: service
// keys (items "1" below SYSTEM\CurrentControlSet\Services) and Run values (items "2" under
// HKLM and HKCU), and plans the stops and process ends. ProcessPaths are the running
// processes' paths, ProcessModules the "module[process]" lines of the wizard. A service value or
// Run value the code page cannot hold that names Folder goes to `leftAlone` (may be null).
void ScanServerProgram(const std::string& folder, TUninstallerContents& list,
                       const std::vector<std::string>& processPaths,
                       const std::vector<std::string>& processModules, ForceRemovalPlan& plan,
                       std::vector<std::string>* leftAlone = nullptr);
// The same with the process list taken now.
void ScanServerProgram(const std::string& folder, TUninstallerContents& list,
                       const std::vector<std::string>& processModules, ForceRemovalPlan& plan,
                       std::vector<std::string>* leftAlone = nullptr);

// Carries the plan out: stops services, stops and deletes drivers, ends the planned processes
// (never this one nor a Windows process), restarts the shell, restores the namespace entries
// and starts the netsh resets through the launcher.
void ExecuteForceRemovalPlan(const ForceRemovalPlan& plan);

} // namespace ku
