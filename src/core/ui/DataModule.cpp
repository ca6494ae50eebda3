// The data module: image lists from the program's pictures, the view menu, start-up checks.
#include "core/ui/DataModule.h"

#include <initializer_list>
#include <string>

#include "core/settings/Settings.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/ui/Pictures.h"
#include "resource.h"

namespace ku {

TDM* DM = nullptr;

namespace {

const int kButtonWidth = 88;
const int kButtonHeight = 64;

UniqueImageList ButtonList(const std::string& name) {
    const std::string normal = name + "1", hover = name + "2";
    return PictureList(kButtonWidth, kButtonHeight, {normal.c_str(), hover.c_str()});
}

} // namespace

TDM::TDM() {
    DM = this;
    menuBar_.reset(CreateMenu());
    HMENU view = CreatePopupMenu();
    AppendMenuA(view, MF_STRING, IDC_VIEW_DETAILS, "Details");
    AppendMenuA(view, MF_STRING, IDC_VIEW_ICONS, "Icons");
    AppendMenuA(view, MF_STRING, IDC_VIEW_LIST, "List");
    AppendMenuA(menuBar_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(view), "View");
    viewMenu_.reset(view);
    CheckViewItem(IDC_VIEW_DETAILS);

    ViewImageList = PictureList(64, 64, {"Instruction"});
    AppIconList.reset(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 16, 16));
    AppIconListEx.reset(ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 16, 16));
    ImageList_SetBkColor(AppIconList.get(), RGB(255, 255, 255));
    ImageList_SetBkColor(AppIconListEx.get(), RGB(255, 255, 255));
    BtnImageListEx = ButtonList("UninstallExBtn");
    DetailImageList = ButtonList("DetailBtn");
    UninstallList = ButtonList("UninstallBtn");
    ForceUninstallList = ButtonList("ForceUninstallBtn");
    SpecialList = ButtonList("SpecialBtn");
    StartupList = ButtonList("StartupBtn");
    DeleteList = ButtonList("DeleteBtn");
    RefreshList = ButtonList("RefreshBtn");
    // The view button's pictures sit at 8 and 9, after the four main buttons' pairs.
    BtnImageList = PictureList(kButtonWidth, kButtonHeight,
                               {"UninstallBtn1", "UninstallBtn2", "ForceUninstallBtn1",
                                "ForceUninstallBtn2", "SpecialBtn1", "SpecialBtn2", "StartupBtn1",
                                "StartupBtn2", "ViewBtn1", "ViewBtn2"});
}

TDM::~TDM() {
    // The popup belongs to the menu bar, which destroys it.
    viewMenu_.release();
    if (DM == this)
        DM = nullptr;
}

bool TDM::DataModuleCreate(const UpdateCheckPlaces& places) {
    RegistryView64 = IsWow64();
    if (!Settings.CheckUpdate)
        return false;
    return CheckForUpdate(false, nullptr, places);
}

void TDM::CheckViewItem(UINT command) {
    CheckMenuRadioItem(viewMenu_.get(), IDC_VIEW_DETAILS, IDC_VIEW_LIST, command, MF_BYCOMMAND);
}

static void SetListViewStyle(HWND list, DWORD view) {
    if (!list)
        return;
    LONG style = GetWindowLongA(list, GWL_STYLE);
    SetWindowLongA(list, GWL_STYLE, (style & ~LVS_TYPEMASK) | view);
}

void TDM::Details1Click() {
    CheckViewItem(IDC_VIEW_DETAILS);
    SetListViewStyle(ProgramListView, LVS_REPORT);
}

void TDM::Icons1Click() {
    CheckViewItem(IDC_VIEW_ICONS);
    SetListViewStyle(ProgramListView, LVS_ICON);
}

void TDM::List1Click() {
    CheckViewItem(IDC_VIEW_LIST);
    SetListViewStyle(ProgramListView, LVS_LIST);
}

void TDM::ApplyViewStyle(int viewStyle) {
    if (viewStyle == 1)
        Icons1Click();
    else if (viewStyle == 2)
        List1Click();
    else
        Details1Click();
}

} // namespace ku
