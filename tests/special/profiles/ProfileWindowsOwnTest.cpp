// An edited data file against what Windows owns: the DirectX section run through the profile
// engine with "FILE=", delRegkey, delRegkeyvalue and service lines that name Windows' files,
// keys and services beside the application's own. Only planted stand-ins are ever at stake:
// Windows' real files are asked of the reader alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "core/removal/Removal.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileEngine.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/RealService.h"
#include "support/RecordingDialogs.h"
#include "support/Spawn.h"

namespace {

const REGSAM kView = KEY_WOW64_64KEY;
const HKEY LM = HKEY_LOCAL_MACHINE, CC = HKEY_CURRENT_CONFIG;

std::string Unique(const std::string& name) {
    return name + std::to_string(GetCurrentProcessId());
}

// Files planted for the run, removed afterwards with the folders made for them.
class PlantedFiles {
  public:
    ~PlantedFiles() {
        for (auto path = paths_.rbegin(); path != paths_.rend(); ++path)
            if (!DeleteFileA(path->c_str()))
                RemoveDirectoryA(path->c_str());
    }
    void Folder(const std::string& path) {
        if (CreateDirectoryA(path.c_str(), nullptr))
            paths_.push_back(path);
    }
    void File(const std::string& path) {
        ASSERT_FALSE(kutest::PathExists(path)) << path << " is there already";
        paths_.push_back(path);
        ASSERT_TRUE(kutest::WriteTextFile(path, "planted")) << path;
    }
    void Copy(const std::string& from, const std::string& to) {
        paths_.push_back(to);
        ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), TRUE)) << to;
    }

  private:
    std::vector<std::string> paths_;
};

// The planted file as a "FILE=" entry spells it.
std::string FolderVariable(const std::string& file) {
    const std::string system = kutest::SystemFolder(), windows = kutest::WindowsFolder();
    if (ku::StartsText(file, system + "\\"))
        return "%System%" + file.substr(system.size());
    return "%WinDir%" + file.substr(windows.size());
}

std::string KeyLine(HKEY root, const std::string& path) {
    return "delRegkey(" + ku::RootKeyToName(root) + ",'" + path + "')\r\n";
}

} // namespace

TEST(ProfileWindowsOwn, AnEditedSectionRemovesTheApplicationsOwnAndLeavesWindowsOwn) {
    const std::string windows = kutest::WindowsFolder(), system = kutest::SystemFolder();
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
    PlantedFiles files;
    // Plain names directly in the folders that are no file of the redistributable stay, and so
    // do the later members of its families, which ship with Windows; its own libraries (in a
    // planted folder: Wine keeps its own in the system folder) and its log, also in "Logs", go.
    const std::string redist = system + "\\" + Unique("KuDirectX");
    files.Folder(redist);
    const std::vector<std::string> staying = {system + "\\" + Unique("kuplanted") + ".dll",
                                              windows + "\\" + Unique("kuplanted") + ".ini",
                                              system + "\\" + Unique("d3d9") + ".exe",
                                              system + "\\" + Unique("d3dx9_99") + ".dll",
                                              redist + "\\xinput1_4.dll",
                                              redist + "\\d3dcompiler_47.dll",
                                              redist + "\\xaudio2_8.dll",
                                              redist + "\\XAudio2_9.DLL"};
    files.Folder(windows + "\\Logs");
    const std::vector<std::string> going = {redist + "\\d3dx9_43.dll", redist + "\\XAudio2_7.DLL",
                                            windows + "\\Logs\\DirectX.log"};
    for (const std::string& file : staying)
        files.File(file);
    for (const std::string& file : going)
        files.File(file);

    // Keys of Windows' trees and a service that runs svchost.exe stay; the vendor's service
    // and key go.
    kutest::PlantedRegistry planted(kView);
    const std::string hosted = Unique("KuHosted"), vendor = Unique("KuVendorSvc");
    planted.String(LM, services + hosted, "ImagePath", "%SystemRoot%\\System32\\svchost.exe -k x");
    planted.String(LM, services + vendor, "ImagePath", "C:\\Ku Vendor\\kusvc.exe");
    const std::vector<std::pair<HKEY, std::string>> stayingKeys = {
        {LM, services + hosted},
        {LM, "SYSTEM\\CurrentControlSet\\Control\\" + Unique("KuPlanted")},
        {LM, "SOFTWARE\\Microsoft\\Cryptography\\" + Unique("KuPlanted")},
        {LM, nt + "AeDebug\\" + Unique("KuPlanted")},
        {LM, nt + "Image File Execution Options\\" + Unique("kuplanted") + ".exe"},
        {CC, "Software\\" + Unique("KuPlanted")}};
    const std::vector<std::pair<HKEY, std::string>> goingKeys = {
        {LM, services + vendor}, {LM, "SOFTWARE\\" + Unique("KuVendor") + "\\App"}};
    std::string section = "[DirecX9]\r\n";
    for (const auto& list : {staying, going})
        for (const std::string& file : list)
            section += "FILE=" + FolderVariable(file) + "\r\n";
    for (const auto& keys : {stayingKeys, goingKeys})
        for (const auto& key : keys) {
            planted.String(key.first, key.second, "v", "x");
            section += KeyLine(key.first, key.second);
            section +=
                "delRegkeyvalue(" + ku::RootKeyToName(key.first) + ",'" + key.second + "','v')\r\n";
        }

    // The service lines: one whose program is an .exe in the Windows folder keeps running.
    const std::string winService = Unique("KuWinSvc"), vendorService = Unique("KuOwnSvc");
    const std::string copy = windows + "\\" + ku::LowerCase(winService) + ".exe";
    files.Copy(kutest::Fixture("kusvc.exe"), copy);
    kutest::RealService windowsOwn(winService, "\"" + copy + "\" " + winService,
                                   SERVICE_WIN32_OWN_PROCESS);
    kutest::RealService own(vendorService, kutest::Fixture("kusvc.exe") + " " + vendorService,
                            SERVICE_WIN32_OWN_PROCESS);
    ASSERT_TRUE(windowsOwn.Start() && own.Start());
    section += "[Services]\r\n" + winService + "\r\n" + vendorService + "\r\n[/Services]\r\n";
    section += "[/DirecX9]\r\n";
    kutest::ScratchDir data;
    ASSERT_TRUE(kutest::WriteTextFile(data.File("CodeA.dat"), section));

    kutest::RecordingDialogs dialogs;
    ku::TUninstallerContents contents;
    ku::ProfileSite site;
    site.dataFolder = data.Path();
    site.contents = &contents;
    ku::FindSectionFiles(ku::profiles::DirectX9::Row, site);
    std::vector<std::string> listed;
    for (int i = 0; i < contents.Count(); ++i)
        listed.push_back(ku::UpperCase(contents.GetItem(i).Content.FilePath));
    std::vector<std::string> expected;
    for (const std::string& file : going)
        expected.push_back(ku::UpperCase(file));
    EXPECT_EQ(listed, expected);
    ku::RunProfileRow(ku::profiles::DirectX9::Row, site);

    for (const std::string& file : staying)
        EXPECT_TRUE(kutest::PathExists(file)) << file;
    for (const std::string& file : going)
        EXPECT_FALSE(kutest::PathExists(file)) << file;
    for (const auto& key : stayingKeys)
        EXPECT_TRUE(kutest::RawValueExists(key.first, key.second, "v", kView)) << key.second;
    for (const auto& key : goingKeys)
        EXPECT_FALSE(kutest::RawKeyExists(key.first, key.second, kView)) << key.second;
    EXPECT_TRUE(kutest::WaitFor([&] { return own.State() == SERVICE_STOPPED; }));
    EXPECT_EQ(windowsOwn.State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(dialogs.Calls().empty());
}

// An edited section's registry lines reach only the shapes of an application's own: its
// vendor's key, its Uninstall entry, a Run value that starts its program outside Windows'
// folders, its class, its service. Whatever is planted in Windows' own places stays, however
// the guard's lists would judge it, and the report names it as staying.
TEST(ProfileWindowsOwn, RegistryLinesReachOnlyTheShapesOfAnApplicationsOwn) {
    const HKEY CU = HKEY_CURRENT_USER, U = HKEY_USERS;
    const std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
    const std::string ku = Unique("KuPlanted"), vendor = "C:\\Program Files\\KuVendor\\";
    const struct {
        HKEY root;
        std::string path, value, data; // value "-": a key line
        bool goes;
    } lines[] = {
        {LM, nt + "Hotfix\\" + ku, "-", "", false},
        {LM, nt + "LanguagePack\\" + ku, "-", "", false},
        {LM, nt + "OpenGLDrivers\\" + ku, "-", "", false},
        {LM, nt + "AppCompatFlags\\" + ku, "-", "", false},
        {LM, nt + "Font Drivers", ku, "ku.dll", false},
        {LM, "SOFTWARE\\Microsoft\\SystemCertificates\\ROOT\\Certificates\\" + ku, "-", "", false},
        {LM, "SOFTWARE\\Microsoft\\EnterpriseCertificates\\" + ku, "-", "", false},
        {LM, "SOFTWARE\\Microsoft\\OLE\\" + ku, "-", "", false},
        {LM, "SOFTWARE\\Microsoft\\Rpc\\" + ku, "-", "", false},
        {LM, "SOFTWARE\\Microsoft\\WBEM\\" + ku, "-", "", false},
        {LM, cv + "Explorer\\FolderDescriptions\\{" + ku + "}", "-", "", false},
        {LM, cv + "Internet Settings\\" + ku, "-", "", false},
        {LM, cv + "Policies\\System", ku, "1", false},
        {LM, cv + "URL\\" + ku, "-", "", false},
        {LM, cv + "Shell Extensions\\Approved", ku, "x", false},
        {LM, cv + "Control Panel\\" + ku, "-", "", false},
        {LM, cv + "Group Policy\\" + ku, "-", "", false},
        {LM, cv + "App Paths\\" + ku + ".exe", "-", "", false},
        {LM, "SOFTWARE\\Policies\\Microsoft\\Windows Defender\\" + ku, "-", "", false},
        {CU, "Control Panel\\Mouse", ku, "10", false},
        {U, ".DEFAULT\\Control Panel\\International", ku, "x", false},
        {LM, cv + "SharedDLLs", kutest::SystemFolder() + "\\" + ku + ".dll", "1", false},
        {LM, cv + "Run", ku + "Health", "%windir%\\system32\\SecurityHealthSystray.exe", false},
        {LM, cv + "Run", ku + "Defender", "\"%ProgramFiles%\\Windows Defender\\MSASCuiL.exe\"",
         false},
        {LM, "SOFTWARE\\Classes\\." + ku, "-", "", false},
        {LM, "SOFTWARE\\Classes\\MIME\\Database\\Content Type\\application/x-" + ku, "-", "",
         false},
        {LM, "SOFTWARE\\" + ku + "\\App", "-", "", true},
        {CU, "Software\\" + ku + "\\App", "-", "", true},
        {LM, cv + "Uninstall\\" + ku, "-", "", true},
        {LM, cv + "Run", ku + "Tray", "\"" + vendor + "tray.exe\" /min", true},
        {CU, cv + "Run", ku + "Helper",
         "%SystemRoot%\\system32\\rundll32.exe " + vendor + "helper.dll,Start", true},
        {LM, "SOFTWARE\\Classes\\" + ku + ".Document\\shell\\open\\command", "-", "", true},
        {LM, "SOFTWARE\\Microsoft\\Windows CE Services\\" + ku, "-", "", true},
    };
    kutest::PlantedRegistry planted(kView);
    std::vector<std::string> section;
    std::set<std::string> staying;
    for (const auto& line : lines) {
        const bool key = line.value == "-";
        planted.String(line.root, line.path, key ? "v" : line.value, key ? vendor : line.data);
        const std::string root = ku::RootKeyToName(line.root);
        section.push_back(key ? "delRegkey(" + root + ",'" + line.path + "')"
                              : "delRegkeyvalue(" + root + ",'" + line.path + "','" + line.value +
                                    "')");
        if (!line.goes)
            staying.insert(root + "\\" + line.path + (key ? "" : "  (" + line.value + ")"));
    }
    ku::RemovalReport report;
    ku::ExecuteRegistryDeleteLines(section, &report);
    for (const auto& line : lines) {
        const bool key = line.value == "-";
        EXPECT_EQ(key ? kutest::RawKeyExists(line.root, line.path, kView)
                      : kutest::RawValueExists(line.root, line.path, line.value, kView),
                  !line.goes)
            << line.path << " : " << line.value;
    }
    EXPECT_EQ(std::set<std::string>(report.notRemoved.begin(), report.notRemoved.end()), staying);
}
