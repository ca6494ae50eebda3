// The hive engine: backup, pruning, the list of backups and restore.
#include "sysmanager/RegstoreFunUnit.h"
#include "core/system/ExactNames.h"

#include <algorithm>

#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "sysmanager/DosRestore.h"
#include "sysmanager/HiveApi.h"
#include "sysmanager/SysCommands.h"

namespace ku {

const THive kHiveTable[6] = {
    {"DEFAULT", 3, ".DEFAULT", false}, {"SAM", 2, "SAM", false},
    {"SECURITY", 2, "SECURITY", false}, {"SOFTWARE", 2, "SOFTWARE", false},
    {"SYSTEM", 2, "SYSTEM", false},    {"COMPONENTS", 2, "COMPONENTS", true}};

namespace {

const char* const kRestoreCaption = "Zadozivo";
const char* const kRestoreFailed = "Failed to restore registry!";
const size_t kNameLength = 18; // "Reg" + yyyymmdd_hhnnss

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A new, empty folder for this second's backup. A folder of the same second belongs to an
// earlier backup: wait for the next second rather than save over it.
std::string NewBackupFolder(const std::string& dir) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string folder = dir + "\\" + BackupFolderName(now);
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
        Sleep(1000 - now.wMilliseconds + 10);
    }
    return std::string();
}

bool HiveApplies(const THive& hive, const HiveSystem& system) {
    return !hive.onlyWow64 || system.wow64;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Copies the chosen backup's hives into the staging folder; the error text, or empty.
std::string StageHives(const std::string& source, const std::string& staging) {
    if (!DirectoryExists(staging) && !CreateDirectoryA(staging.c_str(), nullptr))
        return "The folder " + staging + " cannot be created.";
    for (const THive& hive : kHiveTable) {
        const std::string from = source + hive.file;
        const std::string to = staging + hive.file;
        if (!FileExists(from)) {
            // A hive of an earlier restore must not go back in with this backup.
            if (FileExists(to) && !DeleteSingleFile(to))
                return "The old copy " + to + " cannot be deleted.";
            continue;
        }
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
            return "The hive " + from + " cannot be copied: " + SystemErrorText(GetLastError());
    }
    return std::string();
}

} // namespace

HKEY HiveRoot(int rootSel) {
    return rootSel == 3 ? HKEY_USERS : HKEY_LOCAL_MACHINE;
}

HiveSystem CurrentHiveSystem() {
    HiveSystem system;
    system.versionName = GetWindowsVersionName();
    try {
        system.wow64 = IsWow64();
    } catch (const std::exception&) {
        system.wow64 = false;
    }
    return system;
}

bool IsWin9xVersionName(const std::string& versionName) {
    return versionName == "WIN32s" || versionName == "WIN95" || versionName == "WIN98" ||
           versionName == "WINMe";
}

std::string DefaultBackupFolder(const HiveSystem& system) {
    if (IsWin9xVersionName(system.versionName))
        return GetWindowsDir() + "\\SYSBCKUP";
    const std::string folder = GetSystemDir().substr(0, 2) + "\\Rbackup";
    if (!DirectoryExists(folder))
        CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string BackupFolderName(const SYSTEMTIME& time) {
    return Format("Reg%04u%02u%02u_%02u%02u%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
}

bool IsBackupFolderName(const std::string& name) {
    return name.size() == kNameLength && StartsText(name, "REG") &&
           AllDigits(name.substr(3, 8)) && name[11] == '_' && AllDigits(name.substr(12, 6));
}

std::string FormatBackupTime(const std::string& folderName) {
    if (folderName.size() < kNameLength)
        return std::string();
    const std::string& n = folderName;
    return n.substr(7, 2) + "/" + n.substr(9, 2) + "/" + n.substr(3, 4) + " " + n.substr(12, 2) +
           ":" + n.substr(14, 2) + ":" + n.substr(16, 2);
}

bool EnableBackupPrivilege() { return HiveApi().EnablePrivilege("SeBackupPrivilege"); }
bool EnableRestorePrivilege() { return HiveApi().EnablePrivilege("SeRestorePrivilege"); }

LONG SaveHive(int rootSel, const std::string& subKey, const std::string& fileName) {
    EnableBackupPrivilege();
    return HiveApi().SaveKey(HiveRoot(rootSel), subKey, fileName);
}

LONG ReplaceHive(int rootSel, const std::string& subKey, const std::string& newFile) {
    EnableRestorePrivilege();
    return HiveApi().ReplaceKey(HiveRoot(rootSel), subKey, newFile, newFile + ".old");
}

BackupResult BackupRegistry(const std::string& backupDir, const HiveSystem& system) {
    BackupResult result;
    const std::string dir = ExcludeTrailingBackslash(backupDir);
    if (dir.empty() || !DirectoryExists(dir)) {
        result.error = "The backup folder " + dir + " does not exist.";
        return result;
    }
    if (IsWin9xVersionName(system.versionName)) {
        result.error = "This version of Windows keeps no registry hives to save.";
        return result;
    }
    result.folder = NewBackupFolder(dir);
    if (result.folder.empty()) {
        result.error = "No backup folder can be created in " + dir + ".";
        return result;
    }
    for (const THive& hive : kHiveTable) {
        if (!HiveApplies(hive, system))
            continue;
        const LONG rc = SaveHive(hive.rootSel, hive.subKey, result.folder + "\\" + hive.file);
        if (rc == ERROR_SUCCESS)
            result.saved.push_back(hive.file);
        else if (rc != ERROR_FILE_NOT_FOUND && result.error.empty()) // not loaded here: skipped
            result.error = Format("The hive %s could not be saved: %s", hive.file,
                                  SystemErrorText(rc).c_str());
    }
    if (result.saved.empty() && result.error.empty())
        result.error = "No registry hive could be saved.";
    result.ok = result.error.empty();
    // An incomplete backup would count among the eight kept and push out a good one.
    if (!result.ok)
        DeleteDirectoryTree(result.folder);
    PruneRegistryBackups(dir);
    return result;
}

std::vector<std::string> ListRegistryBackups(const std::string& backupDir) {
    std::vector<std::string> names;
    const std::string dir = ExcludeTrailingBackslash(backupDir);
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstExactFile((dir + "\\*.*"), entry));
    if (!find)
        return names;
    do {
        if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY &&
            IsBackupFolderName(entry.cFileName))
            names.push_back(entry.cFileName);
    } while (FindNextExactFile(find.get(), entry));
    // Oldest first: by the time stamp, whatever the letter case of "Reg".
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.substr(3) != b.substr(3) ? a.substr(3) < b.substr(3) : a < b;
    });
    return names;
}

void PruneRegistryBackups(const std::string& backupDir) {
    const std::string dir = ExcludeTrailingBackslash(backupDir);
    std::vector<std::string> backups = ListRegistryBackups(dir);
    const int stale = static_cast<int>(backups.size()) - kKeptBackups;
    std::vector<std::string> kept;
    for (int i = 0; i < static_cast<int>(backups.size()); ++i) {
        // A folder that would not go stays listed: the menu must show what is there.
        if (i < stale && DeleteDirectoryTree(dir + "\\" + backups[i]))
            continue;
        kept.push_back(backups[i]);
    }
    WriteDosRestoreBatch(kept, dir);
}

std::vector<TBackupRow> FillBackupGrid(const std::string& backupDir) {
    std::vector<TBackupRow> rows;
    const std::vector<std::string> backups = ListRegistryBackups(backupDir);
    for (size_t i = 0; i < backups.size(); ++i)
        rows.push_back({"   " + std::to_string(i + 1),
                        backups[i] + "[@" + FormatBackupTime(backups[i]) + "]"});
    return rows;
}

RestoreResult RestoreRegistry(const std::string& folder, const HiveSystem& system) {
    RestoreResult result;
    const std::string dir = IncludeTrailingBackslash(folder);
    for (const THive& hive : kHiveTable) {
        const std::string old = dir + hive.file + ".old";
        if (FileExists(old))
            DeleteSingleFile(old);
    }
    if (IsWin9xVersionName(system.versionName) || system.versionName == "WINNT") {
        result.error = "Hives can be restored on Windows 2000 and later only.";
        return result;
    }
    for (const THive& hive : kHiveTable) {
        const std::string file = dir + hive.file;
        if (!HiveApplies(hive, system) || !FileExists(file))
            continue;
        const LONG rc = ReplaceHive(hive.rootSel, hive.subKey, file);
        if (rc != ERROR_SUCCESS) {
            result.error = Format("The hive %s could not be replaced: %s", hive.file,
                                  SystemErrorText(rc).c_str());
            if (!result.replaced.empty())
                result.error += "\nHanded over before it, for the next start of Windows: " +
                                JoinNames(result.replaced) + ".";
            return result;
        }
        result.replaced.push_back(hive.file);
    }
    if (result.replaced.empty())
        result.error = "There is no hive file in " + dir + ".";
    result.ok = result.error.empty();
    return result;
}

bool RestoreRegistryBackup(HWND owner, const std::string& backupDir, const std::string& gridText,
                           const HiveSystem& system) {
    if (Trim(backupDir).empty() || Trim(gridText).empty())
        return false;
    // Only a backup folder of ours, never a path that leads elsewhere.
    const std::string name = Trim(gridText.substr(0, gridText.find('[')));
    if (!IsBackupFolderName(name))
        return false;
    const std::string dir = ExcludeTrailingBackslash(Trim(backupDir));
    const std::string source = dir + "\\" + name + "\\";
    const UINT failIcon = MB_OK | MB_ICONEXCLAMATION;
    for (const char* required : {"DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM"}) {
        if (!FileExists(source + required)) {
            ShowMessageBox(owner, kRestoreFailed, kRestoreCaption, failIcon);
            return false;
        }
    }
    const std::string staging = dir + "\\" + kStagingFolder + "\\";
    const std::string staged = StageHives(source, staging);
    if (!staged.empty()) {
        ShowMessageBox(owner, std::string(kRestoreFailed) + "\n\n" + staged, kRestoreCaption,
                       failIcon);
        return false;
    }
    if (ShowMessageBox(owner, "Are you sure to Zadozivo this registry?", kRestoreCaption,
                       MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return false;
    const RestoreResult result = RestoreRegistry(staging, system);
    if (!result.ok) {
        ShowMessageBox(owner, std::string(kRestoreFailed) + "\n\n" + result.error,
                       kRestoreCaption, failIcon);
        return false;
    }
    ShowMessageBox(owner, "Zadozivo completely,please restart system!", kRestoreCaption, failIcon);
    return true;
}

} // namespace ku
