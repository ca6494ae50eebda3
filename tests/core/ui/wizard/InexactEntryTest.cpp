// An Uninstall entry the code page cannot hold ("Ωmega Tools 1.0" beside the Latin "Omega Tools
// 2.0"): listed as such, and the wizard never starts its command, whose best-fit form would be
// another program's uninstaller, nor scans or deletes anything for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "WizardSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/programs/ProgramListBuilder.h"
#include "core/system/SharedState.h"
#include "core/ui/wizard/UnitStepForm.h"
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
