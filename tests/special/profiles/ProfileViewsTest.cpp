// The profiles on 64-bit Windows: a key of the product is looked for in the 64-bit view and
// then in the 32-bit one, whatever view the user chose for the program list; what a finder
// reads there is scanned, and a deletion goes in each view the key or value is found in.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/removal/Removal.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileEngine.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"

namespace {

const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;

class ProfileViews : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (!kutest::RunningUnderWow64())
            GTEST_SKIP() << "one view only";
        ku::RegistryView64 = GetParam(); // the "64Bit" or the "32Bit" choice
    }
    void TearDown() override { ku::RegistryView64 = false; }
};

// The files the finder lists when the source key holds these folders (empty: no value) in the
// 64-bit and the 32-bit view, in the order listed.
TEST_P(ProfileViews, AFinderScansWhatItReadsInEitherView) {
    kutest::ScratchDir dir;
    for (const char* folder : {"a", "b"}) {
        CreateDirectoryA(dir.File(folder).c_str(), nullptr);
        kutest::WriteTextFile(dir.File(folder) + "\\" + folder + ".exe");
    }
    const std::string a = dir.File("a\\a.exe"), b = dir.File("b\\b.exe");
    const struct {
        const char *in64, *in32;
        std::vector<std::string> found;
    } cases[] = {{"", "b", {b}}, {"a", "", {a}}, {"a", "b", {a, b}}, {"a", "a", {a}}, {"", "", {}}};
    for (const auto& c : cases) {
        kutest::ScratchKey key(HKEY_LOCAL_MACHINE);
        const std::string path = key.Sub("Install");
        for (const auto& planted : {std::make_pair(c.in64, k64), std::make_pair(c.in32, k32)})
            if (*planted.first)
                kutest::RawSetString(HKEY_LOCAL_MACHINE, path, "Dir",
                                     dir.File(planted.first) + "\\", planted.second);
        ku::TUninstallerContents contents;
        ku::ProfileSite site;
        site.contents = &contents;
        ku::ScanProfileRow(ku::ProfileRow().Sources({ku::Hklm(path, "Dir")}), site);
        std::vector<std::string> found;
        for (int i = 0; i < contents.Count(); ++i)
            found.push_back(contents.GetItem(i).Content.FilePath);
        EXPECT_EQ(found, c.found) << c.in64 << "|" << c.in32;
    }
}

// Section lines and fixed deletions reach a key or value in each view it is in; the report
// counts each one met and names what stays.
TEST_P(ProfileViews, DeletionsGoInEachViewTheyAreFoundIn) {
    const struct {
        bool in64, in32;
        int counted;
    } cases[] = {{false, true, 1}, {true, false, 1}, {true, true, 2}, {false, false, 0}};
    for (const auto& c : cases) {
        for (bool fixed : {false, true}) {
            kutest::ScratchKey key(HKEY_LOCAL_MACHINE);
            const std::string gone = key.Sub("Gone"), values = key.Sub("Values");
            for (const auto& planted : {std::make_pair(c.in64, k64), std::make_pair(c.in32, k32)})
                if (planted.first) {
                    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, gone + "\\Sub", planted.second);
                    for (const char* name : {"Name", "KuDecoy"})
                        kutest::RawSetString(HKEY_LOCAL_MACHINE, values, name, "x", planted.second);
                }
            ku::RemovalReport report;
            ku::ProfileSite site;
            site.report = &report;
            if (fixed)
                ku::RunProfileRow(
                    ku::ProfileRow().Fixed({ku::DelKey(HKEY_LOCAL_MACHINE, gone),
                                            ku::DelValue(HKEY_LOCAL_MACHINE, values, "Name")}),
                    site);
            else
                ku::ExecuteRegistryDeleteLines(
                    {"delRegkey(HKEY_LOCAL_MACHINE,'" + gone + "')",
                     "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + values + "','Name')"},
                    &report);
            for (REGSAM view : {k64, k32}) {
                const bool planted = view == k64 ? c.in64 : c.in32;
                EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, gone, view));
                EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, values, "Name", view));
                EXPECT_EQ(kutest::RawValueExists(HKEY_LOCAL_MACHINE, values, "KuDecoy", view),
                          planted);
            }
            EXPECT_EQ(report.total, 2 * c.counted) << c.in64 << c.in32 << fixed;
            EXPECT_EQ(report.notRemoved, std::vector<std::string>());
        }
    }
}

// A 32-bit suite keeps its folder in the 32-bit view: the clean-up after it still finds it.
TEST_P(ProfileViews, TheLinkAdvisorCleanUpReadsTheSuitesFolderInEitherView) {
    const char* session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const char* suite = "SOFTWARE\\ComputerAssociates\\eTrust Suite Personal";
    const kutest::RawValue before =
        kutest::RawReadValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");
    kutest::ScratchDir dir;
    const std::string folder = dir.File("CA Website Inspector\\WebsiteInspector\\LinkAdvisor");
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    kutest::WriteTextFile(folder + "\\CIDLinkAdvisor.dll");
    kutest::RawSetString(HKEY_LOCAL_MACHINE, suite, "Path", dir.Path(), k32);
    ku::ScheduleLinkAdvisorDeletion();
    const kutest::RawValue after =
        kutest::RawReadValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");
    kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\ComputerAssociates", k32);
    if (before.exists)
        kutest::RawSetValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations", before.type,
                            before.bytes);
    else
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");
    EXPECT_TRUE(ku::ContainsText(after.bytes, "CIDLinkAdvisor.dll"));
}

INSTANTIATE_TEST_SUITE_P(EitherChoice, ProfileViews, ::testing::Bool());

} // namespace
