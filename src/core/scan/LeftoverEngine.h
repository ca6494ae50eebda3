// The generic leftover engine the special uninstall and its profiles use: registry searches
// for Windows Installer product codes, folder scans, install-folder scans and two removers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"

namespace ku {

// How the engine reaches its window: let messages through, show what it looks at, and note
// what it met but left alone (by its shown form: a name the code page cannot hold). Any may be
// empty.
struct LeftoverScanProgress {
    std::function<void()> pump;
    std::function<void(const std::string&)> caption;
    std::function<void(const std::string&)> leftAlone;
    void Pump() const {
        if (pump)
            pump();
    }
    void Caption(const std::string& text) const {
        if (caption)
            caption(text);
    }
    void LeftAlone(const std::string& item) const {
        if (leftAlone)
            leftAlone(item);
    }
};

inline const char* const kInstallerComponentsPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components";
inline const char* const kInstallerProductsPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products";

// Keys the engine's registry walks have visited, across calls; the caption shows every 200th.
extern int LeftoverKeyCounter;

// Component registrations of the product (packed code, compared exactly) and, for a
// non-empty code, every key named like it and every value named like it or holding it as text,
// below HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. Stops when ScanState is
// ScanStop.
void SearchRegistryLeftovers(const std::string& productCode, TUninstallerContents& contents,
                             const LeftoverScanProgress& progress);
void SearchRegistryLeftoversEx(const std::vector<std::string>& productCodes,
                               TUninstallerContents& contents,
                               const LeftoverScanProgress& progress);
// Every file below Folder; folders themselves are not listed. An entry whose name the code
// page cannot hold is left alone and noted.
void ScanFolderLeftovers(const std::string& folder, const LeftoverScanProgress& progress,
                         TUninstallerContents& contents);
// The files of each product's InstallLocation; then FileList gets the FilePath of every item.
void SearchInstallLocationLeftovers(const LeftoverScanProgress& progress,
                                    const std::vector<std::string>& productCodes,
                                    std::vector<std::string>& fileList,
                                    TUninstallerContents& contents);

// Deletes the key and value items through the guarded delete helpers until ScanState is
// ScanStopRemoving.
void DeleteRegistryLeftovers(const TUninstallerContents& contents);
// Asks once whether to delete permanently (Yes) or into the Recycle Bin (No), then removes the
// file items through the guarded helpers. The question is owned by owner, which stays
// disabled while it is open.
void DeleteFileLeftovers(const TUninstallerContents& contents, HWND owner = nullptr);
// Moves one file or folder into the Recycle Bin without asking; false when refused or failed.
bool RecycleFile(const std::string& path);

// The component of one Installer registration as the engine lists it: a file outside the
// Windows folder alone, a missing file or one below the Windows folder (System32, SysWOW64,
// compared ignoring case) as the whole component key, and only the product's own value when
// another product shares the component. Listed in the Installer's own (native) view.
void AddComponentItem(TUninstallerContents& contents, const std::string& componentPath,
                      const std::string& productCode, const std::string& data, bool shared);

} // namespace ku
