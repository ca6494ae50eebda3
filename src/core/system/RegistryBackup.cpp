// The whole-registry ".reg" export into "FullBackup\" of the program folder, keeping the last
// few exports.
#include <algorithm>
#include <vector>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Dialogs.h"
#include "core/system/Handles.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

constexpr size_t kBackupsKept = 5;
// A whole registry takes a while to write; a regedit that hangs must not hang us for ever.
constexpr DWORD kExportWaitMs = 30 * 60 * 1000;

std::string TimeStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Format("%04u%02u%02u_%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
}

void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string RestoreHint(const std::string& folder) {
    return "The registry was successfully backed up at the folder:\r\r" + folder +
           "\r\rYou can use the \"Option\"->\"Restore Registry\" to restore the registry and "
           "restore\rthe files(deleted into the recycle bin) from the recycle bin to a previous "
           "state.";
}

bool StartsWithBytes(const std::string& data, const std::string& prefix) {
    return data.compare(0, prefix.size(), prefix) == 0;
}

std::string Utf16(const std::string& ascii) {
    std::string wide;
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

} // namespace

bool IsRegistryExportFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[128];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) || read == 0)
        return false;
    const std::string head(buffer, read);
    const std::string version5 = "Windows Registry Editor Version 5.00";
    // regedit writes version 5 files as UTF-16 with a byte-order mark, version 4 as ANSI.
    return StartsWithBytes(head, "\xFF\xFE" + Utf16(version5)) || StartsWithBytes(head, version5) ||
           StartsWithBytes(head, "REGEDIT4");
}

bool ExportRegistry(const std::string& fileName) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    // regedit from the Windows folder by full path; the file name is quoted as one argument.
    request.commandLine = "\"" + GetWindowsDir() + "\\regedit.exe\" /E \"" + fileName + "\"";
    request.show = SW_HIDE;
    request.waitForExit = true;
    request.waitMilliseconds = kExportWaitMs;
    const LaunchResult result = Launch(request);
    return result.ok && result.exited && IsRegistryExportFile(fileName);
}

void PruneFullBackups(const std::string& folder) {
    const std::string dir = RemoveTrailingBackslash(folder);
    std::vector<std::string> backups;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstExactFile((dir + "\\*.*"), data));
    if (!find)
        return;
    do {
        ProcessPendingMessages();
        const std::string name = data.cFileName;
        if (data.dwFileAttributes == FILE_ATTRIBUTE_ARCHIVE && ContainsText(name, "REG"))
            backups.push_back(name);
    } while (FindNextExactFile(find.get(), data));
    find.reset();
    // NTFS lists a folder by name; other file systems do not, so the order is made the same
    // everywhere. The time stamps in the names make it oldest first.
    std::sort(backups.begin(), backups.end(), [](const std::string& a, const std::string& b) {
        return UpperCase(a) < UpperCase(b);
    });
    for (size_t i = 0; i + kBackupsKept < backups.size(); ++i)
        DeleteSingleFile(dir + "\\" + backups[i]);
}

bool BackupRegistryFull(HWND owner, const ExportWait& wait) {
    try {
        if (ProgramDir().empty())
            return false;
        const std::string folder = ProgramDir() + "FullBackup\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        PruneFullBackups(folder);
        const std::string file = Format("%sBackup_%s.reg", folder.c_str(), TimeStamp().c_str());
        const auto job = [&file] { return ExportRegistry(file); };
        if (!(wait ? wait(file, job) : job()))
            return false;
        ShowMessageBox(owner, RestoreHint(folder), "Restore", MB_OK);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace ku
