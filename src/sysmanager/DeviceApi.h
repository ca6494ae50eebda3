// The device functions of SetupAPI and the configuration manager that the device page needs,
// behind one small interface: the program uses the real libraries, loaded at run time; tests
// script devices through a double of their own.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <commctrl.h>

#include <memory>
#include <string>

namespace ku {

struct DeviceData {
    GUID ClassGuid = {};
    DWORD DevInst = 0;
};

class IDeviceApi {
  public:
    virtual ~IDeviceApi() = default;

    // Loads the libraries and every function the page needs, all or nothing.
    virtual bool Load() = 0;
    // The set of all present devices of all classes; false when none could be made.
    virtual bool OpenDeviceSet() = 0;
    virtual void CloseDeviceSet() = 0;
    // The device at a position of the set; false past the end or without a set.
    virtual bool EnumDevice(int index, DeviceData& device) = 0;
    // CM_Get_DevNode_Status; the outputs are only read when it succeeded.
    virtual bool DevNodeStatus(DWORD devInst, ULONG& status, ULONG& problem) = 0;
    // A text property of the device at index (SPDRP_FRIENDLYNAME ...), empty when it has none;
    // its shown form, "?" for what the code page lacks.
    virtual std::string DeviceProperty(int index, DWORD property) = 0;
    // The class key holds a value "NoDisplayClass".
    virtual bool IsNoDisplayClass(const GUID& classGuid) = 0;
    // SetupAPI's class image list; the list stays the interface's.
    virtual bool LoadClassImages() = 0;
    virtual void FreeClassImages() = 0;
    virtual HIMAGELIST ClassImages() = 0;
    virtual bool ClassImageIndex(const GUID& classGuid, int& image) = 0;
    // DIF_PROPERTYCHANGE with DICS_ENABLE (1) or DICS_DISABLE (2), global scope. On failure
    // failedStep names the step: "EnumDeviceInfo" or "SetClassInstallParams".
    virtual bool ChangeState(int index, DWORD stateChange, std::string& failedStep) = 0;
    // CM_Request_Device_EjectW with a cleared veto-name buffer of 257 characters; the veto name
    // in its shown form, "?" for what the code page lacks.
    virtual CONFIGRET RequestEject(DWORD devInst, PNP_VETO_TYPE& vetoType,
                                   std::string& vetoName) = 0;
};

// "SetupAPI.dll" and "cfgmgr32.dll", loaded when Load is called and freed with the object.
std::unique_ptr<IDeviceApi> MakeSetupApiDevices();

} // namespace ku
