// The main block.
#include "core/ui/main/MainBlock.h"

#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/DataModule.h"
#include "core/ui/main/MainForm.h"
#include "core/ui/main/OtherWindows.h"
#include "core/ui/main/StartForm.h"

namespace ku {

namespace {

// Splash, data module (with the silent update check) and main window.
int RunInteractive(const StartRequest& request, const StartupContext& context,
                   const std::string& programDir) {
    TStartForm splash;
    if (splash.Create(nullptr))
        splash.Show(SW_SHOW);
    // The main window works with the data module's lists: it lives as long as the loop.
    TDM dataModule;
    UpdateCheckPlaces places;
    places.programDir = programDir;
    places.keyPath = context.settingsKey;
    // The splash is the window up while the silent check runs: its question belongs to it.
    places.owner = splash.Handle();
    const bool terminate = dataModule.DataModuleCreate(places);
    // Without the check's own time the splash stays up about two seconds.
    if (!Settings.CheckUpdate)
        Sleep(context.splashMs);
    splash.Close();
    if (terminate)
        PostQuitMessage(0); // the main window only flashes up; its loop ends at once
    if (context.runMainWindow)
        return context.runMainWindow(request.startFile, request.startFolder);
    return RunMainWindow(request.startFile, request.startFolder);
}

// A start that cannot go on: the user is told why, and the program ends with 1. No window of
// ours is up yet to own the box: it is the program's only window, brought to the front.
StartResult RefusedStart(const std::string& text, StartOutcome outcome) {
    ShowMessageBox(nullptr, text, kAppCaption,
                   MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    StartResult result;
    result.outcome = outcome;
    result.exitCode = 1;
    return result;
}

} // namespace

StartResult RunMainBlock(const std::string& firstArgument, const StartupContext& context) {
    StartResult result;
    const std::string programDir = context.programDir.empty() ? ProgramDir() : context.programDir;
    if (programDir.empty())
        return RefusedStart("Kelvane Uninstaller cannot run from this folder: its path holds "
                            "characters this program cannot handle.\rMove the program's folder "
                            "to a path with plain letters and start it again.",
                            StartOutcome::OwnFolderUnnamed);
    // A folder or file handed over by a name the code page cannot hold is left alone: its
    // best-fit form names another one, which the force wizard would take.
    if (!context.inexactArgument.empty())
        return RefusedStart("Kelvane Uninstaller cannot open \"" + context.inexactArgument +
                                "\": its path holds characters this program cannot handle, "
                                "and it was left alone.",
                            StartOutcome::ArgumentUnnamed);
    SwapUpdater(programDir);
    UnpackProfileArchives(programDir);
    SingleInstance instance(context.mutexName);
    if (!instance.IsFirst()) {
        result.outcome = StartOutcome::SecondInstance;
        return result;
    }
    LoadSettings(context.settingsKey);
    const StartRequest request = ParseStartArgument(firstArgument);
    if (request.mode == StartMode::AutoRun) {
        ShowRecoveryForm(nullptr, true);
        result.outcome = StartOutcome::AutoRunDone;
        return result;
    }
    result.exitCode = RunInteractive(request, context, programDir);
    return result;
}

} // namespace ku
