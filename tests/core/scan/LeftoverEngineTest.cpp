// The generic leftover engine: Installer component registrations (shared ones too), the code
// walks, folder scans, install folders and the two removers.
#include <gtest/gtest.h>

#include "core/force/ForceSupport.h"
#include "core/scan/LeftoverEngine.h"
#include "core/scan/RegValueList.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemText;
using kutest::OwnKey;
using kutest::ScratchDir;

namespace {

// A packed product code of its own per test (32 upper-case hex digits).
std::string MakeCode() {
    char code[40];
    snprintf(code, sizeof code, "%08lX%08lXAB12CD34EF56AB78", GetCurrentProcessId(),
             static_cast<unsigned long>(GetTickCount() + rand()));
    return code;
}

struct Component {
    explicit Component(const std::string& name)
        : key(HKEY_LOCAL_MACHINE, std::string(kInstallerComponentsPath) + "\\" + name,
              kutest::InstallerView()) {}
    OwnKey key;
};

} // namespace

TEST(LeftoverEngine, ComponentsFileKeyAndSharedValue) {
    ScanState = ScanRun;
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("own.dll")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("shared.dll")));
    const std::string code = MakeCode(), other = MakeCode() + "0";
    const std::string tag = kutest::UniqueTag("KUENG");
    Component file(tag + "A"), missing(tag + "B"), system(tag + "C"), shared(tag + "D"),
        upperSystem(tag + "E"), wow(tag + "F");
    file.key.SetString("", code, dir.File("own.dll"));
    missing.key.SetString("", code, dir.File("gone.dll"));
    system.key.SetString("", code, GetSystemDir() + "\\kernel32.dll");
    // Windows' files in any spelling and in the 32-bit system folder are no product files.
    upperSystem.key.SetString("", code, UpperCase(GetSystemDir()) + "\\KERNEL32.DLL");
    char wowFolder[MAX_PATH] = {};
    GetSystemWow64DirectoryA(wowFolder, sizeof wowFolder);
    wow.key.SetString("", code, std::string(wowFolder) + "\\kernel32.dll");
    shared.key.SetString("", code, dir.File("shared.dll"));
    shared.key.SetString("", other, dir.File("shared.dll"));

    TUninstallerContents list;
    SearchRegistryLeftoversEx({code}, list, {});
    const std::string root = "HKEY_LOCAL_MACHINE";
    EXPECT_TRUE(HasItem(list, ItemText("3", root, file.key.Path(), code, dir.File("own.dll"))));
    EXPECT_TRUE(HasItem(list, ItemText("1", root, missing.key.Path(), code)));
    EXPECT_TRUE(HasItem(list, ItemText("1", root, system.key.Path(), code)));
    EXPECT_TRUE(HasItem(list, ItemText("1", root, upperSystem.key.Path(), code)));
    EXPECT_EQ(kutest::CountItems(list, "3|" + root + "|" + wow.key.Path()), 0);
    // Another product still uses the shared component: only this product's value goes.
    EXPECT_TRUE(HasItem(list, ItemText("2", root, shared.key.Path(), code)));
    EXPECT_FALSE(HasItem(list, ItemText("1", root, shared.key.Path(), code)));

    DeleteRegistryLeftovers(list);
    const REGSAM view = kutest::InstallerView();
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, missing.key.Path(), view));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, shared.key.Path(), view));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared.key.Path(), code, view));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared.key.Path(), other, view));
    EXPECT_TRUE(kutest::FileThere(dir.File("shared.dll")));
}

TEST(LeftoverEngine, CodeWalkFindsKeysNamesAndExactStringData) {
    ScanState = ScanRun;
    const std::string code = MakeCode();
    kutest::ScratchKey scratch;
    OwnKey named(HKEY_CURRENT_USER, scratch.Sub(LowerCase(code)));
    named.SetString("", "plain", "x");
    OwnKey values(HKEY_CURRENT_USER, scratch.Sub("Values"));
    values.SetString("", code, "anything");
    values.SetString("", "Exact", code);
    values.SetString("", "Expand", code, REG_EXPAND_SZ);
    values.SetString("", "Longer", code + "x");

    TUninstallerContents one, several;
    SearchRegistryLeftovers(code, one, {});
    const std::string root = "HKEY_CURRENT_USER";
    EXPECT_TRUE(HasItem(one, ItemText("1", root, named.Path())));
    EXPECT_TRUE(HasItem(one, ItemText("2", root, values.Path(), code)));
    EXPECT_TRUE(HasItem(one, ItemText("2", root, values.Path(), "Exact")));
    EXPECT_FALSE(HasItem(one, ItemText("2", root, values.Path(), "Expand")));
    EXPECT_FALSE(HasItem(one, ItemText("2", root, values.Path(), "Longer")));
    // Several codes: one item per matching code.
    SearchRegistryLeftoversEx({MakeCode(), code}, several, {});
    EXPECT_TRUE(HasItem(several, ItemText("2", root, values.Path(), "Exact")));
    // An empty code lists nothing at all.
    TUninstallerContents empty;
    SearchRegistryLeftovers("", empty, {});
    EXPECT_EQ(empty.Count(), 0);
}

TEST(LeftoverEngine, FolderScanAndInstallLocations) {
    ScanState = ScanRun;
    ScratchDir dir;
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    CreateDirectoryA(dir.File("sub\\recent stuff").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("a.txt")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("sub\\b.txt")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("sub\\recent stuff\\c.txt")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("zz.txt")));
    TUninstallerContents list;
    std::vector<std::string> captions;
    LeftoverScanProgress progress{nullptr, [&](const std::string& t) { captions.push_back(t); }};
    ScanFolderLeftovers(dir.Path(), progress, list);
    EXPECT_TRUE(HasItem(list, ItemText("3", "", "", "", dir.File("a.txt"))));
    EXPECT_TRUE(HasItem(list, ItemText("3", "", "", "", dir.File("sub\\b.txt"))));
    EXPECT_TRUE(HasItem(list, ItemText("3", "", "", "", dir.File("zz.txt"))));
    EXPECT_EQ(kutest::CountItems(list, "recent"), 0); // a "Recent" folder ends its folder's scan
    EXPECT_EQ(kutest::CountItems(list, "|" + dir.File("sub") + "|"), 0); // no folder items
    EXPECT_FALSE(captions.empty());

    const std::string code = MakeCode();
    OwnKey product(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code,
                   kutest::InstallerView());
    product.SetString("InstallProperties", "InstallLocation", dir.File("sub") + "\\");
    TUninstallerContents located;
    located.AddItem(); // an item that was there before adds an empty line
    std::vector<std::string> lines;
    SearchInstallLocationLeftovers({}, {code, MakeCode()}, lines, located);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], dir.File("sub\\b.txt"));
    EXPECT_EQ(located.Count(), 2);
}

TEST(LeftoverEngine, FileRemoverAsksOnceAndRespectsTheGuard) {
    ScanState = ScanRun;
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("one.txt")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("two.txt")));
    TUninstallerContents list;
    for (const std::string& path : {dir.File("one.txt"), GetWindowsDir(), std::string("C:\\")}) {
        TContent& item = list.GetItem(list.AddItem()).Content;
        item.ItemType = "3";
        item.FilePath = path;
    }
    int asked = 0;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        ++asked;
        EXPECT_EQ(call.caption, "Remove Options");
        return IDYES;
    });
    kutest::RecordingLauncher launcher;
    DeleteFileLeftovers(list);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(kutest::FileThere(dir.File("one.txt")));
    EXPECT_TRUE(launcher.Requests().empty()); // deleted at once: no fallback started
    // No: into the Recycle Bin.
    list.Clear();
    TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = "3";
    item.FilePath = dir.File("two.txt");
    SetMessageBoxHook([](const MessageBoxCall&) { return IDNO; });
    DeleteFileLeftovers(list);
    SetMessageBoxHook(nullptr);
    EXPECT_FALSE(kutest::FileThere(dir.File("two.txt")));
    EXPECT_FALSE(RecycleFile(GetWindowsDir()));
    EXPECT_FALSE(RecycleFile(""));
}

TEST(LeftoverEngine, StopStateEndsScansAndRemoval) {
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("a.txt")));
    ScanState = ScanStop;
    TUninstallerContents list;
    SearchRegistryLeftovers(MakeCode(), list, {});
    EXPECT_EQ(list.Count(), 0);
    kutest::ScratchKey scratch;
    OwnKey doomed(HKEY_CURRENT_USER, scratch.Sub("Doomed"));
    TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = "1";
    item.RootKeyName = "HKEY_CURRENT_USER";
    item.KeyPath = doomed.Path();
    item.Extra = ScanViewMarker();
    ScanState = ScanStopRemoving;
    DeleteRegistryLeftovers(list);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, doomed.Path()));
    ScanState = ScanRun;
    DeleteRegistryLeftovers(list);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, doomed.Path()));
}
