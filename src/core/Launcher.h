// Every start of an outside program goes through one launcher, so tests can record and fake it.
#pragma once

#include <windows.h>

#include <string>

#include "core/Handles.h"

namespace ku {

struct LaunchRequest {
    enum class Kind { Exec, Shell, Process }; // WinExec, ShellExecuteEx, CreateProcess
    Kind kind = Kind::Process;
    HWND owner = nullptr;
    std::string verb;        // ShellExecute: "open", "runas" ... or empty
    std::string file;        // ShellExecute: file or URL; CreateProcess: application, may be empty
    std::string parameters;  // ShellExecute only
    std::string commandLine; // WinExec and CreateProcess
    std::string directory;   // working folder, empty for the caller's
    int show = SW_SHOWNORMAL;
    bool wantProcess = false; // keep the process handle (ShellExecute, CreateProcess)
};

struct LaunchResult {
    bool ok = false;
    DWORD error = 0;        // GetLastError() or the ShellExecute code on failure
    UniqueHandle process;   // only when asked for and started
    DWORD processId = 0;
};

class ICommandLauncher {
public:
    virtual ~ICommandLauncher() = default;
    virtual LaunchResult Launch(const LaunchRequest& request) = 0;
};

// Starts through the installed launcher (the real one unless a test installed its own).
LaunchResult Launch(const LaunchRequest& request);
// nullptr restores the real launcher. The launcher is not owned.
void SetCommandLauncher(ICommandLauncher* launcher);
ICommandLauncher& RealLauncher();

// Shorthands for the three ways the program starts other programs.
bool RunWinExec(const std::string& commandLine, int show);
bool RunShellExecute(HWND owner, const std::string& verb, const std::string& file,
                     const std::string& parameters, const std::string& directory, int show);
LaunchResult StartProcess(const std::string& commandLine, const std::string& directory, int show);

} // namespace ku
