// A tab control used as the page strip of a dialog (TPageControl), as a value wrapper.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/Controls.h"

namespace ku {

class TPageControl : public TControl {
  public:
    using TControl::TControl;
    void AddPage(const std::string& caption) const {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(caption.c_str());
        SendMessageA(hwnd_, TCM_INSERTITEMA, PageCount(), reinterpret_cast<LPARAM>(&item));
    }
    int PageCount() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETITEMCOUNT, 0, 0)); }
    int ActivePage() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)); }
    void SetActivePage(int page) const { SendMessageA(hwnd_, TCM_SETCURSEL, page, 0); }
};

} // namespace ku
