// Backup lines written before names were escaped, and broken lines, read safely. (Exact lines
// of every kind are checked by the round trips.)
#include <gtest/gtest.h>

#include "sysmanager/StartupBackup.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

TEST(BackupLines, OlderLinesAndBrokenLinesReadSafely) {
    ku::BackupLine back;
    // A "%" that starts no code is kept as it stands.
    ASSERT_TRUE(ku::ParseBackupLine("HKEY_CURRENT_USER\\" + kRun + "#Old 100%|x", back));
    EXPECT_EQ(back.ValueName, "Old 100%");
    for (const char* broken :
         {"", "no separators", "HKEY_CURRENT_USER\\Run|data#name", "HKEY_CURRENT_USER#Run|x"})
        EXPECT_FALSE(ku::ParseBackupLine(broken, back)) << broken;
}
