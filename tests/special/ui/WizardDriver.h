// Window tests of the special-uninstall wizard: the real window, shown modeless in the test
// program, driven through its handlers as a user's clicks would.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "SpecialFormIds.h"
#include "core/system/StrUtil.h"
#include "UiSupport.h"
#include "special/ui/Unitlist.h"
#include "support/SystemSnapshot.h"

namespace spectest {

// Registry entries, paths and list lines compared without regard to case.
using Names = std::set<std::string>; // upper case
inline Names Upper(const std::vector<std::string>& lines) { return kutest::UpperNames(lines); }

class WizardDriver {
  public:
    WizardDriver() {
        if (form.Create(nullptr)) {
            form.Show();
            uitest::PumpMessages(100);
        }
    }
    HWND Item(int id) const { return GetDlgItem(form.Handle(), id); }
    // Selects the list entry with this caption; false when there is none.
    bool Choose(const std::string& caption) {
        const HWND list = Item(IDC_SPECIAL_LISTUNISTALL);
        LVFINDINFOA find = {LVFI_STRING, caption.c_str(), 0, {0, 0}, 0};
        const int row = ListView_FindItem(list, -1, &find);
        if (row >= 0)
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
        return row >= 0;
    }

    ku::TFormUninstall form;
};

} // namespace spectest
