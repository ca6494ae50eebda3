// Where the startup manager finds logon programs: startup folders, Run keys, win.ini and the
// entries it disabled itself; each becomes a row of the Startup or Restore list.
#include "sysmanager/StartupManager.h"

#include <algorithm>

#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "sysmanager/StartupStore.h"

namespace ku {

namespace {

const char* const kShellFoldersKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kCommonStartup = "Common Startup";
const char* const kUserStartup = "Startup";
const char* const kWinIniSections[] = {"Load", "Run"};
const char* const kInexactNote = " (holds characters this program cannot handle)";

std::string RegistryEntryLocation(HKEY root, const std::string& key) {
    return StartupRootName(root) + "\\" + key;
}

} // namespace

const RunKeyPlace kRunKeys[8] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
};

StartupPlaces DefaultStartupPlaces() {
    return StartupPlaces{ProgramDir(), GetWindowsDir() + "\\win.ini"};
}

std::string ExtractFileFromCommand(const std::string& command) {
    return CommandLineToFilePath(command);
}

TStartupManager::TStartupManager(StartupPlaces places) : places_(std::move(places)) {
    const std::string folder = BackupFolder();
    StartupLines = TLineFile(JoinPath(folder, kStartupDatName));
    RemoveStartupLines = TLineFile(JoinPath(folder, kRemoveStartupDatName));
    DelLines = TLineFile(JoinPath(folder, kDelTxtName));
    DelFolder = JoinPath(folder, kDelFolderName);
}

std::string TStartupManager::BackupFolder() const {
    return IncludeTrailingBackslash(places_.ProgramDir) + kRepairBackupFolder;
}

bool TStartupManager::Start() {
    const std::string folder = BackupFolder();
    bool ok = (DirectoryExists(folder) || CreateDirectoryA(folder.c_str(), nullptr)) &&
              (DirectoryExists(DelFolder) || CreateDirectoryA(DelFolder.c_str(), nullptr));
    for (TLineFile* file : {&StartupLines, &RemoveStartupLines, &DelLines})
        ok = file->CreateIfMissing() && ok;
    StartupLines.Load();
    RemoveStartupLines.Load();
    DelLines.Load();
    LoadStartupFolders();
    return ok;
}

void TStartupManager::LoadStartupFolders() {
    FolderEntries.clear();
    const struct {
        HKEY root;
        const char* name;
    } folders[] = {{HKEY_LOCAL_MACHINE, kCommonStartup}, {HKEY_CURRENT_USER, kUserStartup}};
    for (const auto& place : folders) {
        TRegistry registry(RegistryViewAccess());
        registry.SetRootKey(place.root);
        if (!registry.OpenKeyReadOnly(kShellFoldersKey, true) ||
            registry.GetDataType(place.name) == rdUnknown)
            continue;
        StartupEntry entry;
        entry.RootKey = place.root;
        entry.KeyPath = kShellFoldersKey;
        entry.ValueName = place.name;
        try {
            entry.DataText = registry.ReadString(place.name);
        } catch (const ERegistryException&) {
            continue; // a folder the code page cannot name is never listed by another name
        }
        FolderEntries.push_back(entry);
    }
}

std::vector<StartupRow> TStartupManager::LoadStartupList() {
    // A refresh starts from nothing: no row, record or version record of the last one stays.
    std::vector<StartupRow> rows;
    UnreadFiles.clear();
    RegistryEntries.clear();
    WinIniEntries.clear();
    FileInfoList.Clear();
    for (const char* name : {kCommonStartup, kUserStartup})
        for (const StartupEntry& folder : FolderEntries)
            if (folder.ValueName == name)
                ListStartupFolder(folder.DataText, rows);
    for (const RunKeyPlace& place : kRunKeys)
        LoadRunKey(place.root, place.key, rows);
    for (const char* section : kWinIniSections)
        LoadWinIniSection(section, rows);
    LoadDisabledRegistryEntries(rows);
    return rows;
}

void TStartupManager::ListStartupFolder(const std::string& folder, std::vector<StartupRow>& rows) {
    WIN32_FIND_DATAA found;
    UniqueFind find(folder.empty() ? INVALID_HANDLE_VALUE
                                   : FindFirstExactFile(JoinPath(folder, "*.*"), found));
    if (find) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            StartupRow row;
            row.Caption = name;
            row.Path = JoinPath(folder, name);
            row.Status = kStatusEnable;
            row.Kind = kKindFolder;
            const std::string target = ShortcutTarget(row.Path);
            const std::string program = target.empty() ? row.Path : target;
            if (FileExists(program))
                row.InfoIndex = AddFileInfo(program, kKindFolder, name, folder);
            rows.push_back(row);
            if (Pump)
                Pump();
        } while (FindNextExactFile(find.get(), found));
    }
    // Files the code page cannot name are listed with "?" for what they lack and marked: never moved.
    for (const std::string& name : folder.empty() ? std::vector<std::string>()
                                                  : InexactNamesIn(folder)) {
        StartupRow row;
        row.Caption = name + kInexactNote;
        row.Path = JoinPath(folder, name);
        row.Status = kStatusEnable;
        row.Kind = kKindFolder;
        row.Inexact = true;
        rows.push_back(row);
    }
    LoadDisabledFolderFiles(rows);
}

void TStartupManager::LoadRunKey(HKEY root, const std::string& key, std::vector<StartupRow>& rows) {
    TRegistry registry(RegistryViewAccess());
    registry.SetRootKey(root);
    registry.SetLazyWrite(false);
    if (!registry.OpenKey("\\" + key, false, true))
        return;
    // Every value, those the code page cannot hold exactly too: they are listed with "?" for what they lack
    // and marked, so that no action ever reaches them (or a twin) by a best-fit name.
    for (DWORD index = 0;; ++index) {
        std::string name, data;
        DWORD type = REG_NONE;
        const LONG rc = RegEnumValueExact(registry.CurrentKey(), index, name, type, data);
        if (rc != ERROR_SUCCESS && rc != kInexactName)
            break;
        StartupEntry entry;
        entry.RootKey = root;
        entry.KeyPath = key;
        entry.ValueName = name;
        entry.Location = RegistryEntryLocation(root, key);
        StartupRow row;
        row.Inexact = rc == kInexactName;
        entry.DataText = row.Inexact ? (IsKeepableType(type) && type != REG_DWORD ? data : "")
                                     : ReadRunValueText(registry, name, entry.ValueType);
        row.Caption = row.Inexact ? name + kInexactNote : name;
        row.Path = entry.DataText;
        // Values read from a Run key are live: Windows starts them at the next logon.
        row.Status = kStatusEnable;
        row.Kind = kKindRegistry;
        row.Extra = entry.Location;
        row.Entry = entry;
        if (!row.Inexact) {
            RegistryEntries.push_back(entry);
            const std::string program = ExtractFileFromCommand(entry.DataText);
            if (FileExists(program))
                row.InfoIndex = AddFileInfo(program, "Registry", name, entry.Location);
        }
        rows.push_back(row);
    }
}

void TStartupManager::LoadWinIniSection(const std::string& section, std::vector<StartupRow>& rows) {
    // Every key, those the code page cannot hold exactly too (a win.ini saved as Unicode):
    // listed with "?" for what they lack and marked, never acted on by a best-fit name.
    for (const WinIniKey& key : WinIniKeys(places_.WinIniPath, section)) {
        StartupRow row;
        const bool exactValue = WinIniValue(places_.WinIniPath, section, key.wide, row.Path);
        row.Inexact = !key.exact || !exactValue;
        row.Caption = row.Inexact ? key.name + kInexactNote : key.name;
        row.Kind = kKindWinIni;
        row.Entry.KeyPath = section;
        row.Entry.ValueName = key.name;
        row.Entry.DataText = row.Path;
        row.Entry.Location = std::string(kWinIniRoot) + "\\" + section;
        row.Extra = row.Entry.Location;
        if (!row.Inexact) {
            WinIniEntries.push_back(WinIniEntry{section, key.name});
            const std::string program = ExtractFileFromCommand(row.Path);
            if (FileExists(program))
                row.InfoIndex = AddFileInfo(program, kKindWinIni, key.name, row.Entry.Location);
        }
        rows.push_back(row);
    }
}

void TStartupManager::ReadBackupFile(TLineFile& file) {
    if (!file.Load() &&
        std::find(UnreadFiles.begin(), UnreadFiles.end(), file.Path()) == UnreadFiles.end())
        UnreadFiles.push_back(file.Path());
}

void TStartupManager::LoadDisabledRegistryEntries(std::vector<StartupRow>& rows) {
    ReadBackupFile(StartupLines);
    for (const std::string& line : StartupLines.Lines) {
        BackupLine parsed;
        if (!ParseBackupLine(line, parsed))
            continue;
        StartupEntry entry;
        entry.RootKey = StartupRootKey(parsed.RootName);
        entry.KeyPath = parsed.KeyPath;
        entry.ValueName = parsed.ValueName;
        entry.DataText = parsed.Data;
        entry.Location = parsed.Location();
        entry.ValueType = parsed.ValueType;
        if (!parsed.IsWinIni())
            RegistryEntries.push_back(entry);
        StartupRow row;
        row.Caption = parsed.ValueName;
        row.Path = parsed.Data;
        row.Status = kStatusDisable;
        row.Kind = parsed.IsWinIni() ? kKindWinIni : kKindRegistry;
        row.Extra = line;
        row.Entry = entry;
        row.Line = line;
        rows.push_back(row);
    }
}

void TStartupManager::LoadDisabledFolderFiles(std::vector<StartupRow>& rows) {
    ReadBackupFile(DelLines);
    for (const std::string& line : DelLines.Lines) {
        DelLine parsed;
        if (!ParseDelLine(line, parsed) || !parsed.Disabled || FileExists(parsed.Original))
            continue;
        bool listed = false; // both folders add the disabled files once
        for (const StartupRow& row : rows)
            listed = listed || (row.Kind == kKindFolder && row.Line == line);
        if (listed)
            continue;
        // Shown as the file was before it was disabled: its name, and the path it goes back to.
        StartupRow row;
        row.Caption = ExtractFileName(parsed.Original);
        row.Path = parsed.Original;
        row.Status = kStatusDisable;
        row.Kind = kKindFolder;
        row.Extra = line;
        row.Line = line;
        rows.push_back(row);
    }
}

std::vector<RestoreRow> TStartupManager::LoadRestoreList() {
    std::vector<RestoreRow> rows;
    UnreadFiles.clear();
    ReadBackupFile(RemoveStartupLines);
    for (const std::string& line : RemoveStartupLines.Lines) {
        BackupLine parsed;
        if (ParseBackupLine(line, parsed))
            rows.push_back(RestoreRow{parsed.ValueName, parsed.Data, "", line});
    }
    ReadBackupFile(DelLines);
    for (const std::string& line : DelLines.Lines) {
        DelLine parsed;
        if (ParseDelLine(line, parsed) && !parsed.Disabled)
            rows.push_back(RestoreRow{ExtractFileName(parsed.Original), parsed.Original,
                                      kRestoreKindFile, line});
    }
    return rows;
}

int TStartupManager::AddFileInfo(const std::string& file, const std::string& kind,
                                 const std::string& name, const std::string& position) {
    AppInfo.LoadVersionInfo(file);
    TFilInfoeRecord& record = FileInfoList.Add().Record;
    record.EntryType = kind;
    record.Position = position;
    record.ProductName = AppInfo.GetInfo(8);
    record.PublisherName = AppInfo.GetInfo(1);
    record.Version = AppInfo.GetInfo(3);
    record.Description = AppInfo.GetInfo(2);
    record.Action = "Delete";
    record.EntryName = name;
    record.FilePath = file;
    return FileInfoList.Count() - 1;
}

const TFilInfoeRecord* TStartupManager::FileInfo(const StartupRow& row) const {
    if (row.InfoIndex < 0 || row.InfoIndex >= FileInfoList.Count())
        return nullptr;
    return &FileInfoList.GetItem(row.InfoIndex).Record;
}

} // namespace ku
