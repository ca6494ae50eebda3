// KU.exe -AUTORUN as Windows starts it at logon: it backs the hives up with RegSaveKeyA and
// ends by itself, and a saved hive loads again with RegLoadKeyA.
#include <gtest/gtest.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/ProcessUnit.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "sysmanager/RegstoreFunUnit.h"

namespace {

const char* const kLoaded = "KelvaneLoadedBackup";

} // namespace

TEST(AutoRun, BacksUpTheHivesAndEndsByItself) {
    kutest::ScratchKey marker(HKEY_LOCAL_MACHINE);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, marker.Path(), "Marker", "saved at logon", KEY_WOW64_64KEY);
    const std::string dir = ku::DefaultBackupFolder();
    const std::vector<std::string> before = ku::ListRegistryBackups(dir);
    HANDLE ku = kutest::StartKu("-AUTORUN", nullptr);
    ASSERT_EQ(kutest::WaitForExit(ku, 60000), 0);
    CloseHandle(ku);
    const std::vector<std::string> after = ku::ListRegistryBackups(dir);
    ASSERT_EQ(after.size(), std::min<size_t>(before.size() + 1, 8));
    const std::string folder = dir + "\\" + after.back();
    for (const char* hive : {"DEFAULT", "SOFTWARE", "SYSTEM"})
        EXPECT_NE(GetFileAttributesA((folder + "\\" + hive).c_str()), INVALID_FILE_ATTRIBUTES) << hive;
    ku::EnableTokenPrivilege("SeBackupPrivilege");
    ku::EnableTokenPrivilege("SeRestorePrivilege");
    ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, kLoaded, (folder + "\\SOFTWARE").c_str()), ERROR_SUCCESS);
    // The whole hive, not only the 32-bit programs' part of it.
    const std::string path = marker.Path().substr(std::string("Software\\").size());
    EXPECT_EQ(kutest::RawReadString(HKEY_LOCAL_MACHINE, std::string(kLoaded) + "\\" + path, "Marker",
                                    KEY_WOW64_64KEY),
              "saved at logon");
    EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, kLoaded), ERROR_SUCCESS);
    ku::DeleteDirectoryTree(folder);
}
