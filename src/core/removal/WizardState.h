// The uninstall wizard's shared state and the progress seam its scans and removal report to.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ForceRemovalPlan.h"
#include "core/removal/OtherPrograms.h"
#include "core/removal/ValueContentUnit.h"

namespace ku {

// How a long scan reaches its window: it lets window messages through and shows what it is
// looking at. The window supplies an object that rate-limits both by time; tests pass none.
class IScanProgress {
public:
    virtual ~IScanProgress() = default;
    // Called between items; the window lets pending messages through (at its own pace).
    virtual void Pump() {}
    // The key or file being looked at.
    virtual void Caption(const std::string& text) { (void)text; }
};

// One run of the wizard: what its scans found and what its removal consumes. The wizard owns
// exactly one; every scan and the removal thread receive it.
struct TWizardState {
    TUninstallerContents LeftoverList;
    // Registry keys visited by every walk of this run; the caption shows every 200th.
    int ScanKeyCounter = 0;
    // Comma-separated lower-case file names of executables the file scan listed.
    std::string RunningExeList;
    std::vector<std::string> OtherServerList;
    std::vector<std::string> ServerFileList;
    // "module path[process path]" for every module of every running process but ours.
    std::vector<std::string> ProcessModuleList;
    std::vector<std::string> RemnantKeyList;
    bool FullForceScan = false;
    // Services, drivers and processes the force scans found, stopped only after confirmation.
    ForceRemovalPlan ForcePlan;
    std::vector<std::string> FileListEntries;
    // "1" when the program is a Norton or Symantec product: the walks keep out of the
    // Uninstall keys then.
    std::string NortonFlag;
    // The normal mode's program: its own Uninstall entry is the only one a scan lists, and the
    // other installed programs' folders are never entered. Read after its uninstaller ran; the
    // force mode leaves both empty.
    OwnEntry Own;
    OtherInstalledPrograms OtherPrograms;
    // What the scans would have listed but passed over, as shown forms: its name holds
    // characters the code page cannot hold, and in its best-fit form it names something else.
    std::vector<std::string> LeftAloneItems;
};

// Adds one item to the left-alone list once: the walks and the matchers may meet it both.
void NoteLeftAlone(std::vector<std::string>& items, const std::string& item);

// The word that the scans left items alone, naming the first ten; empty when they left none.
std::string LeftAloneNotice(const std::vector<std::string>& items);

// The drive ("C:") of a command that starts with a drive path, after an opening quote;
// empty when the command has none.
std::string GetUninstallDrive(const std::string& command);
// The drive the normal-mode file scan walks: the command's drive, else the system drive.
std::string FileScanDrive(const std::string& command);

// The name of the Uninstall entry an upper-case key path lies in ("...\UNINSTALL\<NAME>\..."),
// in its original spelling; empty when the path is not inside an entry. isUninstallKey is set
// for the Uninstall key itself.
std::string UninstallEntryName(const std::string& path, const std::string& upperPath,
                               bool* isUninstallKey);
// True when the path is the entry itself, not a key below it.
bool IsUninstallEntryKey(const std::string& upperPath, const std::string& entryName);

// "filelist.lst" of the program folder, one entry per line; empty when it is missing.
std::vector<std::string> LoadFileList(const std::string& path);
// The first line that contains the key name, when that line also occurs within the key name;
// otherwise the key name itself. Either way the answer is the scan word.
std::string FindFileListEntry(const std::vector<std::string>& entries,
                              const std::string& uninstallKeyName);

// Lines "module[process]" for every module of every running process whose path does not
// contain "KU.EXE".
std::vector<std::string> BuildProcessModuleList();

// Keeps the first of items that name the same key, value or file (several scans and several
// matching values of one key find it again), and drops a value item whose key is listed whole
// in the same view.
void RemoveRepeatedItems(TUninstallerContents& list);

// What the result page lists: registry rows (the key with its root, and the value name or,
// without one, the value's data) and file rows. A key found in both registry views or in
// another letter case is one row: the list says what goes, the removal still takes every item.
struct ResultRow {
    std::string key, value;
};
struct ResultRows {
    std::vector<ResultRow> registry;
    std::vector<std::string> files;
};
ResultRows ListedResults(const TUninstallerContents& list);

// Appends a lower-case file name to a comma-separated list.
void AppendRunningExe(std::string& list, const std::string& fileName);

} // namespace ku
