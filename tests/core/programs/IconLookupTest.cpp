// Which icon a row shows, the parsing of third-party icon references, and that each distinct
// icon is looked up once per fill.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "core/programs/IconLookup.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/main/ProgramIcons.h"
#include "support/Sandbox.h"

namespace {

TEST(IconText, NumericTextAndIndexParsingNeverThrow) {
    EXPECT_TRUE(ku::IsNumericText("12"));
    EXPECT_TRUE(ku::IsNumericText("-"));
    EXPECT_TRUE(ku::IsNumericText("1-2"));
    EXPECT_FALSE(ku::IsNumericText(""));
    EXPECT_FALSE(ku::IsNumericText("1a"));
    EXPECT_FALSE(ku::IsNumericText(" 1"));
    EXPECT_EQ(ku::ParseIconIndex("7"), 7);
    EXPECT_EQ(ku::ParseIconIndex(" 3 "), 3);
    for (const char* odd : {"-", "1-2", "--3", "-5", "", "x", "99999999999999999999999",
                            "-99999999999999999999999", "4294967296"})
        EXPECT_EQ(ku::ParseIconIndex(odd), 0) << odd;
}

TEST(IconText, FindsTheOneProgramOrIconFileOfAFolder) {
    kutest::ScratchDir dir;
    EXPECT_EQ(ku::FindIconFileInFolder(dir.Path()), "");
    EXPECT_EQ(ku::FindIconFileInFolder(""), "");
    EXPECT_EQ(ku::FindIconFileInFolder(dir.File("missing")), "");
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("notes.txt"), "x"));
    CreateDirectoryA(dir.File("sub.exe").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("app.ICO"), "x"));
    EXPECT_EQ(ku::FindIconFileInFolder(dir.Path()), dir.File("app.ICO"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("setup.exe"), "x"));
    EXPECT_EQ(ku::FindIconFileInFolder(dir.Path()), "");
}

TEST(IconChoice, DllReferencesExistingFilesAndFallBacks) {
    kutest::ScratchDir dir;
    const std::string dll = dir.File("res.dll");
    const std::string exe = dir.File("tool.exe");
    ASSERT_TRUE(kutest::WriteTextFile(dll, "x"));
    ASSERT_TRUE(kutest::WriteTextFile(exe, "x"));
    const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";

    ku::IconChoice choice = ku::ResolveProgramIcon(dll + ",-3");
    EXPECT_EQ(choice.kind, ku::IconChoice::IndexedIcon);
    EXPECT_EQ(choice.file, dll);
    EXPECT_EQ(choice.index, 0);
    EXPECT_EQ(ku::ResolveProgramIcon(dll + ",2").index, 2);
    EXPECT_EQ(ku::ResolveProgramIcon(dll + ",1-2").index, 0);
    EXPECT_EQ(ku::ResolveProgramIcon(dll + ",99999999999999999999").index, 0);

    choice = ku::ResolveProgramIcon("\"" + exe + "\" /uninstall");
    EXPECT_EQ(choice.kind, ku::IconChoice::ShellIcon);
    EXPECT_EQ(choice.file, exe);

    EXPECT_EQ(ku::ResolveProgramIcon("rundll32.exe " + dll + ",Uninstall").file, msiexec);
    EXPECT_EQ(ku::ResolveProgramIcon(dir.File("gone.exe")).file, msiexec);
    EXPECT_EQ(ku::ResolveProgramIcon("").file, msiexec);
    EXPECT_EQ(ku::ResolveProgramIcon("MsiExec.exe /X}{").file, msiexec);
}

TEST(IconChoice, InstallerProductsTakeTheirCachedProgramIcon) {
    const std::string code = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
    const std::string folder = ku::GetWindowsDir() + "\\Installer\\" + code;
    CreateDirectoryA((ku::GetWindowsDir() + "\\Installer").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string icon = folder + "\\product.exe";
    ASSERT_TRUE(kutest::WriteTextFile(icon, "x"));
    ku::IconChoice choice = ku::ResolveProgramIcon("MsiExec.exe /X" + code);
    EXPECT_EQ(choice.kind, ku::IconChoice::IndexedIcon);
    EXPECT_EQ(choice.file, icon);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\second.ico", "x"));
    EXPECT_EQ(ku::ResolveProgramIcon("MsiExec.exe /X" + code).file,
              ku::GetSystemDir() + "\\msiexec.exe");
    DeleteFileA(icon.c_str());
    DeleteFileA((folder + "\\second.ico").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ProgramIcons, EachDistinctIconIsLookedUpOnceAndShared) {
    HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    {
        ku::TProgramIcons icons(small, large);
        const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";
        const std::string notepad = ku::GetWindowsDir() + "\\notepad.exe";
        int first = icons.GetProgramIconIndex(msiexec);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(icons.GetProgramIconIndex("\"" + msiexec + "\" /x"), first);
        const int other = icons.GetProgramIconIndex(notepad);
        EXPECT_EQ(icons.Lookups(), 2);
        EXPECT_GE(first, 0);
        EXPECT_NE(other, first);
        EXPECT_EQ(ImageList_GetImageCount(small), ImageList_GetImageCount(large));
        icons.Clear();
        EXPECT_EQ(ImageList_GetImageCount(small), 0);
        EXPECT_EQ(icons.GetProgramIconIndex(msiexec), 0);
    }
    ImageList_Destroy(small);
    ImageList_Destroy(large);
}

} // namespace
