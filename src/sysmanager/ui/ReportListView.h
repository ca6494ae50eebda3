// A list view in report style with sub-items, item and state pictures, check boxes and a
// number kept with each row, as a value wrapper.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/NameListView.h"

namespace ku {

// Clear, Count, Selected and Select come with the plain name list.
class TReportListView : public TNameListView {
  public:
    using TNameListView::TNameListView;

    void AddColumn(const std::string& caption, int width, int format = LVCFMT_LEFT) const {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<char*>(caption.c_str());
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, ColumnCount(), reinterpret_cast<LPARAM>(&column));
    }
    int ColumnCount() const {
        return Header_GetItemCount(
            reinterpret_cast<HWND>(SendMessageA(hwnd_, LVM_GETHEADER, 0, 0)));
    }
    int ColumnWidth(int column) const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, column, 0));
    }
    void SetColumnWidth(int column, int width) const {
        SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
    }
    // Gives the column what the others leave of the client area. Twice at most: the new
    // widths can take a scroll bar away or bring one, which changes the client area again.
    void FillWidthWith(int column) const {
        for (int pass = 0; pass < 2; ++pass) {
            RECT client;
            GetClientRect(hwnd_, &client);
            int width = client.right;
            for (int i = 0; i < ColumnCount(); ++i)
                if (i != column)
                    width -= ColumnWidth(i);
            if (width < 0 || width == ColumnWidth(column))
                return;
            SetColumnWidth(column, width);
        }
    }
    void SetExtendedStyle(DWORD style) const {
        SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
    }
    void SetImageList(HIMAGELIST images, int which) const {
        SendMessageA(hwnd_, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images));
    }

    void Delete(int index) const { SendMessageA(hwnd_, LVM_DELETEITEM, index, 0); }

    // Inserts a row at index; picture -1 means none, statePicture -1 no state picture.
    int Insert(int index, const std::string& caption, int picture, int statePicture,
               LPARAM data) const {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.iItem = index;
        item.pszText = const_cast<char*>(caption.c_str());
        item.iImage = picture < 0 ? I_IMAGENONE : picture;
        item.lParam = data;
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(statePicture + 1);
        return static_cast<int>(
            SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    void SetText(int index, int subItem, const std::string& text) const {
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(hwnd_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    }
    std::string Text(int index, int subItem) const {
        char text[1024] = {};
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        // exact-text: reads back a text the program put in itself
        SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    LPARAM Data(int index) const {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        // exact-text: its number, picture or data only, no text
        return SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam
                                                                                     : -1;
    }
    // The row that keeps data, or -1.
    int Find(LPARAM data) const {
        LVFINDINFOA find = {};
        find.flags = LVFI_PARAM;
        find.lParam = data;
        return static_cast<int>(
            SendMessageA(hwnd_, LVM_FINDITEMA, -1, reinterpret_cast<LPARAM>(&find)));
    }
    int Picture(int index) const {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = index;
        // exact-text: its number, picture or data only, no text
        SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    void SetPicture(int index, int picture) const {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = index;
        item.iImage = picture;
        SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    // The state picture, -1 for none.
    int StatePicture(int index) const {
        const UINT state =
            static_cast<UINT>(SendMessageA(hwnd_, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
        return static_cast<int>(state >> 12) - 1;
    }
    void SetStatePicture(int index, int picture) const {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(picture + 1);
        SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }
    // Check boxes are the state pictures 0 (clear) and 1 (ticked) of the check-box style.
    bool Checked(int index) const { return StatePicture(index) == 1; }
    void SetChecked(int index, bool on) const { SetStatePicture(index, on ? 1 : 0); }

    // The row and the part of it (LVHT_ONITEMICON, LVHT_ONITEMSTATEICON ...) at a point of
    // the client area.
    int HitTest(POINT point, UINT& flags) const {
        LVHITTESTINFO hit = {};
        hit.pt = point;
        const int row = static_cast<int>(
            SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        flags = hit.flags;
        return row;
    }
    RECT ItemRect(int index, int part) const {
        RECT area = {};
        area.left = part;
        SendMessageA(hwnd_, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&area));
        return area;
    }
};

} // namespace ku
