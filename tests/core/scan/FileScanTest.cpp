// The file scan against scratch folders of the sandbox drive.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "core/force/ForceSupport.h"
#include "core/removal/WizardTestSupport.h"
#include "core/scan/FileScan.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::ScratchDir;
using kutest::WriteTextFile;

namespace {

std::vector<std::string> Scan(TWizardState& state, const std::string& folder,
                              const std::string& word, IScanProgress* progress = nullptr) {
    ScanState = ScanRun;
    state.LeftoverList.Clear();
    ScanFolderFiles(state, folder, 0, progress, state.LeftoverList, word);
    std::vector<std::string> lines = kutest::ItemTexts(state.LeftoverList);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A file item as the scan lists it.
std::string File(const std::string& path) { return kutest::ItemText("3", "", "", "", path); }

std::string Make(const ScratchDir& dir, const std::string& relative) {
    const std::string path = dir.File(relative);
    SHCreateDirectoryExA(nullptr, ExtractFileDir(path).c_str(), nullptr);
    EXPECT_TRUE(WriteTextFile(path, "x"));
    return path;
}

} // namespace

// (No "recent" in the test's name: its scratch folder is named after it.)
TEST(FileScan, ListsTheProgramsWholeNamesOutsideHistoryWithoutTouchingThem) {
    const struct {
        const char* file;
        bool listed;
    } files[] = {
        {"FooApp\\a.txt", true},
        {"FooApp\\FooApp.exe", true},
        {"FooApp\\ro.dat", true},
        {"FooAppBar\\bar.exe", false},
        {"notes\\FooApp.txt", true},
        {"notes\\MyFooAppList.txt", false},
        {"x\\Recent\\FooApp.txt", false},
        {"Documents and Settings\\u\\Favorites\\FooApp.txt", false},
        {"Documents and Settings\\u\\Local Settings\\Temporary Internet Files\\FooApp.txt", false},
        {"Documents and Settings\\u\\FooApp.txt", true},
        {"Favorites\\FooApp.txt", true},
    };
    ScratchDir dir;
    std::vector<std::string> expected, inFolder;
    for (const auto& f : files) {
        const std::string path = Make(dir, f.file);
        if (f.listed)
            expected.push_back(File(path));
        if (f.listed && std::string(f.file).rfind("FooApp\\", 0) == 0)
            inFolder.push_back(File(path));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(inFolder.begin(), inFolder.end());
    const std::string readOnly = dir.File("FooApp\\ro.dat");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD before = GetFileAttributesA(readOnly.c_str());

    TWizardState state;
    EXPECT_EQ(Scan(state, dir.Path(), "FooApp"), expected);
    EXPECT_EQ(state.RunningExeList, "fooapp.exe");
    // A scan changes nothing on disk: attributes are cleared only by the removal.
    EXPECT_EQ(GetFileAttributesA(readOnly.c_str()), before);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A folder word lists everything below it, not the look-alike folder.
    EXPECT_EQ(Scan(state, dir.Path(), dir.File("FooApp")), inFolder);
    // A trailing "." is dropped; a short or empty word is never used.
    EXPECT_EQ(Scan(state, dir.Path(), "FooApp."), expected);
    EXPECT_TRUE(Scan(state, dir.Path(), "Foo").empty());
    EXPECT_TRUE(Scan(state, dir.Path(), "").empty());
}

TEST(FileScan, SkipEndsEveryLevel) {
    ScratchDir dir;
    for (int i = 0; i < 20; ++i)
        Make(dir, "d" + std::to_string(i) + "\\FooApp.txt");
    kutest::CountingProgress progress;
    progress.onPump = [](int n) {
        if (n == 10)
            ScanState = ScanSkipFiles;
    };
    TWizardState state;
    EXPECT_LT(Scan(state, dir.Path(), "FooApp", &progress).size(), 5u);
    EXPECT_EQ(progress.pumps, 10);
    EXPECT_FALSE(progress.captions.empty());
    ScanState = ScanRun;
}

TEST(FileScan, TheUsersOwnFoldersAreNotEntered) {
    char documents[MAX_PATH], profile[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    ScratchDir unique; // only for a name no other test uses
    const std::string word = "KuDoc" + ExtractFileName(unique.Path());
    CreateDirectoryA(documents, nullptr);
    const std::string letter = std::string(documents) + "\\" + word + " letter.txt";
    ASSERT_TRUE(WriteTextFile(letter, "x"));
    TWizardState state;
    const std::vector<std::string> found = Scan(state, profile, word);
    DeleteFileA(letter.c_str());
    EXPECT_TRUE(found.empty());
    const std::string cache = Make(unique, word + ".cache");
    EXPECT_EQ(Scan(state, unique.Path(), word), std::vector<std::string>{File(cache)});
}

TEST(FileScan, LinksAreNeverFollowed) {
    const std::string tree = std::string(kutest::kFixtureDir) + "\\linktree";
    if (GetFileAttributesA((tree + "\\App\\link").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no link fixture";
    TWizardState state;
    EXPECT_EQ(Scan(state, tree, "precious"),
              std::vector<std::string>{File(tree + "\\target\\precious.txt")});
}
