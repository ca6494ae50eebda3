// Small system services every window and scanner uses: folders, root-key names, version names,
// command-line parsing, child processes, web addresses, dates and the whole-registry backup.
#pragma once

#include <windows.h>

#include <functional>
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
// The path as one word for cmd.exe: in double quotes, "%" defused, so that "A & B.exe" or
// "%TEMP%" stay part of the name.
std::string QuoteSpacesForCmd(const std::string& path);
TDateTime FileTimeToDateTime(const FILETIME& fileTime);
// A known file of the Windows or system folder, named by the program itself (see
// DeleteNamedSystemFile); true only when the file is gone.
bool DeleteFileInWindowsDir(const std::string& fileName);
bool DeleteFileInSystemDir(const std::string& fileName);
// Folder of the running executable, with a trailing "\".
std::string ProgramDir();

// Root keys travel as their names.
std::string RootKeyToName(HKEY key);
HKEY NameToRootKey(const std::string& name);

std::string GetWindowsVersionName();
// The name for a GetVersionExA answer: platform id, major and minor version, WOW64.
std::string WindowsVersionName(DWORD platform, DWORD major, DWORD minor, bool wow64);
bool IsNortonOrSymantec(const std::string& name);
std::string FormatInstallDate(const std::string& text);

// Child processes and other programs.
// Runs the command hidden or shown, its output drained through a pipe, waits for it and
// returns its exit code; -1 when it cannot be started.
int RunProcessAndWait(const std::string& commandLine, int showMode);
void OpenURL(int mode, const std::string& url);
void ReRegisterScriptEngines();

// Command lines of uninstallers and icons.
std::string CommandLineToFilePath(const std::string& text);
std::string GetCommandLineParams(const std::string& text);
std::string NormalizeUninstallCommand(const std::string& command);
// The program a command line starts and the arguments it gets.
struct CommandParts {
    std::string file; // absolute when it could be found, variables expanded
    std::string arguments;
    // False when the system names the file only in a form the code page cannot hold (a
    // variable or search-path folder of such a name): the file is then empty, never taken in
    // its best-fit form.
    bool exact = true;
};
// The file is the quoted text when the command begins with a quote; otherwise the shortest
// text up to ".exe", ".com", ".bat" or ".cmd" (then a blank or the end) that names an existing
// file; a name without a folder is looked up on the system search path. "C:\Program Files\A
// B\un.exe /S" is never read as "C:\Program" with arguments.
CommandParts SplitCommandLine(const std::string& command);

// How a caller waits for the export: it runs job, which returns once regedit has ended, and
// answers job's result. file is the export being written, for showing its progress. Without
// one the job runs on the calling thread.
using ExportWait = std::function<bool(const std::string& file, const std::function<bool()>& job)>;
// Whole-registry export into "FullBackup\" of the program folder, waited for; the "Restore"
// message, owned by owner, is shown only after it succeeded. False when no complete export
// file was written.
bool BackupRegistryFull(HWND owner, const ExportWait& wait = nullptr);
// Keeps the five newest files with "REG" in their name and deletes the older ones.
void PruneFullBackups(const std::string& folder);
// Exports the whole registry with regedit into FileName and waits; true when the file holds
// a registry export.
bool ExportRegistry(const std::string& fileName);
// The file exists and begins with a registry export header (version 5 or REGEDIT4).
bool IsRegistryExportFile(const std::string& path);

} // namespace ku
