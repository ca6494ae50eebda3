// A whole special uninstall through the wizard: the application is laid out as its profile
// expects (registry values, folders, a data-file section, running programs, a real service),
// removed with the user's answers, and the whole registry and drive compared before and after:
// exactly the application's entries go, the vendor's other products and look-alikes stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

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

using Names = std::set<std::string>; // upper case

const REGSAM kView = KEY_WOW64_64KEY;
const HKEY LM = HKEY_LOCAL_MACHINE;
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kComponents =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\";

Names Upper(const std::vector<std::string>& lines) {
    Names names;
    for (const std::string& line : kutest::Names(lines))
        names.insert(ku::UpperCase(line));
    return names;
}

class SpecialUninstall : public ::testing::Test {
  protected:
    void SetUp() override { ku::RegistryView64 = kutest::RunningUnderWow64(); }
    void TearDown() override {
        for (const auto& file : dataFiles_)
            DeleteFileA((ku::ProgramDir() + file.first).c_str());
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
            RemoveDirectoryA(folder->c_str());
        ku::RegistryView64 = false;
    }
    // The application's section in one of the data files beside the program.
    void Section(const std::string& file, const std::string& mark, const std::string& body) {
        dataFiles_[file] +=
            mark + "\r\n" + body + mark.substr(0, 1) + "/" + mark.substr(1) + "\r\n";
    }
    // A file of the layout (its folders made as needed and removed at the end).
    std::string File(const std::string& path) {
        for (size_t end = path.find('\\', 3); end != std::string::npos;
             end = path.find('\\', end + 1))
            if (CreateDirectoryA(path.substr(0, end).c_str(), nullptr))
                folders_.push_back(path.substr(0, end));
        kutest::WriteTextFile(path);
        files_.push_back(path);
        return path;
    }
    // Runs the wizard on the entry as a user does: no backup, files deleted permanently.
    void Remove(const std::string& caption, const std::string& pictures = "") {
        for (const auto& file : dataFiles_)
            ASSERT_TRUE(kutest::WriteTextFile(ku::ProgramDir() + file.first, file.second));
        const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
        const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
        dialogs.answers = {IDNO, IDYES, IDOK};
        {
            spectest::WizardDriver wizard;
            ASSERT_TRUE(wizard.Choose(caption));
            for (int page = 0; page < 3; ++page) {
                wizard.form.StepBitBtnClick();
                if (!pictures.empty())
                    wizard.Picture(pictures + std::to_string(page + 2));
                if (page == 1) // the review page: what the user is shown before anything goes
                    listed = Upper(kutest::ItemTexts(wizard.Item(IDC_SPECIAL_LISTFILE), LB_GETCOUNT,
                                                     LB_GETTEXT));
            }
            EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageFinish);
            EXPECT_EQ(ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISH)), "Finish");
        }
        const kutest::Difference registry =
            kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
        registryGone = Upper(registry.removed);
        registryAdded = Upper(registry.added);
        const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
        driveGone = Names(drive.removed.begin(), drive.removed.end());
        driveAdded = Names(drive.added.begin(), drive.added.end());
    }
    // "HKLM\path\" for a key, "HKLM\path\\name" for a value, as the snapshots name them.
    static std::string Key(const std::string& root, const std::string& path) {
        return ku::UpperCase(root + "\\" + path + "\\");
    }
    static std::string Value(const std::string& root, const std::string& path,
                             const std::string& name) {
        return ku::UpperCase(root + "\\" + path + "\\\\" + name);
    }

    kutest::PlantedRegistry registry{kView};
    kutest::RecordingDialogs dialogs;
    Names registryGone, registryAdded, driveGone, driveAdded, listed;

  private:
    std::map<std::string, std::string> dataFiles_;
    std::vector<std::string> folders_, files_;
};

// A printer driver: an Installer product code with component registrations and registry
// matches, two running programs, a service named in its section, a folder from its
// uninstall entry.
TEST_F(SpecialUninstall, PrinterDriverWithProductCodeProcessesAndService) {
    const std::string code = "D6461317C3DC4F04799BDCE9E42626FE";
    const std::string app = "C:\\Program Files\\KuLexmark 1400 Series";
    const std::string uninstall = kUninstall + "Lexmark 1400 Series";
    const std::string component = kComponents + "KU0LEXCOMP000000000000000000002";
    const std::string printers = "SOFTWARE\\Lexmark\\KuPrinters\\" + code;
    const std::string shared = File("C:\\Program Files\\Common Files\\KuLexmark\\lxdjshr.dll");
    File(app + "\\Install\\LxUninst.exe");
    File("C:\\Program Files\\KuLexmark Other\\keep.dll");
    kutest::Sleeper monitor(app, "lxdjamon.exe"), comms(app, "lxdjcoms.exe");
    kutest::ScratchDir scratch;
    kutest::Sleeper lookAlike(scratch.Path(), "lxdjam.exe");
    const std::string service = "KuLexmarkSvc" + std::to_string(GetCurrentProcessId());
    kutest::RealService spooler(service, kutest::Fixture("kusvc.exe") + " " + service,
                                SERVICE_WIN32_OWN_PROCESS);
    ASSERT_TRUE(spooler.Start());
    registry.String(LM, uninstall, "UninstallString", app + "\\Install\\LxUninst.exe -u");
    registry.String(LM, kComponents + "KU0LEXCOMP000000000000000000001", code, shared);
    registry.String(LM, component, code, app + "\\missing.inf");
    registry.String(LM, printers, "Setting", "1");
    registry.String(HKEY_CURRENT_USER, "Software\\Lexmark\\KuLexmark 1400", "ProductCode", code);
    registry.String(HKEY_CURRENT_USER, "Software\\Lexmark\\KuLexmark 1400", "Model", "1400");
    registry.String(LM, "SOFTWARE\\Lexmark\\KuOther Printer", "Model", "2600");
    registry.String(LM, kRun, "KuLxdjamon", app + "\\lxdjamon.exe");
    registry.String(LM, kRun, "KuKeepMe", "C:\\keep.exe");
    Section("CodeB.dat", "[UnitLexmark1400]",
            "delRegkey(HKEY_LOCAL_MACHINE,'" + uninstall + "')\r\n" +
                "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + kRun + "','KuLxdjamon')\r\n" +
                "[Services]\r\n" + service + "\r\n[/Services]\r\n");
    kutest::RecordingLauncher launcher;
    Remove("Lexmark 1400 Series(For 32bit)", "SpecialWizard");
    const Names expected = {
        Key("HKLM", uninstall), Value("HKLM", uninstall, "UninstallString"), Key("HKLM", component),
        Value("HKLM", component, code), Key("HKLM", printers), Value("HKLM", printers, "Setting"),
        Value("HKCU", "Software\\Lexmark\\KuLexmark 1400", "ProductCode"),
        Value("HKLM", kRun, "KuLxdjamon")};
    EXPECT_EQ(registryGone, expected);
    EXPECT_EQ(registryAdded, Names());
    const Names files = {ku::UpperCase(shared), ku::UpperCase(app + "\\Install\\LxUninst.exe"),
                         ku::UpperCase(app + "\\lxdjamon.exe"),
                         ku::UpperCase(app + "\\lxdjcoms.exe")};
    EXPECT_EQ(driveGone, files);
    // Shown before: the files and the keys that hold what matched.
    Names shown = files;
    for (const std::string& key :
         {std::string("SOFTWARE\\Lexmark\\KuLexmark 1400"), component, printers})
        shown.insert(ku::UpperCase(key));
    EXPECT_EQ(listed, shown);
    EXPECT_EQ(driveAdded, Names());
    EXPECT_TRUE(lookAlike.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return spooler.State() == SERVICE_STOPPED; }));
}

} // namespace
