// The startup manager without its window: where Windows starts programs at logon (Run keys,
// startup folders, win.ini), the rows the two lists show, and the actions that disable,
// enable, remove and restore entries through the backup files of "RepairBackup\".
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "sysmanager/APP.h"
#include "sysmanager/StartupBackup.h"

namespace ku {

// Kinds (sub-item 3 of a Startup-list row) and statuses (sub-item 2).
inline const char* const kKindRegistry = "Registration";
inline const char* const kKindFolder = "Startup Folder";
inline const char* const kKindWinIni = "Win.ini";
inline const char* const kStatusEnable = "Enable";
inline const char* const kStatusDisable = "Disable";
inline const char* const kRestoreKindFile = "file";

// One registry entry or startup folder (for a folder: the value name of its shell folder and
// the folder path); win.ini entries use the root 0, the section as key path.
struct StartupEntry {
    HKEY RootKey = nullptr;
    std::string KeyPath;
    std::string ValueName;
    std::string DataText;
    std::string Location; // root name "\" key path, or "win.ini\" section; empty for folders
    DWORD ValueType = REG_SZ;
};

struct WinIniEntry {
    std::string Section; // "Load" or "Run"
    std::string KeyName;
};

struct RunKeyPlace {
    HKEY root;
    const char* key;
};
// The Run-key family, HKLM first, in the order the list shows them.
extern const RunKeyPlace kRunKeys[8];

// A row of the Startup list. Actions work on what the row carries, never on a record found
// again by name, so an entry of one key can never act on a same-named entry of another.
struct StartupRow {
    std::string Caption;
    std::string Path;    // sub-item 1
    std::string Status;  // sub-item 2
    std::string Kind;    // sub-item 3
    std::string Extra;   // sub-item 4: location of a live entry, the backup line of a disabled one
    int ItemPicture = 0; // 0 unmarked, 1 marked
    int StatePicture = -1; // -1 none, 2 details can be shown, 3 details shown
    int InfoIndex = -1;    // its version record in FileInfoList, or -1
    StartupEntry Entry;    // live registry and win.ini rows
    std::string Line;      // disabled rows: the startup.dat or del.txt line they came from
    // Its name or data is one the code page cannot hold: shown with "?" for what it lacks, never acted on.
    bool Inexact = false;

    bool Marked() const { return ItemPicture == 1; }
};

// A row of the Restore list: a removed registry or win.ini entry, or a removed folder file.
struct RestoreRow {
    std::string Name;     // value name, or the file's name
    std::string Info;     // data, or the path the file goes back to
    std::string Kind;     // "file" for a file, else empty
    std::string Line;     // the removestartup.dat or del.txt line
    bool Checked = false; // the row's check box
};

// Where the manager keeps its files and finds win.ini.
struct StartupPlaces {
    std::string ProgramDir; // with a trailing "\"; "RepairBackup\" lives here
    std::string WinIniPath;
};
StartupPlaces DefaultStartupPlaces();

// What an action did: how many entries changed, and one text per entry that could not be
// changed (nothing of such an entry was lost).
struct ActionReport {
    int Done = 0;
    std::vector<std::string> Failures;
};

class TStartupManager {
  public:
    explicit TStartupManager(StartupPlaces places = DefaultStartupPlaces());

    // Makes "RepairBackup\", its "del" folder and the three files when missing, reads the
    // files and the startup folders. False when the folder or a file cannot be made.
    bool Start();

    // The Startup list, filled anew: both startup folders, the Run keys of HKLM and HKCU,
    // win.ini [Load] and [Run], then the disabled entries of startup.dat.
    std::vector<StartupRow> LoadStartupList();
    // The Restore list: removestartup.dat, then del.txt lines of removed files.
    std::vector<RestoreRow> LoadRestoreList();

    // The actions, for the marked rows (Restore: the checked rows) of the right status.
    ActionReport Enable(const std::vector<StartupRow>& rows);
    ActionReport Disable(const std::vector<StartupRow>& rows);
    ActionReport Remove(const std::vector<StartupRow>& rows);
    ActionReport Restore(const std::vector<RestoreRow>& rows);

    // The version record of a row, or none.
    const TFilInfoeRecord* FileInfo(const StartupRow& row) const;

    const StartupPlaces& Places() const { return places_; }
    std::string BackupFolder() const;

    // Lets window messages through while a startup folder is listed.
    std::function<void()> Pump;
    // The backup files the last LoadStartupList or LoadRestoreList could not read (held open
    // by another program): that list lacks their entries.
    std::vector<std::string> UnreadFiles;

    TAppObj AppInfo;
    TFileContents FileInfoList;
    std::vector<StartupEntry> FolderEntries; // "Common Startup", then "Startup"
    std::vector<StartupEntry> RegistryEntries;
    std::vector<WinIniEntry> WinIniEntries;
    TLineFile StartupLines;       // startup.dat
    TLineFile RemoveStartupLines; // removestartup.dat
    TLineFile DelLines;           // del.txt
    std::string DelFolder;

  private:
    // Sources (StartupSources.cpp).
    void LoadStartupFolders();
    void ListStartupFolder(const std::string& folder, std::vector<StartupRow>& rows);
    void LoadRunKey(HKEY root, const std::string& key, std::vector<StartupRow>& rows);
    void LoadWinIniSection(const std::string& section, std::vector<StartupRow>& rows);
    void LoadDisabledRegistryEntries(std::vector<StartupRow>& rows);
    void LoadDisabledFolderFiles(std::vector<StartupRow>& rows);
    // Reads a backup file for a list; one that cannot be read goes into UnreadFiles.
    void ReadBackupFile(TLineFile& file);
    int AddFileInfo(const std::string& file, const std::string& kind, const std::string& name,
                    const std::string& position);

    // Actions (StartupActions.cpp).
    bool BackUpAndDelete(const StartupRow& row, TLineFile& file, std::string& failure);
    bool MoveFileToDel(const std::string& path, bool disabled, std::string& failure);
    bool MoveBackupLine(const std::string& line, std::string& failure);
    bool MarkFileRemoved(const std::string& line, std::string& failure);
    bool RestoreEntry(const std::string& line, TLineFile& file, std::string& failure);
    bool RestoreFile(const std::string& line, std::string& failure);

    StartupPlaces places_;
};

// The program file of a startup command, as the uninstall commands are read: a leading "@"
// and quotes dropped, %SystemRoot% and the like expanded, arguments cut off.
std::string ExtractFileFromCommand(const std::string& command);

} // namespace ku
