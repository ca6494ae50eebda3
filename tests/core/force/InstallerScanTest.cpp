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
#include "support/PlantedRegistry.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE", kUser = "HKEY_CURRENT_USER";

class InstallerScans : public ::testing::Test {
protected:
    void SetUp() override { ScanState = ScanRun; }
    // Installer keys at their fixed places, in the view Windows Installer keeps them in.
    void Plant(const std::string& key, const std::string& name, const std::string& value) {
        planted.String(HKEY_LOCAL_MACHINE, key, name, value);
    }
    const std::string tag = UniqueTag("");
    const std::string products = std::string(kInstallerProductsPath) + "\\";
    const std::string components = std::string(kInstallerComponentsPath) + "\\KUC" + tag;
    PlantedRegistry planted{InstallerView()};
    ScratchDir dir;
    TWizardState state;
};

} // namespace

TEST_F(InstallerScans, ProductsComponentsAndFoldersOfTheFolder) {
    const std::string folder = MakeFolder(dir, "Foo App"), own = PlantFile(dir, "Foo App\\own.dll");
    const std::string lookAlike = MakeFolder(dir, "Foo AppBar");
    const std::string sharedFile = PlantFile(dir, "Foo App\\shared.dll");
    const std::string code = UniqueCode(), other = UniqueCode();
    std::string installerPath = folder + "\\";
    installerPath[1] = '?';
    Plant(products + code + "\\InstallProperties", "InstallLocation", installerPath);
    Plant(products + other + "\\InstallProperties", "InstallLocation", lookAlike);
    const std::string ownKey = components + "A", shared = components + "B";
    const std::string foreign = components + "C";
    Plant(ownKey, code, own);
    Plant(shared, code, sharedFile);
    Plant(shared, other, sharedFile);
    Plant(foreign, other, sharedFile);
    Plant(kInstallerFoldersPath, folder + "\\", "");
    Plant(kInstallerFoldersPath, lookAlike + "\\", "");

    ForceRemovalPlan plan;
    ScanInstallerLeftovers(state, folder, state.LeftoverList, true, nullptr, plan);
    EXPECT_EQ(state.LeftoverList.Count(), 0); // the server pass lists nothing itself
    ASSERT_EQ(state.ServerFileList.size(), 1u);
    EXPECT_TRUE(ForcePathWord(own).Matches(state.ServerFileList[0]));

    TUninstallerContents& list = state.LeftoverList;
    ScanInstallerLeftovers(state, folder + "\\", list, false, nullptr, plan);
    for (const std::string& item :
         {ItemText("1", kMachine, products + code),
          ItemText("1", "HKEY_CLASSES_ROOT", "Installer\\Products\\" + code),
          ItemText("1", kMachine, "SOFTWARE\\Classes\\Installer\\Features\\" + code),
          ItemText("1", kMachine, ownKey),
          ItemText("2", kMachine, kInstallerFoldersPath, folder + "\\"),
          // The shared component: only this product's value; key and file stay for the other.
          ItemText("2", kMachine, shared, code)})
        EXPECT_TRUE(HasItem(list, item)) << item;
    EXPECT_EQ(CountItems(list, "3|" + kMachine + "|" + ownKey), 1);
    for (const std::string& part :
         {other, "1|" + kMachine + "|" + shared, std::string("shared.dll"), foreign, lookAlike})
        EXPECT_EQ(CountItems(list, part), 0) << part;
}

TEST_F(InstallerScans, DisplayNameGivesTheFirstProductOfThatNameAndItsComponents) {
    const std::string app = PlantFile(dir, "app.exe");
    const std::string code = UniqueCode(), second = UniqueCode();
    const std::string name = "KU Display Test " + tag;
    for (const std::string& product : {code, second})
        Plant(products + product + "\\InstallProperties", "DisplayName", name);
    Plant(components, code, app);

    ScanInstallerByDisplayName(state, name, state.LeftoverList, nullptr);
    const TUninstallerContents& list = state.LeftoverList;
    ASSERT_GT(list.Count(), 0);
    EXPECT_EQ(ItemTexts(list)[0], ItemText("1", kMachine, products + code, name));
    EXPECT_EQ(CountItems(list, second), 0); // the first product of that name only
    EXPECT_TRUE(HasItem(list, ItemText("3", kMachine, components, code, app)));

    TWizardState none;
    ScanInstallerByDisplayName(none, "No Such Product " + tag, none.LeftoverList, nullptr);
    ScanInstallerByProfile(none, "", none.LeftoverList, nullptr);
    EXPECT_EQ(none.LeftoverList.Count(), 0);
}

TEST_F(InstallerScans, ComClassesAppIdsAndProgIds) {
    const std::string folder = MakeFolder(dir, "Foo App");
    ScratchKey scratch;
    const std::string base = scratch.Sub("Classes");
    const std::string own = "{11111111-2222-3333-4444-555555555555}";
    const std::string canary = "{11111111-2222-3333-4444-666666666666}";
    const std::string values[][3] = { // key below the classes, name, data
        {"CLSID\\" + own + "\\InprocServer32", "", "\"" + folder + "\\foo.dll\""},
        {"CLSID\\" + own, "AppID", "{aaaaaaaa-0000-0000-0000-000000000001}"},
        {"CLSID\\" + canary + "\\LocalServer32", "", folder + "Bar\\foo.exe /auto"},
        {"Ku.Foo\\CLSID", "", LowerCase(own)}, {"Ku.Canary\\CLSID", "", canary}};
    for (const auto& v : values)
        RawSetString(HKEY_CURRENT_USER, base + "\\" + v[0], v[1], v[2]);

    ScanComLeftovers(state, folder, HKEY_CURRENT_USER, nullptr, state.LeftoverList, base);
    EXPECT_EQ(ItemTexts(state.LeftoverList),
              (Lines{ItemText("1", kUser, base + "\\CLSID\\" + own),
                     ItemText("1", kUser, base + "\\AppID\\{AAAAAAAA-0000-0000-0000-000000000001}"),
                     ItemText("1", kUser, base + "\\Ku.Foo")}));
}

TEST_F(InstallerScans, SoftwareKeysOfTheFolderOnly) {
    const std::string name = UniqueTag("Foo App ");
    PlantedRegistry user;
    user.Key(HKEY_CURRENT_USER, "Software\\" + name);
    TUninstallerContents list, none;
    ScanSoftwareKeysOfFolder({"SOFTWARE\\" + name + "\\Settings",
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\" + name + " Pro\\x",
                              "SOFTWARE\\Wow6432Node\\Microsoft\\" + name,
                              "SOFTWARE\\Wow6432Node\\Vendor\\" + name, "SOFTWARE\\Foo"},
                             "C:\\Programs\\" + name + "\\", list);
    EXPECT_EQ(ItemTexts(list),
              (Lines{ItemText("1", kMachine, "SOFTWARE\\" + name),
                     ItemText("1", kUser, "SOFTWARE\\" + name),
                     ItemText("1", kMachine, "SOFTWARE\\Acme\\" + name + " Pro"),
                     ItemText("1", kMachine, "SOFTWARE\\Wow6432Node\\Vendor\\" + name)}));
    ScanSoftwareKeysOfFolder({"SOFTWARE\\Microsoft\\Windows"}, "C:\\x\\Microsoft", none);
    ScanSoftwareKeysOfFolder({"SOFTWARE\\x"}, "  ", none);
    ScanSoftwareKeysOfFolder({}, "C:\\x\\y", none);
    EXPECT_EQ(none.Count(), 0);
}
