// The System Manager's pages are child windows that fill the page window they are made in.
#pragma once

#include <windows.h>

namespace ku {

// Sizes a page to its parent's client area.
inline void FillParent(HWND page) {
    const HWND parent = GetParent(page);
    RECT area;
    if (parent && GetClientRect(parent, &area))
        SetWindowPos(page, nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace ku
