// TDM: the data module. Holds the view-style menu and the image lists of the main window, and
// at creation picks the registry view and runs the silent update check.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "core/settings/UpdateCheck.h"
#include "core/system/Handles.h"
#include "core/ui/Pictures.h"

namespace ku {

using UniqueMenu = UniqueAny<Traits<HMENU, decltype(&::DestroyMenu), &::DestroyMenu>>;

class TDM {
  public:
    TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;
    ~TDM();

    // Sets RegistryView64 from IsWow64, then runs the silent update check when CheckUpdate is
    // on. True when the user chose to update and the program must end.
    bool DataModuleCreate(const UpdateCheckPlaces& places);

    // The view menu's items: check their own item, uncheck the others, set the list's view.
    void Details1Click();
    void Icons1Click();
    void List1Click();
    // The view style of ViewStyle (0 details, 1 icons, 2 list), as the options dialog sets it.
    void ApplyViewStyle(int viewStyle);

    HMENU ViewPopupMenu() const { return viewMenu_.get(); } // popup with the three items
    HWND ProgramListView = nullptr; // the main window's program list, once it exists

    UniqueImageList ViewImageList;
    UniqueImageList AppIconList, AppIconListEx; // small and large program icons
    UniqueImageList BtnImageListEx, DetailImageList, UninstallList, ForceUninstallList, SpecialList,
        StartupList, DeleteList, RefreshList, BtnImageList;

  private:
    void CheckViewItem(UINT command);

    UniqueMenu menuBar_;
    UniqueMenu viewMenu_; // owned by menuBar_ once attached; kept here for lookups
};

extern TDM* DM;

} // namespace ku
