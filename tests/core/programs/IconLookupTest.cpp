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
    const struct {
        const char* text;
        bool numeric;
        int index;
    } cases[] = {
        {"12", true, 12}, {"-", true, 0}, {"1-2", true, 0}, {"", false, 0}, {"1a", false, 0},
        {" 1", false, 1}, {" 3 ", false, 3}, {"--3", true, 0}, {"-5", true, 0}, {"x", false, 0},
        {"99999999999999999999999", true, 0}, {"-99999999999999999999999", true, 0},
        {"4294967296", true, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ku::IsNumericText(c.text), c.numeric) << c.text;
        EXPECT_EQ(ku::ParseIconIndex(c.text), c.index) << c.text;
    }
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

    const struct {
        std::string source, file;
        int kind, index;
    } cases[] = {
        {dll + ",-3", dll, ku::IconChoice::IndexedIcon, 0},
        {dll + ",2", dll, ku::IconChoice::IndexedIcon, 2},
        {dll + ",1-2", dll, ku::IconChoice::IndexedIcon, 0},
        {dll + ",99999999999999999999", dll, ku::IconChoice::IndexedIcon, 0},
        {"\"" + exe + "\" /uninstall", exe, ku::IconChoice::ShellIcon, 0},
        {"rundll32.exe " + dll + ",Uninstall", msiexec, -1, 0},
        {dir.File("gone.exe"), msiexec, -1, 0},
        {"", msiexec, -1, 0},
        {"MsiExec.exe /X}{", msiexec, -1, 0},
    };
    for (const auto& c : cases) {
        const ku::IconChoice choice = ku::ResolveProgramIcon(c.source);
        EXPECT_EQ(choice.file, c.file) << c.source;
        if (c.kind >= 0) {
            EXPECT_EQ(choice.kind, c.kind) << c.source;
        }
        EXPECT_EQ(choice.index, c.index) << c.source;
    }
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
