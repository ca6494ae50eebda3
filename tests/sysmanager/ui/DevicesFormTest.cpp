// The device page in a window of its own: scripted devices drive its menus, questions and
// messages, and the tree's rules. (KU.exe's road to the page shows the real devices of Wine.)
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>

#include "UiSupport.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "support/ScriptedDevices.h"
#include "sysmanager/DeviceList.h"
#include "sysmanager/ui/ueject.h"

using kutest::MakeDevice;

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
};

// Scripted devices: flags, problems and answers of every kind the page meets.
std::unique_ptr<kutest::ScriptedDevices> Scripted() {
    const ULONG problem = ku::kDnHasProblem, off = ku::kDnDisableable, out = ku::kDnRemovable;
    auto api = std::make_unique<kutest::ScriptedDevices>();
    api->devices = {
        MakeDevice("Disk drive", "", 1, off, 0, 3),
        MakeDevice("", "Disabled adapter", 2, problem | off, 22, 4),
        MakeDevice("Broken port", "", 2, problem, 10), MakeDevice("USB stick", "", 3, out),
        MakeDevice("Card reader", "", 3, off | out),
        MakeDevice("Switched off", "", 1, off | out, 29),
        MakeDevice("", "", 1, off), MakeDevice("Ghost", "", 1, off | ku::kDnNoShowInDm),
        MakeDevice("Legacy driver", "", 9, off), MakeDevice("No status", "", 1, 0),
        MakeDevice("After the hidden ones", "", 1, off)};
    // 6 has no name, 7 is hidden, 8's class is not shown, 9's status cannot be read.
    api->devices[8].noDisplayClass = api->devices[9].statusFails = true;
    api->devices[1].changeFails = true;
    api->devices[3].ejectAnswer = CR_REMOVE_VETOED;
    api->devices[3].vetoName = "USB\\VID_1";
    return api;
}

} // namespace

TEST(DevicesPage, DoubleClicksAskAndReportAsTheDeviceAllows) {
    const std::string enable = "Enable this Device?";
    // enable, eject: the menu items offered.
    const struct {
        int device; bool enable, eject; std::deque<int> answers;
        std::vector<std::string> boxes, requests;
    } cases[] = {
        // clang-format off
        {1, true, false, {IDCANCEL}, {enable}, {}},
        {1, true, false, {IDOK}, {enable, "SetClassInstallParams"}, {"enable 1"}},
        {3, false, true, {IDOK},
         {"Eject this Device?", "Failed to eject the Device (Veto: USB\\VID_1)"}, {"eject 3"}},
        {4, false, true, {}, {"Device is disableable and ejectable. Please use MainMenu."}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        DevicesPage page(Scripted());
        ASSERT_TRUE(page.form->SelectDevice(c.device));
        EXPECT_EQ(std::make_pair(page.form->MenuItemEnabled(IDM_DEV_ENABLEDEVICE),
                                 page.form->MenuItemEnabled(IDM_DEV_REMOVEDEVICE)),
                  std::make_pair(c.enable, c.eject));
        page.dialogs.answers = c.answers;
        page.form->TreeViewDblClick();
        EXPECT_EQ(page.dialogs.Texts(), c.boxes);
        EXPECT_EQ(page.api->requests, c.requests);
    }
}

TEST(DevicesPage, WithoutSetupApiItSaysSoOnceAndListsNothing) {
    auto api = Scripted();
    api->loadFails = true;
    DevicesPage page(std::move(api));
    page.form->TreeViewDblClick();
    page.form->EjectDevice();
    page.form->ChangeDisableDevice();
    page.form->mRefreshDisplayClick();
    EXPECT_EQ(page.dialogs.Texts(), std::vector<std::string>{"Could not load SetupAPI.dll"});
    EXPECT_EQ(TreeView_GetCount(page.form->TreeView()), 0u);
}

// The device tree's rules: hidden devices and classes that are not displayed show only on
// request.
TEST(DeviceList, TreeListsEveryShownDevice) {
    const std::unique_ptr<kutest::ScriptedDevices> api = Scripted();
    ku::TDeviceList list{*api};
    EXPECT_TRUE(list.InitDeviceList().empty());
    for (bool showHidden : {false, true}) {
        list.ShowHidden = showHidden;
        std::vector<int> shown;
        for (const ku::DeviceNode& node : list.FillDeviceTree())
            shown.push_back(node.DeviceIndex);
        EXPECT_EQ(shown, (showHidden ? std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                                     : std::vector<int>{0, 1, 2, 3, 4, 5, 6, 9, 10}));
    }
}
