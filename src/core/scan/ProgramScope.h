// What belongs to the program a normal-mode scan is for and what belongs to others: its own
// Uninstall entry, the other installed programs whose names hold its word, and the
// uninstaller's own file as a scan word.
#pragma once

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "core/scan/ScanWord.h"

namespace ku {

// The uninstaller's own file path as a scan word, taken from its command line. Empty when the
// command names no absolute file path, or names a folder, a drive root, a file at or below
// the Windows folder (MsiExec.exe, rundll32.exe ...) or a file the delete guard refuses.
std::string UninstallerFileWord(const std::string& command);

// Upper-case names (Uninstall key names and display names) of the other installed programs
// that `word` is found in, such as "ARCADIA APP 220" for the word "Arcadia": a key or folder
// named like one of them is theirs. ownEntry is left out.
std::vector<std::string> OtherProgramNames(const ScanWord& word, const std::string& ownEntry);
// True when one of the names between "\" of the upper-case path is one of upperNames.
bool NamesOtherProgram(const std::string& upperPath, const std::vector<std::string>& upperNames);

// Appends the program's own Uninstall entry (HKEY_LOCAL_MACHINE, in the scan view) as a key
// item when it exists; false when there is none or the name is no plain key name.
bool AddOwnUninstallEntry(TUninstallerContents& contents, const std::string& entryName);
// True when that entry exists.
bool OwnUninstallEntryExists(const std::string& entryName);

// What the user is told when the program's name cannot be searched for: empty when the key
// word is usable; otherwise why, and what the scan did instead.
std::string ScanWordsNotice(const std::string& keyName, const std::string& commandWord);

} // namespace ku
