// Test helpers: fixture programs started under a name of the test's choosing and ended by the
// test's own handle, KU.exe's windows seen from outside, and a wait for a condition.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/system/Handles.h"
#include "support/Sandbox.h"

namespace kutest {

// A copy of the sleeper fixture under `exeName` in `folder`, started, and ended at the end.
class Sleeper {
  public:
    Sleeper(const std::string& folder, const std::string& exeName);
    ~Sleeper();
    DWORD Id() const { return id_; }
    const std::string& Path() const { return path_; }
    bool Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    // The exit code after up to `ms`, or STILL_ACTIVE.
    DWORD WaitExitCode(DWORD ms = 5000) const {
        DWORD code = STILL_ACTIVE;
        WaitForSingleObject(process_.get(), ms);
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

  private:
    std::string path_;
    ku::UniqueHandle process_;
    DWORD id_ = 0;
};

// Starts without waiting; the process handle (the caller closes it), nullptr when it did not start.
HANDLE StartProgram(const std::string& commandLine, DWORD* id = nullptr,
                    const std::string& directory = "");
// The exit code, or -1 when it did not start or end in time (then it is ended).
int RunAndWait(const std::string& commandLine, DWORD ms = 60000, const std::string& directory = "");
// Polls `condition` every 50 ms for up to `ms`.
bool WaitFor(const std::function<bool()>& condition, DWORD ms = 10000);
// The exit code, or -1 when the program had to be ended after `ms`.
int WaitForExit(HANDLE process, DWORD ms);

// The visible top-level windows of a process: the one on the task bar and the last other one.
struct ProgramWindows {
    HWND main = nullptr, other = nullptr;
};
ProgramWindows WindowsOf(DWORD processId);
HWND WaitForMainWindow(DWORD processId, DWORD ms = 20000);
// A visible top-level window of the process holding a control with this id; nullptr when none came.
HWND WaitForWindowWith(DWORD processId, int controlId, DWORD ms = 20000);
// A visible dialog of the process with this caption (and this button when not 0).
HWND FindDialogOf(DWORD processId, const std::string& caption, int button = 0);
// Waits for such a dialog and presses its button; false when it never came.
bool AnswerDialog(DWORD processId, const std::string& caption, int button, DWORD ms = 60000);
// A left click inside a control of another process, as the mouse gives it.
inline void ClickControl(HWND control) {
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

inline std::string Fixture(const std::string& name) {
    return std::string(kFixtureDir) + "\\" + name;
}
inline HANDLE StartKu(const std::string& argument, DWORD* id) {
    return StartProgram("\"" + Fixture("ku\\KU.exe") + "\" " + argument, id);
}

// A window's text, also of another process's control.
inline std::string TextOf(HWND window) {
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}
// The items of a list box (LB_GETCOUNT, LB_GETTEXT) or a combo box of this process.
std::vector<std::string> ItemTexts(HWND control, UINT countMessage, UINT textMessage);

// KU.exe started with the update check off and its main window found (nullptr when none came);
// at the end it is closed if it still runs and its settings key goes.
class KuSession {
  public:
    explicit KuSession(const std::string& exePath = Fixture("ku\\KU.exe"),
                       const std::string& directory = "");
    ~KuSession();
    // Closes the main window; KU.exe's exit code (-1 when it had to be ended).
    int Close();

    DWORD id = 0;
    HWND main = nullptr;

  private:
    ku::UniqueHandle process_;
};

} // namespace kutest
