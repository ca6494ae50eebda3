// The companion library: a double that works, one that fails, and none at all; the program's
// own ending and deleting take over only when the library cannot.
#include <gtest/gtest.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/DllUnit.h"
#include "core/system/ProcessUnit.h"
#include "support/Spawn.h"

using namespace ku;
using kutest::Sleeper;

namespace {

const std::string kWorking = kutest::Fixture("w32ok\\Win32API.dll");
const std::string kFailing = kutest::Fixture("w32fail\\Win32API.dll");

class CompanionTest : public ::testing::Test {
  protected:
    void TearDown() override { SetCompanionLibraryPath(""); }
    kutest::ScratchDir dir;
};

} // namespace

TEST_F(CompanionTest, KillGoesThroughTheLibraryOrFallsBackToTerminateProcess) {
    const std::pair<std::string, DWORD> libraries[] = { // the exit code of the kill
        {kWorking, 77}, {kFailing, 1}, {dir.File("none\\Win32API.dll"), 1}};
    for (const auto& library : libraries) {
        SCOPED_TRACE(library.first);
        SetCompanionLibraryPath(library.first);
        Sleeper direct(dir.Path(), "kudllone.exe"), viaKill(dir.Path(), "kudlltwo.exe");
        const bool works = library.second == 77;
        EXPECT_EQ(DllKillProcess(direct.Id()), works);
        EXPECT_EQ(direct.WaitExitCode(works ? 5000 : 0), works ? 77u : DWORD(STILL_ACTIVE));
        EXPECT_TRUE(KillProcessById(viaKill.Id()));
        EXPECT_EQ(viaKill.WaitExitCode(), library.second);
    }
    SetCompanionLibraryPath(kWorking);
    EXPECT_FALSE(DllKillProcess(GetCurrentProcessId()) ||
                 DllKillCheckedProcess(GetCurrentProcessId()));
    Sleeper critical(dir.Path(), "winlogon.exe");
    EXPECT_FALSE(DllKillProcess(critical.Id()));
    EXPECT_TRUE(critical.Running());
}

TEST_F(CompanionTest, DeleteFileThroughLibraryHonoursTheResultAndTheGuard) {
    const std::string file = dir.File("victim.txt");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    for (const std::string& library : {kFailing, dir.File("none\\Win32API.dll")}) {
        SetCompanionLibraryPath(library);
        EXPECT_FALSE(DllDeleteFile(file)) << library;
    }
    // A file Windows refuses to delete is asked of the library; when that fails, it stays.
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteSingleFile(file)) << "a file that stays is not reported deleted";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetCompanionLibraryPath(kWorking);
    // A relative name is refused before the library sees it.
    char old[MAX_PATH];
    GetCurrentDirectoryA(sizeof(old), old);
    SetCurrentDirectoryA(dir.Path().c_str());
    EXPECT_FALSE(DllDeleteFile("victim.txt"));
    SetCurrentDirectoryA(old);
    EXPECT_TRUE(kutest::PathExists(file));
    EXPECT_TRUE(DllDeleteFile(file));
    EXPECT_FALSE(kutest::PathExists(file));
}
