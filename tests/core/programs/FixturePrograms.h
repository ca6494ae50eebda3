// The installed fixture programs of the sandbox: the NSIS installer and the two Windows
// Installer packages of tests/fixtures/installers, really installed, plus hand-made Uninstall
// entries for the edge cases. Installing is idempotent; the end of the test program puts the
// machine back.
#pragma once

#include <string>

namespace fixtures {

inline const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const char* const kMsiA = "{6D1C3A52-7E0B-4F1A-9C11-2B5A00000A01}";
inline const char* const kMsiB = "{6D1C3A52-7E0B-4F1A-9C11-2B5A00000B01}";

// Installs once per test program (on first use) and removes at its end; the problem of the
// one install, empty when it went well.
const std::string& EnsureInstalled();

// Hand-made entries, all in the 32-bit view unless named "64".
inline const char* const kSuiteKey = "KuFixtureSuite";   // ProductCodes names MSI B
inline const char* const kHotfixKey = "KuFixtureHotfix"; // ParentKeyName OperatingSystem
inline const char* const kOnly64Key = "KuFixtureOnly64"; // 64-bit view only
inline const char* const kNoUninstallKey = "KuFixtureNoUninstaller";
inline const char* const kWrongTypesKey = "KuFixtureWrongTypes";
inline const char* const kAccentKey = "KuFixtureAccent";
inline const char* const kNortonKey = "KuFixtureNorton";

} // namespace fixtures
