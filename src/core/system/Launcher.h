// Every start of an outside program goes through one launcher, so tests can record and fake it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/system/Handles.h"

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
    // CreateProcess only: standard output and error go to an anonymous pipe that is read to
    // its end (the text is counted, not kept); handles are inherited. A child that filled the
    // pipe would otherwise block forever while we wait for it.
    bool captureOutput = false;
    // With captureOutput: also keep the text in LaunchResult::output.
    bool keepOutput = false;
    // CreateProcess only: wait for the process to end and report its exit code.
    bool waitForExit = false;
    DWORD waitMilliseconds = INFINITE;
    // Called after the output was drained and before the wait (lets window messages run).
    std::function<void()> afterOutput;
};

struct LaunchResult {
    bool ok = false;
    DWORD error = 0;        // GetLastError() or the ShellExecute code on failure
    UniqueHandle process;   // only when asked for and started
    DWORD processId = 0;
    bool exited = false;                // waited for and ended within the time given
    DWORD exitCode = 0;                 // valid when exited
    unsigned long long outputBytes = 0; // bytes read from the captured output
    std::string output;                 // the captured text, when keepOutput was asked
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
