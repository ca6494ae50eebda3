// The System Manager window under the virtual display: closing while a backup runs, and the
// network settings' backup and restore.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "UiSupport.h"
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "core/ui/FileDialogs.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"
#include "support/WindowsLikeHives.h"
#include "sysmanager/RegstoreFunUnit.h"
#include "sysmanager/ui/SysManagerUnit.h"

namespace {

// The launcher seam with Wine's stub netsh replaced by the fake one of the fixtures:
// command-interpreter runs are started for real with "netsh" pointing at the fake; anything else
// (Notepad ...) is only recorded.
struct NetshLauncher : kutest::RecordingLauncher {
    ku::LaunchResult Launch(const ku::LaunchRequest& request) override {
        ku::LaunchRequest changed = request;
        const bool viaCmd = ku::StartsText(request.commandLine, "cmd.exe ");
        if (viaCmd)
            changed.commandLine =
                ku::ReplaceAll(request.commandLine, " netsh ", " " + kutest::Fixture(netsh) + " ");
        forward = viaCmd && ok;
        return RecordingLauncher::Launch(changed);
    }
    std::string netsh = "FakeNetsh.exe"; // a fixture, or a name of none for a failing netsh
};

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

} // namespace

TEST(RecoveryForm, ClosingWhileABackupRunsWaitsForIt) {
    kutest::WindowsLikeHives hives;
    hives.HoldSaves();
    hives.failOn = "SYSTEM";
    kutest::RecordingDialogs boxes;
    OpenForm open;
    const auto backups = [] { return ku::ListRegistryBackups(ku::DefaultBackupFolder()).size(); };
    const size_t before = backups();
    open.Click(IDC_SM_BACKUPSBT);
    uitest::PumpMessages(300);
    // No restore can start over a backup that is still being written.
    open.Click(IDC_SM_RESTOREPAGE);
    EXPECT_FALSE(IsWindowEnabled(open.form.RegRecovery().Handle()));
    open.Click(IDC_SM_CLOSEBTN);
    uitest::PumpMessages(300);
    EXPECT_TRUE(IsWindow(open.form.Handle()));
    hives.Open();
    EXPECT_TRUE(uitest::PumpUntil([&] { return open.form.Handle() == nullptr; }, 10000));
    // The failure is told, and no half backup stays behind.
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Failed to back up the registry!", 0), 0u);
    EXPECT_EQ(backups(), before);
}

// Network settings through the window, the fake netsh behind the launcher: a cancelled dialog,
// a tool that cannot start, a backup and its restore; each ends its label's blinking.
TEST(RecoveryForm, NetworkBackupAndRestoreTellTheOutcomeAndEndTheirBlinking) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("NewBackup.nic"), log = ku::ProgramDir() + "NICLog.txt";
    NetshLauncher launcher;
    kutest::RecordingDialogs boxes;
    std::string choice;
    ku::SetFileDialogHook([&](ku::FileDialogCall& call) {
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
        EXPECT_EQ(texts.size() > before ? texts.back().substr(0, strlen(c.told)) : "", c.told);
        EXPECT_EQ(ku::FileExists(file), c.kept);
    }
    ku::SetFileDialogHook(nullptr);
    EXPECT_NE(kutest::ReadAll(file).find("set address name=\"Local Area Connection\""),
              std::string::npos);
    EXPECT_NE(kutest::ReadAll(log).find("lines set."), std::string::npos);
    EXPECT_EQ(launcher.Requests().back().commandLine, "NOTEPAD.EXE  \"" + log + "\"");
}

// The program's temporary dump folders still there.
int DumpFoldersLeft() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(temp), temp);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((std::string(temp) + "KU-nic-*").c_str(), &found);
    int count = 0;
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
        ++count;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return count;
}

// Into Documents, whose files the delete guard keeps: a failed backup leaves no file there nor
// a temporary one, and an earlier backup of that name as it was; a good one replaces it.
TEST(RecoveryForm, FailedNetworkBackupLeavesNothingAndKeepsAnEarlierOne) {
    const std::string file = kutest::ShellFolder(CSIDL_PERSONAL) + "\\KuTestNewBackup.nic";
    DeleteFileA(file.c_str());
    NetshLauncher launcher;
    kutest::RecordingDialogs boxes;
    ku::SetFileDialogHook([&](ku::FileDialogCall& call) {
        call.fileName = file;
        return true;
    });
    OpenForm open;
    const std::string earlier = "earlier backup\r\n";
    const char* const failed = "NIC Settings Back up failed!";
    // netsh: the program standing in for it ("NoSuchNetsh.exe": cmd cannot find it).
    const struct { bool before, launches; const char* netsh; const char* told; } cases[] = {
        {false, false, "FakeNetsh.exe", failed},  {false, true, "NoSuchNetsh.exe", failed},
        {true, false, "FakeNetsh.exe", failed},   {true, true, "NoSuchNetsh.exe", failed},
        {true, true, "FakeNetsh.exe", "NIC Settings Back up completely!"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        if (c.before) {
            ASSERT_TRUE(kutest::WriteTextFile(file, earlier));
        }
        launcher.ok = c.launches;
        launcher.netsh = c.netsh;
        const size_t before = boxes.Texts().size();
        open.Click(IDC_SM_BACKUPPAGE);
        open.Click(IDC_SM_NICBACKUPSBT);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !open.form.NICBKLabel().Visible(); }, 10000));
        ASSERT_EQ(boxes.Texts().size(), before + 1);
        EXPECT_EQ(boxes.Texts().back().rfind(c.told, 0), 0u) << boxes.Texts().back();
        // The new dump, else the earlier backup as it was, else no file at all.
        const std::string after = kutest::FileThere(file) ? kutest::ReadAll(file) : "none";
        if (std::string(c.told) != failed) {
            EXPECT_NE(after.find("set address name="), std::string::npos);
        } else {
            EXPECT_EQ(after, c.before ? earlier : "none");
        }
        EXPECT_EQ(DumpFoldersLeft(), 0);
        DeleteFileA(file.c_str());
    }
    ku::SetFileDialogHook(nullptr);
}
