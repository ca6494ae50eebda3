// One startup entry where it lives: a Run value of the registry or a key of win.ini, read,
// written back and deleted (deletes through the guarded helpers); and the del folder's files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "sysmanager/StartupBackup.h"

namespace ku {

class TRegistry;

// The data text of a Run value as the list shows it: strings as they stand, a number in
// decimal, anything else empty; type receives the Windows value type.
std::string ReadRunValueText(TRegistry& key, const std::string& name, DWORD& type);

// Whether a value of this type can be kept in a backup line and written back unchanged.
bool IsKeepableType(DWORD type);

// The entry as it is now, with its current type and data; false when it is gone.
bool ReadLiveEntry(const BackupLine& where, const std::string& winIniPath, BackupLine& now);

enum class WriteBackResult { Written, AlreadyThere, Conflict, Failed };
// Writes the entry of a backup line back with its own type. A value of the same name that is
// already there with other data is never overwritten (Conflict).
WriteBackResult WriteBackEntry(const BackupLine& line, const std::string& winIniPath);
// Deletes the entry; true only when it is gone.
bool DeleteLiveEntry(const BackupLine& line, const std::string& winIniPath);

// One key of a win.ini section: its exact name, or (exact false) a shown form beside the wide
// name, by which alone it can be read.
struct WinIniKey {
    std::string name;
    std::wstring wide;
    bool exact = true;
};

// The keys of a win.ini section, and one key's value, read by the wide functions: a file saved
// as Unicode may hold names and texts the code page cannot, and the "A" functions would hand
// them out in a best-fit form that names another key. WinIniValue is false for a value the
// code page cannot hold (`text` then holds a shown form).
std::vector<WinIniKey> WinIniKeys(const std::string& winIniPath, const std::string& section);
bool WinIniValue(const std::string& winIniPath, const std::string& section, const std::wstring& key,
                 std::string& text);

// A path in the del folder for a file of this name that no file there has yet: the name
// itself, else "name (2).ext", "name (3).ext" ...
std::string FreeDelPath(const std::string& delFolder, const std::string& fileName);

// The program a shortcut (".lnk") starts; empty when it is none or cannot be read.
std::string ShortcutTarget(const std::string& path);

} // namespace ku
