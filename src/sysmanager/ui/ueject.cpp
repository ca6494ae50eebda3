// The device page: binds the device tree, its menus and the status bar to the device list.
#include "sysmanager/ui/ueject.h"

#include <commctrl.h>
#include <dbt.h>

#include "core/system/Dialogs.h"
#include "sysmanager/ui/PageWindow.h"

namespace ku {

TDevicesForm* DevicesForm = nullptr;

namespace {

const char* const kListenerClass = "KuDeviceChangeListener";
const char* const kHideHidden = "Hide all hidden device";
const char* const kShowHidden = "Display all hidden device";

// WM_DEVICECHANGE reaches top-level windows only; this hidden one passes it to the page.
LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
        const HWND page = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (page)
            SendMessageA(page, WM_DEVICECHANGE, wParam, lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateListener(HWND page) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ListenerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kListenerClass;
    RegisterClassA(&windowClass); // fails harmlessly once the class exists
    const HWND listener = CreateWindowExA(0, kListenerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr);
    if (listener)
        SetWindowLongPtrA(listener, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
    return listener;
}

void AddToolButton(HWND toolbar, int id, const char* caption) {
    TBBUTTON button = {};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = id;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_AUTOSIZE | BTNS_WHOLEDROPDOWN | BTNS_SHOWTEXT;
    button.iString = reinterpret_cast<INT_PTR>(caption);
    SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

} // namespace

TDevicesForm::TDevicesForm(std::unique_ptr<IDeviceApi> api)
    : TForm(IDD_DEVICESFORM), api_(std::move(api)), list_(*api_) {}

TDevicesForm::~TDevicesForm() {
    // The tree lets go of the class images before the device functions free them.
    if (Handle())
        DestroyWindow(Handle());
    if (listener_)
        DestroyWindow(listener_);
    if (mainMenu_)
        DestroyMenu(mainMenu_);
}

void TDevicesForm::FormCreate() {
    SetWindowTextA(Handle(), "Device Manager");
    mainMenu_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_DEV_MAINMENU));
    const HWND toolbar = Item(IDC_DEV_TOOLBAR1);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    AddToolButton(toolbar, IDC_DEV_CHANGEBTN, "&Change");
    AddToolButton(toolbar, IDC_DEV_OPTIONSBTN, "&Options");
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    listener_ = CreateListener(Handle());
    FitToParent();

    if (!api_ || !api_->Load()) {
        ShowMessageBox(Handle(), "Could not load SetupAPI.dll", kAppCaption, MB_OK);
        return;
    }
    loaded_ = true;
    list_.ShowHidden = false;
    InitDeviceList();
    FillDeviceTree();
}

void TDevicesForm::FormShow() {
    // mExit is hidden: the page is part of the System Manager, which closes itself.
    DeleteMenu(mainMenu_, IDM_DEV_EXIT, MF_BYCOMMAND);
    SendMessageA(StatusBar1(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(kHideHidden));
}

void TDevicesForm::FitToParent() {
    FillParent(Handle());
    PlaceControls();
}

void TDevicesForm::PlaceControls() {
    RECT client, bar, status;
    GetClientRect(Handle(), &client);
    const HWND toolbar = Item(IDC_DEV_TOOLBAR1);
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    SendMessageA(StatusBar1(), WM_SIZE, 0, 0);
    GetWindowRect(toolbar, &bar);
    GetWindowRect(StatusBar1(), &status);
    const int top = bar.bottom - bar.top;
    const int bottom = client.bottom - (status.bottom - status.top);
    SetWindowPos(TreeView(), nullptr, 0, top, client.right, bottom - top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    int parts[2] = {client.right / 2, -1};
    SendMessageA(StatusBar1(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

std::string TDevicesForm::StatusText(int panel) const {
    char text[256] = {};
    if (LOWORD(SendMessageA(StatusBar1(), SB_GETTEXTLENGTHA, panel, 0)) < sizeof(text))
        // exact-text: reads back the program's own status text
        SendMessageA(StatusBar1(), SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text));
    return text;
}

bool TDevicesForm::MenuItemEnabled(UINT id) const {
    const UINT state = GetMenuState(mainMenu_, id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

int TDevicesForm::SelectedDevice() const {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = TreeView_GetSelection(TreeView());
    // exact-text: its number, picture or data only, no text
    if (!item.hItem || !TreeView_GetItem(TreeView(), &item))
        return -1;
    return static_cast<int>(item.lParam);
}

bool TDevicesForm::SelectDevice(int deviceIndex) {
    for (HTREEITEM node = TreeView_GetRoot(TreeView()); node;
         node = TreeView_GetNextSibling(TreeView(), node)) {
        TVITEMA item = {};
        item.mask = TVIF_PARAM;
        item.hItem = node;
        // exact-text: its number, picture or data only, no text
        if (TreeView_GetItem(TreeView(), &item) && item.lParam == deviceIndex)
            return TreeView_SelectItem(TreeView(), node) != FALSE;
    }
    return false;
}

void TDevicesForm::InitDeviceList() {
    const std::vector<std::string> failures = list_.InitDeviceList();
    TreeView_SetImageList(TreeView(), api_->ClassImages(), TVSIL_NORMAL);
    for (const std::string& failure : failures)
        ShowMessageBox(Handle(), failure, kAppCaption, MB_OK);
}

void TDevicesForm::FillDeviceTree() {
    const HWND tree = TreeView();
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree);
    nodes_ = loaded_ ? list_.FillDeviceTree() : std::vector<DeviceNode>();
    for (const DeviceNode& node : nodes_) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        TVITEMA& item = insert.item;
        item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        item.pszText = const_cast<char*>(node.Name.c_str());
        item.lParam = node.DeviceIndex;
        item.iImage = item.iSelectedImage = node.Image >= 0 ? node.Image : I_IMAGENONE;
        item.stateMask = TVIS_OVERLAYMASK | TVIS_CUT;
        item.state = (node.Overlay >= 0 ? INDEXTOOVERLAYMASK(node.Overlay + 1) : 0) |
                     (node.Cut ? TVIS_CUT : 0);
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    TreeViewChange();
}

void TDevicesForm::TreeViewChange() {
    const DeviceMenu menu = list_.MenuFor(SelectedDevice());
    const auto enable = [this](UINT id, bool on) {
        EnableMenuItem(mainMenu_, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(IDM_DEV_ENABLEDEVICE, menu.EnableDevice);
    enable(IDM_DEV_DISABLEDEVICE, menu.DisableDevice);
    enable(IDM_DEV_REMOVEDEVICE, menu.EjectDevice);
    SendMessageA(StatusBar1(), SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(menu.Panel1.c_str()));
}

void TDevicesForm::TreeViewDblClick() {
    switch (list_.DoubleClickAction(SelectedDevice())) {
    case DeviceDoubleClick::Enable:
        ChangeEnableDevice();
        break;
    case DeviceDoubleClick::UseMenu:
        ShowMessageBox(Handle(), "Device is disableable and ejectable. Please use MainMenu.",
                       "Change unknown", MB_OK);
        break;
    case DeviceDoubleClick::Disable:
        ChangeDisableDevice();
        break;
    case DeviceDoubleClick::Eject:
        EjectDevice();
        break;
    case DeviceDoubleClick::Nothing:
        break;
    }
}

bool TDevicesForm::AskAndChange(const char* question, DWORD stateChange) {
    const int device = SelectedDevice();
    if (device < 0 ||
        ShowMessageBox(Handle(), question, "Change Device Status", MB_OKCANCEL) != IDOK)
        return false;
    std::string failedStep;
    if (list_.ChangeDeviceState(stateChange, device, failedStep)) {
        FillDeviceTree();
        return true;
    }
    ShowMessageBox(Handle(), failedStep, kAppCaption, MB_OK);
    return false;
}

void TDevicesForm::ChangeEnableDevice() {
    AskAndChange("Enable this Device?", kStateEnable);
}

void TDevicesForm::ChangeDisableDevice() {
    AskAndChange("Disable this Device?", kStateDisable);
}

void TDevicesForm::EjectDevice() {
    const int device = SelectedDevice();
    if (device < 0 ||
        ShowMessageBox(Handle(), "Eject this Device?", "Eject Device", MB_OKCANCEL) != IDOK)
        return;
    const EjectOutcome outcome = list_.EjectDevice(device);
    if (outcome.Ejected)
        FillDeviceTree();
    else if (!outcome.Text.empty())
        ShowMessageBox(Handle(), outcome.Text, outcome.Caption, MB_OK);
}

void TDevicesForm::mRefreshDisplayClick() {
    FillDeviceTree();
}

void TDevicesForm::mShowHiddenDevicesClick() {
    list_.ShowHidden = !list_.ShowHidden;
    SendMessageA(StatusBar1(), SB_SETTEXTA, 0,
                 reinterpret_cast<LPARAM>(list_.ShowHidden ? kShowHidden : kHideHidden));
    FillDeviceTree();
}

void TDevicesForm::WMDeviceChange(WPARAM event) {
    if (event != DBT_DEVNODES_CHANGED || !loaded_)
        return;
    InitDeviceList();
    FillDeviceTree();
}

void TDevicesForm::ShowMenu(int button) {
    const int position = button == IDC_DEV_CHANGEBTN ? 1 : 2;
    RECT area = {};
    SendMessageA(Item(IDC_DEV_TOOLBAR1), TB_GETRECT, button, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(Item(IDC_DEV_TOOLBAR1), nullptr, reinterpret_cast<POINT*>(&area), 2);
    TrackPopupMenu(GetSubMenu(mainMenu_, position), TPM_LEFTALIGN | TPM_TOPALIGN, area.left,
                   area.bottom, 0, Handle(), nullptr);
}

bool TDevicesForm::OnCommand(int id, int) {
    switch (id) {
    case IDM_DEV_ENABLEDEVICE:
        ChangeEnableDevice();
        return true;
    case IDM_DEV_DISABLEDEVICE:
        ChangeDisableDevice();
        return true;
    case IDM_DEV_REMOVEDEVICE:
        EjectDevice();
        return true;
    case IDM_DEV_REFRESHDISPLAY:
        mRefreshDisplayClick();
        return true;
    case IDM_DEV_SHOWHIDDENDEVICES:
        mShowHiddenDevicesClick();
        return true;
    case IDC_DEV_CHANGEBTN:
    case IDC_DEV_OPTIONSBTN:
        ShowMenu(id);
        return true;
    }
    return false;
}

bool TDevicesForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_DEVICECHANGE) {
        WMDeviceChange(wParam);
        result = TRUE;
        return true;
    }
    if (message == WM_SIZE && Handle()) {
        PlaceControls();
        return false;
    }
    if (message != WM_NOTIFY)
        return false;
    const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom == IDC_DEV_TOOLBAR1 && header.code == TBN_DROPDOWN) {
        ShowMenu(reinterpret_cast<const NMTOOLBARA&>(header).iItem);
        result = TRUE;
        SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, TBDDRET_DEFAULT);
        return true;
    }
    if (header.idFrom == IDC_DEV_TREEVIEW && header.code == TVN_SELCHANGEDA)
        TreeViewChange();
    if (header.idFrom == IDC_DEV_TREEVIEW && header.code == NM_DBLCLK)
        TreeViewDblClick();
    return false;
}

} // namespace ku
