// Window tests of the special-uninstall wizard: the real window, shown modeless in the test
// program, driven through its handlers as a user's clicks would.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "SpecialFormIds.h"
#include "UiSupport.h"
#include "special/ui/Unitlist.h"

namespace spectest {

class WizardDriver {
  public:
    WizardDriver() {
        if (form.Create(nullptr)) {
            form.Show();
            uitest::PumpMessages(100);
        }
    }
    HWND Item(int id) const { return GetDlgItem(form.Handle(), id); }
    HWND List() const { return Item(IDC_SPECIAL_LISTUNISTALL); }
    // Selects the list entry with this caption; false when there is none.
    bool Choose(const std::string& caption) {
        for (int row = 0; row < ListView_GetItemCount(List()); ++row) {
            char text[512] = {};
            ListView_GetItemText(List(), row, 0, text, sizeof text);
            if (caption == text) {
                ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED,
                                      LVIS_SELECTED | LVIS_FOCUSED);
                return true;
            }
        }
        return false;
    }
    // A click that the window handles when it next lets messages through.
    void PostClick(int id) const {
        PostMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(id)));
    }

    ku::TFormUninstall form;
};

} // namespace spectest
