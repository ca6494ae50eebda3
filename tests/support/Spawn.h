// Test helpers: fixture programs started under a name of the test's choosing and ended by the
// test's own handle, and a wait for a condition.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/Sandbox.h"

namespace kutest {

// A copy of the sleeper fixture under `exeName` in `folder`, started and kept by handle.
class Sleeper {
  public:
    Sleeper(const std::string& folder, const std::string& exeName);
    ~Sleeper(); // ends the process if it still runs
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

    DWORD Id() const { return id_; }
    const std::string& Path() const { return path_; }
    bool Running() const;
    // Waits up to `ms` for the end; the exit code, or STILL_ACTIVE when it still runs.
    DWORD WaitExitCode(DWORD ms = 5000) const;

  private:
    std::string path_;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Starts `commandLine` (in `directory` when given) without waiting; the process handle (the
// caller closes it) and its id, or nullptr when it did not start.
HANDLE StartProgram(const std::string& commandLine, DWORD* id = nullptr,
                    const std::string& directory = "");

// Starts `commandLine` (in `directory` when given) and waits for it; its exit code, or -1 when
// it did not start or end.
int RunAndWait(const std::string& commandLine, DWORD ms = 60000, const std::string& directory = "");

// Polls `condition` every 50 ms for up to `ms`.
bool WaitFor(const std::function<bool()>& condition, DWORD ms = 10000);

// The exit code of a started program, or -1 when it had to be ended after `ms`.
int WaitForExit(HANDLE process, DWORD ms);

// The built KU.exe of the fixtures, started with `argument`.
HANDLE StartKu(const std::string& argument, DWORD* id);

// The visible top-level windows of a process: the one on the task bar (the main window) and
// the last other one (a splash or a dialog of its own).
struct ProgramWindows {
    HWND main = nullptr;
    HWND other = nullptr;
};
ProgramWindows WindowsOf(DWORD processId);
// Waits up to `ms` for the process's main window; nullptr when none came.
HWND WaitForMainWindow(DWORD processId, DWORD ms = 20000);

// Waits up to `ms` for a visible top-level window of the process that holds a control with
// this id; nullptr when none came.
HWND WaitForWindowWith(DWORD processId, int controlId, DWORD ms = 20000);

// A visible dialog of the process with this caption and, when button is not 0, with that
// button (a message box); nullptr when there is none.
HWND FindDialogOf(DWORD processId, const std::string& caption, int button = 0);
// Waits up to `ms` for such a dialog and presses its button; false when it never came.
bool AnswerDialog(DWORD processId, const std::string& caption, int button, DWORD ms = 60000);
// A left click inside a control of another process, as the mouse gives it.
void ClickControl(HWND control);

inline std::string Fixture(const std::string& name) {
    return std::string(kFixtureDir) + "\\" + name;
}

// A window's text, also of another process's control (asked with WM_GETTEXT).
std::string TextOf(HWND window);
// The items a list box (LB_GETCOUNT, LB_GETTEXT) or a combo box (CB_...) of this process shows.
std::vector<std::string> ItemTexts(HWND control, UINT countMessage, UINT textMessage);

// KU.exe (the built one, or a copy) started with the update check off and its main window
// found; at the end it is closed if it still runs and its settings key goes.
class KuSession {
  public:
    explicit KuSession(const std::string& exePath = Fixture("ku\\KU.exe"),
                       const std::string& directory = "");
    ~KuSession();
    KuSession(const KuSession&) = delete;
    KuSession& operator=(const KuSession&) = delete;
    // Closes the main window; KU.exe's exit code (-1 when it had to be ended).
    int Close();

    DWORD id = 0;
    HWND main = nullptr; // nullptr when no main window came

  private:
    HANDLE process_ = nullptr;
};

} // namespace kutest
