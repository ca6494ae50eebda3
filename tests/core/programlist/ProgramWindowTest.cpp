// KU.exe itself under Wine with the fixture programs installed: its main window lists them
// once the "32Bit" button is clicked, as the program's own list building says.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FixturePrograms.h"
#include "ListTestSupport.h"
#include "MainUnitIds.h"
#include "core/Handles.h"

namespace {

const char* const kSettings = "Software\\Kelvane Uninstaller";

struct Found {
    DWORD processId;
    HWND main = nullptr;
};

BOOL CALLBACK FindMain(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->processId && IsWindowVisible(window) &&
        (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW))
        found->main = window;
    return TRUE;
}

// The row captions of another process's list view, read through memory of that process.
std::vector<std::string> RemoteCaptions(HWND list, HANDLE process) {
    std::vector<std::string> captions;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const SIZE_T size = sizeof(LVITEMA) + 1024;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote)
        return captions;
    for (int row = 0; row < count; ++row) {
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = 1024;
        WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
        char text[1024] = {};
        ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof(text) - 1, nullptr);
        captions.push_back(text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return captions;
}

TEST(ProgramWindow, KuExeListsTheInstalledFixturesInTheThirtyTwoBitView) {
    const std::string& problem = fixtures::EnsureInstalled();
    ASSERT_TRUE(problem.empty()) << problem;
    // No update look-up from the test prefix.
    listtest::SetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    listtest::SetDword(HKEY_CURRENT_USER, kSettings, "ShowWindowsUpdate", 0, KEY_WOW64_64KEY);
    std::string commandLine = "\"" + std::string(kutest::kFixtureDir) + "\\ku\\KU.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    CloseHandle(info.hThread);
    ku::UniqueHandle process(info.hProcess);
    Found found{info.dwProcessId};
    for (int i = 0; i < 400 && !found.main; ++i) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
        Sleep(50);
    }
    ASSERT_NE(found.main, nullptr) << "no main window";
    Sleep(500); // the list is filled when the window is first shown
    HWND list = GetDlgItem(found.main, IDC_MAIN_LIST);
    SendMessageA(GetDlgItem(found.main, IDC_MAIN_SYSBIT32), BM_CLICK, 0, 0);
    const std::vector<std::string> shown = RemoteCaptions(list, process.get());

    listtest::ViewScope view(false);
    ku::TUninstallContents expected;
    ku::BuildProgramList(expected, false);
    expected.SortBy(ku::SortByName, ku::SortAscending);
    EXPECT_EQ(shown, listtest::Names(expected));
    for (const char* name : {"KU Fixture NSIS", "KU Fixture MSI A", "KU Fixture Suite"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), name), shown.end()) << name;

    PostMessageA(found.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 99);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kSettings, KEY_WOW64_64KEY);
}

} // namespace
