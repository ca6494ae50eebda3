// Test support: a device double for the device page. Each scripted device has its names,
// class, status and answers; the double records the requests it was asked to carry out.
#pragma once

#include <string>
#include <vector>

#include "sysmanager/DeviceApi.h"

namespace kutest {

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

} // namespace kutest
