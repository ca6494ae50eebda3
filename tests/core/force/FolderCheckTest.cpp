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

} // namespace

TEST(ForceFolderCheck, RefusesProtectedFoldersInEverySpellingAndTheWindowsSubtree) {
    const std::string programs = Env("ProgramFiles"), profile = Env("USERPROFILE");
    const std::string refused[] = {GetWindowsDir(), GetSystemDir(), GetSystemDir() + "\\drivers",
                                   GetWindowsDir() + "\\SysWOW64", programs,
                                   programs + "\\Common Files", Env("ProgramData"),
                                   Env("ALLUSERSPROFILE"), profile, ExtractFileDir(profile),
                                   Env("PUBLIC"), Env("ProgramW6432"), "C:\\"};
    for (const std::string& folder : refused) {
        if (folder.empty())
            continue;
        const std::string shortForm = ShortPathOf(folder);
        for (const std::string& spelling :
             {folder, folder + "\\", folder + "\\\\", "  " + LowerCase(folder) + " ",
              Slashes(folder), shortForm.empty() ? folder : shortForm})
            EXPECT_TRUE(IsRefusedForceFolder(spelling)) << spelling;
        EXPECT_TRUE(CheckForceFolder(folder + "\\", GetSystemDir()).refused) << folder;
    }
    ScratchDir dir;
    const std::pair<std::string, bool> cases[] = {
        {"D:", true},
        {"relative\\folder", true},
        {GetSystemDir() + "\\drivers\\etc", true},
        {GetWindowsDir() + "\\SomeVendor", true},
        {Slashes(GetWindowsDir() + "\\Fonts\\x"), true},
        {programs + "\\Foo App", false},
        {programs + "\\Common Files\\Foo", false},
        {Env("ProgramData") + "\\Foo", false},
        {Slashes(programs + "/Foo App/"), false},
        {GetWindowsDir() + "Tools", false}, // a look-alike of the Windows folder's name
        {dir.Path(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsRefusedForceFolder(c.first), c.second) << c.first;
    EXPECT_FALSE(CheckForceFolder("   ", GetSystemDir()).refused);
    // Picked program files pass the same guard through their folder.
    EXPECT_TRUE(IsRefusedForceProgramFile(GetSystemDir() + "\\svchost.exe"));
    EXPECT_TRUE(IsRefusedForceProgramFile(programs + "\\tool.exe"));
    EXPECT_TRUE(IsRefusedForceProgramFile(" "));
    EXPECT_FALSE(IsRefusedForceProgramFile(programs + "\\Foo App\\foo.exe"));
}

TEST(ForceFolderCheck, ProductAppliesByOwnNameOrFileNameOnly) {
    ScratchDir system, programs;
    CreateDirectoryA(system.File("drivers").c_str(), nullptr);
    for (const char* file : {"drivers\\klif.sys", "drivers\\klim5.sys", "SymNeti.dll"})
        ASSERT_TRUE(kutest::WriteTextFile(system.File(file)));
    const std::string klif = system.File("drivers\\klif.sys"), klim = system.File("drivers\\klim5.sys");

    // A word in a subfolder's name does not claim the program.
    const std::string app = programs.File("Tool");
    for (const std::string& folder : {app, app + "\\Kaspersky Notes", app + "\\a", app + "\\a\\b"})
        CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\Kaspersky Notes\\readme.txt"));
    EXPECT_TRUE(CheckForceFolder(app, system.Path()).programFiles.empty());
    // A file of the program named after the product does, also deep below.
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\a\\b\\kaspersky.dll"));
    EXPECT_EQ(CheckForceFolder(app, system.Path()).programFiles,
              (std::vector<std::string>{klif, klim}));

    // The folder's own name applies its group even when the folder is empty; a name of two
    // groups offers a file of both twice.
    const std::string norton = programs.File("Norton Security");
    const std::string both = programs.File("Kaspersky Shield Deluxe");
    CreateDirectoryA(norton.c_str(), nullptr);
    CreateDirectoryA(both.c_str(), nullptr);
    EXPECT_EQ(CheckForceFolder(norton + "\\", system.Path()).programFiles,
              std::vector<std::string>{system.File("SymNeti.dll")});
    EXPECT_EQ(CheckForceFolder(both, system.Path()).programFiles,
              (std::vector<std::string>{klif, klim, klif}));
}

TEST(ForcePathWord, MatchesAtPathBoundariesAndShortFormsNeverEmpty) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo Application");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string shortForm = ShortPathOf(folder);
    ASSERT_FALSE(shortForm.empty());
    const struct {
        std::string word, text;
        bool match;
    } cases[] = {
        {folder + "\\", folder, true},
        {folder + "\\", "\"" + folder + "\\foo.exe\" -k", true},
        {folder + "\\", LowerCase(folder) + "\\x.dll", true},
        {folder + "\\", shortForm + "\\FOO.EXE", true},
        {folder + "\\", folder + "Bar\\foo.exe", false},
        {folder + "\\", folder + ".old", false},
        {folder + "\\foo.exe", folder + "\\foo.exe /min", true},
        {folder + "\\foo.exe", folder + "\\foo.exe.bak", false},
        {"", folder, false},
        {"  ", "anything", false},
        // A missing path has no short form; an empty short form never matches.
        {dir.File("missing"), "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ForcePathWord(c.word).Matches(c.text), c.match) << c.word << " in " << c.text;
}
