// Scans of the uninstall wizard that the force mode and the Windows Installer work bring.
// Until then each is a named no-op, so the step engine already calls them in their places.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/WizardState.h"

namespace ku {

void ScanInstallerByDisplayName(TWizardState& state, const std::string& displayName,
                                IScanProgress* progress);
void ScanInstallerByProfile(TWizardState& state, const std::string& profileKey,
                            IScanProgress* progress);
void ScanServerProgram(TWizardState& state, const std::string& path);
void ScanInstallerLeftovers(TWizardState& state, const std::string& folder, int serverMode,
                            IScanProgress* progress);
void ScanRegistryForceWalk(TWizardState& state, HKEY root, const std::string& path,
                           IScanProgress* progress, const std::string& folder,
                           const std::string& command);
void ScanComLeftovers(TWizardState& state, const std::string& folder, HKEY root,
                      IScanProgress* progress, const std::string& classesPath);
void ScanSoftwareKeysOfFolder(TWizardState& state, const std::string& folder);
void ScanRegistryByProgramWalk(TWizardState& state, HKEY root, const std::string& path,
                               IScanProgress* progress, const std::string& programFile,
                               const std::string& command);

} // namespace ku
