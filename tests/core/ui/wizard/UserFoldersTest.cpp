// A user whose folders the code page cannot name ("Łukasz" on a Western system) beside another
// user's folder of the best-fit name ("Lukasz"): a per-user program whose uninstall command
// names its folder by the variable is left alone with a message; the other user's program of
// the same place is never started, scanned or deleted. Checked by difference of the whole
// registry and drive C:.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include "WizardSupport.h"
#include "core/system/SharedState.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"
#include "support/WideNames.h"

using namespace ku;

namespace {

const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The user's "Local AppData" shell folder and the variable Windows sets from it at logon,
// both pointing at `folder` until the end of the test.
class LocalAppDataAt {
  public:
    explicit LocalAppDataAt(const std::wstring& folder) {
        wchar_t value[1024] = {};
        DWORD size = sizeof(value) - sizeof(wchar_t);
        hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData",
                                 RRF_RT_ANY | RRF_NOEXPAND, &type_, value, &size) == ERROR_SUCCESS;
        value_ = value;
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value, 1024);
        variable_.assign(value, length < 1024 ? length : 0);
        Set(folder, REG_EXPAND_SZ);
        SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
    }
    ~LocalAppDataAt() {
        if (hadValue_)
            Set(value_, type_);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData");
        SetEnvironmentVariableW(L"LOCALAPPDATA", variable_.empty() ? nullptr : variable_.c_str());
    }

  private:
    static void Set(const std::wstring& folder, DWORD type) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData", type, folder.c_str(),
                        static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    bool hadValue_ = false;
    DWORD type_ = REG_EXPAND_SZ;
    std::wstring value_, variable_;
};

// A folder of the test's own at the drive's top, where the whole drive's difference sees it
// (the scratch folders are left out of it).
class TopFolder {
  public:
    TopFolder() : path_("C:\\KuUsers" + std::to_string(GetCurrentProcessId())) {
        kutest::RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TopFolder() { kutest::RemoveTree(path_); }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

TEST(UserFolders, AProgramInAFolderTheCodePageCannotNameIsLeftAloneNotItsTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    RegistryView64 = false;
    ScanState = ScanRun;
    TopFolder users;
    const std::wstring own = kutest::WideOf(users.Path()) + L"\\\u0141ukasz\\AppData\\Local";
    const std::string twin = users.File("Lukasz\\AppData\\Local");
    for (const std::wstring& folder : {own, kutest::WideOf(twin)}) {
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, (folder + L"\\qp").c_str(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_TRUE(CopyFileW(kutest::WideOf(kutest::Fixture("wizard\\kuspawn.exe")).c_str(),
                              (folder + L"\\qp\\zuninst.exe").c_str(), FALSE));
        ASSERT_TRUE(kutest::WideFile(folder + L"\\qp\\notes.dat"));
    }
    const LocalAppDataAt localAppData(own);
    const std::string command = "\"%LOCALAPPDATA%\\qp\\zuninst.exe\" /S";
    kutest::PlantedRegistry entry(KEY_WOW64_32KEY);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillPad2";
    entry.String(HKEY_LOCAL_MACHINE, key, "DisplayName", "Quill Pad 2");
    entry.Value(HKEY_LOCAL_MACHINE, key, "UninstallString", REG_EXPAND_SZ,
                kutest::StringBytes(command));
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    // Yes to every question but scanning with the entry still there.
    const wizardtest::WizardRun run =
        wizardtest::RunWizard("Quill Pad 2", "QuillPad2", command, [](const MessageBoxCall& call) {
            return call.text.find("did not remove") != std::string::npos ? IDNO : IDYES;
        });
    ASSERT_EQ(run.questions.size(), 1u);
    EXPECT_NE(run.questions[0].find("\"Quill Pad 2\" cannot be started"), std::string::npos)
        << run.questions[0];
    EXPECT_FALSE(kutest::PathExists(twin + "\\qp\\zuninst.exe.ran")) << "the twin was started";
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    EXPECT_EQ(registry.removed, wizardtest::Lines{});
    EXPECT_EQ(registry.added, wizardtest::Lines{});
    EXPECT_EQ(drive.removed, wizardtest::Lines{});
    EXPECT_EQ(drive.added, wizardtest::Lines{});
}
