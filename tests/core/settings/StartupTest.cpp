// Start-up decisions: the argument, the updater swap, profile unpacking and the one instance.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/settings/Startup.h"
#include "core/system/Handles.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
    return kutest::WaitFor([&] { return kutest::PathExists(path); }, timeoutMs);
}

std::string Fixture(const std::string& name) {
    return std::string(kutest::kFixtureDir) + "\\" + name;
}

} // namespace

TEST(StartArgument, OnlyTheSwitchItselfSelectsTheAutomaticMode) {
    for (const char* text :
         {"AUTORUN", "-AUTORUN", "/AUTORUN", "-autorun", "/AutoRun", " -AUTORUN "})
        EXPECT_TRUE(ku::IsAutoRunSwitch(text)) << text;
    for (const char* text : {"", "-", "AUTORUNS", "-AUTORUN-X", "C:\\Autorun Tools",
                             "C:\\tools\\autorun.exe", "--AUTORUN", "AUTO RUN"})
        EXPECT_FALSE(ku::IsAutoRunSwitch(text)) << text;
}

TEST(StartArgument, FolderNamedAutorunOpensTheForceWizardNotTheBackup) {
    kutest::ScratchDir dir;
    const std::string folder = dir.File("Autorun Tools");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ku::StartRequest request = ku::ParseStartArgument(folder);
    EXPECT_EQ(request.mode, ku::StartMode::Interactive);
    EXPECT_EQ(request.startFolder, folder);
    EXPECT_EQ(request.startFile, "");
}

TEST(StartArgument, ExistingFileOrFolderIsHandedOverUnchanged) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("setup.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    ku::StartRequest byFile = ku::ParseStartArgument(file);
    EXPECT_EQ(byFile.mode, ku::StartMode::Interactive);
    EXPECT_EQ(byFile.startFile, file);
    EXPECT_EQ(byFile.startFolder, "");

    ku::StartRequest byFolder = ku::ParseStartArgument(dir.Path() + "\\");
    EXPECT_EQ(byFolder.startFolder, dir.Path() + "\\");
    EXPECT_EQ(byFolder.startFile, "");

    ku::StartRequest missing = ku::ParseStartArgument(dir.File("gone"));
    EXPECT_EQ(missing.mode, ku::StartMode::Interactive);
    EXPECT_EQ(missing.startFile + missing.startFolder, "");
    EXPECT_EQ(ku::ParseStartArgument("-autorun").mode, ku::StartMode::AutoRun);
}

TEST(UpdaterSwap, NewUpdaterReplacesTheOldOne) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("kuUpdate.exe"), "old updater, longer text"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("New_kuUpdate.exe"), "new"));
    EXPECT_TRUE(ku::SwapUpdater(dir.Path() + "\\"));
    EXPECT_FALSE(kutest::PathExists(dir.File("New_kuUpdate.exe")));
    EXPECT_EQ(kutest::ReadAll(dir.File("kuUpdate.exe")), "new");
}

TEST(UpdaterSwap, NewUpdaterAloneIsRenamedAndNoNewFileChangesNothing) {
    kutest::ScratchDir dir;
    EXPECT_FALSE(ku::SwapUpdater(dir.Path()));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("kuUpdate.exe"), "old"));
    EXPECT_FALSE(ku::SwapUpdater(dir.Path()));
    EXPECT_EQ(kutest::ReadAll(dir.File("kuUpdate.exe")), "old");

    kutest::ScratchDir fresh;
    ASSERT_TRUE(kutest::WriteTextFile(fresh.File("New_kuUpdate.exe"), "new"));
    EXPECT_TRUE(ku::SwapUpdater(fresh.Path()));
    EXPECT_EQ(kutest::ReadAll(fresh.File("kuUpdate.exe")), "new");
}

TEST(ProfileUnpacking, OnlyArchivesWithoutDataFileInOrderAC) {
    kutest::ScratchDir dir;
    for (const char* name : {"UnRAR.exe", "CodeA.rar", "CodeB.rar", "CodeB.dat", "CodeC.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), "x"));
    const std::string programDir = dir.Path() + "\\";
    kutest::RecordingLauncher launcher;
    EXPECT_EQ(ku::UnpackProfileArchives(programDir), 2);
    auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].commandLine, "\"" + programDir + "UnRAR.exe\" e CodeA.rar");
    EXPECT_EQ(requests[1].commandLine, "\"" + programDir + "UnRAR.exe\" e CodeC.rar");
    for (const auto& request : requests) {
        // The archive is named without a folder: the unpacker must run in the program folder.
        EXPECT_EQ(request.directory, programDir);
        EXPECT_EQ(request.show, SW_SHOWNORMAL);
    }
}

TEST(ProfileUnpacking, NothingWithoutTheUnpacker) {
    kutest::ScratchDir dir;
    for (const char* name : {"CodeA.rar", "CodeB.rar", "CodeC.rar"})
        ASSERT_TRUE(kutest::WriteTextFile(dir.File(name), "x"));
    kutest::RecordingLauncher launcher;
    EXPECT_TRUE(ku::ProfileUnpackCommands(dir.Path()).empty());
    EXPECT_EQ(ku::UnpackProfileArchives(dir.Path()), 0);
    EXPECT_TRUE(launcher.Requests().empty());
}

TEST(ProfileUnpacking, DataFilesLandInTheProgramFolder) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(Fixture("FakeUnRAR.exe").c_str(), dir.File("UnRAR.exe").c_str(), FALSE));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("CodeA.rar"), "archive"));
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("CodeC.rar"), "archive"));
    EXPECT_EQ(ku::UnpackProfileArchives(dir.Path() + "\\"), 2);
    // Nothing waits for the unpacker; the files appear a little later.
    EXPECT_TRUE(WaitForFile(dir.File("CodeA.dat"), 15000));
    EXPECT_TRUE(WaitForFile(dir.File("CodeC.dat"), 15000));
    EXPECT_EQ(kutest::ReadAll(dir.File("CodeA.dat")), "unpacked from CodeA.rar\n");
    EXPECT_FALSE(kutest::PathExists(dir.File("CodeB.dat")));
}

TEST(SingleInstance, SecondHolderOfTheNameIsNotFirst) {
    const std::string name = "KelvaneTest instance " + std::to_string(GetCurrentProcessId());
    {
        ku::SingleInstance first(name);
        EXPECT_TRUE(first.IsFirst());
        ku::SingleInstance second(name);
        EXPECT_FALSE(second.IsFirst());
    }
    ku::SingleInstance again(name);
    EXPECT_TRUE(again.IsFirst());
}
