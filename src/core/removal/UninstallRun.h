// Running a program's own uninstaller and waiting until it has really ended.
#pragma once

#include <functional>
#include <string>

namespace ku {

// What is started for an uninstall command: its file (for CreateProcess's application name,
// so that "C:\Program Files\A B\un.exe" can never start "C:\Program.exe") and the command
// line with that file quoted. A Windows Installer entry's "MsiExec.exe /I{code}" (install or
// repair) becomes "/X{code}" (remove), as Windows' own program list does it.
struct UninstallerStart {
    std::string file; // empty when the command names no file that could be found
    std::string commandLine; // empty when its program is named in a form the code page
                             // cannot hold: nothing is started
};
UninstallerStart UninstallerToStart(const std::string& command);

// Starts the command and waits for it and for the processes it handed over to: its own
// copies, run from the temporary folder, from the uninstaller's folder or by Windows
// Installer. A browser opened on a survey page, or a restarted Explorer, is not waited for.
// Pump runs between waits (about every 50 ms). Answers the first process's exit code, -1 when
// it could not be started, and -2 when the wait was given up because ScanState asked to stop.
int RunUninstallerAndWait(const std::string& commandLine, int showMode,
                          const std::function<void()>& pump);

} // namespace ku
