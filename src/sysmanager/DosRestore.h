// The DOS-mode restore boot entry (a GRUB4DOS menu entry that starts a DOS floppy image from the
// hard disk, chained from boot.ini), its batch menu of hive backups, and the Run value that
// starts the automatic backup at logon.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

// Where the entry's files and values live; tests point them at folders and keys of their own.
struct DosRestorePlaces {
    std::string bootDrive = "c:\\"; // root holding boot.ini, menu.lst, GRLDR, dos.img
    std::string programDir;         // where GRLDR, dos.img, dos.rar, UnRAR.exe ship; ours if empty
    std::string exePath;            // the program the Run value starts; ours if empty
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string runKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    // Holds "DosRestore": what the installation added, so that removal takes back only that.
    std::string recordKey = "\\Software\\Kelvane Uninstaller";

    std::string ProgramFolder() const; // with a trailing "\"
    std::string Exe() const;
    std::string Boot(const std::string& name) const { return bootDrive + name; }
};

inline const char* const kAutoRunValue = "DAVadOvadar";
inline const char* const kLoaderLine = "C:\\GRLDR=*System Menu*";

// The Run value: "<program>"  -AUTORUN. False when the key cannot be opened or written.
bool SetAutoBackupOnBoot(bool enable, const DosRestorePlaces& places = DosRestorePlaces());
// True when the Run value starts this program; a value that starts another copy is deleted.
bool IsAutoBackupOnBoot(const DosRestorePlaces& places = DosRestorePlaces());

// Whether the window offers the entry on this Windows: not on 6.1 and later 6.x, nor on 6.0
// under WOW64.
bool DosRestoreFitsWindows(DWORD major, DWORD minor, bool wow64);

// menu.lst holds the restore entry. Missing copies of GRLDR and dos.img are put back.
bool IsDosRestoreInstalled(const DosRestorePlaces& places = DosRestorePlaces());

struct DosResult {
    bool ok = false;
    std::string error; // for the user
};
DosResult InstallDosRestore(const DosRestorePlaces& places = DosRestorePlaces());
DosResult UninstallDosRestore(const DosRestorePlaces& places = DosRestorePlaces());

// Clears (false) or sets (true) the read-only, system and hidden attributes of the boot files
// that exist; the bakku copies too when withCopies.
void SetBootFileAttributes(bool protect, bool withCopies,
                           const DosRestorePlaces& places = DosRestorePlaces());

// Unpacks dos.img from dos.rar with the program folder's UnRAR.exe, in that folder, and waits
// for it. True when dos.img is there afterwards.
bool UnpackDosImage(const std::string& programDir);

// The lines of Copyfile.bat for the backups, oldest first.
std::vector<std::string> DosRestoreBatchLines(const std::vector<std::string>& backups,
                                              const std::string& backupDir,
                                              const std::string& systemDir);
// Writes backupDir\Copyfile.bat; with no backups an existing one stays.
bool WriteDosRestoreBatch(const std::vector<std::string>& backups, const std::string& backupDir);

// The seven lines of the restore entry and the whole new menu.
const std::vector<std::string>& RestoreEntryLines();
const std::vector<std::string>& NewMenuLines();

} // namespace ku
