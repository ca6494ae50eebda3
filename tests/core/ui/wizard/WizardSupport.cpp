// Support of the wizard's window tests.
#include "WizardSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "StepFormIds.h"
#include "core/system/StrUtil.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RawRegistry.h"
#include "support/Spawn.h"

namespace wizardtest {

std::string ProgramFiles32() {
    return ShellFolder(kutest::RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

namespace {
const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion\\";
} // namespace

DemoApp::DemoApp() : appData(ShellFolder(CSIDL_APPDATA) + "\\KuDemoApp") {
    Forget();
}

int DemoApp::Install() const {
    return kutest::RunAndWait("\"" + kutest::Fixture("wizard\\KuDemoAppSetup.exe") + "\" /S");
}

void DemoApp::Forget() const {
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)})
        for (const std::string& key :
             {std::string("Software\\KuDemoApp"), kCurrentVersion + "Uninstall\\KuDemoApp",
              kCurrentVersion + "App Paths\\KuDemoApp.exe"})
            kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, key, view);
    kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\KuDemoApp", 0);
    kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kCurrentVersion + "Run", "KuDemoApp");
    kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, kCurrentVersion + "SharedDLLs",
                           install + "\\KuDemoApp.dll");
    RemoveTree(install);
    RemoveTree(appData);
}

void Clicker::Run() {
    const auto item = [this](int id) {
        const HWND form = form_();
        return form ? GetDlgItem(form, id) : nullptr;
    };
    for (const auto& [watch, button] : steps_) {
        // On the Finish page the button reads Next until the removal has ended.
        while (!IsWindowVisible(item(watch)) || !IsWindowEnabled(item(button)) ||
               (watch == IDC_STEP_ABFINISH && ku::WindowText(item(button)) != "Finish")) {
            if (stop_)
                return;
            Sleep(5);
        }
        PostMessageA(item(button), BM_CLICK, 0, 0);
        ++clicks_;
        while (!stop_ && IsWindowVisible(item(watch)))
            Sleep(5);
    }
}

WizardRun RunWizard(const std::string& displayName, const std::string& keyName,
                    const std::string& command,
                    const std::function<int(const ku::MessageBoxCall&)>& answer) {
    WizardRun run;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        run.questions.push_back(call.caption + ": " + call.text);
        return answer ? answer(call) : IDYES;
    });
    ku::TUninstallStepForm form;
    form.DisplayName = form.ProgramName = displayName;
    form.UninstallKeyName = keyName;
    form.UninstallCommand = command;
    EXPECT_TRUE(form.Create(nullptr));
    form.Show();
    form.StepBitBtnClick();
    form.StepBitBtnClick();
    if (form.PageIndex() == ku::PageResult) {
        for (int i = 0; i < form.State.LeftoverList.Count(); ++i) {
            const ku::TContent& c = form.State.LeftoverList.GetItem(i).Content;
            const std::string key =
                (c.RootKeyName == "HKEY_LOCAL_MACHINE" ? "HKLM\\" : "HKCU\\") + c.KeyPath;
            run.leftovers.push_back(c.ItemType == ku::kItemFile ? ku::UpperCase(c.FilePath)
                                    : c.ItemType == ku::kItemRegistryValue ? key + " = " + c.ValueName
                                                                           : key);
        }
        form.StepBitBtnClick();
        form.WaitForRemoval();
        form.StepBitBtnClick();
    }
    run.uninstallDone = form.UninstallDone;
    ku::SetMessageBoxHook(nullptr);
    return run;
}

} // namespace wizardtest
