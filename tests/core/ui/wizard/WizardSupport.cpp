// Support of the wizard's window tests.
#include "WizardSupport.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include "core/system/StrUtil.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace wizardtest {

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path);
    return path;
}

std::string ProgramFiles32() {
    return ShellFolder(kutest::RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

void RemoveTree(const std::string& path) {
    kutest::RunAndWait("cmd /c rd /s /q \"" + path + "\"", 30000);
}

WizardRun RunWizard(const std::string& displayName, const std::string& keyName,
                    const std::string& command,
                    const std::function<int(const ku::MessageBoxCall&)>& answer,
                    const std::string& picture) {
    WizardRun run;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        run.questions.push_back(call.caption + ": " + call.text);
        return answer ? answer(call) : IDYES;
    });
    ku::TUninstallStepForm form;
    form.DisplayName = form.ProgramName = displayName;
    form.UninstallKeyName = keyName;
    form.UninstallCommand = command;
    form.Version = "1.0";
    EXPECT_TRUE(form.Create(nullptr));
    form.Show();
    form.StepBitBtnClick();
    EXPECT_EQ(form.PageIndex(), ku::PageScan);
    form.StepBitBtnClick();
    if (form.PageIndex() == ku::PageResult) {
        uitest::PumpMessages(100);
        if (!picture.empty()) {
            EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), picture));
        }
        for (int i = 0; i < form.State.LeftoverList.Count(); ++i) {
            const ku::TContent& c = form.State.LeftoverList.GetItem(i).Content;
            const std::string root = c.RootKeyName == "HKEY_LOCAL_MACHINE" ? "HKLM\\" : "HKCU\\";
            run.leftovers.push_back(c.ItemType == ku::kItemFile ? ku::UpperCase(c.FilePath)
                                    : c.ItemType == ku::kItemRegistryValue
                                        ? root + c.KeyPath + " = " + c.ValueName
                                        : root + c.KeyPath);
        }
        form.StepBitBtnClick();
        EXPECT_EQ(form.PageIndex(), ku::PageFinish);
        form.WaitForRemoval();
        form.StepBitBtnClick();
    }
    run.uninstallDone = form.UninstallDone;
    ku::SetMessageBoxHook(nullptr);
    return run;
}

} // namespace wizardtest
