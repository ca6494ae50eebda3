// Running a program's own uninstaller and waiting until it has really ended.
#pragma once

#include <functional>
#include <string>

namespace ku {

// Starts the command and waits for it and for every process it started, directly or
// through its children, so an uninstaller that copies itself to the temporary folder, starts
// the copy and exits at once is still waited for. Pump runs between waits (about every 50 ms).
// Answers the first process's exit code, -1 when it could not be started, and -2 when the
// wait was given up because ScanState asked to stop.
int RunUninstallerAndWait(const std::string& commandLine, int showMode,
                          const std::function<void()>& pump);

} // namespace ku
