// Well-known folders, root-key names and the small text and date functions.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(Folders, ProgramFilesAndProgramFolderAndOneTrailingBackslash) {
    EXPECT_NE(GetWindowsDir().back(), '\\');
    EXPECT_EQ(GetProgramFilesDir(), GetWindowsDir().substr(0, 3) + "Program Files");
    EXPECT_EQ(ProgramDir(), "C:\\kutest\\bin\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\a\\\\") + "|" + RemoveTrailingBackslash("C:\\a") + "|" +
                  RemoveTrailingBackslash(""),
              "C:\\a\\|C:\\a|");
}

TEST(RootKeys, NamesBothWaysExactAndCaseSensitive) {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                      HKEY_CURRENT_CONFIG})
        EXPECT_EQ(NameToRootKey(RootKeyToName(root)), root) << RootKeyToName(root);
    EXPECT_EQ(RootKeyToName(HKEY_LOCAL_MACHINE) + RootKeyToName(HKEY_PERFORMANCE_DATA) +
                  RootKeyToName(nullptr),
              "HKEY_LOCAL_MACHINE");
    for (const char* name : {"hkey_local_machine", "HKLM", "HKEY_LOCAL_MACHINE ", ""})
        EXPECT_EQ(NameToRootKey(name), nullptr) << name;
}

TEST(VersionNames, EveryPlatformAndVersion) {
    const struct {
        DWORD platform, major, minor;
        bool wow;
        const char* name;
    } cases[] = {
        {VER_PLATFORM_WIN32s, 3, 1, false, "WIN32s"}, {1, 4, 0, false, "WIN95"},
        {1, 4, 90, false, "WINMe"}, {1, 4, 3, false, ""}, {2, 5, 1, false, "WINXP"},
        {2, 5, 3, false, ""}, {2, 6, 0, false, "WINVISTA(32)"}, {2, 6, 1, true, "WIN7(64)"},
        {2, 6, 2, false, ""}, {2, 10, 0, true, ""}, {3, 6, 1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsVersionName(c.platform, c.major, c.minor, c.wow), c.name)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(InstallDate, EightDigitsBecomeMonthNameDayAndYear) {
    EXPECT_EQ(FormatInstallDate("20091105"), "Nov. 05, 2009");
    EXPECT_EQ(FormatInstallDate("  20090601 "), "June. 01, 2009");
    EXPECT_EQ(FormatInstallDate("20090931"), "Sept. 31, 2009") << "the day stays as it stands";
    for (const char* text : {"2009-11-05", "20091305", "20090005", "2009ab05", "2009 105", ""})
        EXPECT_EQ(FormatInstallDate(text), kNotAvailable) << text;
}

TEST(FileTimes, FileTimeBecomesLocalOleDate) {
    // 2009-11-05 12:00 and the 1899-12-30 epoch in local time, taken back to UTC for the input.
    const std::pair<SYSTEMTIME, double> cases[] = {{{2009, 11, 4, 5, 12, 0, 0, 0}, 40122.5},
                                                   {{1899, 12, 6, 30, 0, 0, 0, 0}, 0.0}};
    for (const auto& c : cases) {
        FILETIME local, utc;
        ASSERT_TRUE(SystemTimeToFileTime(&c.first, &local));
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
        EXPECT_NEAR(FileTimeToDateTime(utc), c.second, 1e-6);
    }
}
