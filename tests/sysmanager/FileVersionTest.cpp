// Version facts of program files: nothing of one file is left behind when the next has no
// version resource. (The facts themselves are checked where the startup list shows them.)
#include <gtest/gtest.h>

#include "support/Sandbox.h"
#include "sysmanager/APP.h"

namespace {

const std::string kVersioned = std::string(kutest::kFixtureDir) + "\\startup\\kuversioned.exe";
const std::string kWithoutVersion = std::string(kutest::kFixtureDir) + "\\kusleep.exe";

} // namespace

TEST(FileVersion, AFileWithoutVersionOrAMissingFileLeavesNoStringOfTheFileBefore) {
    for (const std::string& next : {kWithoutVersion, std::string("C:\\kutest\\no such file.exe")}) {
        ku::TAppObj app;
        app.LoadVersionInfo(kVersioned);
        ASSERT_EQ(app.ProductName, "KU Startup Fixture");
        app.LoadVersionInfo(next);
        for (int index = 0; index <= ku::TAppObj::kInfoCount; ++index)
            EXPECT_EQ(app.GetInfo(index), "") << next << " info " << index;
        EXPECT_EQ(app.ProductName, "");
    }
}
