// Windows Installer, COM and SOFTWARE-key scans: products of a folder (also "C?\" paths),
// components shared with another product, folder entries, the product of a display name; class
// servers and the program's own SOFTWARE keys.
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/InstallerScans.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/PlantedRegistry.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE", kUser = "HKEY_CURRENT_USER";

// One product installed into "Foo App" (its Installer path in the "C?\" form) with a component
// of its own and one it shares with another product of the same name in a look-alike folder.
class InstallerScans : public ::testing::Test {
protected:
    // Installer keys at their fixed places, in the view Windows Installer keeps them in.
    void SetUp() override {
        ScanState = ScanRun;
        std::string installerPath = folder + "\\";
        installerPath[1] = '?';
        const std::string product = products + code + "\\InstallProperties";
        const std::string otherProduct = products + other + "\\InstallProperties";
        const std::string values[][3] = { // key, name, data
            {product, "InstallLocation", installerPath}, {product, "DisplayName", name},
            {otherProduct, "InstallLocation", lookAlike}, {otherProduct, "DisplayName", name},
            {ownKey, code, own}, {shared, code, sharedFile}, {shared, other, sharedFile},
            {foreign, other, sharedFile}, {kInstallerFoldersPath, folder + "\\", ""},
            {kInstallerFoldersPath, lookAlike + "\\", ""}};
        for (const auto& v : values)
            planted.String(HKEY_LOCAL_MACHINE, v[0], v[1], v[2]);
    }
    const std::string tag = UniqueTag(""), name = "KU Display Test " + tag;
    const std::string code = UniqueCode(), other = UniqueCode(); // enumerated in this order
    const std::string products = std::string(kInstallerProductsPath) + "\\";
    const std::string components = std::string(kInstallerComponentsPath) + "\\KUC" + tag;
    const std::string ownKey = components + "A", shared = components + "B";
    const std::string foreign = components + "C";
    PlantedRegistry planted{InstallerView()};
    ScratchDir dir;
    const std::string folder = MakeFolder(dir, "Foo App"), own = PlantFile(dir, "Foo App\\own.dll");
    const std::string lookAlike = MakeFolder(dir, "Foo AppBar");
    const std::string sharedFile = PlantFile(dir, "Foo App\\shared.dll");
    TWizardState state;
    TUninstallerContents& list = state.LeftoverList;
};

} // namespace

TEST_F(InstallerScans, ProductsComponentsAndFoldersOfTheFolder) {
    ForceRemovalPlan plan;
    ScanInstallerLeftovers(state, folder, list, true, nullptr, plan);
    EXPECT_EQ(list.Count(), 0); // the server pass lists nothing itself
    ASSERT_EQ(state.ServerFileList.size(), 1u);
    EXPECT_TRUE(ForcePathWord(own).Matches(state.ServerFileList[0]));

    ScanInstallerLeftovers(state, folder + "\\", list, false, nullptr, plan);
    for (const std::string& item :
         {ItemText("1", kMachine, products + code),
          ItemText("1", "HKEY_CLASSES_ROOT", "Installer\\Products\\" + code),
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

TEST_F(InstallerScans, DisplayNameGivesTheFirstProductOfThatNameOnly) {
    ScanInstallerByDisplayName(state, name, list, nullptr);
    EXPECT_TRUE(HasItem(list, ItemText("1", kMachine, products + code, name)));
    EXPECT_EQ(CountItems(list, other), 0);
    // No product of that name, or no code at all: no empty code to match every key with.
    TWizardState none;
    ScanInstallerByDisplayName(none, "No Such Product " + tag, none.LeftoverList, nullptr);
    ScanInstallerByProfile(none, "", none.LeftoverList, nullptr);
    EXPECT_EQ(none.LeftoverList.Count(), 0);
}

// Texts the code page cannot hold: a product in the folder by such a location is never taken,
// and said to be left alone; a component another product registered by such a path is
// shared, so only this product's value goes.
TEST_F(InstallerScans, TextsTheCodePageCannotHoldAreNeverTakenForTheProduct) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string greek = UniqueCode(), third = components + "D";
    const std::wstring omega = std::wstring(kOmega) + L"mega";
    planted.Key(HKEY_LOCAL_MACHINE, products + greek + "\\InstallProperties");
    ASSERT_TRUE(WideSetString(HKEY_LOCAL_MACHINE, WideOf(products + greek + "\\InstallProperties"),
                              L"InstallLocation", WideOf(folder + "\\") + omega, InstallerView()));
    planted.String(HKEY_LOCAL_MACHINE, third, code, own);
    ASSERT_TRUE(WideSetString(HKEY_LOCAL_MACHINE, WideOf(third), WideOf(other),
                              WideOf(lookAlike + "\\") + omega + L".dll", InstallerView()));
    ForceRemovalPlan plan;
    ScanInstallerLeftovers(state, folder, list, false, nullptr, plan);
    EXPECT_EQ(CountItems(list, greek), 0);
    EXPECT_EQ(state.LeftAloneItems, Lines{kMachine + "\\" + products + greek});
    TWizardState byName;
    ScanInstallerByDisplayName(byName, name, byName.LeftoverList, nullptr);
    EXPECT_TRUE(HasItem(byName.LeftoverList, ItemText("2", kMachine, third, code)));
    EXPECT_EQ(CountItems(byName.LeftoverList, "|" + kMachine + "|" + third + "|"), 1);
}

// Class servers with their AppIDs and ProgIDs, then the program's own SOFTWARE keys without
// vendor or Microsoft keys.
TEST_F(InstallerScans, ComClassesAndSoftwareKeysOfTheFolderOnly) {
    ScratchKey scratch;
    const std::string base = scratch.Sub("Classes");
    const std::string mine = "{11111111-2222-3333-4444-555555555555}";
    const std::string canary = "{11111111-2222-3333-4444-666666666666}";
    const std::string values[][3] = { // key below the classes, name, data
        {"CLSID\\" + mine + "\\InprocServer32", "", "\"" + folder + "\\foo.dll\""},
        {"CLSID\\" + mine, "AppID", "{aaaaaaaa-0000-0000-0000-000000000001}"},
        {"CLSID\\" + canary + "\\LocalServer32", "", lookAlike + "\\foo.exe /auto"},
        {"Ku.Foo\\CLSID", "", LowerCase(mine)}, {"Ku.Canary\\CLSID", "", canary}};
    for (const auto& v : values)
        RawSetString(HKEY_CURRENT_USER, base + "\\" + v[0], v[1], v[2]);
    ScanComLeftovers(state, folder, HKEY_CURRENT_USER, nullptr, list, base);

    const std::string app = UniqueTag("Foo App ");
    ScanSoftwareKeysOfFolder({"SOFTWARE\\Microsoft\\Windows"}, "C:\\x\\Microsoft", list);
    ScanSoftwareKeysOfFolder({"SOFTWARE\\x"}, "  ", list);
    ScanSoftwareKeysOfFolder({"SOFTWARE\\" + app + "\\Settings",
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\" + app + " Pro\\x",
                              "SOFTWARE\\Wow6432Node\\Microsoft\\" + app,
                              "SOFTWARE\\Wow6432Node\\Vendor\\" + app, "SOFTWARE\\Foo"},
                             "C:\\Programs\\" + app + "\\", list);
    EXPECT_EQ(ItemTexts(list),
              (Lines{ItemText("1", kUser, base + "\\CLSID\\" + mine),
                     ItemText("1", kUser, base + "\\AppID\\{AAAAAAAA-0000-0000-0000-000000000001}"),
                     ItemText("1", kUser, base + "\\Ku.Foo"),
                     ItemText("1", kMachine, "SOFTWARE\\" + app),
                     ItemText("1", kMachine, "SOFTWARE\\Acme\\" + app + " Pro"),
                     ItemText("1", kMachine, "SOFTWARE\\Wow6432Node\\Vendor\\" + app)}));
}
