// Windows' data folders (the "Microsoft" trees of every profile's AppData and of ProgramData)
// and its .NET folders in every Program Files folder: refused as the force folder in every
// spelling, and a force removal of one lists and deletes nothing of what was planted there.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "ForceSupport.h"
#include "core/force/ForceFlow.h"
#include "core/force/ForceFolderCheck.h"
#include "core/force/ForcePathWord.h"
#include "core/removal/Removal.h"
#include "core/removal/WizardTestSupport.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"
#include "support/SystemSnapshot.h"

using namespace ku;
using namespace kutest;

namespace {

std::string LocalLow() {
    return Env("USERPROFILE").empty() ? "" : Env("USERPROFILE") + "\\AppData\\LocalLow";
}

// Each data folder, below each profile (the current user's and Public) and ProgramData, and
// the .NET folders of each Program Files folder.
Lines DataFolders() {
    Lines folders = {
        Env("APPDATA") + "\\Microsoft\\Windows\\Themes",
        Env("APPDATA") + "\\Microsoft\\Protect",
        Env("LOCALAPPDATA") + "\\Microsoft\\Windows",
        LocalLow() + "\\Microsoft\\CryptnetUrlCache",
        Env("ProgramData") + "\\Microsoft\\Crypto\\RSA\\MachineKeys",
        Env("PUBLIC") + "\\AppData\\Roaming\\Microsoft\\Windows",
    };
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
        if (!Env(name).empty())
            for (const char* dotNet : {"\\Reference Assemblies", "\\Microsoft.NET", "\\MSBuild"})
                folders.push_back(Env(name) + dotNet);
    return folders;
}

// A folder of stand-in files planted in one of them, gone again afterwards.
struct PlantedDataFolder {
    explicit PlantedDataFolder(const std::string& parent)
        : folder(parent + "\\kutest-standin" + std::to_string(GetCurrentProcessId())) {
        EXPECT_EQ(SHCreateDirectoryExA(nullptr, (folder + "\\sub").c_str(), nullptr),
                  ERROR_SUCCESS) << folder;
        EXPECT_TRUE(WriteTextFile(folder + "\\key.bin") &&
                    WriteTextFile(folder + "\\sub\\theme.ini"));
    }
    ~PlantedDataFolder() {
        DeleteFileA((folder + "\\sub\\theme.ini").c_str());
        DeleteFileA((folder + "\\key.bin").c_str());
        RemoveDirectoryA((folder + "\\sub").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
};

} // namespace

TEST(ForceDataFolders, RefusedInEverySpellingWithWhatTheyHoldAndLookAlikesAreNot) {
    const std::string system = GetSystemDir();
    for (const std::string& folder : DataFolders()) {
        SCOPED_TRACE(folder);
        const std::string shortForm = ShortPathOf(folder);
        for (const std::string& spelling :
             {folder, folder + "\\", "  " + LowerCase(folder) + " ", folder + "\\Sub\\Deeper",
              shortForm.empty() ? folder : shortForm + "\\not there"}) {
            EXPECT_TRUE(IsRefusedForceFolder(spelling)) << spelling;
            EXPECT_TRUE(CheckForceFolder(spelling, system).refused) << spelling;
        }
        EXPECT_TRUE(IsRefusedForceProgramFile(folder + "\\tool.exe"));
    }
    // A vendor's folder beside them, and names that only begin the same, stay allowed.
    for (const std::string& folder :
         {Env("APPDATA") + "\\Vendor App", Env("APPDATA") + "\\Microsoft Games",
          Env("LOCALAPPDATA") + "\\Vendor\\Microsoft", Env("ProgramData") + "\\Vendor",
          Env("ProgramFiles") + "\\MSBuild Extras", Env("ProgramFiles") + "\\Vendor\\MSBuild"})
        EXPECT_FALSE(IsRefusedForceFolder(folder)) << folder;
}

// The whole force road with a data folder typed in the box: the file step lists nothing of it
// and the "delete this directory" step leaves it; the planted stand-ins are all still there.
TEST(ForceDataFolders, ForceRemovalLeavesWhatWasPlantedInThem) {
    for (const std::string& parent :
         {Env("APPDATA") + "\\Microsoft\\Protect", Env("ProgramData") + "\\Microsoft\\Crypto",
          Env("ProgramFiles") + "\\Reference Assemblies"}) {
        SCOPED_TRACE(parent);
        PlantedDataFolder planted(parent);
        const DriveSnapshot before = TakeDriveSnapshot(planted.folder);
        ASSERT_EQ(before.size(), 3u);

        TWizardState state;
        state.FullForceScan = true;
        ForceScanInput input;
        input.folder = planted.folder;
        RunForceFileStep(state, input, nullptr);
        EXPECT_EQ(state.LeftoverList.Count(), 0);
        // One file of the test's own, so that the removal runs on to the folder step.
        ScratchDir own;
        AddFileItem(state.LeftoverList, PlantFile(own, "own.txt"));
        RecordingLauncher launcher;
        RecordingHost host; // Yes to every question, "delete this directory" among them
        TDelthread thread(RemovalJob{&state, true, planted.folder, {}, {}}, host);
        thread.WaitFor();
        const Difference difference = Compare(before, TakeDriveSnapshot(planted.folder));
        EXPECT_TRUE(difference.removed.empty() && difference.added.empty());
    }
}
