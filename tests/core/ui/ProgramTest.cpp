// KU.exe itself under Wine, started while another instance runs. (Its normal start, splash and
// end run in the program-list tests with the fixture programs.)
#include <gtest/gtest.h>

#include "core/settings/Startup.h"
#include "core/system/Handles.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

TEST(Program, SecondStartEndsAtOnceWithoutTouchingSettings) {
    const char* const settings = "Software\\Kelvane Uninstaller";
    kutest::RawDeleteTree(HKEY_CURRENT_USER, settings, KEY_WOW64_64KEY);
    ku::SingleInstance running; // this test plays the first instance
    ASSERT_TRUE(running.IsFirst());
    ku::UniqueHandle process(kutest::StartKu("", nullptr));
    EXPECT_EQ(kutest::WaitForExit(process.get(), 20000), 0);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, settings, KEY_WOW64_64KEY));
}

// Started from "Ωmega KU", which the legacy code page names "Omega KU": KU.exe says it cannot
// run there and ends, and never reads or writes the twin folder.
TEST(Program, AFolderTheCodePageCannotNameIsRefusedNeverItsTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    kutest::ScratchDir dir;
    const std::wstring base = kutest::WideOf(dir.Path());
    const std::wstring own = base + L"\\\u03A9mega KU", twin = base + L"\\Omega KU";
    ASSERT_TRUE(CreateDirectoryW(own.c_str(), nullptr) && CreateDirectoryW(twin.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(kutest::WideOf(kutest::Fixture("ku\\KU.exe")).c_str(),
                          (own + L"\\KU.exe").c_str(), FALSE));
    std::wstring command = L"\"" + own + L"\\KU.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               own.c_str(), &startup, &started));
    ku::UniqueHandle process(started.hProcess), thread(started.hThread);
    EXPECT_TRUE(kutest::AnswerDialog(started.dwProcessId, "Kelvane Uninstaller", IDOK, 20000))
        << "no word that the folder cannot be used";
    EXPECT_EQ(kutest::WaitForExit(process.get(), 20000), 1);
    WIN32_FIND_DATAW entry;
    ku::UniqueFind find(FindFirstFileW((twin + L"\\*").c_str(), &entry));
    int entries = 0;
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &entry))
        ++entries;
    EXPECT_EQ(entries, 2) << "the twin folder holds only . and ..";
}
