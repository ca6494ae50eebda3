// The device page's rules with scripted devices (disabled, problems, hidden, classes that are
// not displayed, vetoed ejects, refused changes) and with the real SetupAPI of Wine.
#include <gtest/gtest.h>

#include "support/ScriptedDevices.h"
#include "sysmanager/DeviceList.h"

using kutest::MakeDevice;
using kutest::ScriptedDevice;

namespace {

const ULONG kProblem = ku::kDnHasProblem;
const ULONG kDisableable = ku::kDnDisableable;
const ULONG kRemovable = ku::kDnRemovable;

// Device i of the script; devices of one class number share the class's image.
std::vector<ScriptedDevice> Script() {
    std::vector<ScriptedDevice> devices = {
        MakeDevice("Disk drive", "", 1, kDisableable, 0, 3),
        MakeDevice("", "Disabled adapter", 2, kProblem | kDisableable, 22, 4),
        MakeDevice("Broken port", "", 2, kProblem, 10),
        MakeDevice("USB stick", "", 3, kRemovable),
        MakeDevice("Card reader", "", 3, kDisableable | kRemovable),
        MakeDevice("Switched off", "", 1, kDisableable | kRemovable, 29),
        MakeDevice("", "", 1, kDisableable),                          // no name at all
        MakeDevice("Ghost", "", 1, kDisableable | ku::kDnNoShowInDm), // hidden
        MakeDevice("Legacy driver", "", 9, kDisableable),             // class not displayed
        MakeDevice("No status", "", 1, 0),
        MakeDevice("After the hidden ones", "", 1, kDisableable)};
    devices[1].changeFails = true;
    devices[3].ejectAnswer = CR_REMOVE_VETOED;
    devices[3].vetoName = "USB\\VID_1";
    devices[4].ejectAnswer = CR_FAILURE;
    devices[8].noDisplayClass = true;
    devices[9].statusFails = true;
    return devices;
}

struct ScriptedList {
    kutest::ScriptedDevices api;
    ku::TDeviceList list{api};
    ScriptedList() {
        api.devices = Script();
        EXPECT_TRUE(list.InitDeviceList().empty());
    }
};

} // namespace

TEST(DeviceList, TreeListsEveryShownDeviceWithItsImageAndOverlay) {
    ScriptedList scripted;
    const struct {
        bool showHidden;
        std::vector<int> devices;
    } cases[] = {{false, {0, 1, 2, 3, 4, 5, 6, 9, 10}}, {true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}};
    for (const auto& c : cases) {
        scripted.list.ShowHidden = c.showHidden;
        const std::vector<ku::DeviceNode> nodes = scripted.list.FillDeviceTree();
        std::vector<int> shown;
        for (const ku::DeviceNode& node : nodes)
            shown.push_back(node.DeviceIndex);
        EXPECT_EQ(shown, c.devices) << "hidden shown: " << c.showHidden;
    }
    const std::vector<ku::DeviceNode> nodes = scripted.list.FillDeviceTree();
    const struct {
        int node;
        const char* name;
        int image, overlay;
        bool cut;
    } expected[] = {{0, "Disk drive", 3, -1, false},       {1, "Disabled adapter", 4, 1, false},
                    {2, "Broken port", 4, 0, false},       {3, "USB stick", -1, -1, false},
                    {6, "<Unknown Device>", 3, -1, false}, {7, "Ghost", 3, -1, true}};
    for (const auto& e : expected) {
        EXPECT_EQ(nodes[e.node].Name, e.name);
        EXPECT_EQ(nodes[e.node].Image, e.image) << e.name;
        EXPECT_EQ(nodes[e.node].Overlay, e.overlay) << e.name;
        EXPECT_EQ(nodes[e.node].Cut, e.cut) << e.name;
    }
}

TEST(DeviceList, MenuAndDoubleClickFollowTheDevicesStatus) {
    ScriptedList scripted;
    using Click = ku::DeviceDoubleClick;
    const std::string warn = ku::kDontDisable;
    const struct {
        int device;
        bool enable, disable, eject;
        std::string panel;
        Click click;
    } cases[] = {
        {0, false, true, false, "", Click::Disable},
        {1, true, false, false, warn, Click::Enable},
        {2, false, false, false, warn, Click::Nothing},
        {3, false, false, true, "", Click::Eject},
        {4, false, true, true, "", Click::UseMenu},
        {5, false, false, false, warn, Click::Nothing},
        {9, false, false, false, warn, Click::Nothing},
        {-1, false, false, false, warn, Click::Nothing},
    };
    for (const auto& c : cases) {
        const ku::DeviceMenu menu = scripted.list.MenuFor(c.device);
        EXPECT_EQ(menu.EnableDevice, c.enable) << c.device;
        EXPECT_EQ(menu.DisableDevice, c.disable) << c.device;
        EXPECT_EQ(menu.EjectDevice, c.eject) << c.device;
        EXPECT_EQ(menu.Panel1, c.panel) << c.device;
        EXPECT_EQ(scripted.list.DoubleClickAction(c.device), c.click) << c.device;
    }
}

TEST(DeviceList, RequestsReportTheirFailures) {
    ScriptedList scripted;
    std::string step;
    EXPECT_TRUE(scripted.list.ChangeDeviceState(ku::kStateDisable, 0, step));
    EXPECT_FALSE(scripted.list.ChangeDeviceState(ku::kStateEnable, 1, step));
    EXPECT_EQ(step, "SetClassInstallParams");
    EXPECT_FALSE(scripted.list.ChangeDeviceState(ku::kStateEnable, -1, step));
    EXPECT_EQ(step, "EnumDeviceInfo");

    EXPECT_FALSE(scripted.list.EjectDevice(3).Ejected); // vetoed: the page's test shows it
    const ku::EjectOutcome failed = scripted.list.EjectDevice(4);
    EXPECT_EQ(failed.Caption, "Failure");
    EXPECT_EQ(failed.Text, "Failed to eject the Device (configuration manager error 0x13)");
    EXPECT_TRUE(scripted.list.EjectDevice(0).Ejected);
    // Without a status or a selection nothing is asked of the system.
    EXPECT_FALSE(scripted.list.EjectDevice(9).Ejected);
    EXPECT_FALSE(scripted.list.EjectDevice(-1).Ejected);
    const std::vector<std::string> requests = {"disable 0", "enable 1", "eject 3", "eject 4",
                                               "eject 0"};
    EXPECT_EQ(scripted.api.requests, requests);
}

TEST(DeviceList, LoadFailuresLeaveAnEmptyOrPlainList) {
    kutest::ScriptedDevices api;
    api.devices = Script();
    ku::TDeviceList list(api);
    api.setFails = true;
    EXPECT_EQ(list.InitDeviceList(), std::vector<std::string>{"GetClassDevs"});
    EXPECT_TRUE(list.FillDeviceTree().empty());
    EXPECT_EQ(list.MenuFor(0).EnableDevice || list.MenuFor(0).DisableDevice, false);
    api.setFails = false;
    api.imagesFail = true;
    EXPECT_TRUE(list.InitDeviceList().empty());
    EXPECT_EQ(list.FillDeviceTree().size(), 9u);
}
