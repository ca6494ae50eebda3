// A two-column string grid as a value wrapper over a report list view without headers.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/Controls.h"

namespace ku {

class TStringGrid : public TControl {
  public:
    using TControl::TControl;
    void AddColumn(int width) const {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = width;
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, ColumnCount(), reinterpret_cast<LPARAM>(&column));
    }
    int ColumnCount() const {
        return Header_GetItemCount(ListView_GetHeader(hwnd_));
    }
    void Clear() const { ListView_DeleteAllItems(hwnd_); }
    int RowCount() const { return ListView_GetItemCount(hwnd_); }
    void AddRow(const std::string& first, const std::string& second) const {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = RowCount();
        item.pszText = const_cast<char*>(first.c_str());
        const int row = static_cast<int>(
            SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        ListView_SetItemText(hwnd_, row, 1, const_cast<char*>(second.c_str()));
    }
    std::string Cell(int row, int column) const {
        char text[512] = {};
        ListView_GetItemText(hwnd_, row, column, text, sizeof(text));
        return text;
    }
    int SelectedRow() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }
    void SelectRow(int row) const {
        ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(hwnd_, row, FALSE);
    }
};

} // namespace ku
