// The file scan against scratch folders of the sandbox drive.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "core/removal/WizardTestSupport.h"
#include "core/scan/FileScan.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

class FileScan : public WizardTest {
protected:
    Lines Scan(const std::string& folder, const std::string& word,
               IScanProgress* progress = nullptr) {
        state.LeftoverList.Clear();
        ScanFolderFiles(state, folder, 0, progress, state.LeftoverList, word);
        Lines lines = ItemTexts(state.LeftoverList);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    TWizardState state;
    ScratchDir dir;
};

// A file item as the scan lists it.
std::string File(const std::string& path) { return ItemText("3", "", "", "", path); }

} // namespace

// (No "recent" in the test's name: its scratch folder is named after it.)
TEST_F(FileScan, ListsTheProgramsWholeNamesOutsideHistoryWithoutTouchingThem) {
    const std::string users = "Documents and Settings\\u\\";
    const std::pair<std::string, bool> files[] = { // listed?
        {"FooApp\\a.txt", true},
        {"FooApp\\ro.dat", true},
        {"FooAppBar\\bar.exe", false},
        {"notes\\FooApp.exe", true},
        {"notes\\MyFooAppList.txt", false},
        {"x\\Recent\\FooApp.txt", false},
        {users + "Favorites\\FooApp.txt", false},
        {users + "Local Settings\\Temporary Internet Files\\FooApp.txt", false},
        {users + "FooApp.txt", true},
        {"Favorites\\FooApp.txt", true},
    };
    Lines expected;
    for (const auto& f : files)
        if (const std::string path = PlantFile(dir, f.first); f.second)
            expected.push_back(File(path));
    std::sort(expected.begin(), expected.end());
    const Lines inFolder = {File(dir.File("FooApp\\a.txt")), File(dir.File("FooApp\\ro.dat"))};
    const std::string readOnly = dir.File("FooApp\\ro.dat");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD before = GetFileAttributesA(readOnly.c_str());

    EXPECT_EQ(Scan(dir.Path(), "FooApp"), expected);
    EXPECT_EQ(state.RunningExeList, "fooapp.exe");
    // A scan changes nothing on disk: attributes are cleared only by the removal.
    EXPECT_EQ(GetFileAttributesA(readOnly.c_str()), before);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A folder word lists everything below it, not the look-alike folder.
    EXPECT_EQ(Scan(dir.Path(), dir.File("FooApp")), inFolder);
    // A short or empty word is never used.
    EXPECT_TRUE(Scan(dir.Path(), "Foo").empty());
    EXPECT_TRUE(Scan(dir.Path(), "").empty());
}

TEST_F(FileScan, SkipEndsEveryLevel) {
    for (int i = 0; i < 20; ++i)
        PlantFile(dir, "d" + std::to_string(i) + "\\FooApp.txt");
    CountingProgress progress;
    progress.onPump = [](int n) { if (n == 10) ScanState = ScanSkipFiles; };
    EXPECT_LT(Scan(dir.Path(), "FooApp", &progress).size(), 5u);
    EXPECT_EQ(progress.pumps, 10);
}

TEST_F(FileScan, TheUsersOwnFoldersAreNotEnteredAndLinksNeverFollowed) {
    char documents[MAX_PATH], profile[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    const std::string word = "KuDoc" + ExtractFileName(dir.Path()); // a name no other test uses
    CreateDirectoryA(documents, nullptr);
    const std::string letter = std::string(documents) + "\\" + word + " letter.txt";
    ASSERT_TRUE(WriteTextFile(letter, "x"));
    const Lines found = Scan(profile, word);
    DeleteFileA(letter.c_str());
    EXPECT_TRUE(found.empty());

    const std::string tree = std::string(kFixtureDir) + "\\linktree";
    if (GetFileAttributesA((tree + "\\App\\link").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no link fixture";
    EXPECT_EQ(Scan(tree, "precious"), Lines{File(tree + "\\target\\precious.txt")});
}

// A path word is also looked for in its 8.3 form: a walk that starts at the short form of a
// folder finds the files the word's long path names. Each entry's short path is made of its
// folder's and its own 8.3 name (none for a name that is one already).
TEST_F(FileScan, TheWordsShortFormIsFoundInShortPaths) {
    const std::string folder = dir.File("Long Folder Name");
    const std::string planted[] = {"Long Settings File.txt", "Other Long File.txt",
                                   "Deeper Long Folder\\Long Settings File.txt",
                                   "Deeper Long Folder\\plain.txt"};
    for (const std::string& name : planted)
        PlantFile(dir, "Long Folder Name\\" + name);
    char buffer[MAX_PATH];
    const DWORD length = GetShortPathNameA(folder.c_str(), buffer, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string walked(buffer, length);
    if (SameText(walked, folder))
        GTEST_SKIP() << "the drive makes no 8.3 names";
    const struct {
        std::string word;
        Lines listed;
    } cases[] = {
        {folder + "\\Long Settings File.txt", {File(walked + "\\Long Settings File.txt")}},
        {folder + "\\Deeper Long Folder",
         {File(walked + "\\Deeper Long Folder\\Long Settings File.txt"),
          File(walked + "\\Deeper Long Folder\\plain.txt")}},
        {folder + "\\Deeper Long Folder\\plain.txt",
         {File(walked + "\\Deeper Long Folder\\plain.txt")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Scan(walked, c.word), c.listed) << c.word;
}

// Names the code page cannot hold are never listed by their best-fit form: "Nova Edit＼..＼Victim
// App" would read as "Nova Edit\..\Victim App", another program's folder, and "Ωmega Draw" as
// its Latin twin "Omega Draw".
TEST_F(FileScan, NamesTheCodePageCannotHoldAreLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring base = WideOf(dir.Path()), slash = kWideBackslash;
    const std::string victim = PlantFile(dir, "Local\\Victim App\\victim.dll");
    const std::string own = PlantFile(dir, "Local\\Nova Edit\\own.dat");
    const std::wstring climb = base + L"\\Local\\Nova Edit" + slash + L".." + slash + L"Victim App";
    ASSERT_TRUE(WideFolder(climb) && WideFile(climb + L"\\victim.dll"));
    const std::string latin = PlantFile(dir, "Omega Draw\\draw.dll");
    ASSERT_TRUE(WideFolder(base + L"\\" + kOmega + L"mega Draw") &&
                WideFile(base + L"\\" + kOmega + L"mega Draw\\draw.dll"));

    EXPECT_EQ(Scan(dir.Path(), "Nova Edit"), Lines({File(own)}));
    EXPECT_EQ(state.LeftAloneItems, Lines({dir.File("Local\\Nova Edit?..?Victim App")}))
        << "what names the program is said to be left alone";
    EXPECT_EQ(Scan(dir.Path(), "Omega Draw"), Lines({File(latin)}));
    EXPECT_TRUE(FileThere(victim));
}
