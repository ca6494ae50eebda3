// Backup and restore of the network settings with the Windows tool netsh ("netsh dump" into a
// file chosen by the user, "netsh exec" of such a file), run through the command interpreter.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

struct NicPlaces {
    std::string programDir; // where NICLog.txt goes; ours when empty
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string settingKey = "\\Software\\Zentrel Uninstaller"; // value "NICSetting"
};

// What the network work needs of its window; each call is carried out on the window's thread.
class INicHost {
  public:
    virtual ~INicHost() = default;
    // The save dialog, proposing "NewBackup"; false when cancelled.
    virtual bool ChooseBackupFile(std::string& path) = 0;
    // The open dialog in initialDir (empty: the system's choice); false when cancelled.
    virtual bool ChooseRestoreFile(const std::string& initialDir, std::string& path) = 0;
    virtual void Message(const std::string& text, const std::string& caption, UINT type) = 0;
};

enum class NicOutcome { Cancelled, Done, Failed };

// "netsh dump" into the chosen file; on success tells the user and remembers the file.
NicOutcome BackupNetworkSettings(INicHost& host, const NicPlaces& places = NicPlaces());
// "netsh exec" of the chosen file; its output goes to NICLog.txt, which Notepad shows.
NicOutcome RestoreNetworkSettings(INicHost& host, const NicPlaces& places = NicPlaces());

} // namespace ku
