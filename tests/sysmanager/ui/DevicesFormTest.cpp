// The device page in a window of its own: scripted devices drive its menus, questions and
// messages. (KU.exe's road to the page shows the real devices of Wine.)
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <deque>

#include "UiSupport.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "support/ScriptedDevices.h"
#include "sysmanager/ui/ueject.h"

namespace {

struct DevicesPage {
    kutest::HostWindow host{465, 412};
    kutest::RecordingDialogs dialogs; // answers: one per box, then IDOK
    kutest::ScriptedDevices* api;     // owned by the form
    std::unique_ptr<ku::TDevicesForm> form;

    explicit DevicesPage(std::unique_ptr<kutest::ScriptedDevices> devices)
        : api(devices.get()), form(std::make_unique<ku::TDevicesForm>(std::move(devices))) {
        form->Create(host.Handle());
        form->Show();
        uitest::PumpMessages(200);
    }
    std::vector<std::string> Boxes() { // caption: text
        std::vector<std::string> texts;
        for (const ku::MessageBoxCall& box : dialogs.Calls())
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }
};

std::unique_ptr<kutest::ScriptedDevices> Scripted() {
    auto api = std::make_unique<kutest::ScriptedDevices>();
    using kutest::MakeDevice;
    api->devices = {
        MakeDevice("Disabled adapter", "", 0, ku::kDnHasProblem | ku::kDnDisableable, 22),
        MakeDevice("USB stick", "", 0, ku::kDnRemovable),
        MakeDevice("Card reader", "", 0, ku::kDnDisableable | ku::kDnRemovable),
        MakeDevice("Ghost", "", 0, ku::kDnNoShowInDm)};
    api->devices[0].changeFails = true;
    api->devices[1].ejectAnswer = CR_REMOVE_VETOED;
    api->devices[1].vetoName = "USB\\VID_1";
    return api;
}

} // namespace

TEST(DevicesPage, DoubleClicksAskAndReportAsTheDeviceAllows) {
    const std::string enable = "Change Device Status: Enable this Device?";
    const struct {
        int device;
        bool enable, eject;
        const char* panel1;
        std::deque<int> answers;
        std::vector<std::string> boxes, requests;
    } cases[] = {
        // clang-format off
        {0, true, false, "Don't disable this device!", {IDCANCEL}, {enable}, {}},
        {0, true, false, "Don't disable this device!", {IDOK},
         {enable, "Kelvane Uninstaller: SetClassInstallParams"}, {"enable 0"}},
        {1, false, true, "", {IDOK},
         {"Eject Device: Eject this Device?",
          "Vetoed: Failed to eject the Device (Veto: USB\\VID_1)"}, {"eject 1"}},
        {2, false, true, "", {},
         {"Change unknown: Device is disableable and ejectable. Please use MainMenu."}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        DevicesPage page(Scripted());
        EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 3u);
        ASSERT_TRUE(page.form->SelectDevice(c.device));
        EXPECT_EQ(page.form->MenuItemEnabled(IDM_DEV_ENABLEDEVICE), c.enable);
        EXPECT_EQ(page.form->MenuItemEnabled(IDM_DEV_REMOVEDEVICE), c.eject);
        EXPECT_EQ(page.form->StatusText(1), c.panel1);
        page.dialogs.answers = c.answers;
        page.form->TreeViewDblClick();
        EXPECT_EQ(page.Boxes(), c.boxes);
        EXPECT_EQ(page.api->requests, c.requests);
    }
}

TEST(DevicesPage, DeviceChangesRebuildTheTreeAndWithoutSetupApiItStaysQuiet) {
    {
        DevicesPage page(Scripted());
        // Only top-level windows hear device changes; the page's own listener passes them on.
        const HWND listener = FindWindowA("KuDeviceChangeListener", nullptr);
        ASSERT_NE(listener, nullptr);
        const int opens = page.api->opens;
        SendMessageA(listener, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
        SendMessageA(listener, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        EXPECT_EQ(page.api->opens, opens + 1);
        EXPECT_TRUE(page.dialogs.Calls().empty());
    }
    auto api = Scripted();
    api->loadFails = true;
    DevicesPage page(std::move(api));
    page.form->TreeViewDblClick();
    page.form->EjectDevice();
    page.form->ChangeDisableDevice();
    page.form->mRefreshDisplayClick();
    EXPECT_EQ(page.Boxes(),
              std::vector<std::string>{"Kelvane Uninstaller: Could not load SetupAPI.dll"});
    EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 0u);
}
