// Registry hive backup and restore: whole hives saved into dated "Reg" folders below a backup
// folder, the newest eight kept, listed for the window, and put back for the next start.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

// One hive of the backup, in the order of saving and of restoring.
struct THive {
    const char* file;   // file name inside a backup folder
    int rootSel;        // 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS
    const char* subKey;
    bool onlyWow64;     // saved and restored only on 64-bit Windows
};
extern const THive kHiveTable[6];
HKEY HiveRoot(int rootSel);

// What the engine asks of the running Windows.
struct HiveSystem {
    std::string versionName; // GetWindowsVersionName
    bool wow64 = false;
};
HiveSystem CurrentHiveSystem();
// Windows 3.1 with Win32s, 95, 98 and Me keep no hives of this kind.
bool IsWin9xVersionName(const std::string& versionName);

// The backup folder: on the NT family "Rbackup" on the system drive (created when missing), on
// Windows 9x/Me "SYSBCKUP" in the Windows folder.
std::string DefaultBackupFolder(const HiveSystem& system = CurrentHiveSystem());

inline const char* const kStagingFolder = "Temp";
inline const int kKeptBackups = 8;

// "Reg" + yyyymmdd_hhnnss of the given local time.
std::string BackupFolderName(const SYSTEMTIME& time);
// A folder name this engine makes: "Reg" (any letter case) and a time stamp.
bool IsBackupFolderName(const std::string& name);
// "mm/dd/yyyy hh:nn:ss" from a backup folder's name.
std::string FormatBackupTime(const std::string& folderName);

struct BackupResult {
    bool ok = false;
    std::string folder;                // the new backup folder (gone again on failure)
    std::vector<std::string> saved;    // hive files written
    std::string error;                 // why not, for the user
};
// Saves every hive this system has into a new dated folder below backupDir, then prunes.
// Two backups within one second get two folders (the second waits for the next second).
BackupResult BackupRegistry(const std::string& backupDir,
                            const HiveSystem& system = CurrentHiveSystem());

// Backup folder names below backupDir, oldest first. Plain folders only (no further
// attribute), named as this engine names them.
std::vector<std::string> ListRegistryBackups(const std::string& backupDir);
// Deletes all but the newest eight backups and rewrites the DOS restore menu. Nothing else in
// backupDir is touched (the staging folder holds hives the next start of Windows needs).
void PruneRegistryBackups(const std::string& backupDir);

// One row of the window's backup list: "   1" and "Reg...[@mm/dd/yyyy hh:nn:ss]".
struct TBackupRow {
    std::string number;
    std::string text;
};
std::vector<TBackupRow> FillBackupGrid(const std::string& backupDir);

// The hive primitives.
bool EnableBackupPrivilege();
bool EnableRestorePrivilege();
LONG SaveHive(int rootSel, const std::string& subKey, const std::string& fileName);
LONG ReplaceHive(int rootSel, const std::string& subKey, const std::string& newFile);

struct RestoreResult {
    bool ok = false;
    std::vector<std::string> replaced; // hive files handed over, in order
    std::string error;                 // why not, for the user
};
// Hands every hive file of folder to the system for its next start, stopping at the first
// failure.
RestoreResult RestoreRegistry(const std::string& folder,
                              const HiveSystem& system = CurrentHiveSystem());
// The window's restore: checks the backup named by a list row, stages its hives in "Temp",
// asks, replaces and tells the outcome. True when the hives were handed over.
bool RestoreRegistryBackup(HWND owner, const std::string& backupDir, const std::string& gridText,
                           const HiveSystem& system = CurrentHiveSystem());

} // namespace ku
