// Finding, ending and listing real processes in the sandbox: kill by id, by exact name, by
// part of the name and the kill-all, with the processes that must never end.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/system/DllUnit.h"
#include "core/system/ProcessUnit.h"
#include "core/system/StrUtil.h"
#include "support/Spawn.h"

using namespace ku;
using kutest::Sleeper;

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& item) { return SameText(item, text); });
}

// The snapshot cut down to the given processes, for calls whose word would reach further.
ProcessSnapshot Only(std::initializer_list<const Sleeper*> sleepers) {
    ProcessSnapshot only;
    for (const ProcessEntry& entry : TakeProcessSnapshot())
        for (const Sleeper* sleeper : sleepers)
            if (entry.processId == sleeper->Id())
                only.push_back(entry);
    return only;
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override { SetCompanionLibraryPath(dir.File("absent\\Win32API.dll")); }
    void TearDown() override { SetCompanionLibraryPath(""); }
    kutest::ScratchDir dir;
};

} // namespace

TEST_F(ProcessTest, SnapshotHoldsRunningProcessesWithTheirFileNames) {
    Sleeper sleeper(dir.Path(), "kusnapone.exe");
    ProcessSnapshot snapshot = TakeProcessSnapshot();
    auto found = std::find_if(snapshot.begin(), snapshot.end(),
                              [&](const ProcessEntry& e) { return e.processId == sleeper.Id(); });
    ASSERT_NE(found, snapshot.end());
    EXPECT_TRUE(SameText(ExtractFileName(found->exeFile), "kusnapone.exe"));
}

TEST_F(ProcessTest, KillByIdEndsTheProcessWithExitCodeOne) {
    Sleeper sleeper(dir.Path(), "kubyid.exe");
    EXPECT_FALSE(KillProcessById(sleeper.Id(), ProcessSnapshot()))
        << "a process the snapshot does not show is not ended blindly";
    const ProcessSnapshot stale = {{sleeper.Id(), "otherprogram.exe"}};
    EXPECT_FALSE(KillProcessById(sleeper.Id(), stale))
        << "the id now belongs to another program than the snapshot saw";
    EXPECT_TRUE(sleeper.Running());
    EXPECT_TRUE(KillProcessById(sleeper.Id()));
    EXPECT_EQ(sleeper.WaitExitCode(), 1u);
    EXPECT_FALSE(KillProcessById(sleeper.Id())) << "a process that is gone cannot be ended";
}

TEST_F(ProcessTest, KillByExeNameEndsExactlyTheNamedProcesses) {
    Sleeper first(dir.Path(), "kuexact.exe");
    kutest::ScratchDir other;
    Sleeper second(other.Path(), "KUEXACT.EXE");
    Sleeper longer(dir.Path(), "kuexact2.exe");
    Sleeper shorter(dir.Path(), "uexact.exe");
    EXPECT_TRUE(KillProcessByExeName("KuExact.exe"));
    EXPECT_EQ(first.WaitExitCode(), 0u);
    EXPECT_EQ(second.WaitExitCode(), 0u);
    EXPECT_TRUE(longer.Running());
    EXPECT_TRUE(shorter.Running());
    EXPECT_FALSE(KillProcessByExeName("kuexact.exe")) << "nothing left to match";
}

TEST_F(ProcessTest, KillByPartOfTheNameEndsEveryMatchAndSparesOthers) {
    Sleeper setup(dir.Path(), "kutsetup.exe");
    Sleeper mysetup(dir.Path(), "mykutsetup32.exe");
    Sleeper bystander(dir.Path(), "kutsetu.exe");
    EXPECT_EQ(KillProcessesByName("KUTSETUP"), 2);
    EXPECT_EQ(setup.WaitExitCode(), 1u);
    EXPECT_EQ(mysetup.WaitExitCode(), 1u);
    EXPECT_TRUE(bystander.Running());
}

TEST_F(ProcessTest, ShortWordEndsSetupAndMySetupAmongTheGivenProcesses) {
    Sleeper setup(dir.Path(), "setup.exe");
    Sleeper mysetup(dir.Path(), "mysetup32.exe");
    Sleeper bystander(dir.Path(), "kustay.exe");
    // Other tests of the prefix may run their own setup.exe: only ours are offered.
    EXPECT_EQ(KillProcessesByName("setup", Only({&setup, &mysetup, &bystander})), 2);
    EXPECT_FALSE(setup.Running());
    EXPECT_FALSE(mysetup.Running());
    EXPECT_TRUE(bystander.Running());
}

TEST_F(ProcessTest, EmptyNameMatchesNothing) {
    Sleeper sleeper(dir.Path(), "kuempty.exe");
    EXPECT_FALSE(KillProcessByExeName(""));
    EXPECT_EQ(KillProcessesByName(""), 0);
    EXPECT_EQ(KillProcessesByName("", Only({&sleeper})), 0);
    EXPECT_TRUE(sleeper.Running());
}

TEST_F(ProcessTest, CriticalNamesAndOwnProcessAreNeverEnded) {
    Sleeper lsass(dir.Path(), "lsass.exe");
    Sleeper csrss(dir.Path(), "CSRSS.EXE");
    Sleeper svchost(dir.Path(), "svchost.exe");
    EXPECT_FALSE(KillProcessByExeName("lsass.exe", Only({&lsass})));
    EXPECT_FALSE(KillProcessById(csrss.Id()));
    EXPECT_EQ(KillProcessesByName("svchost", Only({&svchost})), 0);
    EXPECT_TRUE(lsass.Running());
    EXPECT_TRUE(csrss.Running());
    EXPECT_TRUE(svchost.Running());
    // The test program itself, whatever its name.
    EXPECT_FALSE(KillProcessById(GetCurrentProcessId()));
    EXPECT_FALSE(KillProcessByExeName("process_tests.exe"));
    EXPECT_FALSE(KillProcessById(0));
}

TEST(ProcessSelection, KillAllSparesSystemListOwnProcessAndKuAndEndsExplorer) {
    const DWORD self = GetCurrentProcessId();
    ProcessSnapshot given = {
        {0, "[System Process]"},
        {4, "System"},
        {100, "lsass.exe"},
        {101, "services.exe"},
        {102, "explorer.exe"},
        {103, "KU.exe"},
        {104, "notepad.exe"},
        {105, "svchost.exe"},
        {106, "wininit.exe"},
        {107, "dwm.exe"},
        {108, "lsm.exe"},
        {109, "ss.exe"},
        {110, ""},
        {self, "renamed.exe"},
        {111, "C:\\Apps\\Tool.EXE"},
    };
    ProcessSnapshot chosen = SelectUserProcesses(given);
    std::vector<DWORD> ids;
    for (const ProcessEntry& entry : chosen)
        ids.push_back(entry.processId);
    // explorer and the user's programs go; "ss.exe" is part of "lsass.exe" in the list and is
    // spared, like every name the list contains.
    EXPECT_EQ(ids, (std::vector<DWORD>{102, 104, 111}));
}

TEST_F(ProcessTest, KillAllInAChildEndsUserProcessesButNotItselfNorSystemNames) {
    Sleeper user1(dir.Path(), "kuuserone.exe");
    Sleeper user2(dir.Path(), "explorer.exe");
    Sleeper spared(dir.Path(), "services.exe");
    Sleeper ku(dir.Path(), "ku.exe");
    const std::string line = kutest::Fixture("kukillall.exe") + " " + std::to_string(user1.Id()) +
                             " " + std::to_string(user2.Id()) + " " + std::to_string(spared.Id()) +
                             " " + std::to_string(ku.Id());
    // The child ends the two user processes and lives to report it.
    EXPECT_EQ(kutest::RunAndWait(line), 2);
    EXPECT_EQ(user1.WaitExitCode(), 1u);
    EXPECT_EQ(user2.WaitExitCode(), 1u);
    EXPECT_TRUE(spared.Running());
    EXPECT_TRUE(ku.Running());
}

TEST_F(ProcessTest, PathsAndModulesOfRunningProcesses) {
    Sleeper sleeper(dir.Path(), "kumodules.exe");
    EXPECT_TRUE(SameText(GetProcessImagePath(sleeper.Id()), sleeper.Path()));
    EXPECT_EQ(GetProcessImagePath(0xFFFFFFF0), "");

    std::vector<std::string> paths = {"stale"};
    ListProcessPaths(&paths);
    EXPECT_TRUE(Contains(paths, sleeper.Path()));
    EXPECT_FALSE(Contains(paths, "stale"));
    ListProcessPaths(nullptr);

    std::vector<std::string> modules = {"stale"};
    ListProcessModules("KUMODULES.EXE", &modules);
    EXPECT_TRUE(Contains(modules, sleeper.Path()));
    EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), [](const std::string& m) {
        return SameText(ExtractFileName(m), "kernel32.dll");
    }));
    EXPECT_FALSE(Contains(modules, "stale"));

    std::vector<std::string> shared;
    ListProcessModules("kumodules.exe", &shared, TakeProcessSnapshot());
    EXPECT_EQ(shared, modules);
    ListProcessModules("", &shared);
    EXPECT_EQ(shared, modules) << "an empty name leaves the list alone";
}

TEST(Privileges, DebugPrivilegeCanBeEnabledAndUnknownNamesFail) {
    EXPECT_TRUE(EnableTokenPrivilege("SeDebugPrivilege"));
    EXPECT_TRUE(SetProcessPrivilege(GetCurrentProcess(), "SeDebugPrivilege", true));
    EXPECT_FALSE(EnableTokenPrivilege("SeNoSuchPrivilege"));
    EXPECT_FALSE(SetProcessPrivilege(GetCurrentProcess(), "SeNoSuchPrivilege", true));
    EXPECT_FALSE(SetProcessPrivilege(nullptr, "SeDebugPrivilege", true));
}
