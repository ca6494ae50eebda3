// KU.exe: start-up only; everything else lives in the subsystem libraries.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "core/settings/Startup.h"
#include "core/ui/main/MainBlock.h"
#include "core/ui/main/OtherWindows.h"
#include "special/ui/Unitlist.h"
#include "sysmanager/ui/SysManagerUnit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // The windows of the other subsystems that the main window opens.
    ku::OtherWindowOpeners().specialWizard = ku::RunSpecialUninstallWizard;
    ku::OtherWindowOpeners().recoveryForm = ku::ShowSysManager;
    try {
        ku::StartupContext context;
        const std::string argument = ku::FirstCommandLineArgument(&context.inexactArgument);
        return ku::RunMainBlock(argument, context).exitCode;
    } catch (const std::exception&) {
        // An error before the message loop ends the program without a window.
        return 1;
    }
}
