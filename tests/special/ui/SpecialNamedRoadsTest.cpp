// What a data file or a registry value may reach through the special uninstall, the whole
// registry and drive compared before and after: "FILE=" lines delete exactly the files of the
// DirectX redistributable they name in the Windows and system folders (or one plain subfolder
// of them), never Windows' own files nor anything beyond; a folder value that
// climbs with ".." is not scanned; the CurrentVersion keys keep their own values.
#include <gtest/gtest.h>

#include <algorithm>
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
// is none of the redistributable's, a later member of its families that ships with Windows,
// one deeper, "..", a wildcard), nor a value of the CurrentVersion keys that a registry line
// names. The libraries lie in a folder of their own below the system folder, where Wine keeps
// its own members of the families.
TEST_F(SpecialNamedRoads, DirectXDeletesTheFilesItsSectionNamesAndNothingBeyond) {
    const std::string system = kutest::SystemFolder(), windows = kutest::WindowsFolder();
    const std::string redist = Unique("KuDirectX") + "\\";
    const std::string own[] = {system + "\\" + redist + "d3dx9_43.dll",
                               system + "\\" + redist + "XInput1_3.dll",
                               windows + "\\DirectX.log", windows + "\\Logs\\DirectX.log"};
    const std::string tray = "C:\\Program Files\\KuOther Vendor\\" + Unique("tray") + ".exe";
    const std::string kept[] = {tray, system + "\\" + Unique("kuwild") + ".dll",
                                windows + "\\Logs\\" + Unique("KuDirectX") + ".log",
                                system + "\\" + Unique("kud3dx9_") + ".dll",
                                windows + "\\" + Unique("kuwin") + ".ini"};
    std::vector<std::string> windowsOwn;
    std::string windowsLines;
    for (const std::string& name : {std::string("xinput1_4.dll"), std::string("d3dcompiler_47.dll"),
                                    std::string("xaudio2_8.dll"), std::string("XAudio2_9.dll"),
                                    "d3dx9_" + Unique("99") + ".dll"}) {
        windowsOwn.push_back(system + "\\" + redist + name);
        windowsLines += "FILE=%System%\\" + redist + name + "|";
    }
    for (const std::string& file : own)
        Plant(file);
    for (const std::string& file : kept)
        Plant(file);
    for (const std::string& file : windowsOwn)
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
        "[DirecX9]|" + windowsLines + "FILE=%System%\\" + redist + ku::ExtractFileName(own[0]) +
        "|FILE=%System%\\" + redist + ku::ExtractFileName(own[1]) +
        "|FILE=%WinDir%\\DirectX.log|FILE=%WinDir%\\Logs\\" +
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
              Upper({own[0], own[1], own[2], seenAs + "\\" + redist + ku::ExtractFileName(own[0]),
                     seenAs + "\\" + redist + ku::ExtractFileName(own[1])}));
    EXPECT_EQ(outcome.driveAdded, Names());
    EXPECT_EQ(outcome.registryRemoved,
              Upper({"HKLM\\SOFTWARE\\KuDirectX9\\", "HKLM\\SOFTWARE\\KuDirectX9\\\\Version"}));
    EXPECT_EQ(outcome.registryAdded, Names());
    for (const std::string& file : kept)
        EXPECT_TRUE(kutest::FileThere(file)) << file;
    for (const std::string& file : windowsOwn)
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

namespace {

// Empty when every name holds one of the markers and every marker is in some name; else the
// names that hold none and the markers no name holds.
std::string AllAndOnly(const Names& names, const std::vector<std::string>& markers) {
    std::string wrong;
    for (const std::string& name : names)
        if (std::none_of(markers.begin(), markers.end(),
                         [&](const std::string& m) { return ku::ContainsText(name, m); }))
            wrong += "removed too: " + name + "\n";
    for (const std::string& marker : markers)
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return ku::ContainsText(n, marker); }))
            wrong += "not removed: " + marker + "\n";
    return wrong;
}

} // namespace

// An edited section that names Windows' and Wine's own classes, keys and services beside the
// application's: only the application's go, whatever the data file says. Wine's own keys are
// named as they stand; where Wine has none, stand-ins are planted (a keyboard driver made by
// Microsoft, a service in Windows Media Player's folder, the Winsock catalogs, a hotfix, the
// security centre's tray).
TEST_F(SpecialNamedRoads, AnEditedSectionLeavesWindowsClassesKeysAndServices) {
    const HKEY LM = HKEY_LOCAL_MACHINE;
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const std::string legacy = "SYSTEM\\CurrentControlSet\\Enum\\Root\\LEGACY_";
    const std::string classes = "SOFTWARE\\Classes\\";
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string hotfix = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Ku" + tag;
    const std::string kbd = "KuKbdclass" + tag, wmp = "KuWMPNetworkSvc" + tag, klif = "KuKlif" + tag;
    const std::string app = "KuDx" + tag + ".Document", vendor = "C:\\Program Files\\KuVendor\\";
    kutest::PlantedRegistry registry(KEY_WOW64_64KEY);
    for (const char* catalog : {"WinSock2", "Winsock"})
        registry.String(LM, services + catalog + "\\Parameters", "Ku" + tag, "x");
    const auto service = [&](const std::string& name, DWORD type, const std::string& image) {
        registry.Value(LM, services + name, "Type", REG_DWORD, kutest::DwordBytes(type));
        registry.Value(LM, services + name, "ImagePath", REG_EXPAND_SZ, kutest::StringBytes(image));
        registry.String(LM, legacy + ku::UpperCase(name) + "\\0000", "Service", name);
    };
    service(kbd, SERVICE_KERNEL_DRIVER, kutest::Fixture("guard\\kumsdrv.sys"));
    service(wmp, SERVICE_WIN32_OWN_PROCESS, "\"%ProgramFiles%\\Windows Media Player\\ku.exe\"");
    service(klif, SERVICE_KERNEL_DRIVER, kutest::Fixture("guard\\kuvendrv.sys"));
    registry.String(LM, hotfix, "Installed", "1");
    registry.String(LM, run, "KuHealth" + tag, "%windir%\\system32\\SecurityHealthSystray.exe");
    registry.String(LM, run, "KuDxTray" + tag, "\"" + vendor + "dxtray.exe\" /min");
    registry.String(LM, classes + app + "\\shell\\open\\command", "", vendor + "dx.exe \"%1\"");
    registry.String(LM, "SOFTWARE\\KuDirectX9", "Version", "9.0c");
    // Windows' and Wine's own, as they stand, then the stand-ins, then the application's.
    const std::vector<std::pair<HKEY, std::string>> windowsKeys = {
        {LM, classes + ".lnk"},
        {LM, classes + ".msi"},
        {LM, classes + "MIME"},
        {LM, classes + "PROTOCOLS"},
        {LM, classes + "InternetExplorer.Application"},
        {LM, classes + "ADODB.Connection"},
        {HKEY_CLASSES_ROOT, "CLSID\\{0002DF01-0000-0000-C000-000000000046}"},
        {HKEY_CLASSES_ROOT, "CLSID\\{00000514-0000-0010-8000-00AA006D2EA4}"},
        {HKEY_CLASSES_ROOT, "Interface\\{00000000-0000-0000-C000-000000000046}"},
        {HKEY_CLASSES_ROOT, "TypeLib\\{00020430-0000-0000-C000-000000000046}"},
        {LM, services + "nsiproxy"},
        {LM, services + "winebus"},
        {LM, services + "winehid"},
        {LM, services + "wineusb"},
        {LM, services + "WinSock2"},
        {LM, services + "Winsock"},
        {LM, services + kbd},
        {LM, legacy + ku::UpperCase(kbd)},
        {LM, services + wmp},
        {LM, hotfix}};
    std::string section = "[DirecX9]|delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + classes + ".rtf','')|" +
                          "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + run + "','KuHealth" + tag + "')|";
    for (const auto& key : windowsKeys) {
        ASSERT_TRUE(kutest::RawKeyExists(key.first, key.second, KEY_WOW64_64KEY)) << key.second;
        section += "delRegkey(" + ku::RootKeyToName(key.first) + ",'" + key.second + "')|";
    }
    section += "delRegkey(HKEY_LOCAL_MACHINE,'" + services + klif + "')|" +
               "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + run + "','KuDxTray" + tag + "')|" +
               "delRegkey(HKEY_LOCAL_MACHINE,'" + classes + app + "')|" +
               "delRegkey(HKEY_LOCAL_MACHINE,'SOFTWARE\\KuDirectX9')|[/DirecX9]";

    const Outcome outcome = RunWizard("DirectX9(For 32bit)", "CodeA.dat", section);

    EXPECT_EQ(AllAndOnly(outcome.registryRemoved,
                         {"\\KUDIRECTX9\\", "\\\\KUDXTRAY" + tag, "\\" + ku::UpperCase(app),
                          "\\SERVICES\\" + ku::UpperCase(klif) + "\\"}),
              "");
    EXPECT_EQ(outcome.registryAdded, Names());
    EXPECT_EQ(outcome.driveRemoved, Names());
    for (const auto& key : windowsKeys)
        EXPECT_TRUE(kutest::RawKeyExists(key.first, key.second, KEY_WOW64_64KEY)) << key.second;
    EXPECT_TRUE(kutest::RawValueExists(LM, classes + ".rtf", "", KEY_WOW64_64KEY));
    EXPECT_TRUE(kutest::RawValueExists(LM, run, "KuHealth" + tag, KEY_WOW64_64KEY));
}
