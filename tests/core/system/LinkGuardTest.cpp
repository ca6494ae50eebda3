// Links under the delete guard: a link that leads to another program's file or to a system
// library is never followed by any delete road; what the target folder holds stays as it was.
// The links are made from the host by the ctest fixture "links" (Wine makes none itself).
#include <gtest/gtest.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/Files.h"
#include "support/SystemSnapshot.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kSet = "C:\\kutest\\links\\core";
const std::string kVictim = kSet + "\\victim\\other.dll";
const std::string kVictimText = "another program\r\n";

class LinkGuard : public ::testing::Test {
protected:
    void SetUp() override {
        // Through the link the victim's text is read: the planted link is there and is one.
        ASSERT_EQ(ReadAll(kVictim), kVictimText) << "run through ctest: fixture links";
        ASSERT_EQ(ReadAll(kSet + "\\app\\linked.dll"), kVictimText);
        before = TakeDriveSnapshot(kSet + "\\victim");
    }
    // What the victim folder holds is unchanged, its file's text too.
    void ExpectVictimUntouched() {
        const Difference difference = Compare(before, TakeDriveSnapshot(kSet + "\\victim"));
        EXPECT_TRUE(difference.removed.empty()) << difference.removed.front();
        EXPECT_TRUE(difference.added.empty());
        EXPECT_EQ(ReadAll(kVictim), kVictimText);
    }
    DriveSnapshot before;
};

} // namespace

// The guard's verdict on each kind of entry: links that lead elsewhere are not themselves,
// the system library itself and plain files and folders are; a hard link is its own name.
TEST_F(LinkGuard, TellsLinksThatLeadElsewhereFromFilesThemselves) {
    const std::pair<std::string, bool> cases[] = {
        {kSet + "\\app\\linked.dll", false},
        {kSet + "\\app\\sub\\deeper.dll", false},
        {kSet + "\\app\\linkedfolder", false},
        {kSet + "\\verdict\\kernel32.dll", false},
        {GetWindowsDir() + "\\kutest-linked-core.dll", false},
        {kVictim, true},
        {kSet + "\\victim\\folder", true},
        {kSet + "\\app", true},
        {GetSystemDir() + "\\kernel32.dll", true},
        {kSet + "\\app\\missing.dll", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeadsToItself(c.first), c.second) << c.first;
    ExpectVictimUntouched();
}

// Each file road refuses the link and leaves the victim.
TEST_F(LinkGuard, FileRoadsLeaveALinkAndItsTarget) {
    const std::string link = kSet + "\\app\\linked.dll";
    EXPECT_FALSE(DeleteSingleFile(link));
    EXPECT_FALSE(DeleteSingleFile(kSet + "\\app\\sub\\deeper.dll"));
    EXPECT_FALSE(DeleteFileAtRestart(link));
    EXPECT_FALSE(RecyclePath(link));
    EXPECT_FALSE(RecyclePath(kSet + "\\app\\linkedfolder"));
    EXPECT_FALSE(DeleteDirectoryTree(kSet + "\\app\\linkedfolder"));
    // The named road below Windows: a table name that is a link (it once reached kernel32).
    EXPECT_FALSE(DeleteNamedSystemFile(GetWindowsDir(), "kutest-linked-core.dll"));
    ExpectVictimUntouched();
    EXPECT_TRUE(FileThere(link));
}

// The "delete this directory" road: the folder's own files and a hard link (a name of its
// own) go; the links that lead elsewhere stay, and so does the folder holding them.
TEST_F(LinkGuard, FolderRoadDeletesOwnFilesAndLeavesLinks) {
    const std::string app = kSet + "\\app";
    ASSERT_TRUE(WriteTextFile(app + "\\own.dll"));
    ASSERT_TRUE(WriteTextFile(app + "\\sub\\own.txt"));
    ASSERT_TRUE(CreateHardLinkA((app + "\\hard.dll").c_str(), kVictim.c_str(), nullptr));
    before = TakeDriveSnapshot(kSet + "\\victim");

    EXPECT_FALSE(DeleteDirectoryTree(app)); // the links keep it
    for (const char* gone : {"\\own.dll", "\\sub\\own.txt", "\\hard.dll"})
        EXPECT_FALSE(PathExists(app + gone)) << gone;
    for (const char* left : {"\\linked.dll", "\\sub\\deeper.dll", "\\linkedfolder\\inner.dll"})
        EXPECT_TRUE(FileThere(app + left)) << left;
    ExpectVictimUntouched();
    EXPECT_EQ(ReadAll(kSet + "\\victim\\folder\\inner.dll"), "inner\r\n");
}
