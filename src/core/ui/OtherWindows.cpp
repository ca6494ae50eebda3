// Stubs of the uninstall wizard and the special-uninstall wizard.
#include "core/ui/OtherWindows.h"

#include "core/Dialogs.h"
#include "core/ui/UnitStepForm.h"

namespace ku {

namespace {
struct StubState {
    UninstallWizardRequest lastRequest;
    int wizardOpens = 0;
    int specialOpens = 0;
    int uninstallDone = 0;
    bool wizardStub = false; // the real wizard unless a test asked for the stand-in
};
StubState& State() {
    static StubState state;
    return state;
}
} // namespace

int ShowUninstallWizard(HWND owner, const UninstallWizardRequest& request) {
    State().lastRequest = request;
    ++State().wizardOpens;
    if (!State().wizardStub)
        return RunUninstallWizard(owner, request);
    ShowMessageBox(owner, request.Caption, kAppCaption, MB_OK);
    return State().uninstallDone;
}

void ShowSpecialUninstallWizard(HWND owner) {
    ++State().specialOpens;
    ShowMessageBox(owner, "Special Uninstall Wizard", kAppCaption, MB_OK);
}

const UninstallWizardRequest& LastUninstallWizardRequest() {
    return State().lastRequest;
}
int UninstallWizardOpenCount() {
    return State().wizardOpens;
}
int SpecialWizardOpenCount() {
    return State().specialOpens;
}
void SetStubUninstallDone(int uninstallDone) {
    State().uninstallDone = uninstallDone;
}
void ResetOtherWindowStubs() {
    State() = StubState();
    // The tests that reset the records want the stand-in, not a modal wizard.
    State().wizardStub = true;
}

} // namespace ku
