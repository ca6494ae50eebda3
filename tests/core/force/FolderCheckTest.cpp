// The force folder check: protected folders in every spelling, their subfolders, and the
// security-product table applied by the folder's own name or a file name inside it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ForceSupport.h"
#include "core/force/ForceFolderCheck.h"
#include "core/force/ForcePathWord.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

using namespace ku;
using kutest::ScratchDir;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Slashes(std::string text) {
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return text;
}

std::vector<std::string> ProtectedFolders() {
    std::vector<std::string> folders = {GetWindowsDir(), GetSystemDir(),
                                        GetSystemDir() + "\\drivers",
                                        GetWindowsDir() + "\\SysWOW64",
                                        Env("ProgramFiles"), Env("ProgramFiles") + "\\Common Files",
                                        Env("ProgramData"), Env("ALLUSERSPROFILE"),
                                        Env("USERPROFILE"), ExtractFileDir(Env("USERPROFILE")),
                                        Env("PUBLIC"), "C:\\"};
    if (!Env("ProgramW6432").empty())
        folders.push_back(Env("ProgramW6432"));
    return folders;
}

} // namespace

TEST(ForceFolderCheck, RefusesProtectedFoldersInEverySpelling) {
    for (const std::string& folder : ProtectedFolders()) {
        if (folder.empty())
            continue;
        SCOPED_TRACE(folder);
        EXPECT_TRUE(IsRefusedForceFolder(folder));
        EXPECT_TRUE(IsRefusedForceFolder(folder + "\\"));
        EXPECT_TRUE(IsRefusedForceFolder(folder + "\\\\"));
        EXPECT_TRUE(IsRefusedForceFolder("  " + LowerCase(folder) + " "));
        EXPECT_TRUE(IsRefusedForceFolder(Slashes(folder)));
        const std::string shortForm = ShortPathOf(folder);
        if (!shortForm.empty()) {
            EXPECT_TRUE(IsRefusedForceFolder(shortForm)) << shortForm;
        }
        EXPECT_TRUE(CheckForceFolder(folder + "\\", GetSystemDir()).refused);
    }
    EXPECT_TRUE(IsRefusedForceFolder("D:"));
    EXPECT_TRUE(IsRefusedForceFolder("relative\\folder"));
}

TEST(ForceFolderCheck, WindowsSubtreeIsRefusedOtherSubfoldersAccepted) {
    EXPECT_TRUE(IsRefusedForceFolder(GetSystemDir() + "\\drivers\\etc"));
    EXPECT_TRUE(IsRefusedForceFolder(GetWindowsDir() + "\\SomeVendor"));
    EXPECT_TRUE(IsRefusedForceFolder(Slashes(GetWindowsDir() + "\\Fonts\\x")));
    EXPECT_FALSE(IsRefusedForceFolder(Env("ProgramFiles") + "\\Foo App"));
    EXPECT_FALSE(IsRefusedForceFolder(Env("ProgramFiles") + "\\Common Files\\Foo"));
    EXPECT_FALSE(IsRefusedForceFolder(Env("ProgramData") + "\\Foo"));
    EXPECT_FALSE(IsRefusedForceFolder(Slashes(Env("ProgramFiles") + "/Foo App/")));
    // A look-alike of the Windows folder's name is not inside it.
    EXPECT_FALSE(IsRefusedForceFolder(GetWindowsDir() + "Tools"));
    ScratchDir dir;
    EXPECT_FALSE(IsRefusedForceFolder(dir.Path()));
    EXPECT_FALSE(CheckForceFolder(dir.Path(), GetSystemDir()).refused);
    EXPECT_FALSE(CheckForceFolder("   ", GetSystemDir()).refused);
    // Picked program files pass the same guard through their folder.
    EXPECT_TRUE(IsRefusedForceProgramFile(GetSystemDir() + "\\svchost.exe"));
    EXPECT_TRUE(IsRefusedForceProgramFile(Env("ProgramFiles") + "\\tool.exe"));
    EXPECT_TRUE(IsRefusedForceProgramFile(" "));
    EXPECT_FALSE(IsRefusedForceProgramFile(Env("ProgramFiles") + "\\Foo App\\foo.exe"));
}

TEST(ForceFolderCheck, ProductAppliesByOwnNameOrFileNameOnly) {
    ScratchDir system, programs;
    CreateDirectoryA(system.File("drivers").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(system.File("drivers\\klif.sys")));
    ASSERT_TRUE(kutest::WriteTextFile(system.File("drivers\\klim5.sys")));
    ASSERT_TRUE(kutest::WriteTextFile(system.File("SymNeti.dll")));

    // A word in a subfolder's name does not claim the program.
    const std::string app = programs.File("Tool");
    CreateDirectoryA(app.c_str(), nullptr);
    CreateDirectoryA((app + "\\Kaspersky Notes").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\Kaspersky Notes\\readme.txt"));
    EXPECT_TRUE(CheckForceFolder(app, system.Path()).programFiles.empty());
    EXPECT_FALSE(FolderContainsName("Kaspersky", app));

    // A file of the program named after the product does, also deep below.
    CreateDirectoryA((app + "\\a").c_str(), nullptr);
    CreateDirectoryA((app + "\\a\\b").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\a\\b\\kaspersky.dll"));
    const ForceFolderCheck kaspersky = CheckForceFolder(app, system.Path());
    ASSERT_EQ(kaspersky.programFiles.size(), 2u);
    EXPECT_EQ(kaspersky.programFiles[0], system.Path() + "\\drivers\\klif.sys");
    EXPECT_EQ(kaspersky.programFiles[1], system.Path() + "\\drivers\\klim5.sys");

    // The folder's own name applies its group even when the folder is empty.
    const std::string norton = programs.File("Norton Security");
    CreateDirectoryA(norton.c_str(), nullptr);
    const ForceFolderCheck byName = CheckForceFolder(norton + "\\", system.Path());
    ASSERT_EQ(byName.programFiles.size(), 1u);
    EXPECT_EQ(byName.programFiles[0], system.Path() + "\\SymNeti.dll");
}

TEST(ForceFolderCheck, TableHoldsEightGroupsAndKlifTwice) {
    const auto& table = SecurityProductTable();
    ASSERT_EQ(table.size(), 8u);
    EXPECT_EQ(table[0].files.size(), 20u);
    EXPECT_EQ(table[7].files.size(), 20u);
    EXPECT_TRUE(table[7].checkCCube);
    ScratchDir system, programs;
    CreateDirectoryA(system.File("drivers").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(system.File("drivers\\klif.sys")));
    const std::string both = programs.File("Kaspersky Shield Deluxe");
    CreateDirectoryA(both.c_str(), nullptr);
    EXPECT_EQ(CheckForceFolder(both, system.Path()).programFiles.size(), 2u);
}

TEST(ForcePathWord, MatchesAtPathBoundariesAndShortForms) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo Application");
    CreateDirectoryA(folder.c_str(), nullptr);
    const ForcePathWord word(folder + "\\");
    EXPECT_TRUE(word.Matches(folder));
    EXPECT_TRUE(word.Matches("\"" + folder + "\\foo.exe\" -k"));
    EXPECT_TRUE(word.Matches(LowerCase(folder) + "\\x.dll"));
    EXPECT_FALSE(word.Matches(folder + "Bar\\foo.exe"));
    EXPECT_FALSE(word.Matches(folder + ".old"));
    const std::string shortForm = ShortPathOf(folder);
    ASSERT_FALSE(shortForm.empty());
    EXPECT_TRUE(word.Matches(shortForm + "\\FOO.EXE"));
    const ForcePathWord exe(folder + "\\foo.exe");
    EXPECT_TRUE(exe.Matches(folder + "\\foo.exe /min"));
    EXPECT_FALSE(exe.Matches(folder + "\\foo.exe.bak"));
    EXPECT_FALSE(ForcePathWord("").Matches(folder));
    EXPECT_FALSE(ForcePathWord("  ").Matches("anything"));
    // A missing path has no short form; an empty short form never matches.
    EXPECT_TRUE(ShortPathOf(dir.File("missing")).empty());
    EXPECT_FALSE(ForcePathWord(dir.File("missing")).Matches(""));
}
