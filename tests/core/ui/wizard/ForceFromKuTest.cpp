// Force mode in the real KU.exe, as a user meets it: started with a program's folder (as the
// Explorer "Uninstall" entry starts it), the force wizard opens on that folder; clicked through
// twice, it removes first the running server program (service, Run entry, process), then the
// folder with its registry keys. The registry and the drive are compared before and after;
// the look-alike program beside it stays whole. The Force Uninstall button opens the same
// wizard, and a program file named on the command line goes into its program list.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "support/RealService.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace {

const char* const kSettings = "Software\\Kelvane Uninstaller";
const char* const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Text(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

struct Search {
    DWORD processId;
    std::function<bool(HWND)> wanted;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || !search->wanted(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND TopWindowOf(DWORD processId, std::function<bool(HWND)> wanted) {
    Search search{processId, std::move(wanted)};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The user at KU.exe: answers its message boxes and clicks through the force wizard.
class KuUser {
  public:
    explicit KuUser(const std::string& argument) : process_(kutest::StartKu(argument, &id_)) {}
    ~KuUser() {
        if (const HWND main = kutest::WindowsOf(id_).main)
            PostMessageA(main, WM_CLOSE, 0, 0);
        kutest::WaitForExit(process_.get(), 20000);
    }
    HWND Wizard() const {
        return TopWindowOf(id_,
                           [](HWND w) { return Text(w).rfind("Force Uninstall Wizard", 0) == 0; });
    }
    HWND Item(int id) const { return GetDlgItem(Wizard(), id); }
    // A user's click, a moment after the page showed.
    void Click(HWND button) const {
        Sleep(300);
        PostMessageA(button, BM_CLICK, 0, 0);
    }
    // Waits for condition, answering message boxes meanwhile: Yes where asked, No to the full
    // registry backup (a long export), OK otherwise.
    bool Until(const std::function<bool()>& condition, DWORD ms = 120000) {
        return kutest::WaitFor(
            [&] {
                if (const HWND box = MessageBox()) {
                    const std::string text = Text(GetDlgItem(box, 0xFFFF));
                    if (questions.empty() || questions.back() != text)
                        questions.push_back(text);
                    const int answer = !GetDlgItem(box, IDYES)                          ? IDOK
                                       : text.rfind("Would you like to backup", 0) == 0 ? IDNO
                                                                                        : IDYES;
                    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
                    Sleep(200);
                }
                return condition();
            },
            ms);
    }
    bool Shows(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    // From the Force page to the closed wizard.
    void Uninstall() {
        ASSERT_TRUE(Until([&] { return Shows(IDC_STEP_TXTPATH); }, 30000)) << "no force wizard";
        Click(Item(IDC_STEP_STEPBITBTN));
        ASSERT_TRUE(
            Until([&] { return Shows(IDC_STEP_REGLISTVIEW) || Shows(IDC_STEP_REGTREEVIEW); }));
        if (Shows(IDC_STEP_REGTREEVIEW)) {
            Click(Item(IDC_STEP_STEPBITBTN));
            ASSERT_TRUE(Until([&] { return Shows(IDC_STEP_REGLISTVIEW); }));
        }
        Click(Item(IDC_STEP_STEPBITBTN));
        // The removal ends with its closing text; Finish is clicked once that was answered.
        ASSERT_TRUE(Until([&] {
            return !MessageBox() && (Asked("The applications will be uninstalled.") ||
                                     Asked("The server program has been deleted."));
        }));
        ASSERT_TRUE(Until([&] {
            return !MessageBox() && IsWindowEnabled(Item(IDC_STEP_STEPBITBTN)) &&
                   Text(Item(IDC_STEP_ABFINISH)) == "Congratulations!";
        }));
        Click(Item(IDC_STEP_STEPBITBTN));
        ASSERT_TRUE(Until([&] { return !Wizard(); }));
    }
    bool Asked(const std::string& part) const {
        return std::any_of(questions.begin(), questions.end(),
                           [&](const std::string& q) { return q.find(part) != std::string::npos; });
    }
    HWND MessageBox() const {
        return TopWindowOf(id_, [](HWND w) {
            return GetDlgItem(w, IDOK) || GetDlgItem(w, IDYES) || GetDlgItem(w, IDNO);
        });
    }
    DWORD Id() const { return id_; }
    std::vector<std::string> questions;

  private:
    DWORD id_ = 0;
    ku::UniqueHandle process_;
};

// A program with a service, a Run entry and a running process, and its look-alike.
struct Program {
    std::string tag = std::to_string(GetCurrentProcessId());
    std::string name = "Ku Force Demo " + tag;
    std::string folder = wizardtest::ProgramFiles32() + "\\" + name, canary = folder + "Bar";
    std::string service = "KuForceDemo" + tag, run = "KuForceDemo" + tag;
    std::unique_ptr<kutest::RealService> services[2];
    std::unique_ptr<kutest::Sleeper> processes[2];

    Program() {
        const std::string folders[] = {folder, canary}, suffixes[] = {"", "Bar"};
        for (int i = 0; i < 2; ++i) {
            CreateDirectoryA(folders[i].c_str(), nullptr);
            CreateDirectoryA((folders[i] + "\\data").c_str(), nullptr);
            kutest::WriteTextFile(folders[i] + "\\data\\settings.ini", "[x]");
            processes[i] = std::make_unique<kutest::Sleeper>(folders[i], "kuforce.exe");
            // A freshly started service manager may refuse for a moment; a service of this
            // name that a killed run left behind goes with the refused attempt.
            kutest::WaitFor([&] {
                services[i] = std::make_unique<kutest::RealService>(
                    service + suffixes[i], "\"" + folders[i] + "\\kuforce.exe\" -service",
                    SERVICE_WIN32_OWN_PROCESS);
                return services[i]->Created();
            });
            kutest::RawSetString(HKEY_CURRENT_USER, kRun, run + suffixes[i],
                                 "\"" + folders[i] + "\\kuforce.exe\" /tray");
            kutest::RawSetString(HKEY_LOCAL_MACHINE,
                                 "SOFTWARE\\" + name + suffixes[i] + "\\Settings", "Home",
                                 folders[i]);
        }
    }
    ~Program() {
        for (const char* suffix : {"", "Bar"}) {
            kutest::RawDeleteValue(HKEY_CURRENT_USER, kRun, run + suffix);
            kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + suffix);
        }
        processes[0].reset();
        processes[1].reset();
        wizardtest::RemoveTree(folder);
        wizardtest::RemoveTree(canary);
    }
};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ForceFromKu, FolderArgumentRemovesTheServerProgramThenTheFolder) {
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    Program program;
    ASSERT_TRUE(program.services[0]->Created() && program.services[1]->Created());
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();

    {
        KuUser user("\"" + program.folder + "\"");
        user.Uninstall();
        EXPECT_TRUE(user.Asked("The server program has been deleted."));
        EXPECT_FALSE(user.Asked("Are you sure to delete this directory"));
    }
    EXPECT_FALSE(program.processes[0]->Running());
    EXPECT_TRUE(program.processes[1]->Running());
    EXPECT_TRUE(kutest::PathExists(program.folder + "\\kuforce.exe"));
    {
        KuUser user("\"" + program.folder + "\"");
        user.Uninstall();
        ASSERT_FALSE(user.questions.empty());
        EXPECT_EQ(user.questions.front(),
                  "The scanned items/entries will be removed permanently and cannot be recovered.\r"
                  "Are you sure you want to continue?");
        EXPECT_EQ(std::count_if(user.questions.begin(), user.questions.end(),
                                [](const std::string& q) {
                                    return q.rfind("Would you like to backup the registry?", 0) ==
                                           0;
                                }),
                  kutest::RunningUnderWow64() ? 0 : 1); // only 32-bit Windows offers it
    }

    const std::vector<std::string> removed =
        kutest::Names(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed);
    const std::string ownService = "\\Services\\" + program.service + "\\";
    for (const std::string& gone : removed)
        EXPECT_TRUE(Contains(gone, ownService) || Contains(gone, "\\" + program.name + "\\") ||
                    EndsWith(gone, "\\Run\\\\" + program.run))
            << "removed too: " << gone;
    for (const std::string& wanted :
         {ownService, "\\" + program.name + "\\Settings\\\\Home", "\\Run\\\\" + program.run})
        EXPECT_TRUE(std::any_of(removed.begin(), removed.end(),
                                [&](const std::string& gone) {
                                    return Contains(gone, wanted) || EndsWith(gone, wanted);
                                }))
            << "not removed: " << wanted;

    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    const std::string upperFolder = ku::UpperCase(program.folder) + "\\";
    EXPECT_FALSE(drive.removed.empty());
    for (const std::string& gone : drive.removed)
        EXPECT_EQ(gone.rfind(upperFolder, 0), 0u) << "removed too: " << gone;
    EXPECT_FALSE(kutest::PathExists(program.folder));
    EXPECT_TRUE(kutest::PathExists(program.canary + "\\data\\settings.ini"));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + program.name + "Bar"));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_CURRENT_USER, kRun, program.run + "Bar"));
    EXPECT_FALSE(program.services[1]->Gone());
}

TEST(ForceFromKu, ForceUninstallButtonOpensTheSameWizard) {
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    KuUser user("");
    const HWND main = kutest::WaitForMainWindow(user.Id());
    ASSERT_NE(main, nullptr);
    // The registry view buttons are there only on 64-bit Windows (hidden once the window shows).
    EXPECT_TRUE(kutest::WaitFor([&] {
        return (IsWindowVisible(GetDlgItem(main, IDC_MAIN_SYSBIT64)) != FALSE) ==
               kutest::RunningUnderWow64();
    }));
    user.Click(GetDlgItem(main, IDC_MAIN_FORCEUNINSTALLBTN));
    ASSERT_TRUE(user.Until([&] { return user.Shows(IDC_STEP_TXTPATH); }, 30000));
    EXPECT_EQ(user.questions.size(), 1u); // "firstly try the Uninstall function", answered OK
    EXPECT_EQ(Text(user.Item(IDC_STEP_TXTPATH)), "");
    user.Click(user.Item(IDC_STEP_CANCELBITBTN));
    EXPECT_TRUE(user.Until([&] { return !user.Wizard(); }, 10000));
}

TEST(ForceFromKu, FileArgumentGoesIntoTheProgramList) {
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
    kutest::ScratchDir dir;
    const std::string file = dir.File("kufile.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file));
    KuUser user("\"" + file + "\"");
    ASSERT_TRUE(user.Until([&] { return user.Shows(IDC_STEP_TXTPROGRAMNAME); }, 30000));
    EXPECT_EQ(Text(user.Item(IDC_STEP_TXTPROGRAMNAME)), file);
    EXPECT_EQ(Text(user.Item(IDC_STEP_TXTPATH)), "");
    user.Click(user.Item(IDC_STEP_CANCELBITBTN));
    EXPECT_TRUE(user.Until([&] { return !user.Wizard(); }, 10000));
}
