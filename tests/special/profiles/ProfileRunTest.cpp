// The profiles' run procedures and stoppers: every data-file section reached under its own
// mark and file, the fixed deletions, the own steps and the stoppers, against the sandbox.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/system/DeleteHelpers.h"
#include "core/system/StrUtil.h"
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/RealService.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"

namespace {

const REGSAM kView = KEY_WOW64_64KEY;

// Every row's section in generated files deletes one scratch key of that row: each row must
// reach its own section (mark and file) and nothing else; the extra commands come after.
TEST(ProfileRuns, EverySectionIsReachedUnderItsOwnMarkAndFile) {
    kutest::ScratchDir dir;
    kutest::ScratchKey keys;
    std::map<std::string, std::string> files;
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        if (row->file == ku::DataFile::None)
            continue;
        std::string& text = files[ku::DataFileName(row->file)];
        text += row->mark + "\r\ndelRegkey(HKEY_CURRENT_USER,'" + keys.Sub(row->unit) + "')\r\n" +
                row->mark.substr(0, 1) + "/" + row->mark.substr(1) + "\r\n";
        kutest::RawCreateKey(HKEY_CURRENT_USER, keys.Sub(row->unit));
    }
    for (const auto& file : files)
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(file.first), file.second));
    kutest::RecordingDialogs dialogs;
    kutest::RecordingLauncher launcher;
    ku::ProfileSite site;
    site.dataFolder = dir.Path();
    std::map<std::string, std::vector<std::string>> commands;
    size_t before = 0;
    std::set<std::string> ran;
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        ku::RunProfileRow(*row, site);
        ran.insert(row->unit);
        for (const ku::ProfileRow* other : ku::profiles::AllProfiles()) {
            if (other->file != ku::DataFile::None) {
                EXPECT_EQ(kutest::RawKeyExists(HKEY_CURRENT_USER, keys.Sub(other->unit)),
                          ran.count(other->unit) == 0)
                    << "after " << row->unit << ": " << other->unit;
            }
        }
        const auto requests = launcher.Requests();
        for (; before < requests.size(); ++before)
            commands[row->unit].push_back(
                ku::ReplaceAll(requests[before].commandLine, kutest::SystemFolder(), "SYS") +
                (requests[before].show == SW_HIDE ? " (hidden)" : ""));
    }
    EXPECT_TRUE(dialogs.Calls().empty());
    // The extra command of the row's kind, hidden; the suites' own steps register their
    // libraries with the system folder quoted.
    const std::map<ku::ExtraCommand, std::vector<std::string>> extra{
        {ku::ExtraCommand::None, {}},
        {ku::ExtraCommand::RegisterOleAut, {"regsvr32 oleaut32.dll /s (hidden)"}},
        {ku::ExtraCommand::WinsockReset, {"netsh winsock reset (hidden)"}}};
    const std::string js = "regsvr32 \"SYS\\jscript.dll\"  /s";
    const std::string vbs = "regsvr32 \"SYS\\vbscript.dll\"  /s";
    const std::map<std::string, std::vector<std::string>> own{
        {"UnitCAPlus2008", {js, vbs}},
        {"KasperskyInternetSecurityV7", {"regsvr32 \"SYS\\msxml3.dll\"  /s", js, vbs}}};
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles())
        EXPECT_EQ(commands[row->unit],
                  own.count(row->unit) ? own.at(row->unit) : extra.at(row->extra))
            << row->unit;
}

// Profiles without a section delete their fixed keys and values, each in its own root; a
// value beside a deleted one stays. (Keys the delete guard refuses are not planted.)
TEST(ProfileRuns, FixedDeletionsRemoveTheirKeysAndValuesOnly) {
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        kutest::PlantedRegistry planted(kView);
        std::vector<const ku::FixedDeletion*> registryItems;
        for (const ku::FixedDeletion& item : row->fixed) {
            if (item.kind == ku::FixedDeletion::Key) {
                if (ku::IsProtectedRegistryKey(item.root, item.path))
                    continue;
                planted.Key(item.root, item.path + "\\Sub");
            } else if (item.kind == ku::FixedDeletion::Value) {
                planted.String(item.root, item.path, item.value, "x");
                planted.String(item.root, item.path, "KuDecoy", "x");
            } else {
                continue;
            }
            registryItems.push_back(&item);
        }
        if (registryItems.empty())
            continue;
        kutest::RecordingDialogs dialogs;
        ku::RunProfileRow(*row, ku::ProfileSite());
        for (const ku::FixedDeletion* item : registryItems) {
            EXPECT_TRUE(item->kind == ku::FixedDeletion::Key
                            ? !kutest::RawKeyExists(item->root, item->path, kView)
                            : !kutest::RawValueExists(item->root, item->path, item->value, kView) &&
                                  kutest::RawValueExists(item->root, item->path, "KuDecoy", kView))
                << row->unit << " " << item->path << " " << item->value;
        }
    }
}

TEST(ProfileRuns, VirtualAdapterKeysGoByTheirFourDigitNamesUpTo0050) {
    const std::string cls =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
    for (const char* name : {"0040", "0041", "0051", "42"})
        ASSERT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, cls + name, kView)) << name;
    kutest::PlantedRegistry planted(kView);
    planted.String(HKEY_LOCAL_MACHINE, cls + "0040", "ComponentId", "ROOT\\VMnetAdapter1");
    planted.String(HKEY_LOCAL_MACHINE, cls + "0041", "ComponentId", "pci\\ven_8086");
    planted.String(HKEY_LOCAL_MACHINE, cls + "0051", "ComponentId", "vmnetadapter8");
    planted.String(HKEY_LOCAL_MACHINE, cls + "42", "ComponentId", "vmnetadapter2");
    ku::RemoveVirtualNetworkAdapters(ku::profiles::UnitVMPlayer20::Row, ku::ProfileSite());
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, cls + "0040", kView));
    for (const char* name : {"0041", "0051", "42"})
        EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, cls + name, kView)) << name;
}

TEST(ProfileRuns, CleanUpStepsDeleteTheirOwnFileAndNeedTheSuitesFolder) {
    const std::string ini = kutest::WindowsFolder() + "\\winsc32.ini";
    ASSERT_TRUE(kutest::WriteTextFile(ini, "x"));
    ku::DeleteWinsc32Ini();
    EXPECT_FALSE(kutest::PathExists(ini));

    const char* session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const auto pending = [&] {
        std::string data(65536, '\0');
        DWORD size = static_cast<DWORD>(data.size());
        if (RegGetValueA(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations", RRF_RT_ANY,
                         nullptr, &data[0], &size) != ERROR_SUCCESS)
            return std::string();
        return data.substr(0, size);
    };
    const auto before = pending();
    kutest::PlantedRegistry planted(kView);
    planted.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\ComputerAssociates\\eTrust Suite Personal",
                   "Path", "  ");
    ku::ScheduleLinkAdvisorDeletion();
    EXPECT_EQ(pending(), before);
}

TEST(ProfileStoppers, EndTheProcessThenStopTheServiceAndSkipBlankServiceLines) {
    kutest::ScratchDir dir;
    kutest::Sleeper tray(dir.Path(), "DVD43_Tray.exe"), other(dir.Path(), "DVD42_Tray.exe");
    kutest::RealService driver("dvd43llh", kutest::Fixture("kusvc.exe") + " dvd43llh",
                               SERVICE_WIN32_OWN_PROCESS);
    const std::string listed = "KuListed" + std::to_string(GetCurrentProcessId());
    kutest::RealService service(listed, kutest::Fixture("kusvc.exe") + " " + listed,
                                SERVICE_WIN32_OWN_PROCESS);
    ASSERT_TRUE(driver.Start() && service.Start());
    ku::profiles::UnitDvd43::StopProfileProcesses();
    EXPECT_NE(tray.WaitExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(other.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return driver.State() == SERVICE_STOPPED; }));
    ku::StopServiceList({"", "   ", listed});
    EXPECT_TRUE(kutest::WaitFor([&] { return service.State() == SERVICE_STOPPED; }));
}

} // namespace
