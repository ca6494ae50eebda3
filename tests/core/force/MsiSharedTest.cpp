// Two real Windows Installer packages that share one component: the force scan of the first
// one's folder lists only its own value on the shared component, so after the removal the
// second keeps its registration and the shared file, and still uninstalls with msiexec.
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/InstallerScans.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "support/RecordingDialogs.h"
#include "support/Spawn.h"

using namespace ku;
using namespace kutest;

namespace {

const char kCodeA[] = "{4C1F2E30-5A6B-4C7D-8E9F-0A1B2C3D4E0A}";
const char kCodeB[] = "{4C1F2E30-5A6B-4C7D-8E9F-0A1B2C3D4E0B}";
const char kPackedA[] = "03E2F1C4B6A5D7C4E8F9A0B1C2D3E4A0";
const char kPackedB[] = "03E2F1C4B6A5D7C4E8F9A0B1C2D3E4B0";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Installs both packages for the test and removes whatever is left afterwards, in the view
// the program uses by default: the 64-bit one under WOW64.
struct TwoPackages {
    TwoPackages() {
        RegistryView64 = IsWow64();
        for (const char* letter : {"A", "B"})
            installed += RunAndWait(std::string("msiexec /qn /i ") + kFixtureDir +
                                    "\\force\\KuForceMsi" + letter + ".msi", 120000) == 0;
    }
    ~TwoPackages() {
        for (const char* code : {kCodeA, kCodeB}) {
            RunAndWait(std::string("msiexec /qn /x ") + code, 120000);
            RawDeleteTree(HKEY_LOCAL_MACHINE, kUninstall + std::string(code));
        }
        for (const char* folder : {"\\KuForceMsiA", "\\KuForceMsiB", "\\KuForceShared"})
            DeleteDirectoryTree(Env("ProgramFiles") + folder);
        RegistryView64 = view;
    }
    const bool view = RegistryView64;
    int installed = 0;
};

} // namespace

TEST(MsiShared, RemovingOneProductKeepsTheOthersSharedComponent) {
    ScanState = ScanRun;
    TwoPackages packages;
    ASSERT_EQ(packages.installed, 2);
    const std::string productA = std::string(kInstallerProductsPath) + "\\" + kPackedA;
    const std::string location = RawReadString(HKEY_LOCAL_MACHINE, productA + "\\InstallProperties",
                                               "InstallLocation", KEY_WOW64_64KEY);
    if (!PathExists(location))
        GTEST_SKIP() << "Wine's Windows Installer recorded the install folder as " << location
                     << ", which does not exist (it does so in a 32-bit prefix)";
    const std::string programs = Env("ProgramFiles"), folderA = programs + "\\KuForceMsiA";
    const std::string shared = programs + "\\KuForceShared\\kushared.dll";
    const std::string fileB = programs + "\\KuForceMsiB\\KuForceB.exe";
    ASSERT_TRUE(FileThere(shared));

    TWizardState state;
    ForceRemovalPlan plan;
    ScanInstallerLeftovers(state, folderA, state.LeftoverList, false, nullptr, plan);
    const TUninstallerContents& list = state.LeftoverList;
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_LOCAL_MACHINE", productA)));
    for (const char* other : {kPackedB, "kushared.dll"})
        EXPECT_EQ(CountItems(list, other), 0) << other;
    EXPECT_EQ(CountItems(list, "KUFORCEA.EXE"), 1); // Installer paths are compared upper-cased
    RecordingDialogs permanently; // Yes: deleted, not recycled
    DeleteRegistryLeftovers(list); // then the files, as the removal does
    DeleteFileLeftovers(list);
    EXPECT_FALSE(FileThere(folderA + "\\KuForceA.exe"));
    EXPECT_TRUE(FileThere(shared) && FileThere(fileB));

    // The other product still uninstalls completely, shared file included.
    EXPECT_EQ(RunAndWait(std::string("msiexec /qn /x ") + kCodeB, 120000), 0);
    EXPECT_FALSE(FileThere(fileB) || FileThere(shared));
}
