// The uninstaller run: start through the launcher, then follow the process tree to its end.
#include "core/removal/UninstallRun.h"

#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/Launcher.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

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

// Where an uninstaller's own copies run from: its folder, the temporary folder, and the
// Windows Installer's program. Compared in their wide forms, upper case: a temporary folder or
// copy whose name the code page cannot hold is still the uninstaller's own, and nothing here is
// acted on by its name.
class OwnCopies {
public:
    explicit OwnCopies(const std::string& uninstaller) {
        AddFolder(WideFromAnsi(ExtractFileDir(uninstaller)));
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        if (length > 0 && length <= MAX_PATH)
            AddFolder(std::wstring(temp, length));
    }

    bool IsOwn(HANDLE process, DWORD processId) const {
        const std::wstring image = LongUpper(ImagePath(process, processId));
        if (image.empty())
            return false;
        std::string path;
        if (ExactAnsi(image, path) && SameText(ExtractFileName(path), "msiexec.exe") &&
            IsBelowWindowsFolder(path))
            return true;
        for (const std::wstring& folder : folders_)
            if (image.compare(0, folder.size(), folder) == 0)
                return true;
        return false;
    }

private:
    // Read from the process handle: a child that has only just been created has no module
    // list yet for GetModuleFileNameEx to read, and its parent may end in that moment.
    static std::wstring ImagePath(HANDLE process, DWORD processId) {
        using QueryImageFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
        static const auto query = reinterpret_cast<QueryImageFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32"), "QueryFullProcessImageNameW")));
        wchar_t buffer[MAX_PATH * 4];
        DWORD length = MAX_PATH * 4;
        if (query && query(process, 0, buffer, &length) && length < MAX_PATH * 4)
            return std::wstring(buffer, length);
        return WideFromAnsi(GetProcessImagePath(processId));
    }
    static std::wstring LongUpper(const std::wstring& path) {
        wchar_t buffer[MAX_PATH * 4];
        const DWORD length = GetLongPathNameW(path.c_str(), buffer, MAX_PATH * 4);
        std::wstring text =
            length > 0 && length < MAX_PATH * 4 ? std::wstring(buffer, length) : path;
        if (!text.empty())
            CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
        return text;
    }
    void AddFolder(std::wstring folder) {
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L' '))
            folder.pop_back();
        const size_t first = folder.find_first_not_of(L' ');
        folder.erase(0, first == std::wstring::npos ? folder.size() : first);
        const std::wstring upper = LongUpper(folder);
        if (upper.size() > 3) // never a whole drive
            folders_.push_back(upper + L"\\");
    }

    std::vector<std::wstring> folders_;
};

class ProcessTree {
public:
    explicit ProcessTree(const OwnCopies& own) : own_(own) {}

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
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok;
             ok = Process32NextW(snapshot.get(), &entry)) {
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
            if (!own_.IsOwn(handle.get(), entry.th32ProcessID))
                continue; // another program it opened (a browser, Explorer): not waited for
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
    const OwnCopies& own_;
    std::map<DWORD, TrackedProcess> tree_;
};

// "/I{code}" or "-i {code}" as the first switch of MsiExec: install or repair.
std::string RemovingMsiArguments(const std::string& arguments) {
    const std::string upper = UpperCase(arguments);
    if ((upper.rfind("/I", 0) == 0 || upper.rfind("-I", 0) == 0) &&
        (upper.size() == 2 || upper[2] == '{' || upper[2] == ' '))
        return "/X" + arguments.substr(2);
    return arguments;
}

} // namespace

UninstallerStart UninstallerToStart(const std::string& command) {
    CommandParts parts = SplitCommandLine(command);
    UninstallerStart start;
    if (SameText(ExtractFileName(parts.file), "msiexec.exe") ||
        SameText(ExtractFileName(parts.file), "msiexec"))
        parts.arguments = RemovingMsiArguments(parts.arguments);
    if (!parts.exact)
        return start; // its program has no name here: its best-fit twin is never started
    if (parts.file.empty()) {
        start.commandLine = command;
        return start;
    }
    start.commandLine = "\"" + parts.file + "\"" +
                        (parts.arguments.empty() ? "" : " " + parts.arguments);
    // CreateProcess runs only programs by their application name; a batch file goes by its
    // quoted command line alone.
    const std::string extension = UpperCase(ExtractFileExt(parts.file));
    if (FileExists(parts.file) && extension != ".BAT" && extension != ".CMD")
        start.file = parts.file;
    return start;
}

int RunUninstallerAndWait(const std::string& commandLine, int showMode,
                          const std::function<void()>& pump) {
    const UninstallerStart start = UninstallerToStart(commandLine);
    if (start.commandLine.empty())
        return -1;
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    request.file = start.file;
    request.commandLine = start.commandLine;
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
    const OwnCopies copies(start.file.empty() ? SplitCommandLine(commandLine).file : start.file);
    ProcessTree tree(copies);
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
