// A folder the code page cannot name ("Ωmega Tools") given to the force road by its short
// (8.3) name, which is plain text: its long form would read as the twin "Omega Tools", another
// program's folder. The force folder is refused, and the scan and removal leave both alone.
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/ForceFlow.h"
#include "core/removal/Removal.h"
#include "core/removal/WizardTestSupport.h"
#include "core/system/DeleteHelpers.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/RecordingLauncher.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

TEST(ForceShortNames, AShortNameOfAFolderTheCodePageCannotHoldNeverReachesItsTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    ScratchDir dir;
    const std::wstring greek = WideOf(dir.Path()) + L"\\" + kOmega + L"mega Tools";
    MakeFolder(dir, "Omega Tools\\cache");
    ASSERT_TRUE(WideFolder(greek) && WideFolder(greek + L"\\cache"));
    for (const std::wstring& folder : {greek, WideOf(dir.File("Omega Tools"))})
        ASSERT_TRUE(WideFile(folder + L"\\tools.exe") && WideFile(folder + L"\\cache\\c.dat"));
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(greek.c_str(), buffer, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string shortFolder(buffer, buffer + length); // 8.3 names are plain ASCII

    EXPECT_TRUE(IsRefusedForceFolder(shortFolder));
    TWizardState state;
    state.FullForceScan = true;
    ForceScanInput input;
    input.folder = shortFolder;
    input.programFiles = {shortFolder + "\\tools.exe"};
    RunForceFileStep(state, input, nullptr);
    EXPECT_EQ(ItemTexts(state.LeftoverList), Lines{});
    // Whatever was listed, the removal with "delete this directory" answered Yes leaves both.
    AddFileItem(state.LeftoverList, shortFolder + "\\cache\\c.dat");
    RecordingLauncher launcher;
    RecordingHost host;
    TDelthread thread(RemovalJob{&state, true, shortFolder, {}, {}}, host);
    thread.WaitFor();
    for (const char* file : {"tools.exe", "cache\\c.dat"})
        EXPECT_TRUE(FileThere(dir.File("Omega Tools\\" + std::string(file)))) << file;
    EXPECT_TRUE(WidePathExists(greek + L"\\tools.exe") &&
                WidePathExists(greek + L"\\cache\\c.dat"));
}
