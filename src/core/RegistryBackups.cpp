// Whole-registry backups: listing "FullBackup", reading a backup's time from its name, restore.
#include "core/RegistryBackups.h"

#include <windows.h>

#include "core/Handles.h"
#include "core/Launcher.h"
#include "core/StrUtil.h"

namespace ku {

namespace {

const char* const kHeader4 = "REGEDIT4";
const char* const kHeader5 = "Windows Registry Editor Version 5.00";

bool IsPlainFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first line of the file as ANSI text; a UTF-16 (little-endian) file is narrowed, which is
// exact for the ASCII headers we look for.
std::string FirstLine(const std::string& file) {
    UniqueFile handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return std::string();
    char buffer[128] = {};
    DWORD read = 0;
    if (!ReadFile(handle.get(), buffer, sizeof(buffer), &read, nullptr))
        return std::string();
    std::string bytes(buffer, read);
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += bytes[i + 1] == 0 ? bytes[i] : '?';
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = bytes.substr(3);
    } else {
        text = bytes;
    }
    return text.substr(0, text.find_first_of("\r\n"));
}

DWORD WaitPumping(HANDLE process, const PumpMessages& pump) {
    for (;;) {
        DWORD wait = pump ? MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT)
                          : WaitForSingleObject(process, INFINITE);
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
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (!find)
        return names;
    do {
        if (pump)
            pump();
        const std::string name = entry.cFileName;
        if (entry.dwFileAttributes == FILE_ATTRIBUTE_ARCHIVE && IsPlainFile(folder + "\\" + name) &&
            ContainsText(name, "REG"))
            names.push_back(name);
    } while (FindNextFileA(find.get(), &entry));
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
    return Format("Regedit /s \"%s\"", file.c_str());
}

bool IsRegistryExportFile(const std::string& file) {
    if (!IsPlainFile(file))
        return false;
    const std::string line = TrimRight(FirstLine(file));
    return line == kHeader4 || line == kHeader5;
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
