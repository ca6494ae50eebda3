// The uninstall wizard's removal: registry items, then files, on one worker thread that
// reaches its window only through IRemovalHost.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "core/Handles.h"
#include "core/WizardState.h"

namespace ku {

// The window side of the removal. The removal thread calls these; a window implementation
// carries each out on the window thread and, for Ask, waits for the answer there.
class IRemovalHost {
public:
    virtual ~IRemovalHost() = default;
    virtual void SetFinishTexts(const std::string& title, const std::string& message) = 0;
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgressRange(int minimum, int maximum) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void EnableButtons(bool step, bool cancel) = 0;
    // A message box; IDYES, IDNO, IDOK ... (IDCANCEL when the window is going away).
    virtual int Ask(const std::string& text, const std::string& caption, UINT type) = 0;
};

// Deletes the key items ("1") and value items ("2") in the view each was found in.
void DeleteRegistryItems(const TUninstallerContents& list, IRemovalHost& host);
// Asks permanent or Recycle Bin, then deletes the file items ("3"), first ending the running
// processes whose executable is the file itself.
void DeleteFileItems(const TUninstallerContents& list, IRemovalHost& host);
// Moves a file or folder to the Recycle Bin without any window of the shell; refuses what the
// delete guard refuses.
bool MoveToRecycleBin(const std::string& path);

// Process killers of the wizard. Matching is by exact executable file name, any case; this
// program and the processes Windows needs are never ended.
bool EnablePrivilege(const std::string& name);
bool KillProcessWithPrivilege(DWORD processId);
int KillProcessesByExeName(const std::string& exeName);
// Ends the processes whose executable is one of RunningExeList's names, 200 ms apart.
int KillRunningExeList(const std::string& runningExeList);

// What one removal run works on.
struct RemovalJob {
    TWizardState* state = nullptr;
    bool forceMode = false;
    std::string folder; // the force mode's folder box
};

// The removal thread: one per wizard run, started running.
class TDelthread {
public:
    TDelthread(RemovalJob job, IRemovalHost& host);
    ~TDelthread(); // waits for the thread
    TDelthread(const TDelthread&) = delete;
    TDelthread& operator=(const TDelthread&) = delete;

    bool Finished() const { return finished_; }
    HANDLE Handle() const { return thread_.get(); }
    void WaitFor();
    // The removal run itself; public so tests can run it on their own thread.
    void Execute();

private:
    void FinishForceRemoval();

    RemovalJob job_;
    IRemovalHost& host_;
    std::atomic<bool> finished_{false};
    UniqueHandle thread_;
    static DWORD WINAPI ThreadProc(void* self);
};

} // namespace ku
