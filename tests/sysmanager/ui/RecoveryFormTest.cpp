// The System Manager window under the virtual display: pages, a backup while it runs and after,
// the DOS-mode entry and logon backup as a user sets them, and a failing network backup.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/FileDialogs.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/WindowsLikeHives.h"
#include "sysmanager/DosRestore.h"
#include "sysmanager/RegstoreFunUnit.h"
#include "sysmanager/ui/SysManagerUnit.h"

namespace {

// The window, shown modeless so that the test thread runs its messages.
struct OpenForm {
    OpenForm() {
        ku::RecoveryForm = &form;
        EXPECT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(200);
    }
    ~OpenForm() { ku::RecoveryForm = nullptr; }
    void Click(int id) { uitest::ClickControl(form.Item(id)); }
    ku::TRecoveryForm form;
};

std::vector<std::string> Backups() {
    return ku::ListRegistryBackups(ku::DefaultBackupFolder());
}

} // namespace

TEST(RecoveryForm, ABackupHoldsRestoreBackAndTheRestorePageThenListsIt) {
    kutest::WindowsLikeHives hives;
    hives.HoldSaves();
    kutest::RecordingDialogs boxes;
    OpenForm open;
    ku::TRecoveryForm& form = open.form;
    EXPECT_EQ(std::make_tuple(form.ActivePage(), form.DirEdit().Text(),
                              form.AutoCheckBox().Visible()),
              std::make_tuple(int(ku::TRecoveryForm::BackupPageIndex),
                              ku::GetSystemDir().substr(0, 2) + "\\Rbackup", true));
    open.Click(IDC_SM_BACKUPSBT);
    ASSERT_TRUE(
        uitest::PumpUntil([&] { return !IsWindowEnabled(form.BackupSBt().Handle()); }, 3000));
    EXPECT_FALSE(IsWindowEnabled(form.RegRecoveryDOS().Handle()));
    EXPECT_EQ(form.ProgressExPanel().Visible() ? form.ProgressExPanel().Text() : "",
              "Please wait!");
    EXPECT_TRUE(form.TimerOn(ku::TRecoveryForm::Timer1));
    // Another page and back: the progress stays; a restore click does nothing meanwhile.
    open.Click(IDC_SM_RESTOREPAGE);
    EXPECT_FALSE(IsWindowEnabled(form.RegRecovery().Handle()));
    open.Click(IDC_SM_BACKUPPAGE);
    EXPECT_TRUE(form.ProgressExPanel().Visible());

    hives.Open();
    ASSERT_TRUE(uitest::PumpUntil(
        [&] { return form.ActivePage() == ku::TRecoveryForm::RestorePageIndex; }, 10000));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_FALSE(form.TimerOn(ku::TRecoveryForm::Timer1));
    const std::vector<std::string> backups = Backups();
    ASSERT_FALSE(backups.empty());
    ku::TStringGrid grid = form.RegStringGrid();
    EXPECT_EQ(grid.SelectedRow(), grid.RowCount() - 1);
    EXPECT_EQ(grid.Cell(grid.SelectedRow(), 1).rfind(backups.back() + "[@", 0), 0u);
    EXPECT_TRUE(IsWindowEnabled(form.RegRecovery().Handle()));
    uitest::SaveScreenshot(form.Handle(), "SysManagerRestorePage");
    ku::DeleteDirectoryTree(ku::DefaultBackupFolder() + "\\" + backups.back());
}

TEST(RecoveryForm, ClosingWhileABackupRunsWaitsForIt) {
    kutest::WindowsLikeHives hives;
    hives.HoldSaves();
    hives.failOn = "SYSTEM";
    kutest::RecordingDialogs boxes;
    OpenForm open;
    const size_t before = Backups().size();
    open.Click(IDC_SM_BACKUPSBT);
    uitest::PumpMessages(300);
    open.Click(IDC_SM_CLOSEBTN);
    uitest::PumpMessages(300);
    EXPECT_TRUE(IsWindow(open.form.Handle()));
    hives.Open();
    EXPECT_TRUE(uitest::PumpUntil([&] { return open.form.Handle() == nullptr; }, 10000));
    // The failure is told, and no half backup stays behind.
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Failed to back up the registry!", 0), 0u);
    EXPECT_EQ(Backups().size(), before);
}

// Windows XP (the sandbox runs this program as XP) with a boot.ini of its own.
TEST(RecoveryForm, DosEntryAndLogonBackupAsTheUserSetsThem) {
    const std::string boot = "c:\\boot.ini";
    const std::string bootText = "[boot loader]\r\n[operating systems]\r\n";
    ASSERT_FALSE(ku::FileExists(boot));
    kutest::WriteTextFile(boot, bootText);
    for (const char* file : {"GRLDR", "dos.img"})
        CopyFileA((std::string(kutest::kFixtureDir) + "\\dosrestore\\" + file).c_str(),
                  (ku::ProgramDir() + file).c_str(), FALSE);
    kutest::RecordingDialogs boxes;
    {
        OpenForm open;
        open.Click(IDC_SM_RESTOREPAGE);
        for (const char* told : {"Set restore", "Cancel restore"}) {
            open.Click(IDC_SM_REGRECOVERYDOS);
            EXPECT_EQ(boxes.Texts().back(), told + std::string(" function in DOS completely!"));
        }
        EXPECT_EQ(kutest::ReadAll(boot), bootText);
        open.Click(IDC_SM_BACKUPPAGE);
        for (bool on : {true, false}) {
            SendMessageA(open.form.AutoCheckBox().Handle(), BM_CLICK, 0, 0);
            EXPECT_EQ(std::make_pair(open.form.AutoCheckBox().Checked(), ku::IsAutoBackupOnBoot()),
                      std::make_pair(on, on));
        }
        open.form.Close();
    }
    // Closing protects the boot files again.
    EXPECT_TRUE(GetFileAttributesA(boot.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    for (const char* file : {"c:\\boot.ini", "c:\\boot.bakku"}) {
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file);
    }
}

TEST(RecoveryForm, ANetworkBackupThatCannotRunStillEndsItsBlinking) {
    kutest::ScratchDir dir;
    kutest::RecordingLauncher launcher;
    launcher.ok = false;
    std::vector<std::string> titles;
    ku::SetFileDialogHook([&](ku::FileDialogCall& call) {
        titles.push_back(call.title);
        call.fileName = dir.File("NewBackup.nic");
        return true;
    });
    kutest::RecordingDialogs boxes;
    OpenForm open;
    open.Click(IDC_SM_NICBACKUPSBT);
    EXPECT_TRUE(uitest::PumpUntil(
        [&] { return !open.form.NICBKLabel().Visible() && !boxes.Texts().empty(); }, 10000));
    EXPECT_FALSE(open.form.TimerOn(ku::TRecoveryForm::NICTimer));
    ku::SetFileDialogHook(nullptr);
    EXPECT_EQ(titles, std::vector<std::string>{"NIC Settings Backup"});
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("NIC Settings Back up failed!", 0), 0u);
    EXPECT_FALSE(ku::FileExists(dir.File("NewBackup.nic")));
}
