// Pruning the registry backups: the five newest exports stay, older ones and nothing else go.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(PruneFullBackups, SevenExportsLoseTheTwoOldest) {
    kutest::ScratchDir dir;
    // Written newest first, so the file system's own order is not the age order.
    for (int day = 7; day >= 1; --day)
        ASSERT_TRUE(
            kutest::WriteTextFile(dir.File(Format("Backup_2009110%d_120000.reg", day)), "x"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("notes.txt"), "x"));
    CreateDirectoryA(dir.File("old.reg").c_str(), nullptr);
    const std::string hidden = dir.File("Backup_20000101_000000.reg");
    ASSERT_TRUE(kutest::WriteTextFile(hidden, "x"));
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);

    PruneFullBackups(dir.Path() + "\\");
    for (int day = 1; day <= 7; ++day)
        EXPECT_EQ(kutest::PathExists(dir.File(Format("Backup_2009110%d_120000.reg", day))),
                  day > 2) << day;
    for (const std::string& kept : {dir.File("notes.txt"), dir.File("old.reg")})
        EXPECT_TRUE(kutest::PathExists(kept)) << kept;
    EXPECT_TRUE(kutest::PathExists(hidden)) << "only plain archive files count";

    PruneFullBackups(dir.Path());
    EXPECT_TRUE(kutest::PathExists(dir.File("Backup_20091103_120000.reg")))
        << "five are left alone";
    PruneFullBackups(dir.File("missing"));
}
