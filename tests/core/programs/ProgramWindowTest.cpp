// KU.exe itself under Wine with the fixture programs installed: the main window lists them,
// sorted by name, once the "32Bit" button is clicked; its end writes the defaults; Enter and Esc
// on a row never end it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FixturePrograms.h"
#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "support/Spawn.h"

namespace {

const char* const kSettings = "Software\\Kelvane Uninstaller";

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

TEST(ProgramWindow, KuExeListsTheFixturesInTheThirtyTwoBitView) {
    const std::string& problem = fixtures::EnsureInstalled();
    ASSERT_TRUE(problem.empty()) << problem;
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kSettings, KEY_WOW64_64KEY);
    // No update look-up from the test prefix.
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "ShowWindowsUpdate", 0, KEY_WOW64_64KEY);
    DWORD id = 0;
    ku::UniqueHandle process(kutest::StartKu("", &id));
    ASSERT_TRUE(process);
    kutest::ProgramWindows windows;
    for (int i = 0; i < 400 && !windows.main; ++i) {
        windows = kutest::WindowsOf(id);
        Sleep(50);
    }
    const HWND main = windows.main;
    ASSERT_NE(main, nullptr) << "no main window";
    // The list is filled once the window is first shown, from a posted message: a click before
    // that would be undone by it (the 64-bit view again), however long a fixed pause lasted.
    HWND list = GetDlgItem(main, IDC_MAIN_LIST);
    ASSERT_TRUE(kutest::WaitFor([&] { return ListView_GetItemCount(list) > 0; }, 30000))
        << "the list was never filled";
    SendMessageA(GetDlgItem(main, IDC_MAIN_SYSBIT32), BM_CLICK, 0, 0);
    const std::vector<std::string> shown = RemoteCaptions(list, process.get());

    for (const char* name : {"KU Fixture NSIS", "KU Fixture MSI A", "KU Fixture Suite"})
        EXPECT_EQ(std::count(shown.begin(), shown.end(), name), 1) << name;
    for (const char* name : {"KU Fixture Only 64", "KU Fixture MSI B"})
        EXPECT_EQ(std::count(shown.begin(), shown.end(), name), 0) << name;
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end(), [](const auto& a, const auto& b) {
        return ku::Trim(a) < ku::Trim(b);
    }));

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(kutest::WaitForExit(process.get(), 15000), 0);
    EXPECT_TRUE(kutest::RawValueExists(HKEY_CURRENT_USER, kSettings, "HelpURL")); // the defaults
    kutest::RawDeleteTree(HKEY_CURRENT_USER, kSettings, KEY_WOW64_64KEY);
}

} // namespace

namespace {

void Press(HWND control, UINT key) {
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

// Enter and Esc on a selected row, as a user presses them: Enter opens the row's uninstall
// wizard (whose Esc cancels it), Esc names no command in the main window, and KU.exe runs on.
TEST(ProgramWindow, KuExeRunsOnAfterEnterAndEscOnASelectedRow) {
    const std::string& problem = fixtures::EnsureInstalled();
    ASSERT_TRUE(problem.empty()) << problem;
    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr) << "no main window";
    ku::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, ku.id));
    const auto running = [&] { return WaitForSingleObject(process.get(), 1000) == WAIT_TIMEOUT; };
    const HWND list = GetDlgItem(ku.main, IDC_MAIN_LIST);
    ASSERT_TRUE(kutest::WaitFor([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }));
    Press(list, VK_DOWN);
    ASSERT_TRUE(kutest::WaitFor(
        [&] { return SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) >= 0; }));

    Press(list, VK_RETURN);
    const HWND wizard = kutest::WaitForWindowWith(ku.id, IDC_STEP_STEPBITBTN, 10000);
    EXPECT_TRUE(running()) << "Enter ended KU.exe";
    ASSERT_NE(wizard, nullptr) << "Enter did not open the wizard";
    Press(wizard, VK_ESCAPE);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(wizard); })) << "Esc left the wizard open";

    Press(list, VK_ESCAPE);
    EXPECT_TRUE(running()) << "Esc ended KU.exe";
    EXPECT_TRUE(IsWindowVisible(ku.main));
    EXPECT_EQ(ku.Close(), 0);
}

} // namespace
