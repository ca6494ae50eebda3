// The force folder check: protected folders in every spelling, their subfolders, and the
// security-product table applied by the folder's own name or a file name inside it.
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/ForceFolderCheck.h"
#include "core/force/ForcePathWord.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

using namespace ku;
using namespace kutest;

TEST(ForceFolderCheck, RefusesProtectedFoldersInEverySpellingAndTheWindowsSubtree) {
    const auto Slashes = [](std::string text) {
        std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    };
    const std::string windows = GetWindowsDir(), system = GetSystemDir();
    const std::string programs = Env("ProgramFiles"), profile = Env("USERPROFILE");
    for (const std::string& folder :
         {windows, system, system + "\\drivers", windows + "\\SysWOW64", programs,
          programs + "\\Common Files", Env("ProgramData"), Env("ALLUSERSPROFILE"), profile,
          ExtractFileDir(profile), Env("PUBLIC"), Env("ProgramW6432"), std::string("C:\\")}) {
        if (folder.empty())
            continue;
        const std::string shortForm = ShortPathOf(folder);
        for (const std::string& spelling :
             {folder, folder + "\\", folder + "\\\\", "  " + LowerCase(folder) + " ",
              Slashes(folder), shortForm.empty() ? folder : shortForm})
            EXPECT_TRUE(IsRefusedForceFolder(spelling)) << spelling;
        EXPECT_TRUE(CheckForceFolder(folder + "\\", system).refused) << folder;
    }
    // Subfolders of Windows are refused, those of Program Files not; a picked program file
    // ("*") passes the same guard through its folder.
    ScratchDir dir;
    const std::pair<std::string, bool> cases[] = {
        {"D:", true}, {"relative\\folder", true}, {system + "\\drivers\\etc", true},
        {windows + "\\SomeVendor", true}, {Slashes(windows + "\\Fonts\\x"), true},
        {"*" + system + "\\svchost.exe", true}, {"*" + programs + "\\tool.exe", true}, {"* ", true},
        {programs + "\\Foo App", false}, {programs + "\\Common Files\\Foo", false},
        {Env("ProgramData") + "\\Foo", false}, {Slashes(programs + "/Foo App/"), false},
        {windows + "Tools", false}, // a look-alike of the Windows folder's name
        {dir.Path(), false}, {"*" + programs + "\\Foo App\\foo.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first[0] == '*' ? IsRefusedForceProgramFile(c.first.substr(1))
                                    : IsRefusedForceFolder(c.first), c.second) << c.first;
    EXPECT_FALSE(CheckForceFolder("   ", system).refused);
}

TEST(ForceFolderCheck, ProductAppliesByOwnNameOrFileNameOnly) {
    ScratchDir system, programs;
    const std::string klif = PlantFile(system, "drivers\\klif.sys");
    const std::string klim = PlantFile(system, "drivers\\klim5.sys");
    const std::string symNeti = PlantFile(system, "SymNeti.dll");

    // A word in a subfolder's name does not claim the program.
    const std::string app = programs.File("Tool");
    MakeFolder(programs, "Tool\\a\\b");
    PlantFile(programs, "Tool\\Kaspersky Notes\\readme.txt");
    EXPECT_TRUE(CheckForceFolder(app, system.Path()).programFiles.empty());
    // A file of the program named after the product does, also deep below.
    PlantFile(programs, "Tool\\a\\b\\kaspersky.dll");
    EXPECT_EQ(CheckForceFolder(app, system.Path()).programFiles, (Lines{klif, klim}));

    // The folder's own name applies its group even when the folder is empty.
    const std::string norton = MakeFolder(programs, "Norton Security");
    EXPECT_EQ(CheckForceFolder(norton + "\\", system.Path()).programFiles, Lines{symNeti});
}

TEST(ForcePathWord, MatchesAtPathBoundariesAndShortFormsNeverEmpty) {
    ScratchDir dir;
    const std::string folder = MakeFolder(dir, "Foo Application"), shortForm = ShortPathOf(folder);
    ASSERT_FALSE(shortForm.empty());
    const std::string in = folder + "\\", exe = folder + "\\foo.exe";
    const struct {
        std::string word, text;
        bool match;
    } cases[] = {
        {in, folder, true}, {in, "\"" + exe + "\" -k", true},
        {in, LowerCase(folder) + "\\x.dll", true}, {in, shortForm + "\\FOO.EXE", true},
        {in, folder + "Bar\\foo.exe", false}, {in, folder + ".old", false},
        {exe, exe + " /min", true}, {exe, exe + ".bak", false},
        {"", folder, false}, {"  ", "anything", false},
        // A missing path has no short form; an empty short form never matches.
        {dir.File("missing"), "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ForcePathWord(c.word).Matches(c.text), c.match) << c.word << " in " << c.text;
}

// The folders of Windows' own components, in each Program Files folder, with everything below
// them and in every spelling, are refused as the force folder and as a program file's folder;
// their look-alikes and other programs' folders are not.
TEST(ForceFolderCheck, RefusesWindowsComponentFoldersOfBothProgramFilesFolders) {
    const char* const components[] = {
        "Common Files\\System", "Common Files\\Microsoft Shared", "Internet Explorer",
        "Windows NT", "Windows Defender", "Windows Mail", "Windows Media Player",
        "Windows Photo Viewer", "Windows Sidebar", "Windows Portable Devices",
    };
    Lines bases;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
        if (!Env(name).empty())
            bases.push_back(Env(name));
    ASSERT_FALSE(bases.empty());
    const std::string system = GetSystemDir();
    for (const std::string& base : bases)
        for (const char* component : components) {
            const std::string folder = base + "\\" + component;
            const std::string shortForm = ShortPathOf(folder);
            for (const std::string& spelling :
                 {folder, folder + "\\", "  " + UpperCase(folder) + " ", folder + "\\Sub\\Deeper",
                  shortForm.empty() ? folder : shortForm + "\\not there"}) {
                EXPECT_TRUE(IsRefusedForceFolder(spelling)) << spelling;
                EXPECT_TRUE(CheckForceFolder(spelling, system).refused) << spelling;
            }
            EXPECT_TRUE(IsRefusedForceProgramFile(folder + "\\tool.exe")) << folder;
        }
    // Existing folders of the prefix, in their short forms as Explorer may hand them over.
    const std::string ado = bases[0] + "\\Common Files\\System\\ADO";
    const std::string adoShort = ShortPathOf(ado).empty() ? ado : ShortPathOf(ado);
    EXPECT_TRUE(IsRefusedForceFolder(adoShort)) << adoShort;

    ScratchDir dir;
    const std::string& programs = bases[0];
    const std::pair<std::string, bool> cases[] = {
        {programs + "\\Internet Explorer Tools", false}, {programs + "\\Windows NTX", false},
        {programs + "\\Common Files\\Systems", false},   {programs + "\\Common Files\\Foo", false},
        {programs + "\\Foo\\Internet Explorer", false},  {MakeFolder(dir, "Windows NT"), false},
        {"*" + programs + "\\Windows Mail\\wab.exe", true},
        {"*" + programs + "\\Windows Mail Fan\\fan.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first[0] == '*' ? IsRefusedForceProgramFile(c.first.substr(1))
                                    : IsRefusedForceFolder(c.first), c.second) << c.first;
}
