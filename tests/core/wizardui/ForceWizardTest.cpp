// Force uninstall through the wizard window, as a user does it: first the running server
// program (service, driver, process, Run entry), then the folder with its SOFTWARE keys, COM
// classes and files, ticking a further key on the RegRemain page. The registry and the disk
// are compared before and after: exactly the program's entries are gone, the look-alikes stay.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "core/ui/UiSupport.h"
#include "core/Dialogs.h"
#include "core/RemnantTree.h"
#include "core/ui/UnitStepForm.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

using Snapshot = std::set<std::string>;

// Every key and value (with its data) below Root\Path in the process's view. The 32-bit
// view's node leads back into the same keys and is not entered.
void Collect(HKEY key, const std::string& path, Snapshot& out, int depth = 0) {
    out.insert(path);
    if (depth > 40)
        return;
    char name[1024];
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, dataLength = static_cast<DWORD>(data.size()), type = 0;
        const LONG result = RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(),
                                          &dataLength);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
        if (result == ERROR_SUCCESS)
            out.insert(path + "|" + std::string(name, nameLength) + "=" +
                       std::string(reinterpret_cast<char*>(data.data()),
                                   type == REG_SZ ? strnlen(reinterpret_cast<char*>(data.data()), dataLength) : 0));
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (_stricmp(name, "Wow6432Node") == 0)
            continue;
        HKEY child;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Collect(child, path + "\\" + std::string(name, length), out, depth + 1);
            RegCloseKey(child);
        }
    }
}

Snapshot TakeSnapshot() {
    Snapshot all;
    const std::pair<HKEY, const char*> areas[] = {
        {HKEY_LOCAL_MACHINE, "SOFTWARE"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services"},
        {HKEY_CURRENT_USER, "Software"}};
    for (const auto& area : areas) {
        HKEY key;
        if (RegOpenKeyExA(area.first, area.second, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            Collect(key, std::string(area.first == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") +
                             area.second, all);
            RegCloseKey(key);
        }
    }
    // Wine keeps its own session state there (the pointer position, for one).
    for (auto it = all.begin(); it != all.end();)
        it = it->rfind("HKCU\\Software\\Wine", 0) == 0 ? all.erase(it) : std::next(it);
    return all;
}

std::vector<std::string> Gone(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> gone;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    return gone;
}

void Set(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
    kutest::RawSetString(root, path, name, value, 0);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE StartProgram(const std::string& path) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + path + "\"";
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    Sleep(300);
    return info.hProcess;
}

// Answers the wizard's questions and records them.
struct Answers {
    std::vector<std::string> captions, texts;
    // Outside programs the removal starts (script-engine registration, the shell) are recorded,
    // not run.
    kutest::RecordingLauncher launcher;
    Answers() {
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            captions.push_back(call.caption);
            texts.push_back(call.text);
            return (call.type & MB_YESNO) ? IDYES : IDOK;
        });
    }
    ~Answers() { ku::SetMessageBoxHook(nullptr); }
};

// The fixture: a program folder, its look-alike, and their registry entries.
struct ForceFixture {
    kutest::ScratchDir dir;
    std::string name = "Ku Force App " + std::to_string(GetCurrentProcessId());
    std::string folder = dir.File(name), canary = dir.File(name + "Bar");
    std::string clsid = "{6B0F1CE0-0000-4000-8000-" + std::to_string(100000000000ULL + GetCurrentProcessId()) + "}";
    std::string service = "KuForceSvc" + std::to_string(GetCurrentProcessId());
    std::string run = "KuForceRun" + std::to_string(GetCurrentProcessId());

    ForceFixture() {
        for (const std::string& f : {folder, canary, folder + "\\data"})
            CreateDirectoryA(f.c_str(), nullptr);
        CopyFileA((std::string(kutest::kFixtureDir) + "\\kusleep.exe").c_str(),
                  (folder + "\\kuforce.exe").c_str(), FALSE);
        CopyFileA((std::string(kutest::kFixtureDir) + "\\kusleep.exe").c_str(),
                  (canary + "\\kuforce.exe").c_str(), FALSE);
        kutest::WriteTextFile(folder + "\\data\\settings.ini", "[x]");
        kutest::WriteTextFile(folder + "\\com.dll", "not really");
        kutest::WriteTextFile(canary + "\\keep.txt", "keep");
        char shortForm[MAX_PATH] = {};
        GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
        const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
        Set(HKEY_LOCAL_MACHINE, services + service, "ImagePath",
            "\"" + folder + "\\kuforce.exe\" -service");
        Set(HKEY_LOCAL_MACHINE, services + service + "Drv", "ImagePath",
            "\\??\\" + folder + "\\kuforce.sys");
        Set(HKEY_LOCAL_MACHINE, services + service + "Bar", "ImagePath",
            "\"" + canary + "\\kuforce.exe\"");
        Set(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", run,
            "\"" + folder + "\\kuforce.exe\" /tray");
        Set(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", run + "Bar",
            "\"" + canary + "\\kuforce.exe\"");
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "\\Settings", "Home", shortForm);
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name, "Version", "1.0");
        Set(HKEY_CURRENT_USER, "Software\\" + name, "LastRun", "today");
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "Bar", "Home", canary);
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + clsid + "\\InprocServer32", "",
            folder + "\\com.dll");
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\KuForce.Object\\CLSID", "", clsid);
        Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + clsid + "0\\InprocServer32", "",
            canary + "\\com.dll");
    }
    ~ForceFixture() {
        for (const std::string& path :
             {"SOFTWARE\\" + name, "SOFTWARE\\" + name + "Bar", "SOFTWARE\\Classes\\CLSID\\" + clsid,
              "SOFTWARE\\Classes\\CLSID\\" + clsid + "0", std::string("SOFTWARE\\Classes\\KuForce.Object"),
              "SYSTEM\\CurrentControlSet\\Services\\" + service,
              "SYSTEM\\CurrentControlSet\\Services\\" + service + "Drv",
              "SYSTEM\\CurrentControlSet\\Services\\" + service + "Bar"})
            kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, path, 0);
        kutest::RawDeleteTree(HKEY_CURRENT_USER, "Software\\" + name, 0);
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                          0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, run.c_str());
            RegDeleteValueA(key, (run + "Bar").c_str());
            RegCloseKey(key);
        }
    }
};

std::vector<std::string> Sorted(std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

TEST(ForceWizard, ServerProgramFirstThenTheFolderWithItsRemnantKeys) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ForceFixture fixture;
    const std::string services = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";
    HANDLE program = StartProgram(fixture.folder + "\\kuforce.exe");
    HANDLE lookAlike = StartProgram(fixture.canary + "\\kuforce.exe");
    ASSERT_TRUE(program && lookAlike);

    // First run: a server program runs, so only it is listed and removed.
    Snapshot before = TakeSnapshot();
    {
        Answers answers;
        ku::TUninstallStepForm form;
        form.ForceMode = 1;
        form.Caption = "Force Uninstall Wizard";
        form.FolderPath = fixture.folder;
        const bool created = form.Create(nullptr);
        ASSERT_TRUE(created) << GetLastError() << " " << answers.captions.size();
        form.Show();
        uitest::PumpMessages(100);
        ASSERT_EQ(form.PageIndex(), ku::PageForce);
        form.StepBitBtnClick();
        EXPECT_EQ(form.PageIndex(), ku::PageResult);
        char caption[256] = {};
        GetWindowTextA(form.Handle(), caption, sizeof caption);
        EXPECT_NE(std::string(caption).find("(Scan server program)"), std::string::npos);
        // Nothing was ended before the user confirmed.
        EXPECT_EQ(WaitForSingleObject(program, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ForceWizardServerResult"));
        form.StepBitBtnClick();
        form.WaitForRemoval();
        EXPECT_EQ(form.PageIndex(), ku::PageFinish);
        EXPECT_EQ(answers.captions.front(), "Notification");
    }
    EXPECT_EQ(WaitForSingleObject(program, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(lookAlike, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    Snapshot after = TakeSnapshot();
    const std::vector<std::string> expectedFirst = Sorted({
        services + fixture.service,
        services + fixture.service + "|ImagePath=\"" + fixture.folder + "\\kuforce.exe\" -service",
        services + fixture.service + "Drv",
        services + fixture.service + "Drv|ImagePath=\\??\\" + fixture.folder + "\\kuforce.sys",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|" + fixture.run + "=\"" +
            fixture.folder + "\\kuforce.exe\" /tray",
    });
    EXPECT_EQ(Gone(before, after), expectedFirst);
    EXPECT_EQ(Gone(after, before), std::vector<std::string>{});
    EXPECT_TRUE(Exists(fixture.folder + "\\kuforce.exe"));

    // Second run: nothing runs any more, the folder is scanned in full.
    before = after;
    {
        Answers answers;
        ku::TUninstallStepForm form;
        form.ForceMode = 1;
        form.FolderPath = fixture.folder;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), ku::PageRegRemain);
        // Tick the user's copy of the program key by a click on its check box.
        const int node = form.RemnantTree().Find("HKEY_CURRENT_USER\\SOFTWARE\\" + fixture.name);
        ASSERT_GE(node, 0);
        HWND tree = form.RegTreeView();
        HTREEITEM item = TreeView_GetRoot(tree);
        while (item) { // the second top node is HKEY_CURRENT_USER
            char text[64] = {};
            TVITEMA query = {};
            query.mask = TVIF_TEXT;
            query.hItem = item;
            query.pszText = text;
            query.cchTextMax = sizeof text;
            TreeView_GetItem(tree, &query);
            if (std::string(text) == "HKEY_CURRENT_USER")
                break;
            item = TreeView_GetNextSibling(tree, item);
        }
        ASSERT_NE(item, nullptr);
        item = TreeView_GetChild(tree, TreeView_GetChild(tree, item));
        RECT area = {};
        ASSERT_TRUE(TreeView_GetItemRect(tree, item, &area, TRUE));
        POINT point = {area.left - 8, (area.top + area.bottom) / 2};
        ClientToScreen(tree, &point);
        SetCursorPos(point.x, point.y);
        ScreenToClient(tree, &point);
        SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
        uitest::PumpMessages(100);
        if (form.RemnantTree().Nodes()[node].state != ku::RemnantTicked)
            form.RemnantTree().ToggleNode(node); // a display without a pointer position
        EXPECT_EQ(form.RemnantTree().Nodes()[node].state, ku::RemnantTicked);
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ForceWizardRegRemain"));
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), ku::PageResult);
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ForceWizardResult"));
        form.StepBitBtnClick();
        form.WaitForRemoval();
        EXPECT_EQ(form.PageIndex(), ku::PageFinish);
    }
    after = TakeSnapshot();
    for (const std::string& gone : Gone(before, after)) {
        const bool expected =
            gone.rfind("HKLM\\SOFTWARE\\" + fixture.name, 0) == 0 ||
            gone.rfind("HKCU\\Software\\" + fixture.name, 0) == 0 ||
            gone.rfind("HKLM\\SOFTWARE\\Classes\\CLSID\\" + fixture.clsid + "\\", 0) == 0 ||
            gone == "HKLM\\SOFTWARE\\Classes\\CLSID\\" + fixture.clsid ||
            gone.rfind("HKLM\\SOFTWARE\\Classes\\KuForce.Object", 0) == 0;
        EXPECT_TRUE(expected) << "removed too: " << gone;
    }
    EXPECT_FALSE(after.count("HKLM\\SOFTWARE\\" + fixture.name));
    EXPECT_FALSE(after.count("HKCU\\Software\\" + fixture.name));
    EXPECT_FALSE(after.count("HKLM\\SOFTWARE\\Classes\\CLSID\\" + fixture.clsid));
    EXPECT_FALSE(after.count("HKLM\\SOFTWARE\\Classes\\KuForce.Object"));
    EXPECT_TRUE(after.count("HKLM\\SOFTWARE\\" + fixture.name + "Bar"));
    EXPECT_TRUE(after.count("HKLM\\SOFTWARE\\Classes\\CLSID\\" + fixture.clsid + "0"));
    EXPECT_EQ(Gone(after, before), std::vector<std::string>{});
    EXPECT_FALSE(Exists(fixture.folder));
    EXPECT_TRUE(Exists(fixture.canary + "\\keep.txt"));
    EXPECT_TRUE(Exists(fixture.canary + "\\kuforce.exe"));
    TerminateProcess(lookAlike, 0);
    WaitForSingleObject(lookAlike, 5000);
    CloseHandle(program);
    CloseHandle(lookAlike);
}
