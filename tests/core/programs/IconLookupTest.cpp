// Which icon a row shows from third-party icon references, and that each distinct icon is
// looked up once per fill.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "core/programs/IconLookup.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/main/ProgramIcons.h"
#include "support/Sandbox.h"

namespace {

TEST(IconChoice, DllReferencesExistingFilesAndFallBacks) {
    kutest::ScratchDir dir;
    const std::string dll = dir.File("res.dll"), exe = dir.File("tool.exe");
    ASSERT_TRUE(kutest::WriteTextFile(dll, "x"));
    ASSERT_TRUE(kutest::WriteTextFile(exe, "x"));
    const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";
    const struct {
        std::string source, file;
        int kind, index;
    } cases[] = {
        {dll + ",2", dll, ku::IconChoice::IndexedIcon, 2},
        // Third-party text that is no icon number gives the first icon, never an exception.
        {dll + ",-3", dll, ku::IconChoice::IndexedIcon, 0},
        {dll + ",1-2", dll, ku::IconChoice::IndexedIcon, 0},
        {dll + ",1a", dll, ku::IconChoice::IndexedIcon, 0},
        {dll + ",99999999999999999999", dll, ku::IconChoice::IndexedIcon, 0},
        {"\"" + exe + "\" /uninstall", exe, ku::IconChoice::ShellIcon, 0},
        {"rundll32.exe " + dll + ",Uninstall", msiexec, -1, 0},
        {dir.File("gone.exe"), msiexec, -1, 0},
        {"MsiExec.exe /X}{", msiexec, -1, 0},
    };
    for (const auto& c : cases) {
        const ku::IconChoice choice = ku::ResolveProgramIcon(c.source);
        EXPECT_EQ(choice.file, c.file) << c.source;
        EXPECT_TRUE(c.kind < 0 || choice.kind == c.kind) << c.source;
        EXPECT_EQ(choice.index, c.index) << c.source;
    }
}

// An Installer product shows the one program or icon file cached in its Installer folder; with
// none, or more than one, the Installer's own icon.
TEST(IconChoice, InstallerProductsTakeTheirCachedProgramIcon) {
    const std::string code = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
    const std::string folder = ku::GetWindowsDir() + "\\Installer\\" + code;
    const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";
    CreateDirectoryA((ku::GetWindowsDir() + "\\Installer").c_str(), nullptr);
    const struct {
        const char* add;
        std::string shown;
    } steps[] = {
        {"", msiexec},          // no folder
        {"product.EXE", folder + "\\product.EXE"},
        {"second.ico", msiexec}, // two candidates
    };
    for (const auto& step : steps) {
        const std::string path = folder + "\\" + step.add;
        if (*step.add) {
            CreateDirectoryA(folder.c_str(), nullptr);
            ASSERT_TRUE(kutest::WriteTextFile(path, "x"));
        }
        const ku::IconChoice choice = ku::ResolveProgramIcon("MsiExec.exe /X" + code);
        EXPECT_EQ(choice.file, step.shown) << step.add;
    }
    for (const char* file : {"product.EXE", "second.ico"})
        DeleteFileA((folder + "\\" + file).c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ProgramIcons, EachDistinctIconIsLookedUpOnceAndShared) {
    HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    {
        ku::TProgramIcons icons(small, large);
        const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";
        const int first = icons.GetProgramIconIndex(msiexec);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(icons.GetProgramIconIndex("\"" + msiexec + "\" /x"), first);
        const int other = icons.GetProgramIconIndex(ku::GetWindowsDir() + "\\notepad.exe");
        EXPECT_EQ(icons.Lookups(), 2);
        EXPECT_TRUE(first >= 0 && other != first);
    }
    ImageList_Destroy(small);
    ImageList_Destroy(large);
}

} // namespace
