// The list model's sort, the Windows Installer products, deleting entries and component
// registrations, the hand-over of odd records and the Winlogon repair.
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
const HKEY kLm = HKEY_LOCAL_MACHINE;
using Strings = std::vector<std::string>;

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

// Each sort starts from the order the one before left: equal keys keep it, in both directions
// (an exchange sort moved "b1" behind "b2"); an unknown column changes nothing.
TEST(ProgramListSort, SortsByTrimmedNameDateOrPublisherOrdinallyAndStably) {
    ku::TUninstallContents mixed = Rows({{"  beta", "20200101", "Zed"},
                                         {"Alpha", "NOT AVAILABLE", "acme"},
                                         {"alpha", "20191231", "Acme"},
                                         {"Beta", "", "Zed"}});
    ku::TUninstallContents ties = Rows({{"b1", "", "B"}, {"b2", "", "B"}, {"a", "", "A"}});
    const struct {
        ku::TUninstallContents* list;
        int column, direction;
        Strings names;
    } sorts[] = {
        {&mixed, ku::SortByName, ku::SortAscending, {"Alpha", "Beta", "alpha", "  beta"}},
        {&mixed, ku::SortByInstallDate, ku::SortDescending, {"Alpha", "  beta", "alpha", "Beta"}},
        {&mixed, ku::SortByPublisher, ku::SortAscending, {"alpha", "  beta", "Beta", "Alpha"}},
        {&ties, ku::SortByPublisher, ku::SortAscending, {"a", "b1", "b2"}},
        {&ties, ku::SortByPublisher, ku::SortDescending, {"b1", "b2", "a"}},
        {&ties, 3, ku::SortAscending, {"b1", "b2", "a"}},
    };
    for (const auto& s : sorts) {
        s.list->SortBy(s.column, s.direction);
        EXPECT_EQ(Names(*s.list), s.names)
            << "column " << s.column << ", direction " << s.direction;
    }
}

// The Installer's keys are the native view's, whichever view the list shows.
class InstallerProducts : public ::testing::Test {
  protected:
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    ku::ProgramListPlaces places = listtest::ScratchPlaces(scratch);
    listtest::ViewScope view{false};

    void UserDataProduct(const std::string& key, const std::string& name) {
        const std::string path = Raw(places.userDataProducts) + "\\" + key + "\\InstallProperties";
        RawSetString(kLm, path, "DisplayName", name, k64);
        RawSetString(kLm, path, "UninstallString", "MsiExec.exe /X" + key, k64);
    }
    std::string Component(const std::string& key) {
        return Raw(places.userDataComponents) + "\\" + key;
    }
};

TEST_F(InstallerProducts, AppendsProductsNotListedYetFromBothSources) {
    UserDataProduct("P1", "Listed Program");
    UserDataProduct("P2", "Installer Only");
    for (const auto& [key, name] : {std::pair{"C1", "Installer Only"}, {"C2", "Classes Only"}})
        RawSetString(kLm, Raw(places.classesProducts) + "\\" + key, "ProductName", name, k64);
    ku::TUninstallContents list = Rows({{"Listed Program", "20200101", "Me"}});
    Strings captions{"Listed Program"};
    EXPECT_EQ(ku::AddInstallerProducts(list, captions, places), (std::vector<int>{1, 2}));
    EXPECT_EQ(Names(list), (Strings{"Listed Program", "Installer Only", "Classes Only"}));
    Strings rows;
    for (int i = 1; i < list.Count(); ++i) {
        const auto& c = list.GetItem(i).Content;
        rows.push_back(c.SubKeyName + "|" + c.UninstallString + "|" + c.IconSource + "|" +
                       c.Publisher + "|" + c.InstallDate + "|" +
                       (ku::IsInstallerRecord(c) ? "installer" : "other"));
    }
    const std::string msiexec = ku::GetSystemDir() + "\\msiexec.exe";
    EXPECT_EQ(rows, (Strings{"P2|MsiExec.exe /XP2|" + msiexec + "|NOT AVAILABLE||installer",
                             "C2||" + msiexec + "|NOT AVAILABLE||other"}));
}

// Deleting an Installer row takes its product and its components: whole where it is the only
// client, as one client where others share them; other products' components stay.
TEST_F(InstallerProducts, DeletingAnInstallerRowRemovesProductAndComponents) {
    UserDataProduct("P9", "Doomed");
    RawSetString(kLm, Component("OwnComponent"), "p9", "C:\\x.exe", k64);
    for (const char* client : {"P9", "OtherProduct"})
        RawSetString(kLm, Component("SharedComponent"), client, "C:\\x.exe", k64);
    RawSetString(kLm, Component("ForeignComponent"), "OtherProduct", "C:\\x.exe", k64);
    ku::TUninstallContents list = Rows({{"x", "", ""}});
    Strings captions{"x"};
    ku::AddInstallerProducts(list, captions, places);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(ku::DeleteProgramEntry(list.GetItem(1).Content, places));
    EXPECT_FALSE(kutest::RawKeyExists(kLm, Raw(places.userDataProducts) + "\\P9", k64));
    EXPECT_FALSE(kutest::RawKeyExists(kLm, Component("OwnComponent"), k64));
    EXPECT_FALSE(kutest::RawValueExists(kLm, Component("SharedComponent"), "P9", k64));
    EXPECT_TRUE(kutest::RawValueExists(kLm, Component("SharedComponent"), "OtherProduct", k64));
    EXPECT_TRUE(kutest::RawKeyExists(kLm, Component("ForeignComponent"), k64));
}

TEST_F(InstallerProducts, DeleteRefusesABlankOrClimbingKeyName) {
    listtest::AddEntry(places, "Twin", "Twin", KEY_WOW64_32KEY);
    ku::UninstallItemUnit::TContent record;
    record.RegistryPath = places.uninstallKey + "\\Twin";
    for (const char* name : {"  ", "..\\Twin"}) {
        record.SubKeyName = name;
        EXPECT_FALSE(ku::DeleteProgramEntry(record, places)) << name;
    }
    EXPECT_TRUE(kutest::RawKeyExists(kLm, Raw(places.uninstallKey) + "\\Twin", KEY_WOW64_32KEY));
}

// Only a Norton or Symantec name (as written) with a real ModifyPath hands that path over.
TEST(UninstallHandOver, OtherwiseTheUninstallerIsHandedOver) {
    const struct {
        const char *name, *modifyPath;
    } cases[] = {{"Norton AntiVirus", ku::kNotAvailable},
                 {"Norton AntiVirus", "  "},
                 {"norton lowercase", "C:\\m.exe"}};
    for (const auto& c : cases) {
        ku::UninstallItemUnit::TContent record;
        record.DisplayName = c.name;
        record.UninstallString = "  \"C:\\Norton\\unins.exe\" /x  ";
        record.ModifyPath = c.modifyPath;
        const auto request = ku::MakeNormalUninstallRequest(record, c.name, 3);
        EXPECT_EQ(request.UninstallCommand + "|" + request.NortonFlag,
                  ku::NormalizeUninstallCommand(record.UninstallString) + "|")
            << c.name << " " << c.modifyPath;
    }
}

TEST(WinlogonRepair, PutsBackUserinitAndShellOnlyWhereTheyDiffer) {
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    const std::string key = scratch.Sub("Winlogon");
    const std::string userinit = "C:\\Windows\\system32\\userinit.exe,";
    const struct {
        std::string userinit, shell, systemDir;
        int repaired;
        std::string after;
    } cases[] = {
        {userinit + "evil.exe", "explorer.EXE", "C:\\Windows\\system32", 1,
         userinit + "|explorer.EXE"},
        {userinit, "evil.exe", "C:\\WINDOWS\\SYSTEM32", 1, userinit + "|Explorer.exe"},
        // Without a system folder no Userinit is written.
        {userinit + "x", "Explorer.exe", "", 0, userinit + "x|Explorer.exe"},
    };
    for (const auto& c : cases) {
        RawSetString(kLm, key, "Userinit", c.userinit, k64);
        RawSetString(kLm, key, "Shell", c.shell, k64);
        EXPECT_EQ(ku::RepairWinlogon(c.systemDir, key), c.repaired) << c.userinit;
        EXPECT_EQ(kutest::RawReadString(kLm, key, "Userinit", k64) + "|" +
                      kutest::RawReadString(kLm, key, "Shell", k64),
                  c.after);
    }
    EXPECT_EQ(ku::RepairWinlogon("C:\\Windows\\system32", scratch.Sub("Missing")), 0);
    EXPECT_FALSE(kutest::RawKeyExists(kLm, scratch.Sub("Missing"), k64));
}

TEST(WinlogonRepair, MainProgramIsWrittenOnlyIntoAnExistingKey) {
    kutest::ScratchKey scratch{HKEY_LOCAL_MACHINE};
    const std::string key = scratch.Sub("Winlogon");
    EXPECT_FALSE(ku::WriteMainProgram("C:\\kutest\\bin\\KU.exe", key));
    EXPECT_FALSE(kutest::RawKeyExists(kLm, key, k64));
    kutest::RawCreateKey(kLm, key, k64);
    char exe[MAX_PATH] = {}, shortPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    GetShortPathNameA(exe, shortPath, MAX_PATH);
    EXPECT_TRUE(ku::WriteMainProgram(exe, key));
    EXPECT_EQ(kutest::RawReadString(kLm, key, "MainProgram", k64), shortPath);
}

} // namespace
