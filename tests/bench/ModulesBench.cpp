// Lists the modules of 200 running copies of the sleeper fixture, each under its own name,
// the way the uninstall wizard does (one ListProcessModules per process), and compares it with
// a single raw ToolHelp32 walk over the same processes. Run inside the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_modules.exe [COUNT]
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/system/ProcessUnit.h"

namespace {

const char* const kFolder = "C:\\kutest\\scratch\\bench_modules";

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string NameOf(int i) {
    char name[32];
    std::snprintf(name, sizeof(name), "kubench%03d.exe", i);
    return name;
}

// One process snapshot, then one module snapshot per process of ours.
size_t RawWalk(const std::vector<std::string>& names) {
    size_t modules = 0;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(processes, &entry); more;
         more = Process32Next(processes, &entry)) {
        bool ours = false;
        for (const std::string& name : names)
            ours = ours || lstrcmpiA(entry.szExeFile, name.c_str()) == 0;
        if (!ours)
            continue;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID);
        if (snap == INVALID_HANDLE_VALUE)
            continue;
        MODULEENTRY32 module = {};
        module.dwSize = sizeof(module);
        for (BOOL m = Module32First(snap, &module); m; m = Module32Next(snap, &module))
            ++modules;
        CloseHandle(snap);
    }
    CloseHandle(processes);
    return modules;
}

size_t PerProcess(const std::vector<std::string>& names, const ku::ProcessSnapshot* shared) {
    size_t modules = 0;
    std::vector<std::string> list;
    for (const std::string& name : names) {
        if (shared)
            ku::ListProcessModules(name, &list, *shared);
        else
            ku::ListProcessModules(name, &list);
        modules += list.size();
    }
    return modules;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    CreateDirectoryA("C:\\kutest\\scratch", nullptr);
    CreateDirectoryA(kFolder, nullptr);
    std::vector<std::string> names;
    std::vector<HANDLE> processes;
    for (int i = 0; i < count; ++i) {
        const std::string path = std::string(kFolder) + "\\" + NameOf(i);
        CopyFileA("C:\\kutest\\fixtures\\kusleep.exe", path.c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        std::string line = "\"" + path + "\"";
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            continue;
        CloseHandle(info.hThread);
        processes.push_back(info.hProcess);
        names.push_back(NameOf(i));
    }
    Sleep(2000); // let every copy finish loading
    std::printf("%zu processes\n", processes.size());

    double start = Now();
    size_t raw = RawWalk(names);
    const double rawTime = Now() - start;

    start = Now();
    const ku::ProcessSnapshot snapshot = ku::TakeProcessSnapshot();
    size_t shared = PerProcess(names, &snapshot);
    const double sharedTime = Now() - start;

    start = Now();
    size_t own = PerProcess(names, nullptr);
    const double ownTime = Now() - start;

    std::printf("raw ToolHelp32 walk:              %8.1f ms, %zu modules\n", rawTime * 1000, raw);
    std::printf("ListProcessModules, one snapshot: %8.1f ms, %zu modules\n", sharedTime * 1000,
                shared);
    std::printf("ListProcessModules, snapshot each:%8.1f ms, %zu modules\n", ownTime * 1000, own);

    for (HANDLE process : processes) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    for (const std::string& name : names)
        DeleteFileA((std::string(kFolder) + "\\" + name).c_str());
    RemoveDirectoryA(kFolder);
    return 0;
}
