// Support of the wizard's window tests.
#include "WizardSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "StepFormIds.h"
#include "core/system/StrUtil.h"
#include "core/ui/Window.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace wizardtest {

std::string ProgramFiles32() {
    return kutest::ShellFolder(kutest::RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

Clicker::Clicker(std::function<HWND()> form, Steps steps)
    : form_(std::move(form)), steps_(std::move(steps)), thread_([this] { Run(); }) {}

Clicker::~Clicker() {
    stop_ = true;
    thread_.join();
}

HWND Clicker::Item(int id) const {
    const HWND form = form_();
    return form ? GetDlgItem(form, id) : nullptr;
}

// On the Finish page the button reads Next until the removal has ended.
bool Clicker::Ready(int watch, int button) const {
    return IsWindowVisible(Item(watch)) && IsWindowEnabled(Item(button)) &&
           (watch != IDC_STEP_ABFINISH || ku::WindowText(Item(button)) == "Finish");
}

void Clicker::Run() {
    for (const auto& [watch, button] : steps_) {
        while (!stop_ && !Ready(watch, button))
            Sleep(5);
        if (stop_)
            return;
        PostMessageA(Item(button), BM_CLICK, 0, 0);
        ++clicks_;
        while (!stop_ && IsWindowVisible(Item(watch)))
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
