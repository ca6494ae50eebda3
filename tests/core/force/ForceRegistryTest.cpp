// The force matchers: folder hits by key class (SOFTWARE, services, Windows' own services,
// Winsock, Microsoft) and value kind; the program-file walk; the Winsock catalog defaults.
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/ForceRegistryScan.h"
#include "core/force/WinsockCatalog.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "support/WideNames.h"

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
    EXPECT_EQ(ItemTexts(list),
              (Lines{ItemText("2", kRoot, vendor, "Path"), ItemText("2", kRoot, appPath, "Path"),
                     ItemText("1", kRoot, entry), ItemText("1", kRoot, services + "FooSvc")}));
    EXPECT_EQ(remnants, Lines{vendor});
    EXPECT_EQ(servers, Lines{"FooSvc"});
    EXPECT_EQ(plan.winsockEntries,
              Lines{catalogs + "NameSpace_Catalog5\\Catalog_Entries\\000000000002"});
    EXPECT_TRUE(plan.resetWinsock);
}

TEST_F(ForceRegistry, ValueKindsAndEmptyFolder) {
    const std::string folder = MakeFolder(dir, "Foo Application");
    RawSetValue(HKEY_CURRENT_USER, key, "Blob", REG_BINARY,
                folder + "\\x.dat" + std::string(1, '\0') + "tail");
    RawSetValue(HKEY_CURRENT_USER, key, "Huge", REG_BINARY, folder + std::string(1000, ' '));
    RawSetDword(HKEY_CURRENT_USER, key, "Number", 12);
    Set("Blank", "   ");
    Set(folder + "\\named.exe", "");

    const std::string path = "SOFTWARE\\Microsoft\\Kinds";
    for (const char* word : {"", "  "}) // an empty word matches nothing
        Match(path, word);
    Match(path, folder);
    Lines found = ItemTexts(list);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Lines{ItemText("2", kRoot, path, "Blob"),
                            ItemText("2", kRoot, path, folder + "\\named.exe")}));
}

TEST_F(ForceRegistry, ProgramFileWalkFindsEachFileInValuesAndNamesNotLookAlikes) {
    const std::string a = dir.File("a\\one.exe"), b = dir.File("b\\two.exe");
    Set("Cmd", "\"" + a + "\" /x", "First");
    Set(b, "1", "First");
    Set("Both", a + ";" + b, "Deep");
    Set("Canary", a + ".bak", "Deep");
    TWizardState state;
    ScanRegistryByProgramsWalk(state, HKEY_CURRENT_USER, scratch.Path(), nullptr, list, {a, b}, "");
    const std::string first = scratch.Sub("First"), deep = scratch.Sub("Deep");
    const std::string user = "HKEY_CURRENT_USER";
    Lines found = ItemTexts(list);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Lines{ItemText("2", user, deep, "Both"), ItemText("2", user, deep, "Both"),
                            ItemText("2", user, first, b), ItemText("2", user, first, "Cmd")}));
}

TEST_F(ForceRegistry, WinsockCatalogRestoresTheDefaultsOfItsEntryAndVersionOnly) {
    const std::string base =
        scratch.Sub("WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries\\");
    const std::string two = base + "000000000002", six = base + "000000000006";
    const std::string seven = base + "000000000007";
    for (const std::string& entry : {two, six, seven})
        RawCreateKey(HKEY_CURRENT_USER, entry);
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
    // Each entry gets its own version's defaults; the provider's GUID in the byte order Windows
    // stores it.
    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, two, 2, 5, 1) &&
                RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, six, 2, 6, 1));
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, two, "LibraryPath") + "|" +
                  RawReadString(HKEY_CURRENT_USER, six, "LibraryPath"),
              "%SystemRoot%\\System32\\winrnr.dll|%SystemRoot%\\system32\\pnrpnsp.dll");
    const std::string guid("\xEE\x37\x26\x3B\x80\xE5\xCF\x11\xA5\x55\x00\xC0\x4F\xD8\xD4\xAC", 16);
    EXPECT_EQ(RawReadValue(HKEY_CURRENT_USER, two, "ProviderId"),
              (RawValue{true, REG_BINARY, guid}));
}

// Values the code page cannot hold are never listed: one that names the folder, and one in a
// key listed whole (whose delete leaves it), are said to be left alone; others pass unsaid.
TEST_F(ForceRegistry, ValuesTheCodePageCannotHoldAreSaidToBeLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string folder = MakeFolder(dir, "Foo App");
    const std::wstring omega = kOmega, exe = WideOf(folder + "\\foo.exe");
    const struct {
        std::string sub;
        std::wstring name, data;
    } plants[] = {
        {"Values", omega + L"path", exe},              // names the folder
        {"Values", L"Elsewhere", L"C:\\" + omega},   // names nothing
        {"Listed", L"Path", exe},                      // the key goes whole for this one ...
        {"Listed", omega + L"flag", L"1"},             // ... and leaves this one
    };
    for (const auto& plant : plants)
        ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, WideOf(scratch.Sub(plant.sub)), plant.name,
                                  plant.data));
    TWizardState state;
    ScanRegistryForceWalk(state, HKEY_CURRENT_USER, scratch.Path(), nullptr, list, folder, plan);
    EXPECT_EQ(ItemTexts(list), Lines{ItemText("1", "HKEY_CURRENT_USER", scratch.Sub("Listed"))});
    std::sort(state.LeftAloneItems.begin(), state.LeftAloneItems.end());
    EXPECT_EQ(state.LeftAloneItems, (Lines{"HKEY_CURRENT_USER\\" + scratch.Sub("Listed\\?flag"),
                                           "HKEY_CURRENT_USER\\" + scratch.Sub("Values\\?path")}));
}
