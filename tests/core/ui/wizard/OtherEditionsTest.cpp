// A program installed as several editions under one Uninstall key name (64-bit and 32-bit on
// the machine, and once more for the user alone): the wizard of one edition removes its own
// entry, settings and files, and the other editions lose nothing. Checked by difference of the
// whole registry and drive C:.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "WizardSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

using namespace ku;

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KuTwin";
const std::string kSettings = "Software\\KuTwin";

std::string ProgramFiles64() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("ProgramW6432", buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length)
                                           : GetWindowsDir().substr(0, 3) + "Program Files";
}

// One edition: where its entry and settings live, the three folders its entry names (install
// location, uninstaller, icon) and a file in each.
struct Edition {
    std::string label;
    HKEY root;
    REGSAM view;
    std::string install, uninstaller, icon;

    std::vector<std::string> Files() const {
        return {install + "\\twin.dat", uninstaller + "\\uninst.exe", icon + "\\twin.exe"};
    }
    std::string UninstallString() const { return "\"" + uninstaller + "\\uninst.exe\" /S"; }
    void Plant() const {
        for (const std::string& file : Files()) {
            CreateDirectoryA(ExtractFileDir(file).c_str(), nullptr);
            kutest::WriteTextFile(file, "KuTwin " + label);
        }
        // The uninstaller is a stand-in that only notes its run (beside itself, where the
        // scan finds the note as the edition's own): the entry and every file stay for the scan.
        CopyFileA(kutest::Fixture("wizard\\kuspawn.exe").c_str(),
                  (uninstaller + "\\uninst.exe").c_str(), FALSE);
        kutest::RawSetString(root, kUninstall, "DisplayName", "KuTwin", view);
        kutest::RawSetString(root, kUninstall, "UninstallString", UninstallString(), view);
        kutest::RawSetString(root, kUninstall, "InstallLocation", install, view);
        kutest::RawSetString(root, kUninstall, "DisplayIcon", "\"" + icon + "\\twin.exe\",0", view);
        kutest::RawSetString(root, kSettings, "InstallDir", install, view);
    }
    void Forget() const {
        kutest::RawDeleteTree(root, kUninstall, view);
        kutest::RawDeleteTree(root, kSettings, view);
        for (const std::string& folder : {install, uninstaller, icon})
            kutest::RemoveTree(folder);
    }
    // Its keys and files as the snapshots spell them.
    std::vector<std::string> Traces() const {
        const std::string hive = root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\";
        const std::string node =
            root == HKEY_LOCAL_MACHINE && view == KEY_WOW64_32KEY && kutest::RunningUnderWow64()
                ? "Software\\Wow6432Node\\"
                : "Software\\";
        std::vector<std::string> traces = {hive + node + kUninstall.substr(9) + "\\",
                                           hive + node + kSettings.substr(9) + "\\"};
        for (const std::string& file : Files())
            traces.push_back(UpperCase(file));
        return traces;
    }
};

bool StartsWithAny(const std::string& line, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
        return UpperCase(line).rfind(UpperCase(prefix), 0) == 0;
    });
}

class OtherEditions : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string pf32 = wizardtest::ProgramFiles32();
        const std::string user = kutest::ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs";
        if (CreateDirectoryA(user.c_str(), nullptr))
            createdUserFolder_ = user;
        editions_.push_back({"x86", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, pf32 + "\\KuTwin",
                             pf32 + "\\KuTwin Setup", pf32 + "\\KuTwin Icons"});
        if (kutest::RunningUnderWow64()) {
            const std::string pf64 = ProgramFiles64();
            editions_.push_back({"x64", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, pf64 + "\\KuTwin",
                                 pf64 + "\\KuTwin Setup", pf64 + "\\KuTwin Icons"});
        }
        editions_.push_back({"user", HKEY_CURRENT_USER, 0, user + "\\KuTwin",
                             user + "\\KuTwin Setup", user + "\\KuTwin Icons"});
        ScanState = ScanRun;
    }
    void TearDown() override {
        for (const Edition& edition : editions_)
            edition.Forget();
        if (!createdUserFolder_.empty())
            RemoveDirectoryA(createdUserFolder_.c_str());
        RegistryView64 = false;
    }

    // Plants every edition, runs the wizard of `own` as the main window hands it over (its
    // uninstaller leaves everything, the user scans anyway) and compares the machine.
    void RunEdition(const Edition& own) {
        SCOPED_TRACE(own.label);
        for (const Edition& edition : editions_)
            edition.Plant();
        RegistryView64 = own.view == KEY_WOW64_64KEY;
        const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
        const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
        UninstallItemUnit::TContent record;
        record.DisplayName = record.SubKeyName = "KuTwin";
        record.UninstallString = own.UninstallString();
        const UninstallWizardRequest request = MakeNormalUninstallRequest(record, "KuTwin", -1);
        const wizardtest::WizardRun run = wizardtest::RunWizard(
            request.DisplayName, request.UninstallKeyName, request.UninstallCommand);
        EXPECT_FALSE(run.leftovers.empty());
        const kutest::Difference registry =
            kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
        const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
        const std::vector<std::string> traces = own.Traces();
        for (const std::string& line : registry.removed)
            EXPECT_TRUE(StartsWithAny(line, traces)) << "deleted: " << line;
        for (const std::string& line : drive.removed)
            EXPECT_TRUE(StartsWithAny(line, traces)) << "deleted: " << line;
        for (const std::string& trace : traces) {
            const auto& removed = trace.rfind("HK", 0) == 0 ? registry.removed : drive.removed;
            EXPECT_TRUE(
                std::any_of(removed.begin(), removed.end(),
                            [&](const std::string& line) { return StartsWithAny(line, {trace}); }))
                << "not deleted: " << trace;
        }
        EXPECT_EQ(registry.added, wizardtest::Lines{});
        EXPECT_EQ(drive.added, wizardtest::Lines{});
        for (const Edition& edition : editions_)
            edition.Forget();
    }

    std::vector<Edition> editions_;
    std::string createdUserFolder_;
};

} // namespace

// The x86 edition's run (the program list's 32-bit view) keeps the x64 edition's folders and
// the user's edition; the x64 edition's run (64-bit view) keeps the x86 edition's entry under
// Wow6432Node, its settings that lead to its folder, and its three folders.
TEST_F(OtherEditions, EachEditionsWizardRemovesOnlyThatEdition) {
    for (const Edition& edition : editions_)
        if (edition.root == HKEY_LOCAL_MACHINE)
            RunEdition(edition);
}
