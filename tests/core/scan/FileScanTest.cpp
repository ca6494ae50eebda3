// The file scan against scratch folders of the sandbox drive.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/FileScan.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::ItemLines;
using kutest::ScratchDir;
using kutest::WriteTextFile;

namespace {

class FileScan : public ::testing::Test {
protected:
    void SetUp() override { ScanState = ScanRun; }
    std::string Make(const std::string& relative) {
        const std::string path = dir.File(relative);
        for (size_t at = path.find('\\', dir.Path().size() + 1); at != std::string::npos;
             at = path.find('\\', at + 1))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        EXPECT_TRUE(WriteTextFile(path, "x"));
        return path;
    }
    std::vector<std::string> Scan(const std::string& word, IScanProgress* progress = nullptr) {
        state.LeftoverList.Clear();
        ScanFolderFiles(state, dir.Path(), 0, progress, state.LeftoverList, word);
        std::vector<std::string> lines = ItemLines(state.LeftoverList);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    std::string Line(const std::string& relative) { return "3 " + dir.File(relative); }

    ScratchDir dir;
    TWizardState state;
};

} // namespace

TEST_F(FileScan, ListsTheProgramsFilesWithoutTouchingThem) {
    Make("FooApp\\a.txt");
    const std::string exe = Make("FooApp\\FooApp.exe");
    const std::string readOnly = Make("FooApp\\ro.dat");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD before = GetFileAttributesA(readOnly.c_str());
    Make("FooAppBar\\bar.exe");
    Make("notes\\FooApp.txt");
    Make("notes\\MyFooAppList.txt");
    EXPECT_EQ(Scan("FooApp"), (std::vector<std::string>{Line("FooApp\\FooApp.exe"),
                                                        Line("FooApp\\a.txt"),
                                                        Line("FooApp\\ro.dat"),
                                                        Line("notes\\FooApp.txt")}));
    EXPECT_EQ(state.RunningExeList, "fooapp.exe");
    const TContent& first = state.LeftoverList.GetItem(0).Content;
    EXPECT_FALSE(first.FileName.empty());
    EXPECT_EQ(first.Extra, "");
    // A scan changes nothing on disk: attributes are cleared only by the removal.
    EXPECT_EQ(GetFileAttributesA(readOnly.c_str()), before);
    EXPECT_TRUE(before & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A trailing "." is dropped, a short word is never used.
    EXPECT_EQ(Scan("FooApp.").size(), 4u);
    EXPECT_TRUE(Scan("Foo").empty());
    EXPECT_TRUE(Scan("").empty());
}

TEST_F(FileScan, FolderWordListsEverythingBelowItButNotTheLookAlikeFolder) {
    Make("FooApp\\a.txt");
    Make("FooApp\\sub\\b.bin");
    Make("FooAppBar\\c.txt");
    EXPECT_EQ(Scan(dir.File("FooApp")),
              (std::vector<std::string>{Line("FooApp\\a.txt"), Line("FooApp\\sub\\b.bin")}));
}

// (No "recent" in the test's name: its scratch folder is named after it.)
TEST_F(FileScan, HistoryFavouritesAndBrowserCacheAreLeftAlone) {
    Make("x\\Recent\\FooApp.txt");
    Make("Documents and Settings\\u\\Favorites\\FooApp.txt");
    Make("Documents and Settings\\u\\Local Settings\\Temporary Internet Files\\FooApp.txt");
    Make("Documents and Settings\\u\\FooApp.txt");
    Make("Favorites\\FooApp.txt");
    EXPECT_EQ(Scan("FooApp"),
              (std::vector<std::string>{Line("Documents and Settings\\u\\FooApp.txt"),
                                        Line("Favorites\\FooApp.txt")}));
}

TEST_F(FileScan, SkipEndsEveryLevel) {
    for (int i = 0; i < 20; ++i)
        Make("d" + std::to_string(i) + "\\FooApp.txt");
    kutest::CountingProgress progress;
    progress.onPump = [](int n) {
        if (n == 10)
            ScanState = ScanSkipFiles;
    };
    Scan("FooApp", &progress);
    EXPECT_EQ(progress.pumps, 10);
    EXPECT_LT(state.LeftoverList.Count(), 5);
    EXPECT_FALSE(progress.captions.empty());
    ScanState = ScanRun;
}

TEST(PersonalFolders, TheUsersOwnFoldersAreNotEntered) {
    char documents[MAX_PATH], profile[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    const std::vector<std::string> folders = PersonalFolders();
    EXPECT_TRUE(std::binary_search(folders.begin(), folders.end(), UpperCase(documents)));
    EXPECT_TRUE(std::binary_search(folders.begin(), folders.end(),
                                   UpperCase(std::string(profile) + "\\Downloads")));

    ScratchDir unique; // only for a name no other test uses
    const std::string word = "KuDoc" + ExtractFileName(unique.Path());
    CreateDirectoryA(documents, nullptr);
    const std::string letter = std::string(documents) + "\\" + word + " letter.txt";
    ASSERT_TRUE(WriteTextFile(letter, "x"));
    const std::string cache = unique.File(word + ".cache");
    ASSERT_TRUE(WriteTextFile(cache, "x"));
    TWizardState state;
    ScanState = ScanRun;
    ScanFolderFiles(state, profile, 0, nullptr, state.LeftoverList, word);
    ScanFolderFiles(state, unique.Path(), 0, nullptr, state.LeftoverList, word);
    DeleteFileA(letter.c_str());
    EXPECT_EQ(ItemLines(state.LeftoverList), std::vector<std::string>{"3 " + cache});
}

TEST(FileScanLinks, LinksAreNeverFollowed) {
    const std::string tree = std::string(kutest::kFixtureDir) + "\\linktree";
    if (GetFileAttributesA((tree + "\\App\\link").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no link fixture";
    TWizardState state;
    ScanState = ScanRun;
    ScanFolderFiles(state, tree, 0, nullptr, state.LeftoverList, "precious");
    EXPECT_EQ(ItemLines(state.LeftoverList),
              std::vector<std::string>{"3 " + tree + "\\target\\precious.txt"});
}
