// Windows Installer products found by their name instead of by a known product code, and the
// rewrite of those products' names after their removal.
#pragma once

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "core/scan/LeftoverEngine.h"

namespace ku {

// DisplayName, Contact and InstallLocation of every product found by name, joined with ",";
// kept for as long as the program runs.
extern std::string InstallerProductNames;

// Fills Codes with the products whose DisplayName or Contact holds one of the comma-separated
// Names (any case; once per matching name) and adds their values to InstallerProductNames.
// Installer keys are opened, never created.
void FindInstallerProductCodes(const std::string& names, std::vector<std::string>& codes,
                               const LeftoverScanProgress& progress);
// The same, then lists the found products' registry leftovers (none of the files of `others`).
void FindInstallerProductsByName(const std::string& names, std::vector<std::string>& codes,
                                 TUninstallerContents& contents,
                                 const LeftoverScanProgress& progress,
                                 const OtherInstalledPrograms* others = nullptr);

// When a component still refers to one of Codes, sets "DisplayName" and "Contact" of each of
// those products that still has its key to InstallerProductNames. Creates no key.
void RewriteInstallerProductNames(const std::vector<std::string>& codes);

} // namespace ku
