// The real device functions: "SetupAPI.dll" and "cfgmgr32.dll" loaded at run time, each
// function looked up by name, all or nothing.
#include "sysmanager/DeviceApi.h"

#include <setupapi.h>

#include <vector>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"

namespace ku {

namespace {

using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
using DestroyDeviceInfoListFn = BOOL(WINAPI*)(HDEVINFO);
using GetClassImageListFn = BOOL(WINAPI*)(PSP_CLASSIMAGELIST_DATA);
using GetClassImageIndexFn = BOOL(WINAPI*)(PSP_CLASSIMAGELIST_DATA, const GUID*, PINT);
using DestroyClassImageListFn = BOOL(WINAPI*)(PSP_CLASSIMAGELIST_DATA);
using GetDeviceRegistryPropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE,
                                                  DWORD, PDWORD);
using OpenClassRegKeyFn = HKEY(WINAPI*)(const GUID*, REGSAM);
using SetClassInstallParamsFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER,
                                              DWORD);
using CallClassInstallerFn = BOOL(WINAPI*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA);
using GetDevNodeStatusFn = CONFIGRET(WINAPI*)(PULONG, PULONG, DEVINST, ULONG);
using RequestDeviceEjectFn = CONFIGRET(WINAPI*)(DEVINST, PPNP_VETO_TYPE, LPWSTR, ULONG, ULONG);

const DWORD kPresentAllClasses = DIGCF_PRESENT | DIGCF_ALLCLASSES; // 6
const DWORD kNameBuffer = 257;

class SetupApiDevices : public IDeviceApi {
  public:
    ~SetupApiDevices() override {
        CloseDeviceSet();
        FreeClassImages();
    }

    bool Load() override {
        setupApi_.reset(LoadLibraryA("SetupAPI.dll"));
        configManager_.reset(LoadLibraryA("cfgmgr32.dll"));
        // The configuration manager's functions live in cfgmgr32; some systems (Wine among
        // them) export a few of them only from SetupAPI.
        const struct {
            const char* name;
            void** slot;
            bool configManager;
        } functions[] = {
            {"SetupDiGetClassDevsA", Slot(getClassDevs_), false},
            {"SetupDiEnumDeviceInfo", Slot(enumDeviceInfo_), false},
            {"SetupDiDestroyDeviceInfoList", Slot(destroyDeviceInfoList_), false},
            {"SetupDiGetClassImageList", Slot(getClassImageList_), false},
            {"SetupDiGetClassImageIndex", Slot(getClassImageIndex_), false},
            {"SetupDiDestroyClassImageList", Slot(destroyClassImageList_), false},
            // The texts by their wide forms: a name the code page cannot hold is shown with
            // "?" for what it lacks, never in a best-fit form that reads as another device's.
            {"SetupDiGetDeviceRegistryPropertyW", Slot(getDeviceRegistryProperty_), false},
            {"SetupDiOpenClassRegKey", Slot(openClassRegKey_), false},
            {"SetupDiSetClassInstallParamsA", Slot(setClassInstallParams_), false},
            {"SetupDiCallClassInstaller", Slot(callClassInstaller_), false},
            {"CM_Get_DevNode_Status", Slot(getDevNodeStatus_), true},
            {"CM_Request_Device_EjectW", Slot(requestDeviceEject_), true},
        };
        bool all = static_cast<bool>(setupApi_);
        for (const auto& function : functions) {
            FARPROC found = nullptr;
            if (function.configManager && configManager_)
                found = GetProcAddress(configManager_.get(), function.name);
            if (!found && setupApi_)
                found = GetProcAddress(setupApi_.get(), function.name);
            *function.slot = reinterpret_cast<void*>(found);
            all = all && found;
        }
        loaded_ = all;
        return loaded_;
    }

    bool OpenDeviceSet() override {
        CloseDeviceSet();
        if (!loaded_)
            return false;
        set_ = getClassDevs_(nullptr, nullptr, nullptr, kPresentAllClasses);
        return set_ != INVALID_HANDLE_VALUE;
    }

    void CloseDeviceSet() override {
        if (loaded_ && set_ != INVALID_HANDLE_VALUE)
            destroyDeviceInfoList_(set_);
        set_ = INVALID_HANDLE_VALUE;
    }

    bool EnumDevice(int index, DeviceData& device) override {
        SP_DEVINFO_DATA data;
        if (!Enum(index, data))
            return false;
        device.ClassGuid = data.ClassGuid;
        device.DevInst = data.DevInst;
        return true;
    }

    bool DevNodeStatus(DWORD devInst, ULONG& status, ULONG& problem) override {
        return loaded_ && getDevNodeStatus_(&status, &problem, devInst, 0) == CR_SUCCESS;
    }

    std::string DeviceProperty(int index, DWORD property) override {
        SP_DEVINFO_DATA data;
        if (!Enum(index, data))
            return std::string();
        std::vector<BYTE> buffer(kNameBuffer * sizeof(wchar_t), 0);
        DWORD needed = 0;
        if (!getDeviceRegistryProperty_(set_, &data, property, nullptr, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), &needed)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
                return std::string();
            buffer.assign(needed + sizeof(wchar_t), 0);
            if (!getDeviceRegistryProperty_(set_, &data, property, nullptr, buffer.data(), needed,
                                            &needed))
                return std::string();
        }
        buffer.resize(buffer.size() + sizeof(wchar_t), 0);
        const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer.data());
        std::string shown;
        ExactAnsi(text, wcslen(text), shown);
        return shown;
    }

    bool IsNoDisplayClass(const GUID& classGuid) override {
        if (!loaded_)
            return false;
        const HKEY opened = openClassRegKey_(&classGuid, KEY_READ);
        if (!opened || opened == INVALID_HANDLE_VALUE)
            return false;
        UniqueKey key(opened);
        // exact-text: asks only whether the value is there
        return RegQueryValueExA(key.get(), "NoDisplayClass", nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    bool LoadClassImages() override {
        FreeClassImages();
        if (!loaded_)
            return false;
        images_ = SP_CLASSIMAGELIST_DATA{};
        images_.cbSize = sizeof(images_);
        haveImages_ = getClassImageList_(&images_) && images_.ImageList;
        return haveImages_;
    }

    void FreeClassImages() override {
        if (haveImages_)
            destroyClassImageList_(&images_);
        haveImages_ = false;
        images_ = SP_CLASSIMAGELIST_DATA{};
    }

    HIMAGELIST ClassImages() override { return haveImages_ ? images_.ImageList : nullptr; }

    bool ClassImageIndex(const GUID& classGuid, int& image) override {
        int index = -1;
        if (!haveImages_ || !getClassImageIndex_(&images_, &classGuid, &index))
            return false;
        image = index;
        return true;
    }

    bool ChangeState(int index, DWORD stateChange, std::string& failedStep) override {
        SP_DEVINFO_DATA data;
        if (!Enum(index, data)) {
            failedStep = "EnumDeviceInfo";
            return false;
        }
        SP_PROPCHANGE_PARAMS params = {};
        params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
        params.StateChange = stateChange;
        params.Scope = DICS_FLAG_GLOBAL;
        params.HwProfile = 0;
        if (!setClassInstallParams_(set_, &data, &params.ClassInstallHeader, sizeof(params)) ||
            !callClassInstaller_(DIF_PROPERTYCHANGE, set_, &data)) {
            failedStep = "SetClassInstallParams";
            return false;
        }
        return true;
    }

    CONFIGRET RequestEject(DWORD devInst, PNP_VETO_TYPE& vetoType, std::string& vetoName) override {
        if (!loaded_)
            return CR_FAILURE;
        wchar_t name[kNameBuffer] = {};
        const CONFIGRET result = requestDeviceEject_(devInst, &vetoType, name, kNameBuffer, 0);
        name[kNameBuffer - 1] = L'\0';
        ExactAnsi(name, wcslen(name), vetoName); // shown only: "?" for what the code page lacks
        return result;
    }

  private:
    template <typename Fn> static void** Slot(Fn& function) {
        return reinterpret_cast<void**>(&function);
    }

    bool Enum(int index, SP_DEVINFO_DATA& data) {
        if (!loaded_ || set_ == INVALID_HANDLE_VALUE || index < 0)
            return false;
        data = SP_DEVINFO_DATA{};
        data.cbSize = sizeof(data);
        return enumDeviceInfo_(set_, static_cast<DWORD>(index), &data) != FALSE;
    }

    UniqueModule setupApi_, configManager_;
    bool loaded_ = false;
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_CLASSIMAGELIST_DATA images_ = {};
    bool haveImages_ = false;

    GetClassDevsFn getClassDevs_ = nullptr;
    EnumDeviceInfoFn enumDeviceInfo_ = nullptr;
    DestroyDeviceInfoListFn destroyDeviceInfoList_ = nullptr;
    GetClassImageListFn getClassImageList_ = nullptr;
    GetClassImageIndexFn getClassImageIndex_ = nullptr;
    DestroyClassImageListFn destroyClassImageList_ = nullptr;
    GetDeviceRegistryPropertyFn getDeviceRegistryProperty_ = nullptr;
    OpenClassRegKeyFn openClassRegKey_ = nullptr;
    SetClassInstallParamsFn setClassInstallParams_ = nullptr;
    CallClassInstallerFn callClassInstaller_ = nullptr;
    GetDevNodeStatusFn getDevNodeStatus_ = nullptr;
    RequestDeviceEjectFn requestDeviceEject_ = nullptr;
};

} // namespace

std::unique_ptr<IDeviceApi> MakeSetupApiDevices() {
    return std::make_unique<SetupApiDevices>();
}

} // namespace ku
