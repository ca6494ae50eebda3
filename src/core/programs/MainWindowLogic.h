// What the main window does besides showing things: the hand-over to the uninstall wizard,
// the Winlogon repair on close and the program's own path in the settings key.
#pragma once

#include <string>

#include "core/programs/UninstallItemUnit.h"

namespace ku {

// The fields a caller sets on the uninstall wizard before showing it, and the wizard's answer.
struct UninstallWizardRequest {
    std::string Caption; // "Uninstall Wizard" or "Force Uninstall Wizard"
    std::string DisplayName;
    std::string NortonFlag; // "1" when the command is a Norton or Symantec "ModifyPath"
    std::string UninstallKeyName;
    std::string UninstallCommand;
    std::string ProfileKey;
    int ForceMode = 0;
    int SpecialMode = 0;
    // The entry holds names or texts the code page cannot hold: its command is never run.
    bool Inexact = false;
    // The facts the wizard shows (normal mode).
    int ImageIndex = -1; // in the data module's large program icons
    std::string ProgramName, Version, InstallDate, InstallLocation, HelpLink, Publisher, HomePage,
        UpdateLink;
};

// The normal-mode hand-over for a listed program shown as rowCaption. A Norton or Symantec
// program is uninstalled through its "ModifyPath" with the Norton flag; when it has none,
// its own uninstall command is used like any other program's.
UninstallWizardRequest MakeNormalUninstallRequest(const UninstallItemUnit::TContent& record,
                                                  const std::string& rowCaption, int imageIndex);

// Widths of the program list's columns for a list of clientWidth pixels. The install date
// column starts at 80 and grows to its widest text (dateText: text width with the cell's
// margins); the publisher column starts at 100 and grows towards publisherText only as far as
// the name column keeps the list's width but 80 + 100 + 20 (never below 120). The name column
// takes the rest but 20, the room of a scroll bar. A longer publisher is cut by the list view,
// "..." at its end.
struct ListColumnWidths {
    int name, date, publisher;
};
ListColumnWidths FitListColumnWidths(int clientWidth, int dateText, int publisherText);

inline const char* const kWinlogonKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// Puts back "Userinit" = systemFolder + "\userinit.exe," and "Shell" = "Explorer.exe" under
// HKEY_LOCAL_MACHINE keyPath (64-bit view) where they differ, ignoring letter case. Writes no
// Userinit without a system folder. Returns how many values were written.
int RepairWinlogon(const std::string& systemFolder, const std::string& keyPath = kWinlogonKey);

// Writes "MainProgram" = the short form of exePath under HKEY_LOCAL_MACHINE keyPath when that
// key exists (it is never created). True when written.
bool WriteMainProgram(const std::string& exePath,
                      const std::string& keyPath = "SOFTWARE\\Kelvane Uninstaller");

} // namespace ku
