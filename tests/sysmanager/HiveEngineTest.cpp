// The hive engine against a Windows-like double of the hive calls: backup folders, pruning,
// the list of backups and the order and stops of a restore.
#include <gtest/gtest.h>

#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"
#include "support/WindowsLikeHives.h"
#include "sysmanager/BootFiles.h"
#include "sysmanager/RegstoreFunUnit.h"

namespace {

using Names = std::vector<std::string>;
const ku::HiveSystem kXp64{"WINXP", true}, kXp32{"WINXP", false};
const Names kFive = {"DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM"};

void MakeBackup(const std::string& dir, const std::string& name, const Names& hives) {
    CreateDirectoryA((dir + "\\" + name).c_str(), nullptr);
    for (const std::string& hive : hives)
        kutest::WriteTextFile(dir + "\\" + name + "\\" + hive, name + " " + hive);
}

} // namespace

TEST(HiveBackup, SavesEachHiveIntoItsOwnFolderAndAFailureLeavesNothingBehind) {
    kutest::ScratchDir dir;
    kutest::WindowsLikeHives hives;
    hives.missing = {"SAM", "SECURITY"}; // as under Wine
    // Two within one second still get folders of their own.
    const ku::BackupResult first = ku::BackupRegistry(dir.Path(), kXp64);
    const ku::BackupResult second = ku::BackupRegistry(dir.Path() + "\\", kXp32);
    ASSERT_TRUE(first.ok && second.ok) << first.error << second.error;
    EXPECT_NE(first.folder, second.folder);
    EXPECT_EQ(first.saved, (Names{"DEFAULT", "SOFTWARE", "SYSTEM", "COMPONENTS"}));
    EXPECT_EQ(second.saved, (Names{"DEFAULT", "SOFTWARE", "SYSTEM"}));
    EXPECT_EQ(kutest::ReadAll(first.folder + "\\DEFAULT"), "HKU\\.DEFAULT");
    EXPECT_TRUE(ku::FileExists(dir.File("Copyfile.bat")));

    kutest::ScratchDir other;
    kutest::WriteTextFile(other.File("Copyfile.bat"), "old"); // no backups: the menu stays
    hives.missing.clear();
    hives.failOn = "SYSTEM";
    const ku::BackupResult failed = ku::BackupRegistry(other.Path(), kXp32);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("SYSTEM"), std::string::npos) << failed.error;
    // Windows 9x keeps no such hives; a missing folder is no backup either.
    EXPECT_FALSE(ku::BackupRegistry(other.Path(), {"WIN98", false}).ok);
    EXPECT_FALSE(ku::BackupRegistry(other.File("absent"), kXp32).ok);
    EXPECT_EQ(hives.Calls("save").size(), 11u + 5u); // none for the two refused
    EXPECT_TRUE(ku::ListRegistryBackups(other.Path()).empty());
    EXPECT_EQ(kutest::ReadAll(other.File("Copyfile.bat")), "old");
    EXPECT_EQ(ku::ListRegistryBackups(dir.Path()).size(), 2u);
}

TEST(HiveBackup, PruningKeepsTheEightNewestAndNothingElseIsTouched) {
    kutest::ScratchDir dir;
    for (int i = 1; i <= 9; ++i)
        MakeBackup(dir.Path(), ku::Format("%s2020010%d_120000", i % 2 ? "Reg" : "REG", i), {"SAM"});
    // Not ours, or not a plain backup folder (the last one hidden): never deleted nor listed.
    const char* const others[] = {"Temp", "Registry notes", "Reg20190101_000000_copy",
                                  "Reg20190101_000000"};
    for (const char* other : others)
        MakeBackup(dir.Path(), other, {"SOFTWARE.old"});
    SetFileAttributesA(dir.File(others[3]).c_str(), FILE_ATTRIBUTE_HIDDEN);
    kutest::WriteTextFile(dir.File("Reg20180101_000000"), "a file");
    ku::PruneRegistryBackups(dir.Path());
    const Names kept = ku::ListRegistryBackups(dir.Path());
    ASSERT_EQ(kept.size(), 8u);
    EXPECT_EQ(kept.front() + " " + kept.back(), "REG20200102_120000 Reg20200109_120000");
    EXPECT_FALSE(ku::DirectoryExists(dir.File("Reg20200101_120000")));
    for (const char* other : others)
        EXPECT_TRUE(ku::FileExists(dir.File(other + std::string("\\SOFTWARE.old")))) << other;
    EXPECT_TRUE(ku::FileExists(dir.File("Reg20180101_000000")));
    // The DOS-mode menu offers the kept backups (by their short names) and MS-DOS.
    const std::string batch = kutest::ReadAll(dir.File("Copyfile.bat"));
    const std::string newest = ku::ShortOrLongPath(dir.File("Reg20200109_120000"));
    for (const std::string& line : Names{
             "echo 1.[01/02/2020 12:00:00]", "echo 9.[     MS-DOS        ]", "choice /c:123456789",
             "if errorlevel 9 goto dos", "A:\\Command.com",
             "copy .." + newest.substr(2) + "\\*.*   .." + ku::GetSystemDir().substr(2) +
                 "\\config  /Y"})
        EXPECT_NE(batch.find(line + "\r\n"), std::string::npos) << line;
    const std::vector<ku::TBackupRow> rows = ku::FillBackupGrid(dir.Path());
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[7].number + rows[7].text, "   8Reg20200109_120000[@01/09/2020 12:00:00]");
}

TEST(HiveRestore, StagesReplacesInOrderAndStopsAtTheFirstFailure) {
    const Names five = kFive, six = {"DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM",
                                     "COMPONENTS"},
                all = {".DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM"},
                allSix = {".DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM", "COMPONENTS"};
    const char *const done = "Zadozivo completely", *const bad = "Failed to restore registry!";
    // files: in the chosen backup; replaced: sub keys handed over, in order; message: the start
    // of the last message; staged: the hives were copied to the staging folder.
    const struct {
        const char* name; Names files; int answer; ku::HiveSystem system; const char* failOn;
        Names replaced; const char* message; bool staged;
    } cases[] = {
        // clang-format off
        {"complete", five, IDYES, kXp32, "", all, done, true},
        {"64-bit", six, IDYES, kXp64, "", allSix, done, true},
        {"components ignored on 32-bit", six, IDYES, kXp32, "", all, done, true},
        {"no SECURITY", {"DEFAULT", "SAM", "SOFTWARE", "SYSTEM"}, IDYES, kXp32, "", {}, bad, false},
        {"answered No", five, IDNO, kXp32, "", {}, "Are you sure", true},
        {"replace fails", five, IDYES, kXp32, "SECURITY", {&all[0], &all[3]}, bad, true},
        {"Windows NT 4", five, IDYES, {"WINNT", false}, "", {}, bad, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kutest::ScratchDir dir;
        kutest::WindowsLikeHives hives;
        hives.failOn = c.failOn;
        kutest::RecordingDialogs boxes;
        boxes.answers = {c.answer};
        MakeBackup(dir.Path(), "Reg20200101_120000", c.files);
        // Displaced hives of an earlier restore: Windows refuses to overwrite them.
        MakeBackup(dir.Path(), "Temp", {"SOFTWARE.old", "COMPONENTS"});
        EXPECT_EQ(ku::RestoreRegistryBackup(nullptr, dir.Path(), "Reg20200101_120000[@x]",
                                            c.system), c.message == done);
        Names replaced;
        for (const std::string& call : hives.Calls("replace"))
            replaced.push_back(call.substr(0, call.find(' ')));
        EXPECT_EQ(replaced, c.replaced);
        const Names texts = boxes.Texts();
        EXPECT_EQ(texts.empty() ? "" : texts.back().substr(0, strlen(c.message)), c.message);
        const std::string staged = dir.File("Temp\\SYSTEM");
        EXPECT_EQ(ku::FileExists(staged) ? kutest::ReadAll(staged) : "(none)",
                  c.staged ? "Reg20200101_120000 SYSTEM" : "(none)");
        // A stale staged hive never goes back in with a backup that lacks it.
        EXPECT_EQ(ku::FileExists(dir.File("Temp\\COMPONENTS")), !c.staged || c.files == six);
    }
}

TEST(HiveRestore, OnlyABackupOfOursCanBeRestored) {
    kutest::ScratchDir dir;
    kutest::WindowsLikeHives hives;
    kutest::RecordingDialogs boxes;
    MakeBackup(dir.Path(), "Other", kFive);
    for (const char* text : {"", "   ", "[@01/01/2020]", "Other[@x]", "..\\Other"})
        EXPECT_FALSE(ku::RestoreRegistryBackup(nullptr, dir.Path(), text, kXp32)) << text;
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_TRUE(hives.Calls("replace").empty());
}
