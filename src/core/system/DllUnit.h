// The optional companion library "Win32API.dll": ending a process and deleting a file through
// it, with the program's own ways as the fallback when it is missing or fails.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

// Ends the process through the library's FKillPro. False when the library or its export is
// missing, when it reports failure, and for a process that is never ended (this program,
// System, csrss.exe ...; see IsUntouchableProcess).
bool DllKillProcess(DWORD processId);
// The same without the look-up, for the killers that checked the process in their own
// snapshot already.
bool DllKillCheckedProcess(DWORD processId);
// Deletes the file through the library's FDelFile. False when the library or its export is
// missing, when it reports failure, and for any path the delete guard refuses.
bool DllDeleteFile(const std::string& path);

// Where the library is loaded from: "Win32API.dll" in the program folder unless a test set a
// full path of its own (an empty path restores the default).
std::string CompanionLibraryPath();
void SetCompanionLibraryPath(const std::string& path);

} // namespace ku
