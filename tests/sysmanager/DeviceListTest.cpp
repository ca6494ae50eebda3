// The device tree's rules with scripted devices: disabled, problems, hidden, classes that are
// not displayed. (The device page's test drives the menus, questions and refused requests.)
#include <gtest/gtest.h>

#include "core/system/StrUtil.h"
#include "support/ScriptedDevices.h"
#include "sysmanager/DeviceList.h"

using kutest::MakeDevice;

TEST(DeviceList, TreeListsEveryShownDeviceWithItsImageAndOverlay) {
    const ULONG problem = ku::kDnHasProblem, off = ku::kDnDisableable, out = ku::kDnRemovable;
    kutest::ScriptedDevices api; // devices of one class number share the class's image
    api.devices = {MakeDevice("Disk drive", "", 1, off, 0, 3),
                   MakeDevice("", "Disabled adapter", 2, problem | off, 22, 4),
                   MakeDevice("Broken port", "", 2, problem, 10),
                   MakeDevice("USB stick", "", 3, out),
                   MakeDevice("Card reader", "", 3, off | out),
                   MakeDevice("Switched off", "", 1, off | out, 29),
                   MakeDevice("", "", 1, off),                          // no name at all
                   MakeDevice("Ghost", "", 1, off | ku::kDnNoShowInDm), // hidden
                   MakeDevice("Legacy driver", "", 9, off),             // class not displayed
                   MakeDevice("No status", "", 1, 0),
                   MakeDevice("After the hidden ones", "", 1, off)};
    api.devices[8].noDisplayClass = true;
    api.devices[9].statusFails = true;
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
    // Node by node: name, class image, overlay (1 disabled, 0 problem) and greyed.
    std::vector<std::string> nodes;
    for (const ku::DeviceNode& n : list.FillDeviceTree())
        nodes.push_back(ku::Format("%s %d %d %d", n.Name.c_str(), n.Image, n.Overlay, n.Cut));
    EXPECT_EQ(std::vector<std::string>(nodes.begin(), nodes.begin() + 8),
              (std::vector<std::string>{"Disk drive 3 -1 0", "Disabled adapter 4 1 0",
                                        "Broken port 4 0 0", "USB stick -1 -1 0",
                                        "Card reader -1 -1 0", "Switched off 3 0 0",
                                        "<Unknown Device> 3 -1 0", "Ghost 3 -1 1"}));
}
