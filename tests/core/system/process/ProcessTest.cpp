// Finding, ending and listing real processes in the sandbox: kill by id, by exact name, by
// part of the name, by full path and the kill-all, with the processes that must never end.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/system/DllUnit.h"
#include "core/system/ProcessUnit.h"
#include "core/system/StrUtil.h"
#include "core/system/Handles.h"
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
    kutest::ScratchDir other;
};

} // namespace

TEST_F(ProcessTest, EachKillEndsItsMatchesAndSparesTheRest) {
    Sleeper byId(dir.Path(), "kubyid.exe");
    EXPECT_FALSE(KillProcessById(byId.Id(), ProcessSnapshot()))
        << "a process the snapshot does not show is not ended blindly";
    EXPECT_FALSE(KillProcessById(byId.Id(), {{byId.Id(), "otherprogram.exe"}}))
        << "the id now belongs to another program than the snapshot saw";
    EXPECT_TRUE(byId.Running());
    EXPECT_TRUE(KillProcessById(byId.Id()));
    EXPECT_EQ(byId.WaitExitCode(), 1u);
    EXPECT_FALSE(KillProcessById(byId.Id())) << "a process that is gone cannot be ended";

    Sleeper exact1(dir.Path(), "kuexact.exe"), exact2(other.Path(), "KUEXACT.EXE");
    Sleeper longer(dir.Path(), "kuexact2.exe"), shorter(dir.Path(), "uexact.exe");
    EXPECT_TRUE(KillProcessByExeName("KuExact.exe"));
    EXPECT_FALSE(KillProcessByExeName("kuexact.exe")) << "nothing left to match";
    Sleeper part1(dir.Path(), "kutsetup.exe"), part2(dir.Path(), "mykutsetup32.exe");
    Sleeper partNot(dir.Path(), "kutsetu.exe");
    EXPECT_EQ(KillProcessesByName("KUTSETUP"), 2);
    // Other tests of the prefix may run their own setup.exe: only ours are offered.
    Sleeper setup(dir.Path(), "setup.exe"), mysetup(dir.Path(), "mysetup32.exe");
    Sleeper stay(dir.Path(), "kustay.exe");
    EXPECT_EQ(KillProcessesByName("setup", Only({&setup, &mysetup, &stay})), 2);
    // By full path: the same file name in another folder is another program.
    Sleeper here(dir.Path(), "kupath.exe"), elsewhere(other.Path(), "kupath.exe");
    EXPECT_EQ(KillProcessesByImagePath({UpperCase(here.Path())}), 1);
    EXPECT_EQ(KillProcessesByImagePath({dir.File("kupath")}), 0);

    const std::pair<const Sleeper*, bool> ended[] = {
        {&exact1, true}, {&exact2, true}, {&longer, false}, {&shorter, false},
        {&part1, true}, {&part2, true}, {&partNot, false}, {&setup, true},
        {&mysetup, true}, {&stay, false}, {&here, true}, {&elsewhere, false}};
    for (const auto& c : ended)
        EXPECT_EQ(c.first->WaitExitCode(c.second ? 5000 : 0) != STILL_ACTIVE, c.second)
            << c.first->Path();
}

TEST_F(ProcessTest, EmptyWordsCriticalNamesAndOwnProcessAreNeverEnded) {
    Sleeper plain(dir.Path(), "kuempty.exe");
    Sleeper lsass(dir.Path(), "lsass.exe"), csrss(dir.Path(), "CSRSS.EXE");
    Sleeper svchost(dir.Path(), "svchost.exe");
    EXPECT_EQ((std::vector<int>{KillProcessByExeName(""), KillProcessesByName("", Only({&plain})),
                                KillProcessesByImagePath({""}),
                                KillProcessByExeName("lsass.exe", Only({&lsass})),
                                KillProcessById(csrss.Id()),
                                KillProcessesByName("svchost", Only({&svchost})),
                                KillProcessesByImagePath({svchost.Path()}),
                                KillProcessById(GetCurrentProcessId()),
                                KillProcessByExeName("process_tests.exe"), KillProcessById(0)}),
              std::vector<int>(10, 0));
    for (const Sleeper* s : {&plain, &lsass, &csrss, &svchost})
        EXPECT_TRUE(s->Running()) << s->Path();
}

TEST_F(ProcessTest, KillAllInAChildEndsUserProcessesButNotItselfNorSystemNames) {
    Sleeper user1(dir.Path(), "kuuserone.exe"), user2(dir.Path(), "explorer.exe");
    Sleeper spared(dir.Path(), "services.exe"), ku(dir.Path(), "ku.exe");
    std::string line = kutest::Fixture("kukillall.exe");
    for (const Sleeper* s : {&user1, &user2, &spared, &ku})
        line += " " + std::to_string(s->Id());
    // The child ends the two user processes and lives to report it.
    EXPECT_EQ(kutest::RunAndWait(line), 2);
    EXPECT_EQ((std::vector<DWORD>{user1.WaitExitCode(), user2.WaitExitCode()}),
              (std::vector<DWORD>{1, 1}));
    EXPECT_TRUE(spared.Running() && ku.Running());
}

TEST_F(ProcessTest, PathsAndModulesOfRunningProcessesReplaceTheList) {
    Sleeper sleeper(dir.Path(), "kumodules.exe");
    EXPECT_TRUE(SameText(GetProcessImagePath(sleeper.Id()), sleeper.Path()));
    EXPECT_EQ(GetProcessImagePath(0xFFFFFFF0), "");
    std::vector<std::string> paths = {"stale"}, modules = {"stale"};
    ListProcessPaths(&paths);
    ListProcessModules("KUMODULES.EXE", &modules);
    for (const auto* list : {&paths, &modules})
        EXPECT_TRUE(Contains(*list, sleeper.Path()) && !Contains(*list, "stale"));
    EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), [](const std::string& m) {
        return SameText(ExtractFileName(m), "kernel32.dll");
    }));
    std::vector<std::string> kept = modules;
    ListProcessModules("", &kept);
    EXPECT_EQ(kept, modules) << "an empty name leaves the list alone";
}

// "Ωmega.exe" reads as "Omega.exe" in the legacy code page: a kill by that name or path is
// another program's, and never ends it.
TEST_F(ProcessTest, AProgramTheCodePageCannotNameIsNeverEndedForItsTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring path = kutest::WideOf(dir.Path()) + L"\\\u03A9mega.exe";
    ASSERT_TRUE(CopyFileW(kutest::WideOf(kutest::Fixture("kusleep.exe")).c_str(), path.c_str(),
                          FALSE));
    std::wstring command = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &started));
    UniqueHandle process(started.hProcess), thread(started.hThread);
    WaitForInputIdle(process.get(), 2000);
    Sleep(100);

    EXPECT_EQ(KillProcessesByImagePath({dir.File("Omega.exe")}), 0);
    EXPECT_FALSE(KillProcessByExeName("Omega.exe"));
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_TIMEOUT) << "the twin's kill ended it";
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 5000);
}
