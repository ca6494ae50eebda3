// The uninstall wizard's removal: registry items, then files, on one worker thread that
// reaches its window only through IRemovalHost.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "core/removal/WizardState.h"
#include "core/system/Handles.h"

namespace ku {

// How far a removal got: what it went through, what is still there and whether the user
// stopped it.
struct RemovalReport {
    int total = 0;   // registry and file items of the list
    int handled = 0; // items the loops reached before they ended
    bool stopped = false;
    std::vector<std::string> notRemoved; // one line per item that is still there afterwards
    // What the scans met but left alone, by its shown form: a name the code page cannot hold.
    // It was never listed, and it stays.
    std::vector<std::string> leftAlone;
    // The force mode's folder when it is still there at the end.
    std::string folderKept;
};

// Which Uninstall entries a removal may touch: in the normal and special mode only the
// program's own (an item inside any other entry is refused); the force mode has no entry of
// its own and takes what its scans found.
// Its own entry is the one in the store of the program list's view: an entry of the same name
// in the other view or the user's store is another edition. With ownEntryOnly the files in
// the other installed programs' folders, read again when the removal starts, stay too.
struct RemovalScope {
    bool ownEntryOnly = false;
    std::string ownUninstallEntry;
    EntryStore ownStore = EntryStore::None;
};

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
    // The run has ended (the Finish texts are set): what was not removed, for the details.
    virtual void RemovalEnded(const RemovalReport& report) { (void)report; }
};

// Whether a leftover item's file, key or value is still there (a registry item in the view
// it was found in), and the line that names it in a list of what stays.
bool LeftoverItemRemains(const TContent& item);
std::string DescribeLeftoverItem(const TContent& item);

// The Finish page's title and message for a removal that has ended: stopped, what stayed
// counted by why ("1 item could not be removed, 2 items were left alone, the folder stayed."),
// or complete.
struct FinishTexts {
    std::string title;
    std::string message;
};
FinishTexts RemovalOutcomeTexts(const RemovalReport& report);
// What stayed, for the list below that message: a heading that says why, then its items.
std::vector<std::string> StayedLines(const RemovalReport& report);
// Why the scans leave an item alone, for a page without that list.
inline const char* const kLeftAloneReason =
    "Items left alone have names with characters this program cannot handle.";

// Deletes the key items ("1") and value items ("2") in the view each was found in, until
// ScanState asks to stop (between items). What is still there afterwards goes to the report.
void DeleteRegistryItems(const TUninstallerContents& list, IRemovalHost& host,
                         RemovalReport* report = nullptr, const RemovalScope& scope = {});
// Asks permanent or Recycle Bin, then deletes the file items ("3"), first ending the running
// processes whose image is the file itself (full path, not just the name). A file the guard
// protects stays, unless it is exactly one of namedSystemFiles (names relative to the system
// folder that the program's own tables give, such as "drivers\klif.sys"): such a file goes
// through the guard's road for named files, and only when removed permanently.
void DeleteFileItems(const TUninstallerContents& list, IRemovalHost& host,
                     RemovalReport* report = nullptr,
                     const std::vector<std::string>& namedSystemFiles = {},
                     const RemovalScope& scope = {});
// The name among names (relative to the system folder) that path is exactly, compared as the
// delete guard reads paths (long form, any case); empty when it is none of them.
std::string NamedSystemFileOf(const std::string& path, const std::vector<std::string>& names);
// Moves a file or folder to the Recycle Bin without any window of the shell; refuses what the
// delete guard refuses.
bool MoveToRecycleBin(const std::string& path);

// Process killers of the wizard. A process is ended only when its image is the listed file
// itself (full path, any case); this program and the processes Windows needs never are.
bool EnablePrivilege(const std::string& name);
bool KillProcessWithPrivilege(DWORD processId);
// Ends the running copies of the program file exePath.
int KillProcessesOfFile(const std::string& exePath);
// Ends, 200 ms apart, the processes whose executable is one of RunningExeList's names and is
// one of the files of the leftover list.
int KillRunningExeList(const TWizardState& state);

// What one removal run works on.
struct RemovalJob {
    TWizardState* state = nullptr;
    bool forceMode = false;
    std::string folder; // the force mode's folder box
    RemovalScope scope;
    std::vector<std::string> namedSystemFiles; // see DeleteFileItems
};

// The removal thread: one per wizard run, started running.
class TDelthread {
public:
    TDelthread(RemovalJob job, IRemovalHost& host);
    ~TDelthread(); // waits for the thread
    TDelthread(const TDelthread&) = delete;
    TDelthread& operator=(const TDelthread&) = delete;

    bool Finished() const { return finished_; }
    // What the run did; read it once Finished.
    const RemovalReport& Report() const { return report_; }
    HANDLE Handle() const { return thread_.get(); }
    void WaitFor();
    // The removal run itself; public so tests can run it on their own thread.
    void Execute();

private:
    void DeleteForceFolder();
    void FinishForceRemoval();
    void ShowOutcome();

    RemovalJob job_;
    IRemovalHost& host_;
    RemovalReport report_;
    std::atomic<bool> finished_{false};
    UniqueHandle thread_;
    static DWORD WINAPI ThreadProc(void* self);
};

} // namespace ku
