// Version facts of program files: the fixture's resource read under its translation, trimmed,
// and nothing of one file left behind when the next has no version resource.
#include <gtest/gtest.h>

#include "support/Sandbox.h"
#include "sysmanager/APP.h"

namespace {

const std::string kVersioned = std::string(kutest::kFixtureDir) + "\\startup\\kuversioned.exe";
const std::string kWithoutVersion = std::string(kutest::kFixtureDir) + "\\kusleep.exe";

} // namespace

TEST(FileVersion, ReadsTheFilesStringsUnderItsTranslationTrimmed) {
    ku::TAppObj app;
    app.LoadVersionInfo(kVersioned);
    EXPECT_EQ(app.TranslationText, "040904b0");
    const struct {
        int index;
        const char* text;
    } cases[] = {{0, "5.1.2600.0"},
                 {1, "Kelvane Fixture Works"}, // written with blanks and a tab around it
                 {2, "Startup fixture program"},
                 {3, "5.1.2600.0"},
                 {6, ""}, // LegalTradeMarks is not in the resource
                 {8, "KU Startup Fixture"},
                 {10, "for the startup manager's tests"}};
    for (const auto& c : cases)
        EXPECT_EQ(app.GetInfo(c.index), c.text) << "info " << c.index;
    EXPECT_EQ(app.FileName, "kuversioned.exe");
    EXPECT_EQ(app.FilePath + app.FileName, kVersioned);
}

TEST(FileVersion, AFileWithoutVersionOrAMissingFileLeavesNoStringOfTheFileBefore) {
    for (const std::string& next : {kWithoutVersion, std::string("C:\\kutest\\no such file.exe")}) {
        ku::TAppObj app;
        app.LoadVersionInfo(kVersioned);
        app.LoadVersionInfo(next);
        for (int index = 0; index <= ku::TAppObj::kInfoCount; ++index)
            EXPECT_EQ(app.GetInfo(index), "") << next << " info " << index;
        EXPECT_EQ(app.ProductName, "");
    }
}
