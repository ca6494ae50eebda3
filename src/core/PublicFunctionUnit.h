// Small system services every window and scanner uses: folders, root-key names, version names,
// command-line parsing, child processes, web addresses, dates and the whole-registry backup.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

// Days since 1899-12-30, fraction = time of day (the OLE date the stored texts use).
using TDateTime = double;

inline const char* const kNotAvailable = "NOT AVAILABLE";

// Folders and paths.
std::string GetWindowsDir();
std::string GetSystemDir();
std::string GetWindowsFolder(); // empty when Windows fails
std::string GetSystemFolder();  // empty when Windows fails
std::string GetProgramFilesDir();
std::string RemoveTrailingBackslash(const std::string& path);
std::string QuoteSpacesForCmd(const std::string& path);
TDateTime FileTimeToDateTime(const FILETIME& fileTime);
bool DeleteFileInWindowsDir(const std::string& fileName);
bool DeleteFileInSystemDir(const std::string& fileName);
// Folder of the running executable, with a trailing "\".
std::string ProgramDir();

// Root keys travel as their names.
std::string RootKeyToName(HKEY key);
HKEY NameToRootKey(const std::string& name);

std::string GetWindowsVersionName();
bool IsNortonOrSymantec(const std::string& name);
std::string FormatInstallDate(const std::string& text);

// Child processes and other programs.
int RunProcessAndWait(const std::string& commandLine, int showMode);
void OpenURL(int mode, const std::string& url);
void ReRegisterScriptEngines();

// Command lines of uninstallers and icons.
std::string CommandLineToFilePath(const std::string& text);
std::string GetCommandLineParams(const std::string& text);
std::string NormalizeUninstallCommand(const std::string& command);

// Whole-registry export into "FullBackup\" of the program folder; false when no complete
// export file was written.
bool BackupRegistryFull();
void PruneFullBackups(const std::string& folder);

} // namespace ku
