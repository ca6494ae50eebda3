// Names the code page cannot hold (Ω, the fullwidth backslash): the registry class and the
// folder delete read them exactly or leave them alone, never by their best-fit twin's name.
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include <windows.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Reg32vs64.h"
#include "support/Files.h"
#include "support/Sandbox.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

const std::wstring kOm = kOmega, kSlash = kWideBackslash;

// The test programs run in the legacy code page, which best-fits Ω to O.
bool LegacyCodePage() { return GetACP() == 1252; }

std::set<std::string> AsSet(const std::vector<std::string>& names) {
    return std::set<std::string>(names.begin(), names.end());
}

} // namespace

TEST(ExactNames, TheCodePageHoldsOnlyNamesThatReadBackTheSame) {
    if (!LegacyCodePage())
        GTEST_SKIP() << "code page " << GetACP();
    struct Case {
        std::wstring wide;
        bool exact;
        std::string ansi;
    };
    const Case cases[] = {
        {L"Omega.dll", true, "Omega.dll"},
        {L"caf\u00E9.txt", true, "caf\xE9.txt"}, // cp1252 holds é
        {kOm + L"mega.dll", false, ""},
        {L"a" + kSlash + L"..", false, ""},
        {L"say \uFF02hi\uFF02", false, ""},
        {L"Slash\u2215Tools", false, ""},
        {L"\u6D4B\u8BD5 Suite", false, ""},
        {L"", true, ""},
    };
    for (const Case& c : cases) {
        std::string ansi;
        EXPECT_EQ(ExactAnsi(c.wide, ansi), c.exact) << c.ansi;
        if (c.exact) {
            EXPECT_EQ(ansi, c.ansi);
        }
    }
}

TEST(ExactNames, RegistryNamesAndTextsOfBestFitTwinsAreNeverHandedOn) {
    if (!LegacyCodePage())
        GTEST_SKIP() << "code page " << GetACP();
    ScratchKey scratch;
    const std::wstring key = WideOf(scratch.Path());
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key + L"\\" + kOm + L"mega Draw", L"v", L"x"));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key + L"\\Omega Draw", L"v", L"x"));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key, kOm + L"mega Nova",
                              L"C:\\" + kOm + L"mega\\nova.exe"));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key, L"Omega Nova", L"C:\\Omega\\nova.exe"));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key, L"Uninst",
                              L"C:\\Foo" + kSlash + L".." + kSlash + L"..\\uninst.exe"));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), false));
    std::vector<std::string> names;
    reg.GetKeyNames(names);
    EXPECT_EQ(AsSet(names), std::set<std::string>({"Omega Draw"}));
    reg.GetValueNames(names);
    EXPECT_EQ(AsSet(names), std::set<std::string>({"Omega Nova", "Uninst"}));
    EXPECT_EQ(reg.ReadString("Omega Nova"), "C:\\Omega\\nova.exe");
    std::string refused;
    try {
        refused = reg.ReadString("Uninst");
    } catch (const ERegistryException& e) {
        refused = e.what();
    }
    EXPECT_EQ(refused, "'Uninst' holds characters this program cannot handle");
}

TEST(ExactNames, KeyDeleteLeavesABestFitRootedSubkeyAndWhatItWouldName) {
    if (!LegacyCodePage())
        GTEST_SKIP() << "code page " << GetACP();
    ScratchKey scratch;
    const std::wstring key = WideOf(scratch.Path());
    // "＼Victim" reads as "\Victim": a path from the root key, outside the tree being deleted.
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key + L"\\Victim", L"keep", L"x"));
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, key + L"\\Doomed\\" + kSlash + L"Victim", L"v",
                              L"x"));
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_ALL_ACCESS, &root),
              ERROR_SUCCESS);
    {
        TRegistry reg;
        reg.SetRootKey(root);
        EXPECT_FALSE(reg.DeleteKey("Doomed")) << "a key that still holds a subkey is not deleted";
    }
    RegCloseKey(root);
    EXPECT_EQ(WideGetString(HKEY_CURRENT_USER, key + L"\\Victim", L"keep"), L"x");
    EXPECT_TRUE(WideKeyExists(HKEY_CURRENT_USER, key + L"\\Doomed\\" + kSlash + L"Victim"));
}

TEST(ExactNames, FolderDeleteNeverFollowsABestFitNameOutOfTheFolder) {
    if (!LegacyCodePage())
        GTEST_SKIP() << "code page " << GetACP();
    ScratchDir dir;
    const std::wstring base = WideOf(dir.Path());
    const std::wstring doomed = base + L"\\a\\b\\doomed";
    ASSERT_TRUE(WideFolder(base + L"\\a") && WideFolder(base + L"\\a\\b") && WideFolder(doomed));
    // "..＼..＼Victim" reads as "..\..\Victim": the folder a\Victim beside the tree.
    ASSERT_TRUE(WideFolder(base + L"\\a\\Victim") && WideFile(base + L"\\a\\Victim\\keep.txt"));
    const std::wstring climb = doomed + L"\\.." + kSlash + L".." + kSlash + L"Victim";
    ASSERT_TRUE(WideFolder(climb) && WideFile(climb + L"\\inside.txt"));
    ASSERT_TRUE(WideFile(doomed + L"\\" + kOm + L"mega.dll"));
    ASSERT_TRUE(WideFile(doomed + L"\\plain.dll"));

    EXPECT_FALSE(DeleteDirectoryTree(dir.Path() + "\\a\\b\\doomed"))
        << "a folder that keeps what it cannot name is not reported deleted";
    EXPECT_TRUE(WidePathExists(base + L"\\a\\Victim\\keep.txt"));
    EXPECT_TRUE(WidePathExists(climb + L"\\inside.txt"));
    EXPECT_TRUE(WidePathExists(doomed + L"\\" + kOm + L"mega.dll"));
    EXPECT_FALSE(WidePathExists(doomed + L"\\plain.dll")) << "what it can name still goes";
}

TEST(ExactNames, DirectoryListingPassesOverNamesTheCodePageCannotHold) {
    if (!LegacyCodePage())
        GTEST_SKIP() << "code page " << GetACP();
    ScratchDir dir;
    const std::wstring base = WideOf(dir.Path());
    for (const std::wstring& name : {kOm + L"mega.dll", std::wstring(L"Omega.dll"),
                                     std::wstring(L"\u6D4B\u8BD5.dat"), std::wstring(L"caf\u00E9")})
        ASSERT_TRUE(WideFile(base + L"\\" + name));
    std::set<std::string> found;
    int skipped = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstExactFile(dir.Path() + "\\*", data, &skipped);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do
        found.insert(data.cFileName);
    while (FindNextExactFile(find, data, &skipped));
    FindClose(find);
    EXPECT_EQ(found, std::set<std::string>({".", "..", "Omega.dll", "caf\xE9"}));
    EXPECT_EQ(skipped, 2);
}
