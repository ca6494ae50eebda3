// The command launcher: WinExec, ShellExecute and CreateProcess behind one seam.
#include "core/system/Launcher.h"

#include <shellapi.h>

#include <atomic>
#include <utility>
#include <vector>

namespace ku {

namespace {

class Win32Launcher : public ICommandLauncher {
public:
    LaunchResult Launch(const LaunchRequest& request) override {
        switch (request.kind) {
        case LaunchRequest::Kind::Exec: return RunWinExec(request);
        case LaunchRequest::Kind::Shell: return RunShell(request);
        case LaunchRequest::Kind::Process: return RunCreateProcess(request);
        }
        return {};
    }

private:
    static LaunchResult RunWinExec(const LaunchRequest& request) {
        LaunchResult result;
        UINT rc = ::WinExec(request.commandLine.c_str(), static_cast<UINT>(request.show));
        result.ok = rc > 31;
        result.error = result.ok ? 0 : rc;
        return result;
    }

    static const char* OrNull(const std::string& text) {
        return text.empty() ? nullptr : text.c_str();
    }

    static LaunchResult RunShell(const LaunchRequest& request) {
        LaunchResult result;
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI | (request.wantProcess ? SEE_MASK_NOCLOSEPROCESS : 0);
        info.hwnd = request.owner;
        info.lpVerb = OrNull(request.verb);
        info.lpFile = request.file.c_str();
        info.lpParameters = OrNull(request.parameters);
        info.lpDirectory = OrNull(request.directory);
        info.nShow = request.show;
        result.ok = ShellExecuteExA(&info) != FALSE;
        if (!result.ok) {
            result.error = GetLastError();
            return result;
        }
        if (info.hProcess) {
            result.process.reset(info.hProcess);
            result.processId = GetProcessId(info.hProcess);
        }
        return result;
    }

    // Reads the pipe until the last writer closes it; keeps the text only when asked.
    static unsigned long long DrainPipe(HANDLE readEnd, std::string* text) {
        unsigned long long total = 0;
        char block[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, block, sizeof(block), &read, nullptr) && read > 0) {
            total += read;
            if (text)
                text->append(block, read);
        }
        return total;
    }

    static LaunchResult RunCreateProcess(const LaunchRequest& request) {
        LaunchResult result;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(request.show);
        UniqueHandle readEnd, writeEnd;
        if (request.captureOutput) {
            SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
            if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) {
                result.error = GetLastError();
                return result;
            }
            // Only the write end belongs to the child; our read end stays ours.
            SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags |= STARTF_USESTDHANDLES;
            startup.hStdOutput = writeEnd.get();
            startup.hStdError = writeEnd.get();
        }
        PROCESS_INFORMATION info = {};
        // CreateProcessA may write into the command line buffer.
        std::vector<char> commandLine(request.commandLine.begin(), request.commandLine.end());
        commandLine.push_back('\0');
        result.ok = CreateProcessA(OrNull(request.file), commandLine.data(), nullptr, nullptr,
                                   request.captureOutput ? TRUE : FALSE, NORMAL_PRIORITY_CLASS,
                                   nullptr, OrNull(request.directory), &startup, &info) != FALSE;
        if (!result.ok) {
            result.error = GetLastError();
            return result;
        }
        UniqueHandle thread(info.hThread);
        UniqueHandle process(info.hProcess);
        result.processId = info.dwProcessId;
        if (request.captureOutput) {
            // With our copy of the write end closed, the read fails once the child is done.
            writeEnd.reset();
            result.outputBytes =
                DrainPipe(readEnd.get(), request.keepOutput ? &result.output : nullptr);
        }
        if (request.afterOutput)
            request.afterOutput();
        if (request.waitForExit &&
            WaitForSingleObject(process.get(), request.waitMilliseconds) == WAIT_OBJECT_0) {
            DWORD code = 0;
            result.exited = GetExitCodeProcess(process.get(), &code) != FALSE;
            result.exitCode = code;
        }
        if (request.wantProcess)
            result.process = std::move(process);
        return result;
    }
};

std::atomic<ICommandLauncher*> installed{nullptr};

} // namespace

ICommandLauncher& RealLauncher() {
    static Win32Launcher launcher;
    return launcher;
}

void SetCommandLauncher(ICommandLauncher* launcher) { installed = launcher; }

LaunchResult Launch(const LaunchRequest& request) {
    ICommandLauncher* launcher = installed.load();
    return (launcher ? *launcher : RealLauncher()).Launch(request);
}

bool RunWinExec(const std::string& commandLine, int show) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Exec;
    request.commandLine = commandLine;
    request.show = show;
    return Launch(request).ok;
}

bool RunShellExecute(HWND owner, const std::string& verb, const std::string& file,
                     const std::string& parameters, const std::string& directory, int show) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Shell;
    request.owner = owner;
    request.verb = verb;
    request.file = file;
    request.parameters = parameters;
    request.directory = directory;
    request.show = show;
    return Launch(request).ok;
}

LaunchResult StartProcess(const std::string& commandLine, const std::string& directory, int show) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    request.commandLine = commandLine;
    request.directory = directory;
    request.show = show;
    request.wantProcess = true;
    return Launch(request);
}

} // namespace ku
