// The System Manager window under the virtual display: closing while a backup runs, and the
// network settings' backup and restore.
#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>
#include <shlobj.h>

#include <thread>

#include "UiSupport.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "core/ui/FileDialogs.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"
#include "support/WideNames.h"
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

namespace {

// The user at the real open or save dialog titled `title`, from a thread of its own (the dialog
// runs modally on the window's thread): once it shows, types `name` into its file name box and
// presses its default button.
class DialogUser {
  public:
    DialogUser(const std::wstring& title, const std::wstring& name)
        : thread_([this, title, name] { answered = Answer(title, name); }) {}
    ~DialogUser() { thread_.join(); }
    bool answered = false;

  private:
    static bool Answer(const std::wstring& title, const std::wstring& name) {
        return kutest::WaitFor(
            [&] {
                const HWND dialog = FindWindowW(L"#32770", title.c_str());
                HWND box = dialog ? GetDlgItem(dialog, cmb13) : nullptr;
                if (dialog && !box)
                    box = GetDlgItem(dialog, edt1);
                if (!box || !IsWindowVisible(dialog))
                    return false;
                Sleep(300); // a user's moment after it showed
                SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                return true;
            },
            30000);
    }
    std::thread thread_;
};

const char* const kNicKey = "Software\\Zentrel Uninstaller";

// The names in a folder but "." and "..", each followed by a blank.
std::string EntriesOf(const std::string& folder) {
    std::string names;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names += std::string(found.cFileName) + " ";
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return names;
}

std::string Refusal(const std::string& what, const std::string& shown) {
    return "The " + what + " \"" + shown +
           "\" holds characters this program cannot handle and cannot be chosen.";
}

} // namespace

// Chosen in the real dialogs, a name the code page cannot hold is refused as the folder picker
// refuses one: the backup to "Ωmega2.nic" leaves its twin "Omega2.nic" and the remembered
// backup as they were, the restore of "Ωmega.nic" runs nothing on its twin "Omega.nic"; a
// Latin-1 name still goes through.
TEST(RecoveryForm, FileDialogsRefuseNamesTheCodePageCannotHold) {
    kutest::ScratchDir dir;
    const std::wstring wideDir = ku::WideFromAnsi(dir.Path() + "\\");
    const std::string twinBackup = dir.File("Omega2.nic"), twinRestore = dir.File("Omega.nic");
    ASSERT_TRUE(kutest::WriteTextFile(twinBackup, "twin backup\r\n"));
    ASSERT_TRUE(kutest::WriteTextFile(twinRestore, "twin commands\r\n"));
    ASSERT_TRUE(kutest::WideFile(wideDir + kutest::kOmega + L"mega.nic"));
    const std::string latin1 = dir.File("\xDCmega3.nic"); // "Ü" in the Western code page
    NetshLauncher launcher;
    kutest::RecordingDialogs boxes;
    OpenForm open;
    const auto remembered = [] {
        return kutest::RawReadString(HKEY_LOCAL_MACHINE, kNicKey, "NICSetting", KEY_WOW64_64KEY);
    };
    const std::string before = remembered();
    const struct {
        bool restore;
        std::wstring name;
        std::string told; // the start of the one message
    } cases[] = {
        {false, kutest::kOmega + std::wstring(L"mega2.nic"),
         Refusal("file", dir.File("?mega2.nic"))},
        {true, kutest::kOmega + std::wstring(L"mega.nic"), Refusal("file", dir.File("?mega.nic"))},
        {false, ku::WideFromAnsi("\xDCmega3.nic"), "NIC Settings Back up completely!"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const size_t told = boxes.Texts().size(), launched = launcher.Requests().size();
        open.Click(c.restore ? IDC_SM_RESTOREPAGE : IDC_SM_BACKUPPAGE);
        DialogUser user(c.restore ? L"Open NIC Settings File" : L"NIC Settings Backup",
                        wideDir + c.name);
        open.Click(c.restore ? IDC_SM_NICRECOVERY : IDC_SM_NICBACKUPSBT);
        const ku::TLabel label = c.restore ? open.form.NICLabel() : open.form.NICBKLabel();
        EXPECT_TRUE(uitest::PumpUntil([&] { return !label.Visible(); }, 40000));
        ASSERT_EQ(boxes.Texts().size(), told + 1);
        EXPECT_EQ(boxes.Texts().back().substr(0, c.told.size()), c.told);
        if (c.told.rfind("The file", 0) == 0) {
            EXPECT_EQ(launcher.Requests().size(), launched) << "netsh ran";
            EXPECT_EQ(remembered(), before);
        }
    }
    EXPECT_EQ(kutest::ReadAll(twinBackup), "twin backup\r\n");
    EXPECT_FALSE(kutest::WidePathExists(wideDir + kutest::kOmega + L"mega2.nic"));
    EXPECT_NE(kutest::ReadAll(latin1).find("set address name="), std::string::npos);
    for (const auto& request : launcher.Requests())
        EXPECT_EQ(request.commandLine.find("Omega"), std::string::npos) << request.commandLine;
}

// The backup folder box holding a name the code page cannot hold: the backup is refused with
// the picker's words and writes nothing into the folder its best-fit form names.
TEST(RecoveryForm, BackupFolderTheCodePageCannotHoldIsRefused) {
    kutest::WindowsLikeHives hives;
    kutest::ScratchDir dir;
    const std::string twin = dir.File("Omega Rbackup");
    ASSERT_TRUE(CreateDirectoryA(twin.c_str(), nullptr));
    const std::wstring greek =
        ku::WideFromAnsi(dir.Path() + "\\") + kutest::kOmega + L"mega Rbackup";
    ASSERT_TRUE(kutest::WideFolder(greek));
    kutest::RecordingDialogs boxes;
    OpenForm open;
    SendMessageW(open.form.DirEdit().Handle(), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(greek.c_str()));
    open.Click(IDC_SM_BACKUPSBT);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !boxes.Texts().empty(); }, 20000));
    EXPECT_EQ(boxes.Texts()[0],
              "Failed to back up the registry!\n\n" + Refusal("folder", dir.File("?mega Rbackup")));
    EXPECT_TRUE(hives.Calls("save").empty());
    EXPECT_TRUE(
        uitest::PumpUntil([&] { return IsWindowEnabled(open.form.BackupSBt().Handle()); }, 10000));
    EXPECT_EQ(EntriesOf(twin), "") << "written into the twin";
}
