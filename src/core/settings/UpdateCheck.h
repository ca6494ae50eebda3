// The update check: fetch the descriptor from the maker's web host, compare, start the updater.
#pragma once

#include <windows.h>

#include <string>

#include "core/settings/Settings.h"

namespace ku {

inline const char* const kUpdateDescriptorPath =
    "/products/system-utility/kelvane-uninstaller/update/Update.ini";
inline const char* const kNoUpdateMessage =
    "There are no updates available at this time.\rYour Kelvane Uninstaller is up-to-date.";
inline const char* const kUpdateQuestion =
    "A newer version of Kelvane Uninstaller is available, Kelvane Uninstaller will shut down "
    "to install the newer version.\rWould you like to update now?";

// One HTTP GET of url (redirects followed, 5000 ms read time-out); on success the body
// replaces fileName whole. On any failure the file is left as it was and the result is false.
bool DownloadFile(const std::string& url, const std::string& fileName);

// The string value "Version" under HKEY_CURRENT_USER keyPath; empty when missing.
std::string GetInstalledVersion(const std::string& keyPath = kSettingsKey);

// Ordinal comparison, character by character: "2010.1.10" is not newer than "2010.1.9".
bool IsVersionNewer(const std::string& offered, const std::string& installed);

// Downloads "Update.ini" into programDir and compares its [Version] Ver with the installed one.
bool IsNewerVersionAvailable(const std::string& programDir,
                             const std::string& keyPath = kSettingsKey);

// What the interactive check shows while it downloads; the window layer supplies it.
class IUpdateWaitWindow {
  public:
    virtual ~IUpdateWaitWindow() = default;
    virtual void Show() = 0;
    virtual void Close() = 0;
};

struct UpdateCheckPlaces {
    std::string programDir;             // where "Update.ini" goes and "Update.exe" is
    std::string keyPath = kSettingsKey; // where the installed "Version" is
    // Owner of the boxes the check shows: disabled while one is open, so that no second click
    // opens a second one.
    HWND owner = nullptr;
};

// The whole check. Interactive shows the wait window and the no-update message; silent shows
// only the question when there is a newer version. True when the user chose to update: the
// updater was started and the caller must end the program.
bool CheckForUpdate(bool interactive, IUpdateWaitWindow* wait, const UpdateCheckPlaces& places);

} // namespace ku
