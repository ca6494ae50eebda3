// Paths handed to cmd.exe stay one word: the real cmd.exe of the prefix deletes files whose
// names hold "&", blanks and "%", and runs nothing else.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "support/Spawn.h"

using namespace ku;

TEST(QuoteSpacesForCmd, WholePathInQuotesWithPercentEscaped) {
    EXPECT_EQ(QuoteSpacesForCmd("  C:\\Program Files\\A b.exe "), "\"C:\\Program Files\\A b.exe\"");
    EXPECT_EQ(QuoteSpacesForCmd("C:\\a%TEMP%b"), "\"C:\\a%\"\"TEMP%\"\"b\"");
    EXPECT_EQ(QuoteSpacesForCmd("C:\\\"x\".txt"), "\"C:\\x.txt\"");
}

TEST(QuoteSpacesForCmd, CmdDeletesOddNamesAndRunsNoSecondCommand) {
    kutest::ScratchDir dir;
    const std::string names[] = {"A & B.exe", "A & mkdir injected", "x%PATH%y.txt",
                                 "100% (1) ^caret.txt", "semi;colon,(paren).txt"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string file = dir.File(name);
        ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
        const std::string command =
            GetSystemDir() + "\\cmd.exe /c del " + QuoteSpacesForCmd(file) + " /F";
        kutest::RunAndWait(command, 30000, dir.Path());
        EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(GetFileAttributesA(dir.File("injected").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a second command ran";
}
