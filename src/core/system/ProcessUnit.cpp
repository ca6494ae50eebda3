// Process control: snapshots, privileges, the killers and the process and module lists.
#include "core/system/ProcessUnit.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "core/system/DllUnit.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Ending any of these stops or crashes Windows.
const char* const kCriticalProcesses[] = {
    "system",    "[system process]", "wininit.exe", "csrss.exe", "smss.exe",    "services.exe",
    "lsass.exe", "winlogon.exe",     "dwm.exe",     "lsm.exe",   "svchost.exe",
};

// Spared by KillAllUserProcesses: a name found anywhere in this text is left running.
const char kSystemList[] =
    "[System Process],System,spoolsv.exe,svchost.exe, delphi32.exe,spoolsv,nvsvc32.exe, "
    "lsass.exe,services.exe,winlogon.exe,csrss.exe,nvsvc32.exe,smss.exe,inetinfo.exe";

constexpr DWORD kProcessAllAccessXp = 0x1F0FFF; // PROCESS_ALL_ACCESS as Windows XP knows it
#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif
constexpr DWORD kExitWaitMs = 3000;

UniqueHandle Snapshot(DWORD flags, DWORD processId) {
    // A module snapshot can fail with ERROR_BAD_LENGTH while the process loads a module.
    for (int attempt = 0; attempt < 5; ++attempt) {
        HANDLE snap = CreateToolhelp32Snapshot(flags, processId);
        if (snap != INVALID_HANDLE_VALUE)
            return UniqueHandle(snap);
        if (GetLastError() != ERROR_BAD_LENGTH)
            break;
    }
    return UniqueHandle();
}

const ProcessEntry* FindProcess(const ProcessSnapshot& snapshot, DWORD processId) {
    for (const ProcessEntry& entry : snapshot)
        if (entry.processId == processId)
            return &entry;
    return nullptr;
}

UniqueHandle OpenForEnd(DWORD processId) {
    const DWORD base = PROCESS_TERMINATE | SYNCHRONIZE;
    for (DWORD access : {base | PROCESS_QUERY_LIMITED_INFORMATION, base | PROCESS_QUERY_INFORMATION,
                         kProcessAllAccessXp}) {
        UniqueHandle process(OpenProcess(access, FALSE, processId));
        if (process)
            return process;
    }
    return UniqueHandle();
}

// True unless the process behind the handle is known to run another program than the
// snapshot named: its id may have passed to a new process since the snapshot was taken.
bool StillTheSameProgram(HANDLE process, const std::string& exeFile) {
    using QueryImageFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto queryImage = reinterpret_cast<QueryImageFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "QueryFullProcessImageNameW")));
    wchar_t path[MAX_PATH * 4];
    DWORD length = MAX_PATH * 4;
    if (!queryImage || !queryImage(process, 0, path, &length))
        return true;
    // A program the code page cannot name is never taken for the one the snapshot named.
    std::string name;
    return ExactAnsi(path, length, name) &&
           SameText(ExtractFileName(name), ExtractFileName(exeFile));
}

// The companion library first; when it cannot, TerminateProcess. Our handle keeps the id
// bound to the process the snapshot showed for the whole time, and the wait lets the caller
// delete the program's file at once.
bool EndProcess(const ProcessEntry& entry, UINT exitCode) {
    if (IsUntouchableProcess(entry))
        return false;
    EnableTokenPrivilege("SeDebugPrivilege");
    UniqueHandle process = OpenForEnd(entry.processId);
    if (process && !StillTheSameProgram(process.get(), entry.exeFile))
        return false;
    bool ended = DllKillCheckedProcess(entry.processId);
    if (!ended)
        ended = process && TerminateProcess(process.get(), exitCode);
    if (ended && process)
        WaitForSingleObject(process.get(), kExitWaitMs);
    return ended;
}

// The program's path is one the code page cannot hold (its name alone may still be held).
bool ImagePathIsInexact(DWORD processId) {
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    wchar_t buffer[MAX_PATH * 4];
    const DWORD size = MAX_PATH * 4;
    const DWORD length = process ? GetModuleFileNameExW(process.get(), nullptr, buffer, size) : 0;
    std::string path;
    return length != 0 && length < size && !ExactAnsi(buffer, length, path);
}

bool MatchesExeName(const ProcessEntry& process, const std::string& name) {
    return !name.empty() &&
           (SameText(ExtractFileName(process.exeFile), name) || SameText(process.exeFile, name));
}

bool AdjustPrivilege(HANDLE token, const std::string& name, DWORD attributes) {
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &privileges.Privileges[0].Luid))
        return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    return true;
}

} // namespace

ProcessSnapshot TakeProcessSnapshot() {
    ProcessSnapshot result;
    UniqueHandle snap = Snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snap)
        return result;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    // A program whose name the code page cannot hold is left out: by its best-fit name it
    // would be taken for another program (and ended for it).
    std::string name;
    for (BOOL more = Process32FirstW(snap.get(), &entry); more;
         more = Process32NextW(snap.get(), &entry))
        if (ExactAnsi(entry.szExeFile, wcslen(entry.szExeFile), name))
            result.push_back({entry.th32ProcessID, name});
    return result;
}

bool IsUntouchableProcess(const ProcessEntry& process) {
    if (process.processId == 0 || process.processId == 4 ||
        process.processId == GetCurrentProcessId())
        return true;
    const std::string name = LowerCase(ExtractFileName(process.exeFile));
    if (name.empty())
        return true;
    for (const char* critical : kCriticalProcesses)
        if (name == critical)
            return true;
    return false;
}

bool EnableTokenPrivilege(const std::string& name) {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    return AdjustPrivilege(token.get(), name, SE_PRIVILEGE_ENABLED);
}

bool SetProcessPrivilege(HANDLE process, const std::string& name, bool enable) {
    UniqueHandle token;
    if (!OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    if (!AdjustPrivilege(token.get(), name, enable ? SE_PRIVILEGE_ENABLED : 0))
        return false;
    return GetLastError() == ERROR_SUCCESS;
}

bool KillProcessById(DWORD processId) {
    return KillProcessById(processId, TakeProcessSnapshot());
}

bool KillProcessById(DWORD processId, const ProcessSnapshot& snapshot) {
    // A process missing from the snapshot has no name to check; it is not ended blindly.
    const ProcessEntry* process = FindProcess(snapshot, processId);
    return process && EndProcess(*process, 1);
}

bool KillProcessByExeName(const std::string& name) {
    return !name.empty() && KillProcessByExeName(name, TakeProcessSnapshot());
}

bool KillProcessByExeName(const std::string& name, const ProcessSnapshot& snapshot) {
    bool matched = false;
    bool allEnded = true;
    for (const ProcessEntry& process : snapshot)
        if (MatchesExeName(process, name)) {
            matched = true;
            allEnded = EndProcess(process, 0) && allEnded;
        }
    return matched && allEnded;
}

int KillProcessesByName(const std::string& name) {
    return name.empty() ? 0 : KillProcessesByName(name, TakeProcessSnapshot());
}

int KillProcessesByName(const std::string& name, const ProcessSnapshot& snapshot) {
    int ended = 0;
    for (const ProcessEntry& process : snapshot)
        if (ContainsText(ExtractFileName(process.exeFile), name) && EndProcess(process, 1))
            ++ended;
    return ended;
}

int KillProcessesByImagePath(const std::vector<std::string>& paths, DWORD pauseMs) {
    int ended = 0;
    for (const ProcessEntry& process : TakeProcessSnapshot()) {
        const std::string name = ExtractFileName(process.exeFile);
        bool named = false;
        for (const std::string& path : paths)
            named = named || SameText(ExtractFileName(path), name);
        if (!named || IsUntouchableProcess(process))
            continue;
        const std::string image = GetProcessImagePath(process.processId);
        for (const std::string& path : paths) {
            if (image.empty() || !SameText(image, path))
                continue;
            if (EndProcess(process, 1))
                ++ended;
            if (pauseMs)
                Sleep(pauseMs);
            break;
        }
    }
    return ended;
}

ProcessSnapshot SelectUserProcesses(const ProcessSnapshot& snapshot) {
    static const std::string systemList = LowerCase(kSystemList);
    ProcessSnapshot selected;
    for (const ProcessEntry& process : snapshot) {
        const std::string name = LowerCase(ExtractFileName(process.exeFile));
        // An empty name is found in any text, so it is spared as well.
        if (systemList.find(name) != std::string::npos || ContainsText(name, "ku.exe") ||
            IsUntouchableProcess(process))
            continue;
        selected.push_back(process);
    }
    return selected;
}

int KillAllUserProcesses() {
    return KillAllUserProcesses(TakeProcessSnapshot());
}

int KillAllUserProcesses(const ProcessSnapshot& snapshot) {
    int ended = 0;
    for (const ProcessEntry& process : SelectUserProcesses(snapshot))
        if (EndProcess(process, 1))
            ++ended;
    return ended;
}

std::string GetProcessImagePath(DWORD processId) {
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process)
        return std::string();
    wchar_t buffer[MAX_PATH * 4];
    const DWORD size = MAX_PATH * 4;
    DWORD length = GetModuleFileNameExW(process.get(), nullptr, buffer, size);
    std::string path;
    if (length == 0 || length >= size || !ExactAnsi(buffer, length, path))
        return std::string();
    return path;
}

void ListProcessPaths(std::vector<std::string>* list) {
    if (!list)
        return;
    list->clear();
    SetProcessPrivilege(GetCurrentProcess(), "SeDebugPrivilege", true);
    for (const ProcessEntry& process : TakeProcessSnapshot()) {
        std::string path = GetProcessImagePath(process.processId);
        if (path.empty() && !ImagePathIsInexact(process.processId))
            path = process.exeFile;
        if (!path.empty())
            list->push_back(path);
    }
}

void ListProcessModules(const std::string& exeName, std::vector<std::string>* list) {
    if (list && !exeName.empty())
        ListProcessModules(exeName, list, TakeProcessSnapshot());
}

void ListProcessModules(const std::string& exeName, std::vector<std::string>* list,
                        const ProcessSnapshot& snapshot) {
    if (!list || exeName.empty())
        return;
    list->clear();
    for (const ProcessEntry& process : snapshot) {
        if (!SameText(process.exeFile, exeName))
            continue;
        UniqueHandle snap = Snapshot(TH32CS_SNAPMODULE, process.processId);
        if (!snap)
            continue;
        MODULEENTRY32W module = {};
        module.dwSize = sizeof(module);
        std::string path;
        // A module whose path the code page cannot hold is left out, never listed by its
        // best-fit twin's path.
        for (BOOL more = Module32FirstW(snap.get(), &module); more;
             more = Module32NextW(snap.get(), &module))
            if (ExactAnsi(module.szExePath, wcslen(module.szExePath), path))
                list->push_back(path);
    }
}

} // namespace ku
