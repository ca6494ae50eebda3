// The network settings backup and restore.
#include "sysmanager/NicSettings.h"

#include <stdexcept>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "sysmanager/BootFiles.h"
#include "sysmanager/SysCommands.h"

namespace ku {

namespace {

const char* const kSettingValue = "NICSetting";
const char* const kBackupCaption = "Backup";

std::string LogPath(const NicPlaces& places) {
    return IncludeTrailingBackslash(places.programDir.empty() ? ProgramDir() : places.programDir) +
           "NICLog.txt";
}

void RememberBackupFile(const NicPlaces& places, const std::string& shortPath) {
    TRegistry registry(kKeyAllAccessView64);
    registry.SetRootKey(places.root);
    if (!registry.OpenKey(places.settingKey, true, true))
        return;
    try {
        registry.WriteString(kSettingValue, shortPath);
    } catch (const ERegistryException&) {
    }
}

// The folder of the last backup file, with its trailing "\"; empty when none is known.
std::string LastBackupFolder(const NicPlaces& places) {
    TRegistry registry(kKeyAllAccessView64);
    registry.SetRootKey(places.root);
    if (!registry.OpenKey(places.settingKey, false, true))
        return std::string();
    try {
        return Trim(ExtractFilePath(registry.ReadString(kSettingValue)));
    } catch (const ERegistryException&) {
        return std::string();
    }
}

std::string FileText(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, bytes) ? bytes : std::string();
}

// A new folder of the program's own below the temporary folder, where netsh writes the dump:
// whatever a failed run leaves goes with the folder. (A file left directly in Documents or
// another shell folder could not be deleted again: the delete guard keeps those.)
std::string MakeDumpFolder() {
    // A temporary folder the code page cannot name has no folder of ours: its best-fit name
    // is another user's.
    std::string temp;
    if (ExactTempPath(temp) != ERROR_SUCCESS || temp.empty())
        return std::string();
    for (unsigned number = 0; number < 100; ++number) {
        const std::string folder =
            JoinPath(temp, Format("KU-nic-%lu-%u", GetCurrentProcessId(), number));
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return std::string();
}

// "netsh dump" into the file; empty when it holds the settings, else why not.
std::string DumpNetworkSettings(const std::string& file) {
    // The file must exist for its short name; the dump then fills it.
    if (!WriteWholeFile(file, std::string()))
        return file + " cannot be written.";
    try {
        DWORD exitCode = 0;
        RunAndCapture("cmd.exe /c netsh dump > " + QuoteSpacesForCmd(ShortOrLongPath(file)),
                      &exitCode);
        if (exitCode != 0 || FileText(file).empty())
            return Format("netsh wrote no settings (exit code %lu).",
                          static_cast<unsigned long>(exitCode));
    } catch (const std::exception& error) {
        return error.what();
    }
    return std::string();
}

} // namespace

NicOutcome BackupNetworkSettings(INicHost& host, const NicPlaces& places) {
    std::string path;
    if (!host.ChooseBackupFile(path) || Trim(path).empty())
        return NicOutcome::Cancelled;
    std::string failure;
    const std::string folder = MakeDumpFolder();
    if (folder.empty()) {
        failure = "no temporary folder could be made for the settings.";
    } else {
        const std::string dump = JoinPath(folder, "NewBackup.nic");
        failure = DumpNetworkSettings(dump);
        // Only a whole dump replaces the chosen file (an earlier backup stays on failure).
        if (failure.empty() && !MoveFileExA(dump.c_str(), path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED |
                                                MOVEFILE_WRITE_THROUGH))
            failure = path + " cannot be written.";
        DeleteDirectoryTree(folder);
    }
    if (!failure.empty()) {
        host.Message("NIC Settings Back up failed!\n\r" + failure, kBackupCaption,
                     MB_OK | MB_ICONEXCLAMATION);
        return NicOutcome::Failed;
    }
    const std::string shortPath = ShortOrLongPath(path);
    host.Message("NIC Settings Back up completely!\n\r" + shortPath, kBackupCaption,
                 MB_OK | MB_ICONINFORMATION);
    RememberBackupFile(places, shortPath);
    return NicOutcome::Done;
}

NicOutcome RestoreNetworkSettings(INicHost& host, const NicPlaces& places) {
    std::string path;
    if (!host.ChooseRestoreFile(LastBackupFolder(places), path) || Trim(path).empty())
        return NicOutcome::Cancelled;
    const std::string log = LogPath(places);
    if (FileExists(log))
        DeleteSingleFile(log);
    std::string output;
    try {
        output = RunAndCapture("cmd.exe /c netsh exec " + QuoteSpacesForCmd(ShortOrLongPath(path)));
    } catch (const std::exception& error) {
        host.Message("NIC Settings restore failed!\n\r" + std::string(error.what()),
                     kBackupCaption, MB_OK | MB_ICONEXCLAMATION);
        return NicOutcome::Failed;
    }
    if (!WriteWholeFile(log, output + "\r\n")) {
        host.Message("NIC Settings restore: " + log + " cannot be written.", kBackupCaption,
                     MB_OK | MB_ICONEXCLAMATION);
        return NicOutcome::Failed;
    }
    RunWinExec("NOTEPAD.EXE  \"" + log + "\"", SW_SHOWMAXIMIZED);
    return NicOutcome::Done;
}

} // namespace ku
