// Whole-registry backups: listing "FullBackup", reading a backup's time from its name, restore.
#include "core/settings/RegistryBackups.h"
#include "core/system/ExactNames.h"

#include <windows.h>

#include <algorithm>

#include "core/system/Handles.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool IsPlainFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A whole registry takes minutes to import; a regedit that hangs must not hang us for ever.
constexpr DWORD kImportWaitMs = 30 * 60 * 1000;

// WAIT_OBJECT_0 when the process ended in time.
DWORD WaitPumping(HANDLE process, const PumpMessages& pump) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= kImportWaitMs)
            return WAIT_TIMEOUT;
        const DWORD left = kImportWaitMs - spent;
        DWORD wait = pump ? MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT)
                          : WaitForSingleObject(process, left);
        if (wait != WAIT_OBJECT_0 + 1)
            return wait;
        pump();
    }
}

} // namespace

std::string FullBackupFolder(const std::string& programDir) {
    return IncludeTrailingBackslash(programDir) + kFullBackupFolder;
}

std::vector<std::string> ListRegistryBackups(const std::string& folder, const PumpMessages& pump) {
    std::vector<std::string> names;
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryA(folder.c_str(), nullptr);
        return names;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return names;
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstExactFile((folder + "\\*.*"), entry));
    if (!find)
        return names;
    do {
        if (pump)
            pump();
        const std::string name = entry.cFileName;
        if (entry.dwFileAttributes == FILE_ATTRIBUTE_ARCHIVE && IsPlainFile(folder + "\\" + name) &&
            ContainsText(name, "REG"))
            names.push_back(name);
    } while (FindNextExactFile(find.get(), entry));
    // NTFS lists by name and other file systems do not; by name the stamps run oldest first.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return UpperCase(a) < UpperCase(b);
    });
    return names;
}

std::string BackupTimeText(const std::string& name) {
    // "Backup_" is seven characters; the stamp "yyyymmdd_hhnnss" ends at the 22nd.
    const size_t kStampEnd = 22;
    if (name.size() < kStampEnd)
        return std::string();
    auto part = [&name](size_t from, size_t count) { return name.substr(from, count); };
    return part(11, 2) + "/" + part(13, 2) + "/" + part(7, 4) + " " + part(16, 2) + ":" +
           part(18, 2) + ":" + part(20, 2);
}

std::string RestoreCommandLine(const std::string& file) {
    // regedit of the Windows folder, named in full: a search from this 32-bit process would
    // find the 32-bit one under WOW64, which imports HKEY_LOCAL_MACHINE\SOFTWARE into the
    // 32-bit view. The export is made by the same regedit.
    return Format("\"%s\\regedit.exe\" /s \"%s\"", GetWindowsDir().c_str(), file.c_str());
}

RestoreResult RestoreRegistryBackup(const std::string& file, const PumpMessages& pump) {
    if (!IsRegistryExportFile(file))
        return RestoreResult::NotAnExport;
    LaunchResult started = StartProcess(RestoreCommandLine(file), std::string(), SW_HIDE);
    if (!started.ok || !started.process)
        return RestoreResult::NotStarted;
    if (WaitPumping(started.process.get(), pump) != WAIT_OBJECT_0)
        return RestoreResult::Failed;
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(started.process.get(), &exitCode) || exitCode != 0)
        return RestoreResult::Failed;
    return RestoreResult::Restored;
}

} // namespace ku
