// Whole uninstalls of real installer fixtures through the wizard window, checked by difference:
// the registry and drive C: before and after must differ in exactly the expected way, and no
// canary (look-alike program, other programs' entries, the user's documents) may change.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/UiSupport.h"
#include "core/ui/main/MainUnit.h"
#include "core/ui/main/OtherWindows.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;
using kutest::RawSetString;

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kShared[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string ShellFolder(int id) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, 0, path);
    return path;
}

std::string ProgramFiles32() {
    return ShellFolder(kutest::RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

void RemoveTree(const std::string& path) {
    kutest::RunAndWait("cmd /c rd /s /q \"" + path + "\"", 30000);
}

// What a second program with a name that begins like ours, and other programs' shared
// entries, look like. All of it must survive the uninstall untouched.
class Canaries {
public:
    Canaries() : folder_(ProgramFiles32() + "\\KuDemoAppBar") {
        CreateDirectoryA(folder_.c_str(), nullptr);
        kutest::WriteTextFile(folder_ + "\\bar.dll", "bar");
        RawSetString(HKEY_LOCAL_MACHINE, "Software\\KuDemoAppBar", "InstallPath", folder_, 0);
        RawSetString(HKEY_CURRENT_USER, "Software\\KuDemoAppBar", "Theme", "dark", 0);
        const std::string entry = std::string(kUninstall) + "\\KuDemoAppBar";
        RawSetString(HKEY_LOCAL_MACHINE, entry, "DisplayName", "KuDemoAppBar", 0);
        RawSetString(HKEY_LOCAL_MACHINE, entry, "UninstallString", folder_ + "\\uninst.exe", 0);
        RawSetString(HKEY_LOCAL_MACHINE, entry, "Comments", "Companion of KuDemoApp", 0);
        RawSetString(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\KuDemoAppBar.exe", "",
                     folder_ + "\\KuDemoAppBar.exe", 0);
        RawSetString(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\KuOtherTool.exe", "",
                     "C:\\Other\\tool.exe", 0);
        RawSetString(HKEY_LOCAL_MACHINE, kRun, "KuDemoAppBar", folder_ + "\\KuDemoAppBar.exe", 0);
        RawSetString(HKEY_LOCAL_MACHINE, kRun, "KuOtherTool", "C:\\Other\\tool.exe", 0);
        RawSetString(HKEY_CURRENT_USER, kRun, "KuOtherTool", "C:\\Other\\tool.exe", 0);
        kutest::RawSetDword(HKEY_LOCAL_MACHINE, kShared, folder_ + "\\bar.dll", 1);
        kutest::RawSetDword(HKEY_LOCAL_MACHINE, kShared, "C:\\Other\\shared.dll", 2);
        document_ = ShellFolder(CSIDL_PERSONAL) + "\\KuDemoApp notes.txt";
        kutest::WriteTextFile(document_, "my notes about KuDemoApp");
        running_ = std::make_unique<kutest::Sleeper>(folder_, "KuDemoAppBar.exe");
    }
    ~Canaries() {
        running_.reset();
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, "Software\\KuDemoAppBar", 0);
        kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\KuDemoAppBar", 0);
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\KuDemoAppBar", 0);
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\KuDemoAppBar.exe", 0);
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\KuOtherTool.exe", 0);
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kRun, "KuDemoAppBar");
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kRun, "KuOtherTool");
        kutest::RawDeleteValue(HKEY_CURRENT_USER, kRun, "KuOtherTool");
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kShared, folder_ + "\\bar.dll");
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kShared, "C:\\Other\\shared.dll");
        DeleteFileA(document_.c_str());
        RemoveTree(folder_);
    }
    bool StillRunning() const { return running_->Running(); }

private:
    std::string folder_;
    std::string document_;
    std::unique_ptr<kutest::Sleeper> running_;
};

struct WizardRun {
    int uninstallDone = -1;
    std::vector<std::string> leftovers;
    std::vector<std::string> questions;
};

// Drives the wizard as the main window hands it over and a user clicks through it.
WizardRun RunWizard(const std::string& displayName, const std::string& keyName,
                    const std::string& command, const std::string& screenshotPrefix) {
    WizardRun run;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        run.questions.push_back(call.caption + ": " + call.text);
        return IDYES;
    });
    TUninstallStepForm form;
    form.DisplayName = displayName;
    form.UninstallKeyName = keyName;
    form.UninstallCommand = command;
    form.ProgramName = displayName;
    form.Version = "1.0";
    EXPECT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(100);
    if (!screenshotPrefix.empty())
        uitest::SaveScreenshot(form.Handle(), screenshotPrefix + "0Description");
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), PageScan);
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), PageResult);
    uitest::PumpMessages(100);
    if (!screenshotPrefix.empty())
        uitest::SaveScreenshot(form.Handle(), screenshotPrefix + "3Result");
    for (int i = 0; i < form.State.LeftoverList.Count(); ++i) {
        const TContent& c = form.State.LeftoverList.GetItem(i).Content;
        run.leftovers.push_back(c.ItemType == kItemFile
                                    ? "3 " + UpperCase(c.FilePath)
                                    : c.ItemType + " " + c.RootKeyName + "\\" + c.KeyPath +
                                          (c.ItemType == "2" ? " = " + c.ValueName : ""));
    }
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), PageFinish);
    form.WaitForRemoval();
    uitest::PumpMessages(100);
    if (!screenshotPrefix.empty())
        uitest::SaveScreenshot(form.Handle(), screenshotPrefix + "4Finish");
    form.StepBitBtnClick();
    run.uninstallDone = form.UninstallDone;
    SetMessageBoxHook(nullptr);
    return run;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Every trace of the demo program, so that a run that failed half-way leaves the next a clean
// machine.
void ForgetDemoApp(const std::string& install, const std::string& appData) {
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, "Software\\KuDemoApp", view);
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\KuDemoApp", view);
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\KuDemoApp.exe", view);
    }
    kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\KuDemoApp", 0);
    kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kRun, "KuDemoApp");
    kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kShared, install + "\\KuDemoApp.dll");
    RemoveTree(install);
    RemoveTree(appData);
}

class WholeUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryView64 = IsWow64();
        ScanState = ScanRun;
    }
    void TearDown() override { RegistryView64 = false; }
};

} // namespace

TEST_F(WholeUninstall, NsisProgramLosesExactlyItsLeftovers) {
    const std::string install = ProgramFiles32() + "\\KuDemoApp";
    const std::string appData = ShellFolder(CSIDL_APPDATA) + "\\KuDemoApp";
    ForgetDemoApp(install, appData);
    Canaries canaries;
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    ASSERT_EQ(kutest::RunAndWait("\"" + kutest::Fixture("wizard\\KuDemoAppSetup.exe") + "\" /S"), 0);
    const std::string uninstallString = kutest::RawReadString(
        HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\KuDemoApp", "UninstallString");
    ASSERT_FALSE(uninstallString.empty());

    const WizardRun run = RunWizard("KuDemoApp", "KuDemoApp",
                                    NormalizeUninstallCommand(uninstallString), "NsisWizard");
    EXPECT_EQ(run.uninstallDone, 1);
    const std::string wow = kutest::RunningUnderWow64() ? "Software\\Wow6432Node\\" : "Software\\";
    const std::vector<std::string> expected = {
        "1 HKEY_LOCAL_MACHINE\\" + wow + "KuDemoApp",
        "2 HKEY_LOCAL_MACHINE\\" + wow + "Microsoft\\Windows\\CurrentVersion\\Run = KuDemoApp",
        "2 HKEY_LOCAL_MACHINE\\" + wow + "Microsoft\\Windows\\CurrentVersion\\SharedDLLs = " +
            install + "\\KuDemoApp.dll",
        "1 HKEY_LOCAL_MACHINE\\" + wow + "Microsoft\\Windows\\CurrentVersion\\App Paths\\KuDemoApp.exe",
        "1 HKEY_CURRENT_USER\\Software\\KuDemoApp",
        "3 " + UpperCase(install + "\\data\\settings.ini"),
        "3 " + UpperCase(appData + "\\cache.dat"),
    };
    for (const std::string& line : expected)
        EXPECT_TRUE(HasLine(run.leftovers, line)) << line << "\nlisted:\n" << Join(run.leftovers);
    for (const std::string& line : run.leftovers)
        EXPECT_EQ(line.find("KuDemoAppBar"), std::string::npos) << line;
    EXPECT_TRUE(canaries.StillRunning());

    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    EXPECT_TRUE(registry.removed.empty()) << Join(registry.removed);
    EXPECT_TRUE(registry.added.empty()) << Join(registry.added);
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_TRUE(drive.removed.empty()) << Join(drive.removed);
    // The uninstaller could not remove its folder while the settings were in it; the scan
    // lists files only, so the emptied folders stay.
    const std::vector<std::string> folders = {UpperCase(install) + "\\",
                                              UpperCase(install) + "\\DATA\\",
                                              UpperCase(appData) + "\\"};
    EXPECT_EQ(drive.added, folders) << Join(drive.added);
    ForgetDemoApp(install, appData);
}

TEST_F(WholeUninstall, MsiProgramWithoutADriveInItsCommand) {
    const std::string code = "{7A9E5C21-3B4D-4E8F-A1B2-C3D4E5F60718}";
    const std::string data = ShellFolder(CSIDL_COMMON_APPDATA) + "\\" + code;
    const std::string vendor = "Software\\KuDemoVendor";
    // What the program left at run time, next to what must stay.
    CreateDirectoryA(data.c_str(), nullptr);
    kutest::WriteTextFile(data + "\\cache.dat", "cache");
    RawSetString(HKEY_CURRENT_USER, "Software\\" + code + "\\Settings", "Level", "1", 0);
    RawSetString(HKEY_LOCAL_MACHINE, vendor, "ProductCode", code, 0);
    RawSetString(HKEY_LOCAL_MACHINE, vendor, "Keep", "other products", 0);
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    ASSERT_EQ(kutest::RunAndWait("msiexec /i \"" + kutest::Fixture("wizard\\KuDemoMsi.msi") + "\" /qn",
                                 120000),
              0);
    std::string command;
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)})
        if (command.empty())
            command = kutest::RawReadString(
                HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\" + code, "UninstallString", view);
    ASSERT_EQ(command, "MsiExec.exe /I" + code);
    // The command names no drive, so the file scan walks the system drive. "/I" opens the
    // maintenance dialog where the user picks Remove; the test asks for that removal directly.
    const std::string normalized = NormalizeUninstallCommand(command);
    EXPECT_EQ(normalized, command);
    const WizardRun run = RunWizard("KuDemoMsi", code, "MsiExec.exe /X" + code + " /qn", "");
    EXPECT_EQ(run.uninstallDone, 1);
    const std::string wow = kutest::RunningUnderWow64() ? "Software\\Wow6432Node\\" : "Software\\";
    for (const std::string& line :
         {"1 HKEY_CURRENT_USER\\Software\\" + code, "2 HKEY_LOCAL_MACHINE\\" + wow + "KuDemoVendor = ProductCode",
          "3 " + UpperCase(data + "\\cache.dat")})
        EXPECT_TRUE(HasLine(run.leftovers, line)) << line << "\nlisted:\n" << Join(run.leftovers);

    kutest::Difference registry = kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const std::string vendorKey = "HKLM\\" + wow + "KuDemoVendor\\";
    std::vector<std::string> expectedGone = {
        "HKCU\\Software\\" + code + "\\=",
        "HKCU\\Software\\" + code + "\\Settings\\=",
        "HKCU\\Software\\" + code + "\\Settings\\\\Level=1:3100",
        vendorKey + "\\ProductCode=1:",
    };
    ASSERT_EQ(registry.removed.size(), expectedGone.size()) << Join(registry.removed);
    for (size_t i = 0; i < expectedGone.size(); ++i)
        EXPECT_EQ(registry.removed[i].rfind(expectedGone[i], 0), 0u) << registry.removed[i];
    // The first package a prefix installs leaves the Windows Installer's own stores behind,
    // empty: no trace of the program.
    const auto store = [](const std::string& line) {
        if (line == "C:\\WINDOWS\\INSTALLER\\")
            return true;
        if (line.size() < 2 || line.compare(line.size() - 2, 2, "\\=") != 0 ||
            line.find("\\Installer") == std::string::npos)
            return false;
        const std::string key = line.substr(0, line.size() - 2);
        const std::string last = key.substr(key.rfind('\\') + 1);
        for (const char* container : {"Installer", "Features", "Products", "UpgradeCodes",
                                      "Components", "UserData", "S-1-5-18"})
            if (last == container)
                return true;
        return false;
    };
    auto& added = registry.added;
    added.erase(std::remove_if(added.begin(), added.end(), store), added.end());
    EXPECT_TRUE(added.empty()) << Join(added);
    kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(drive.removed, std::vector<std::string>{UpperCase(data + "\\cache.dat")});
    drive.added.erase(std::remove_if(drive.added.begin(), drive.added.end(), store),
                      drive.added.end());
    EXPECT_TRUE(drive.added.empty()) << Join(drive.added);

    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, vendor, 0);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\" + code, 0);
    RemoveTree(data);
}

namespace {

// A user at the real main window: waits for each page of the wizard, takes its picture and
// clicks Next, from another thread while the window thread runs the modal wizard.
class WizardUser {
public:
    WizardUser() : thread_([this] { Run(); }) {}
    ~WizardUser() {
        stop_ = true;
        thread_.join();
    }
    bool Finished() const { return finished_; }

private:
    HWND Wizard() const {
        TUninstallStepForm* form = UninstallStepForm;
        return form ? form->Handle() : nullptr;
    }
    bool WaitVisible(int id) {
        for (int i = 0; i < 12000 && !stop_; ++i) {
            const HWND wizard = Wizard();
            if (wizard && IsWindowVisible(GetDlgItem(wizard, id)))
                return true;
            Sleep(10);
        }
        return false;
    }
    void Next() { PostMessageA(GetDlgItem(Wizard(), IDC_STEP_STEPBITBTN), BM_CLICK, 0, 0); }
    void Run() {
        if (!WaitVisible(IDC_STEP_ABVERSION))
            return;
        Sleep(200);
        uitest::SaveScreenshot(Wizard(), "MainWizard0Description");
        Next();
        if (!WaitVisible(IDC_STEP_SCANSTEP1))
            return;
        Next();
        if (!WaitVisible(IDC_STEP_ABREGISTRYSCAN))
            return;
        uitest::SaveScreenshot(Wizard(), "MainWizard1Scan");
        if (!WaitVisible(IDC_STEP_REGLISTVIEW))
            return;
        Sleep(200);
        uitest::SaveScreenshot(Wizard(), "MainWizard3Result");
        Next();
        for (int i = 0; i < 6000 && !stop_; ++i) {
            const HWND button = GetDlgItem(Wizard(), IDC_STEP_STEPBITBTN);
            if (IsWindowEnabled(button) && WindowText(button) == "Finish" &&
                WindowText(GetDlgItem(Wizard(), IDC_STEP_ABFINISH)) == "Congratulations!")
                break;
            Sleep(10);
        }
        Sleep(200);
        uitest::SaveScreenshot(Wizard(), "MainWizard4Finish");
        Next();
        finished_ = true;
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

int RowOf(HWND list, const std::string& caption) {
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char text[512] = {};
        ListView_GetItemText(list, row, 0, text, sizeof text);
        if (caption == text)
            return row;
    }
    return -1;
}

} // namespace

TEST_F(WholeUninstall, ThroughTheRealMainWindow) {
    const std::string install = ProgramFiles32() + "\\KuDemoApp";
    const std::string appData = ShellFolder(CSIDL_APPDATA) + "\\KuDemoApp";
    ForgetDemoApp(install, appData);
    ASSERT_EQ(kutest::RunAndWait("\"" + kutest::Fixture("wizard\\KuDemoAppSetup.exe") + "\" /S"), 0);
    SetMessageBoxHook([](const MessageBoxCall&) { return IDYES; });
    {
        TUnInstallForm main;
        ASSERT_TRUE(main.Create(nullptr));
        main.Show();
        uitest::PumpMessages(300);
        // The demo is a 32-bit program: its entry is listed in the 32-bit view.
        if (kutest::RunningUnderWow64()) {
            SendMessageA(main.Item(IDC_MAIN_SYSBIT32), BM_CLICK, 0, 0);
            uitest::PumpMessages(100);
        }
        const HWND list = main.ListView();
        const int row = RowOf(list, "KuDemoApp");
        ASSERT_GE(row, 0);
        main.SelectRow(row);
        WizardUser user;
        main.UninstallBtnClick(); // returns when the wizard has closed
        EXPECT_TRUE(user.Finished());
        EXPECT_LT(RowOf(list, "KuDemoApp"), 0) << "the list is reloaded after the wizard";
    }
    SetMessageBoxHook(nullptr);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\KuDemoApp", KEY_WOW64_32KEY));
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, "Software\\KuDemoApp", 0));
    EXPECT_EQ(GetFileAttributesA((install + "\\data\\settings.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    ForgetDemoApp(install, appData);
}
