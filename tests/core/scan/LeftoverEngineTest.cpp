// The generic leftover engine: Installer component registrations (shared ones too), the code
// walks, folder scans, install folders and the two removers.
#include <gtest/gtest.h>

#include "core/force/ForceSupport.h"
#include "core/removal/WizardTestSupport.h"
#include <memory>

#include "core/scan/LeftoverEngine.h"
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

const std::string kMachine = "HKEY_LOCAL_MACHINE", kUser = "HKEY_CURRENT_USER";

// A packed product code of its own per test (32 upper-case hex digits).
std::string MakeCode() {
    char code[40];
    snprintf(code, sizeof code, "%08lX%08lXAB12CD34EF56AB78", GetCurrentProcessId(),
             static_cast<unsigned long>(GetTickCount() + rand()));
    return code;
}

} // namespace

TEST(LeftoverEngine, ComponentsAreTheProductsFileElseItsKeyAndSharedOnesKeepTheOthersValue) {
    ScanState = ScanRun;
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("own.dll")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("shared.dll")));
    const std::string code = MakeCode(), other = MakeCode() + "0";
    char wow[MAX_PATH] = {};
    GetSystemWow64DirectoryA(wow, sizeof wow);
    // Windows' files in any spelling and in the 32-bit system folder are no product files.
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("own.dll"), "3"},
        {dir.File("gone.dll"), "1"},
        {GetSystemDir() + "\\kernel32.dll", "1"},
        {UpperCase(GetSystemDir()) + "\\KERNEL32.DLL", "1"},
        {std::string(wow) + "\\kernel32.dll", "1"},
    };
    const std::string tag = kutest::UniqueTag("KUENG");
    std::vector<std::unique_ptr<OwnKey>> keys;
    for (const auto& c : cases) {
        keys.push_back(std::make_unique<OwnKey>(
            HKEY_LOCAL_MACHINE, std::string(kInstallerComponentsPath) + "\\" + tag +
                                    std::to_string(keys.size()), kutest::InstallerView()));
        keys.back()->SetString("", code, c.first);
    }
    OwnKey shared(HKEY_LOCAL_MACHINE, std::string(kInstallerComponentsPath) + "\\" + tag + "S",
                  kutest::InstallerView());
    shared.SetString("", code, dir.File("shared.dll"));
    shared.SetString("", other, dir.File("shared.dll"));

    TUninstallerContents list;
    SearchRegistryLeftoversEx({code}, list, {});
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string file = cases[i].second[0] == '3' ? cases[i].first : "";
        EXPECT_TRUE(HasItem(list, ItemText(cases[i].second, kMachine, keys[i]->Path(), code, file)))
            << cases[i].first;
    }
    EXPECT_EQ(kutest::CountItems(list, "|" + shared.Path() + "|"), 1);
    EXPECT_TRUE(HasItem(list, ItemText("2", kMachine, shared.Path(), code)));

    // The Stop button ends the removal before it starts; then it runs.
    const REGSAM view = kutest::InstallerView();
    ScanState = ScanStopRemoving;
    DeleteRegistryLeftovers(list);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, keys[1]->Path(), view));
    ScanState = ScanRun;
    DeleteRegistryLeftovers(list);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, keys[1]->Path(), view));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared.Path(), code, view));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared.Path(), other, view));
    EXPECT_TRUE(kutest::FileThere(dir.File("shared.dll")));
}

TEST(LeftoverEngine, CodeWalkFindsKeysNamesAndExactStringDataAndAnEmptyCodeNothing) {
    ScanState = ScanRun;
    const std::string code = MakeCode();
    kutest::ScratchKey scratch;
    OwnKey named(HKEY_CURRENT_USER, scratch.Sub(LowerCase(code)));
    OwnKey values(HKEY_CURRENT_USER, scratch.Sub("Values"));
    values.SetString("", code, "anything");
    values.SetString("", "Exact", code);
    values.SetString("", "Expand", code, REG_EXPAND_SZ);
    values.SetString("", "Longer", code + "x");

    TUninstallerContents list, empty;
    SearchRegistryLeftoversEx({MakeCode(), code}, list, {});
    EXPECT_TRUE(HasItem(list, ItemText("1", kUser, named.Path())));
    EXPECT_TRUE(HasItem(list, ItemText("2", kUser, values.Path(), code)));
    EXPECT_TRUE(HasItem(list, ItemText("2", kUser, values.Path(), "Exact")));
    EXPECT_EQ(kutest::CountItems(list, "|Expand|") + kutest::CountItems(list, "|Longer|"), 0);
    SearchRegistryLeftovers("", empty, {});
    ScanState = ScanStop; // Stop ends the walk at once
    SearchRegistryLeftovers(code, empty, {});
    ScanState = ScanRun;
    EXPECT_EQ(empty.Count(), 0);
}

TEST(LeftoverEngine, FolderScanListsFilesBelowItAndOfTheInstallLocation) {
    ScanState = ScanRun;
    ScratchDir dir;
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    CreateDirectoryA(dir.File("sub\\recent stuff").c_str(), nullptr);
    for (const char* file : {"a.txt", "sub\\b.txt", "sub\\recent stuff\\c.txt"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(file)));
    TUninstallerContents list;
    ScanFolderLeftovers(dir.Path(), {}, list);
    // No folder items, and a "Recent" folder ends its folder's scan.
    EXPECT_EQ(kutest::ItemTexts(list), (std::vector<std::string>{
                                           ItemText("3", "", "", "", dir.File("a.txt")),
                                           ItemText("3", "", "", "", dir.File("sub\\b.txt"))}));

    const std::string code = MakeCode();
    OwnKey product(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code,
                   kutest::InstallerView());
    product.SetString("InstallProperties", "InstallLocation", dir.File("sub") + "\\");
    TUninstallerContents located;
    std::vector<std::string> lines;
    SearchInstallLocationLeftovers({}, {code, MakeCode()}, lines, located);
    EXPECT_EQ(lines, std::vector<std::string>{dir.File("sub\\b.txt")});
}

TEST(LeftoverEngine, FileRemoverAsksOnceAndRespectsTheGuard) {
    ScanState = ScanRun;
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("one.txt")));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("two.txt")));
    TUninstallerContents list, bin;
    for (const std::string& path : {dir.File("one.txt"), GetWindowsDir(), std::string("C:\\")})
        kutest::AddFileItem(list, path);
    kutest::AddFileItem(bin, dir.File("two.txt"));
    int asked = 0;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        EXPECT_EQ(call.caption, "Remove Options");
        return ++asked == 1 ? IDYES : IDNO; // then: into the Recycle Bin
    });
    kutest::RecordingLauncher launcher;
    DeleteFileLeftovers(list);
    EXPECT_EQ(asked, 1);
    DeleteFileLeftovers(bin);
    SetMessageBoxHook(nullptr);
    EXPECT_FALSE(kutest::FileThere(dir.File("one.txt")));
    EXPECT_FALSE(kutest::FileThere(dir.File("two.txt")));
    EXPECT_TRUE(kutest::PathExists(GetWindowsDir() + "\\system32"));
    EXPECT_TRUE(launcher.Requests().empty()); // deleted at once: no fallback started
    EXPECT_FALSE(RecycleFile(GetWindowsDir()));
}
