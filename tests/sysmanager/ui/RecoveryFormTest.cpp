// The System Manager window under the virtual display: pages, a backup while it runs and after,
// closing while it runs, and a network backup that cannot run.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/ui/FileDialogs.h"
#include "support/RecordingDialogs.h"
#include "support/NetshLauncher.h"
#include "support/Sandbox.h"
#include "support/WindowsLikeHives.h"
#include "sysmanager/BootFiles.h"
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

// Network settings through the window, the fake netsh behind the launcher: a cancelled dialog,
// a tool that cannot start, a backup and its restore; each ends its label's blinking.
TEST(RecoveryForm, NetworkBackupAndRestoreTellTheOutcomeAndEndTheirBlinking) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("NewBackup.nic"), log = ku::ProgramDir() + "NICLog.txt";
    kutest::NetshLauncher launcher;
    kutest::RecordingDialogs boxes;
    std::string choice, dialogs; // each dialog: "title@initial folder;"
    ku::SetFileDialogHook([&](ku::FileDialogCall& call) {
        dialogs += call.title + "@" + call.initialDir + ";";
        call.fileName = choice;
        return !choice.empty();
    });
    OpenForm open;
    // told: the start of the one message ("": none); kept: the backup file there afterwards.
    const struct { bool restore, choose, launches; const char* told; bool kept; } cases[] = {
        {false, false, true, "", false},
        {false, true, false, "NIC Settings Back up failed!", false},
        {false, true, true, "NIC Settings Back up completely!", true},
        {true, true, false, "NIC Settings restore failed!", true},
        {true, true, true, "", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        choice = c.choose ? file : "";
        launcher.ok = c.launches;
        const size_t before = boxes.Texts().size();
        open.Click(c.restore ? IDC_SM_RESTOREPAGE : IDC_SM_BACKUPPAGE);
        open.Click(c.restore ? IDC_SM_NICRECOVERY : IDC_SM_NICBACKUPSBT);
        const ku::TLabel label = c.restore ? open.form.NICLabel() : open.form.NICBKLabel();
        EXPECT_TRUE(uitest::PumpUntil([&] { return !label.Visible(); }, 10000));
        EXPECT_FALSE(open.form.TimerOn(ku::TRecoveryForm::NICTimer));
        const std::vector<std::string> texts = boxes.Texts();
        EXPECT_EQ(texts.size() - before, *c.told ? 1u : 0u);
        if (*c.told && texts.size() > before)
            EXPECT_EQ(texts.back().rfind(c.told, 0), 0u) << texts.back();
        EXPECT_EQ(ku::FileExists(file), c.kept);
    }
    ku::SetFileDialogHook(nullptr);
    const std::string backup = "NIC Settings Backup@;", restore =
        "Open NIC Settings File@" + ku::ExtractFilePath(ku::ShortOrLongPath(file)) + ";";
    EXPECT_EQ(dialogs, backup + backup + backup + restore + restore);
    EXPECT_NE(kutest::ReadAll(file).find("set address name=\"Local Area Connection\""),
              std::string::npos);
    EXPECT_NE(kutest::ReadAll(log).find("lines set."), std::string::npos);
    const ku::LaunchRequest shown = launcher.Requests().back();
    EXPECT_EQ(std::make_pair(shown.commandLine, shown.show),
              std::make_pair("NOTEPAD.EXE  \"" + log + "\"", int(SW_SHOWMAXIMIZED)));
}
