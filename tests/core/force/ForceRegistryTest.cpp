// The force matchers: folder hits by key class (SOFTWARE, services, Windows' own services,
// Winsock, Microsoft), value kinds, short forms; the program-file walks in one pass; the
// Winsock catalog defaults.
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/ForceRegistryScan.h"
#include "core/force/WinsockCatalog.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kRoot = "HKEY_LOCAL_MACHINE";

class ForceRegistry : public ::testing::Test {
protected:
    void Set(const std::string& name, const std::string& value, const std::string& sub = "Values") {
        RawSetString(HKEY_CURRENT_USER, scratch.Sub(sub), name, value);
    }
    // Runs the force matcher on the scratch key's values as if the key lived at `asPath`.
    void Match(const std::string& asPath, const std::string& folder) {
        UniqueKey handle;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | ScanRegistryView(),
                      handle.put());
        ForceScanLists lists{servers, serverFiles, remnants, plan};
        MatchRegistryKeyForce(VisitedKey{HKEY_LOCAL_MACHINE, asPath, UpperCase(asPath),
                                         handle.get(), ScanRegistryView()},
                              list, ForcePathWord(folder), lists);
    }
    ScratchDir dir;
    ScratchKey scratch;
    const std::string key = scratch.Sub("Values");
    Lines servers, serverFiles, remnants;
    ForceRemovalPlan plan;
    TUninstallerContents list;
};

} // namespace

TEST_F(ForceRegistry, SoftwareKeysServicesAndValuesByKeyClass) {
    const std::string folder = MakeFolder(dir, "Foo App");
    Set("Path", folder + "\\foo.exe");
    Set("Other", dir.File("Foo AppBar") + "\\foo.exe"); // look-alike: no hit

    const std::string version = "Microsoft\\Windows\\CurrentVersion\\";
    const std::string vendor = "SOFTWARE\\Foo Vendor\\Foo App";
    const std::string entry = "SOFTWARE\\" + version + "Uninstall\\Foo";
    const std::string appPath = "SOFTWARE\\Wow6432Node\\" + version + "App Paths\\foo.exe";
    const std::string services = "SYSTEM\\ControlSet001\\Services\\";
    const std::string catalogs = services + "WinSock2\\Parameters\\";
    for (const std::string& path :
         {vendor, appPath, entry, services + "FooSvc\\Parameters", services + "FooSvc",
          services + "Tcpip\\Parameters",
          catalogs + "NameSpace_Catalog5\\Catalog_Entries\\000000000002",
          catalogs + "Protocol_Catalog9\\Catalog_Entries\\000000000001"})
        Match(path, folder);
    // A key that holds a value of others as well gives the value alone; Tcpip is Windows' own.
    EXPECT_EQ(ItemTexts(list), (Lines{ItemText("2", kRoot, vendor, "Path"),
                                          ItemText("2", kRoot, appPath, "Path"),
                                          ItemText("1", kRoot, entry),
                                          ItemText("1", kRoot, services + "FooSvc")}));
    EXPECT_EQ(remnants, Lines{vendor});
    EXPECT_EQ(servers, Lines{"FooSvc"});
    ASSERT_EQ(plan.winsockEntries.size(), 1u);
    EXPECT_NE(plan.winsockEntries[0].find("000000000002"), std::string::npos);
    EXPECT_TRUE(plan.resetWinsock);
}

TEST_F(ForceRegistry, ValueKindsShortFormsAndEmptyFolder) {
    const std::string folder = MakeFolder(dir, "Foo Application");
    const std::string blob = folder + "\\x.dat" + std::string(1, '\0') + "tail";
    RawSetValue(HKEY_CURRENT_USER, key, "Blob", REG_BINARY, blob);
    RawSetValue(HKEY_CURRENT_USER, key, "Huge", REG_BINARY, folder + std::string(1000, ' '));
    RawSetDword(HKEY_CURRENT_USER, key, "Number", 12);
    Set("Short", ShortPathOf(folder) + "\\X.EXE");
    Set("Blank", "   ");
    Set(folder + "\\named.exe", "");

    const std::string path = "SOFTWARE\\Microsoft\\Kinds";
    Match(path, folder);
    Lines found = ItemTexts(list);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Lines{ItemText("2", kRoot, path, "Blob"),
                            ItemText("2", kRoot, path, folder + "\\named.exe"),
                            ItemText("2", kRoot, path, "Short")}));
    list.Clear();
    Match(path, "");
    Match(path, "  ");
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ForceRegistry, ProgramFileWalksShareOnePassWithTheSameResult) {
    const std::string a = dir.File("a\\one.exe"), b = dir.File("b\\two.exe");
    Set("Cmd", "\"" + a + "\" /x", "First");
    Set(b, "1", "First");
    Set("Cmd", b, "Second\\Deep");
    Set("Both", a + ";" + b, "Second\\Deep");
    Set("Canary", a + ".bak", "Second\\Deep");

    TWizardState separate, shared;
    TUninstallerContents one, all;
    const std::string& root = scratch.Path();
    for (const std::string& file : {a, b})
        ScanRegistryByProgramWalk(separate, HKEY_CURRENT_USER, root, nullptr, one, file, "");
    ScanRegistryByProgramsWalk(shared, HKEY_CURRENT_USER, root, nullptr, all, {a, b}, "");
    EXPECT_EQ(ItemTexts(one), ItemTexts(all));
    EXPECT_EQ(all.Count(), 5);
    EXPECT_EQ(CountItems(all, "Canary"), 0);
    EXPECT_TRUE(HasItem(all, ItemText("2", "HKEY_CURRENT_USER", scratch.Sub("First"), b)));
}

TEST_F(ForceRegistry, WinsockCatalogRestoresTheDefaultsOfItsEntryAndVersionOnly) {
    const std::string base =
        scratch.Sub("WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries\\");
    const std::string two = base + "000000000002", five = base + "000000000005";
    const std::string seven = base + "000000000007";
    for (const std::string& entry : {two, five, seven})
        RawCreateKey(HKEY_CURRENT_USER, entry);
    EXPECT_EQ(WinsockEntryNumber(two), 2);
    EXPECT_EQ(WinsockEntryNumber(scratch.Path()), 0);
    // Not NT, a version without defaults, an entry the version lacks, no entry at all.
    const struct {
        std::string key;
        DWORD platform, major, minor;
    } refused[] = {{two, 1, 5, 1}, {two, 2, 4, 0}, {seven, 2, 5, 0}, {scratch.Path(), 2, 5, 1}};
    for (const auto& r : refused)
        EXPECT_FALSE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, r.key, r.platform, r.major,
                                                    r.minor));
    EXPECT_FALSE(RawValueExists(HKEY_CURRENT_USER, seven, "LibraryPath"));

    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, two, 2, 5, 1));
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, two, "LibraryPath"),
              "%SystemRoot%\\System32\\winrnr.dll");
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, two, "DisplayString"), "NTDS");
    EXPECT_EQ(RawReadDword(HKEY_CURRENT_USER, two, "SupportedNameSpace"), 32);
    // The provider's GUID in the byte order Windows stores it.
    const std::string guid("\xEE\x37\x26\x3B\x80\xE5\xCF\x11\xA5\x55\x00\xC0\x4F\xD8\xD4\xAC", 16);
    EXPECT_EQ(RawReadValue(HKEY_CURRENT_USER, two, "ProviderId"),
              (RawValue{true, REG_BINARY, guid}));
    // An entry without a display string of its own; then another version's library.
    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, five, 2, 5, 2));
    EXPECT_FALSE(RawValueExists(HKEY_CURRENT_USER, five, "DisplayString"));
    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, five, 2, 6, 1));
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, five, "LibraryPath"),
              "%SystemRoot%\\system32\\pnrpnsp.dll");
}
