// Start-up decisions: the argument, the updater swap and profile unpacking.
#include <gtest/gtest.h>

#include "core/settings/Startup.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

// Only the switch itself selects the automatic mode; an existing file or folder is handed over
// unchanged. (The switch in any case and a folder named Autorun: the start-up block's test.)
TEST(StartArgument, OnlyTheSwitchItselfSelectsTheAutomaticMode) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("setup.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    const struct {
        std::string argument, handedOver; // "file|folder", or "auto"
    } cases[] = {
        {" -AUTORUN ", "auto"}, {"", "|"}, {"-", "|"}, {"AUTORUNS", "|"}, {"-AUTORUN-X", "|"},
        {"--AUTORUN", "|"}, {"C:\\tools\\autorun.exe", "|"}, {file, file + "|"},
        {dir.Path() + "\\", "|" + dir.Path() + "\\"}, {dir.File("gone"), "|"},
    };
    for (const auto& c : cases) {
        const ku::StartRequest request = ku::ParseStartArgument(c.argument);
        EXPECT_EQ(request.mode == ku::StartMode::AutoRun ? "auto"
                  : request.startFile + "|" + request.startFolder, c.handedOver) << c.argument;
    }
}

// (A new updater without an old one is renamed: the start-up block's test.)
TEST(UpdaterSwap, NewUpdaterReplacesTheOldOneAndNoNewFileChangesNothing) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("kuUpdate.exe"), "old updater, longer text"));
    EXPECT_FALSE(ku::SwapUpdater(dir.Path()));
    EXPECT_EQ(kutest::ReadAll(dir.File("kuUpdate.exe")), "old updater, longer text");
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("New_kuUpdate.exe"), "new"));
    EXPECT_TRUE(ku::SwapUpdater(dir.Path() + "\\"));
    EXPECT_FALSE(kutest::PathExists(dir.File("New_kuUpdate.exe")));
    EXPECT_EQ(kutest::ReadAll(dir.File("kuUpdate.exe")), "new");
}

TEST(ProfileUnpacking, OnlyArchivesWithoutDataFileAreUnpackedIntoTheProgramFolder) {
    kutest::ScratchDir dir;
    for (const char* name : {"CodeA.rar", "CodeB.rar", "CodeB.dat", "CodeC.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), "archive"));
    ASSERT_TRUE(
        CopyFileA(kutest::Fixture("FakeUnRAR.exe").c_str(), dir.File("UnRAR.exe").c_str(), FALSE));
    EXPECT_EQ(ku::UnpackProfileArchives(dir.Path() + "\\"), 2);
    // Nothing waits for the unpacker; the files appear a little later.
    for (const std::string name : {"CodeA", "CodeC"})
        EXPECT_TRUE(kutest::WaitFor([&] {
            return kutest::ReadAll(dir.File(name + ".dat")) == "unpacked from " + name + ".rar\n";
        }, 15000)) << name;
    EXPECT_EQ(kutest::ReadAll(dir.File("CodeB.dat")), "archive");
}
