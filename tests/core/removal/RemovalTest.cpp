// The removal: registry items in their own view, files permanently or to the Recycle Bin,
// exact-name process ends, and the removal thread's conversation with its window.
#include <gtest/gtest.h>

#include "WizardTestSupport.h"
#include "core/removal/Removal.h"
#include "core/system/SharedState.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

using namespace ku;
using kutest::RawCreateKey;
using kutest::RawKeyExists;
using kutest::RawSetString;
using kutest::RecordingHost;
using kutest::ScratchDir;
using kutest::ScratchKey;

namespace {

void AddKeyItem(TUninstallerContents& list, const std::string& type, const std::string& root,
                const std::string& path, const std::string& value, const std::string& view) {
    TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = type;
    item.RootKeyName = root;
    item.KeyPath = path;
    item.ValueName = value;
    item.Extra = view;
}

void AddFile(TUninstallerContents& list, const std::string& path) {
    TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = kItemFile;
    item.FilePath = path;
}

class Removal : public ::testing::Test {
protected:
    void SetUp() override { ScanState = ScanRun; }
    void TearDown() override { ScanState = ScanRun; }
    RecordingHost host;
    TUninstallerContents list;
};

} // namespace

TEST_F(Removal, RegistryItemsAreDeletedInTheViewTheyWereFoundIn) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "one view only";
    ScratchKey scratch(HKEY_LOCAL_MACHINE);
    const std::string key = scratch.Sub("Both");
    RawCreateKey(HKEY_LOCAL_MACHINE, key + "\\Sub", KEY_WOW64_64KEY);
    RawCreateKey(HKEY_LOCAL_MACHINE, key + "\\Sub", KEY_WOW64_32KEY);
    RawSetString(HKEY_LOCAL_MACHINE, key, "Keep", "1", KEY_WOW64_64KEY);
    RawSetString(HKEY_LOCAL_MACHINE, key, "Drop", "1", KEY_WOW64_64KEY);
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", key, "", "32");
    AddKeyItem(list, "2", "HKEY_LOCAL_MACHINE", key, "Drop", "64");
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", " \\ ", "", "64");
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", "", "", "64");
    AddKeyItem(list, "2", "HKEY_LOCAL_MACHINE", scratch.Sub("Missing"), "Drop", "64");
    DeleteRegistryItems(list, host);
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, key + "\\Sub", KEY_WOW64_64KEY));
    HKEY opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened),
              ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(opened, "Keep", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExA(opened, "Drop", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(opened);
}

TEST_F(Removal, StopValueEndsTheLoops) {
    ScratchKey scratch(HKEY_CURRENT_USER);
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("K"), 0);
    AddKeyItem(list, "1", "HKEY_CURRENT_USER", scratch.Sub("K"), "", "");
    ScanState = ScanStopRemoving;
    DeleteRegistryItems(list, host);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("K"), 0));
}

TEST_F(Removal, FilesPermanentlyOrToTheRecycleBinAskedOnce) {
    ScratchDir dir;
    const std::string readOnly = dir.File("ro.dat");
    ASSERT_TRUE(kutest::WriteTextFile(readOnly, "x"));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    AddFile(list, readOnly);
    AddFile(list, "relative\\path.txt");
    AddFile(list, "C:\\");
    host.answers = {IDYES};
    DeleteFileItems(list, host);
    EXPECT_FALSE(kutest::PathExists(readOnly));
    EXPECT_EQ(host.Questions().size(), 1u);
    EXPECT_EQ(host.Questions()[0].rfind("Remove Options: To permanently remove the files", 0), 0u);

    TUninstallerContents bin;
    const std::string kept = dir.File("to bin.txt");
    ASSERT_TRUE(kutest::WriteTextFile(kept, "x"));
    AddFile(bin, kept);
    RecordingHost binHost;
    binHost.answers = {IDNO};
    DeleteFileItems(bin, binHost);
    EXPECT_FALSE(kutest::PathExists(kept));
    EXPECT_FALSE(MoveToRecycleBin("C:\\windows"));
    EXPECT_TRUE(kutest::PathExists("C:\\windows\\system32"));

    RecordingHost emptyHost;
    DeleteFileItems(TUninstallerContents(), emptyHost);
    EXPECT_EQ(emptyHost.Questions().size(), 1u);
}

TEST_F(Removal, OnlyTheListedExecutableItselfIsEnded) {
    ScratchDir dir, elsewhere;
    kutest::Sleeper own(dir.Path(), "fooapp.exe");
    kutest::Sleeper sameName(elsewhere.Path(), "fooapp.exe");
    kutest::Sleeper lookAlike(dir.Path(), "fooappbar.exe");
    AddFile(list, own.Path());
    DeleteFileItems(list, host);
    EXPECT_NE(own.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running()) << "a program of the same name elsewhere was ended";
    EXPECT_TRUE(lookAlike.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return !kutest::PathExists(own.Path()); }, 3000));

    TWizardState state;
    state.RunningExeList = "fooapp.exe,fooappbar.exe";
    EXPECT_EQ(KillRunningExeList(state), 0) << "no file of the list: nothing is ended";
    AddFile(state.LeftoverList, lookAlike.Path());
    EXPECT_EQ(KillRunningExeList(state), 1);
    EXPECT_NE(lookAlike.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running());
}

TEST_F(Removal, ThreadTellsItsWindowAndAsksThroughIt) {
    ScratchDir dir;
    ScratchKey scratch(HKEY_CURRENT_USER);
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("K"), 0);
    const std::string file = dir.File("f.txt");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    TWizardState state;
    AddKeyItem(state.LeftoverList, "1", "HKEY_CURRENT_USER", scratch.Sub("K"), "", "");
    AddFile(state.LeftoverList, file);
    {
        TDelthread thread(RemovalJob{&state, false, ""}, host);
        thread.WaitFor();
        EXPECT_TRUE(thread.Finished());
    }
    EXPECT_EQ(host.Calls(), (std::vector<std::string>{
                                "texts Please wait! / Uninstalling!", "progress shown",
                                "buttons 01", "ask Remove Options", "progress hidden", "buttons 10",
                                "texts Congratulations! / The uninstall is complete."}));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("K"), 0));
    EXPECT_FALSE(kutest::PathExists(file));

    RecordingHost idle;
    TWizardState empty;
    TDelthread nothing(RemovalJob{&empty, true, dir.Path()}, idle);
    nothing.WaitFor();
    EXPECT_TRUE(idle.Calls().empty());
}

TEST_F(Removal, ForceRunOffersTheFolderAndReRegistersScriptEngines) {
    kutest::RecordingLauncher launcher;
    ScratchDir parent;
    const std::string folder = parent.File("App");
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\a.txt", "x"));
    TWizardState state;
    state.FullForceScan = true;
    AddFile(state.LeftoverList, folder + "\\a.txt");
    host.answers = {IDYES, IDYES, IDOK};
    TDelthread(RemovalJob{&state, true, " " + folder + " "}, host).WaitFor();
    EXPECT_FALSE(kutest::PathExists(folder));
    EXPECT_FALSE(state.FullForceScan);
    const auto questions = host.Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[1], "Kelvane Uninstaller: Are you sure to delete this directory:\r" + folder);
    EXPECT_EQ(questions[2].rfind("Kelvane Uninstaller: The applications will be uninstalled.", 0), 0u);
    EXPECT_EQ(launcher.Requests().size(), 2u);

    RecordingHost serverHost;
    TWizardState server;
    AddFile(server.LeftoverList, parent.File("none.txt"));
    TDelthread(RemovalJob{&server, true, folder}, serverHost).WaitFor();
    ASSERT_EQ(serverHost.Questions().size(), 2u);
    EXPECT_NE(serverHost.Questions()[1].find("The server program has been deleted."), std::string::npos);
}

namespace {

// Stops the removal when it reaches a given item, as the Cancel button does.
class StoppingHost : public RecordingHost {
  public:
    int stopAt = -1;
    void SetProgress(int position) override {
        RecordingHost::SetProgress(position);
        if (position == stopAt)
            ScanState = ScanStopRemoving;
    }
};

// Parents with children, listed parent first as the scans list them: once a parent is gone
// its children are gone too and must not count as failures.
void AddTree(TWizardState& state, const ScratchKey& scratch, int parents, int children) {
    for (int p = 0; p < parents; ++p) {
        const std::string parent = scratch.Sub("P" + std::to_string(p));
        for (int c = 0; c < children; ++c)
            RawCreateKey(HKEY_CURRENT_USER, parent + "\\C" + std::to_string(c), 0);
        AddKeyItem(state.LeftoverList, "1", "HKEY_CURRENT_USER", parent, "", "");
        for (int c = 0; c < children; ++c)
            AddKeyItem(state.LeftoverList, "1", "HKEY_CURRENT_USER",
                       parent + "\\C" + std::to_string(c), "", "");
    }
}

} // namespace

TEST_F(Removal, ThousandsOfItemsGoInBoundedTimeAndCanBeStopped) {
    ScratchKey scratch(HKEY_CURRENT_USER);
    TWizardState state;
    AddTree(state, scratch, 100, 30); // 3,100 items
    const DWORD start = GetTickCount();
    {
        TDelthread thread(RemovalJob{&state, false, ""}, host);
        thread.WaitFor();
        EXPECT_TRUE(thread.Report().notRemoved.empty());
        EXPECT_EQ(thread.Report().handled, 3100);
    }
    EXPECT_LT(GetTickCount() - start, 60000u);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P99"), 0));

    TWizardState second;
    AddTree(second, scratch, 40, 30);
    StoppingHost stopping;
    stopping.stopAt = 500;
    TDelthread thread(RemovalJob{&second, false, ""}, stopping);
    thread.WaitFor();
    EXPECT_TRUE(thread.Report().stopped);
    EXPECT_EQ(thread.Report().handled, 500);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P39\\C29"), 0))
        << "went on after Stop";
    const std::vector<std::string> calls = stopping.Calls();
    EXPECT_EQ(calls.back(), "texts The removal was stopped. / Stopped after 500 of 1240 items; "
                            "the rest was left as it is.");
    EXPECT_TRUE(stopping.Questions().empty()) << "a stopped removal asks nothing more";
}

TEST_F(Removal, OtherProgramsEntriesAreRefusedAndReportedAsStaying) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string own = "KuOwnProgram" + std::to_string(GetCurrentProcessId());
    const std::string other = uninstall + "KuOtherProgram" + std::to_string(GetCurrentProcessId());
    TWizardState state;
    for (const std::string& key : {other, uninstall + own}) {
        RawCreateKey(HKEY_CURRENT_USER, key, 0);
        AddKeyItem(state.LeftoverList, "1", "HKEY_CURRENT_USER", key, "", "");
    }
    TDelthread thread(RemovalJob{&state, false, "", RemovalScope{true, own}}, host);
    thread.WaitFor();
    EXPECT_EQ(thread.Report().notRemoved, std::vector<std::string>{"HKEY_CURRENT_USER\\" + other});
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, uninstall + own, 0));
    EXPECT_EQ(host.Calls().back(),
              "texts The uninstall is finished. / 1 item could not be removed.");
    kutest::RawDeleteTree(HKEY_CURRENT_USER, other, 0);
}
