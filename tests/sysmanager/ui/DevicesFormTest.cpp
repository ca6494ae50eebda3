// The device page in a window of its own: scripted devices drive its menus, questions and
// messages, and the tree's rules. (KU.exe's road to the page shows the real devices of Wine.)
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>

#include "UiSupport.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "sysmanager/DeviceApi.h"
#include "sysmanager/DeviceList.h"
#include "sysmanager/ui/ueject.h"

namespace {

// A device double: each scripted device has its names, class, status and answers; the double
// records the requests it was asked to carry out.
struct ScriptedDevice {
    std::string friendlyName, description;
    int classNumber = 0; // devices of one number share a class GUID
    ULONG status = 0, problem = 0;
    int classImage = -1; // -1: the class has no image
    bool statusFails = false, noDisplayClass = false, changeFails = false;
    CONFIGRET ejectAnswer = CR_SUCCESS;
    std::string vetoName;
};

inline ScriptedDevice MakeDevice(const char* friendly, const char* description, int classNumber,
                                 ULONG status, ULONG problem = 0, int classImage = -1) {
    return {friendly, description, classNumber, status, problem, classImage, {}, {}, {}, {}, {}};
}

class ScriptedDevices : public ku::IDeviceApi {
  public:
    std::vector<ScriptedDevice> devices;
    bool loadFails = false;
    std::vector<std::string> requests; // "enable 2", "disable 0", "eject 3"
    int opens = 0;                     // device sets made

    bool Load() override { return !loadFails; }
    bool OpenDeviceSet() override { return ++opens, open_ = true; }
    void CloseDeviceSet() override { open_ = false; }
    bool EnumDevice(int index, ku::DeviceData& device) override {
        if (!open_ || !At(index))
            return false;
        device.ClassGuid = ClassGuid(devices[index].classNumber);
        device.DevInst = 100 + index;
        return true;
    }
    bool DevNodeStatus(DWORD devInst, ULONG& status, ULONG& problem) override {
        const ScriptedDevice* device = At(static_cast<int>(devInst) - 100);
        if (device && !device->statusFails)
            status = device->status, problem = device->problem;
        return device && !device->statusFails;
    }
    std::string DeviceProperty(int index, DWORD property) override {
        return property == 12  ? devices.at(index).friendlyName
               : property == 0 ? devices.at(index).description
                               : std::string();
    }
    bool IsNoDisplayClass(const GUID& classGuid) override {
        for (const ScriptedDevice& device : devices)
            if (device.noDisplayClass && IsEqualGUID(ClassGuid(device.classNumber), classGuid))
                return true;
        return false;
    }
    bool LoadClassImages() override { return true; }
    void FreeClassImages() override {}
    HIMAGELIST ClassImages() override { return nullptr; }
    bool ClassImageIndex(const GUID& classGuid, int& image) override {
        for (const ScriptedDevice& device : devices)
            if (IsEqualGUID(ClassGuid(device.classNumber), classGuid) && device.classImage >= 0)
                return image = device.classImage, true;
        return false;
    }
    bool ChangeState(int index, DWORD stateChange, std::string& failedStep) override {
        requests.push_back((stateChange == 1 ? "enable " : "disable ") + std::to_string(index));
        failedStep = !At(index) ? "EnumDeviceInfo" : "SetClassInstallParams";
        return At(index) && !devices[index].changeFails;
    }
    CONFIGRET RequestEject(DWORD devInst, PNP_VETO_TYPE& vetoType, std::string& vetoName) override {
        const ScriptedDevice* device = At(static_cast<int>(devInst) - 100);
        requests.push_back("eject " + std::to_string(devInst - 100));
        vetoType = PNP_VetoDevice;
        vetoName = device ? device->vetoName : std::string();
        return device ? device->ejectAnswer : CR_NO_SUCH_DEVNODE;
    }

  private:
    static GUID ClassGuid(int number) {
        GUID guid = {0x6b5e0a10, 0x1f2c, 0x4d3e, {0x8a, 0x11, 0, 0, 0, 0, 0, 0}};
        guid.Data4[7] = static_cast<unsigned char>(number);
        return guid;
    }
    ScriptedDevice* At(int index) {
        return index >= 0 && index < static_cast<int>(devices.size()) ? &devices[index] : nullptr;
    }

    bool open_ = false;
};

struct DevicesPage {
    kutest::HostWindow host{465, 412};
    kutest::RecordingDialogs dialogs; // answers: one per box, then IDOK
    ScriptedDevices* api;     // owned by the form
    std::unique_ptr<ku::TDevicesForm> form;

    explicit DevicesPage(std::unique_ptr<ScriptedDevices> devices)
        : api(devices.get()), form(std::make_unique<ku::TDevicesForm>(std::move(devices))) {
        form->Create(host.Handle());
        form->Show();
        uitest::PumpMessages(200);
    }
};

// Scripted devices: flags, problems and answers of every kind the page meets.
std::unique_ptr<ScriptedDevices> Scripted() {
    const ULONG problem = ku::kDnHasProblem, off = ku::kDnDisableable, out = ku::kDnRemovable;
    auto api = std::make_unique<ScriptedDevices>();
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
    const std::unique_ptr<ScriptedDevices> api = Scripted();
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
