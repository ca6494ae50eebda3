// Force uninstall of a program folder through the wizard window, as a user does it: its
// SOFTWARE keys, COM classes and files, ticking a further key on the RegRemain page with a
// click on its check box. The registry and the disk are compared before and after: exactly the
// program's entries are gone, the look-alikes stay. (The server program comes first in the
// tests through KU.exe.)
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/force/RemnantTree.h"
#include "core/system/Dialogs.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/SystemSnapshot.h"

namespace {

bool Has(const std::vector<std::string>& names, const std::string& part) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return name.find(part) != std::string::npos;
    });
}

// A program folder, its look-alike, and their registry entries.
struct ForceFixture {
    kutest::ScratchDir dir;
    std::string name = "Ku Force App " + std::to_string(GetCurrentProcessId());
    std::string folder = dir.File(name), canary = dir.File(name + "Bar");
    std::string clsid = "{6B0F1CE0-0000-4000-8000-" +
                        std::to_string(100000000000ULL + GetCurrentProcessId()) + "}";
    kutest::PlantedRegistry registry;

    ForceFixture() {
        for (const std::string& f : {folder, canary, folder + "\\data"})
            CreateDirectoryA(f.c_str(), nullptr);
        for (const std::string& file : {folder + "\\kuforce.exe", folder + "\\data\\settings.ini",
                                        folder + "\\com.dll", canary + "\\keep.txt"})
            kutest::WriteTextFile(file, "x");
        char shortForm[MAX_PATH] = {};
        GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
        const std::string classes = "SOFTWARE\\Classes\\";
        const struct {
            HKEY root;
            std::string key, name, value;
        } values[] = {
            {HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "\\Settings", "Home", shortForm},
            {HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name, "Version", "1.0"},
            {HKEY_CURRENT_USER, "Software\\" + name, "LastRun", "today"},
            {HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name + "Bar", "Home", canary},
            {HKEY_LOCAL_MACHINE, classes + "CLSID\\" + clsid + "\\InprocServer32", "",
             folder + "\\com.dll"},
            {HKEY_LOCAL_MACHINE, classes + "KuForce.Object\\CLSID", "", clsid},
            {HKEY_LOCAL_MACHINE, classes + "CLSID\\" + clsid + "0\\InprocServer32", "",
             canary + "\\com.dll"},
        };
        for (const auto& v : values)
            registry.String(v.root, v.key, v.name, v.value);
    }
};

// Ticks the node below HKEY_CURRENT_USER's first child by a click on its check box, as the
// mouse gives it.
void TickFirstUserKey(HWND tree) {
    HTREEITEM item = TreeView_GetRoot(tree);
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        char text[64] = {};
        TVITEMA query = {};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = text;
        query.cchTextMax = sizeof text;
        TreeView_GetItem(tree, &query);
        if (std::string(text) == "HKEY_CURRENT_USER")
            break;
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
    TVITEMA shown = {};
    shown.mask = TVIF_STATE | TVIF_IMAGE;
    shown.hItem = item;
    shown.stateMask = TVIS_STATEIMAGEMASK;
    TreeView_GetItem(tree, &shown);
    EXPECT_EQ(shown.state >> 12, static_cast<UINT>(ku::RemnantTicked)); // the ticked picture
    EXPECT_EQ(shown.iImage, ku::RemnantImageKey);
}

} // namespace

TEST(ForceWizard, FolderWithItsRemnantKeysAndATickedOne) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ForceFixture fixture;
    const kutest::RegistrySnapshot before = kutest::TakeRegistrySnapshot();
    {
        ku::SetMessageBoxHook([](const ku::MessageBoxCall& call) {
            return (call.type & MB_YESNO) ? IDYES : IDOK;
        });
        // Outside programs the removal starts (the shell) are recorded, not run.
        kutest::RecordingLauncher launcher;
        ku::TUninstallStepForm form;
        form.ForceMode = 1;
        form.FolderPath = fixture.folder;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(100);
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), ku::PageRegRemain);
        // A value that holds the folder in short form shows it in long form.
        const auto& nodes = form.RemnantTree().Nodes();
        EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [&](const ku::RemnantNode& n) {
            return n.text == "Home>" + fixture.folder;
        }));
        const int node = form.RemnantTree().Find("HKEY_CURRENT_USER\\SOFTWARE\\" + fixture.name);
        ASSERT_GE(node, 0);
        TickFirstUserKey(form.RegTreeView());
        EXPECT_EQ(form.RemnantTree().Nodes()[node].state, ku::RemnantTicked);
        EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "StepForm5RegRemain"));
        form.StepBitBtnClick();
        ASSERT_EQ(form.PageIndex(), ku::PageResult);
        form.StepBitBtnClick();
        form.WaitForRemoval();
        EXPECT_EQ(form.PageIndex(), ku::PageFinish);
        ku::SetMessageBoxHook(nullptr);
    }
    const kutest::RegistrySnapshot after = kutest::TakeRegistrySnapshot();
    const kutest::Difference difference = kutest::Compare(before, after);
    EXPECT_TRUE(difference.added.empty());
    const std::string programKey = "\\" + fixture.name + "\\";
    for (const std::string& gone : kutest::Names(difference.removed))
        EXPECT_TRUE(Has({gone}, programKey) || Has({gone}, fixture.clsid + "\\") ||
                    Has({gone}, "\\KuForce.Object\\"))
            << "removed too: " << gone;
    std::vector<std::string> left;
    for (const auto& entry : after)
        left.push_back(entry.first);
    for (const std::string& gone :
         {programKey, fixture.clsid + "\\", std::string("\\KuForce.Object\\")})
        EXPECT_FALSE(Has(left, gone)) << gone;
    EXPECT_TRUE(Has(left, "\\" + fixture.name + "Bar\\"));
    EXPECT_TRUE(Has(left, fixture.clsid + "0\\"));
    EXPECT_FALSE(kutest::PathExists(fixture.folder));
    EXPECT_TRUE(kutest::PathExists(fixture.canary + "\\keep.txt"));
}
