// A whole special uninstall through the wizard: the application is laid out as its profile
// expects (registry values, folders, a data-file section, running programs, a real service),
// removed with the user's answers, and the whole registry and drive compared before and after:
// exactly the application's entries go, the vendor's other products and look-alikes stay.
#include <gtest/gtest.h>

#include <set>

#include <shlobj.h>

#include "WizardDriver.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RealService.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace {

using spectest::Names;
using spectest::Upper;

// "HKLM\path\" for a key, "HKLM\path\\name" for a value, as the snapshots name them.
std::string Entry(const std::string& root, const std::string& path, const char* name = nullptr) {
    return ku::UpperCase(root + "\\" + path + "\\" + (name ? "\\" + std::string(name) : ""));
}

// A printer driver: an Installer product code with component registrations and registry
// matches, two running programs, a service named in its section, a folder from its
// uninstall entry.
TEST(SpecialUninstall, PrinterDriverWithProductCodeProcessesAndService) {
    ku::RegistryView64 = kutest::RunningUnderWow64();
    const HKEY LM = HKEY_LOCAL_MACHINE;
    const std::string code = "D6461317C3DC4F04799BDCE9E42626FE";
    const std::string app = "C:\\Program Files\\KuLexmark 1400 Series";
    const std::string windows = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string uninstall = windows + "Uninstall\\Lexmark 1400 Series", run = windows + "Run";
    const std::string components = windows + "Installer\\UserData\\S-1-5-18\\Components\\";
    const std::string component = components + "KU0LEXCOMP000000000000000000002";
    const std::string printers = "SOFTWARE\\Lexmark\\KuPrinters\\" + code;
    const std::string user = "Software\\Lexmark\\KuLexmark 1400";
    const std::string common = "C:\\Program Files\\Common Files\\KuLexmark";
    const std::string other = "C:\\Program Files\\KuLexmark Other";
    const std::string lib = common + "\\lxdjshr.dll", uninstaller = app + "\\Install\\LxUninst.exe";
    for (const std::string& folder : {app + "\\Install", common, other})
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    for (const std::string& file : {lib, uninstaller, other + "\\keep.dll"})
        kutest::WriteTextFile(file);
    const Names files = Upper({lib, uninstaller, app + "\\lxdjamon.exe", app + "\\lxdjcoms.exe"});
    kutest::Sleeper monitor(app, "lxdjamon.exe"), comms(app, "lxdjcoms.exe");
    kutest::ScratchDir scratch;
    kutest::Sleeper lookAlike(scratch.Path(), "lxdjam.exe");
    const std::string service = "KuLexmarkSvc" + std::to_string(GetCurrentProcessId());
    kutest::RealService spooler(service, kutest::Fixture("kusvc.exe") + " " + service,
                                SERVICE_WIN32_OWN_PROCESS);
    EXPECT_TRUE(spooler.Start());
    kutest::PlantedRegistry registry(KEY_WOW64_64KEY);
    registry.String(LM, uninstall, "UninstallString", uninstaller + " -u");
    registry.String(LM, components + "KU0LEXCOMP000000000000000000001", code, lib);
    registry.String(LM, component, code, app + "\\missing.inf");
    registry.String(LM, printers, "Setting", "1");
    registry.String(HKEY_CURRENT_USER, user, "ProductCode", code);
    registry.String(HKEY_CURRENT_USER, user, "Model", "1400");
    registry.String(LM, "SOFTWARE\\Lexmark\\KuOther Printer", "Model", "2600");
    registry.String(LM, run, "KuLxdjamon", app + "\\lxdjamon.exe");
    registry.String(LM, run, "KuKeepMe", "C:\\keep.exe");
    const std::string data = ku::ProgramDir() + "CodeB.dat";
    EXPECT_TRUE(kutest::WriteTextFile(
        data, "[UnitLexmark1400]\r\ndelRegkey(HKEY_LOCAL_MACHINE,'" + uninstall + "')\r\n" +
                  "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + run + "','KuLxdjamon')\r\n" +
                  "[Services]\r\n" + service + "\r\n[/Services]\r\n[/UnitLexmark1400]\r\n"));

    const spectest::WholeRemoval removal = spectest::RemoveWhole("Lexmark 1400 Series(For 32bit)");
    EXPECT_EQ(removal.title, "Finish");
    const Names& listed = removal.listed; // what the user is shown before anything goes
    const kutest::Difference &inRegistry = removal.inRegistry, &onDrive = removal.onDrive;
    DeleteFileA(data.c_str());
    DeleteFileA((other + "\\keep.dll").c_str());
    for (const std::string& folder : {other, common, app + "\\Install", app})
        RemoveDirectoryA(folder.c_str());
    ku::RegistryView64 = false;

    EXPECT_EQ(Upper(kutest::Names(inRegistry.removed)),
              Upper({Entry("HKLM", uninstall), Entry("HKLM", uninstall, "UninstallString"),
                     Entry("HKLM", component), Entry("HKLM", component, code.c_str()),
                     Entry("HKLM", printers), Entry("HKLM", printers, "Setting"),
                     Entry("HKCU", user, "ProductCode"), Entry("HKLM", run, "KuLxdjamon")}));
    EXPECT_EQ(inRegistry.added, std::vector<std::string>());
    EXPECT_EQ(Names(onDrive.removed.begin(), onDrive.removed.end()), files);
    EXPECT_EQ(onDrive.added, std::vector<std::string>());
    Names shown = Upper({user, component, printers}); // and the keys that hold what matched
    shown.insert(files.begin(), files.end());
    EXPECT_EQ(listed, shown);
    EXPECT_TRUE(lookAlike.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return spooler.State() == SERVICE_STOPPED; }));
}

} // namespace
