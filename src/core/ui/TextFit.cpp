// Texts measured in their control's own font, for lists that scroll and labels that cut.
#include "core/ui/TextFit.h"

#include <commctrl.h>

#include <algorithm>

#include "core/ui/Window.h"

namespace ku {

namespace {

// Room a list box or list view leaves around a line's text, in pixels.
const int kTextMargin = 12;
const char* const kEllipsis = "\x85"; // "…" in the ANSI code page

// A DC of the control with its font selected, released at the end.
class ControlDc {
  public:
    explicit ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
        const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
        old_ = font ? SelectObject(dc_, font) : nullptr;
    }
    ~ControlDc() {
        if (old_)
            SelectObject(dc_, old_);
        ReleaseDC(control_, dc_);
    }
    ControlDc(const ControlDc&) = delete;
    ControlDc& operator=(const ControlDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND control_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// Height the text takes in a label of this width, wrapped as a static control wraps it.
int WrappedHeight(HDC dc, const std::string& text, int width) {
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    return needed.bottom - needed.top;
}

std::string ListBoxLine(HWND listBox, int index) {
    const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, index, 0);
    if (length <= 0)
        return std::string();
    std::string line(static_cast<size_t>(length) + 1, '\0');
    // exact-text: reads back a text the program put in itself
    SendMessageA(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&line[0]));
    line.resize(line.find('\0'));
    return line;
}

} // namespace

int TextWidth(HWND control, const std::string& text) {
    ControlDc dc(control);
    SIZE size = {};
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void FitListBoxExtent(HWND listBox) {
    int widest = 0;
    const int count = static_cast<int>(SendMessageA(listBox, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, TextWidth(listBox, ListBoxLine(listBox, i)));
    SendMessageA(listBox, LB_SETHORIZONTALEXTENT, widest > 0 ? widest + kTextMargin : 0, 0);
}

void FitListViewColumn(HWND list, int column, int minimum) {
    int widest = minimum;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    char text[1024];
    for (int row = 0; row < count; ++row) {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        text[0] = '\0';
        // exact-text: reads back a text the program put in itself
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        widest = std::max(widest, TextWidth(list, text) + kTextMargin);
    }
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, widest);
}

int BalancedWrapWidth(HWND label, const std::string& text, int width) {
    ControlDc dc(label);
    const int height = WrappedHeight(dc.Get(), text, width);
    int low = 1, high = width;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (WrappedHeight(dc.Get(), text, middle) <= height)
            high = middle;
        else
            low = middle + 1;
    }
    return high;
}

std::string FitLabelText(HWND label, const std::string& text) {
    RECT area;
    GetClientRect(label, &area);
    ControlDc dc(label);
    if (WrappedHeight(dc.Get(), text, area.right) <= area.bottom)
        return text;
    // The longest start of the text that still fits with the ellipsis after it.
    size_t low = 0, high = text.size();
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (WrappedHeight(dc.Get(), text.substr(0, middle) + kEllipsis, area.right) <= area.bottom)
            low = middle;
        else
            high = middle - 1;
    }
    return text.substr(0, low) + kEllipsis;
}

void SetFittedLabelText(HWND label, const std::string& text) {
    SetLabelText(label, FitLabelText(label, text));
}

} // namespace ku
