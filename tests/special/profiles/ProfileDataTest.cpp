// The profile data-file reader against generated files, the registry deletion lines against
// the sandbox registry, and the data files the program ships.
#include <gtest/gtest.h>

#include <set>

#include "core/system/DeleteHelpers.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"

namespace {

using Lines = std::vector<std::string>;

struct ParseCase {
    const char* name;
    const char* text; // "|" separates lines
    Lines files, regLines, services;
};

TEST(ProfileSection, ReadsEachEdgeCaseOfTheFormat) {
    const std::string win = kutest::WindowsFolder(), sys = kutest::SystemFolder();
    const ParseCase cases[] = {
        {"whole section",
         "x|[UnitX]|delRegkey(A)|FILE=%WinDir%\\a.ini|[Services]|Svc One||delRegkeyvalue(B)|"
         "[/Services]|[/UnitX]|delRegkey(C)",
         {win + "\\a.ini"}, {"delRegkey(A)", "delRegkeyvalue(B)"}, {"Svc One"}},
        {"mark in other case, blanks around", "   [unitx]  |DelRegKey(A)  |[/UNITX]", {},
         {"DelRegKey(A)"}, {}},
        {"end mark before the start", "[/UnitX]|[UnitX]|delRegkey(A)", {}, {}, {}},
        {"system folder, any case", "[UnitX]|file=%SYSTEM%\\b.dll|[/UnitX]", {sys + "\\b.dll"}, {},
         {}},
        {"other variable goes on as text",
         "[UnitX]|[Services]|FILE=%Temp%\\c|FILE=delRegkey(D)|[/Services]|[/UnitX]", {},
         {"delRegkey(D)"}, {"%Temp%\\c"}},
        {"indented [Services] opens nothing", "[UnitX]|delRegkey(A)| [Services]|Svc|[/UnitX]", {},
         {"delRegkey(A)"}, {}},
    };
    for (const ParseCase& c : cases) {
        kutest::ScratchDir dir;
        ASSERT_TRUE(
            kutest::WriteTextFile(dir.File("Code.dat"), ku::ReplaceAll(c.text, "|", "\r\n")));
        kutest::RecordingDialogs dialogs;
        const ku::ProfileSection section =
            ku::ReadProfileSection("[UnitX]", "Code.dat", dir.Path());
        SCOPED_TRACE(c.name);
        EXPECT_EQ(section.Files, c.files);
        EXPECT_EQ(section.RegLines, c.regLines);
        EXPECT_EQ(section.Services, c.services);
        EXPECT_EQ(dialogs.Calls().size(), c.files.empty() && c.regLines.empty() ? 1u : 0u);
    }
}

TEST(ProfileSection, ReportsAMissingFileOrSectionInKuBoxes) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("Code.dat"), "[UnitX]\r\n[Services]\r\nS\r\n"
                                                            "[/Services]\r\n[/UnitX]\r\n"));
    kutest::RecordingDialogs dialogs;
    EXPECT_TRUE(ku::ReadProfileSection("[UnitX]", "Nope.dat", dir.Path()).Services.empty());
    // Services alone do not make a section: reported, and still handed back.
    EXPECT_EQ(ku::ReadProfileSection("[UnitX]", "Code.dat", dir.Path()).Services, Lines{"S"});
    EXPECT_EQ(dialogs.Texts(),
              (Lines{"The file \"Nope.dat\" not exist!",
                     "The mark \"[UnitX]\" not exist in the file \"Code.dat\" or is empty!"}));
}

struct DeleteCase {
    const char* line; // %K stands for the scratch key
    std::set<std::string> gone;
};

TEST(RegistryDeleteLines, DeleteExactlyWhatEachLineFormNames) {
    const DeleteCase cases[] = {
        {"delRegkey(HKEY_CURRENT_USER,'%K\\A')", {"A"}},
        {"  DELREGKEY( hkey_current_user , ' %K\\A ' )", {"A"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V','Name')", {"V@Name"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V' ,'Name')", {"V@Name"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V','')", {"V@"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V',Name)", {}},
        {"delRegkey(HKEY_SOMEWHERE,'%K\\A')", {}},
        {"xdelRegkey(HKEY_CURRENT_USER,'%K\\A')", {}},
        {"delRegkey(HKEY_CURRENT_USER,'')", {}},
        {"delRegkey(HKEY_CURRENT_USER %K\\A)", {}},
    };
    const HKEY cu = HKEY_CURRENT_USER;
    for (const DeleteCase& c : cases) {
        kutest::ScratchKey key;
        kutest::RawCreateKey(cu, key.Sub("A\\Deep"));
        kutest::RawCreateKey(cu, key.Sub("B"));
        for (const char* name : {"", "Name", "Other"})
            kutest::RawSetString(cu, key.Sub("V"), name, "data");
        ku::ExecuteRegistryDeleteLines({ku::ReplaceAll(c.line, "%K", key.Path())});
        std::set<std::string> gone;
        for (const char* sub : {"A", "B"})
            if (!kutest::RawKeyExists(cu, key.Sub(sub)))
                gone.insert(sub);
        for (const char* name : {"", "Name", "Other"})
            if (!kutest::RawValueExists(cu, key.Sub("V"), name))
                gone.insert(std::string("V@") + name);
        EXPECT_EQ(gone, c.gone) << c.line;
    }
}

// The shipped files hold exactly the table's sections, each with something to delete, and
// name only keys, values and services that belong to one application.
TEST(ShippedDataFiles, HoldEveryMarkWithOnlyTheApplicationsOwnEntries) {
    const std::string shipped = std::string(kutest::kFixtureDir) + "\\ku";
    std::map<std::string, std::set<std::string>> marksInFile, rowMarks;
    for (const char* file : {"CodeA.dat", "CodeB.dat", "CodeC.dat"})
        for (const std::string& line :
             ku::SplitString(kutest::ReadAll(shipped + "\\" + file), '\n')) {
            const std::string text = ku::Trim(line);
            if (ku::StartsText(text, "[") && !ku::StartsText(text, "[/") && text != "[Services]")
                marksInFile[file].insert(text);
        }
    kutest::RecordingDialogs dialogs;
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        if (row->file == ku::DataFile::None)
            continue;
        rowMarks[ku::DataFileName(row->file)].insert(row->mark);
        const ku::ProfileSection section =
            ku::ReadProfileSection(row->mark, ku::DataFileName(row->file), shipped);
        for (const std::string& line : section.RegLines) {
            const ku::RegistryDeleteLine parsed = ku::ParseRegistryDeleteLine(line);
            ASSERT_TRUE(parsed.valid) << row->unit << ": " << line;
            EXPECT_FALSE(parsed.isValue ? ku::IsProtectedRegistryValue(parsed.root, parsed.keyPath,
                                                                       parsed.valueName)
                                        : ku::IsProtectedRegistryKey(parsed.root, parsed.keyPath))
                << line;
            EXPECT_FALSE(parsed.isValue && parsed.valueName.empty()) << line;
            // Below SOFTWARE a vendor key alone would hold the vendor's other products.
            const auto parts = ku::SplitString(parsed.keyPath, '\\');
            if (!parsed.isValue && ku::SameText(parts[0], "SOFTWARE")) {
                EXPECT_GE(parts.size(), 3u) << line;
            }
        }
        for (const std::string& service : section.Services)
            EXPECT_FALSE(ku::IsProtectedService(service)) << row->unit << ": " << service;
    }
    EXPECT_TRUE(dialogs.Calls().empty()) << "a section is missing or empty";
    EXPECT_EQ(marksInFile, rowMarks);
    EXPECT_EQ((std::vector<size_t>{rowMarks["CodeA.dat"].size(), rowMarks["CodeB.dat"].size(),
                                   rowMarks["CodeC.dat"].size()}),
              (std::vector<size_t>{16, 48, 38}));
}

} // namespace
