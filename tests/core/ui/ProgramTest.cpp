// KU.exe itself under Wine: a normal start, a second start and the automatic mode.
#include <gtest/gtest.h>

#include "core/Handles.h"
#include "core/Startup.h"
#include "support/Sandbox.h"

namespace {

const char* const kRealSettings = "Software\\Kelvane Uninstaller";

ku::UniqueHandle StartProgram(const std::string& argument, DWORD& processId) {
    std::string commandLine =
        "\"" + std::string(kutest::kFixtureDir) + "\\ku\\KU.exe\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << "cannot start KU.exe: " << GetLastError();
        return ku::UniqueHandle();
    }
    CloseHandle(info.hThread);
    processId = info.dwProcessId;
    return ku::UniqueHandle(info.hProcess);
}

// The exit code, or -1 when the program had to be ended after timeoutMs.
int WaitForExit(const ku::UniqueHandle& process, DWORD timeoutMs) {
    if (!process)
        return -2;
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

int RunProgram(const std::string& argument, DWORD timeoutMs) {
    DWORD id = 0;
    return WaitForExit(StartProgram(argument, id), timeoutMs);
}

struct VisibleWindows {
    DWORD processId;
    HWND splash = nullptr; // borderless, not on the task bar
    HWND main = nullptr;   // on the task bar
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<VisibleWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found->processId || !IsWindowVisible(window))
        return TRUE;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW)
        found->main = window;
    else
        found->splash = window;
    return TRUE;
}

void SetCheckUpdate(DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRealSettings, 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "CheckUpdate", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

} // namespace

TEST(Program, StartsWithTheSplashThenTheMainWindowAndEndsWhenItCloses) {
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
    SetCheckUpdate(0); // no look-up of the maker's host from the test prefix
    DWORD id = 0;
    ku::UniqueHandle process = StartProgram("", id);
    ASSERT_TRUE(process);
    bool sawSplash = false;
    VisibleWindows windows{id};
    for (int i = 0; i < 400 && !windows.main; ++i) {
        windows = VisibleWindows{id};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
        sawSplash = sawSplash || windows.splash != nullptr;
        Sleep(50);
    }
    EXPECT_TRUE(sawSplash);
    ASSERT_NE(windows.main, nullptr) << "no main window";
    PostMessageA(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(process, 15000), 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRealSettings, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "HelpURL", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
}

TEST(Program, SecondStartEndsAtOnceWithoutTouchingSettings) {
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
    ku::SingleInstance running; // this test plays the first instance
    ASSERT_TRUE(running.IsFirst());
    EXPECT_EQ(RunProgram("", 20000), 0);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY));
}

TEST(Program, AutoRunRunsOnlyTheBackupAndEnds) {
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
    // No splash, no data module, no main window: the program ends by itself.
    EXPECT_EQ(RunProgram("-autorun", 20000), 0);
    // Settings are read (and their defaults written) before the mode is chosen.
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY));
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kRealSettings, KEY_WOW64_64KEY);
}
