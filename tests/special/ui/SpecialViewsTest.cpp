// A 32-bit application on 64-bit Windows, removed through the special wizard as a user does:
// its machine keys lie below Wow6432Node and its files in "Program Files (x86)". The whole
// registry and drive are compared before and after, and the last page must say what happened:
// all gone, some items still there, or nothing of the application found.
#include <gtest/gtest.h>

#include <set>

#include <shlobj.h>

#include "UiSupport.h"
#include "WizardDriver.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RealService.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace {

using spectest::Names;
using spectest::Upper;

const char kCaption[] = "PC MightyMax v9(For 32bit)";
const char kVendorKey[] = "SOFTWARE\\PC MightyMax";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KuPC MightyMax";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUserKey[] = "Software\\KuPC MightyMax";
const char kApp[] = "C:\\Program Files (x86)\\KuPC MightyMax";
const char kOther[] = "C:\\Program Files (x86)\\KuPC MightyMax Other";

// The profile's data file beside the test program, with the application's section; whatever
// file was there comes back afterwards.
class DataFile {
  public:
    explicit DataFile(const std::string& text)
        : path_(ku::ProgramDir() + "CodeC.dat"), before_(kutest::FileThere(path_)),
          old_(before_ ? kutest::ReadAll(path_) : std::string()) {
        kutest::WriteTextFile(path_, text);
    }
    ~DataFile() {
        if (before_)
            kutest::WriteTextFile(path_, old_);
        else
            DeleteFileA(path_.c_str());
    }

  private:
    std::string path_;
    bool before_;
    std::string old_;
};

std::string Section(const std::string& service) {
    return std::string("[UnitPCMightyMax9]\r\n") + "delRegkey(HKEY_LOCAL_MACHINE,'" + kVendorKey +
           "')\r\ndelRegkey(HKEY_LOCAL_MACHINE,'" + kUninstall + "')\r\n" +
           "delRegkeyvalue(HKEY_LOCAL_MACHINE,'" + kRun + "','KuMightyMax')\r\n" +
           "delRegkey(HKEY_CURRENT_USER,'" + kUserKey + "')\r\n[Services]\r\n" + service +
           "\r\n[/Services]\r\n[/UnitPCMightyMax9]\r\n";
}

// The 32-bit application as its installer leaves it, with the vendor's other product and a
// Run entry of another program beside it, in both views.
struct Installed32 {
    Installed32() : machine(KEY_WOW64_32KEY), native(KEY_WOW64_64KEY) {
        for (const std::string& folder : {std::string(kApp) + "\\sub", std::string(kOther)})
            SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        for (const std::string& file : {exe, data, keep})
            kutest::WriteTextFile(file);
        machine.String(HKEY_LOCAL_MACHINE, kVendorKey, "Installdir", std::string(kApp) + "\\");
        machine.String(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName", "PC MightyMax");
        machine.String(HKEY_LOCAL_MACHINE, kRun, "KuMightyMax", exe);
        machine.String(HKEY_LOCAL_MACHINE, kRun, "KuKeepMe", keep);
        machine.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\KuPC MightyMax Other", "Dir", kOther);
        native.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\KuPC MightyMax Other", "Dir", kOther);
        native.String(HKEY_CURRENT_USER, kUserKey, "Scans", "12");
    }
    ~Installed32() {
        for (const std::string& file : {exe, data, keep})
            DeleteFileA(file.c_str());
        for (const std::string& folder :
             {std::string(kApp) + "\\sub", std::string(kApp), std::string(kOther)})
            RemoveDirectoryA(folder.c_str());
    }

    const std::string exe = std::string(kApp) + "\\MightyMax.exe";
    const std::string data = std::string(kApp) + "\\sub\\scan.dat";
    const std::string keep = std::string(kOther) + "\\keep.dll";
    kutest::PlantedRegistry machine, native;
};

// The wizard from the choice to its last page, which it must reach.
spectest::WizardRun RemoveThroughTheWizard() {
    const spectest::WizardRun run = spectest::StepThrough(kCaption, "SpecialWizardFinish");
    EXPECT_EQ(run.lastPage, ku::SpecialPageFinish);
    return run;
}

std::string Entry(const std::string& key, const char* value = nullptr) {
    return ku::UpperCase(key + "\\" + (value ? "\\" + std::string(value) : ""));
}

TEST(SpecialViews, AThirtyTwoBitApplicationGoesFromBothPlacesAndNothingElse) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "a 64-bit Windows matter";
    const std::string service = "KuMightyMaxSvc" + std::to_string(GetCurrentProcessId());
    kutest::RealService monitor(service, kutest::Fixture("kusvc.exe") + " " + service,
                                SERVICE_WIN32_OWN_PROCESS);
    EXPECT_TRUE(monitor.Start());
    DataFile file(Section(service));
    Installed32 app;
    const spectest::WholeRemoval removal = spectest::RemoveWhole(kCaption, "SpecialWizardFinish");
    EXPECT_EQ(removal.lastPage, ku::SpecialPageFinish);
    const kutest::Difference &inRegistry = removal.inRegistry, &onDrive = removal.onDrive;
    const Names& listed = removal.listed;
    const std::string &title = removal.title, &message = removal.message;

    const std::string wow = "HKLM\\SOFTWARE\\Wow6432Node\\";
    const std::string vendor = wow + (kVendorKey + 9), entry = wow + (kUninstall + 9);
    EXPECT_EQ(Upper(kutest::Names(inRegistry.removed)),
              Upper({Entry(vendor), Entry(vendor, "Installdir"), Entry(entry),
                     Entry(entry, "DisplayName"), Entry(wow + (kRun + 9), "KuMightyMax"),
                     Entry(std::string("HKCU\\") + kUserKey),
                     Entry(std::string("HKCU\\") + kUserKey, "Scans")}));
    EXPECT_EQ(inRegistry.added, std::vector<std::string>());
    EXPECT_EQ(Names(onDrive.removed.begin(), onDrive.removed.end()), Upper({app.exe, app.data}));
    EXPECT_EQ(onDrive.added, std::vector<std::string>());
    EXPECT_EQ(listed, Upper({app.exe, app.data}));
    EXPECT_TRUE(kutest::WaitFor([&] { return monitor.State() == SERVICE_STOPPED; }));
    EXPECT_EQ(title + "|" + message, "Finish|The uninstall has been successfully finished.");
}

// A file the application still holds open cannot go: the last page counts it.
TEST(SpecialViews, TheLastPageCountsWhatStays) {
    if (!kutest::RunningUnderWow64())
        GTEST_SKIP() << "a 64-bit Windows matter";
    const char* session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const kutest::RawValue pending =
        kutest::RawReadValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");
    DataFile file(Section("KuNoSuchService"));
    Installed32 app;
    const ku::UniqueFile held(CreateFileA(app.data.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    kutest::RecordingLauncher launcher; // the delete through cmd.exe is not run
    kutest::RecordingDialogs dialogs;
    dialogs.answers = {IDNO, IDYES, IDOK};
    const spectest::WizardRun run = RemoveThroughTheWizard();
    const std::string &title = run.title, &message = run.message;
    if (pending.exists)
        kutest::RawSetValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations",
                            pending.type, pending.bytes);
    else
        kutest::RawDeleteValue(HKEY_LOCAL_MACHINE, session, "PendingFileRenameOperations");

    EXPECT_TRUE(kutest::FileThere(app.data));
    EXPECT_FALSE(kutest::FileThere(app.exe));
    EXPECT_EQ(title + "|" + message, "The uninstall is finished.|1 item could not be removed.");
}

// Nothing of the application on this computer: nothing is listed, no restart is asked for,
// and the last page says that nothing was found.
TEST(SpecialViews, TheLastPageSaysWhenNothingWasFound) {
    DataFile file(Section("KuNoSuchService"));
    kutest::RecordingLauncher launcher;
    kutest::RecordingDialogs dialogs;
    dialogs.answers = {IDNO, IDYES};
    const spectest::WizardRun run = RemoveThroughTheWizard();
    EXPECT_EQ(run.listed, Names());
    const std::string &title = run.title, &message = run.message;
    for (const std::string& text : dialogs.Texts())
        EXPECT_FALSE(ku::ContainsText(text, "restart")) << text;
    EXPECT_EQ(title + "|" + message,
              "Nothing found|Nothing of this application was found on this computer.");
}

} // namespace
