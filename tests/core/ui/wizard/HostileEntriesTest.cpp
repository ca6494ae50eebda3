// Hostile and broken Uninstall entries as real machines carry them, each through the wizard's
// real scans and removal, checked by difference of the whole registry and drive C:: nothing
// but the entry's own data is listed or deleted, and no process but its own is ended.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "core/programs/MainWindowLogic.h"
#include "core/scan/ScanWord.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "WizardSupport.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;

namespace {

const char kEntries[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct HostileCase {
    std::string key, uninstallString;
    int answer;                   // to "the program's own uninstaller did not remove ..."
    std::vector<std::string> own; // its keys ("HKCU\...") and files: they must go, nothing else
};

// Entries (32-bit view), keys ("HKCU\...") and files put on the machine, taken away at the end.
struct Planted {
    std::vector<std::pair<std::string, std::string>> entries; // key name, UninstallString
    std::vector<std::string> keys, files;
    void Plant() const {
        for (const auto& [name, command] : entries) {
            kutest::RawSetString(HKEY_LOCAL_MACHINE, kEntries + name, "DisplayName", name,
                                 KEY_WOW64_32KEY);
            kutest::RawSetString(HKEY_LOCAL_MACHINE, kEntries + name, "UninstallString", command,
                                 KEY_WOW64_32KEY);
        }
        for (const std::string& key : keys)
            kutest::RawSetString(HKEY_CURRENT_USER, key.substr(5), "Data", "x");
        for (const std::string& file : files) {
            CreateDirectoryA(ExtractFileDir(file).c_str(), nullptr);
            kutest::WriteTextFile(file, "data");
        }
    }
    ~Planted() {
        for (const auto& entry : entries)
            kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kEntries + entry.first, KEY_WOW64_32KEY);
        for (const std::string& key : keys)
            kutest::RawDeleteTree(HKEY_CURRENT_USER, key.substr(5));
        for (const std::string& file : files) {
            DeleteFileA(file.c_str());
            RemoveDirectoryA(ExtractFileDir(file).c_str());
        }
    }
};

// The wizard as the main window hands the entry over and a user clicks through it.
wizardtest::WizardRun RunHostile(const HostileCase& c) {
    UninstallItemUnit::TContent record;
    record.DisplayName = record.SubKeyName = c.key;
    record.UninstallString = c.uninstallString;
    const UninstallWizardRequest request = MakeNormalUninstallRequest(record, c.key, -1);
    return wizardtest::RunWizard(
        request.DisplayName, request.UninstallKeyName, request.UninstallCommand,
        [&](const MessageBoxCall& call) {
            return call.text.find("did not remove") != std::string::npos ? c.answer : IDYES;
        });
}

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
        {"Arcadia",
         pf + "\\Arcadia\\uninst.exe",
         IDYES,
         {"HKCU\\Software\\Arcadia", pf + "\\Arcadia\\launcher.dat"}},
        // Its program file is named like a program of Windows, and one of that name runs elsewhere.
        {"KuNoteTool",
         pf + "\\KuNoteTool\\uninst.exe",
         IDYES,
         {"HKCU\\Software\\KuNoteTool", pf + "\\KuNoteTool\\notepad.exe"}},
        // "No": the wizard closes with nothing deleted.
        {"KuKeepMe", pf + "\\KuKeepMe\\uninst.exe", IDNO, {}},
    };
    Planted planted;
    std::vector<std::string> own; // as the snapshots spell it: the 32-bit entries in Wow6432Node
    const std::string node = kutest::RunningUnderWow64() ? "Wow6432Node\\" : "";
    for (const HostileCase& c : cases) {
        planted.entries.push_back({c.key, c.uninstallString});
        if (c.answer == IDYES)
            own.push_back("HKLM\\Software\\" + node + std::string(kEntries).substr(9) + c.key +
                          "\\");
        for (const std::string& item : c.own) {
            (item[0] == 'H' ? planted.keys : planted.files).push_back(item);
            own.push_back(item[0] == 'H' ? item + "\\" : UpperCase(item));
        }
    }
    planted.entries.insert(planted.entries.end(),
                           {{"KuWindows Tool", windows + "\\notepad.exe"},
                            {"Arcadia App 220", pf + "\\Arcadia App 220\\un.exe"},
                            {"Arcadia App 330", pf + "\\Arcadia App 330\\un.exe"}});
    for (const char* key :
         {"KuCanary\\Windows", "Microsoft\\KuCanary", "Arcadia App 220", "KuKeepMe"})
        planted.keys.push_back(std::string("HKCU\\Software\\") + key);
    for (const std::string& file :
         {pf + "\\KuCanary\\Program.dat", pf + "\\Common Files\\KuCanary\\c.dat",
          pf + "\\Arcadia App 220\\game.dat", elsewhere + "\\notepad.exe"})
        planted.files.push_back(file);
    planted.Plant(); // the sleepers below copy themselves over the two notepad.exe
    kutest::Sleeper ownTool(pf + "\\KuNoteTool", "notepad.exe"), other(elsewhere, "notepad.exe");
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.key);
        ScanState = ScanRun;
        std::vector<std::string> ownListed;
        for (const std::string& item : c.own)
            ownListed.push_back(item[0] == 'H' ? item + "\\" : item);
        ownListed.push_back("HKLM\\Software\\" + std::string(kEntries).substr(9) + c.key + "\\");
        const wizardtest::WizardRun run = RunHostile(c);
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
        EXPECT_TRUE(
            std::any_of(removed.begin(), removed.end(),
                        [&](const std::string& line) { return StartsWithAny(line, {prefix}); }))
            << "not deleted: " << prefix;
    }
    EXPECT_TRUE(registry.added.empty() && drive.added.empty());
}
