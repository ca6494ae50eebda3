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
    logon.AddRunValue(HKEY_LOCAL_MACHINE, logon.Name("sz"), REG_SZ,
                      kutest::StringBytes("\"" + exe + "\" /min"));
    logon.AddRunValue(HKEY_CURRENT_USER, logon.Name("1 expand"), REG_EXPAND_SZ,
                      kutest::StringBytes(expand));
    logon.AddRunValue(HKEY_CURRENT_USER, logon.Name("2 dword"), REG_DWORD, kutest::DwordBytes(42));
    const std::string common =
        logon.AddStartupFile(true, logon.Name("common.exe"), kutest::ReadAll(exe));
    const std::string user = logon.AddStartupFile(false, logon.Name("user.lnk"), "");
    ASSERT_TRUE(MakeShortcut(user, exe));
    logon.AddWinIniKey("Load", logon.Name("load"), exe);
    logon.AddWinIniKey("Run", logon.Name("run"), "C:\\no\\such.exe");
    ASSERT_TRUE(bed.manager.Start());

    const std::vector<ku::StartupRow> rows = bed.manager.LoadStartupList();
    // product: of the version facts, or nullptr when there is no record.
    const struct { std::string caption, where, path, status, kind; const char* product; }
    expected[] = {
        {logon.Name("common.exe"), "", common, "Enable", "Startup Folder", "KU Startup Fixture"},
        {logon.Name("user.lnk"), "", user, "Enable", "Startup Folder", "KU Startup Fixture"},
        {logon.Name("sz"), kHklmRun, "\"" + exe + "\" /min", "Enable", "Registration",
         "KU Startup Fixture"},
        {logon.Name("1 expand"), kHkcuRun, expand, "Enable", "Registration", nullptr},
        {logon.Name("2 dword"), kHkcuRun, "42", "Enable", "Registration", nullptr},
        {logon.Name("load"), "win.ini\\Load", exe, "", "Win.ini", "KU Startup Fixture"},
        {logon.Name("run"), "win.ini\\Run", "C:\\no\\such.exe", "", "Win.ini", nullptr},
    };
    int previous = -1;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.caption);
        const int at = FindRow(rows, e.caption, e.where);
        ASSERT_GE(at, 0);
        EXPECT_GT(at, previous) << "out of order";
        previous = at;
        const ku::StartupRow& row = rows[at];
        EXPECT_EQ(std::make_tuple(row.Path, row.Status, row.Kind),
                  std::make_tuple(e.path, e.status, e.kind));
        const ku::TFilInfoeRecord* info = bed.manager.FileInfo(row);
        ASSERT_EQ(info != nullptr, e.product != nullptr);
        if (info)
            EXPECT_EQ(std::vector<std::string>({info->ProductName, info->EntryName,
                                                info->PublisherName, info->Version,
                                                info->Description}),
                      std::vector<std::string>({e.product, e.caption, "Kelvane Fixture Works",
                                                "5.1.2600.0", "Startup fixture program"}));
    }
    EXPECT_EQ(bed.manager.FileInfo(rows[FindRow(rows, logon.Name("sz"))])->Position, kHklmRun);
    EXPECT_EQ(bed.manager.FileInfo(rows[FindRow(rows, logon.Name("user.lnk"))])->FilePath, exe);

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
    const auto listed = [&](bool disabledMark) {
        kutest::WriteTextFile(bed.Backup("del.txt"),
                              original + "#" + copy + (disabledMark ? "|E" : "") + "\r\n");
        const bool inStartup = FindRow(bed.manager.LoadStartupList(), original) >= 0;
        bool inRestore = false;
        for (const ku::RestoreRow& row : bed.manager.LoadRestoreList())
            inRestore =
                inRestore || (row.Name == original && row.Info == copy && row.Kind == "file");
        return std::make_pair(inStartup, inRestore);
    };
    EXPECT_EQ(listed(true), std::make_pair(true, false));
    EXPECT_EQ(listed(false), std::make_pair(false, true));
    // While the original is there again, its disabled line is not shown.
    bed.logon.AddStartupFile(false, bed.logon.Name("a.lnk"), "back");
    EXPECT_EQ(listed(true), std::make_pair(false, false));
}
