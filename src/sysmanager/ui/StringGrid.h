// A two-column string grid as a value wrapper: the name list view with a second column.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/NameListView.h"

namespace ku {

class TStringGrid : public TNameListView {
  public:
    using TNameListView::TNameListView;
    void SetColumns(int firstWidth, int secondWidth) const {
        const int widths[] = {firstWidth, secondWidth};
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNA column = {};
            column.mask = LVCF_WIDTH | LVCF_SUBITEM;
            column.cx = widths[i];
            column.iSubItem = i;
            SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        }
    }
    int RowCount() const { return Count(); }
    void AddRow(const std::string& first, const std::string& second) const {
        Add(first);
        ListView_SetItemText(hwnd_, Count() - 1, 1, const_cast<char*>(second.c_str()));
    }
    std::string Cell(int row, int column) const {
        char text[512] = {};
        // exact-text: reads back a text the program put in itself
        ListView_GetItemText(hwnd_, row, column, text, sizeof(text));
        return text;
    }
    int SelectedRow() const { return Selected(); }
    void SelectRow(int row) const {
        if (Select(row))
            ListView_EnsureVisible(hwnd_, row, FALSE);
    }
};

} // namespace ku
