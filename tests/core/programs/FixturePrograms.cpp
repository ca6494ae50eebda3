// Installing and removing the fixture programs inside the sandbox.
#include "FixturePrograms.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "ListTestSupport.h"
#include "support/Spawn.h"

using kutest::RawSetDword;
using kutest::RawSetMultiSz;
using kutest::RawSetString;
using listtest::AddEntry;

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
    const ku::ProgramListPlaces real;
    AddEntry(real, kSuiteKey, "KU Fixture Suite", k32, "MsiExec.exe /X" + std::string(kMsiB));
    RawSetString(lm, Entry(kSuiteKey), "Publisher", "Kelvane Test Fixtures", k32);
    RawSetString(lm, Entry(kSuiteKey), "InstallDate", "20230301", k32);
    RawSetMultiSz(lm, Entry(kSuiteKey), "ProductCodes",
                  {"{00000000-1111-2222-3333-444444444444}", kMsiB}, k32);
    AddEntry(real, kHotfixKey, "KU Fixture Hotfix", k32, "hotfix.exe /u");
    RawSetString(lm, Entry(kHotfixKey), "ParentKeyName", "OperatingSystem", k32);
    AddEntry(real, kOnly64Key, "KU Fixture Only 64", k64, "C:\\only64\\unins.exe");
    RawSetString(lm, Entry(kNoUninstallKey), "DisplayName", "KU Fixture No Uninstaller", k32);
    AddEntry(real, kWrongTypesKey, "KU Fixture Wrong Types", k32, "C:\\wrong\\unins.exe");
    for (const char* name : {"Publisher", "DisplayIcon", "InstallDate"})
        RawSetDword(lm, Entry(kWrongTypesKey), name, 20240101, k32);
    AddEntry(real, kAccentKey, "KU Fixture Caf\xE9 \xC5ngstr\xF6m " + std::string(400, 'x'), k32,
             "C:\\caf\xE9\\unins.exe");
    AddEntry(real, kNortonKey, "Norton KU Fixture", k32, "C:\\norton\\unins.exe /x");
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
