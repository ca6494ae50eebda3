// Enable, disable, remove and restore. Every change writes its backup line first and flushes
// it, then changes the entry, and takes the line back when the entry could not be changed: a
// failure at any step leaves the entry and its backup as they were.
#include "sysmanager/StartupManager.h"

#include "core/system/DeleteHelpers.h"
#include "core/system/FileSystem.h"
#include "core/system/StrUtil.h"
#include "sysmanager/StartupStore.h"

namespace ku {

namespace {

const char* const kInexactEntryText =
    "its name or data holds characters this program cannot handle; it was left alone";

std::string Gone(const TLineFile& file) {
    return "its backup line is no longer in " + file.Path() + "; nothing was changed";
}

std::string Busy(const TLineFile& file) {
    return UnreadableBackupText(file.Path()) + "; nothing was changed";
}

// The marked rows whose status is (or is not) "Disable".
template <typename Fn>
ActionReport ForMarkedRows(const std::vector<StartupRow>& rows, bool disabled, Fn action) {
    ActionReport report;
    for (const StartupRow& row : rows) {
        if (!row.Marked() || (row.Status == kStatusDisable) != disabled)
            continue;
        std::string failure;
        // Acting by the best-fit form would change another entry, or write back other data.
        if (row.Inexact)
            report.Failures.push_back("\"" + row.Caption + "\": " + kInexactEntryText);
        else if (action(row, failure))
            ++report.Done;
        else if (!failure.empty())
            report.Failures.push_back("\"" + row.Caption + "\": " + failure);
    }
    return report;
}

// Appends a line to a backup file and flushes it.
bool AppendLine(TLineFile& file, const std::string& line) {
    if (!file.Load())
        return false;
    file.Lines.push_back(line);
    if (file.Save())
        return true;
    file.Load();
    return false;
}

// Takes a line out of a backup file again; false when the file cannot be rewritten.
bool TakeLineBack(TLineFile& file, const std::string& line) {
    return file.Load() && (!file.RemoveFirst(line) || file.Save());
}

BackupLine LineOfRow(const StartupRow& row) {
    BackupLine where;
    where.RootName = row.Entry.Location.substr(0, row.Entry.Location.find('\\'));
    where.KeyPath = row.Entry.KeyPath;
    where.ValueName = row.Entry.ValueName;
    where.ValueType = row.Entry.ValueType;
    where.Data = row.Entry.DataText;
    return where;
}

} // namespace

ActionReport TStartupManager::Enable(const std::vector<StartupRow>& rows) {
    return ForMarkedRows(rows, true, [this](const StartupRow& row, std::string& failure) {
        if (row.Kind == kKindFolder)
            return RestoreFile(row.Line, failure);
        if (row.Kind == kKindRegistry || row.Kind == kKindWinIni)
            return RestoreEntry(row.Line, StartupLines, failure);
        return false;
    });
}

ActionReport TStartupManager::Disable(const std::vector<StartupRow>& rows) {
    return ForMarkedRows(rows, false, [this](const StartupRow& row, std::string& failure) {
        if (row.Kind == kKindFolder)
            return MoveFileToDel(row.Path, true, failure);
        if (row.Kind == kKindRegistry || row.Kind == kKindWinIni)
            return BackUpAndDelete(row, StartupLines, failure);
        return false;
    });
}

ActionReport TStartupManager::Remove(const std::vector<StartupRow>& rows) {
    ActionReport live =
        ForMarkedRows(rows, false, [this](const StartupRow& row, std::string& failure) {
            if (row.Kind == kKindFolder)
                return MoveFileToDel(row.Path, false, failure);
            if (row.Kind == kKindRegistry || row.Kind == kKindWinIni)
                return BackUpAndDelete(row, RemoveStartupLines, failure);
            return false;
        });
    ActionReport disabled =
        ForMarkedRows(rows, true, [this](const StartupRow& row, std::string& failure) {
            if (row.Kind == kKindFolder)
                return MarkFileRemoved(row.Line, failure);
            if (row.Kind == kKindRegistry || row.Kind == kKindWinIni)
                return MoveBackupLine(row.Line, failure);
            return false;
        });
    live.Done += disabled.Done;
    live.Failures.insert(live.Failures.end(), disabled.Failures.begin(), disabled.Failures.end());
    return live;
}

ActionReport TStartupManager::Restore(const std::vector<RestoreRow>& rows) {
    ActionReport report;
    for (const RestoreRow& row : rows) {
        if (!row.Checked)
            continue;
        std::string failure;
        const bool done = Trim(row.Kind) == kRestoreKindFile
                              ? RestoreFile(row.Line, failure)
                              : RestoreEntry(row.Line, RemoveStartupLines, failure);
        if (done)
            ++report.Done;
        else
            report.Failures.push_back("\"" + row.Name + "\": " + failure);
    }
    return report;
}

bool TStartupManager::BackUpAndDelete(const StartupRow& row, TLineFile& file,
                                      std::string& failure) {
    BackupLine now;
    if (!ReadLiveEntry(LineOfRow(row), places_.WinIniPath, now)) {
        failure = "the entry is no longer there";
        return false;
    }
    if (!IsKeepableType(now.ValueType)) {
        failure = "its value is neither text nor a number, so it could not be kept for a later "
                  "restore; nothing was changed";
        return false;
    }
    if (!FitsBackupLine(now.Data)) {
        failure = "its value holds line breaks, so it could not be kept for a later restore; "
                  "nothing was changed";
        return false;
    }
    const std::string line = MakeBackupLine(now);
    if (!AppendLine(file, line)) {
        failure = Busy(file);
        return false;
    }
    if (DeleteLiveEntry(now, places_.WinIniPath))
        return true;
    failure = TakeLineBack(file, line)
                  ? "the entry could not be deleted; nothing was changed"
                  : "the entry could not be deleted, and its line stays in " + file.Path();
    return false;
}

bool TStartupManager::MoveBackupLine(const std::string& line, std::string& failure) {
    // The removed entry's new line is on the disk before its old one goes.
    if (!AppendLine(RemoveStartupLines, line)) {
        failure = Busy(RemoveStartupLines);
        return false;
    }
    const bool loaded = StartupLines.Load();
    if (loaded && StartupLines.RemoveFirst(line) && StartupLines.Save())
        return true;
    failure = loaded && StartupLines.Find(line) < 0 ? Gone(StartupLines) : Busy(StartupLines);
    TakeLineBack(RemoveStartupLines, line);
    StartupLines.Load();
    return false;
}

bool TStartupManager::RestoreEntry(const std::string& line, TLineFile& file, std::string& failure) {
    BackupLine parsed;
    if (!ParseBackupLine(line, parsed)) {
        failure = "its backup line cannot be read";
        return false;
    }
    if (!file.Load()) {
        failure = Busy(file);
        return false;
    }
    if (file.Find(line) < 0) {
        failure = Gone(file);
        return false;
    }
    const WriteBackResult written = WriteBackEntry(parsed, places_.WinIniPath);
    if (written == WriteBackResult::Conflict) {
        failure = "an entry of the same name with other data is already there; the backup is kept";
        return false;
    }
    if (written == WriteBackResult::Failed) {
        failure = "the entry could not be written back; the backup is kept";
        return false;
    }
    if (file.RemoveFirst(line) && file.Save())
        return true;
    // The line must stay while the entry goes back to how it was.
    if (written == WriteBackResult::Written)
        DeleteLiveEntry(parsed, places_.WinIniPath);
    file.Load();
    failure = Busy(file);
    return false;
}

bool TStartupManager::MoveFileToDel(const std::string& path, bool disabled, std::string& failure) {
    if (!FileExists(path)) {
        failure = "it is not a file that is still there";
        return false;
    }
    // CopyToDelFolder: the copy never replaces a file of the same name in the del folder.
    const std::string copy = FreeDelPath(DelFolder, ExtractFileName(path));
    if (!CopyFileA(path.c_str(), copy.c_str(), TRUE)) {
        failure = "it could not be copied to " + DelFolder + "; nothing was changed";
        return false;
    }
    const std::string line = MakeDelLine(DelLine{path, copy, disabled});
    if (!AppendLine(DelLines, line)) {
        DeleteSingleFile(copy);
        failure = Busy(DelLines);
        return false;
    }
    if (DeleteSingleFile(path))
        return true;
    if (TakeLineBack(DelLines, line))
        DeleteSingleFile(copy);
    failure = "it could not be deleted from its folder; nothing was changed";
    return false;
}

bool TStartupManager::MarkFileRemoved(const std::string& line, std::string& failure) {
    // MarkLineRemoved: the same line without its disabled mark.
    DelLine parsed;
    if (!ParseDelLine(line, parsed) || !DelLines.Load()) {
        failure = Busy(DelLines);
        return false;
    }
    const int index = DelLines.Find(line);
    if (index < 0) {
        failure = Gone(DelLines);
        return false;
    }
    parsed.Disabled = false;
    DelLines.Lines.erase(DelLines.Lines.begin() + index);
    DelLines.Lines.push_back(MakeDelLine(parsed));
    if (DelLines.Save())
        return true;
    DelLines.Load();
    failure = Busy(DelLines);
    return false;
}

bool TStartupManager::RestoreFile(const std::string& line, std::string& failure) {
    DelLine parsed;
    if (!DelLines.Load()) {
        failure = Busy(DelLines);
        return false;
    }
    if (!ParseDelLine(line, parsed) || DelLines.Find(line) < 0) {
        failure = Gone(DelLines);
        return false;
    }
    if (FileExists(parsed.Original) || DirectoryExists(parsed.Original)) {
        failure = "a file of that name is already at " + parsed.Original + "; the backup is kept";
        return false;
    }
    if (!CopyFileA(parsed.Copy.c_str(), parsed.Original.c_str(), TRUE)) {
        failure = "it could not be copied back from " + parsed.Copy + "; the backup is kept";
        return false;
    }
    if (!DelLines.RemoveFirst(line) || !DelLines.Save()) {
        DeleteSingleFile(parsed.Original);
        DelLines.Load();
        failure = Busy(DelLines);
        return false;
    }
    DeleteSingleFile(parsed.Copy);
    return true;
}

} // namespace ku
