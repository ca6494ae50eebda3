// Every open and save dialog of the program goes through here, so tests can answer them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ku {

struct FileDialogCall {
    HWND owner = nullptr;
    bool save = false;        // a save dialog (asks before overwriting), else an open dialog
    std::string title;
    std::string filter;       // pairs separated by "|": "nic|*.nic"
    std::string defaultExt;   // without the dot
    std::string initialDir;   // empty: the system's choice
    std::string fileName;     // in: the proposed name; out: the chosen path
};

// Runs the dialog (or the installed hook); false when the user cancelled, or chose a file whose
// name the code page cannot hold exactly (refused with a message: its best-fit form would name
// another file).
bool ShowFileDialog(FileDialogCall& call);

// Tests install a hook that plays the user; an empty function restores the real dialogs.
using FileDialogHook = std::function<bool(FileDialogCall&)>;
void SetFileDialogHook(FileDialogHook hook);

} // namespace ku
