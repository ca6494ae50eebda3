// The backup files' lines: the plain format stays as it always was, and names or paths with
// the separators in them travel without moving a field.
#include <gtest/gtest.h>

#include "sysmanager/StartupBackup.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

TEST(BackupLines, RegistryAndWinIniLinesRoundTrip) {
    const struct {
        ku::BackupLine entry;
        std::string line;
    } cases[] = {
        {{"HKEY_CURRENT_USER", kRun, "App", REG_SZ, "\"C:\\A\\a.exe\" /x|y#z"},
         "HKEY_CURRENT_USER\\" + kRun + "#App|\"C:\\A\\a.exe\" /x|y#z"},
        {{"HKEY_LOCAL_MACHINE", kRun, "a|b#c", REG_SZ, "x"},
         "HKEY_LOCAL_MACHINE\\" + kRun + "#a%7Cb%23c|x"},
        {{"HKEY_LOCAL_MACHINE", kRun, "50% off", REG_SZ, ""},
         "HKEY_LOCAL_MACHINE\\" + kRun + "#50%25 off|"},
        {{"HKEY_CURRENT_USER", kRun, "Tool%t9", REG_EXPAND_SZ, "%SystemRoot%\\t.exe"},
         "HKEY_CURRENT_USER\\" + kRun + "#Tool%25t9%t2|%SystemRoot%\\t.exe"},
        {{"HKEY_CURRENT_USER", kRun, "Number", REG_DWORD, "42"},
         "HKEY_CURRENT_USER\\" + kRun + "#Number%t4|42"},
        {{"win.ini", "Load", "prog", REG_SZ, "C:\\p.exe"}, "win.ini\\Load#prog|C:\\p.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ku::MakeBackupLine(c.entry), c.line);
        ku::BackupLine back;
        ASSERT_TRUE(ku::ParseBackupLine(c.line, back)) << c.line;
        EXPECT_EQ(back.Location(), c.entry.Location());
        EXPECT_EQ(back.ValueName, c.entry.ValueName);
        EXPECT_EQ(back.ValueType, c.entry.ValueType);
        EXPECT_EQ(back.Data, c.entry.Data);
    }
}

TEST(BackupLines, OlderLinesAndBrokenLinesReadSafely) {
    ku::BackupLine back;
    // A "%" that starts no code is kept as it stands.
    ASSERT_TRUE(ku::ParseBackupLine("HKEY_CURRENT_USER\\" + kRun + "#Old 100%|x", back));
    EXPECT_EQ(back.ValueName, "Old 100%");
    for (const char* broken :
         {"", "no separators", "HKEY_CURRENT_USER\\Run|data#name", "HKEY_CURRENT_USER#Run|x"})
        EXPECT_FALSE(ku::ParseBackupLine(broken, back)) << broken;
}

TEST(BackupLines, DelLinesKeepPathsWithHashes) {
    const struct {
        ku::DelLine entry;
        const char* line;
    } cases[] = {
        {{"C:\\S\\a.lnk", "C:\\P\\RepairBackup\\del\\a.lnk", true},
         "C:\\S\\a.lnk#C:\\P\\RepairBackup\\del\\a.lnk|E"},
        {{"C:\\S #1\\b#2.lnk", "C:\\P\\del\\b#2 (2).lnk", false},
         "C:\\S #1\\b#2.lnk#C:\\P\\del\\b#2 (2).lnk"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ku::MakeDelLine(c.entry), c.line);
        ku::DelLine back;
        ASSERT_TRUE(ku::ParseDelLine(c.line, back));
        EXPECT_EQ(back.Original, c.entry.Original);
        EXPECT_EQ(back.Copy, c.entry.Copy);
        EXPECT_EQ(back.Disabled, c.entry.Disabled);
    }
}
