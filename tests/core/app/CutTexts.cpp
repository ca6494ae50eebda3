// Texts measured as their controls draw them: the static control's and the button's formats,
// the check box's box and gap, the push button's frame, the header's margins.
#include "CutTexts.h"

#include <commctrl.h>

#include <algorithm>

namespace dpitest {

namespace {

std::string TextOf(HWND control) {
    char text[1024] = {};
    GetWindowTextA(control, text, sizeof(text));
    return text;
}

std::string ClassOf(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof(name));
    return name;
}

// The size the text takes when drawn in the control's font with this format within width.
SIZE Needed(HWND control, HFONT font, const std::string& text, UINT format, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT area = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &area, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {area.right, area.bottom};
}

HFONT FontOf(HWND control) {
    return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

// Half the width of a "0" in the control's font: the gap between a check box and its text.
int HalfDigit(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, FontOf(control));
    int width = 0;
    GetCharWidth32A(dc, '0', '0', &width);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return width / 2;
}

struct Room {
    UINT format = 0;
    RECT area = {}; // where the text may go, in the control's client coordinates
    bool measured = false;
};

// How a static control draws its text; nothing for pictures, frames and texts cut on purpose.
Room StaticRoom(LONG style, const RECT& client) {
    Room room;
    switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
        room.format = DT_WORDBREAK | DT_EXPANDTABS;
        break;
    case SS_SIMPLE:
        room.format = DT_SINGLELINE;
        break;
    case SS_LEFTNOWORDWRAP:
        room.format = DT_EXPANDTABS;
        break;
    default:
        return room;
    }
    if (style & SS_ELLIPSISMASK)
        return room; // a path or a name shortened with "..." where it must be
    if (style & SS_NOPREFIX)
        room.format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE)
        room.format = (room.format & ~DT_WORDBREAK) | DT_SINGLELINE;
    if (style & SS_EDITCONTROL)
        room.format |= DT_EDITCONTROL;
    room.area = client;
    room.measured = true;
    return room;
}

// How a button draws its caption: beside the box, inside the frame or on the group's line.
Room ButtonRoom(HWND control, LONG style, const RECT& client) {
    Room room;
    room.area = client;
    room.format = style & BS_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE;
    const int dpi = ScreenDpi();
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        room.area.left += 12 * dpi / 96 + 1 + HalfDigit(control);
        break;
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        InflateRect(&room.area, -3, -3);
        break;
    case BS_GROUPBOX:
        room.area.left += MulDiv(8, dpi, 96);
        room.area.right -= MulDiv(8, dpi, 96);
        break;
    default:
        return room;
    }
    room.measured = true;
    return room;
}

std::string Describe(HWND control, const std::string& text, const std::string& problem) {
    return "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\": " + problem;
}

// The text of a label or a button against its room; empty when it fits.
std::string CheckText(HWND control) {
    const std::string text = TextOf(control), kind = ClassOf(control);
    if (text.empty())
        return "";
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    Room room;
    if (lstrcmpiA(kind.c_str(), "Static") == 0)
        room = StaticRoom(style, client);
    else if (lstrcmpiA(kind.c_str(), "Button") == 0)
        room = ButtonRoom(control, style, client);
    if (!room.measured)
        return "";
    const int width = room.area.right - room.area.left, height = room.area.bottom - room.area.top;
    const SIZE needed = Needed(control, FontOf(control), text, room.format, width);
    if (needed.cx <= width && needed.cy <= height)
        return "";
    return Describe(control, text,
                    "needs " + std::to_string(needed.cx) + "x" + std::to_string(needed.cy) +
                        ", has " + std::to_string(width) + "x" + std::to_string(height));
}

// Each column caption of a report list view against its column.
std::vector<std::string> CheckColumns(HWND list) {
    std::vector<std::string> cut;
    const HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (!header || (GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT ||
        (GetWindowLongA(list, GWL_STYLE) & LVS_NOCOLUMNHEADER))
        return cut;
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        if (!text[0])
            continue;
        // A header leaves three edges' width on either side of a caption.
        const int needed = Needed(header, FontOf(header), text, DT_SINGLELINE, 0).cx +
                           6 * GetSystemMetrics(SM_CXEDGE);
        if (needed > item.cxy)
            cut.push_back(Describe(list, text,
                                   "column needs " + std::to_string(needed) + ", has " +
                                       std::to_string(item.cxy)));
    }
    return cut;
}

// A control with a text lies inside the area of the window that holds it.
std::string CheckPlace(HWND control) {
    if (TextOf(control).empty())
        return "";
    const HWND parent = GetParent(control);
    RECT place, room;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    GetClientRect(parent, &room);
    if (place.left >= room.left && place.top >= room.top && place.right <= room.right &&
        place.bottom <= room.bottom)
        return "";
    return Describe(control, TextOf(control),
                    "reaches " + std::to_string(place.right) + "," + std::to_string(place.bottom) +
                        " outside " + std::to_string(room.right) + "x" +
                        std::to_string(room.bottom));
}

BOOL CALLBACK Collect(HWND control, LPARAM into) {
    auto& cut = *reinterpret_cast<std::vector<std::string>*>(into);
    const std::string kind = ClassOf(control);
    if (lstrcmpiA(kind.c_str(), "Static") == 0 || lstrcmpiA(kind.c_str(), "Button") == 0) {
        for (const std::string& problem : {CheckText(control), CheckPlace(control)})
            if (!problem.empty())
                cut.push_back(problem);
    } else if (lstrcmpiA(kind.c_str(), WC_LISTVIEWA) == 0) {
        for (const std::string& problem : CheckColumns(control))
            cut.push_back(problem);
    }
    return TRUE;
}

} // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::vector<std::string> CutTexts(HWND window) {
    std::vector<std::string> cut;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&cut));
    return cut;
}

} // namespace dpitest
