// The device tree's rules with scripted devices: disabled, problems, hidden, classes that are
// not displayed. (The device page's test drives the menus, questions and refused requests.)
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
    devices[8].noDisplayClass = true;
    devices[9].statusFails = true;
    return devices;
}

} // namespace

TEST(DeviceList, TreeListsEveryShownDeviceWithItsImageAndOverlay) {
    kutest::ScriptedDevices api;
    api.devices = Script();
    ku::TDeviceList list{api};
    EXPECT_TRUE(list.InitDeviceList().empty());
    for (bool showHidden : {false, true}) {
        list.ShowHidden = showHidden;
        std::vector<int> shown;
        for (const ku::DeviceNode& node : list.FillDeviceTree())
            shown.push_back(node.DeviceIndex);
        EXPECT_EQ(shown, (showHidden ? std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                                     : std::vector<int>{0, 1, 2, 3, 4, 5, 6, 9, 10}));
    }
    const std::vector<ku::DeviceNode> nodes = list.FillDeviceTree();
    const struct { int node; const char* name; int image, overlay; bool cut; } expected[] = {
        {0, "Disk drive", 3, -1, false},       {1, "Disabled adapter", 4, 1, false},
        {2, "Broken port", 4, 0, false},       {3, "USB stick", -1, -1, false},
        {6, "<Unknown Device>", 3, -1, false}, {7, "Ghost", 3, -1, true}};
    for (const auto& e : expected) {
        const ku::DeviceNode& n = nodes[e.node];
        EXPECT_EQ(std::make_tuple(n.Name, n.Image, n.Overlay, n.Cut),
                  std::make_tuple(std::string(e.name), e.image, e.overlay, e.cut));
    }
}
