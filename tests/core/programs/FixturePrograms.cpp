// Installing and removing the fixture programs inside the sandbox.
#include "FixturePrograms.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "ListTestSupport.h"
#include "support/Spawn.h"

using kutest::RawSetDword;
using kutest::RawSetMultiSz;
using kutest::RawSetString;

namespace fixtures {

namespace {

const char* const kInstallers = "C:\\kutest\\fixtures\\installers\\";
const REGSAM k32 = KEY_WOW64_32KEY;
const REGSAM k64 = KEY_WOW64_64KEY;

std::string Entry(const std::string& key) {
    return std::string(kUninstallKey) + "\\" + key;
}

void AddHandMadeEntries() {
    const HKEY lm = HKEY_LOCAL_MACHINE;
    RawSetString(lm, Entry(kSuiteKey), "DisplayName", "KU Fixture Suite", k32);
    RawSetString(lm, Entry(kSuiteKey), "UninstallString", "MsiExec.exe /X" + std::string(kMsiB),
                 k32);
    RawSetString(lm, Entry(kSuiteKey), "Publisher", "Kelvane Test Fixtures", k32);
    RawSetString(lm, Entry(kSuiteKey), "InstallDate", "20230301", k32);
    RawSetMultiSz(lm, Entry(kSuiteKey), "ProductCodes",
                  {"{00000000-1111-2222-3333-444444444444}", kMsiB}, k32);
    RawSetString(lm, Entry(kHotfixKey), "DisplayName", "KU Fixture Hotfix", k32);
    RawSetString(lm, Entry(kHotfixKey), "UninstallString", "hotfix.exe /u", k32);
    RawSetString(lm, Entry(kHotfixKey), "ParentKeyName", "OperatingSystem", k32);
    RawSetString(lm, Entry(kOnly64Key), "DisplayName", "KU Fixture Only 64", k64);
    RawSetString(lm, Entry(kOnly64Key), "UninstallString", "C:\\only64\\unins.exe", k64);
    RawSetString(lm, Entry(kNoUninstallKey), "DisplayName", "KU Fixture No Uninstaller", k32);
    RawSetString(lm, Entry(kWrongTypesKey), "DisplayName", "KU Fixture Wrong Types", k32);
    RawSetString(lm, Entry(kWrongTypesKey), "UninstallString", "C:\\wrong\\unins.exe", k32);
    RawSetDword(lm, Entry(kWrongTypesKey), "Publisher", 12, k32);
    RawSetDword(lm, Entry(kWrongTypesKey), "DisplayIcon", 3, k32);
    RawSetDword(lm, Entry(kWrongTypesKey), "InstallDate", 20240101, k32);
    RawSetString(lm, Entry(kAccentKey), "DisplayName",
                 "KU Fixture Caf\xE9 \xC5ngstr\xF6m " + std::string(400, 'x'), k32);
    RawSetString(lm, Entry(kAccentKey), "UninstallString", "C:\\caf\xE9\\unins.exe", k32);
    RawSetString(lm, Entry(kNortonKey), "DisplayName", "Norton KU Fixture", k32);
    RawSetString(lm, Entry(kNortonKey), "UninstallString", "C:\\norton\\unins.exe /x", k32);
    RawSetString(lm, Entry(kNortonKey), "ModifyPath", "C:\\norton\\setup.exe /modify", k32);
}

// The folder the NSIS fixture was installed to, from its Uninstall entry.
std::string NsisFolder() {
    return kutest::RawReadString(HKEY_LOCAL_MACHINE, Entry("KuFixtureNsis"), "InstallLocation",
                                 k32);
}

// Installs everything; adds to problem why an installer failed to leave its entry.
void Install(std::string& problem) {
    // The same installs again just repair: a rerun after an interrupted one starts clean.
    if (kutest::RunAndWait(std::string(kInstallers) + "KuFixtureNsis.exe /S", 120000) != 0)
        problem += "NSIS installer failed; ";
    for (const char* msi : {"KuFixtureMsiA.msi", "KuFixtureMsiB.msi"})
        if (kutest::RunAndWait("msiexec /qn /i " + std::string(kInstallers) + msi, 120000) != 0)
            problem += std::string(msi) + " failed; ";
    AddHandMadeEntries();
    for (const char* key : {"KuFixtureNsis", kMsiA, kMsiB})
        if (kutest::RawReadString(HKEY_LOCAL_MACHINE, Entry(key), "DisplayName", k32).empty())
            problem += std::string("no entry ") + key + "; ";
}

void Remove() {
    const std::string folder = NsisFolder();
    if (!folder.empty()) {
        // "_?=" keeps the uninstaller in place, so waiting for it waits for the removal.
        kutest::RunAndWait("\"" + folder + "\\uninst.exe\" /S _?=" + folder, 120000);
        DeleteFileA((folder + "\\uninst.exe").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    for (const char* code : {kMsiA, kMsiB})
        kutest::RunAndWait("msiexec /qn /x " + std::string(code), 120000);
    for (const char* key : {kSuiteKey, kHotfixKey, kNoUninstallKey, kWrongTypesKey, kAccentKey,
                            kNortonKey, "KuFixtureNsis"})
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, Entry(key), k32);
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, Entry(kOnly64Key), k64);
}

bool installed = false;

// Removes what EnsureInstalled put there when the test program ends.
class RemoveAtEnd : public ::testing::Environment {
  public:
    void TearDown() override {
        if (installed)
            Remove();
    }
};
::testing::Environment* const removeAtEnd = ::testing::AddGlobalTestEnvironment(new RemoveAtEnd);
} // namespace

const std::string& EnsureInstalled() {
    static std::string problem;
    if (!installed) {
        installed = true;
        Install(problem);
    }
    return problem;
}

} // namespace fixtures
