// Finding, ending and listing processes: ToolHelp32 snapshots, PSAPI paths, token privileges.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

struct ProcessEntry {
    DWORD processId = 0;
    std::string exeFile; // the executable file name as the snapshot reports it
};
using ProcessSnapshot = std::vector<ProcessEntry>;

// One ToolHelp32 walk of all processes, in snapshot order. Loops that kill or list per file
// or per process take one snapshot and pass it to the overloads below.
ProcessSnapshot TakeProcessSnapshot();

// Processes never ended: this process, the idle and System processes, and the ones whose end
// brings Windows down (csrss.exe, lsass.exe, services.exe, svchost.exe ...).
bool IsUntouchableProcess(const ProcessEntry& process);

// Privileges of this process's token (callers pass "SeDebugPrivilege").
bool EnableTokenPrivilege(const std::string& name);
bool SetProcessPrivilege(HANDLE process, const std::string& name, bool enable);

// Ends one process: the companion library first, then TerminateProcess (exit code 1).
bool KillProcessById(DWORD processId);
bool KillProcessById(DWORD processId, const ProcessSnapshot& snapshot);
// Ends every process whose file name (or reported text) equals Name, ignoring case. True when
// at least one matched and every match was ended; an empty name matches nothing.
bool KillProcessByExeName(const std::string& name);
bool KillProcessByExeName(const std::string& name, const ProcessSnapshot& snapshot);
// Ends every process whose file name contains Name, ignoring case; returns how many ended.
int KillProcessesByName(const std::string& name);
int KillProcessesByName(const std::string& name, const ProcessSnapshot& snapshot);
// Ends every process whose main module is one of these files (full paths, compared ignoring
// case), pausing pauseMs after each: a program of the same name elsewhere keeps running.
// Returns how many ended.
int KillProcessesByImagePath(const std::vector<std::string>& paths, DWORD pauseMs = 0);
// Ends every process that is not part of Windows or this program (Explorer included).
int KillAllUserProcesses();
int KillAllUserProcesses(const ProcessSnapshot& snapshot);
// The processes KillAllUserProcesses would end, in snapshot order.
ProcessSnapshot SelectUserProcesses(const ProcessSnapshot& snapshot);

// The full path of the process's main module; empty when it cannot be read.
std::string GetProcessImagePath(DWORD processId);
// Replaces List with the path of every running process (the snapshot's file name when the
// path cannot be read). Nothing happens without a list.
void ListProcessPaths(std::vector<std::string>* list);
// Replaces List with the module paths of every process whose file name equals ExeName.
void ListProcessModules(const std::string& exeName, std::vector<std::string>* list);
void ListProcessModules(const std::string& exeName, std::vector<std::string>* list,
                        const ProcessSnapshot& snapshot);

} // namespace ku
