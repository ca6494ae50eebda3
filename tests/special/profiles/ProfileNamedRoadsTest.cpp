// Internet Explorer 8's own folder below Windows, which its profile names itself: listed by
// the scan and removed by the run, checked by difference of the whole registry and drive (a
// ...WholeMachine suite, which ctest runs with nothing beside it); no other folder below
// Windows is reached that way.
#include <gtest/gtest.h>

#include <set>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"
#include "support/SystemSnapshot.h"

namespace {

using Names = std::set<std::string>; // upper case

Names Upper(const std::vector<std::string>& lines) { return kutest::UpperNames(lines); }

// The files the row's scan lists below the Windows folder.
Names ListedBelowWindows(const ku::ProfileRow& row, ku::TUninstallerContents& contents) {
    ku::ProfileSite site;
    site.contents = &contents;
    ku::ScanProfileRow(row, site);
    Names listed;
    const std::string windows = ku::UpperCase(kutest::WindowsFolder()) + "\\";
    for (int i = 0; i < contents.Count(); ++i) {
        const std::string path = ku::UpperCase(contents.GetItem(i).Content.FilePath);
        if (path.compare(0, windows.size(), windows) == 0)
            listed.insert(path);
    }
    return listed;
}

TEST(ProfileNamedRoadsWholeMachine, InternetExplorer8RemovesExactlyItsOwnFolderBelowWindows) {
    const std::string windows = kutest::WindowsFolder(), ie8 = windows + "\\ie8";
    ASSERT_FALSE(kutest::PathExists(ie8)) << "the sandbox has an ie8 folder of its own";
    const std::string decoy = windows + "\\ie8x";
    for (const std::string& folder : {ie8, ie8 + "\\spuninst", decoy})
        CreateDirectoryA(folder.c_str(), nullptr);
    const std::string files[] = {ie8 + "\\ie8.log", ie8 + "\\spuninst\\spuninst.exe"};
    for (const std::string& file : files)
        ASSERT_TRUE(kutest::WriteTextFile(file));
    ASSERT_TRUE(kutest::WriteTextFile(decoy + "\\keep.txt"));
    kutest::ScratchDir data;
    ASSERT_TRUE(kutest::WriteTextFile(
        data.File("CodeB.dat"),
        "[UnitIE80]\r\ndelRegkey(HKEY_CURRENT_USER,'Software\\KuIE8Probe')\r\n[/UnitIE80]\r\n"));
    kutest::PlantedRegistry registry(KEY_WOW64_64KEY);
    registry.String(HKEY_CURRENT_USER, "Software\\KuIE8Probe", "Run", "1");

    ku::TUninstallerContents contents;
    EXPECT_EQ(ListedBelowWindows(ku::profiles::UnitIE80::Row, contents),
              Upper({files[0], files[1]}));
    kutest::RecordingDialogs dialogs;
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    ku::ProfileSite site;
    site.dataFolder = data.Path();
    site.contents = &contents;
    ku::RunProfileRow(ku::profiles::UnitIE80::Row, site);
    const kutest::Difference inRegistry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference onDrive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    DeleteFileA((decoy + "\\keep.txt").c_str());
    RemoveDirectoryA(decoy.c_str());

    EXPECT_EQ(Upper(onDrive.removed),
              Upper({ie8 + "\\", ie8 + "\\spuninst\\", files[0], files[1]}));
    EXPECT_EQ(onDrive.added, std::vector<std::string>());
    EXPECT_EQ(Upper(kutest::Names(inRegistry.removed)),
              Upper({"HKCU\\Software\\KuIE8Probe\\", "HKCU\\Software\\KuIE8Probe\\\\Run"}));
    EXPECT_TRUE(dialogs.Calls().empty());
}

// The same kind of source and deletion with a folder of Windows itself reaches nothing.
TEST(ProfileNamedRoads, NoOtherFolderBelowWindowsIsScannedOrRemovedThatWay) {
    const kutest::DriveSnapshot before = kutest::TakeDriveSnapshot(kutest::WindowsFolder());
    for (const char* name : {"Fonts", "system32", "Temp", "..", "ie8\\..\\Fonts"}) {
        const ku::ProfileRow row = ku::ProfileRow()
                                       .Sources({ku::OwnWindowsFolder(name)})
                                       .Fixed({ku::DelWindowsFolder(name)});
        ku::TUninstallerContents contents;
        EXPECT_EQ(ListedBelowWindows(row, contents), Names()) << name;
        ku::RunProfileRow(row, ku::ProfileSite());
    }
    EXPECT_EQ(kutest::Compare(before, kutest::TakeDriveSnapshot(kutest::WindowsFolder())).removed,
              std::vector<std::string>());
}

} // namespace
