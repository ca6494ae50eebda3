// How the wizard's runs end as a user reads them: an uninstaller that never started is said to
// be one, the force mode asks about its folder before its last page speaks, the last page
// counts what stayed and why, and on 32-bit Windows the wizard answers while the registry is
// backed up.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "core/ui/UiSupport.h"
#include "support/AnswerTime.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/SlowExport.h"
#include "support/Spawn.h"
#include "support/WideNames.h"

using namespace ku;

namespace {

bool StartsWith(const std::string& text, const char* start) {
    return text.rfind(start, 0) == 0;
}

class WizardEnds : public wizardtest::WizardWindow {
  protected:
    WizardEnds() : WizardWindow("KuEndsDemo") {}
    std::string Finish() const {
        return WindowText(Item(IDC_STEP_ABFINISH)) + "|" +
               WindowText(Item(IDC_STEP_ABFINISHMESSAGE));
    }
    // From the Result page to the end of the removal.
    void Remove() {
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), PageFinish);
        form.WaitForRemoval();
        uitest::PumpMessages(50);
    }
};

} // namespace

// The program's own uninstaller: one that ran and left its entry, and one whose file is not
// there, which the question says never started.
TEST(WizardUninstaller, TheQuestionSaysWhenTheUninstallerNeverStarted) {
    RegistryView64 = false;
    ScanState = ScanRun;
    const std::string name = "KuNeverStarted" + std::to_string(GetCurrentProcessId());
    const std::string folder = wizardtest::ProgramFiles32() + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(kutest::Fixture("wizard\\kuspawn.exe").c_str(),
                          (folder + "\\uninst.exe").c_str(), FALSE));
    kutest::PlantedRegistry entry(KEY_WOW64_32KEY);
    entry.String(HKEY_LOCAL_MACHINE,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name, "DisplayName",
                 name);
    const struct {
        const char* file;
        bool started;
    } cases[] = {{"uninst.exe", true}, {"gone.exe", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string uninstaller = folder + "\\" + c.file;
        std::string asked;
        wizardtest::RunWizard(name, name, "\"" + uninstaller + "\"",
                              [&](const MessageBoxCall& call) {
                                  if (ContainsText(call.text, "did not remove"))
                                      asked = call.text;
                                  return IDNO; // the wizard closes with nothing deleted
                              });
        EXPECT_EQ(ContainsText(asked, "could not be started"), !c.started) << asked;
        EXPECT_EQ(ContainsText(asked, "\"" + uninstaller + "\" does not exist"), !c.started)
            << asked;
    }
    EXPECT_TRUE(kutest::FileThere(folder + "\\uninst.exe.ran"));
    wizardtest::RemoveTree(folder);
}

// Asked whether to delete the folder, the user reads no outcome yet; the last page then says
// whether the folder stayed.
TEST_F(WizardEnds, TheForceFolderQuestionComesFirstAndTheLastPageSaysIfTheFolderStayed) {
    const std::string folder = dir.File("Ku Ends Folder " + std::to_string(GetCurrentProcessId()));
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\kuends.dat"));
    Open(1);
    std::string atQuestion;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        if (StartsWith(call.text, "Are you sure to delete this directory")) {
            atQuestion = Finish();
            return IDNO; // the folder stays
        }
        if ((call.type & 0xF) != MB_YESNO)
            return IDOK;
        return StartsWith(call.text, "Would you like to backup") ? IDNO : IDYES;
    });
    SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str());
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageResult);
    Remove();
    EXPECT_FALSE(ContainsText(atQuestion, "Congratulations") ||
                 ContainsText(atQuestion, "complete"))
        << atQuestion;
    EXPECT_EQ(Finish(), "The uninstall is finished.|The folder stayed.");
    EXPECT_TRUE(ContainsText(WindowText(Item(IDC_STEP_FINISHDETAILS)), folder));
    EXPECT_TRUE(kutest::PathExists(folder));
    EXPECT_FALSE(kutest::PathExists(folder + "\\kuends.dat"));
}

// A key named after the program in characters the code page cannot hold is left alone by the
// scan: the last page counts it and names it, the program's own key goes.
TEST_F(WizardEnds, TheLastPageCountsWhatTheScanLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring greek = std::wstring(L"Software\\") + kutest::kOmega + L"mega KuEndsDemo";
    ASSERT_TRUE(kutest::WideSetString(HKEY_CURRENT_USER, greek, L"Home", L"x"));
    kutest::PlantedRegistry registry;
    registry.String(HKEY_CURRENT_USER, "Software\\KuEndsDemo", "Home", "x");
    Open(0);
    SetMessageBoxHook(
        [](const MessageBoxCall& call) { return (call.type & 0xF) == MB_YESNO ? IDYES : IDOK; });
    form.StepBitBtnClick();
    {
        // The drive's files name nothing of it: the file scan is skipped.
        wizardtest::Clicker skip(form.Handle(), {{IDC_STEP_FILESKIPBTN, IDC_STEP_FILESKIPBTN}});
        form.StepBitBtnClick();
    }
    ASSERT_EQ(form.PageIndex(), PageResult);
    Remove();
    const bool greekStayed = kutest::WideKeyExists(HKEY_CURRENT_USER, greek);
    RegDeleteKeyW(HKEY_CURRENT_USER, greek.c_str());
    EXPECT_EQ(Finish(), "The uninstall is finished.|1 item was left alone.");
    const std::string details = WindowText(Item(IDC_STEP_FINISHDETAILS));
    EXPECT_TRUE(ContainsText(details, "Left alone, as their names hold characters") &&
                ContainsText(details, "\\?mega KuEndsDemo"))
        << details;
    EXPECT_TRUE(greekStayed);
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CURRENT_USER, "Software\\KuEndsDemo"));
}

// On 32-bit Windows the force removal offers the registry backup: while regedit writes, the
// wizard answers within a tenth of a second and says how much is written, neither Cancel nor
// the close box ends it, the removal goes on afterwards and the "Restore" box is the wizard's.
TEST_F(WizardEnds, TheForceWizardAnswersWhileTheRegistryIsBackedUp) {
    if (kutest::RunningUnderWow64())
        GTEST_SKIP() << "only 32-bit Windows offers the backup";
    const std::string folder = dir.File("Ku Ends Backup " + std::to_string(GetCurrentProcessId()));
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\kuends.dat"));
    Open(1);
    kutest::SlowExport exporter;
    std::vector<MessageBoxCall> calls;
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        calls.push_back(call);
        return (call.type & 0xF) == MB_YESNO ? IDYES : IDOK;
    });
    SetWindowTextA(Item(IDC_STEP_TXTPATH), folder.c_str());
    form.StepBitBtnClick();
    ASSERT_EQ(form.PageIndex(), PageResult);
    const HWND window = form.Handle(), message = Item(IDC_STEP_ABFINISHMESSAGE),
               cancel = Item(IDC_STEP_CANCELBITBTN);
    kutest::AnswerTimes times;
    bool progressShown = false, cancelOff = true;
    std::thread user([&] {
        if (!kutest::WaitFor([&] { return exporter.started.load(); }, 20000))
            return;
        for (const DWORD start = GetTickCount();
             (GetTickCount() - start < 1000 || times.Samples() < 10) &&
             GetTickCount() - start < 20000;
             Sleep(10)) {
            times.Ping(window);
            char text[256] = {};
            DWORD_PTR copied = 0;
            SendMessageTimeoutA(message, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                SMTO_NORMAL, 1000, &copied);
            progressShown |= ContainsText(text, "MB written");
            cancelOff = cancelOff && !IsWindowEnabled(cancel);
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, &result);
        exporter.finish = true;
    });
    Remove();
    exporter.finish = true;
    user.join();
    EXPECT_GE(times.Samples(), 10);
    EXPECT_LT(times.Worst(), 100u) << "the wizard did not answer during the export";
    EXPECT_TRUE(progressShown) << "no progress of the export shown";
    EXPECT_TRUE(cancelOff) << "Cancel looked live while nothing could stop the export";
    ASSERT_NE(form.Handle(), nullptr) << "the close box ended the wizard under the export";
    EXPECT_FALSE(kutest::PathExists(folder)) << "the removal did not go on after the backup";
    bool restore = false;
    for (const MessageBoxCall& call : calls) {
        EXPECT_EQ(call.owner, window) << call.text;
        restore |= call.caption == "Restore";
    }
    EXPECT_TRUE(restore);
}
