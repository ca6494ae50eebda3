// The force matchers: folder hits by key class (SOFTWARE, services, Windows' own services,
// Winsock, Microsoft), value kinds, short forms; the program-file walks in one pass; the
// Winsock catalog defaults.
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/ForceRegistryScan.h"
#include "core/force/WinsockCatalog.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemText;
using kutest::OwnKey;
using kutest::ScratchDir;

namespace {

// Runs the force matcher on the scratch key's values as if the key lived at `asPath`.
struct ForceRun {
    std::vector<std::string> servers, serverFiles, remnants;
    ForceRemovalPlan plan;
    TUninstallerContents list;

    void Match(const OwnKey& key, const std::string& asPath, const std::string& folder) {
        UniqueKey handle;
        RegOpenKeyExA(key.Root(), key.Path().c_str(), 0, KEY_READ | ScanRegistryView(),
                      handle.put());
        const std::string upper = UpperCase(asPath);
        ForceScanLists lists{servers, serverFiles, remnants, plan};
        MatchRegistryKeyForce(VisitedKey{HKEY_LOCAL_MACHINE, asPath, upper, handle.get(),
                                         ScanRegistryView()},
                              list, ForcePathWord(folder), lists);
    }
};

const std::string kRoot = "HKEY_LOCAL_MACHINE";

} // namespace

TEST(ForceRegistry, SoftwareKeysServicesAndValuesByKeyClass) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo App");
    CreateDirectoryA(folder.c_str(), nullptr);
    kutest::ScratchKey scratch;
    OwnKey key(HKEY_CURRENT_USER, scratch.Sub("Values"));
    key.SetString("", "Path", folder + "\\foo.exe");
    key.SetString("", "Other", dir.File("Foo AppBar") + "\\foo.exe"); // look-alike: no hit

    ForceRun run;
    run.Match(key, "SOFTWARE\\Foo Vendor\\Foo App", folder);
    run.Match(key, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\foo.exe", folder);
    run.Match(key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo", folder);
    run.Match(key, "SYSTEM\\ControlSet001\\Services\\FooSvc\\Parameters", folder);
    run.Match(key, "SYSTEM\\ControlSet001\\Services\\FooSvc", folder);
    run.Match(key, "SYSTEM\\ControlSet001\\Services\\Tcpip\\Parameters", folder);
    run.Match(key, "SYSTEM\\ControlSet001\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\"
                   "Catalog_Entries\\000000000002", folder);
    run.Match(key, "SYSTEM\\ControlSet001\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\"
                   "Catalog_Entries\\000000000001", folder);

    // A key that holds a value of others as well gives the value alone; Tcpip is Windows' own.
    const std::vector<std::string> expected = {
        ItemText("2", kRoot, "SOFTWARE\\Foo Vendor\\Foo App", "Path"),
        ItemText("2", kRoot, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\foo.exe", "Path"),
        ItemText("1", kRoot, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo"),
        ItemText("1", kRoot, "SYSTEM\\ControlSet001\\Services\\FooSvc"),
    };
    EXPECT_EQ(kutest::ItemTexts(run.list), expected);
    EXPECT_EQ(run.remnants, std::vector<std::string>{"SOFTWARE\\Foo Vendor\\Foo App"});
    EXPECT_EQ(run.servers, std::vector<std::string>{"FooSvc"});
    ASSERT_EQ(run.plan.winsockEntries.size(), 1u);
    EXPECT_NE(run.plan.winsockEntries[0].find("000000000002"), std::string::npos);
    EXPECT_TRUE(run.plan.resetWinsock);
}

TEST(ForceRegistry, ValueKindsShortFormsAndEmptyFolder) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo Application");
    CreateDirectoryA(folder.c_str(), nullptr);
    kutest::ScratchKey scratch;
    OwnKey key(HKEY_CURRENT_USER, scratch.Sub("Kinds"));
    key.SetBinary("", "Blob", folder + "\\x.dat" + std::string(1, '\0') + "tail");
    key.SetBinary("", "Huge", folder + std::string(1000, ' '));
    key.SetDword("", "Number", 12);
    key.SetString("", "Short", ShortPathOf(folder) + "\\X.EXE");
    key.SetString("", "Blank", "   ");
    key.SetString("", folder + "\\named.exe", "");

    ForceRun run;
    run.Match(key, "SOFTWARE\\Microsoft\\Kinds", folder);
    EXPECT_TRUE(HasItem(run.list, ItemText("2", kRoot, "SOFTWARE\\Microsoft\\Kinds", "Blob")));
    EXPECT_TRUE(HasItem(run.list, ItemText("2", kRoot, "SOFTWARE\\Microsoft\\Kinds", "Short")));
    EXPECT_TRUE(HasItem(run.list, ItemText("2", kRoot, "SOFTWARE\\Microsoft\\Kinds",
                                           folder + "\\named.exe")));
    EXPECT_EQ(kutest::CountItems(run.list, "Huge"), 0);
    EXPECT_EQ(kutest::CountItems(run.list, "Number"), 0);
    EXPECT_EQ(run.list.Count(), 3);

    ForceRun empty;
    empty.Match(key, "SOFTWARE\\Kinds", "");
    empty.Match(key, "SOFTWARE\\Kinds", "  ");
    EXPECT_EQ(empty.list.Count(), 0);
}

TEST(ForceRegistry, ProgramFileWalksShareOnePassWithTheSameResult) {
    ScratchDir dir;
    const std::string a = dir.File("a\\one.exe"), b = dir.File("b\\two.exe");
    kutest::ScratchKey scratch;
    OwnKey first(HKEY_CURRENT_USER, scratch.Sub("First"));
    first.SetString("", "Cmd", "\"" + a + "\" /x");
    first.SetString("", b, "1");
    OwnKey second(HKEY_CURRENT_USER, scratch.Sub("Second\\Deep"));
    second.SetString("", "Cmd", b);
    second.SetString("", "Both", a + ";" + b);
    second.SetString("", "Canary", a + ".bak");

    TWizardState separate, shared;
    TUninstallerContents one, all;
    for (const std::string& file : {a, b})
        ScanRegistryByProgramWalk(separate, HKEY_CURRENT_USER, scratch.Path(), nullptr, one, file, "");
    ScanRegistryByProgramsWalk(shared, HKEY_CURRENT_USER, scratch.Path(), nullptr, all, {a, b}, "");
    EXPECT_EQ(kutest::ItemTexts(one), kutest::ItemTexts(all));
    EXPECT_EQ(all.Count(), 5);
    EXPECT_EQ(kutest::CountItems(all, "Canary"), 0);
    EXPECT_TRUE(HasItem(all, ItemText("2", "HKEY_CURRENT_USER", first.Path(), b)));
}

TEST(WinsockCatalog, DefaultsPerVersionAndEntry) {
    kutest::ScratchKey scratch;
    const std::string base = scratch.Sub(
        "WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries\\");
    OwnKey two(HKEY_CURRENT_USER, base + "000000000002");
    OwnKey five(HKEY_CURRENT_USER, base + "000000000005");
    OwnKey seven(HKEY_CURRENT_USER, base + "000000000007");
    EXPECT_EQ(WinsockEntryNumber(two.Path()), 2);
    EXPECT_EQ(WinsockEntryNumber(scratch.Path()), 0);

    EXPECT_FALSE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, two.Path(), 1, 5, 1));
    EXPECT_FALSE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, two.Path(), 2, 4, 0));
    EXPECT_FALSE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, seven.Path(), 2, 5, 0));
    EXPECT_FALSE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, scratch.Path(), 2, 5, 1));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_CURRENT_USER, seven.Path(), "LibraryPath"));

    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, two.Path(), 2, 5, 1));
    EXPECT_EQ(kutest::RawReadString(HKEY_CURRENT_USER, two.Path(), "LibraryPath"),
              "%SystemRoot%\\System32\\winrnr.dll");
    EXPECT_EQ(kutest::RawReadString(HKEY_CURRENT_USER, two.Path(), "DisplayString"), "NTDS");
    BYTE id[32] = {};
    DWORD size = sizeof id, type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, two.Path().c_str(), "ProviderId", RRF_RT_ANY,
                           &type, id, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, 16u);
    const BYTE expected[16] = {0xEE, 0x37, 0x26, 0x3B, 0x80, 0xE5, 0xCF, 0x11,
                               0xA5, 0x55, 0x00, 0xC0, 0x4F, 0xD8, 0xD4, 0xAC};
    EXPECT_EQ(memcmp(id, expected, 16), 0);
    DWORD number = 0;
    size = sizeof number;
    RegGetValueA(HKEY_CURRENT_USER, two.Path().c_str(), "SupportedNameSpace", RRF_RT_REG_DWORD,
                 nullptr, &number, &size);
    EXPECT_EQ(number, 32u);

    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, five.Path(), 2, 5, 2));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_CURRENT_USER, five.Path(), "LibraryPath"));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_CURRENT_USER, five.Path(), "DisplayString"));
    ASSERT_TRUE(RestoreWinsockNamespaceCatalog(HKEY_CURRENT_USER, five.Path(), 2, 6, 1));
    EXPECT_EQ(kutest::RawReadString(HKEY_CURRENT_USER, five.Path(), "LibraryPath"),
              "%SystemRoot%\\system32\\pnrpnsp.dll");
    EXPECT_EQ(WinsockNamespaceDefaults(5, 0).size(), 6u);
    EXPECT_EQ(WinsockNamespaceDefaults(6, 3).size(), 8u);
}

TEST(WinsockCatalog, ResetsRunOnlyThroughTheLauncherWhenPlanned) {
    kutest::RecordingLauncher launcher;
    ForceRemovalPlan plan;
    plan.resetWinsock = true;
    ExecuteForceRemovalPlan(plan);
    const auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].commandLine, "netsh winsock reset");
    EXPECT_EQ(requests[1].commandLine, "netsh firewall reset");
    EXPECT_EQ(requests[0].show, SW_HIDE);
}
