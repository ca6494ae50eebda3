// The program's main block: everything KU.exe does from start to the end of the message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/settings/Settings.h"
#include "core/settings/Startup.h"

namespace ku {

struct StartupContext {
    std::string programDir; // ProgramDir() when empty
    std::string mutexName = kInstanceMutexName;
    std::string settingsKey = kSettingsKey;
    DWORD splashMs = 2000; // how long the splash stays when no update check runs
    // The shown form of a first argument the code page cannot hold; empty when it held it.
    std::string inexactArgument;
    // The main window; the real one when empty. (The System Manager of the automatic mode opens
    // through OtherWindowOpeners().)
    std::function<int(const std::string& startFile, const std::string& startFolder)> runMainWindow;
};

enum class StartOutcome {
    SecondInstance,
    AutoRunDone,
    MainWindowClosed,
    OwnFolderUnnamed,
    ArgumentUnnamed
};

struct StartResult {
    StartOutcome outcome = StartOutcome::MainWindowClosed;
    int exitCode = 0;
};

// Runs the start-up steps in order: updater swap, profile unpacking, single instance,
// settings, then the automatic backup or the splash, data module and main window.
StartResult RunMainBlock(const std::string& firstArgument, const StartupContext& context);

} // namespace ku
