// Stubs of the System Manager and the Force Uninstall wizard.
#include "core/ui/LaterForms.h"

#include <mutex>

namespace ku {

namespace {
std::mutex callsLock;
std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}
void Note(const std::string& call) {
    std::lock_guard<std::mutex> guard(callsLock);
    Calls().push_back(call);
}
} // namespace

void ShowRecoveryForm(HWND, bool autoRun) {
    Note(std::string("TRecoveryForm AutoRun=") + (autoRun ? "1" : "0"));
}

int ShowForceUninstallWizard(HWND, const std::string& programFile, const std::string& folder) {
    Note("TUninstallStepForm ForceMode=1 TxtProgramName=" + programFile + " TxtPath=" + folder);
    return 0;
}

std::vector<std::string> StubCalls() {
    std::lock_guard<std::mutex> guard(callsLock);
    return Calls();
}

void ClearStubCalls() {
    std::lock_guard<std::mutex> guard(callsLock);
    Calls().clear();
}

} // namespace ku
