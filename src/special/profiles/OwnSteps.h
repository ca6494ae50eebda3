// The steps of the profiles that do more than apply a data-file section, and the two
// clean-up procedures the dispatch calls after a removal.
#pragma once

#include <windows.h>

#include <string>

#include "special/profiles/ProfileTypes.h"

namespace ku {

// Deletes, among the network adapter keys 0000 to 0050, those of the virtual adapters.
void RemoveVirtualNetworkAdapters(const ProfileRow& row, const ProfileSite& site);
// Gives the Recycle Bin back its own names.
void RestoreRecycleBinNames(const ProfileRow& row, const ProfileSite& site);
// Lists the path of every leftover found so far in the found-file list.
void ListFoundFiles(const ProfileRow& row, const ProfileSite& site);
// Adds the existing files of the row's "FILE=" lines as leftovers.
void FindSectionFiles(const ProfileRow& row, const ProfileSite& site);
// Adds TweakUI.exe of the system folder when it is there.
void FindTweakUIFile(const ProfileRow& row, const ProfileSite& site);
// Registers the script engines (and the XML parser) again, in a normal window.
void RegisterScriptEngines(const ProfileRow& row, const ProfileSite& site);
void RegisterScriptComponents(const ProfileRow& row, const ProfileSite& site);

// Writes one string value, creating its key; failures are silent.
void WriteRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value);
// Deletes "winsc32.ini" of the Windows folder through cmd.exe, when the delete guard allows.
void DeleteWinsc32Ini();
// Registers the link-advisor library of the eTrust suite for deletion at the next restart,
// unless it lies in a folder of `others` (the suite's folder value naming another program's).
void ScheduleLinkAdvisorDeletion(const OtherInstalledPrograms* others = nullptr);

} // namespace ku
