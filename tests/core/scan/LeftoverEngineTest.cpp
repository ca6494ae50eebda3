// The generic leftover engine: Installer component registrations (shared ones too), the code
// walks, folder scans, install folders and the two removers.
#include <gtest/gtest.h>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingLauncher.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE", kUser = "HKEY_CURRENT_USER";

class LeftoverEngine : public WizardTest {
protected:
    ScratchDir dir;
};

} // namespace

TEST_F(LeftoverEngine, ComponentsAreTheProductsFileElseItsKeyAndSharedOnesKeepTheOthersValue) {
    const std::string own = PlantFile(dir, "own.dll"), shared = PlantFile(dir, "shared.dll");
    const std::string code = UniqueCode(), other = UniqueCode() + "0";
    char wow[MAX_PATH] = {};
    GetSystemWow64DirectoryA(wow, sizeof wow);
    // Windows' files in any spelling and in the 32-bit system folder are no product files.
    const std::pair<std::string, const char*> cases[] = {
        {own, "3"}, {dir.File("gone.dll"), "1"}, {GetSystemDir() + "\\kernel32.dll", "1"},
        {UpperCase(GetSystemDir()) + "\\KERNEL32.DLL", "1"},
        {std::string(wow) + "\\kernel32.dll", "1"},
    };
    const REGSAM view = InstallerView();
    const std::string components =
        std::string(kInstallerComponentsPath) + "\\" + UniqueTag("KUENG");
    const std::string gone = components + "1", sharedKey = components + "S";
    PlantedRegistry planted(view);
    for (size_t i = 0; i < std::size(cases); ++i)
        planted.String(HKEY_LOCAL_MACHINE, components + std::to_string(i), code, cases[i].first);
    for (const std::string& product : {code, other})
        planted.String(HKEY_LOCAL_MACHINE, sharedKey, product, shared);

    TUninstallerContents list;
    SearchRegistryLeftoversEx({code}, list, {});
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string file = cases[i].second[0] == '3' ? cases[i].first : "";
        const std::string key = components + std::to_string(i);
        EXPECT_TRUE(HasItem(list, ItemText(cases[i].second, kMachine, key, code, file))) << key;
    }
    EXPECT_EQ(CountItems(list, "|" + sharedKey + "|"), 1);
    EXPECT_TRUE(HasItem(list, ItemText("2", kMachine, sharedKey, code)));

    // The Stop button ends the removal before it starts; then it runs.
    ScanState = ScanStopRemoving;
    DeleteRegistryLeftovers(list);
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, gone, view));
    ScanState = ScanRun;
    DeleteRegistryLeftovers(list);
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, gone, view));
    EXPECT_FALSE(RawValueExists(HKEY_LOCAL_MACHINE, sharedKey, code, view));
    EXPECT_TRUE(RawValueExists(HKEY_LOCAL_MACHINE, sharedKey, other, view));
    EXPECT_TRUE(FileThere(shared));
}

TEST_F(LeftoverEngine, CodeWalkFindsKeysNamesAndExactStringDataAndAnEmptyCodeNothing) {
    const std::string code = UniqueCode();
    ScratchKey scratch;
    const std::string named = scratch.Sub(LowerCase(code)), values = scratch.Sub("Values");
    RawCreateKey(HKEY_CURRENT_USER, named);
    RawSetString(HKEY_CURRENT_USER, values, code, "anything");
    RawSetString(HKEY_CURRENT_USER, values, "Exact", code);
    RawSetString(HKEY_CURRENT_USER, values, "Expand", code, 0, REG_EXPAND_SZ);
    RawSetString(HKEY_CURRENT_USER, values, "Longer", code + "x");

    TUninstallerContents list, empty;
    SearchRegistryLeftoversEx({UniqueCode(), code}, list, {});
    for (const std::string& item : {ItemText("1", kUser, named), ItemText("2", kUser, values, code),
                                    ItemText("2", kUser, values, "Exact")})
        EXPECT_TRUE(HasItem(list, item)) << item;
    EXPECT_EQ(CountItems(list, "|Expand|") + CountItems(list, "|Longer|"), 0);
    SearchRegistryLeftovers("", empty, {});
    ScanState = ScanStop; // Stop ends the walk at once
    SearchRegistryLeftovers(code, empty, {});
    EXPECT_EQ(empty.Count(), 0);
}

TEST_F(LeftoverEngine, FolderScanListsFilesBelowItAndOfTheInstallLocation) {
    for (const char* file : {"a.txt", "sub\\b.txt", "sub\\recent stuff\\c.txt"})
        PlantFile(dir, file);
    TUninstallerContents list;
    ScanFolderLeftovers(dir.Path(), {}, list);
    // No folder items, and a "Recent" folder ends its folder's scan.
    EXPECT_EQ(ItemTexts(list), (Lines{ItemText("3", "", "", "", dir.File("a.txt")),
                                      ItemText("3", "", "", "", dir.File("sub\\b.txt"))}));

    const std::string code = UniqueCode();
    PlantedRegistry product(InstallerView());
    product.String(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code +
                   "\\InstallProperties", "InstallLocation", dir.File("sub") + "\\");
    // A location that climbs out of its folder with ".." names another program's folder.
    const std::string climbing = UniqueCode();
    product.String(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + climbing +
                   "\\InstallProperties", "InstallLocation", dir.File("sub\\..\\"));
    TUninstallerContents located;
    Lines lines;
    SearchInstallLocationLeftovers({}, {code, UniqueCode(), climbing}, lines, located);
    EXPECT_EQ(lines, Lines{dir.File("sub\\b.txt")});
}

TEST_F(LeftoverEngine, FileRemoverAsksOnceAndRespectsTheGuard) {
    const std::string root = "C:\\";
    TUninstallerContents list, bin;
    for (const std::string& path : {PlantFile(dir, "one.txt"), GetWindowsDir(), root})
        AddFileItem(list, path);
    AddFileItem(bin, PlantFile(dir, "two.txt"));
    int asked = 0;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        EXPECT_EQ(call.caption, "Remove Options");
        return ++asked == 1 ? IDYES : IDNO; // then: into the Recycle Bin
    });
    RecordingLauncher launcher;
    DeleteFileLeftovers(list);
    EXPECT_EQ(asked, 1);
    DeleteFileLeftovers(bin);
    SetMessageBoxHook(nullptr);
    EXPECT_FALSE(FileThere(dir.File("one.txt")) || FileThere(dir.File("two.txt")));
    EXPECT_TRUE(PathExists(GetWindowsDir() + "\\system32"));
    EXPECT_TRUE(launcher.Requests().empty()); // deleted at once: no fallback started
}
