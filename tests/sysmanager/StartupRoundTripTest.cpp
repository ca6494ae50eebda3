// Disable then enable, remove then restore: every entry comes back byte for byte, the backup
// files hold exactly the expected lines, and a failure at any step loses nothing.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/system/Handles.h"
#include "support/Spawn.h"
#include "support/StartupTestBed.h"
#include "sysmanager/StartupBackup.h"

using kutest::FindRow;
using kutest::MarkRows;
using kutest::RawValue;

namespace {

const std::string kRunKey = kutest::LogonEntries::kRunKey;
using Act = ku::ActionReport (ku::TStartupManager::*)(const std::vector<ku::StartupRow>&);
constexpr Act kDisable = &ku::TStartupManager::Disable, kEnable = &ku::TStartupManager::Enable,
              kRemove = &ku::TStartupManager::Remove;

RawValue RunValue(HKEY root, const std::string& name) {
    return kutest::RawReadValue(root, kRunKey, name, kutest::LogonEntries::View());
}


// Another program holding a file open without sharing, as long as the object lives.
class HeldFile {
  public:
    explicit HeldFile(const std::string& path)
        : process_(kutest::StartProgram("\"" + kutest::Fixture("startup\\kuholdfile.exe") +
                                        "\" \"" + path + "\"")) {
        kutest::WaitFor([&] { return Held(path); }, 5000);
    }
    ~HeldFile() {
        if (process_)
            TerminateProcess(process_.get(), 0), WaitForSingleObject(process_.get(), 5000);
    }
    static bool Held(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    }

  private:
    ku::UniqueHandle process_;
};

class StartupRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bed.manager.Start()); }
    // Marks the one row and runs the action on the list as it is now.
    ku::ActionReport ActOn(const std::string& caption, const std::string& where, Act action) {
        const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
        const int at = FindRow(rows, caption, where);
        EXPECT_GE(at, 0) << caption;
        return (bed.manager.*action)(MarkRows(rows, {at}));
    }
    ku::ActionReport RestoreNamed(const std::string& name) {
        std::vector<ku::RestoreRow> rows = bed.manager.LoadRestoreList();
        for (ku::RestoreRow& row : rows)
            row.Checked = row.Name == name;
        return bed.manager.Restore(rows);
    }
    kutest::StartupTestBed bed;
};

} // namespace

TEST_F(StartupRoundTrip, RegistryEntriesComeBackByteForByteWithExactLines) {
    // Hostile value names: separators of the backup lines. field: the line after the location
    // (escaped name, type, data).
    const struct {
        HKEY root; const char* rootName; const char* suffix; DWORD type; std::string bytes, field;
    } cases[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "sz|bar", REG_SZ,
         kutest::StringBytes("C:\\A b\\x.exe /p|q#r"), "sz%7Cbar|C:\\A b\\x.exe /p|q#r"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "ex#hash", REG_EXPAND_SZ,
         kutest::StringBytes("%SystemRoot%\\x.exe"), "ex%23hash%t2|%SystemRoot%\\x.exe"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "dw 100%", REG_DWORD,
         kutest::DwordBytes(4000000000u), "dw 100%25%t4|4000000000"},
    };
    // Disable, enable; remove, restore; disable, remove the disabled entry, restore. Where the
    // line of the entry stands after each step (startup.dat, removestartup.dat, or neither).
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
            const std::string& at = s.byLine ? line : where;
            EXPECT_EQ((s.act ? ActOn(name, at, s.act) : RestoreNamed(name)).Done, 1);
            EXPECT_EQ(RunValue(c.root, name), s.lineIn ? RawValue{} : before);
            EXPECT_EQ(kutest::ReadAll(bed.Backup("startup.dat")) + "|" +
                          kutest::ReadAll(bed.Backup("removestartup.dat")),
                      (s.lineIn == 1 ? line + "\r\n|" : "|") +
                          (s.lineIn == 2 ? line + "\r\n" : ""));
            if (s.lineIn == 1) {
                const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
                const int disabled = FindRow(rows, name, line);
                ASSERT_GE(disabled, 0);
                EXPECT_EQ(rows[disabled].Status, "Disable");
            }
        }
    }
}

TEST_F(StartupRoundTrip, SameNamedFilesOfBothFoldersNeverMeetInTheDelFolder) {
    const std::string name = bed.logon.Name("#1.lnk");
    const std::string common = bed.logon.AddStartupFile(true, name, "common bytes\r\n\x01\x02");
    const std::string user = bed.logon.AddStartupFile(false, name, "user bytes");
    std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
    std::vector<int> both;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Caption == name)
            both.push_back(static_cast<int>(i));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(bed.manager.Disable(MarkRows(rows, both)).Done, 2);
    EXPECT_FALSE(kutest::FileThere(common) || kutest::FileThere(user));
    const std::string del = bed.Backup("del\\");
    const std::string copy2 = del + bed.logon.Name("#1 (2).lnk");
    EXPECT_EQ(kutest::ReadAll(bed.Backup("del.txt")),
              common + "#" + del + name + "|E\r\n" + user + "#" + copy2 + "|E\r\n");
    EXPECT_EQ(kutest::ReadAll(del + name), "common bytes\r\n\x01\x02");
    EXPECT_EQ(kutest::ReadAll(copy2), "user bytes");

    // Enable the user one, remove the disabled common one, then restore it.
    EXPECT_EQ(ActOn(user, "", kEnable).Done, 1);
    EXPECT_EQ(kutest::ReadAll(user), "user bytes");
    EXPECT_EQ(ActOn(common, "", kRemove).Done, 1);
    EXPECT_EQ(kutest::ReadAll(bed.Backup("del.txt")), common + "#" + del + name + "\r\n");
    EXPECT_EQ(FindRow(bed.manager.LoadStartupList(), common), -1);
    EXPECT_EQ(RestoreNamed(common).Done, 1);
    EXPECT_EQ(kutest::ReadAll(common), "common bytes\r\n\x01\x02");
    EXPECT_EQ(kutest::ReadAll(bed.Backup("del.txt")), "");
    EXPECT_FALSE(kutest::FileThere(del + name));
}

TEST_F(StartupRoundTrip, OnlyTheMarkedLocationChangesAndWinIniKeysAreKept) {
    const std::string name = bed.logon.Name("twin");
    bed.logon.AddRunValue(HKEY_LOCAL_MACHINE, name, REG_SZ, kutest::StringBytes("machine"));
    bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ, kutest::StringBytes("user"));
    EXPECT_EQ(ActOn(name, "HKEY_CURRENT_USER", kDisable).Done, 1);
    EXPECT_EQ(std::make_pair(RunValue(HKEY_CURRENT_USER, name).exists,
                             RunValue(HKEY_LOCAL_MACHINE, name).exists),
              std::make_pair(false, true));

    // A win.ini key is backed up like a Run value before it goes, and comes back.
    bed.logon.AddWinIniKey("Load", name, "C:\\p.exe /x");
    EXPECT_EQ(ActOn(name, "win.ini", kDisable).Done, 1);
    const std::string line = "win.ini\\Load#" + name + "|C:\\p.exe /x";
    EXPECT_NE(kutest::ReadAll(bed.Backup("startup.dat")).find(line + "\r\n"), std::string::npos);
    EXPECT_EQ(GetPrivateProfileIntA("Load", name.c_str(), -1, bed.logon.WinIniPath().c_str()), -1);
    EXPECT_EQ(ActOn(name, line, kEnable).Done, 1);
    char value[64] = {};
    GetPrivateProfileStringA("Load", name.c_str(), "", value, sizeof(value),
                             bed.logon.WinIniPath().c_str());
    EXPECT_STREQ(value, "C:\\p.exe /x");
}

TEST_F(StartupRoundTrip, FailuresChangeNothing) {
    const std::string name = bed.logon.Name("held");
    const std::string where = std::string("HKEY_CURRENT_USER\\") + kRunKey;
    bed.logon.AddRunValue(HKEY_CURRENT_USER, name, REG_SZ, kutest::StringBytes("C:\\held.exe"));
    bed.logon.AddRunValue(HKEY_CURRENT_USER, bed.logon.Name("binary"), REG_BINARY, "\x01\x02");
    const std::string file = bed.logon.AddStartupFile(false, name + ".lnk", "held file");
    // A removed file waits in the del folder.
    const std::string removed = bed.logon.AddStartupFile(false, name + " removed.lnk", "gone");
    ASSERT_EQ(ActOn(name + " removed.lnk", "", kRemove).Done, 1);
    std::vector<ku::RestoreRow> restoreRows = bed.manager.LoadRestoreList(); // shown before
    for (ku::RestoreRow& row : restoreRows)
        row.Checked = row.Name == removed;

    // Everything a failed step must leave as it was.
    const auto state = [&] {
        std::vector<std::string> all = {kutest::ReadAll(file),
                                        kutest::FileThere(removed) ? "back" : ""};
        for (const std::string& value : {name, bed.logon.Name("binary")}) {
            const RawValue raw = RunValue(HKEY_CURRENT_USER, value);
            all.push_back(std::to_string(raw.exists) + std::to_string(raw.type) + raw.bytes);
        }
        for (const char* dat : {"startup.dat", "removestartup.dat", "del.txt"})
            all.push_back(kutest::ReadAll(bed.Backup(dat)));
        return all;
    };
    const std::vector<std::string> before = state();
    ASSERT_EQ(before[0] + before[1], "held file");
    // The backup file another program holds open (or none: a binary value cannot be kept).
    const struct { const char* held; std::function<ku::ActionReport()> act; } cases[] = {
        {"startup.dat", [&] { return ActOn(name, where, kDisable); }},
        {"removestartup.dat", [&] { return ActOn(name, where, kRemove); }},
        {"del.txt", [&] { return ActOn(name + ".lnk", "", kDisable); }},
        {"del.txt", [&] { return bed.manager.Restore(restoreRows); }},
        {nullptr, [&] { return ActOn(bed.logon.Name("binary"), where, kDisable); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ku::ActionReport report;
        {
            std::unique_ptr<HeldFile> holder;
            if (c.held) {
                holder = std::make_unique<HeldFile>(bed.Backup(c.held));
                ASSERT_TRUE(HeldFile::Held(bed.Backup(c.held)));
            }
            report = c.act();
        }
        EXPECT_EQ(std::make_pair(report.Done, report.Failures.size()),
                  std::make_pair(0, size_t(1)));
        EXPECT_EQ(state(), before);
    }
}

// Lines written before names were escaped, and broken lines, read safely.
TEST(BackupLine, OlderLinesAndBrokenLinesReadSafely) {
    ku::BackupLine back;
    // A "%" that starts no code is kept as it stands.
    ASSERT_TRUE(ku::ParseBackupLine("HKEY_CURRENT_USER\\" + kRunKey + "#Old 100%|x", back));
    EXPECT_EQ(back.ValueName, "Old 100%");
    for (const char* broken :
         {"", "no separators", "HKEY_CURRENT_USER\\Run|data#name", "HKEY_CURRENT_USER#Run|x"})
        EXPECT_FALSE(ku::ParseBackupLine(broken, back)) << broken;
}
