// An Uninstall entry the code page cannot hold ("Ωmega Tools 1.0" beside the Latin "Omega Tools
// 2.0"): listed as such, and the wizard never starts its command, whose best-fit form would be
// another program's uninstaller, nor scans or deletes anything for it. The same for a Windows
// Installer product; an entry whose only such texts are ones the list just shows is marked and
// uninstalled; a key of the program that holds such a value is named among those left alone.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/programs/ProgramListBuilder.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/main/MainUnit.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/PlantedRegistry.h"
#include "support/SystemSnapshot.h"
#include "support/WideNames.h"

using namespace ku;

TEST(InexactEntry, ItsCommandIsNeverStartedAndNothingIsDeletedForIt) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    RegistryView64 = false;
    kutest::ScratchKey scratch(HKEY_LOCAL_MACHINE);
    ProgramListPlaces places;
    places.uninstallKey = "\\" + scratch.Sub("Uninstall");
    for (std::string* other : {&places.userDataProducts, &places.userDataComponents,
                               &places.classesProducts})
        *other = "\\" + scratch.Sub("Installer");
    const std::wstring entries = kutest::WideOf(scratch.Sub("Uninstall"));
    const std::wstring greek = std::wstring(kutest::kOmega) + L"mega Tools";
    const std::wstring pf = kutest::WideOf(wizardtest::ProgramFiles32());
    ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, entries + L"\\Greek", L"DisplayName",
                                      greek + L" 1.0"));
    ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, entries + L"\\Greek",
                                      L"UninstallString", pf + L"\\" + greek + L"\\uninst.exe"));
    ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, entries + L"\\Latin", L"DisplayName",
                                      L"Omega Tools 2.0"));
    ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, entries + L"\\Latin",
                                      L"UninstallString", pf + L"\\Omega Tools\\uninst.exe"));
    TUninstallContents list;
    BuildProgramList(list, false, places);
    ASSERT_EQ(list.Count(), 2);
    const int at = list.GetItem(0).Content.Inexact ? 0 : 1;
    const UninstallItemUnit::TContent record = list.GetItem(at).Content;
    EXPECT_EQ(record.DisplayName, "?mega Tools 1.0 (holds characters this program cannot handle)");
    EXPECT_FALSE(list.GetItem(1 - at).Content.Inexact);

    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    const UninstallWizardRequest request =
        MakeNormalUninstallRequest(record, record.DisplayName, -1);
    std::vector<std::string> said;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        said.push_back(call.text);
        return IDYES;
    });
    {
        TUninstallStepForm form;
        form.DisplayName = form.ProgramName = request.DisplayName;
        form.UninstallKeyName = request.UninstallKeyName;
        form.UninstallCommand = request.UninstallCommand;
        form.InexactEntry = request.Inexact;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        form.StepBitBtnClick();
        form.StepBitBtnClick();
        EXPECT_NE(form.PageIndex(), PageResult);
        EXPECT_EQ(form.UninstallDone, 0);
    }
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("cannot be started"), std::string::npos) << said[0];
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_TRUE(registry.removed.empty() && registry.added.empty());
    EXPECT_TRUE(drive.removed.empty() && drive.added.empty());
}

namespace {

const std::string kCannot = " (holds characters this program cannot handle)";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The rows of the main window's list with this caption.
std::vector<int> RowsOf(HWND list, const std::string& caption) {
    std::vector<int> rows;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char text[1024] = {};
        ListView_GetItemText(list, row, 0, text, sizeof(text));
        if (text == caption)
            rows.push_back(row);
    }
    return rows;
}

// The main window as a user finds it, every message box answered Yes (or `answer`) and said.
struct MainWindowRun {
    explicit MainWindowRun(int answer = IDYES) {
        SetMessageBoxHook([this, answer](const MessageBoxCall& call) {
            said.push_back(call.text);
            return answer;
        });
        EXPECT_TRUE(main.Create(nullptr));
        main.Show();
        uitest::PumpMessages(300);
    }
    ~MainWindowRun() {
        SetMessageBoxHook(nullptr);
        RegistryView64 = false;
    }
    // Uninstall on the row, clicked through to the scans.
    void Uninstall(int row) {
        main.SelectRow(row);
        wizardtest::Clicker user(
            [] { return UninstallStepForm ? UninstallStepForm->Handle() : nullptr; },
            {{IDC_STEP_ABVERSION, IDC_STEP_STEPBITBTN}, {IDC_STEP_SCANSTEP1, IDC_STEP_STEPBITBTN}});
        main.UninstallBtnClick(); // returns when the wizard has closed
    }
    kutest::RecordingLauncher launcher; // nothing is started for real
    std::vector<std::string> said;
    TUnInstallForm main;
};

} // namespace

// "Ωmega Suite Pro" beside the Installer product "Omega Suite Pro", whose file osp.exe is
// registered: with Windows Installer shown, each is listed once, the Greek one said to be one
// this program cannot handle; its Uninstall and Delete run, scan and delete nothing.
TEST(InexactEntry, AnInstallerProductTheCodePageCannotHoldIsListedAsSuchAndLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const REGSAM view = kutest::NativeView();
    const std::string installer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\";
    const std::string products = installer + "UserData\\S-1-5-18\\Products\\";
    const std::string classes = "SOFTWARE\\Classes\\Installer\\Products\\";
    const std::string latin = "KU0OMEGASUITEPRO000000000000000A",
                      greek = "KU0OMEGASUITEPRO000000000000000B";
    const std::string folder = wizardtest::ProgramFiles32() + "\\Omega Suite Pro";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\osp.exe", "osp"));
    kutest::PlantedRegistry planted(view);
    const HKEY lm = HKEY_LOCAL_MACHINE;
    for (const std::string& key : {products + latin + "\\InstallProperties", kUninstallKey + latin})
        for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
                 {"DisplayName", "Omega Suite Pro"},
                 {"UninstallString", "MsiExec.exe /X{0A0B0C0D-0E0F-4A4B-8C8D-0E0F1A1B1C1D}"},
                 {"InstallLocation", folder + "\\"}})
            planted.String(lm, key, name, value);
    planted.String(lm, classes + latin, "ProductName", "Omega Suite Pro");
    planted.String(lm,
                   installer + "UserData\\S-1-5-18\\Components\\KU0OMEGASUITEPROCOMPONENT000000A",
                   latin, folder + "\\osp.exe");
    const std::wstring name = std::wstring(kutest::kOmega) + L"mega Suite Pro";
    planted.Key(lm, products + greek + "\\InstallProperties");
    planted.Key(lm, classes + greek);
    ASSERT_TRUE(kutest::WideSetString(lm, kutest::WideOf(products + greek + "\\InstallProperties"),
                                      L"DisplayName", name, view));
    ASSERT_TRUE(kutest::WideSetString(
        lm, kutest::WideOf(products + greek + "\\InstallProperties"), L"UninstallString",
        L"MsiExec.exe /X{0A0B0C0D-0E0F-4A4B-8C8D-0E0F1A1B1C2E}", view));
    ASSERT_TRUE(
        kutest::WideSetString(lm, kutest::WideOf(classes + greek), L"ProductName", name, view));
    {
        MainWindowRun run;
        SendMessageA(run.main.Item(IDC_MAIN_SHOWWINUPDATE), BM_CLICK, 0, 0);
        uitest::PumpMessages(50);
        const HWND list = run.main.ListView();
        EXPECT_EQ(RowsOf(list, "Omega Suite Pro").size(), 1u);
        const std::vector<int> rows = RowsOf(list, "?mega Suite Pro" + kCannot);
        ASSERT_EQ(rows.size(), 1u);
        const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
        const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
        run.Uninstall(rows[0]);
        run.main.SelectRow(RowsOf(list, "?mega Suite Pro" + kCannot).at(0));
        run.main.DeleteBtnClick();
        const kutest::Difference registry =
            kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
        const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
        EXPECT_EQ(registry.removed, wizardtest::Lines{});
        EXPECT_EQ(registry.added, wizardtest::Lines{});
        EXPECT_EQ(drive.removed, wizardtest::Lines{});
        EXPECT_EQ(drive.added, wizardtest::Lines{});
        EXPECT_TRUE(run.launcher.Requests().empty());
        ASSERT_EQ(run.said.size(), 2u);
        EXPECT_NE(run.said[0].find("cannot be started"), std::string::npos) << run.said[0];
        EXPECT_NE(run.said[1].find("cannot be deleted"), std::string::npos) << run.said[1];
        SendMessageA(run.main.Item(IDC_MAIN_SHOWWINUPDATE), BM_CLICK, 0, 0);
    }
    wizardtest::RemoveTree(folder);
}

// Only its publisher and version are texts the code page cannot hold: the row says so, and
// the entry's own uninstaller is started as for any other (here it leaves its entry, and the
// user declines to scan).
TEST(InexactEntry, AnEntryWhoseShownTextsTheCodePageCannotHoldIsStillUninstalled) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const REGSAM view = kutest::NativeView();
    const std::string name = "KuShownOnly" + std::to_string(GetCurrentProcessId());
    const std::string key = kUninstallKey + name;
    kutest::PlantedRegistry planted(view);
    planted.String(HKEY_LOCAL_MACHINE, key, "DisplayName", name + " Tool");
    planted.String(HKEY_LOCAL_MACHINE, key, "UninstallString", "C:\\" + name + "\\uninst.exe /S");
    for (const wchar_t* value : {L"Publisher", L"DisplayVersion"})
        ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, kutest::WideOf(key), value,
                                          std::wstring(kutest::kOmega) + L"mega", view));
    MainWindowRun run(IDNO);
    const HWND list = run.main.ListView();
    const std::vector<int> rows = RowsOf(list, name + " Tool" + kCannot);
    ASSERT_EQ(rows.size(), 1u);
    char publisher[64] = {};
    ListView_GetItemText(list, rows[0], 2, publisher, sizeof(publisher));
    EXPECT_STREQ(publisher, "?mega");
    run.Uninstall(rows[0]);
    const std::vector<ku::LaunchRequest> started = run.launcher.Requests();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].commandLine.find("C:\\" + name + "\\uninst.exe"), std::string::npos)
        << started[0].commandLine;
    ASSERT_EQ(run.said.size(), 1u);
    EXPECT_NE(run.said[0].find("did not remove"), std::string::npos) << run.said[0];
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, view));
}

// The program's key holds a value the code page cannot hold: with another program installed
// (whose folder such a text might name) it is left alone, and the notice names it.
TEST(InexactEntry, AKeyOfTheProgramHoldingATextTheCodePageCannotHoldIsNamedAsLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    RegistryView64 = false;
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string name = "KuNamedApp" + pid, other = "C:\\KuOtherOwner" + pid;
    CreateDirectoryA(other.c_str(), nullptr);
    kutest::PlantedRegistry planted;
    const std::string otherKey = kUninstallKey + "KuOtherOwner" + pid;
    planted.String(HKEY_LOCAL_MACHINE, otherKey, "DisplayName", "KuOtherOwner" + pid);
    planted.String(HKEY_LOCAL_MACHINE, otherKey, "UninstallString", other + "\\un.exe");
    planted.String(HKEY_LOCAL_MACHINE, otherKey, "InstallLocation", other);
    planted.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name, "Level", "1");
    ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, kutest::WideOf("SOFTWARE\\" + name),
                                      std::wstring(kutest::kOmega) + L"note", L"x"));
    kutest::RecordingLauncher launcher;
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    const wizardtest::WizardRun run = wizardtest::RunWizard(name, name, "");
    const std::string notice =
        "These items hold characters this program cannot handle and were "
        "left alone; they are not in the list:\rHKEY_LOCAL_MACHINE\\SOFTWARE\\" +
        name;
    const auto said = [&](const std::string& text) {
        return UpperCase(text) == UpperCase(std::string(kAppCaption) + ": " + notice);
    };
    EXPECT_TRUE(std::any_of(run.questions.begin(), run.questions.end(), said))
        << ::testing::PrintToString(run.questions);
    EXPECT_EQ(run.leftovers, wizardtest::Lines{});
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(registry.removed, wizardtest::Lines{});
    EXPECT_EQ(drive.removed, wizardtest::Lines{});
    RemoveDirectoryA(other.c_str());
}
