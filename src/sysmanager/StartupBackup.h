// The startup manager's backup files in "RepairBackup\": the line formats of "startup.dat",
// "removestartup.dat" and "del.txt", and a line list that reports every read and write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

inline const char* const kRepairBackupFolder = "RepairBackup";
inline const char* const kStartupDatName = "startup.dat";
inline const char* const kRemoveStartupDatName = "removestartup.dat";
inline const char* const kDelTxtName = "del.txt";
inline const char* const kDelFolderName = "del";

// The root name of win.ini entries in backup lines: "win.ini\Load#name|value".
inline const char* const kWinIniRoot = "win.ini";
// A del.txt line of a disabled file ends with this mark.
inline const char* const kDisabledMark = "|E";

// Root names and handles ("HKEY_LOCAL_MACHINE" ...); 0 or "" for anything else.
HKEY StartupRootKey(const std::string& name);
std::string StartupRootName(HKEY key);

// One line of startup.dat or removestartup.dat: location "#" value name "|" data, where the
// location is root name "\" key path (or "win.ini\" section). The value name is written with
// "%", "#", "|" and line breaks as %25, %23, %7C, %0D, %0A, so that it cannot move the
// separators; a value that is not a plain string adds its type as "%t2" (expandable string)
// or "%t4" (number, data in decimal). Data is the rest of the line and keeps its own "#" and "|".
struct BackupLine {
    std::string RootName; // "HKEY_CURRENT_USER" ... or "win.ini"
    std::string KeyPath;  // key path below the root, or the win.ini section
    std::string ValueName;
    DWORD ValueType = REG_SZ;
    std::string Data;

    std::string Location() const { return RootName + "\\" + KeyPath; }
    bool IsWinIni() const { return RootName == kWinIniRoot; }
};

std::string MakeBackupLine(const BackupLine& entry);
// False for a line without the "\", "#" and "|" separators in that order.
bool ParseBackupLine(const std::string& line, BackupLine& entry);
// Whether data can travel in a line (no line breaks or zero characters).
bool FitsBackupLine(const std::string& data);

// One line of del.txt: original path "#" path of the copy in the del folder, followed by
// "|E" while the file is disabled. Paths may hold "#": the separator is the "#" before the
// copy's drive.
struct DelLine {
    std::string Original;
    std::string Copy;
    bool Disabled = false;
};

std::string MakeDelLine(const DelLine& entry);
bool ParseDelLine(const std::string& line, DelLine& entry);

// Why a backup file could not be used, for the user.
std::string UnreadableBackupText(const std::string& path);

// A text file of CR LF lines, read whole and written whole.
class TLineFile {
  public:
    explicit TLineFile(std::string path = std::string()) : path_(std::move(path)) {}

    // A missing file reads as no lines; false when the file cannot be read (held open).
    bool Load();
    // Writes every line and flushes it to the disk; false when any step failed. The file is
    // opened without sharing, so a file another process holds open is left as it was.
    bool Save() const;
    // Writes an empty file when there is none.
    bool CreateIfMissing() const;

    // The first line equal to line when both are trimmed of blanks, or -1.
    int Find(const std::string& line) const;
    bool RemoveFirst(const std::string& line);

    const std::string& Path() const { return path_; }
    std::vector<std::string> Lines;

  private:
    std::string path_;
};

} // namespace ku
