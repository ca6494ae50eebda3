// A list view of plain names in one column with one selection, as a value wrapper.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/Controls.h"

namespace ku {

class TNameListView : public TControl {
  public:
    using TControl::TControl;
    void AddColumn(int width) const {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = width;
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
    void Clear() const { SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0); }
    int Count() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
    void Add(const std::string& name) const {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = Count();
        item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::string Name(int index) const {
        char name[MAX_PATH] = {};
        LVITEMA item = {};
        item.pszText = name;
        item.cchTextMax = MAX_PATH;
        // exact-text: reads back a text the program put in itself
        SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        return name;
    }
    int Selected() const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    }
    bool Select(int index) const {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        return index >= 0 &&
               SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }
};

} // namespace ku
