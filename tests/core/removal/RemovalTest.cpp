// The removal: registry items in their own view, files permanently or to the Recycle Bin,
// exact-name process ends, and the removal thread's conversation with its window.
#include <gtest/gtest.h>

#include "WizardTestSupport.h"
#include "core/removal/Removal.h"
#include "core/system/Reg32vs64.h"
#include "support/Spawn.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

const char kUser[] = "HKEY_CURRENT_USER";

class Removal : public WizardTest {
protected:
    RemovalReport Run(TWizardState& state, RecordingHost& host, const RemovalScope& scope = {}) {
        TDelthread thread(RemovalJob{&state, false, "", scope, {}}, host);
        thread.WaitFor();
        EXPECT_TRUE(thread.Finished());
        return thread.Report();
    }
    // Parents with children, listed parent first as the scans list them: once a parent is
    // gone its children are gone too and must not count as failures.
    void AddTree(TWizardState& into, int parents, int children) {
        for (int p = 0; p < parents; ++p) {
            const std::string parent = scratch.Sub("P" + std::to_string(p));
            AddKeyItem(into.LeftoverList, "1", kUser, parent);
            for (int c = 0; c < children; ++c) {
                RawCreateKey(HKEY_CURRENT_USER, parent + "\\C" + std::to_string(c));
                AddKeyItem(into.LeftoverList, "1", kUser, parent + "\\C" + std::to_string(c));
            }
        }
    }
    RecordingHost host;
    TWizardState state;
    TUninstallerContents list;
    ScratchKey scratch{HKEY_CURRENT_USER};
    ScratchDir dir;
};

} // namespace

TEST_F(Removal, RegistryItemsAreDeletedInTheViewTheyWereFoundIn) {
    if (!RunningUnderWow64())
        GTEST_SKIP() << "one view only";
    ScratchKey machine(HKEY_LOCAL_MACHINE);
    // Each key and value is there in both views; the item names the one view to delete it in.
    const std::string key = machine.Sub("Both"), other = machine.Sub("Other");
    const std::string missing = machine.Sub("Missing");
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        RawCreateKey(HKEY_LOCAL_MACHINE, key + "\\Sub", view);
        for (const char* name : {"Keep", "Drop"})
            RawSetString(HKEY_LOCAL_MACHINE, key, name, "1", view);
        RawSetString(HKEY_LOCAL_MACHINE, other, "Drop", "1", view);
    }
    const std::string items[][4] = {{"1", key, "", "64"},         {"2", key, "Drop", "32"},
                                    {"1", other, "", "32"},       {"2", other, "Drop", "64"},
                                    {"1", " \\ ", "", "64"},      {"1", "", "", "64"},
                                    {"2", missing, "Drop", "64"}};
    for (const auto& item : items)
        AddKeyItem(list, item[0], "HKEY_LOCAL_MACHINE", item[1], item[2], item[3]);
    DeleteRegistryItems(list, host);
    const REGSAM v64 = KEY_WOW64_64KEY, v32 = KEY_WOW64_32KEY;
    EXPECT_EQ(std::vector<bool>({RawKeyExists(HKEY_LOCAL_MACHINE, key, v64),
                                 RawKeyExists(HKEY_LOCAL_MACHINE, key + "\\Sub", v32),
                                 RawValueExists(HKEY_LOCAL_MACHINE, key, "Keep", v32),
                                 RawValueExists(HKEY_LOCAL_MACHINE, key, "Drop", v32),
                                 RawKeyExists(HKEY_LOCAL_MACHINE, other, v32),
                                 RawValueExists(HKEY_LOCAL_MACHINE, other, "Drop", v64)}),
              std::vector<bool>({false, true, true, false, false, false}));
}

TEST_F(Removal, FilesGoPermanentlyOrToTheBinAskedOnceNeverARootAndOnlyTheirOwnProcessEnds) {
    ScratchDir elsewhere;
    Sleeper own(dir.Path(), "fooapp.exe"), sameName(elsewhere.Path(), "fooapp.exe");
    Sleeper lookAlike(dir.Path(), "fooappbar.exe");
    const std::string readOnly = PlantFile(dir, "ro.dat"), binned = PlantFile(dir, "to bin.txt");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    TUninstallerContents bin;
    for (const std::string& path : {readOnly, own.Path(), std::string("relative\\path.txt"),
                                    std::string("C:\\")})
        AddFileItem(list, path);
    AddFileItem(bin, binned);
    host.answers = {IDYES, IDNO};
    DeleteFileItems(list, host);
    DeleteFileItems(bin, host);
    EXPECT_EQ(host.Calls(), (Lines{"ask Remove Options", "ask Remove Options"}));
    EXPECT_FALSE(PathExists(readOnly) || PathExists(binned));
    EXPECT_NE(own.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running()) << "a program of the same name elsewhere was ended";
    EXPECT_TRUE(lookAlike.Running());
    EXPECT_TRUE(WaitFor([&] { return !PathExists(own.Path()); }, 3000));
    EXPECT_FALSE(MoveToRecycleBin("C:\\windows"));
    EXPECT_TRUE(PathExists("C:\\windows\\system32"));

    state.RunningExeList = "fooapp.exe,fooappbar.exe";
    EXPECT_EQ(KillRunningExeList(state), 0) << "no file of the list: nothing is ended";
    AddFileItem(state.LeftoverList, lookAlike.Path());
    EXPECT_EQ(KillRunningExeList(state), 1);
    EXPECT_NE(lookAlike.WaitExitCode(5000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(sameName.Running());
}

TEST_F(Removal, ThousandsOfItemsGoInBoundedTimeOtherProgramsEntriesStayAndStopHolds) {
    AddTree(state, 100, 30); // 3,100 items
    // Then an Uninstall entry of the program itself, one of another program and a file.
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string own = "KuOwnProgram" + std::to_string(GetCurrentProcessId());
    const std::string other = uninstall + "KuOtherProgram" + std::to_string(GetCurrentProcessId());
    RawCreateKey(HKEY_CURRENT_USER, other);
    AddKeyItem(state.LeftoverList, "1", kUser, other);
    RawCreateKey(HKEY_LOCAL_MACHINE, uninstall + own);
    AddKeyItem(state.LeftoverList, "1", "HKEY_LOCAL_MACHINE", uninstall + own, "",
               ViewToMarker(ScanRegistryView()));
    AddFileItem(state.LeftoverList, PlantFile(dir, "f.txt"));
    const DWORD start = GetTickCount();
    const RemovalReport all = Run(state, host, RemovalScope{true, own});
    EXPECT_LT(GetTickCount() - start, 60000u);
    RawDeleteTree(HKEY_CURRENT_USER, other);
    EXPECT_EQ(all.handled, 3103);
    EXPECT_EQ(all.notRemoved, Lines{"HKEY_CURRENT_USER\\" + other});
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P99")) ||
                 RawKeyExists(HKEY_LOCAL_MACHINE, uninstall + own) ||
                 PathExists(dir.File("f.txt")));
    RawDeleteTree(HKEY_LOCAL_MACHINE, uninstall + own);
    EXPECT_EQ(host.Calls(),
              (Lines{"texts Please wait! / Uninstalling!", "progress shown", "buttons 01",
                     "ask Remove Options", "progress hidden", "buttons 00",
                     "texts The uninstall is finished. / 1 item could not be removed.",
                     "buttons 10"}));

    TWizardState second;
    AddTree(second, 40, 30);
    AddFileItem(second.LeftoverList, PlantFile(dir, "g.txt"));
    RecordingHost stopping;
    stopping.stopAt = 500;
    const RemovalReport stopped = Run(second, stopping);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.handled, 500);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("P39\\C29"))) << "went on after Stop";
    const Lines calls = stopping.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ask Remove Options"), 0)
        << "a stopped removal asks nothing more";
    EXPECT_EQ(calls[calls.size() - 2], "texts The removal was stopped. / Stopped after 500 of "
                                       "1241 items; the rest was left as it is.");
    EXPECT_EQ(calls.back(), "buttons 10");
}

// Read again when the removal starts: an entry of the program's name in the other view or in
// the user's store is another edition's, and so are the folders another installed program's
// entry names (install location, uninstaller, icon). All of it stays, and is reported so.
TEST_F(Removal, AnotherEditionsEntryAndAnotherProgramsFoldersStay) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string own = uninstall + "KuTwinRemoval" + pid;
    const std::string other = uninstall + "KuOtherInstalled" + pid;
    const std::string folder = dir.Path() + "\\Other";
    RawSetString(HKEY_CURRENT_USER, other, "InstallLocation", folder + "\\App");
    RawSetString(HKEY_CURRENT_USER, other, "UninstallString", "\"" + folder + "\\Un\\un.exe\" /S");
    RawSetString(HKEY_CURRENT_USER, other, "DisplayIcon", folder + "\\Icon\\i.exe,-3");
    Lines stays;
    // The program's own entry in the view of the scan goes; the same name elsewhere stays.
    RawCreateKey(HKEY_LOCAL_MACHINE, own);
    AddKeyItem(state.LeftoverList, "1", "HKEY_LOCAL_MACHINE", own, "",
               ViewToMarker(ScanRegistryView()));
    RawCreateKey(HKEY_CURRENT_USER, own);
    AddKeyItem(state.LeftoverList, "1", kUser, own);
    stays.push_back("HKEY_CURRENT_USER\\" + own);
    if (RunningUnderWow64()) {
        RawCreateKey(HKEY_LOCAL_MACHINE, own, KEY_WOW64_64KEY);
        AddKeyItem(state.LeftoverList, "1", "HKEY_LOCAL_MACHINE", own, "", "64");
        stays.push_back("HKEY_LOCAL_MACHINE\\" + own);
    }
    AddFileItem(state.LeftoverList, PlantFile(dir, "f.txt"));
    for (const char* sub : {"App", "Un", "Icon"}) {
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\" + sub).c_str(), nullptr);
        const std::string file = folder + "\\" + sub + "\\KuTwinRemoval.dat";
        WriteTextFile(file);
        AddFileItem(state.LeftoverList, file);
        stays.push_back(file);
    }
    const RemovalReport report = Run(state, host, RemovalScope{true, "KuTwinRemoval" + pid});
    EXPECT_EQ(report.notRemoved, stays);
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, own) || PathExists(dir.File("f.txt")));
    RawDeleteTree(HKEY_LOCAL_MACHINE, own);
    RawDeleteTree(HKEY_LOCAL_MACHINE, own, KEY_WOW64_64KEY);
    RawDeleteTree(HKEY_CURRENT_USER, own);
    RawDeleteTree(HKEY_CURRENT_USER, other);
}

// A listed key that holds a key or a value whose name the code page cannot hold is not deleted
// with it: the key stays and counts as not removed; a plain one beside it goes.
TEST_F(Removal, AKeyHoldingANameTheCodePageCannotHoldStaysAndCountsAsNotRemoved) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string withKey = scratch.Sub("FooApp"), withValue = scratch.Sub("FooTool"),
                      plain = scratch.Sub("FooPlain");
    const std::wstring greek = std::wstring(kOmega) + L"mega";
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, WideOf(withKey) + L"\\" + greek, L"", L""));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, WideOf(withValue), greek, L"x"));
    RawCreateKey(HKEY_CURRENT_USER, plain);
    for (const std::string& key : {withKey, withValue, plain})
        AddKeyItem(state.LeftoverList, "1", kUser, key);
    const RemovalReport report = Run(state, host);
    EXPECT_EQ(report.notRemoved,
              (Lines{std::string(kUser) + "\\" + withKey, std::string(kUser) + "\\" + withValue}));
    EXPECT_TRUE(WideKeyExists(HKEY_CURRENT_USER, WideOf(withKey) + L"\\" + greek));
    EXPECT_EQ(WideGetString(HKEY_CURRENT_USER, WideOf(withValue), greek), L"x");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, plain));
}
