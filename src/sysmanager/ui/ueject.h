// TDevicesForm: the device page, a child window on the System Manager's Devices page with a
// tree of the present devices and the menus that enable, disable and eject them.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "DevicesFormIds.h"
#include "core/ui/Window.h"
#include "sysmanager/DeviceList.h"

namespace ku {

class TDevicesForm : public TForm {
  public:
    // The device functions: SetupAPI unless a test hands in its own.
    explicit TDevicesForm(std::unique_ptr<IDeviceApi> api = MakeSetupApiDevices());
    ~TDevicesForm() override;

    // Handlers, named after the events and menu items they serve.
    void TreeViewChange();
    void TreeViewDblClick();
    void ChangeEnableDevice();  // mEnableDevice
    void ChangeDisableDevice(); // mDisableDevice
    void EjectDevice();         // mRemoveDevice
    void mRefreshDisplayClick();
    void mShowHiddenDevicesClick();
    void WMDeviceChange(WPARAM event);
    void FitToParent();

    HWND TreeView() const { return Item(IDC_DEV_TREEVIEW); }
    HWND StatusBar1() const { return Item(IDC_DEV_STATUSBAR1); }
    HMENU MainMenu() const { return mainMenu_; }
    std::string StatusText(int panel) const;
    bool MenuItemEnabled(UINT id) const;
    bool Loaded() const { return loaded_; }
    bool ShowHidden() const { return list_.ShowHidden; }
    const std::vector<DeviceNode>& Nodes() const { return nodes_; }
    // The device of the selected node, -1 when none is selected.
    int SelectedDevice() const;
    bool SelectDevice(int deviceIndex);

  protected:
    void FormCreate() override;
    void FormShow() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    void InitDeviceList();
    void FillDeviceTree();
    void PlaceControls();
    void ShowMenu(int button);
    bool AskAndChange(const char* question, DWORD stateChange);

    std::unique_ptr<IDeviceApi> api_;
    TDeviceList list_;
    bool loaded_ = false;
    HMENU mainMenu_ = nullptr;
    std::vector<DeviceNode> nodes_;
    HWND listener_ = nullptr; // hidden top-level window: only such windows hear device changes
};

// The device page while the System Manager shows it.
extern TDevicesForm* DevicesForm;

} // namespace ku
