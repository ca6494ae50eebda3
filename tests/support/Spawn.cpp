// Test helpers for starting and ending fixture programs and finding their windows.
#include "support/Spawn.h"

#include <stdexcept>

namespace kutest {
namespace {

const char* const kKuSettings = "Software\\Kelvane Uninstaller";

using WindowVisit = std::function<void(HWND)>;

BOOL CALLBACK VisitWindow(HWND window, LPARAM visit) {
    (*reinterpret_cast<const WindowVisit*>(visit))(window);
    return TRUE;
}

// Calls `visit` for every visible top-level window of the process.
void EachWindowOf(DWORD processId, const WindowVisit& visit) {
    const WindowVisit ofProcess = [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            visit(window);
    };
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&ofProcess));
}

// The last visible window of the process holding the control (when not 0); with a caption, only
// a dialog of that caption.
HWND FindWindowOf(DWORD processId, const std::string* caption, int control) {
    HWND found = nullptr;
    EachWindowOf(processId, [&](HWND window) {
        char text[256] = {}, name[64] = {};
        GetWindowTextA(window, text, sizeof text);
        GetClassNameA(window, name, sizeof name);
        if ((!caption || (std::string(name) == "#32770" && *caption == text)) &&
            (control == 0 || GetDlgItem(window, control)))
            found = window;
    });
    return found;
}

HWND WaitForWindow(const std::function<HWND()>& find, DWORD ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = find()) != nullptr; }, ms);
    return found;
}

} // namespace

HANDLE StartProgram(const std::string& commandLine, DWORD* id, const std::string& directory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    if (id)
        *id = info.dwProcessId;
    return info.hProcess;
}

Sleeper::Sleeper(const std::string& folder, const std::string& exeName)
    : path_(folder + "\\" + exeName) {
    if (!CopyFileA(Fixture("kusleep.exe").c_str(), path_.c_str(), FALSE))
        throw std::runtime_error("cannot copy the sleeper to " + path_);
    process_.reset(StartProgram("\"" + path_ + "\"", &id_));
    if (!process_)
        throw std::runtime_error("cannot start " + path_);
    // Wait until the process has its modules loaded, so snapshots see a whole process.
    WaitForInputIdle(process_.get(), 2000);
    Sleep(100);
}

Sleeper::~Sleeper() {
    WaitForExit(process_.get(), 0);
    process_.reset();
    DeleteFileA(path_.c_str());
}

int RunAndWait(const std::string& commandLine, DWORD ms, const std::string& directory) {
    ku::UniqueHandle process(StartProgram(commandLine, nullptr, directory));
    return process ? WaitForExit(process.get(), ms) : -1;
}

int WaitForExit(HANDLE process, DWORD ms) {
    if (!process)
        return -2;
    DWORD code = 0;
    if (WaitForSingleObject(process, ms) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code))
        return static_cast<int>(code);
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    return -1;
}

bool WaitFor(const std::function<bool()>& condition, DWORD ms) {
    for (DWORD waited = 0; !condition(); waited += 50) {
        if (waited >= ms)
            return false;
        Sleep(50);
    }
    return true;
}

ProgramWindows WindowsOf(DWORD processId) {
    ProgramWindows found;
    EachWindowOf(processId, [&](HWND window) {
        (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW ? found.main : found.other) = window;
    });
    return found;
}

HWND WaitForMainWindow(DWORD processId, DWORD ms) {
    return WaitForWindow([&] { return WindowsOf(processId).main; }, ms);
}
HWND WaitForWindowWith(DWORD processId, int controlId, DWORD ms) {
    return WaitForWindow([&] { return FindWindowOf(processId, nullptr, controlId); }, ms);
}
HWND FindDialogOf(DWORD processId, const std::string& caption, int button) {
    return FindWindowOf(processId, &caption, button);
}
bool AnswerDialog(DWORD processId, const std::string& caption, int button, DWORD ms) {
    HWND box = WaitForWindow([&] { return FindDialogOf(processId, caption, button); }, ms);
    return box && PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
}

std::vector<std::string> ItemTexts(HWND control, UINT countMessage, UINT textMessage) {
    std::vector<std::string> texts;
    for (LRESULT i = 0, count = SendMessageA(control, countMessage, 0, 0); i < count; ++i) {
        char text[1024] = {};
        SendMessageA(control, textMessage, i, reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

KuSession::KuSession(const std::string& exePath, const std::string& directory) {
    RawDeleteTree(HKEY_CURRENT_USER, kKuSettings, KEY_WOW64_64KEY);
    RawSetDword(HKEY_CURRENT_USER, kKuSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    process_.reset(StartProgram("\"" + exePath + "\"", &id, directory));
    main = WaitForMainWindow(id);
}

int KuSession::Close() {
    if (process_ && IsWindow(main))
        PostMessageA(main, WM_CLOSE, 0, 0);
    const int code = WaitForExit(process_.get(), 20000);
    process_.reset();
    return code;
}

KuSession::~KuSession() {
    Close();
    RawDeleteTree(HKEY_CURRENT_USER, kKuSettings, KEY_WOW64_64KEY);
}

} // namespace kutest
