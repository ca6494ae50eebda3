// Start-up decisions that need no window: the argument, the updater swap, profile unpacking and
// the single-instance mutex.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/system/Handles.h"

namespace ku {

inline const char* const kInstanceMutexName = "Kelvane Uninstaller";

enum class StartMode { Interactive, AutoRun };

struct StartRequest {
    StartMode mode = StartMode::Interactive;
    std::string startFile;   // an existing file named by the argument, unchanged
    std::string startFolder; // an existing folder named by the argument, unchanged
};

// The automatic backup switch: "AUTORUN", "-AUTORUN" or "/AUTORUN" in any letter case. A path
// that merely contains the word (a folder "Autorun Tools") is not the switch.
bool IsAutoRunSwitch(const std::string& argument);

// What the first command-line argument asks for.
StartRequest ParseStartArgument(const std::string& argument);

// The first argument of this process's command line, empty when there is none. One the code
// page cannot hold is not taken (its best-fit form names another file): it reads as empty and
// `inexact` (may be null) gets its shown form for saying so.
std::string FirstCommandLineArgument(std::string* inexact = nullptr);

// Puts a downloaded "New_kuUpdate.exe" in place of "kuUpdate.exe"; false when nothing was
// swapped (no new file, or the rename failed).
bool SwapUpdater(const std::string& programDir);

// The unpacker command lines for the profile archives whose data file is missing, in the order
// A, B, C; empty when "UnRAR.exe" is not there.
std::vector<std::string> ProfileUnpackCommands(const std::string& programDir);

// Starts those commands in programDir without waiting; returns how many started.
int UnpackProfileArchives(const std::string& programDir);

// The named mutex that keeps one instance. Held until the object (normally: the process) ends.
class SingleInstance {
  public:
    explicit SingleInstance(const std::string& name = kInstanceMutexName);
    // False when another instance already holds the name.
    bool IsFirst() const { return first_; }

  private:
    UniqueHandle mutex_;
    bool first_ = false;
};

} // namespace ku
