// The whole-registry backups in "FullBackup" of the program folder: listing, their times and
// the restore with "Regedit /s".
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ku {

inline const char* const kFullBackupFolder = "FullBackup";

// Lets window messages through while a listing or an import runs; may be empty.
using PumpMessages = std::function<void()>;

// programDir (with or without a trailing "\") + "FullBackup", without a trailing "\".
std::string FullBackupFolder(const std::string& programDir);

// Names of the backups in folder, by name (as NTFS lists them): plain files (attributes exactly
// FILE_ATTRIBUTE_ARCHIVE) whose upper-cased name contains "REG". A missing folder is created
// and gives an empty list.
std::vector<std::string> ListRegistryBackups(const std::string& folder,
                                             const PumpMessages& pump = nullptr);

// "Backup_yyyymmdd_hhnnss.reg" as "mm/dd/yyyy hh:nn:ss"; empty when the name is too short to
// hold the date and time.
std::string BackupTimeText(const std::string& name);

// ""<Windows folder>\regedit.exe" /s "<file>"".
std::string RestoreCommandLine(const std::string& file);

enum class RestoreResult {
    Restored,    // the import ran to its end and reported success
    NotAnExport, // the file is missing or is no registry export: nothing was started
    NotStarted,  // regedit could not be started
    Failed,      // regedit ended with an error or did not end in time
};

// Imports the export with "Regedit /s" (hidden) through the launcher and waits for it to end.
RestoreResult RestoreRegistryBackup(const std::string& file, const PumpMessages& pump = nullptr);

} // namespace ku
