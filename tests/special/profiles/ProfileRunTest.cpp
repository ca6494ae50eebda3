// The profiles' run procedures and stoppers: every data-file section reached under its own
// mark and file, the fixed deletions, the own steps and the stoppers, against the sandbox.
#include <gtest/gtest.h>

#include <map>
#include <set>

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
// reach its own section (mark and file) and nothing else.
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
    std::set<std::string> ran;
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        ku::RunProfileRow(*row, site);
        ran.insert(row->unit);
        for (const ku::ProfileRow* other : ku::profiles::AllProfiles())
            EXPECT_EQ(kutest::RawKeyExists(HKEY_CURRENT_USER, keys.Sub(other->unit)),
                      other->file != ku::DataFile::None && ran.count(other->unit) == 0)
                << "after " << row->unit << ": " << other->unit;
    }
    EXPECT_TRUE(dialogs.Calls().empty());
    // The suites' own steps register libraries of the system folder, which may hold blanks.
    size_t quoted = 0;
    for (const ku::LaunchRequest& request : launcher.Requests())
        if (ku::ContainsText(request.commandLine, kutest::SystemFolder())) {
            EXPECT_TRUE(ku::ContainsText(request.commandLine, "\"" + kutest::SystemFolder()))
                << request.commandLine;
            ++quoted;
        }
    EXPECT_EQ(quoted, 5u);
}

// A row without a section deletes its fixed keys and values, in the 64-bit view where there
// is one; a value beside a deleted one stays.
TEST(ProfileRuns, FixedDeletionsRemoveTheirKeysAndValuesOnly) {
    const HKEY lm = HKEY_LOCAL_MACHINE;
    kutest::ScratchKey key(lm);
    kutest::RawCreateKey(lm, key.Sub("Gone\\Sub"), kView);
    for (const char* name : {"Name", "KuDecoy"})
        kutest::RawSetString(lm, key.Sub("Values"), name, "x", kView);
    kutest::RecordingDialogs dialogs;
    ku::RunProfileRow(ku::ProfileRow().Fixed({ku::DelKey(lm, key.Sub("Gone")),
                                              ku::DelValue(lm, key.Sub("Values"), "Name")}),
                      ku::ProfileSite());
    EXPECT_FALSE(kutest::RawKeyExists(lm, key.Sub("Gone"), kView));
    EXPECT_FALSE(kutest::RawValueExists(lm, key.Sub("Values"), "Name", kView));
    EXPECT_TRUE(kutest::RawValueExists(lm, key.Sub("Values"), "KuDecoy", kView));
}

// Keys are planted with the adapter's ComponentId; only a four-digit name up to 0050 with a
// VMware adapter goes.
TEST(ProfileRuns, VirtualAdapterKeysGoByTheirFourDigitNamesUpTo0050) {
    const std::string cls =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
    const struct {
        const char *name, *component;
        bool gone;
    } keys[] = {{"0040", "ROOT\\VMnetAdapter1", true}, {"0041", "pci\\ven_8086", false},
                {"0051", "vmnetadapter8", false}, {"42", "vmnetadapter2", false}};
    kutest::PlantedRegistry planted(kView);
    for (const auto& key : keys) {
        ASSERT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, cls + key.name, kView)) << key.name;
        planted.String(HKEY_LOCAL_MACHINE, cls + key.name, "ComponentId", key.component);
    }
    ku::RemoveVirtualNetworkAdapters(ku::profiles::UnitVMPlayer20::Row, ku::ProfileSite());
    for (const auto& key : keys)
        EXPECT_EQ(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, cls + key.name, kView), !key.gone)
            << key.name;
}

// A blank suite folder schedules nothing for deletion at restart.
TEST(ProfileRuns, TheLinkAdvisorCleanUpNeedsTheSuitesFolder) {
    const char* session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const kutest::RawValue before =
        kutest::RawReadValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");
    kutest::PlantedRegistry planted(kView);
    planted.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\ComputerAssociates\\eTrust Suite Personal",
                   "Path", "  ");
    ku::ScheduleLinkAdvisorDeletion();
    EXPECT_EQ(kutest::RawReadValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations"),
              before);
}

TEST(ProfileStoppers, EndTheProcessThenStopTheService) {
    kutest::ScratchDir dir;
    kutest::Sleeper tray(dir.Path(), "DVD43_Tray.exe"), other(dir.Path(), "DVD42_Tray.exe");
    kutest::RealService driver("dvd43llh", kutest::Fixture("kusvc.exe") + " dvd43llh",
                               SERVICE_WIN32_OWN_PROCESS);
    ASSERT_TRUE(driver.Start());
    ku::profiles::UnitDvd43::StopProfileProcesses();
    EXPECT_NE(tray.WaitExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(other.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return driver.State() == SERVICE_STOPPED; }));
}

} // namespace
