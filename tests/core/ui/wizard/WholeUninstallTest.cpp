// Whole uninstalls of real installer fixtures through the wizard window, checked by difference:
// the registry and drive C: before and after must differ in exactly the expected way, and no
// canary (look-alike program, other programs' entries, the user's documents) may change.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <regex>
#include <tuple>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/main/MainUnit.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/PlantedRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;
using namespace wizardtest;

namespace {

const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kRun = kCurrentVersion + "Run", kShared = kCurrentVersion + "SharedDLLs";
const std::string kAppPaths = kCurrentVersion + "App Paths\\";
const std::string kUninstall = kCurrentVersion + "Uninstall\\";

// A second program with a name that begins like ours, other programs' shared entries and the
// user's notes. All of it must survive the uninstall untouched.
class Canaries {
public:
    Canaries() : folder_(ProgramFiles32() + "\\KuDemoAppBar") {
        const HKEY lm = HKEY_LOCAL_MACHINE, cu = HKEY_CURRENT_USER;
        CreateDirectoryA(folder_.c_str(), nullptr);
        kutest::WriteTextFile(folder_ + "\\bar.dll", "bar");
        const std::string exe = folder_ + "\\KuDemoAppBar.exe", other = "C:\\Other\\tool.exe";
        using Planted = std::tuple<HKEY, std::string, std::string, std::string>;
        const std::string bar = kUninstall + "KuDemoAppBar", own = "Software\\KuDemoAppBar";
        for (const auto& [root, key, name, value] : std::vector<Planted>{
                 {lm, own, "InstallPath", folder_}, {cu, own, "Theme", "dark"},
                 {lm, bar, "DisplayName", "KuDemoAppBar"}, {lm, kRun, "KuDemoAppBar", exe},
                 {lm, bar, "UninstallString", folder_ + "\\uninst.exe"},
                 {lm, bar, "Comments", "Companion of KuDemoApp"},
                 {lm, kAppPaths + "KuDemoAppBar.exe", "", exe},
                 {lm, kAppPaths + "KuOtherTool.exe", "", other},
                 {lm, kRun, "KuOtherTool", other}, {cu, kRun, "KuOtherTool", other}})
            registry_.String(root, key, name, value);
        registry_.Value(lm, kShared, folder_ + "\\bar.dll", REG_DWORD, kutest::DwordBytes(1));
        registry_.Value(lm, kShared, "C:\\Other\\shared.dll", REG_DWORD, kutest::DwordBytes(2));
        document_ = ShellFolder(CSIDL_PERSONAL) + "\\KuDemoApp notes.txt";
        kutest::WriteTextFile(document_, "my notes about KuDemoApp");
        running_ = std::make_unique<kutest::Sleeper>(folder_, "KuDemoAppBar.exe");
    }
    ~Canaries() {
        running_.reset();
        DeleteFileA(document_.c_str());
        RemoveTree(folder_);
    }
    bool StillRunning() const { return running_->Running(); }

private:
    kutest::PlantedRegistry registry_;
    std::string folder_, document_;
    std::unique_ptr<kutest::Sleeper> running_;
};

int RowOf(HWND list, const char* caption) {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = caption;
    return ListView_FindItem(list, -1, &find);
}

// The first package a prefix installs leaves the Windows Installer's own stores behind,
// empty: no trace of the program.
Lines OutsideInstallerStores(Lines lines) {
    static const std::regex store(R"(C:\\WINDOWS\\INSTALLER\\|(?=.*\\Installer).*\\()"
                                  R"(Installer|Features|Products|UpgradeCodes|Components|UserData|S-1-5-18)\\=)");
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& line) { return std::regex_match(line, store); }),
                lines.end());
    return lines;
}

class WholeUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryView64 = IsWow64();
        ScanState = ScanRun;
    }
    void TearDown() override {
        RegistryView64 = false;
        SetMessageBoxHook(nullptr);
    }
    const std::string wow = kutest::RunningUnderWow64() ? "Software\\Wow6432Node\\" : "Software\\";
};

} // namespace

// A user at the real main window: the 32-bit program is listed in the 32-bit view, its wizard
// is clicked through, and the list no longer shows it afterwards.
TEST_F(WholeUninstall, NsisProgramThroughTheMainWindowLosesExactlyItsLeftovers) {
    DemoApp app;
    Canaries canaries;
    SetMessageBoxHook([](const MessageBoxCall&) { return IDYES; });
    TUnInstallForm main;
    ASSERT_TRUE(main.Create(nullptr));
    main.Show();
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    ASSERT_EQ(app.Install(), 0);
    if (kutest::RunningUnderWow64())
        SendMessageA(main.Item(IDC_MAIN_SYSBIT32), BM_CLICK, 0, 0);
    else
        main.RefreshBtnClick();
    const HWND list = main.ListView();
    const int row = RowOf(list, "KuDemoApp");
    ASSERT_GE(row, 0);
    main.SelectRow(row);
    {
        Clicker user([] { return UninstallStepForm ? UninstallStepForm->Handle() : nullptr; },
                     {{IDC_STEP_ABVERSION, IDC_STEP_STEPBITBTN},
                      {IDC_STEP_SCANSTEP1, IDC_STEP_STEPBITBTN},
                      {IDC_STEP_REGLISTVIEW, IDC_STEP_STEPBITBTN},
                      {IDC_STEP_ABFINISH, IDC_STEP_STEPBITBTN}});
        main.UninstallBtnClick(); // returns when the wizard has closed
        EXPECT_EQ(user.Clicks(), 4);
    }
    EXPECT_LT(RowOf(list, "KuDemoApp"), 0) << "the list is reloaded after the wizard";
    EXPECT_TRUE(canaries.StillRunning());

    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    EXPECT_EQ(registry.removed, Lines{});
    EXPECT_EQ(registry.added, Lines{});
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(drive.removed, Lines{});
    // The uninstaller could not remove its folder while the settings were in it; the scan
    // lists files only, so the emptied folders stay.
    EXPECT_EQ(drive.added, (Lines{UpperCase(app.install) + "\\", UpperCase(app.install) + "\\DATA\\",
                                  UpperCase(app.appData) + "\\"}));
}

TEST_F(WholeUninstall, MsiProgramWithoutADriveInItsCommand) {
    const std::string code = "{7A9E5C21-3B4D-4E8F-A1B2-C3D4E5F60718}";
    const std::string data = ShellFolder(CSIDL_COMMON_APPDATA) + "\\" + code;
    const std::string vendor = "Software\\KuDemoVendor";
    // A run that failed half-way may have left the package installed, or its registration
    // half deleted with the package's own keys and folder behind.
    kutest::RunAndWait("msiexec /x " + code + " /qn", 120000);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, "Software\\KuDemoMsi", KEY_WOW64_32KEY);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE,
                          kCurrentVersion + "Installer\\UserData\\S-1-5-18\\Components\\" +
                              "12C5E9A7D4B3F8E41A2B3C4D5E6F70A1",
                          KEY_WOW64_64KEY);
    RemoveTree(ProgramFiles32() + "\\KuDemoMsi");
    // What the program left at run time, next to what must stay.
    CreateDirectoryA(data.c_str(), nullptr);
    kutest::WriteTextFile(data + "\\cache.dat", "cache");
    kutest::RawSetString(HKEY_CURRENT_USER, "Software\\" + code + "\\Settings", "Level", "1", 0);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, vendor, "ProductCode", code, 0);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, vendor, "Keep", "other products", 0);
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    ASSERT_EQ(kutest::RunAndWait(
                  "msiexec /i \"" + kutest::Fixture("wizard\\KuDemoMsi.msi") + "\" /qn", 120000),
              0);
    std::string command;
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)})
        if (command.empty())
            command = kutest::RawReadString(HKEY_LOCAL_MACHINE, kUninstall + code,
                                            "UninstallString", view);
    ASSERT_EQ(command, "MsiExec.exe /I" + code);
    // The command names no drive, so the file scan walks the system drive. Started as it
    // stands, "/I" would only repair: the wizard must run the removal (quietly here).
    const WizardRun run = RunWizard("KuDemoMsi", code, NormalizeUninstallCommand(command) + " /qn");
    EXPECT_EQ(run.uninstallDone, 1);

    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const std::vector<std::string> expectedGone = {
        "HKCU\\Software\\" + code + "\\=",
        "HKCU\\Software\\" + code + "\\Settings\\=",
        "HKCU\\Software\\" + code + "\\Settings\\\\Level=1:3100",
        "HKLM\\" + wow + "KuDemoVendor\\\\ProductCode=1:",
    };
    ASSERT_EQ(registry.removed.size(), expectedGone.size()) << ::testing::PrintToString(registry.removed);
    for (size_t i = 0; i < expectedGone.size(); ++i)
        EXPECT_EQ(registry.removed[i].rfind(expectedGone[i], 0), 0u) << registry.removed[i];
    EXPECT_EQ(OutsideInstallerStores(registry.added), Lines{});
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(drive.removed, Lines{UpperCase(data + "\\cache.dat")});
    EXPECT_EQ(OutsideInstallerStores(drive.added), Lines{});

    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, vendor, 0);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\" + code, 0);
    RemoveTree(data);
}
