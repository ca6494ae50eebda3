// Where the startup list comes from: real Run values of each type, files in both startup
// folders and win.ini keys, in the list's order and with the fixture program's version facts.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "support/StartupTestBed.h"

using kutest::FindRow;

namespace {

// A shortcut to target, as installers put into the startup folders.
bool MakeShortcut(const std::string& path, const std::string& target) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool made = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
                SUCCEEDED(link->SetPath(target.c_str())) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    made = made && SUCCEEDED(file->Save(std::wstring(path.begin(), path.end()).c_str(), TRUE));
    for (IUnknown* object : {static_cast<IUnknown*>(file), static_cast<IUnknown*>(link)})
        if (object)
            object->Release();
    return made;
}

const std::string kHklmRun = std::string("HKEY_LOCAL_MACHINE\\") + kutest::LogonEntries::kRunKey;
const std::string kHkcuRun = std::string("HKEY_CURRENT_USER\\") + kutest::LogonEntries::kRunKey;

} // namespace

TEST(StartupSources, ListsEveryKindInOrderWithVersionFacts) {
    kutest::StartupTestBed bed;
    kutest::LogonEntries& logon = bed.logon;
    const std::string exe = bed.VersionedCopy();
    const std::string expand = "%SystemRoot%\\system32\\nothing-here.exe /q";
    const auto run = [&](HKEY root, const char* name, DWORD type, const std::string& bytes) {
        logon.AddRunValue(root, logon.Name(name), type, bytes);
    };
    run(HKEY_LOCAL_MACHINE, "sz", REG_SZ, kutest::StringBytes("\"" + exe + "\" /min"));
    run(HKEY_CURRENT_USER, "1 expand", REG_EXPAND_SZ, kutest::StringBytes(expand));
    run(HKEY_CURRENT_USER, "2 dword", REG_DWORD, kutest::DwordBytes(42));
    const std::string common =
        logon.AddStartupFile(true, logon.Name("common.exe"), kutest::ReadAll(exe));
    const std::string user = logon.AddStartupFile(false, logon.Name("user.lnk"), "");
    ASSERT_TRUE(MakeShortcut(user, exe));
    logon.AddWinIniKey("Load", logon.Name("load"), exe);
    logon.AddWinIniKey("Run", logon.Name("run"), "C:\\no\\such.exe");
    ASSERT_TRUE(bed.manager.Start());

    const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
    // facts: the product and file of the version facts, or "" when there is no record.
    const std::string fixture = "KU Startup Fixture|";
    const struct { std::string caption, where, path, status, kind, facts; } expected[] = {
        {"common.exe", "", common, "Enable", "Startup Folder", fixture + common},
        {"user.lnk", "", user, "Enable", "Startup Folder", fixture + exe},
        {"sz", kHklmRun, "\"" + exe + "\" /min", "Enable", "Registration", fixture + exe},
        {"1 expand", kHkcuRun, expand, "Enable", "Registration", ""},
        {"2 dword", kHkcuRun, "42", "Enable", "Registration", ""},
        {"load", "win.ini\\Load", exe, "", "Win.ini", fixture + exe},
        {"run", "win.ini\\Run", "C:\\no\\such.exe", "", "Win.ini", ""},
    };
    int previous = -1;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.caption);
        const int at = FindRow(rows, logon.Name(e.caption), e.where);
        ASSERT_GT(at, previous) << "missing or out of order";
        previous = at;
        const ku::StartupRow& row = rows[at];
        const ku::TFilInfoeRecord* info = bed.manager.FileInfo(row);
        EXPECT_EQ(std::make_tuple(row.Path, row.Status, row.Kind,
                                  info ? info->ProductName + "|" + info->FilePath : ""),
                  std::make_tuple(e.path, e.status, e.kind, e.facts));
    }
    // A refresh starts from an empty list: nothing is listed or recorded twice.
    const int records = bed.manager.FileInfoList.Count();
    EXPECT_EQ(bed.manager.LoadStartupList().size(), rows.size());
    EXPECT_EQ(bed.manager.FileInfoList.Count(), records);
}

TEST(StartupSources, DelTxtMarkDecidesBetweenStartupAndRestoreList) {
    kutest::StartupTestBed bed;
    ASSERT_TRUE(bed.manager.Start());
    const std::string original = bed.logon.StartupFolder(false) + "\\" + bed.logon.Name("a.lnk");
    const std::string copy = bed.Backup("del\\a.lnk");
    // Where the file's line shows: in the startup list, in the restore list.
    const auto listed = [&](bool disabledMark) {
        kutest::WriteTextFile(bed.Backup("del.txt"),
                              original + "#" + copy + (disabledMark ? "|E" : "") + "\r\n");
        bool inRestore = false;
        for (const ku::RestoreRow& row : bed.manager.LoadRestoreList())
            inRestore |= row.Name == original && row.Info == copy && row.Kind == "file";
        return std::make_pair(FindRow(bed.manager.LoadStartupList(), original) >= 0, inRestore);
    };
    EXPECT_EQ(listed(true), std::make_pair(true, false));
    EXPECT_EQ(listed(false), std::make_pair(false, true));
    // While the original is there again, its disabled line is not shown.
    bed.logon.AddStartupFile(false, bed.logon.Name("a.lnk"), "back");
    EXPECT_EQ(listed(true), std::make_pair(false, false));
}
