// The device page without its window: the tree's nodes, what the Change menu offers for a
// device, and the enable, disable and eject requests with their messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "sysmanager/DeviceApi.h"

namespace ku {

// Status flags and problem codes of the configuration manager the page reads.
constexpr ULONG kDnHasProblem = 0x400;
constexpr ULONG kDnDisableable = 0x2000;
constexpr ULONG kDnRemovable = 0x4000;
constexpr ULONG kDnNoShowInDm = 0x40000000;
constexpr ULONG kProblemDisabled = 22;
constexpr ULONG kProblemHardwareDisabled = 29;
constexpr DWORD kStateEnable = 1;  // DICS_ENABLE
constexpr DWORD kStateDisable = 2; // DICS_DISABLE

inline const char* const kUnknownDevice = "<Unknown Device>";
inline const char* const kDontDisable = "Don't disable this device!";

// One top-level node of the tree; it keeps the position of its device in the set.
struct DeviceNode {
    int DeviceIndex = -1;
    std::string Name;
    int Image = -1;   // class image, -1 when the class has none
    int Overlay = -1; // -1 none, 0 problem, 1 disabled
    bool Cut = false; // hidden device, shown ghosted
};

// What the Change menu offers for the selected device, and the text of status panel 1.
struct DeviceMenu {
    bool EnableDevice = false;
    bool DisableDevice = false;
    bool EjectDevice = false;
    std::string Panel1 = kDontDisable;
};

enum class DeviceDoubleClick { Nothing, Enable, Disable, Eject, UseMenu };

// The answer to an eject request: success, or a message and its caption.
struct EjectOutcome {
    bool Ejected = false;
    std::string Caption;
    std::string Text;
};

class TDeviceList {
  public:
    explicit TDeviceList(IDeviceApi& api) : api_(api) {}

    // (Re)makes the device set and the class images; the short failure text to show
    // ("GetClassDevs"), or none. Without class images the tree shows names alone.
    std::vector<std::string> InitDeviceList();
    // The nodes to show. A hidden device (or one of a class that is not displayed) is left
    // out while ShowHidden is off; the devices after it are still listed.
    std::vector<DeviceNode> FillDeviceTree() const;

    std::string GetDeviceName(int index) const;
    bool IsDeviceDisabled(int index) const;
    bool DeviceHasCapability(int index, ULONG mask) const;
    DeviceMenu MenuFor(int index) const;
    DeviceDoubleClick DoubleClickAction(int index) const;
    // False with the step to show when the class installer did not take the change.
    bool ChangeDeviceState(DWORD stateChange, int index, std::string& failedStep);
    // Nothing is asked of a device that cannot be enumerated or whose status cannot be read.
    EjectOutcome EjectDevice(int index);

    bool ShowHidden = false;

  private:
    // Status of the device at index; false (and zeros) without a device or a status.
    bool ReadStatus(int index, ULONG& status, ULONG& problem) const;

    IDeviceApi& api_;
    bool haveSet_ = false;
};

} // namespace ku
