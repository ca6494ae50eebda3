// Start-up decisions: the argument, the updater swap, profile unpacking and the one instance.
#include <gtest/gtest.h>

#include "core/settings/Startup.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

TEST(StartArgument, OnlyTheSwitchItselfSelectsTheAutomaticMode) {
    for (const char* text :
         {"AUTORUN", "-AUTORUN", "/AUTORUN", "-autorun", "/AutoRun", " -AUTORUN "})
        EXPECT_TRUE(ku::IsAutoRunSwitch(text)) << text;
    for (const char* text : {"", "-", "AUTORUNS", "-AUTORUN-X", "C:\\Autorun Tools",
                             "C:\\tools\\autorun.exe", "--AUTORUN", "AUTO RUN"})
        EXPECT_FALSE(ku::IsAutoRunSwitch(text)) << text;
    EXPECT_EQ(ku::ParseStartArgument("-autorun").mode, ku::StartMode::AutoRun);
}

TEST(StartArgument, ExistingFileOrFolderIsHandedOverUnchanged) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("setup.exe"), autorun = dir.File("Autorun Tools");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    ASSERT_TRUE(CreateDirectoryA(autorun.c_str(), nullptr));
    const struct {
        std::string argument, file, folder;
    } cases[] = {{file, file, ""}, {dir.Path() + "\\", "", dir.Path() + "\\"},
                 {autorun, "", autorun}, // a folder named Autorun opens the force wizard
                 {dir.File("gone"), "", ""}};
    for (const auto& c : cases) {
        ku::StartRequest request = ku::ParseStartArgument(c.argument);
        EXPECT_TRUE(request.mode == ku::StartMode::Interactive) << c.argument;
        EXPECT_EQ(request.startFile + "|" + request.startFolder, c.file + "|" + c.folder);
    }
}

TEST(UpdaterSwap, NewUpdaterReplacesTheOldOneOrIsRenamedAndNoNewFileChangesNothing) {
    kutest::ScratchDir dir, fresh;
    EXPECT_FALSE(ku::SwapUpdater(dir.Path()));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("kuUpdate.exe"), "old updater, longer text"));
    EXPECT_FALSE(ku::SwapUpdater(dir.Path()));
    EXPECT_EQ(kutest::ReadAll(dir.File("kuUpdate.exe")), "old updater, longer text");
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("New_kuUpdate.exe"), "new"));
    ASSERT_TRUE(kutest::WriteTextFile(fresh.File("New_kuUpdate.exe"), "new"));
    for (const kutest::ScratchDir* d : {&dir, &fresh}) {
        EXPECT_TRUE(ku::SwapUpdater(d->Path() + "\\"));
        EXPECT_FALSE(kutest::PathExists(d->File("New_kuUpdate.exe")));
        EXPECT_EQ(kutest::ReadAll(d->File("kuUpdate.exe")), "new");
    }
}

TEST(ProfileUnpacking, OnlyArchivesWithoutDataFileAreUnpackedIntoTheProgramFolder) {
    kutest::ScratchDir dir;
    for (const char* name : {"CodeA.rar", "CodeB.rar", "CodeB.dat", "CodeC.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), "archive"));
    {
        kutest::RecordingLauncher launcher;
        EXPECT_EQ(ku::UnpackProfileArchives(dir.Path()), 0) << "nothing without the unpacker";
        EXPECT_TRUE(launcher.Requests().empty());
    }
    ASSERT_TRUE(
        CopyFileA(kutest::Fixture("FakeUnRAR.exe").c_str(), dir.File("UnRAR.exe").c_str(), FALSE));
    EXPECT_EQ(ku::UnpackProfileArchives(dir.Path() + "\\"), 2);
    // Nothing waits for the unpacker; the files appear a little later.
    for (const char* name : {"CodeA", "CodeC"})
        EXPECT_TRUE(kutest::WaitFor(
            [&] {
                return kutest::ReadAll(dir.File(std::string(name) + ".dat")) ==
                       "unpacked from " + std::string(name) + ".rar\n";
            },
            15000))
            << name;
    EXPECT_EQ(kutest::ReadAll(dir.File("CodeB.dat")), "archive");
}

TEST(SingleInstance, SecondHolderOfTheNameIsNotFirst) {
    const std::string name = "KelvaneTest instance " + std::to_string(GetCurrentProcessId());
    {
        ku::SingleInstance first(name), second(name);
        EXPECT_TRUE(first.IsFirst() && !second.IsFirst());
    }
    ku::SingleInstance again(name);
    EXPECT_TRUE(again.IsFirst());
}
