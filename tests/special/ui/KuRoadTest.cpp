// The road a user takes in the real KU.exe: the main window's Special button, its question,
// the special-uninstall wizard, an application picked from the list and removed with the data
// files that ship beside KU.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "MainUnitIds.h"
#include "SpecialFormIds.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Spawn.h"

namespace {

TEST(SpecialFromKu, TheSpecialButtonLeadsToAWholeRemoval) {
    const REGSAM view = kutest::NativeView();
    const std::string app = "C:\\Program Files\\KuCopernic Agent";
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    CreateDirectoryA(app.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\CopernicAgent.exe"));
    kutest::PlantedRegistry registry(view);
    // What the shipped section names, the folder its finder reads, the vendor's other product.
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\Agent\\System", "RootFolder", app);
    registry.String(HKEY_CURRENT_USER, "Software\\Copernic\\Agent", "Searches", "12");
    registry.String(HKEY_LOCAL_MACHINE, run, "CopernicAgent", app);
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\KuDesktopSearch", "Folder", "x");

    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr);
    const DWORD id = ku.id;
    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_SPECIALBTN));
    ASSERT_TRUE(kutest::AnswerDialog(id, "Kelvane Uninstaller", IDOK))
        << "no question before the wizard";
    HWND wizard = nullptr;
    ASSERT_TRUE(kutest::WaitFor([&] {
        return (wizard = kutest::FindDialogOf(id, "Special Uninstall Wizard", 0)) != nullptr;
    }));
    const HWND list = GetDlgItem(wizard, IDC_SPECIAL_LISTUNISTALL);
    // Down the list with the keyboard to the entry (the fortieth).
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    for (int row = 0; row < 39; ++row)
        PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_TRUE(
        kutest::WaitFor([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == 39; }));
    const HWND step = GetDlgItem(wizard, IDC_SPECIAL_STEPBITBTN);
    kutest::ClickControl(step);
    ASSERT_TRUE(kutest::WaitFor(
        [&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_SCANLABEL1)); }));
    kutest::ClickControl(step);
    ASSERT_TRUE(
        kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_LISTFILE)); }));
    EXPECT_EQ(SendMessageA(GetDlgItem(wizard, IDC_SPECIAL_LISTFILE), LB_GETCOUNT, 0, 0), 1);
    kutest::ClickControl(step);
    EXPECT_TRUE(kutest::AnswerDialog(id, "Kelvane Uninstaller", IDNO)) << "no backup question";
    HWND options = nullptr;
    EXPECT_TRUE(kutest::WaitFor(
        [&] { return (options = kutest::FindDialogOf(id, "Remove Options")) != nullptr; }, 60000));
    EXPECT_EQ(GetWindow(options, GW_OWNER), wizard) << "the wizard stays clickable behind it";
    EXPECT_TRUE(kutest::AnswerDialog(id, "Remove Options", IDYES));
    EXPECT_TRUE(kutest::AnswerDialog(id, "Please restart system!", IDOK));
    EXPECT_TRUE(
        kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_ABFINISH)); }));
    kutest::ClickControl(GetDlgItem(wizard, IDC_SPECIAL_CANCELBITBTN));
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(wizard); }));
    EXPECT_EQ(ku.Close(), 0);

    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\Agent", view));
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, "Software\\Copernic\\Agent", view));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, run, "CopernicAgent", view));
    EXPECT_TRUE(
        kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\KuDesktopSearch", view));
    EXPECT_FALSE(kutest::FileThere(app + "\\CopernicAgent.exe"));
    RemoveDirectoryA(app.c_str());
}

} // namespace
