// What a data file or a registry value may reach through the special uninstall, the whole
// registry and drive compared before and after: "FILE=" lines delete exactly the files of the
// DirectX redistributable they name in the Windows and system folders (or one plain subfolder
// of them), never Windows' own files nor anything beyond; a folder value that
// climbs with ".." is not scanned; the CurrentVersion keys keep their own values.
#include <gtest/gtest.h>

#include <set>

#include <shlobj.h>

#include "WizardDriver.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace {

using spectest::Names;
using spectest::Upper;

struct Outcome {
    Names listed, registryRemoved, registryAdded, driveRemoved, driveAdded;
};

// Writes the data file beside the program, runs the wizard for the entry to its end with no
// backup and permanent deletes, and gives what the review page listed and what changed.
Outcome RunWizard(const std::string& caption, const std::string& dataFile,
                  const std::string& section) {
    const std::string data = ku::ProgramDir() + dataFile;
    EXPECT_TRUE(kutest::WriteTextFile(data, ku::ReplaceAll(section, "|", "\r\n")));
    const spectest::WholeRemoval removal = spectest::RemoveWhole(caption);
    DeleteFileA(data.c_str());
    Outcome outcome;
    outcome.listed = removal.listed;
    const kutest::Difference &inRegistry = removal.inRegistry, &onDrive = removal.onDrive;
    outcome.registryRemoved = Upper(kutest::Names(inRegistry.removed));
    outcome.registryAdded = Upper(inRegistry.added);
    outcome.driveRemoved = Upper(onDrive.removed);
    outcome.driveAdded = Upper(onDrive.added);
    return outcome;
}

std::string Unique(const std::string& name) {
    return name + std::to_string(GetCurrentProcessId());
}

class SpecialNamedRoads : public ::testing::Test {
  protected:
    void SetUp() override { ku::RegistryView64 = kutest::RunningUnderWow64(); }
    void TearDown() override {
        ku::RegistryView64 = false;
        for (auto path = planted.rbegin(); path != planted.rend(); ++path)
            if (!DeleteFileA(path->c_str()))
                RemoveDirectoryA(path->c_str());
    }
    void Plant(const std::string& file) {
        const std::string folder = ku::ExtractFileDir(file);
        if (!kutest::PathExists(folder)) {
            SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
            planted.push_back(folder);
        }
        // A stand-in never takes the place of a file that is there (a library of Windows).
        ASSERT_FALSE(kutest::PathExists(file)) << file << " is there already";
        ASSERT_TRUE(kutest::WriteTextFile(file)) << file;
        planted.push_back(file);
    }
    std::vector<std::string> planted;
};

// DirectX 9's section names its libraries in the system folder and its log in the Windows
// folder and its "Logs" folder; those go, and nothing else a "FILE=" line names (a file that
// is none of the redistributable's, one deeper, "..", a wildcard), nor a value of the
// CurrentVersion keys that a registry line names.
TEST_F(SpecialNamedRoads, DirectXDeletesTheFilesItsSectionNamesAndNothingBeyond) {
    const std::string system = kutest::SystemFolder(), windows = kutest::WindowsFolder();
    const std::string own[] = {system + "\\" + Unique("d3dx9_99") + ".dll",
                               system + "\\" + Unique("XInput1_99") + ".dll",
                               windows + "\\DirectX.log", windows + "\\Logs\\DirectX.log"};
    const std::string tray = "C:\\Program Files\\KuOther Vendor\\" + Unique("tray") + ".exe";
    const std::string kept[] = {tray, system + "\\" + Unique("kuwild") + ".dll",
                                windows + "\\Logs\\" + Unique("KuDirectX") + ".log",
                                system + "\\" + Unique("kud3dx9_") + ".dll",
                                windows + "\\" + Unique("kuwin") + ".ini"};
    for (const std::string& file : own)
        Plant(file);
    for (const std::string& file : kept)
        Plant(file);
    const std::string probe = Unique("KuProbe");
    const std::string versions[] = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"};
    kutest::PlantedRegistry registry64(KEY_WOW64_64KEY), registry32(KEY_WOW64_32KEY);
    std::string lines;
    for (const std::string& key : versions) {
        registry64.String(HKEY_LOCAL_MACHINE, key, probe, "x");
        registry32.String(HKEY_LOCAL_MACHINE, key, probe, "x");
        lines += "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + key + "','" + probe + "')|";
    }
    registry64.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\KuDirectX9", "Version", "9.0c");
    const std::string section =
        "[DirecX9]|FILE=%System%\\" + ku::ExtractFileName(own[0]) + "|FILE=%System%\\" +
        ku::ExtractFileName(own[1]) + "|FILE=%WinDir%\\DirectX.log|FILE=%WinDir%\\Logs\\" +
        "DirectX.log|FILE=%System%\\" + ku::ExtractFileName(kept[3]) + "|FILE=%WinDir%\\" +
        ku::ExtractFileName(kept[4]) + "|FILE=%System%\\" + Unique("xinput1_99") +
        ".dll|FILE=%WinDir%\\..\\" + tray.substr(3) + "|FILE=%WinDir%\\Logs\\" +
        ku::ExtractFileName(kept[2]) + "|FILE=%System%\\" + Unique("kuwild") + "*.dll|" + lines +
        "delRegkey(HKEY_LOCAL_MACHINE,'SOFTWARE\\KuDirectX9')|[/DirecX9]";

    const Outcome outcome = RunWizard("DirectX9(For 32bit)", "CodeA.dat", section);

    EXPECT_EQ(outcome.listed, Upper({own[0], own[1], own[2], own[3]}));
    // A 32-bit program under WOW64 sees SysWOW64 as its system folder, so the snapshot lists
    // the libraries there as well.
    char wow64[MAX_PATH] = {};
    GetSystemWow64DirectoryA(wow64, MAX_PATH);
    const std::string seenAs = *wow64 ? wow64 : system;
    EXPECT_EQ(outcome.driveRemoved,
              Upper({own[0], own[1], own[2], seenAs + "\\" + ku::ExtractFileName(own[0]),
                     seenAs + "\\" + ku::ExtractFileName(own[1])}));
    EXPECT_EQ(outcome.driveAdded, Names());
    EXPECT_EQ(outcome.registryRemoved,
              Upper({"HKLM\\SOFTWARE\\KuDirectX9\\", "HKLM\\SOFTWARE\\KuDirectX9\\\\Version"}));
    EXPECT_EQ(outcome.registryAdded, Names());
    for (const std::string& file : kept)
        EXPECT_TRUE(kutest::FileThere(file)) << file;
    // The snapshots leave out Windows' "Logs" folder, which Wine itself writes to.
    EXPECT_FALSE(kutest::FileThere(own[3])) << own[3];
}

// A folder value from the registry that climbs out of the application's folder with ".."
// into another vendor's is not scanned, so nothing of that vendor is listed or deleted.
TEST_F(SpecialNamedRoads, AnInstallLocationThatClimbsWithDotDotIsNotScanned) {
    const std::string spybot = "C:\\Program Files\\KuSpybot - Search & Destroy";
    const std::string other = "C:\\Program Files\\KuOther Vendor";
    Plant(spybot + "\\SpybotSD.exe");
    Plant(other + "\\" + Unique("tray") + ".exe");
    kutest::PlantedRegistry registry(KEY_WOW64_64KEY);
    registry.String(HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                    "{B4092C6D-E886-4CB2-BA68-FE5A88D31DE6}_is1",
                    "InstallLocation", spybot + "\\..\\KuOther Vendor");
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\KuSpybot", "Version", "1.5.2");

    const Outcome outcome =
        RunWizard("SpyBot Search & Destroy1.5.2(For 32bit)", "CodeC.dat",
                  "[Unitspybotsd152]|delRegkey(HKEY_LOCAL_MACHINE,'SOFTWARE\\KuSpybot')|"
                  "[/Unitspybotsd152]");

    EXPECT_EQ(outcome.listed, Names());
    EXPECT_EQ(outcome.driveRemoved, Names());
    EXPECT_EQ(outcome.registryRemoved,
              Upper({"HKLM\\SOFTWARE\\KuSpybot\\", "HKLM\\SOFTWARE\\KuSpybot\\\\Version"}));
    for (const std::string& file : planted)
        EXPECT_TRUE(kutest::PathExists(file)) << file;
}

} // namespace
