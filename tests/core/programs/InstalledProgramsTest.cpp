// The program list of the sandbox machine with the real NSIS and Windows Installer fixtures
// installed: rows of each registry view, their facts, product codes, sorting and icons.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "FixturePrograms.h"
#include "ListTestSupport.h"
#include "core/programs/IconLookup.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

using listtest::Find;
using listtest::Names;

namespace {

class InstalledPrograms : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string& problem = fixtures::EnsureInstalled();
        ASSERT_TRUE(problem.empty()) << problem;
    }
    ku::TUninstallContents Build(bool view64, bool showWindowsUpdate = false) {
        listtest::ViewScope view(view64);
        ku::TUninstallContents list;
        ku::BuildProgramList(list, showWindowsUpdate);
        return list;
    }
    static int Count(const ku::TUninstallContents& list, const std::string& name) {
        const auto names = Names(list);
        return static_cast<int>(std::count(names.begin(), names.end(), name));
    }
};

TEST_F(InstalledPrograms, ThirtyTwoBitViewListsTheFixtureInstallsOnce) {
    const ku::TUninstallContents list = Build(false);
    EXPECT_EQ(Count(list, "KU Fixture NSIS"), 1);
    EXPECT_EQ(Count(list, "KU Fixture MSI A"), 1);
    EXPECT_EQ(Count(list, "KU Fixture Suite"), 1);
    EXPECT_EQ(Count(list, "KU Fixture Wrong Types"), 1);
    EXPECT_EQ(Count(list, "KU Fixture MSI B"), 0) << "named in the suite's ProductCodes";
    EXPECT_EQ(Count(list, "KU Fixture Hotfix"), 0);
    EXPECT_EQ(Count(list, "KU Fixture No Uninstaller"), 0);
    EXPECT_EQ(Count(list, "KU Fixture Only 64"), 0);
}

TEST_F(InstalledPrograms, SixtyFourBitViewShowsOnlyItsOwnEntries) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "one registry view only";
    const ku::TUninstallContents list = Build(true);
    EXPECT_EQ(Count(list, "KU Fixture Only 64"), 1);
    EXPECT_EQ(Count(list, "KU Fixture NSIS"), 0);
    EXPECT_EQ(Count(list, "KU Fixture MSI A"), 0);
}

TEST_F(InstalledPrograms, RowsCarryTheInstallersFacts) {
    const ku::TUninstallContents list = Build(false);
    const auto* nsis = Find(list, "KU Fixture NSIS");
    ASSERT_NE(nsis, nullptr);
    const std::string folder = fixtures::NsisFolder();
    EXPECT_EQ(nsis->DisplayVersion, "1.2.3");
    EXPECT_EQ(nsis->Publisher, "Kelvane Test Fixtures");
    EXPECT_EQ(nsis->InstallDate, "20240115");
    EXPECT_EQ(nsis->InstallLocation, folder);
    EXPECT_EQ(nsis->HelpLink, "http://localhost/kufixture/help");
    EXPECT_EQ(nsis->IconSource, folder + "\\KuFixtureApp.exe,0");
    EXPECT_EQ(nsis->UninstallString, "\"" + folder + "\\uninst.exe\"");
    EXPECT_EQ(nsis->RegistryPath,
              "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KuFixtureNsis");

    const auto* msi = Find(list, "KU Fixture MSI A");
    ASSERT_NE(msi, nullptr);
    EXPECT_EQ(msi->SubKeyName, fixtures::kMsiA);
    EXPECT_EQ(msi->DisplayVersion, "2.0.0");
    EXPECT_EQ(msi->Publisher, "Kelvane Test Fixtures");
    EXPECT_TRUE(ku::ContainsText(msi->UninstallString, fixtures::kMsiA));

    const auto* odd = Find(list, "KU Fixture Wrong Types");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->Publisher, ku::kNotAvailable);
    EXPECT_EQ(odd->InstallDate, ku::kNotAvailable);
    EXPECT_EQ(odd->IconSource, "");
}

TEST_F(InstalledPrograms, WindowsInstallerShownAddsOperatingSystemEntriesAndNoTwins) {
    listtest::ViewScope view(false);
    ku::TUninstallContents list;
    ku::BuildProgramList(list, true);
    EXPECT_EQ(Count(list, "KU Fixture Hotfix"), 1);
    std::vector<std::string> captions = Names(list);
    ku::AddInstallerProducts(list, captions);
    EXPECT_EQ(Count(list, "KU Fixture MSI A"), 1);
    // Hidden behind the suite in the Uninstall list, it comes back once as an Installer product.
    EXPECT_EQ(Count(list, "KU Fixture MSI B"), 1);
}

TEST_F(InstalledPrograms, EachSortOrdersTheRealRows) {
    ku::TUninstallContents list = Build(false);
    ASSERT_GE(list.Count(), 5);
    auto keys = [&list](int column) {
        std::vector<std::string> result;
        for (int i = 0; i < list.Count(); ++i) {
            const auto& c = list.GetItem(i).Content;
            result.push_back(column == 0   ? ku::Trim(c.DisplayName)
                             : column == 1 ? c.InstallDate
                                           : c.Publisher);
        }
        return result;
    };
    for (int column = 0; column < 3; ++column) {
        list.SortBy(column, ku::SortAscending);
        auto ascending = keys(column);
        EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end())) << column;
        list.SortBy(column, ku::SortDescending);
        auto descending = keys(column);
        EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend())) << column;
    }
}

TEST_F(InstalledPrograms, FixtureRowsTakeTheProgramsOwnIcon) {
    const ku::TUninstallContents list = Build(false);
    const auto* nsis = Find(list, "KU Fixture NSIS");
    ASSERT_NE(nsis, nullptr);
    const ku::IconChoice choice = ku::ResolveProgramIcon(nsis->IconSource);
    EXPECT_EQ(choice.file, fixtures::NsisFolder() + "\\KuFixtureApp.exe");
    EXPECT_EQ(choice.kind, ku::IconChoice::ShellIcon);
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), choice.file.c_str(), 0);
    EXPECT_NE(icon, nullptr);
    if (icon)
        DestroyIcon(icon);
}

} // namespace
