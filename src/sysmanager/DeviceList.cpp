// The device page's rules: which devices the tree shows and how, what may be done to the
// selected one, and the messages of its requests.
#include "sysmanager/DeviceList.h"

#include <setupapi.h>

#include "core/system/StrUtil.h"
#include "sysmanager/SysCommands.h"

namespace ku {

namespace {

// The display name is the first of these that the device has.
const DWORD kNameProperties[] = {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC, SPDRP_CLASS,
                                 SPDRP_CLASSGUID};

} // namespace

std::vector<std::string> TDeviceList::InitDeviceList() {
    std::vector<std::string> failures;
    if (haveSet_) {
        api_.CloseDeviceSet();
        api_.FreeClassImages();
    }
    haveSet_ = api_.OpenDeviceSet();
    if (!haveSet_) {
        failures.push_back("GetClassDevs");
        return failures;
    }
    // Class pictures only decorate the tree: a system without them (Wine has none) is not
    // worth a message each time the System Manager opens, and the automatic backup at logon
    // must not wait for one.
    api_.LoadClassImages();
    return failures;
}

bool TDeviceList::ReadStatus(int index, ULONG& status, ULONG& problem) const {
    status = problem = 0;
    DeviceData device;
    ULONG readStatus = 0, readProblem = 0;
    if (index < 0 || !haveSet_ || !api_.EnumDevice(index, device) ||
        !api_.DevNodeStatus(device.DevInst, readStatus, readProblem))
        return false;
    status = readStatus;
    problem = readProblem;
    return true;
}

std::vector<DeviceNode> TDeviceList::FillDeviceTree() const {
    std::vector<DeviceNode> nodes;
    DeviceData device;
    for (int index = 0; haveSet_ && api_.EnumDevice(index, device); ++index) {
        // A device whose status cannot be read is listed without actions; it cannot be
        // known to be hidden.
        ULONG status = 0, problem = 0;
        ReadStatus(index, status, problem);
        if (!ShowHidden && ((status & kDnNoShowInDm) || api_.IsNoDisplayClass(device.ClassGuid)))
            continue;
        DeviceNode node;
        node.DeviceIndex = index;
        node.Name = GetDeviceName(index);
        int image = -1;
        if (api_.ClassImageIndex(device.ClassGuid, image))
            node.Image = image;
        if (problem == kProblemDisabled)
            node.Overlay = 1;
        else if ((problem & 0xFF) != 0)
            node.Overlay = 0;
        node.Cut = (status & kDnNoShowInDm) != 0;
        nodes.push_back(node);
    }
    return nodes;
}

std::string TDeviceList::GetDeviceName(int index) const {
    for (DWORD property : kNameProperties) {
        const std::string text = api_.DeviceProperty(index, property);
        if (!text.empty())
            return text.substr(0, 255);
    }
    return kUnknownDevice;
}

bool TDeviceList::IsDeviceDisabled(int index) const {
    ULONG status = 0, problem = 0;
    return ReadStatus(index, status, problem) && (status & kDnHasProblem) &&
           problem == kProblemDisabled;
}

bool TDeviceList::DeviceHasCapability(int index, ULONG mask) const {
    ULONG status = 0, problem = 0;
    return ReadStatus(index, status, problem) && (status & mask) == mask &&
           problem != kProblemHardwareDisabled;
}

DeviceMenu TDeviceList::MenuFor(int index) const {
    DeviceMenu menu;
    if (IsDeviceDisabled(index)) {
        menu.EnableDevice = true;
    } else if (DeviceHasCapability(index, kDnDisableable)) {
        menu.DisableDevice = true;
        menu.Panel1.clear();
    }
    if (DeviceHasCapability(index, kDnRemovable)) {
        menu.EjectDevice = true;
        menu.Panel1.clear();
    }
    return menu;
}

DeviceDoubleClick TDeviceList::DoubleClickAction(int index) const {
    if (IsDeviceDisabled(index))
        return DeviceDoubleClick::Enable;
    const bool disableable = DeviceHasCapability(index, kDnDisableable);
    const bool removable = DeviceHasCapability(index, kDnRemovable);
    if (disableable && removable)
        return DeviceDoubleClick::UseMenu;
    if (disableable)
        return DeviceDoubleClick::Disable;
    if (removable)
        return DeviceDoubleClick::Eject;
    return DeviceDoubleClick::Nothing;
}

bool TDeviceList::ChangeDeviceState(DWORD stateChange, int index, std::string& failedStep) {
    failedStep.clear();
    if (index < 0 || !haveSet_) {
        failedStep = "EnumDeviceInfo";
        return false;
    }
    return api_.ChangeState(index, stateChange, failedStep);
}

EjectOutcome TDeviceList::EjectDevice(int index) {
    EjectOutcome outcome;
    DeviceData device;
    ULONG status = 0, problem = 0;
    if (index < 0 || !haveSet_ || !api_.EnumDevice(index, device) ||
        !api_.DevNodeStatus(device.DevInst, status, problem))
        return outcome;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    std::string vetoName;
    SetLastError(0);
    const CONFIGRET result = api_.RequestEject(device.DevInst, vetoType, vetoName);
    const DWORD error = GetLastError();
    if (result == CR_SUCCESS) {
        outcome.Ejected = true;
    } else if (result == CR_REMOVE_VETOED) {
        outcome.Caption = "Vetoed";
        outcome.Text = "Failed to eject the Device (Veto: " + vetoName + ")";
    } else {
        // The configuration manager answers with its own code and need not set the last error.
        const std::string reason = error ? SystemErrorText(error) : std::string();
        outcome.Caption = "Failure";
        outcome.Text =
            "Failed to eject the Device (" +
            (reason.empty() ? Format("configuration manager error 0x%lX", result) : reason) + ")";
    }
    return outcome;
}

} // namespace ku
