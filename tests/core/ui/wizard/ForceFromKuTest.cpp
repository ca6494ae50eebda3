// Force mode in the real KU.exe: started with a program's folder (as the Explorer "Uninstall"
// entry starts it) and clicked through twice, it removes first the running server program, then
// the folder, its keys and its Uninstall entry, checked by difference; the look-alike stays whole.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "WizardSupport.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "support/PlantedRegistry.h"
#include "support/RealService.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"
#include "support/WideNames.h"

namespace {

const char* const kSettings = "Software\\Kelvane Uninstaller";
const std::string kVersion = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kRun = kVersion + "Run";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// KU.exe's update check off, set before a test's snapshots: a value an earlier test left
// would else show up as changed by this one.
void NoUpdateCheck() {
    kutest::RawSetDword(HKEY_CURRENT_USER, kSettings, "CheckUpdate", 0, KEY_WOW64_64KEY);
}

// KU.exe started with a wide argument, as Explorer starts it: the "A" form of a name the code
// page cannot hold would arrive already best-fitted.
HANDLE StartKuWide(const std::wstring& argument, DWORD* id) {
    std::wstring line = L"\"" + ku::WideFromAnsi(kutest::Fixture("ku\\KU.exe")) + L"\" " + argument;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return nullptr;
    CloseHandle(info.hThread);
    *id = info.dwProcessId;
    return info.hProcess;
}

// The user at KU.exe: answers its message boxes and clicks through the force wizard.
class KuUser {
public:
    explicit KuUser(const std::string& argument) {
        NoUpdateCheck();
        process_.reset(kutest::StartKu(argument, &id_));
    }
    explicit KuUser(const std::wstring& argument) {
        NoUpdateCheck();
        process_.reset(StartKuWide(argument, &id_));
    }
    ~KuUser() {
        if (const HWND main = kutest::WindowsOf(id_).main)
            PostMessageA(main, WM_CLOSE, 0, 0);
        kutest::WaitForExit(process_.get(), 20000);
    }
    HWND Wizard() const { return kutest::WaitForWindowWith(id_, IDC_STEP_STEPBITBTN, 0); }
    HWND Item(int id) const { return GetDlgItem(Wizard(), id); }
    bool Shows(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    int Rows() const {
        return ListView_GetItemCount(GetDlgItem(kutest::WindowsOf(id_).main, IDC_MAIN_LIST));
    }
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
                    const std::string text = kutest::TextOf(GetDlgItem(box, 0xFFFF));
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
    // From the Force page to the closed wizard and the list as it shows afterwards.
    void Uninstall() {
        ASSERT_TRUE(Until([&] { return Shows(IDC_STEP_TXTPATH); }, 30000)) << "no force wizard";
        const int rows = Rows();
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
                   kutest::TextOf(Item(IDC_STEP_STEPBITBTN)) == "Finish";
        }));
        finish = kutest::TextOf(Item(IDC_STEP_ABFINISH)) + "|" +
                 kutest::TextOf(Item(IDC_STEP_ABFINISHMESSAGE));
        details = kutest::TextOf(Item(IDC_STEP_FINISHDETAILS));
        Click(Item(IDC_STEP_STEPBITBTN));
        ASSERT_TRUE(Until([&] { return !Wizard(); }));
        kutest::WaitFor([&] { return Rows() != rows; }, 5000);
        rowsLost += rows - Rows();
    }
    // KU.exe's exit code, -1 when it did not end by itself in time.
    int Ended(DWORD ms) { return kutest::WaitForExit(process_.get(), ms); }
    bool Asked(const std::string& part) const {
        return std::any_of(questions.begin(), questions.end(),
                           [&](const std::string& q) { return Contains(q, part); });
    }
    HWND MessageBox() const {
        for (int button : {IDOK, IDYES})
            if (const HWND box = kutest::WaitForWindowWith(id_, button, 0))
                return box;
        return nullptr;
    }
    DWORD id_ = 0;
    std::vector<std::string> questions;
    int rowsLost = 0;
    std::string finish, details; // the last page's title and message, and its list

private:
    ku::UniqueHandle process_;
};

// A program with a service, a Run entry, a running process and an Uninstall entry (in the view
// the list shows first), and its look-alike.
struct Program {
    std::string tag = std::to_string(GetCurrentProcessId());
    std::string name = "Ku Force Demo " + tag, service = "KuForceDemo" + tag;
    std::string folder = wizardtest::ProgramFiles32() + "\\" + name, canary = folder + "Bar";
    kutest::PlantedRegistry registry, entry{KEY_WOW64_64KEY};
    std::unique_ptr<kutest::RealService> services[2];
    std::unique_ptr<kutest::Sleeper> processes[2];

    Program() {
        const std::string folders[] = {folder, canary}, suffixes[] = {"", "Bar"};
        for (int i = 0; i < 2; ++i) {
            const std::string exe = "\"" + folders[i] + "\\kuforce.exe\"";
            CreateDirectoryA(folders[i].c_str(), nullptr);
            CreateDirectoryA((folders[i] + "\\data").c_str(), nullptr);
            kutest::WriteTextFile(folders[i] + "\\data\\settings.ini", "[x]");
            processes[i] = std::make_unique<kutest::Sleeper>(folders[i], "kuforce.exe");
            // A freshly started service manager may refuse for a moment; a service of this
            // name that a killed run left behind goes with the refused attempt.
            kutest::WaitFor([&] {
                services[i] = std::make_unique<kutest::RealService>(
                    service + suffixes[i], exe + " -service", SERVICE_WIN32_OWN_PROCESS);
                return services[i]->Created();
            });
            registry.String(HKEY_CURRENT_USER, kRun, service + suffixes[i], exe + " /tray");
            registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + suffixes[i] + "\\Settings",
                            "Home", folders[i]);
        }
        entry.String(HKEY_LOCAL_MACHINE, kVersion + "Uninstall\\" + name, "DisplayName", name);
        entry.String(HKEY_LOCAL_MACHINE, kVersion + "Uninstall\\" + name, "UninstallString",
                     folder + "\\uninst.exe");
    }
    ~Program() {
        processes[0].reset();
        processes[1].reset();
        wizardtest::RemoveTree(folder);
        wizardtest::RemoveTree(canary);
    }
};

} // namespace

TEST(ForceFromKu, FolderArgumentRemovesTheServerProgramThenTheFolder) {
    Program program;
    ASSERT_TRUE(program.services[0]->Created() && program.services[1]->Created());
    NoUpdateCheck();
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    int rowsLost = 0;
    {
        KuUser user("\"" + program.folder + "\"");
        user.Uninstall();
        EXPECT_TRUE(user.Asked("The server program has been deleted."));
        EXPECT_FALSE(user.Asked("Are you sure to delete this directory"));
        EXPECT_EQ(user.finish, "Congratulations!|The uninstall is complete.");
        rowsLost += user.rowsLost;
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
        EXPECT_EQ(user.Asked("Would you like to backup the registry?"),
                  !kutest::RunningUnderWow64()); // only 32-bit Windows offers it
        EXPECT_EQ(user.finish, "Congratulations!|The uninstall is complete.");
        rowsLost += user.rowsLost;
    }
    EXPECT_EQ(rowsLost, 1) << "the list is refreshed once the program's entry is gone";

    // A deleted service's key goes once the service manager has let go of the service, a
    // moment after its process ended: waited for, not taken for a key left behind.
    kutest::WaitFor([&] {
        return !kutest::RawKeyExists(HKEY_LOCAL_MACHINE,
                                     "SYSTEM\\CurrentControlSet\\Services\\" + program.service);
    });
    // Its service, keys and Run value go (the look-alike's Run value is checked below).
    const std::vector<std::string> removed =
        kutest::Names(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed);
    const std::vector<std::string> own = {"\\Services\\" + program.service + "\\",
                                          "\\" + program.name + "\\",
                                          "\\Run\\\\" + program.service};
    for (const std::string& gone : removed)
        EXPECT_TRUE(std::any_of(own.begin(), own.end(), [&](auto& o) { return Contains(gone, o); }))
            << "removed too: " << gone;
    for (const std::string& wanted : {own[0], "\\" + program.name + "\\Settings\\\\Home", own[2]})
        EXPECT_TRUE(std::any_of(removed.begin(), removed.end(),
                                [&](const std::string& gone) { return Contains(gone, wanted); }))
            << "not removed: " << wanted;

    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    const std::string upperFolder = ku::UpperCase(program.folder) + "\\";
    EXPECT_FALSE(drive.removed.empty());
    for (const std::string& gone : drive.removed)
        EXPECT_EQ(gone.rfind(upperFolder, 0), 0u) << "removed too: " << gone;
    EXPECT_FALSE(kutest::PathExists(program.folder));
    EXPECT_TRUE(kutest::PathExists(program.canary + "\\data\\settings.ini"));
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + program.name + "Bar"));
    EXPECT_TRUE(kutest::RawValueExists(HKEY_CURRENT_USER, kRun, program.service + "Bar"));
    EXPECT_FALSE(program.services[1]->Gone());
}

// A program file on the command line opens the force wizard with it in the program list; once
// that is closed, the Force Uninstall button (after its warning) opens it empty.
TEST(ForceFromKu, FileArgumentAndTheForceButtonOpenTheForceWizard) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("kufile.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file));
    KuUser user("\"" + file + "\"");
    for (const std::string& listed : {file, std::string()}) {
        SCOPED_TRACE(listed);
        if (listed.empty())
            user.Click(GetDlgItem(kutest::WaitForMainWindow(user.id_), IDC_MAIN_FORCEUNINSTALLBTN));
        // The caption is set once the page shows.
        ASSERT_TRUE(user.Until([&] {
            return user.Shows(IDC_STEP_TXTPROGRAMNAME) &&
                   kutest::TextOf(user.Wizard()).rfind("Force Uninstall Wizard", 0) == 0;
        }, 30000)) << "no force wizard";
        EXPECT_EQ(kutest::TextOf(user.Item(IDC_STEP_TXTPROGRAMNAME)), listed);
        EXPECT_EQ(kutest::TextOf(user.Item(IDC_STEP_TXTPATH)), "");
        user.Click(user.Item(IDC_STEP_CANCELBITBTN));
        ASSERT_TRUE(user.Until([&] { return !user.Wizard(); }, 10000));
    }
    EXPECT_TRUE(user.Asked("firstly try the \"Uninstall\" function"));
}

// Folders of Windows' own components and data, handed over as the Explorer entry hands a
// folder over and then typed into the folder box, are refused: the box stays empty, Next asks
// for a folder and nothing on the machine goes.
TEST(ForceFromKu, WindowsComponentFoldersAreRefusedAndNothingGoes) {
    const std::string programs = wizardtest::ProgramFiles32();
    char appData[MAX_PATH] = {}, programData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    GetEnvironmentVariableA("ProgramData", programData, MAX_PATH);
    const std::string folders[] = {programs + "\\Common Files\\System",
                                   programs + "\\Internet Explorer",
                                   std::string(appData) + "\\Microsoft\\Protect",
                                   std::string(programData) + "\\Microsoft\\Crypto",
                                   programs + "\\Microsoft.NET"};
    for (const std::string& folder : folders) {
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(kutest::WriteTextFile(folder + "\\kutest-standin.dat")) << folder;
    }
    NoUpdateCheck();
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        KuUser user("\"" + folder + "\"");
        ASSERT_TRUE(user.Until([&] { return user.Shows(IDC_STEP_TXTPATH); }, 30000))
            << "no force wizard";
        EXPECT_EQ(kutest::TextOf(user.Item(IDC_STEP_TXTPATH)), "");
        const std::string typed = folder + "\\ADO";
        SendMessageA(user.Item(IDC_STEP_TXTPATH), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(typed.c_str()));
        EXPECT_TRUE(user.Until([&] { return kutest::TextOf(user.Item(IDC_STEP_TXTPATH)).empty(); },
                               5000))
            << "typed and kept";
        user.Click(user.Item(IDC_STEP_STEPBITBTN));
        EXPECT_TRUE(user.Until(
            [&] { return !user.MessageBox() && user.Asked("Please select one or both"); }, 20000));
        EXPECT_TRUE(user.Shows(IDC_STEP_TXTPATH)) << "the wizard left its Force page";
        user.Click(user.Item(IDC_STEP_CANCELBITBTN));
        ASSERT_TRUE(user.Until([&] { return !user.Wizard(); }, 10000));
    }
    EXPECT_EQ(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed,
              std::vector<std::string>());
    EXPECT_EQ(kutest::Compare(driveBefore, kutest::TakeDriveSnapshot()).removed,
              std::vector<std::string>());
    for (const std::string& folder : folders)
        DeleteFileA((folder + "\\kutest-standin.dat").c_str());
}

namespace {

// Names the code page cannot hold beside the Latin twins their best-fit forms name: the Greek
// "Omega Labs\Omega Draw" folder beside the Latin program's, a subfolder "..＼..＼Victim64"
// inside the forced folder beside the real Victim64, and the forced program's Run value
// "Ωmega Nova" beside another program's "Omega Nova".
struct Twins {
    std::string tag = std::to_string(GetCurrentProcessId());
    std::string base = wizardtest::ProgramFiles32();
    std::string latinLabs = base + "\\Omega Labs " + tag, latin = latinLabs + "\\Omega Draw";
    std::wstring greekLabs = ku::WideFromAnsi(base + "\\") + kutest::kOmega +
                             ku::WideFromAnsi("mega Labs " + tag),
                 greek = greekLabs + L"\\" + kutest::kOmega + L"mega Draw";
    std::string novaLabs = base + "\\Ku Nova " + tag, forced = novaLabs + "\\Suite";
    std::string victim = base + "\\Victim64 " + tag;
    std::wstring slash = kutest::kWideBackslash;
    std::wstring inner = ku::WideFromAnsi(forced + "\\..") + slash + L".." + slash +
                         ku::WideFromAnsi("Victim64 " + tag);
    std::wstring greekRun = kutest::kOmega + ku::WideFromAnsi("mega Nova " + tag);
    kutest::PlantedRegistry registry;

    Twins() {
        for (const std::string& folder : {latinLabs, latin, novaLabs, forced, victim})
            CreateDirectoryA(folder.c_str(), nullptr);
        for (const std::string& file :
             {latin + "\\draw.exe", forced + "\\nova.exe", victim + "\\victim.dll"})
            kutest::WriteTextFile(file);
        kutest::WideFolder(greekLabs);
        kutest::WideFolder(greek);
        kutest::WideFile(greek + L"\\draw.exe");
        kutest::WideFolder(inner);
        kutest::WideFile(inner + L"\\victim.dll");
        registry.String(HKEY_CURRENT_USER, kRun, "Omega Draw " + tag,
                        "\"" + latin + "\\draw.exe\"");
        registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Omega Draw " + tag, "Home", latin);
        registry.String(HKEY_CURRENT_USER, kRun, "Omega Nova " + tag,
                        "\"" + base + "\\Omega Nova " + tag + "\\nova.exe\"");
        registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ku Nova " + tag, "Home", forced);
        kutest::WideSetString(HKEY_CURRENT_USER, ku::WideFromAnsi(kRun), greekRun,
                              ku::WideFromAnsi("\"" + forced + "\\nova.exe\" /tray"));
    }
    ~Twins() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, ku::WideFromAnsi(kRun).c_str(), greekRun.c_str());
        // The names the code page cannot hold go by their wide names before the Latin trees.
        kutest::WideRemoveFile(inner + L"\\victim.dll");
        RemoveDirectoryW(inner.c_str());
        kutest::WideRemoveFile(greek + L"\\draw.exe");
        RemoveDirectoryW(greek.c_str());
        RemoveDirectoryW(greekLabs.c_str());
        for (const std::string& folder : {latinLabs, novaLabs, victim})
            wizardtest::RemoveTree(folder);
    }
};

} // namespace

// Forced by its Greek name, the Latin program's folder is never taken: KU.exe says it cannot
// open the path and ends. Forced by its own folder, the program loses its key and files; the
// Greek Run value and the "..＼..＼" subfolder are said to be left alone and stay, and so do the
// Latin Run value of another program and the real Victim64 folder.
TEST(ForceFromKu, NamesTheCodePageCannotHoldAreLeftAloneBesideTheirTwins) {
    Twins twins;
    ASSERT_TRUE(kutest::WidePathExists(twins.inner + L"\\victim.dll"));
    NoUpdateCheck();
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    {
        KuUser user(L"\"" + twins.greek + L"\"");
        EXPECT_TRUE(
            user.Until([&] { return !user.MessageBox() && user.Asked("cannot open"); }, 30000));
        EXPECT_TRUE(user.Asked("?mega Labs " + twins.tag +
                               "\\?mega Draw\": its path holds "
                               "characters this program cannot handle"));
        EXPECT_EQ(user.Ended(20000), 1) << "KU.exe went on with the path";
    }
    EXPECT_EQ(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed,
              std::vector<std::string>());
    EXPECT_EQ(kutest::Compare(driveBefore, kutest::TakeDriveSnapshot()).removed,
              std::vector<std::string>());
    {
        KuUser user("\"" + twins.forced + "\"");
        user.Uninstall();
        EXPECT_TRUE(user.Asked("The applications will be uninstalled.")) << "no full scan";
        EXPECT_TRUE(user.Asked("\\Run\\?mega Nova " + twins.tag));
        EXPECT_TRUE(user.Asked("\\Suite\\..?..?Victim64 " + twins.tag));
        // What was left alone, and the folder that holds some of it, stayed: the last page
        // says so and names them.
        EXPECT_EQ(user.finish,
                  "The uninstall is finished.|2 items were left alone, the folder stayed.");
        EXPECT_TRUE(Contains(user.details, "\\Run\\?mega Nova " + twins.tag)) << user.details;
        EXPECT_TRUE(Contains(user.details, "The folder stayed:\r\n    " + twins.forced))
            << user.details;
    }
    const std::vector<std::string> removed =
        kutest::Names(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed);
    EXPECT_FALSE(removed.empty());
    for (const std::string& gone : removed)
        EXPECT_TRUE(Contains(gone, "\\Ku Nova " + twins.tag + "\\")) << "removed too: " << gone;
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    const std::string upperForced = ku::UpperCase(twins.forced) + "\\";
    EXPECT_FALSE(drive.removed.empty());
    for (const std::string& gone : drive.removed)
        EXPECT_EQ(gone.rfind(upperForced, 0), 0u) << "removed too: " << gone;
    EXPECT_TRUE(kutest::PathExists(twins.victim + "\\victim.dll"));
    EXPECT_TRUE(kutest::WidePathExists(twins.inner + L"\\victim.dll"));
    EXPECT_TRUE(kutest::PathExists(twins.latin + "\\draw.exe"));
    EXPECT_FALSE(
        kutest::WideGetString(HKEY_CURRENT_USER, ku::WideFromAnsi(kRun), twins.greekRun).empty());
}

namespace {

// The box's text as the user sees it, asked across the process boundary.
std::wstring WideTextOf(HWND box) {
    std::wstring text(static_cast<size_t>(SendMessageW(box, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

// What Ctrl+A, then Ctrl+V with the text copied elsewhere, does to an edit box.
bool PasteInto(HWND box, const std::wstring& text) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory) {
        memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_PASTE, 0, 0);
    return memory != nullptr;
}

} // namespace

// Typed or pasted over the folder the Explorer entry handed over, a path whose best-fit form
// names the Latin program's folder (the Greek one, or one climbing into it through "Bar＼..＼")
// shows as given and is refused at Next as the folder picker refuses it: nothing is scanned
// and nothing on the machine goes.
TEST(ForceFromKu, TypedOrPastedPathsTheCodePageCannotHoldAreRefused) {
    Twins twins;
    const std::wstring climbing = ku::WideFromAnsi(twins.base + "\\Bar") + twins.slash + L".." +
                                  twins.slash + ku::WideFromAnsi("Omega Labs " + twins.tag);
    const struct {
        const std::wstring* path;
        bool paste;
    } cases[] = {{&twins.greek, false}, {&twins.greek, true}, {&climbing, true}};
    NoUpdateCheck();
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        KuUser user("\"" + twins.forced + "\"");
        ASSERT_TRUE(user.Until([&] { return user.Shows(IDC_STEP_TXTPATH); }, 30000))
            << "no force wizard";
        const HWND box = user.Item(IDC_STEP_TXTPATH);
        if (c.paste)
            ASSERT_TRUE(PasteInto(box, *c.path));
        else
            SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.path->c_str()));
        EXPECT_EQ(WideTextOf(box), *c.path);
        user.Click(user.Item(IDC_STEP_STEPBITBTN));
        EXPECT_TRUE(user.Until([&] {
            return !user.MessageBox() &&
                   (user.Asked("cannot be chosen") || user.Shows(IDC_STEP_REGLISTVIEW));
        }));
        EXPECT_TRUE(user.Asked("\" holds characters this program cannot handle and cannot be "
                               "chosen."));
        EXPECT_TRUE(user.Shows(IDC_STEP_TXTPATH)) << "the scans ran";
        user.Click(user.Item(IDC_STEP_CANCELBITBTN));
        ASSERT_TRUE(user.Until([&] { return !user.Wizard(); }, 10000));
    }
    EXPECT_EQ(kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot()).removed,
              std::vector<std::string>());
    EXPECT_EQ(kutest::Compare(driveBefore, kutest::TakeDriveSnapshot()).removed,
              std::vector<std::string>());
    EXPECT_TRUE(kutest::PathExists(twins.latin + "\\draw.exe"));
}
