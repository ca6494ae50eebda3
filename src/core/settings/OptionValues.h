// What the options dialog reads and writes without a window: the machine-wide settings, the
// version text, User Account Control and the Explorer context-menu extension.
#pragma once

#include <windows.h>

#include <string>

#include "core/settings/Settings.h"

namespace ku {

inline const char* const kPoliciesSystemKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline const char* const kEnableLuaValue = "EnableLUA";
inline const char* const kFallbackVersion = "2010.1.3";

// The options as the dialog shows them. A value that is missing or of another type keeps its
// default here, so an incomplete settings key never stops the dialog.
struct TOptionValues {
    bool keyOpened = false; // the settings key under HKEY_LOCAL_MACHINE exists
    bool CheckUpdate = true;
    int ViewStyle = 0;   // 0 details, 1 icons, 2 list; another number selects no style
    std::string Version; // "Version", or kFallbackVersion when blank; empty without the key
};

// Reads HKEY_LOCAL_MACHINE keyPath (64-bit view, never created).
TOptionValues LoadOptionValues(const std::string& keyPath = kSettingsKey);

// "Version: <version>, Last Time: mm/dd/yyyy hh:nn:ss" with the executable's last-write time,
// or "Unknowable Version" when the executable cannot be found.
std::string VersionLabelText(const std::string& version, const std::string& exePath);
// Local time of a file time as "mm/dd/yyyy hh:nn:ss".
std::string FileTimeText(const FILETIME& fileTime);

// Stores the options of the General page through the settings writer (HKEY_LOCAL_MACHINE key
// created when missing, the same value under HKEY_CURRENT_USER) and into Settings.
// viewStyle -1 leaves the view style as it is. False when a value could not be written.
bool SaveOptionValues(bool checkUpdate, int viewStyle, const std::string& keyPath = kSettingsKey);

// User Account Control: "EnableLUA" under HKEY_LOCAL_MACHINE keyPath. -1 when the key or the
// value is missing or the value is not a number (older Windows: nothing to switch), else 0 or 1.
int ReadEnableLua(const std::string& keyPath = kPoliciesSystemKey);
// Writes 1 or 0, only where the value already exists. False when nothing was written.
bool WriteEnableLua(bool enable, const std::string& keyPath = kPoliciesSystemKey);

// Both handler keys of the extension exist under HKEY_CLASSES_ROOT.
bool IsContextMenuRegistered();
// The folder of the executable's short (8.3) path, without a trailing backslash.
std::string ShortProgramFolder(const std::string& exePath);
// "Regsvr32.exe  <folder>\Contextmenu.dll /s", or with "/u /s" to unregister.
std::string ContextMenuCommand(const std::string& folder, bool registerIt);
// Registers (when the DLL is there) or unregisters the extension with a normal window, not
// waited for. False when nothing was started.
bool ApplyContextMenu(bool registerIt, const std::string& folder);

} // namespace ku
