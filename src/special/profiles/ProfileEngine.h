// The engine that runs any profile row: its run procedure (data-file section or fixed
// deletions, extra commands, own steps), its folder finder and its stoppers.
#pragma once

#include <string>
#include <vector>

#include "special/profiles/ProfileTypes.h"

namespace ku {

// Applies the row's section (services stopped, then registry lines deleted) or its fixed
// deletions, then its extra command and own steps.
void RunProfileRow(const ProfileRow& row, const ProfileSite& site);
// Finds the row's install folders and adds every file below them to site.contents.
void ScanProfileRow(const ProfileRow& row, const ProfileSite& site);
// Stops the row's services and ends its processes, in the row's order.
void StopProfileRow(const ProfileRow& row);

// The folders one source names, turned into folders by its steps, in the order read; empty
// entries where a value is missing or a cut misses its marker. On 64-bit Windows a registry
// source is read in the 64-bit view, then in the 32-bit one, which adds the folders not yet
// named. A value the code page cannot hold names no folder; it is noted in progress.
std::vector<std::string> SourceFolders(const FolderSource& source,
                                       const LeftoverScanProgress* progress = nullptr);
std::string ApplyPathSteps(const FolderSource& source, const std::string& value);

// A found folder is scanned only when it is an absolute local path ("X:\...") that the delete
// guard allows: never a drive root, the Windows or system folder, a Program Files or Common
// Files folder itself or a profile root, nor anything that holds one; nothing the force mode
// refuses as its folder (Windows' component and data folders and what they hold); and never
// a path that climbs with ".." (a value such as "...\App\..\Other Vendor" names another
// program's folder).
bool IsScannableProfileFolder(const std::string& folder);

} // namespace ku
