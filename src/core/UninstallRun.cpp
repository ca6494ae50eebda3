// The uninstaller run: start through the launcher, then follow the process tree to its end.
#include "core/UninstallRun.h"

#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

#include "core/Handles.h"
#include "core/Launcher.h"
#include "core/SharedState.h"

namespace ku {

namespace {

ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct TrackedProcess {
    UniqueHandle handle;
    ULONGLONG created = 0;
    ULONGLONG ended = ~0ULL; // a process starts no child after it ended
    bool running = true;
};

class ProcessTree {
public:
    void Add(DWORD id, UniqueHandle handle) {
        TrackedProcess& process = tree_[id];
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(handle.get(), &created, &exited, &kernel, &user))
            process.created = Ticks(created);
        process.handle = std::move(handle);
    }

    // Adds the processes whose parent is in the tree and that were started while it ran.
    void FindChildren() {
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
            snapshot.release();
            return;
        }
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL ok = Process32First(snapshot.get(), &entry); ok;
             ok = Process32Next(snapshot.get(), &entry)) {
            const auto parent = tree_.find(entry.th32ParentProcessID);
            if (parent == tree_.end() || tree_.count(entry.th32ProcessID))
                continue;
            UniqueHandle handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                            entry.th32ProcessID));
            if (!handle)
                continue;
            FILETIME created, exited, kernel, user;
            if (!GetProcessTimes(handle.get(), &created, &exited, &kernel, &user))
                continue;
            const ULONGLONG start = Ticks(created);
            if (start < parent->second.created || start > parent->second.ended)
                continue; // a reused process id, not a child of ours
            Add(entry.th32ProcessID, std::move(handle));
        }
    }

    // Marks the ended processes; true while any is still running.
    bool AnyRunning() {
        bool any = false;
        for (auto& [id, process] : tree_) {
            if (!process.running)
                continue;
            if (WaitForSingleObject(process.handle.get(), 0) == WAIT_OBJECT_0) {
                process.running = false;
                FILETIME created, exited, kernel, user;
                if (GetProcessTimes(process.handle.get(), &created, &exited, &kernel, &user))
                    process.ended = Ticks(exited);
            } else {
                any = true;
            }
        }
        return any;
    }

    std::vector<HANDLE> RunningHandles() const {
        std::vector<HANDLE> handles;
        for (const auto& [id, process] : tree_)
            if (process.running && handles.size() < MAXIMUM_WAIT_OBJECTS - 1)
                handles.push_back(process.handle.get());
        return handles;
    }

private:
    std::map<DWORD, TrackedProcess> tree_;
};

} // namespace

int RunUninstallerAndWait(const std::string& commandLine, int showMode,
                          const std::function<void()>& pump) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    request.commandLine = commandLine;
    request.show = showMode;
    request.wantProcess = true;
    LaunchResult result = Launch(request);
    if (!result.ok)
        return -1;
    if (!result.process)
        return 0; // a launcher that keeps no process (tests) has nothing to wait for
    const HANDLE first = result.process.get();
    UniqueHandle own;
    DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), own.put(), 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    ProcessTree tree;
    tree.Add(result.processId, std::move(own));
    for (;;) {
        tree.FindChildren();
        if (!tree.AnyRunning())
            break;
        if (ScanState.load() == ScanStop)
            return -2;
        const std::vector<HANDLE> handles = tree.RunningHandles();
        MsgWaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 50,
                                  QS_ALLINPUT);
        if (pump)
            pump();
    }
    DWORD code = 0;
    GetExitCodeProcess(first, &code);
    return static_cast<int>(code);
}

} // namespace ku
