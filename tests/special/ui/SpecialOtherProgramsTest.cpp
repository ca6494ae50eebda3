// Another installed program's folder, reached through the special uninstall: a profile's folder
// value or an Installer product's record that names it, or a link to it. Nothing of that
// program is listed or deleted, also when it was installed after the scan; the whole registry
// and drive are compared before and after.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

#include "WizardDriver.h"
#include "core/removal/OtherPrograms.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/SystemSnapshot.h"

namespace {

const char kMightyMax[] = "PC MightyMax v9(For 32bit)";
const char kMax[] = "3DsMax2008(For 32bit)";
const char kVendorKey[] = "SOFTWARE\\PC MightyMax";
const char kOtherEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KuNotesPad";
const char kLinks[] = "C:\\kutest\\links\\special";
// The product code the special list knows for 3ds Max 2008, packed as the Installer keeps it.
const char kMaxProduct[] = "15A856FBF4D60BC4D8041D3896B299D5";

std::string Sections() {
    return "[UnitPCMightyMax9]\r\ndelRegkey(HKEY_LOCAL_MACHINE,'" + std::string(kVendorKey) +
           "')\r\n[/UnitPCMightyMax9]\r\n[Unit3dsmax2008]\r\n"
           "delRegkey(HKEY_LOCAL_MACHINE,'SOFTWARE\\KuMax Vendor')\r\n[/Unit3dsmax2008]\r\n";
}

// The profiles' data files beside the test program; whatever was there comes back afterwards.
class DataFiles {
  public:
    DataFiles() {
        for (const char* name : {"CodeB.dat", "CodeC.dat"}) {
            const std::string path = ku::ProgramDir() + name;
            saved_.push_back({path, kutest::FileThere(path) ? kutest::ReadAll(path) : "\x01"});
            kutest::WriteTextFile(path, Sections());
        }
    }
    ~DataFiles() {
        for (const auto& [path, text] : saved_)
            if (text == "\x01")
                DeleteFileA(path.c_str());
            else
                kutest::WriteTextFile(path, text);
    }

  private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

// Another installed program: its entry names its folder, which holds its files.
struct OtherProgram {
    std::string folder;
    std::vector<std::string> files;
    bool ownFiles = true; // false: the links fixture's files, made and removed by ctest

    void Install(kutest::PlantedRegistry& registry) const {
        registry.String(HKEY_LOCAL_MACHINE, kOtherEntry, "DisplayName", "Notes Pad");
        registry.String(HKEY_LOCAL_MACHINE, kOtherEntry, "InstallLocation", folder);
    }
    void Make() const {
        for (const std::string& file : files) {
            SHCreateDirectoryExA(nullptr, ku::ExtractFileDir(file).c_str(), nullptr);
            kutest::WriteTextFile(file, "Notes Pad");
        }
    }
    void Remove() const {
        if (ownFiles)
            kutest::RemoveTree(folder);
    }
};

REGSAM Machine32() {
    return kutest::RunningUnderWow64() ? KEY_WOW64_32KEY : 0;
}
REGSAM Native() {
    return kutest::RunningUnderWow64() ? KEY_WOW64_64KEY : 0;
}

std::string VendorTrace() {
    return kutest::RunningUnderWow64() ? "HKLM\\SOFTWARE\\WOW6432NODE\\PC MIGHTYMAX\\"
                                       : "HKLM\\SOFTWARE\\PC MIGHTYMAX\\";
}

bool StartsWith(const std::string& line, const std::string& prefix) {
    return ku::UpperCase(line).rfind(ku::UpperCase(prefix), 0) == 0;
}

class SpecialOtherPrograms : public ::testing::Test {
  protected:
    void SetUp() override { ku::RegistryView64 = kutest::RunningUnderWow64(); }
    void TearDown() override { ku::RegistryView64 = false; }
    DataFiles data;
};

// How one road leads the application's scan to the other program's folder.
struct Road {
    const char* label;
    const char* caption;
    OtherProgram other;
    std::string named; // what the road names: the folder or a link to it
    std::function<void(kutest::PlantedRegistry& machine, kutest::PlantedRegistry& native,
                       const std::string& named)>
        point;
};

} // namespace

TEST_F(SpecialOtherPrograms, AFolderValueOrRecordNamingAnotherProgramsFolderListsNothingOfIt) {
    const auto folderValue = [](kutest::PlantedRegistry& machine, kutest::PlantedRegistry&,
                                const std::string& named) {
        machine.String(HKEY_LOCAL_MACHINE, kVendorKey, "Installdir", named + "\\");
    };
    const std::string notes = "C:\\KuOther\\Notes Pad", links = kLinks;
    const std::vector<Road> roads{
        {"the profile's folder value",
         kMightyMax,
         {notes, {notes + "\\notes.exe", notes + "\\data\\notes.dat"}},
         notes,
         folderValue},
        {"a link to the folder in the profile's folder value",
         kMightyMax,
         {links + "\\victim",
          {links + "\\victim\\other.dll", links + "\\victim\\folder\\inner.dll"},
          false},
         links + "\\app\\linkedfolder",
         folderValue},
        {"the install location of the product's Installer record",
         kMax,
         {notes, {notes + "\\notes.exe", notes + "\\data\\notes.dat"}},
         notes,
         [](kutest::PlantedRegistry&, kutest::PlantedRegistry& native, const std::string& named) {
             native.String(HKEY_LOCAL_MACHINE,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\"
                           "S-1-5-18\\Products\\" +
                               std::string(kMaxProduct) + "\\InstallProperties",
                           "InstallLocation", named + "\\");
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.label);
        road.other.Make();
        spectest::WholeRemoval removal;
        {
            kutest::PlantedRegistry machine(Machine32()), native(Native());
            road.other.Install(machine);
            road.point(machine, native, road.named);
            removal = spectest::RemoveWhole(road.caption);
        }
        for (const std::string& file : road.other.files)
            EXPECT_TRUE(kutest::FileThere(file)) << "deleted: " << file;
        EXPECT_EQ(removal.onDrive.removed, std::vector<std::string>());
        for (const std::string& line : removal.inRegistry.removed)
            EXPECT_TRUE(StartsWith(line, VendorTrace())) << "deleted: " << line;
        for (const std::string& line : removal.listed)
            EXPECT_FALSE(StartsWith(line, road.other.folder) || StartsWith(line, road.named))
                << "listed: " << line;
        road.other.Remove();
    }
}

// The files were the application's when the scan listed them; by the time they are removed,
// another program's entry names their folder: they stay, and the last page says so.
TEST_F(SpecialOtherPrograms, AProgramInstalledAfterTheScanKeepsItsFiles) {
    const OtherProgram other{
        "C:\\KuOther\\Notes Pad",
        {"C:\\KuOther\\Notes Pad\\notes.exe", "C:\\KuOther\\Notes Pad\\data\\notes.dat"}};
    other.Make();
    kutest::PlantedRegistry machine(Machine32());
    machine.String(HKEY_LOCAL_MACHINE, kVendorKey, "Installdir", other.folder + "\\");
    kutest::RecordingLauncher launcher;
    kutest::RecordingDialogs dialogs;
    dialogs.answers = {IDNO, IDYES, IDOK};
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    spectest::WizardDriver wizard;
    ASSERT_TRUE(wizard.Choose(kMightyMax));
    wizard.form.StepBitBtnClick();
    wizard.form.StepBitBtnClick();
    EXPECT_EQ(spectest::Upper(
                  kutest::ItemTexts(wizard.Item(IDC_SPECIAL_LISTFILE), LB_GETCOUNT, LB_GETTEXT)),
              spectest::Upper(other.files));
    other.Install(machine);
    wizard.form.StepBitBtnClick();
    const kutest::Difference onDrive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());

    EXPECT_EQ(onDrive.removed, std::vector<std::string>());
    for (const std::string& file : other.files)
        EXPECT_TRUE(kutest::FileThere(file)) << "deleted: " << file;
    EXPECT_EQ(ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISH)) + "|" +
                  ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISHMESSAGE)),
              "The uninstall is finished.|2 items could not be removed.");
    other.Remove();
}
