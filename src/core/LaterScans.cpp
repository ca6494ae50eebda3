// No-op stand-ins for the force-mode and Windows Installer scans (see LaterScans.h).
#include "core/LaterScans.h"

namespace ku {

void ScanInstallerByDisplayName(TWizardState&, const std::string&, IScanProgress*) {}
void ScanInstallerByProfile(TWizardState&, const std::string&, IScanProgress*) {}
void ScanServerProgram(TWizardState&, const std::string&) {}
void ScanInstallerLeftovers(TWizardState&, const std::string&, int, IScanProgress*) {}
void ScanRegistryForceWalk(TWizardState&, HKEY, const std::string&, IScanProgress*,
                           const std::string&, const std::string&) {}
void ScanComLeftovers(TWizardState&, const std::string&, HKEY, IScanProgress*,
                      const std::string&) {}
void ScanSoftwareKeysOfFolder(TWizardState&, const std::string&) {}
void ScanRegistryByProgramWalk(TWizardState&, HKEY, const std::string&, IScanProgress*,
                               const std::string&, const std::string&) {}

} // namespace ku
