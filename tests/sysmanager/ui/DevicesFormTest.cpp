// The device page in a window of its own: scripted devices drive its menus, questions and
// messages; the real SetupAPI of Wine fills its tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include "UiSupport.h"
#include "core/system/Dialogs.h"
#include "support/HostWindow.h"
#include "support/ScriptedDevices.h"
#include "sysmanager/ui/ueject.h"

namespace {

kutest::ScriptedDevice Device(const char* name, ULONG status, ULONG problem = 0) {
    kutest::ScriptedDevice device;
    device.friendlyName = name;
    device.status = status;
    device.problem = problem;
    return device;
}

struct DevicesPage {
    kutest::HostWindow host{465, 412};
    kutest::ScriptedDevices* api; // owned by the form
    std::unique_ptr<ku::TDevicesForm> form;
    std::vector<ku::MessageBoxCall> boxes;
    std::vector<int> answers; // one per box, then IDOK

    explicit DevicesPage(std::unique_ptr<kutest::ScriptedDevices> devices) : api(devices.get()) {
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes.push_back(call);
            return boxes.size() <= answers.size() ? answers[boxes.size() - 1] : IDOK;
        });
        form = std::make_unique<ku::TDevicesForm>(std::move(devices));
        form->Create(host.Handle());
        form->Show();
        uitest::PumpMessages(200);
    }
    ~DevicesPage() {
        form.reset();
        ku::SetMessageBoxHook(nullptr);
    }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const ku::MessageBoxCall& box : boxes)
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }
};

std::unique_ptr<kutest::ScriptedDevices> Scripted() {
    auto api = std::make_unique<kutest::ScriptedDevices>();
    api->devices = {Device("Disabled adapter", ku::kDnHasProblem | ku::kDnDisableable, 22),
                    Device("USB stick", ku::kDnRemovable),
                    Device("Card reader", ku::kDnDisableable | ku::kDnRemovable),
                    Device("Ghost", ku::kDnNoShowInDm)};
    api->devices[0].changeFails = true;
    api->devices[1].ejectAnswer = CR_REMOVE_VETOED;
    api->devices[1].vetoName = "USB\\VID_1";
    return api;
}

} // namespace

TEST(DevicesPage, DoubleClicksAskAndReportAsTheDeviceAllows) {
    const struct {
        int device;
        bool enable, eject;
        const char* panel1;
        std::vector<int> answers;
        std::vector<std::string> boxes;
        std::vector<std::string> requests;
    } cases[] = {
        {0,
         true,
         false,
         "Don't disable this device!",
         {IDCANCEL},
         {"Change Device Status: Enable this Device?"},
         {}},
        {0,
         true,
         false,
         "Don't disable this device!",
         {IDOK},
         {"Change Device Status: Enable this Device?",
          "Kelvane Uninstaller: SetClassInstallParams"},
         {"enable 0"}},
        {1,
         false,
         true,
         "",
         {IDOK},
         {"Eject Device: Eject this Device?",
          "Vetoed: Failed to eject the Device (Veto: USB\\VID_1)"},
         {"eject 1"}},
        {2,
         false,
         true,
         "",
         {},
         {"Change unknown: Device is disableable and ejectable. Please use MainMenu."},
         {}},
    };
    for (const auto& c : cases) {
        DevicesPage page(Scripted());
        EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 3u);
        ASSERT_TRUE(page.form->SelectDevice(c.device));
        EXPECT_EQ(page.form->MenuItemEnabled(IDM_DEV_ENABLEDEVICE), c.enable) << c.device;
        EXPECT_EQ(page.form->MenuItemEnabled(IDM_DEV_REMOVEDEVICE), c.eject) << c.device;
        EXPECT_EQ(page.form->StatusText(1), c.panel1);
        page.answers = c.answers;
        page.form->TreeViewDblClick();
        EXPECT_EQ(page.Boxes(), c.boxes) << c.device;
        EXPECT_EQ(page.api->requests, c.requests) << c.device;
    }
}

TEST(DevicesPage, HiddenDevicesAndDeviceChangesRebuildTheTree) {
    DevicesPage page(Scripted());
    EXPECT_EQ(page.form->StatusText(0), "Hide all hidden device");
    page.form->mShowHiddenDevicesClick();
    EXPECT_EQ(page.form->StatusText(0), "Display all hidden device");
    EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 4u);
    page.form->mShowHiddenDevicesClick();
    EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 3u);

    // Only top-level windows hear device changes; the page's own listener passes them on.
    const HWND listener = FindWindowA("KuDeviceChangeListener", nullptr);
    ASSERT_NE(listener, nullptr);
    const int opens = page.api->opens;
    SendMessageA(listener, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_EQ(page.api->opens, opens);
    SendMessageA(listener, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(page.api->opens, opens + 1);
    EXPECT_TRUE(page.boxes.empty());
}

TEST(DevicesPage, WithoutSetupApiThePageStaysEmptyAndQuiet) {
    auto api = Scripted();
    api->loadFails = true;
    DevicesPage page(std::move(api));
    EXPECT_EQ(page.Boxes(),
              std::vector<std::string>{"Kelvane Uninstaller: Could not load SetupAPI.dll"});
    EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 0u);
    page.form->TreeViewDblClick();
    page.form->EjectDevice();
    page.form->ChangeDisableDevice();
    page.form->mRefreshDisplayClick();
    EXPECT_EQ(page.boxes.size(), 1u);
}

TEST(DevicesPage, RealDevicesOfWine) {
    kutest::HostWindow host(465, 412);
    std::vector<std::string> boxes;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        boxes.push_back(call.text);
        return IDOK;
    });
    {
        ku::TDevicesForm form;
        ASSERT_TRUE(form.Create(host.Handle()));
        form.Show();
        uitest::PumpMessages(300);
        EXPECT_TRUE(form.Loaded());
        // Wine has no class image list: the names show without pictures, and nothing asks.
        EXPECT_TRUE(boxes.empty());
        EXPECT_GT(form.Nodes().size(), 0u);
        EXPECT_EQ(TreeView_GetCount(form.TreeView()), form.Nodes().size());
        uitest::SaveScreenshot(host.Handle(), "DevicesForm");
    }
    ku::SetMessageBoxHook(nullptr);
}
