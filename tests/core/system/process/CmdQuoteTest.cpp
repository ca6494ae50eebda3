// Paths handed to cmd.exe stay one word: the real cmd.exe of the prefix deletes files whose
// names hold "&", blanks and "%", and runs nothing else.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "support/Spawn.h"

using namespace ku;

TEST(QuoteSpacesForCmd, CmdDeletesOddNamesAndRunsNoSecondCommand) {
    kutest::ScratchDir dir;
    for (const char* name : {"A & B.exe", "A & mkdir injected", "x%PATH%y.txt",
                             "100% (1) ^caret.txt", "semi;colon,(paren).txt"}) {
        SCOPED_TRACE(name);
        const std::string file = dir.File(name);
        ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
        kutest::RunAndWait(GetSystemDir() + "\\cmd.exe /c del " + QuoteSpacesForCmd(file) + " /F",
                           30000, dir.Path());
        EXPECT_FALSE(kutest::PathExists(file));
    }
    EXPECT_FALSE(kutest::PathExists(dir.File("injected"))) << "a second command ran";
}
