// Test helpers for starting and ending fixture programs.
#include "support/Spawn.h"

#include <stdexcept>
#include <vector>

namespace kutest {

HANDLE StartProgram(const std::string& commandLine, DWORD* id, const std::string& directory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
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
    process_ = StartProgram("\"" + path_ + "\"", &id_);
    if (!process_)
        throw std::runtime_error("cannot start " + path_);
    // Wait until the process has its modules loaded, so snapshots see a whole process.
    WaitForInputIdle(process_, 2000);
    Sleep(100);
}

Sleeper::~Sleeper() {
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    DeleteFileA(path_.c_str());
}

bool Sleeper::Running() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD Sleeper::WaitExitCode(DWORD ms) const {
    WaitForSingleObject(process_, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

int RunAndWait(const std::string& commandLine, DWORD ms, const std::string& directory) {
    HANDLE process = StartProgram(commandLine, nullptr, directory);
    if (!process)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

int WaitForExit(HANDLE process, DWORD ms) {
    if (!process)
        return -2;
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

HANDLE StartKu(const std::string& argument, DWORD* id) {
    return StartProgram("\"" + Fixture("ku\\KU.exe") + "\" " + argument, id);
}

namespace {

struct WindowSearch {
    DWORD processId;
    ProgramWindows found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW)
        search->found.main = window;
    else
        search->found.other = window;
    return TRUE;
}

} // namespace

ProgramWindows WindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForMainWindow(DWORD processId, DWORD ms) {
    HWND main = nullptr;
    WaitFor([&] { return (main = WindowsOf(processId).main) != nullptr; }, ms);
    return main;
}

namespace {

// A visible window of the process holding the control (when not 0); with a caption, only a
// dialog of that caption. The last one found counts.
struct ControlSearch {
    DWORD processId;
    const std::string* caption;
    int control;
    HWND found = nullptr;
};

BOOL CALLBACK CheckWindowOf(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ControlSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[256] = {}, name[64] = {};
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && IsWindowVisible(window) &&
        (!search->caption || (std::string(name) == "#32770" && *search->caption == text)) &&
        (search->control == 0 || GetDlgItem(window, search->control)))
        search->found = window;
    return TRUE;
}

HWND FindWindowOf(DWORD processId, const std::string* caption, int control) {
    ControlSearch search{processId, caption, control};
    EnumWindows(CheckWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

HWND WaitForWindowWith(DWORD processId, int controlId, DWORD ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowOf(processId, nullptr, controlId)) != nullptr; }, ms);
    return found;
}

HWND FindDialogOf(DWORD processId, const std::string& caption, int button) {
    return FindWindowOf(processId, &caption, button);
}
bool AnswerDialog(DWORD processId, const std::string& caption, int button, DWORD ms) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindDialogOf(processId, caption, button)) != nullptr; }, ms))
        return false;
    PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
    return true;
}

void ClickControl(HWND control) {
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

std::string TextOf(HWND window) {
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::string> ItemTexts(HWND control, UINT countMessage, UINT textMessage) {
    std::vector<std::string> texts;
    const LRESULT count = SendMessageA(control, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[1024] = {};
        SendMessageA(control, textMessage, i, reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

namespace {
const char* const kKuSettings = "Software\\Kelvane Uninstaller";
}

KuSession::KuSession(const std::string& exePath, const std::string& directory) {
    RawDeleteTree(HKEY_CURRENT_USER, kKuSettings, KEY_WOW64_64KEY);
    RawSetDword(HKEY_CURRENT_USER, kKuSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    process_ = StartProgram("\"" + exePath + "\"", &id, directory);
    main = WaitForMainWindow(id);
}

int KuSession::Close() {
    if (!process_)
        return -2;
    if (IsWindow(main))
        PostMessageA(main, WM_CLOSE, 0, 0);
    const int code = WaitForExit(process_, 20000);
    CloseHandle(process_);
    process_ = nullptr;
    return code;
}

KuSession::~KuSession() {
    Close();
    RawDeleteTree(HKEY_CURRENT_USER, kKuSettings, KEY_WOW64_64KEY);
}

bool WaitFor(const std::function<bool()>& condition, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        if (condition())
            return true;
        if (waited >= ms)
            return false;
        Sleep(50);
    }
}

} // namespace kutest
