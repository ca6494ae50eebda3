// The list model's sort, the Windows Installer products, deleting entries and component
// registrations, and the hand-over to the uninstall wizard.
#include <gtest/gtest.h>

#include <array>

#include "ListTestSupport.h"
#include "core/programs/MainWindowLogic.h"
#include "core/system/PublicFunctionUnit.h"

using kutest::RawSetString;
using listtest::Names;
using listtest::Raw;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;

ku::TUninstallContents Rows(std::initializer_list<std::array<const char*, 3>> rows) {
    ku::TUninstallContents list;
    for (const auto& row : rows) {
        auto& c = list.GetItem(list.Add()).Content;
        c.DisplayName = row[0];
        c.InstallDate = row[1];
        c.Publisher = row[2];
    }
    return list;
}

TEST(ProgramListSort, SortsByTrimmedNameDateOrPublisherOrdinally) {
    ku::TUninstallContents list = Rows({{"  beta", "20200101", "Zed"},
                                        {"Alpha", "NOT AVAILABLE", "acme"},
                                        {"alpha", "20191231", "Acme"},
                                        {"Beta", "", "Zed"}});
    list.SortBy(ku::SortByName, ku::SortAscending);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Alpha", "Beta", "alpha", "  beta"}));
    list.SortBy(ku::SortByInstallDate, ku::SortDescending);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Alpha", "  beta", "alpha", "Beta"}));
    list.SortBy(ku::SortByPublisher, ku::SortAscending);
    EXPECT_EQ(list.GetItem(0).Content.Publisher, "Acme");
    EXPECT_EQ(list.GetItem(3).Content.Publisher, "acme");
    list.SortBy(ku::SortByPublisher, ku::SortDescending);
    EXPECT_EQ(list.GetItem(0).Content.Publisher, "acme");
    // Equal keys keep their order, in both directions (an exchange sort moved "b1" behind "b2").
    list = Rows({{"b1", "", "B"}, {"b2", "", "B"}, {"a", "", "A"}});
    list.SortBy(ku::SortByPublisher, ku::SortAscending);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b1", "b2"}));
    list.SortBy(ku::SortByPublisher, ku::SortDescending);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b1", "b2", "a"}));
    const std::vector<std::string> before = Names(list);
    list.SortBy(3, ku::SortAscending);
    list.SortBy(ku::SortByName, 7);
    EXPECT_EQ(Names(list), before);
}

class InstallerProducts : public ::testing::Test {
  protected:
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    ku::ProgramListPlaces places = listtest::ScratchPlaces(scratch);
    listtest::ViewScope view{true};

    void UserDataProduct(const std::string& key, const std::string& name) {
        const std::string path = Raw(places.userDataProducts) + "\\" + key + "\\InstallProperties";
        RawSetString(HKEY_LOCAL_MACHINE, path, "DisplayName", name, k64);
        RawSetString(HKEY_LOCAL_MACHINE, path, "UninstallString", "MsiExec.exe /X" + key, k64);
    }
    void ClassesProduct(const std::string& key, const std::string& name) {
        RawSetString(HKEY_LOCAL_MACHINE, Raw(places.classesProducts) + "\\" + key, "ProductName",
                     name, k64);
    }
    void Component(const std::string& key, std::initializer_list<const char*> clients) {
        for (const char* client : clients)
            RawSetString(HKEY_LOCAL_MACHINE, Raw(places.userDataComponents) + "\\" + key, client,
                         "C:\\x.exe", k64);
    }
    bool ComponentKey(const std::string& key) {
        return kutest::RawKeyExists(HKEY_LOCAL_MACHINE, Raw(places.userDataComponents) + "\\" + key,
                                    k64);
    }
};

TEST_F(InstallerProducts, AppendsProductsNotListedYetFromBothSources) {
    // The Installer's keys are the native view's, whichever view the list shows.
    listtest::ViewScope view32(false);
    UserDataProduct("P1", "Listed Program");
    UserDataProduct("P2", "Installer Only");
    ClassesProduct("C1", "Installer Only");
    ClassesProduct("C2", "Classes Only");
    ku::TUninstallContents list = Rows({{"Listed Program", "20200101", "Me"}});
    std::vector<std::string> captions{"Listed Program"};
    const std::vector<int> appended = ku::AddInstallerProducts(list, captions, places);
    ASSERT_EQ(appended, (std::vector<int>{1, 2}));
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"Listed Program", "Installer Only", "Classes Only"}));
    const auto& userData = list.GetItem(1).Content;
    EXPECT_EQ(userData.SubKeyName, "P2");
    EXPECT_EQ(userData.UninstallString, "MsiExec.exe /XP2");
    EXPECT_EQ(userData.IconSource, ku::GetSystemDir() + "\\msiexec.exe");
    EXPECT_EQ(userData.Publisher, ku::kNotAvailable);
    EXPECT_EQ(userData.InstallDate, "");
    EXPECT_TRUE(ku::IsInstallerRecord(userData));
    const auto& classes = list.GetItem(2).Content;
    EXPECT_EQ(classes.SubKeyName, "C2");
    EXPECT_EQ(classes.UninstallString, "");
    EXPECT_FALSE(ku::IsInstallerRecord(classes));
}

// Deleting an Installer row takes its product and its components: whole where it is the only
// client, as one client where others share them; other products' components stay.
TEST_F(InstallerProducts, DeletingAnInstallerRowRemovesProductAndComponents) {
    listtest::ViewScope view32(false);
    UserDataProduct("P9", "Doomed");
    Component("OwnComponent", {"p9"});
    Component("SharedComponent", {"P9", "OtherProduct"});
    Component("ForeignComponent", {"OtherProduct"});
    ku::TUninstallContents list = Rows({{"x", "", ""}});
    std::vector<std::string> captions{"x"};
    ku::AddInstallerProducts(list, captions, places);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(ku::DeleteProgramEntry(list.GetItem(1).Content, places));
    EXPECT_FALSE(
        kutest::RawKeyExists(HKEY_LOCAL_MACHINE, Raw(places.userDataProducts) + "\\P9", k64));
    EXPECT_FALSE(ComponentKey("OwnComponent"));
    const std::string shared = Raw(places.userDataComponents) + "\\SharedComponent";
    EXPECT_FALSE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared, "P9", k64));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_LOCAL_MACHINE, shared, "OtherProduct", k64));
    EXPECT_TRUE(ComponentKey("ForeignComponent"));
}

TEST_F(InstallerProducts, DeleteRemovesTheEntryOfTheChosenViewOnly) {
    listtest::AddEntry(places, "Twin", "Twin", KEY_WOW64_64KEY);
    listtest::AddEntry(places, "Twin", "Twin", KEY_WOW64_32KEY);
    ku::UninstallItemUnit::TContent record;
    record.SubKeyName = "Twin";
    record.RegistryPath = places.uninstallKey + "\\Twin";
    const std::string path = Raw(places.uninstallKey) + "\\Twin";
    {
        listtest::ViewScope view32(false);
        EXPECT_TRUE(ku::DeleteProgramEntry(record, places));
    }
    if (kutest::RunningUnderWow64()) {
        EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
        EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    }
    record.SubKeyName = "  ";
    EXPECT_FALSE(ku::DeleteProgramEntry(record, places));
    record.SubKeyName = "..\\Twin";
    EXPECT_FALSE(ku::DeleteProgramEntry(record, places));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
}

TEST(UninstallHandOver, NortonFallsBackToItsUninstallerAndOnlyNortonUsesModifyPath) {
    ku::UninstallItemUnit::TContent record;
    record.DisplayName = "Norton AntiVirus";
    record.UninstallString = "  \"C:\\Norton\\unins.exe\" /x  ";
    record.ModifyPath = ku::kNotAvailable;
    auto request = ku::MakeNormalUninstallRequest(record, "Norton AntiVirus", 3);
    EXPECT_EQ(request.UninstallCommand, ku::NormalizeUninstallCommand(record.UninstallString));
    EXPECT_EQ(request.NortonFlag, "");
    record.DisplayName = "norton lowercase";
    record.ModifyPath = "C:\\m.exe";
    request = ku::MakeNormalUninstallRequest(record, "norton lowercase", 0);
    EXPECT_EQ(request.NortonFlag, "");
    EXPECT_NE(request.UninstallCommand, "C:\\m.exe");
}

class WinlogonRepair : public ::testing::Test {
  protected:
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    std::string key = scratch.Sub("Winlogon");
    std::string Read(const char* name) {
        return kutest::RawReadString(HKEY_LOCAL_MACHINE, key, name, k64);
    }
};

TEST_F(WinlogonRepair, PutsBackUserinitAndShellOnlyWhereTheyDiffer) {
    const struct {
        const char *userinit, *shell, *systemDir;
        int repaired;
        const char *userinitAfter, *shellAfter;
    } cases[] = {
        {"C:\\Windows\\system32\\userinit.exe,evil.exe", "explorer.EXE", "C:\\Windows\\system32", 1,
         "C:\\Windows\\system32\\userinit.exe,", "explorer.EXE"},
        {"C:\\Windows\\system32\\userinit.exe,", "evil.exe", "C:\\WINDOWS\\SYSTEM32", 1,
         "C:\\Windows\\system32\\userinit.exe,", "Explorer.exe"},
        // Without a system folder no Userinit is written.
        {"C:\\Windows\\system32\\userinit.exe,x", "Explorer.exe", "", 0,
         "C:\\Windows\\system32\\userinit.exe,x", "Explorer.exe"},
    };
    for (const auto& c : cases) {
        RawSetString(HKEY_LOCAL_MACHINE, key, "Userinit", c.userinit, k64);
        RawSetString(HKEY_LOCAL_MACHINE, key, "Shell", c.shell, k64);
        EXPECT_EQ(ku::RepairWinlogon(c.systemDir, key), c.repaired) << c.userinit;
        EXPECT_EQ(Read("Userinit"), c.userinitAfter);
        EXPECT_EQ(Read("Shell"), c.shellAfter);
    }
    EXPECT_EQ(ku::RepairWinlogon("C:\\Windows\\system32", scratch.Sub("Missing")), 0);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, scratch.Sub("Missing"), k64));
}

TEST_F(WinlogonRepair, MainProgramIsWrittenOnlyIntoAnExistingKey) {
    EXPECT_FALSE(ku::WriteMainProgram("C:\\kutest\\bin\\KU.exe", key));
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, key, k64));
    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, key, k64);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_TRUE(ku::WriteMainProgram(exe, key));
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(exe, shortPath, MAX_PATH);
    EXPECT_EQ(Read("MainProgram"), shortPath);
}

} // namespace
