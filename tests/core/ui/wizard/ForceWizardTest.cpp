// Force uninstall through the wizard window, as a user does it: first the running server
// program (service, driver, process, Run entry), then the folder with its SOFTWARE keys, COM
// classes and files, ticking a further key on the RegRemain page. The registry and the disk
// are compared before and after: exactly the program's entries are gone, the look-alikes stay.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/force/RemnantTree.h"
#include "core/system/Dialogs.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace {

void Set(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
    kutest::RawSetString(root, path, name, value);
}

HANDLE StartProgram(const std::string& path) {
    HANDLE process = kutest::StartProgram("\"" + path + "\"");
    Sleep(300);
    return process;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Has(const std::vector<std::string>& names, const std::string& part) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return name.find(part) != std::string::npos;
    });
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
        for (const std::string& value : {run, run + "Bar"})
            kutest::RawDeleteValue(HKEY_CURRENT_USER,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run", value);
    }
};

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
    kutest::RegistrySnapshot before = kutest::TakeRegistrySnapshot();
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
    kutest::RegistrySnapshot after = kutest::TakeRegistrySnapshot();
    kutest::Difference difference = kutest::Compare(before, after);
    EXPECT_TRUE(difference.added.empty());
    const std::vector<std::string> first = kutest::Names(difference.removed);
    for (const std::string& gone : first)
        EXPECT_TRUE(gone.find("\\Services\\" + fixture.service + "\\") != std::string::npos ||
                    gone.find("\\Services\\" + fixture.service + "Drv\\") != std::string::npos ||
                    EndsWith(gone, "\\Run\\\\" + fixture.run))
            << "removed too: " << gone;
    for (const std::string& expected :
         {"\\Services\\" + fixture.service + "\\\\ImagePath",
          "\\Services\\" + fixture.service + "Drv\\\\ImagePath",
          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\\\" + fixture.run})
        EXPECT_TRUE(std::any_of(first.begin(), first.end(),
                                [&](const std::string& gone) { return EndsWith(gone, expected); }))
            << "not removed: " << expected;
    EXPECT_TRUE(kutest::PathExists(fixture.folder + "\\kuforce.exe"));

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
        // A value that holds the folder in short form shows it in long form.
        const auto& nodes = form.RemnantTree().Nodes();
        EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [&](const ku::RemnantNode& n) {
            return n.text == "Home>" + fixture.folder;
        }));
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
        // The check picture sits left of the key picture, which sits left of the label.
        POINT point = {area.left - 24, (area.top + area.bottom) / 2};
        ClientToScreen(tree, &point);
        SetCursorPos(point.x, point.y);
        ScreenToClient(tree, &point);
        // Posted, as the mouse would: a press makes the tree wait for its release.
        PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        PostMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
        uitest::PumpMessages(100);
        EXPECT_EQ(form.RemnantTree().Nodes()[node].state, ku::RemnantTicked);
        TVITEMA shown = {};
        shown.mask = TVIF_STATE | TVIF_IMAGE;
        shown.hItem = item;
        shown.stateMask = TVIS_STATEIMAGEMASK;
        TreeView_GetItem(tree, &shown);
        EXPECT_EQ(shown.state >> 12, static_cast<UINT>(ku::RemnantTicked)); // the ticked picture
        EXPECT_EQ(shown.iImage, ku::RemnantImageKey);
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ForceWizardRegRemain"));
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), ku::PageResult);
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ForceWizardResult"));
        form.StepBitBtnClick();
        form.WaitForRemoval();
        EXPECT_EQ(form.PageIndex(), ku::PageFinish);
    }
    after = kutest::TakeRegistrySnapshot();
    difference = kutest::Compare(before, after);
    EXPECT_TRUE(difference.added.empty());
    const std::string programKey = "\\" + fixture.name + "\\";
    for (const std::string& gone : kutest::Names(difference.removed))
        EXPECT_TRUE(gone.find(programKey) != std::string::npos ||
                    gone.find(fixture.clsid + "\\") != std::string::npos ||
                    gone.find("\\KuForce.Object\\") != std::string::npos)
            << "removed too: " << gone;
    std::vector<std::string> left;
    for (const auto& entry : after)
        left.push_back(entry.first);
    EXPECT_FALSE(Has(left, programKey));
    EXPECT_FALSE(Has(left, fixture.clsid + "\\"));
    EXPECT_FALSE(Has(left, "\\KuForce.Object\\"));
    EXPECT_TRUE(Has(left, "\\" + fixture.name + "Bar\\"));
    EXPECT_TRUE(Has(left, fixture.clsid + "0\\"));
    EXPECT_FALSE(kutest::PathExists(fixture.folder));
    EXPECT_TRUE(kutest::PathExists(fixture.canary + "\\keep.txt"));
    EXPECT_TRUE(kutest::PathExists(fixture.canary + "\\kuforce.exe"));
    TerminateProcess(lookAlike, 0);
    WaitForSingleObject(lookAlike, 5000);
    CloseHandle(program);
    CloseHandle(lookAlike);
}
