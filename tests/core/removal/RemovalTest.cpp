// The removal: registry items in their own view, files permanently or to the Recycle Bin,
// exact-name process ends, and the removal thread's conversation with its window.
#include <gtest/gtest.h>

#include "WizardTestSupport.h"
#include "core/removal/Removal.h"
#include "core/system/SharedState.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

using namespace ku;
using kutest::AddFileItem;
using kutest::AddKeyItem;
using kutest::RawCreateKey;
using kutest::RawKeyExists;
using kutest::RecordingHost;
using kutest::ScratchDir;
using kutest::ScratchKey;

namespace {

const char kUser[] = "HKEY_CURRENT_USER";

class Removal : public ::testing::Test {
protected:
    void SetUp() override { ScanState = ScanRun; }
    void TearDown() override { ScanState = ScanRun; }
    RemovalReport Run(TWizardState& state, const RemovalScope& scope = {}) {
        TDelthread thread(RemovalJob{&state, false, "", scope}, host);
        thread.WaitFor();
        EXPECT_TRUE(thread.Finished());
        return thread.Report();
    }
    RecordingHost host;
    TWizardState state;
};

// Stops the removal when it reaches a given item, as the Cancel button does.
class StoppingHost : public RecordingHost {
public:
    int stopAt = -1;
    void SetProgress(int position) override {
        if (position == stopAt)
            ScanState = ScanStopRemoving;
    }
};

// Parents with children, listed parent first as the scans list them: once a parent is gone
// its children are gone too and must not count as failures.
void AddTree(TWizardState& state, const ScratchKey& scratch, int parents, int children) {
    for (int p = 0; p < parents; ++p) {
        const std::string parent = scratch.Sub("P" + std::to_string(p));
        AddKeyItem(state.LeftoverList, "1", kUser, parent);
        for (int c = 0; c < children; ++c) {
            RawCreateKey(HKEY_CURRENT_USER, parent + "\\C" + std::to_string(c), 0);
            AddKeyItem(state.LeftoverList, "1", kUser, parent + "\\C" + std::to_string(c));
        }
    }
}

} // namespace

TEST_F(Removal, RegistryItemsAreDeletedInTheViewTheyWereFoundIn) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "one view only";
    ScratchKey scratch(HKEY_LOCAL_MACHINE);
    const std::string key = scratch.Sub("Both");
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        RawCreateKey(HKEY_LOCAL_MACHINE, key + "\\Sub", view);
    for (const char* name : {"Keep", "Drop"})
        kutest::RawSetString(HKEY_LOCAL_MACHINE, key, name, "1", KEY_WOW64_64KEY);
    TUninstallerContents list;
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", key, "", "32");
    AddKeyItem(list, "2", "HKEY_LOCAL_MACHINE", key, "Drop", "64");
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", " \\ ", "", "64");
    AddKeyItem(list, "1", "HKEY_LOCAL_MACHINE", "", "", "64");
    AddKeyItem(list, "2", "HKEY_LOCAL_MACHINE", scratch.Sub("Missing"), "Drop", "64");
    DeleteRegistryItems(list, host);
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, key + "\\Sub", KEY_WOW64_64KEY));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, key, "Keep", KEY_WOW64_64KEY));
    EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, key, "Drop", KEY_WOW64_64KEY));
}

TEST_F(Removal, FilesPermanentlyOrToTheRecycleBinAskedOnceNeverARoot) {
    ScratchDir dir;
    const std::string readOnly = dir.File("ro.dat"), binned = dir.File("to bin.txt");
    ASSERT_TRUE(kutest::WriteTextFile(readOnly, "x"));
    ASSERT_TRUE(kutest::WriteTextFile(binned, "x"));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    TUninstallerContents list, bin;
    for (const std::string& path : {readOnly, std::string("relative\\path.txt"), std::string("C:\\")})
        AddFileItem(list, path);
    AddFileItem(bin, binned);
    host.answers = {IDYES, IDNO};
    DeleteFileItems(list, host);
    DeleteFileItems(bin, host);
    EXPECT_FALSE(kutest::PathExists(readOnly));
    EXPECT_FALSE(kutest::PathExists(binned));
    ASSERT_EQ(host.Questions().size(), 2u);
    EXPECT_EQ(host.Questions()[0].rfind("Remove Options: To permanently remove the files", 0), 0u);
    EXPECT_FALSE(MoveToRecycleBin("C:\\windows"));
    EXPECT_TRUE(kutest::PathExists("C:\\windows\\system32"));
}

TEST_F(Removal, OnlyTheListedExecutableItselfIsEnded) {
    ScratchDir dir, elsewhere;
    kutest::Sleeper own(dir.Path(), "fooapp.exe");
    kutest::Sleeper sameName(elsewhere.Path(), "fooapp.exe");
    kutest::Sleeper lookAlike(dir.Path(), "fooappbar.exe");
    TUninstallerContents list;
    AddFileItem(list, own.Path());
    DeleteFileItems(list, host);
    EXPECT_NE(own.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running()) << "a program of the same name elsewhere was ended";
    EXPECT_TRUE(lookAlike.Running());
    EXPECT_TRUE(kutest::WaitFor([&] { return !kutest::PathExists(own.Path()); }, 3000));

    state.RunningExeList = "fooapp.exe,fooappbar.exe";
    EXPECT_EQ(KillRunningExeList(state), 0) << "no file of the list: nothing is ended";
    AddFileItem(state.LeftoverList, lookAlike.Path());
    EXPECT_EQ(KillRunningExeList(state), 1);
    EXPECT_NE(lookAlike.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running());
}

TEST_F(Removal, ThousandsOfItemsGoInBoundedTimeAndCanBeStopped) {
    ScratchKey scratch(HKEY_CURRENT_USER);
    AddTree(state, scratch, 100, 30); // 3,100 items
    const DWORD start = GetTickCount();
    const RemovalReport all = Run(state);
    EXPECT_LT(GetTickCount() - start, 60000u);
    EXPECT_TRUE(all.notRemoved.empty());
    EXPECT_EQ(all.handled, 3100);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P99"), 0));

    TWizardState second;
    AddTree(second, scratch, 40, 30);
    StoppingHost stopping;
    stopping.stopAt = 500;
    TDelthread thread(RemovalJob{&second, false, "", {}}, stopping);
    thread.WaitFor();
    EXPECT_TRUE(thread.Report().stopped);
    EXPECT_EQ(thread.Report().handled, 500);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P39\\C29"), 0)) << "went on after Stop";
    EXPECT_EQ(stopping.Calls().back(), "texts The removal was stopped. / Stopped after 500 of "
                                       "1240 items; the rest was left as it is.");
    EXPECT_TRUE(stopping.Questions().empty()) << "a stopped removal asks nothing more";
}

TEST_F(Removal, ThreadTellsItsWindowAndOtherProgramsEntriesStay) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string own = "KuOwnProgram" + std::to_string(GetCurrentProcessId());
    const std::string other = uninstall + "KuOtherProgram" + std::to_string(GetCurrentProcessId());
    for (const std::string& key : {other, uninstall + own}) {
        RawCreateKey(HKEY_CURRENT_USER, key, 0);
        AddKeyItem(state.LeftoverList, "1", kUser, key);
    }
    ScratchDir dir;
    const std::string file = dir.File("f.txt");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    AddFileItem(state.LeftoverList, file);
    const RemovalReport report = Run(state, RemovalScope{true, own});
    kutest::RawDeleteTree(HKEY_CURRENT_USER, other, 0);
    EXPECT_EQ(report.notRemoved, std::vector<std::string>{"HKEY_CURRENT_USER\\" + other});
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, uninstall + own, 0));
    EXPECT_FALSE(kutest::PathExists(file));
    EXPECT_EQ(host.Calls(), (std::vector<std::string>{
                                "texts Please wait! / Uninstalling!", "progress shown",
                                "buttons 01", "ask Remove Options", "progress hidden", "buttons 10",
                                "texts The uninstall is finished. / 1 item could not be removed."}));
}
