// A security product's own files in the system folder: the force mode lists them and deletes
// them by their names from the table; no other file below Windows becomes deletable that way.
#include <gtest/gtest.h>

#include <windows.h>

#include "ForceSupport.h"
#include "core/force/ForceFlow.h"
#include "core/force/ForceFolderCheck.h"
#include "core/removal/Removal.h"
#include "core/removal/WizardTestSupport.h"
#include "core/system/PublicFunctionUnit.h"

using namespace ku;
using namespace kutest;

namespace {

// Files planted below the Windows folder of the prefix, gone again afterwards.
struct PlantedSystemFiles {
    Lines paths;
    std::string Plant(const std::string& path) {
        paths.push_back(path);
        EXPECT_TRUE(WriteTextFile(path, "x")) << path;
        return path;
    }
    ~PlantedSystemFiles() {
        for (const std::string& path : paths) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
};

Lines FileItems(const TUninstallerContents& list) {
    Lines files;
    for (int i = 0; i < list.Count(); ++i)
        if (list.GetItem(i).Content.ItemType == kItemFile)
            files.push_back(list.GetItem(i).Content.FilePath);
    return files;
}

class SecurityProductFiles : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        const std::string system = GetSystemDir(), tag = std::to_string(GetCurrentProcessId());
        CreateDirectoryA((system + "\\drivers").c_str(), nullptr);
        driver = planted.Plant(system + "\\drivers\\klmc.sys");
        library = planted.Plant(system + "\\xreglib.dll");
        stranger = planted.Plant(system + "\\drivers\\kustranger" + tag + ".sys");
        // A table name, but in the Windows folder instead of the system folder.
        elsewhere = planted.Plant(GetWindowsDir() + "\\klmc.sys");
        // Names that lead from a table file to another file.
        tricks = {system + "\\drivers\\klmc.sys\\..\\kustranger" + tag + ".sys",
                  system + "\\drivers\\..\\drivers\\kustranger" + tag + ".sys"};
        SetFileAttributesA(driver.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    }
    PlantedSystemFiles planted;
    std::string driver, library, stranger, elsewhere;
    Lines tricks;
};

} // namespace

TEST_F(SecurityProductFiles, OfferedByTheProductsFolderAndListedByTheForceFileStepOnly) {
    ScratchDir programs;
    const std::string folder = MakeFolder(programs, "Kaspersky Anti-Virus");
    PlantFile(programs, "Kaspersky Anti-Virus\\avp.exe");
    const Lines offered = CheckForceFolder(folder, GetSystemDir()).programFiles;
    EXPECT_TRUE(Has(offered, driver)) << "the product's driver is offered";

    TWizardState state;
    state.FullForceScan = true;
    ForceScanInput input;
    input.programFiles = {driver, library, stranger, elsewhere, tricks[0], tricks[1]};
    RunForceFileStep(state, input, nullptr);
    EXPECT_EQ(FileItems(state.LeftoverList), (Lines{driver, library}));
}

// Permanent removal with the table's names deletes exactly the table's files; without the
// names (normal mode) or into the Recycle Bin nothing below Windows goes, and is reported.
TEST_F(SecurityProductFiles, RemovedByTheirTableNamesOnlyAndOnlyPermanently) {
    const struct {
        const char* label;
        bool withNames;
        int answer;
        bool tableFilesGone;
    } cases[] = {
        {"no names", false, IDYES, false},
        {"recycle bin", true, IDNO, false},
        {"permanent", true, IDYES, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TUninstallerContents list;
        for (const std::string& path : {driver, library, stranger, elsewhere, tricks[0], tricks[1]})
            AddFileItem(list, path);
        RecordingHost host;
        host.answers = {c.answer};
        RemovalReport report;
        DeleteFileItems(list, host, &report,
                        c.withNames ? SecurityProductFileNames() : std::vector<std::string>());
        EXPECT_EQ(PathExists(driver), !c.tableFilesGone);
        EXPECT_EQ(PathExists(library), !c.tableFilesGone);
        EXPECT_TRUE(PathExists(stranger) && PathExists(elsewhere));
        EXPECT_EQ(report.notRemoved.size(), c.tableFilesGone ? 4u : 6u);
    }
}
