// Windows Installer, COM and SOFTWARE-key scans of the uninstall wizard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/force/ForceRegistryScan.h"
#include "core/force/ServerProgramScan.h"
#include "core/scan/RegistryScan.h"

namespace ku {

inline const char* const kInstallerFoldersPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";

// Normal mode: the Installer product whose DisplayName equals the program's (first in key
// order), its product key, its components and every key or value naming its code.
void ScanInstallerByDisplayName(TWizardState& state, const std::string& displayName,
                                TUninstallerContents& contents, IScanProgress* progress);
// Special mode: the same for a profile's code, without the product search.
void ScanInstallerByProfile(TWizardState& state, const std::string& profileKey,
                            TUninstallerContents& contents, IScanProgress* progress);
// Tests one key: its own name, its value names and its REG_SZ data, each as a whole text.
void MatchRegistryKeyInstallerCode(const VisitedKey& key, TUninstallerContents& contents,
                                   const std::string& code, const std::string& subkeyName);
void ScanRegistryInstallerWalk(TWizardState& state, HKEY root, const std::string& path,
                               IScanProgress* progress, TUninstallerContents& contents,
                               const std::string& code);

// Force mode: the Installer products installed into Folder, their components and the
// Installer's folder entries. The server pass lists nothing itself: it collects the products'
// component files into ServerFileList and runs the running-program scan on each.
void ScanInstallerLeftovers(TWizardState& state, const std::string& folder,
                            TUninstallerContents& contents, bool serverPass,
                            IScanProgress* progress, ForceRemovalPlan& plan);
// COM classes whose server lies in Folder, their AppIDs and the ProgIDs naming them.
void ScanComLeftovers(TWizardState& state, const std::string& folder, HKEY root,
                      IScanProgress* progress, TUninstallerContents& contents,
                      const std::string& base);
// The program's own SOFTWARE keys among Keys: the components named like the folder. Never a
// Microsoft, Classes, Policies or Wow6432Node key, nor one the delete guard protects.
void ScanSoftwareKeysOfFolder(const std::vector<std::string>& keys, const std::string& folder,
                              TUninstallerContents& contents);

// An Installer path "C?\Program Files\..." as a drive path.
std::string RepairInstallerPath(const std::string& path);

} // namespace ku
