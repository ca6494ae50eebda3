// Hostile and broken Uninstall entries as real machines carry them, each through the wizard's
// real scans and removal, checked by difference of the whole registry and drive C:: nothing
// but the entry's own data is listed or deleted, and no process but its own is ended.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "WizardSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/scan/ScanWord.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/PlantedRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;

namespace {

const std::string kEntries = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct HostileCase {
    std::string key, uninstallString;
    int answer;                   // to "the program's own uninstaller did not remove ..."
    std::vector<std::string> own; // its keys ("HKCU\...") and files: they must go, nothing else
};

// Files put on the machine, taken away at the end.
struct PlantedFiles {
    std::vector<std::string> files;
    void Add(const std::string& file) {
        CreateDirectoryA(ExtractFileDir(file).c_str(), nullptr);
        kutest::WriteTextFile(file, "data");
        files.push_back(file);
    }
    ~PlantedFiles() {
        for (const std::string& file : files) {
            DeleteFileA(file.c_str());
            RemoveDirectoryA(ExtractFileDir(file).c_str());
        }
    }
};

bool StartsWithAny(const std::string& text, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
        return UpperCase(text).rfind(UpperCase(prefix), 0) == 0;
    });
}

bool Asked(const std::vector<std::string>& asked, const char* part) {
    return std::any_of(asked.begin(), asked.end(), [&](const std::string& text) {
        return text.find(part) != std::string::npos;
    });
}

} // namespace

// All cases are planted at once, so each wizard also meets the others' data; the machine is
// compared once before and once after all of them.
TEST(HostileEntries, NothingButTheEntrysOwnDataIsListedDeletedOrEnded) {
    RegistryView64 = false;
    const std::string pf = wizardtest::ProgramFiles32(), windows = GetWindowsDir();
    const std::string elsewhere = std::string(kutest::kScratchRoot) + "\\KuHostileElsewhere";
    const std::vector<HostileCase> cases = {
        {"Windows", pf + "\\Windows\\uninst.exe", IDYES, {}},
        {"Microsoft", pf + "\\Microsoft\\uninst.exe", IDYES, {}},
        {"Program", pf + "\\Program\\uninst.exe", IDYES, {}},
        {"Common", pf + "\\Common Files\\uninst.exe", IDYES, {}},
        {"KuBareWinDir", windows, IDYES, {"HKCU\\Software\\KuBareWinDir"}},
        // A launcher whose name is part of its games' names.
        {"Arcadia", pf + "\\Arcadia\\uninst.exe", IDYES,
         {"HKCU\\Software\\Arcadia", pf + "\\Arcadia\\launcher.dat"}},
        // Its program file is named like a program of Windows, and one of that name runs elsewhere.
        {"KuNoteTool", pf + "\\KuNoteTool\\uninst.exe", IDYES,
         {"HKCU\\Software\\KuNoteTool", pf + "\\KuNoteTool\\notepad.exe"}},
        // "No": the wizard closes with nothing deleted.
        {"KuKeepMe", pf + "\\KuKeepMe\\uninst.exe", IDNO, {}},
    };
    kutest::PlantedRegistry entries(KEY_WOW64_32KEY), keys;
    PlantedFiles files;
    const auto plantEntry = [&](const std::string& name, const std::string& command) {
        entries.String(HKEY_LOCAL_MACHINE, kEntries + name, "DisplayName", name);
        entries.String(HKEY_LOCAL_MACHINE, kEntries + name, "UninstallString", command);
    };
    const auto plant = [&](const std::string& item) {
        if (item[0] == 'H')
            keys.String(HKEY_CURRENT_USER, item.substr(5), "Data", "x");
        else
            files.Add(item);
    };
    std::vector<std::string> own; // as the snapshots spell it: the 32-bit entries in Wow6432Node
    const std::string node = kutest::RunningUnderWow64() ? "Wow6432Node\\" : "";
    for (const HostileCase& c : cases) {
        plantEntry(c.key, c.uninstallString);
        if (c.answer == IDYES)
            own.push_back("HKLM\\Software\\" + node + kEntries.substr(9) + c.key + "\\");
        for (const std::string& item : c.own) {
            plant(item);
            own.push_back(item[0] == 'H' ? item + "\\" : UpperCase(item));
        }
    }
    plantEntry("KuWindows Tool", windows + "\\notepad.exe");
    for (const char* game : {"Arcadia App 220", "Arcadia App 330"})
        plantEntry(game, pf + "\\" + game + "\\un.exe");
    for (const std::string& canary :
         wizardtest::Lines{"HKCU\\Software\\KuCanary\\Windows", "HKCU\\Software\\Microsoft\\KuCanary",
          "HKCU\\Software\\Arcadia App 220", "HKCU\\Software\\KuKeepMe",
          pf + "\\KuCanary\\Program.dat", pf + "\\Common Files\\KuCanary\\c.dat",
          pf + "\\Arcadia App 220\\game.dat", elsewhere + "\\notepad.exe"})
        plant(canary);
    // These copy themselves over the two notepad.exe.
    kutest::Sleeper ownTool(pf + "\\KuNoteTool", "notepad.exe"), other(elsewhere, "notepad.exe");
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.key);
        ScanState = ScanRun;
        std::vector<std::string> ownListed = {"HKLM\\" + kEntries + c.key + "\\"};
        for (const std::string& item : c.own)
            ownListed.push_back(item[0] == 'H' ? item + "\\" : item);
        // The wizard as the main window hands the entry over and a user clicks through it.
        UninstallItemUnit::TContent record;
        record.DisplayName = record.SubKeyName = c.key;
        record.UninstallString = c.uninstallString;
        const UninstallWizardRequest request = MakeNormalUninstallRequest(record, c.key, -1);
        const wizardtest::WizardRun run = wizardtest::RunWizard(
            request.DisplayName, request.UninstallKeyName, request.UninstallCommand,
            [&](const MessageBoxCall& call) {
                return call.text.find("did not remove") != std::string::npos ? c.answer : IDYES;
            });
        for (const std::string& line : run.leftovers)
            EXPECT_TRUE(StartsWithAny(line + "\\", ownListed)) << "listed: " << line;
        EXPECT_TRUE(Asked(run.questions, "did not remove"));
        EXPECT_EQ(Asked(run.questions, "too general"), IsGeneralWord(c.key) && c.answer == IDYES);
    }
    EXPECT_FALSE(ownTool.Running());
    EXPECT_TRUE(other.Running()) << "a program of that name elsewhere was ended";
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    for (const std::string& line : registry.removed)
        EXPECT_TRUE(StartsWithAny(line, own)) << "deleted: " << line;
    for (const std::string& line : drive.removed)
        EXPECT_TRUE(StartsWithAny(line, own)) << "deleted: " << line;
    for (const std::string& prefix : own) {
        const std::vector<std::string>& removed =
            prefix[0] == 'H' ? registry.removed : drive.removed;
        EXPECT_TRUE(std::any_of(removed.begin(), removed.end(), [&](const std::string& line) {
            return StartsWithAny(line, {prefix});
        })) << "not deleted: " << prefix;
    }
    EXPECT_TRUE(registry.added.empty() && drive.added.empty());
}
