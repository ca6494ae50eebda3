// Well-known folders, root-key names and the small text and date functions.
#include <gtest/gtest.h>

#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(Folders, WindowsSystemAndProgramFilesFolders) {
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, sizeof(buffer));
    EXPECT_EQ(GetWindowsDir(), buffer);
    EXPECT_EQ(GetWindowsFolder(), buffer);
    GetSystemDirectoryA(buffer, sizeof(buffer));
    EXPECT_EQ(GetSystemDir(), buffer);
    EXPECT_EQ(GetSystemFolder(), buffer);
    EXPECT_NE(GetWindowsDir().back(), '\\');
    EXPECT_EQ(GetProgramFilesDir(), GetWindowsDir().substr(0, 3) + "Program Files");
    EXPECT_EQ(ProgramDir(), "C:\\kutest\\bin\\");
}

TEST(Folders, RemoveTrailingBackslashTakesOneOnly) {
    EXPECT_EQ(RemoveTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\a\\\\"), "C:\\a\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\a"), "C:\\a");
    EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(RootKeys, NamesBothWaysExactAndCaseSensitive) {
    const std::pair<HKEY, const char*> roots[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    };
    for (const auto& root : roots) {
        EXPECT_EQ(RootKeyToName(root.first), root.second);
        EXPECT_EQ(NameToRootKey(root.second), root.first);
    }
    EXPECT_EQ(RootKeyToName(HKEY_PERFORMANCE_DATA), "");
    EXPECT_EQ(RootKeyToName(nullptr), "");
    EXPECT_EQ(NameToRootKey("hkey_local_machine"), nullptr);
    EXPECT_EQ(NameToRootKey("HKLM"), nullptr);
    EXPECT_EQ(NameToRootKey("HKEY_LOCAL_MACHINE "), nullptr);
    EXPECT_EQ(NameToRootKey(""), nullptr);
}

TEST(VersionNames, EveryPlatformAndVersion) {
    EXPECT_EQ(WindowsVersionName(VER_PLATFORM_WIN32s, 3, 1, false), "WIN32s");
    EXPECT_EQ(WindowsVersionName(1, 4, 0, false), "WIN95");
    EXPECT_EQ(WindowsVersionName(1, 4, 10, false), "WIN98");
    EXPECT_EQ(WindowsVersionName(1, 4, 90, false), "WINMe");
    EXPECT_EQ(WindowsVersionName(1, 4, 3, false), "");
    EXPECT_EQ(WindowsVersionName(2, 4, 0, false), "WINNT");
    EXPECT_EQ(WindowsVersionName(2, 5, 0, false), "WIN2000");
    EXPECT_EQ(WindowsVersionName(2, 5, 1, false), "WINXP");
    EXPECT_EQ(WindowsVersionName(2, 5, 2, false), "WIN2003");
    EXPECT_EQ(WindowsVersionName(2, 5, 3, false), "");
    EXPECT_EQ(WindowsVersionName(2, 6, 0, true), "WINVISTA(64)");
    EXPECT_EQ(WindowsVersionName(2, 6, 0, false), "WINVISTA(32)");
    EXPECT_EQ(WindowsVersionName(2, 6, 1, true), "WIN7(64)");
    EXPECT_EQ(WindowsVersionName(2, 6, 1, false), "WIN7(32)");
    EXPECT_EQ(WindowsVersionName(2, 6, 2, false), "");
    EXPECT_EQ(WindowsVersionName(2, 10, 0, true), "");
    EXPECT_EQ(WindowsVersionName(3, 6, 1, false), "");
}

TEST(VersionNames, RunningSystemGivesTheNameOfItsVersion) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(GetWindowsVersionName(),
              WindowsVersionName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                 kutest::RunningUnderWow64()));
}

TEST(InstallDate, EightDigitsBecomeMonthNameDayAndYear) {
    EXPECT_EQ(FormatInstallDate("20091105"), "Nov. 05, 2009");
    EXPECT_EQ(FormatInstallDate("  20090601 "), "June. 01, 2009");
    EXPECT_EQ(FormatInstallDate("20090931"), "Sept. 31, 2009") << "the day stays as it stands";
    EXPECT_EQ(FormatInstallDate("2009-11-05"), kNotAvailable);
    EXPECT_EQ(FormatInstallDate("20091305"), kNotAvailable);
    EXPECT_EQ(FormatInstallDate("20090005"), kNotAvailable);
    EXPECT_EQ(FormatInstallDate("2009ab05"), kNotAvailable);
    EXPECT_EQ(FormatInstallDate("2009 105"), kNotAvailable);
    EXPECT_EQ(FormatInstallDate(""), kNotAvailable);
}

TEST(FileTimes, FileTimeBecomesLocalOleDate) {
    // 2009-11-05 12:00 local time, taken back to UTC for the input.
    SYSTEMTIME local = {2009, 11, 4, 5, 12, 0, 0, 0};
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    EXPECT_NEAR(FileTimeToDateTime(utc), 40122.5, 1e-6);
    SYSTEMTIME epoch = {1899, 12, 6, 30, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&epoch, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    EXPECT_NEAR(FileTimeToDateTime(utc), 0.0, 1e-6);
}
