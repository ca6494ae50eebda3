// Windows Installer, COM and SOFTWARE-key scans: products of a folder (also "C?\" paths),
// components shared with another product, folder entries, class servers with their AppIDs
// and ProgIDs, and the program's own SOFTWARE keys without vendor or Microsoft keys.
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/InstallerScans.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemText;
using kutest::OwnKey;
using kutest::ScratchDir;

namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE";

std::string PackedCode(const std::string& tag, char last) {
    std::string code = "C0DE" + std::to_string(GetCurrentProcessId()) + tag;
    code.resize(31, '0');
    return code + last;
}

// A value of a shared key of its own, removed at the end.
struct OwnValue {
    OwnValue(const std::string& path, const std::string& name) : path(path), name(name) {
        kutest::RawSetString(HKEY_LOCAL_MACHINE, path, name, "", kutest::InstallerView());
    }
    ~OwnValue() {
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, path, name, kutest::InstallerView());
    }
    std::string path, name;
};

} // namespace

TEST(InstallerScans, ProductsComponentsAndFoldersOfTheFolder) {
    ScanState = ScanRun;
    ScratchDir dir;
    const std::string folder = dir.File("Foo App"), lookAlike = dir.File("Foo AppBar");
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(lookAlike.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\own.dll"));
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\shared.dll"));
    const std::string tag = kutest::UniqueTag("");
    const std::string code = PackedCode(tag, '1'), other = PackedCode(tag, '2');
    std::string installerPath = folder + "\\";
    installerPath[1] = '?';
    const REGSAM view = kutest::InstallerView();
    OwnKey product(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code, view);
    product.SetString("InstallProperties", "InstallLocation", installerPath);
    OwnKey canary(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + other, view);
    canary.SetString("InstallProperties", "InstallLocation", lookAlike);
    const std::string components = std::string(kInstallerComponentsPath) + "\\KUC" + tag;
    OwnKey own(HKEY_LOCAL_MACHINE, components + "A", view);
    own.SetString("", code, folder + "\\own.dll");
    OwnKey shared(HKEY_LOCAL_MACHINE, components + "B", view);
    shared.SetString("", code, folder + "\\shared.dll");
    shared.SetString("", other, folder + "\\shared.dll");
    OwnKey foreign(HKEY_LOCAL_MACHINE, components + "C", view);
    foreign.SetString("", other, folder + "\\shared.dll");
    OwnValue folderEntry(kInstallerFoldersPath, folder + "\\");
    OwnValue canaryEntry(kInstallerFoldersPath, lookAlike + "\\");

    TWizardState state;
    ForceRemovalPlan plan;
    ScanInstallerLeftovers(state, folder, state.LeftoverList, true, nullptr, plan);
    EXPECT_EQ(state.LeftoverList.Count(), 0); // the server pass lists nothing itself
    ASSERT_EQ(state.ServerFileList.size(), 1u);
    EXPECT_TRUE(ForcePathWord(folder + "\\own.dll").Matches(state.ServerFileList[0]));

    TUninstallerContents& list = state.LeftoverList;
    ScanInstallerLeftovers(state, folder + "\\", list, false, nullptr, plan);
    EXPECT_TRUE(HasItem(list, ItemText("1", kMachine, product.Path())));
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_CLASSES_ROOT", "Installer\\Products\\" + code)));
    EXPECT_TRUE(HasItem(list, ItemText("1", kMachine, "SOFTWARE\\Classes\\Installer\\Features\\" + code)));
    EXPECT_EQ(kutest::CountItems(list, other), 0);
    EXPECT_EQ(kutest::CountItems(list, "3|" + kMachine + "|" + own.Path()), 1);
    EXPECT_TRUE(HasItem(list, ItemText("1", kMachine, own.Path())));
    // The shared component: only this product's value; key and file stay for the other.
    EXPECT_TRUE(HasItem(list, ItemText("2", kMachine, shared.Path(), code)));
    EXPECT_EQ(kutest::CountItems(list, "1|" + kMachine + "|" + shared.Path()), 0);
    EXPECT_EQ(kutest::CountItems(list, "shared.dll"), 0);
    EXPECT_EQ(kutest::CountItems(list, foreign.Path()), 0);
    EXPECT_TRUE(HasItem(list, ItemText("2", kMachine, kInstallerFoldersPath, folder + "\\")));
    EXPECT_EQ(kutest::CountItems(list, lookAlike), 0);
}

TEST(InstallerScans, DisplayNameGivesTheFirstProductOfThatNameAndItsComponents) {
    ScanState = ScanRun;
    ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("app.exe")));
    const std::string tag = kutest::UniqueTag("");
    const std::string code = PackedCode(tag, '5'), second = PackedCode(tag, '6');
    const std::string name = "KU Display Test " + tag;
    const REGSAM view = kutest::InstallerView();
    OwnKey first(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code, view);
    first.SetString("InstallProperties", "DisplayName", name);
    OwnKey twin(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + second, view);
    twin.SetString("InstallProperties", "DisplayName", name);
    OwnKey component(HKEY_LOCAL_MACHINE, std::string(kInstallerComponentsPath) + "\\KUD" + tag,
                     view);
    component.SetString("", code, dir.File("app.exe"));

    TWizardState state;
    ScanInstallerByDisplayName(state, name, state.LeftoverList, nullptr);
    const TUninstallerContents& list = state.LeftoverList;
    ASSERT_GT(list.Count(), 0);
    EXPECT_EQ(kutest::ItemTexts(list)[0], ItemText("1", kMachine, first.Path(), name));
    EXPECT_EQ(kutest::CountItems(list, second), 0); // the first product of that name only
    EXPECT_TRUE(HasItem(list, ItemText("3", kMachine, component.Path(), code, dir.File("app.exe"))));

    TWizardState none;
    ScanInstallerByDisplayName(none, "No Such Product " + tag, none.LeftoverList, nullptr);
    ScanInstallerByProfile(none, "", none.LeftoverList, nullptr);
    EXPECT_EQ(none.LeftoverList.Count(), 0);
}

TEST(InstallerScans, ComClassesAppIdsAndProgIds) {
    ScanState = ScanRun;
    ScratchDir dir;
    const std::string folder = dir.File("Foo App");
    CreateDirectoryA(folder.c_str(), nullptr);
    kutest::ScratchKey scratch;
    const std::string base = scratch.Sub("Classes");
    const std::string own = "{11111111-2222-3333-4444-555555555555}";
    const std::string canary = "{11111111-2222-3333-4444-666666666666}";
    OwnKey classes(HKEY_CURRENT_USER, base);
    classes.SetString("CLSID\\" + own + "\\InprocServer32", "", "\"" + folder + "\\foo.dll\"");
    classes.SetString("CLSID\\" + own, "AppID", "{aaaaaaaa-0000-0000-0000-000000000001}");
    classes.SetString("CLSID\\" + canary + "\\LocalServer32", "", folder + "Bar\\foo.exe /auto");
    classes.SetString("Ku.Foo\\CLSID", "", LowerCase(own));
    classes.SetString("Ku.Canary\\CLSID", "", canary);

    TWizardState state;
    ScanComLeftovers(state, folder, HKEY_CURRENT_USER, nullptr, state.LeftoverList, base);
    const std::vector<std::string> expected = {
        ItemText("1", "HKEY_CURRENT_USER", base + "\\CLSID\\" + own),
        ItemText("1", "HKEY_CURRENT_USER", base + "\\AppID\\{AAAAAAAA-0000-0000-0000-000000000001}"),
        ItemText("1", "HKEY_CURRENT_USER", base + "\\Ku.Foo"),
    };
    EXPECT_EQ(kutest::ItemTexts(state.LeftoverList), expected);
}

TEST(InstallerScans, SoftwareKeysOfTheFolderOnly) {
    const std::string name = kutest::UniqueTag("Foo App ");
    OwnKey user(HKEY_CURRENT_USER, "Software\\" + name);
    TUninstallerContents list;
    ScanSoftwareKeysOfFolder({"SOFTWARE\\" + name + "\\Settings",
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\" + name + " Pro\\x",
                              "SOFTWARE\\Wow6432Node\\Microsoft\\" + name,
                              "SOFTWARE\\Wow6432Node\\Vendor\\" + name,
                              "SOFTWARE\\Foo"},
                             "C:\\Programs\\" + name + "\\", list);
    const std::vector<std::string> expected = {
        ItemText("1", kMachine, "SOFTWARE\\" + name),
        ItemText("1", "HKEY_CURRENT_USER", "SOFTWARE\\" + name),
        ItemText("1", kMachine, "SOFTWARE\\Acme\\" + name + " Pro"),
        ItemText("1", kMachine, "SOFTWARE\\Wow6432Node\\Vendor\\" + name),
    };
    EXPECT_EQ(kutest::ItemTexts(list), expected);
    TUninstallerContents none;
    ScanSoftwareKeysOfFolder({"SOFTWARE\\Microsoft\\Windows"}, "C:\\x\\Microsoft", none);
    ScanSoftwareKeysOfFolder({"SOFTWARE\\x"}, "  ", none);
    ScanSoftwareKeysOfFolder({}, "C:\\x\\y", none);
    EXPECT_EQ(none.Count(), 0);
}
