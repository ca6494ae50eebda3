// Disable then enable, remove then restore: every entry comes back byte for byte, the backup
// files hold exactly the expected lines, and a failure at any step loses nothing.
#include <gtest/gtest.h>

#include <functional>

#include "core/system/Handles.h"
#include "support/StartupTestBed.h"
#include "support/WideNames.h"
#include "sysmanager/StartupBackup.h"

using kutest::FindRow;
using kutest::RawValue;

namespace {

const std::string kRunKey = kutest::LogonEntries::kRunKey;
const std::string kHkcuRun = "HKEY_CURRENT_USER\\" + kRunKey;
using Act = ku::ActionReport (ku::TStartupManager::*)(const std::vector<ku::StartupRow>&);
constexpr Act kDisable = &ku::TStartupManager::Disable, kEnable = &ku::TStartupManager::Enable,
              kRemove = &ku::TStartupManager::Remove;

RawValue RunValue(HKEY root, const std::string& name) {
    return kutest::RawReadValue(root, kRunKey, name, kutest::LogonEntries::View());
}

class StartupRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bed.manager.Start()); }
    // Marks the one row and runs the action (nullptr: restores the entry) on the list as it is.
    ku::ActionReport ActOn(const std::string& caption, const std::string& where, Act action) {
        if (!action)
            return bed.manager.Restore(Ticked(caption));
        const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
        const int at = FindRow(rows, caption, where);
        EXPECT_GE(at, 0) << caption;
        return (bed.manager.*action)(kutest::MarkRows(rows, {at}));
    }
    std::vector<ku::RestoreRow> Ticked(const std::string& name) { // the restore list as shown
        std::vector<ku::RestoreRow> rows = bed.manager.LoadRestoreList();
        for (ku::RestoreRow& row : rows)
            row.Checked = row.Name == name;
        return rows;
    }
    std::string Dat(const char* file) { return kutest::ReadAll(bed.Backup(file)); }
    kutest::StartupTestBed bed;
};

} // namespace

TEST_F(StartupRoundTrip, RegistryEntriesComeBackByteForByteWithExactLines) {
    // Hostile value names: separators of the backup lines. field: the line after the location.
    const struct { HKEY root; const char* rootName; const char* suffix; DWORD type;
                   std::string bytes, field; } cases[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "sz|bar", REG_SZ,
         kutest::StringBytes("C:\\A b\\x.exe /p|q#r"), "sz%7Cbar|C:\\A b\\x.exe /p|q#r"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "ex#hash", REG_EXPAND_SZ,
         kutest::StringBytes("%SystemRoot%\\x.exe"), "ex%23hash%t2|%SystemRoot%\\x.exe"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "dw 100%", REG_DWORD,
         kutest::DwordBytes(4000000000u), "dw 100%25%t4|4000000000"},
    };
    // Disable, enable; remove, restore; disable, remove the disabled entry, restore. lineIn:
    // where the entry's line stands after the step (startup.dat, removestartup.dat or neither).
    const struct { Act act; bool byLine; int lineIn; } steps[] = {
        {kDisable, false, 1}, {kEnable, true, 0}, {kRemove, false, 2}, {nullptr, false, 0},
        {kDisable, false, 1}, {kRemove, true, 2}, {nullptr, false, 0}};
    for (const auto& c : cases) {
        const std::string name = bed.logon.Name(c.suffix);
        SCOPED_TRACE(name);
        bed.logon.AddRunValue(c.root, name, c.type, c.bytes);
        const RawValue before = RunValue(c.root, name);
        const std::string where = std::string(c.rootName) + "\\" + kRunKey;
        const std::string line = where + "#" + bed.logon.Name("") + c.field;
        for (const auto& s : steps) {
            SCOPED_TRACE(&s - steps);
            EXPECT_EQ(ActOn(name, s.byLine ? line : where, s.act).Done, 1);
            EXPECT_EQ(RunValue(c.root, name), s.lineIn ? RawValue{} : before);
            EXPECT_EQ(Dat("startup.dat") + "|" + Dat("removestartup.dat"),
                      (s.lineIn == 1 ? line + "\r\n|" : "|") +
                          (s.lineIn == 2 ? line + "\r\n" : ""));
        }
    }
}

TEST_F(StartupRoundTrip, SameNamedFilesOfBothFoldersNeverMeetInTheDelFolder) {
    const std::string name = bed.logon.Name("#1.lnk"), bytes = "common bytes\r\n\x01\x02";
    const std::string common = bed.logon.AddStartupFile(true, name, bytes);
    const std::string user = bed.logon.AddStartupFile(false, name, "user bytes");
    std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
    std::vector<int> both;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Caption == name)
            both.push_back(static_cast<int>(i));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(bed.manager.Disable(kutest::MarkRows(rows, both)).Done, 2);
    const std::string del = bed.Backup("del\\"), copy2 = del + bed.logon.Name("#1 (2).lnk");
    EXPECT_EQ(Dat("del.txt"), common + "#" + del + name + "|E\r\n" + user + "#" + copy2 + "|E\r\n");
    EXPECT_EQ(std::make_tuple(kutest::FileThere(common) || kutest::FileThere(user),
                              kutest::ReadAll(del + name), kutest::ReadAll(copy2)),
              std::make_tuple(false, bytes, std::string("user bytes")));
    // While a disabled file's original is there again, its line is not listed.
    const std::string again = bed.logon.AddStartupFile(false, name, "again");
    EXPECT_EQ(FindRow(bed.manager.LoadStartupList(), name, user), -1);
    DeleteFileA(again.c_str());
    // Enable the user one, remove the disabled common one, then restore it.
    EXPECT_EQ(ActOn(name, user, kEnable).Done, 1);
    EXPECT_EQ(kutest::ReadAll(user), "user bytes");
    EXPECT_EQ(ActOn(name, common, kRemove).Done, 1);
    EXPECT_EQ(Dat("del.txt"), common + "#" + del + name + "\r\n");
    EXPECT_EQ(FindRow(bed.manager.LoadStartupList(), name, common), -1);
    EXPECT_EQ(ActOn(name, common, nullptr).Done, 1);
    EXPECT_EQ(kutest::ReadAll(common) + "|" + Dat("del.txt"), bytes + "|");
    EXPECT_FALSE(kutest::FileThere(del + name));
}

TEST_F(StartupRoundTrip, OnlyTheMarkedLocationChangesAndWinIniKeysAreKept) {
    const std::string name = bed.logon.Name("twin"), ini = bed.logon.WinIniPath();
    bed.logon.AddRunValue(HKEY_LOCAL_MACHINE, name, REG_SZ, kutest::StringBytes("machine"));
    bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ, kutest::StringBytes("user"));
    EXPECT_EQ(ActOn(name, "HKEY_CURRENT_USER", kDisable).Done, 1);
    EXPECT_EQ(std::make_pair(RunValue(HKEY_CURRENT_USER, name).exists,
                             RunValue(HKEY_LOCAL_MACHINE, name).exists),
              std::make_pair(false, true));
    // A win.ini key is kept as a backup line before it goes, and comes back by that line.
    bed.logon.AddWinIniKey("Load", name, "C:\\p.exe /x");
    EXPECT_EQ(ActOn(name, "win.ini", kDisable).Done, 1);
    const std::string line = "win.ini\\Load#" + name + "|C:\\p.exe /x";
    EXPECT_EQ(GetPrivateProfileIntA("Load", name.c_str(), -1, ini.c_str()), -1);
    EXPECT_EQ(ActOn(name, line, kEnable).Done, 1);
    char value[64] = {};
    GetPrivateProfileStringA("Load", name.c_str(), "", value, sizeof(value), ini.c_str());
    EXPECT_STREQ(value, "C:\\p.exe /x");
}

TEST_F(StartupRoundTrip, FailuresChangeNothing) {
    const std::string name = bed.logon.Name("held"), binary = bed.logon.Name("binary");
    bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ, kutest::StringBytes("C:\\held.exe"));
    bed.logon.AddRunValue(HKEY_CURRENT_USER, binary, REG_BINARY, "\x01\x02");
    const std::string file = bed.logon.AddStartupFile(false, name + ".lnk", "held file");
    // A removed file waits in the del folder.
    const std::string removed = bed.logon.AddStartupFile(false, name + " removed.lnk", "gone");
    ASSERT_EQ(ActOn(name + " removed.lnk", "", kRemove).Done, 1);
    const std::vector<ku::RestoreRow> restoreRows = Ticked(name + " removed.lnk"); // shown before
    // Everything a failed step must leave as it was.
    const auto state = [&] {
        std::vector<std::string> all = {kutest::ReadAll(file),
                                        kutest::FileThere(removed) ? "back" : ""};
        for (const std::string& value : {name, binary}) {
            const RawValue raw = RunValue(HKEY_CURRENT_USER, value);
            all.push_back(std::to_string(raw.exists) + std::to_string(raw.type) + raw.bytes);
        }
        for (const char* dat : {"startup.dat", "removestartup.dat", "del.txt"})
            all.push_back(Dat(dat));
        return all;
    };
    const std::vector<std::string> before = state();
    ASSERT_EQ(before[0] + before[1], "held file");
    // The backup file held open without sharing (or none: a binary value cannot be kept).
    const struct { const char* held; std::function<ku::ActionReport()> act; } cases[] = {
        {"startup.dat", [&] { return ActOn(name, kHkcuRun, kDisable); }},
        {"removestartup.dat", [&] { return ActOn(name, kHkcuRun, kRemove); }},
        {"del.txt", [&] { return ActOn(name + ".lnk", "", kDisable); }},
        {"del.txt", [&] { return bed.manager.Restore(restoreRows); }},
        {nullptr, [&] { return ActOn(binary, kHkcuRun, kDisable); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ku::UniqueFile held;
        if (c.held) {
            held.reset(CreateFileA(bed.Backup(c.held).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held);
        }
        const ku::ActionReport report = c.act();
        held.reset();
        EXPECT_EQ(std::make_pair(report.Done, report.Failures.size()),
                  std::make_pair(0, size_t(1)));
        EXPECT_EQ(state(), before);
    }
}

// Lines written before names were escaped, and broken lines, read safely.
TEST(BackupLine, OlderLinesAndBrokenLinesReadSafely) {
    ku::BackupLine back; // a "%" that starts no code is kept as it stands
    ASSERT_TRUE(ku::ParseBackupLine(kHkcuRun + "#Old 100%|x", back));
    EXPECT_EQ(back.ValueName, "Old 100%");
    for (const char* broken :
         {"", "no separators", "HKEY_CURRENT_USER\\Run|data#name", "HKEY_CURRENT_USER#Run|x"})
        EXPECT_FALSE(ku::ParseBackupLine(broken, back)) << broken;
}

// "Ωmega Nova" beside another program's "Omega Nova", and data with a fullwidth backslash: the
// legacy code page reads them as the Latin twin and as "\". Each is listed once, the
// inexact ones said to be such, and the actions leave them exactly as they are.
TEST_F(StartupRoundTrip, EntriesTheCodePageCannotHoldAreRefusedAndTheirTwinsActAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string prefix = bed.logon.Name("");
    const std::wstring run = kutest::WideOf(kRunKey), wide = kutest::WideOf(prefix);
    const std::wstring greek = wide + kutest::kOmega + L"mega Nova", data = wide + L"Data";
    const std::wstring greekText = L"C:\\" + std::wstring(kutest::kOmega) + L"mega\\nova.exe";
    const std::wstring dataText = L"\"C:\\a" + std::wstring(kutest::kWideBackslash) + L"b.exe\" /q";
    const REGSAM view = kutest::LogonEntries::View();
    ASSERT_TRUE(kutest::WideSetString(HKEY_CURRENT_USER, run, greek, greekText, view));
    ASSERT_TRUE(kutest::WideSetString(HKEY_CURRENT_USER, run, data, dataText, view));
    bed.logon.AddRunValue(HKEY_CURRENT_USER, prefix + "Omega Nova", REG_SZ,
                          kutest::StringBytes("C:\\Omega\\nova.exe"));
    const RawValue latin = RunValue(HKEY_CURRENT_USER, prefix + "Omega Nova");

    const std::string cannot = " (holds characters this program cannot handle)";
    for (Act act : {kDisable, kRemove}) {
        const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
        const int twin = FindRow(rows, prefix + "?mega Nova" + cannot, kHkcuRun);
        const int odd = FindRow(rows, prefix + "Data" + cannot, kHkcuRun);
        ASSERT_GE(twin, 0);
        ASSERT_GE(odd, 0);
        const ku::ActionReport report = (bed.manager.*act)(kutest::MarkRows(rows, {twin, odd}));
        EXPECT_EQ(report.Done, 0);
        EXPECT_EQ(report.Failures.size(), 2u);
        EXPECT_EQ(kutest::WideGetString(HKEY_CURRENT_USER, run, greek, view), greekText);
        EXPECT_EQ(kutest::WideGetString(HKEY_CURRENT_USER, run, data, view), dataText);
    }
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, prefix + "Omega Nova"), latin);
    EXPECT_EQ(Dat("startup.dat") + "|" + Dat("removestartup.dat"), "|");
    // The Latin entry is listed once and goes and comes back on its own.
    EXPECT_EQ(ActOn(prefix + "Omega Nova", kHkcuRun, kDisable).Done, 1);
    EXPECT_EQ(kutest::WideGetString(HKEY_CURRENT_USER, run, greek, view), greekText);
    EXPECT_EQ(ActOn(prefix + "Omega Nova", "", kEnable).Done, 1);
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, prefix + "Omega Nova"), latin);
    for (const std::wstring& name : {greek, data}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, run.c_str(), 0, KEY_SET_VALUE | view, &key) == 0) {
            RegDeleteValueW(key, name.c_str());
            RegCloseKey(key);
        }
    }
}

// A startup-folder file "Ωmega.lnk" beside another program's "Omega.lnk": listed once each, the
// inexact one said to be such and never moved, the Latin one disabled and enabled on its own.
TEST_F(StartupRoundTrip, AStartupFileTheCodePageCannotNameIsRefusedAndItsTwinActsAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string prefix = bed.logon.Name("");
    const std::string latin = bed.logon.AddStartupFile(false, prefix + "Omega.lnk", "latin");
    const std::wstring greek = kutest::WideOf(bed.logon.StartupFolder(false) + "\\" + prefix) +
                               kutest::kOmega + L"mega.lnk";
    ASSERT_TRUE(kutest::WideFile(greek));
    const std::string cannot = " (holds characters this program cannot handle)";
    std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
    const int odd = FindRow(rows, prefix + "?mega.lnk" + cannot);
    ASSERT_GE(odd, 0);
    for (Act act : {kDisable, kRemove}) {
        const ku::ActionReport report = (bed.manager.*act)(kutest::MarkRows(rows, {odd}));
        EXPECT_EQ(report.Done, 0);
        EXPECT_EQ(report.Failures.size(), 1u);
    }
    EXPECT_TRUE(kutest::WidePathExists(greek));
    EXPECT_EQ(ActOn(prefix + "Omega.lnk", "", kDisable).Done, 1);
    EXPECT_FALSE(kutest::FileThere(latin));
    EXPECT_TRUE(kutest::WidePathExists(greek)) << "the twin's disable moved it";
    EXPECT_EQ(ActOn(prefix + "Omega.lnk", "", kEnable).Done, 1);
    EXPECT_EQ(kutest::ReadAll(latin), "latin");
    kutest::WideRemoveFile(greek);
}
