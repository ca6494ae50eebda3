// A force removal of a folder that holds links to another program's files: the file step and
// the "delete this directory" step remove the folder's own files and leave every link that
// leads elsewhere, reported, with its target untouched. The links are made from the host by
// the ctest fixture "links" (Wine makes none itself).
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/ForceFlow.h"
#include "core/removal/Removal.h"
#include "core/removal/WizardTestSupport.h"
#include "support/Files.h"
#include "support/RecordingLauncher.h"
#include "support/SystemSnapshot.h"

using namespace ku;
using namespace kutest;

namespace {

Lines FilePaths(const TUninstallerContents& list) {
    Lines paths;
    for (int i = 0; i < list.Count(); ++i)
        paths.push_back(list.GetItem(i).Content.FilePath);
    return paths;
}

} // namespace

TEST(ForceLinks, RemovalLeavesLinksAndTheirTargetsAndReportsThem) {
    const std::string set = "C:\\kutest\\links\\force", app = set + "\\app";
    const std::string victim = set + "\\victim\\other.dll";
    ASSERT_EQ(ReadAll(app + "\\linked.dll"), "another program\r\n")
        << "run through ctest: fixture links";
    ASSERT_TRUE(WriteTextFile(app + "\\tool.exe"));
    ASSERT_TRUE(WriteTextFile(app + "\\sub\\data.bin"));
    const DriveSnapshot before = TakeDriveSnapshot(set + "\\victim");

    TWizardState state;
    state.FullForceScan = true;
    ForceScanInput input;
    input.folder = app;
    RunForceFileStep(state, input, nullptr);
    ASSERT_TRUE(Has(FilePaths(state.LeftoverList), app + "\\linked.dll"));

    RecordingLauncher launcher; // the script engines' registration is not run here
    RecordingHost host;         // every question answered Yes: permanent, delete the directory
    TDelthread thread(RemovalJob{&state, true, app, {}, {}}, host);
    thread.WaitFor();

    const Difference difference = Compare(before, TakeDriveSnapshot(set + "\\victim"));
    EXPECT_TRUE(difference.removed.empty() && difference.added.empty());
    EXPECT_EQ(ReadAll(victim), "another program\r\n");
    EXPECT_EQ(ReadAll(set + "\\victim\\folder\\inner.dll"), "inner\r\n");
    EXPECT_FALSE(PathExists(app + "\\tool.exe"));
    EXPECT_FALSE(PathExists(app + "\\sub\\data.bin"));
    EXPECT_TRUE(FileThere(app + "\\linked.dll"));
    const Lines left = thread.Report().notRemoved;
    EXPECT_TRUE(Has(left, app + "\\linked.dll")) << left.size();
    EXPECT_TRUE(Has(left, app + "\\sub\\deeper.dll")) << left.size();
}
