// KU.exe -AUTORUN as Windows starts it at logon: it backs the hives up with RegSaveKeyA and
// ends by itself, and a saved hive loads again with RegLoadKeyA.
#include <gtest/gtest.h>

#include "core/DeleteHelpers.h"
#include "core/ProcessUnit.h"
#include "sysmanager/RegstoreFunUnit.h"
#include "support/Sandbox.h"

namespace {

const char* const kLoaded = "KelvaneLoadedBackup";

int RunKu(const std::string& argument, DWORD timeoutMs) {
    std::string commandLine = "\"" + std::string(kutest::kFixtureDir) + "\\ku\\KU.exe\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -2;
    CloseHandle(info.hThread);
    DWORD code = 99;
    if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 99);
    else
        GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

std::string ReadLoaded(const std::string& path) {
    HKEY key = nullptr;
    char data[64] = {};
    DWORD size = sizeof(data);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "Marker", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
    }
    return data;
}

} // namespace

TEST(AutoRun, BacksUpTheHivesAndEndsByItself) {
    kutest::ScratchKey marker(HKEY_LOCAL_MACHINE);
    kutest::RawSetString(HKEY_LOCAL_MACHINE, marker.Path(), "Marker", "saved at logon", KEY_WOW64_64KEY);
    const std::string dir = ku::DefaultBackupFolder();
    const std::vector<std::string> before = ku::ListRegistryBackups(dir);
    ASSERT_EQ(RunKu("-AUTORUN", 60000), 0);
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
    EXPECT_EQ(ReadLoaded(std::string(kLoaded) + "\\" + path), "saved at logon");
    EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, kLoaded), ERROR_SUCCESS);
    ku::DeleteDirectoryTree(folder);
}
