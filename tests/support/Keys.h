// Keys as the keyboard hands them to a window's thread, also another thread's or process's: to
// the control that has the focus or, when no control has it, as system keys to the active
// window, where Tab, Enter, Esc and Space reach no control and do nothing.
#pragma once

#include <windows.h>

#include <string>

namespace kutest {

// The control that has the keys in the thread of window (nullptr: none).
HWND FocusOf(HWND window);
// Posts the key's press and release; with alt, as pressed while Alt is held (Alt+F4).
void PostKey(HWND window, UINT key, bool alt = false);
// True when the thread's keys are on a shown and enabled control of window.
bool KeysOnUsableControl(HWND window);
// The focused control of window's thread for a failure message: its id, shown, enabled.
std::string DescribeFocus(HWND window);
// Waits up to ms for the thread's keys to rest on control id of window (0: on any usable one).
bool WaitForFocus(HWND window, int id, DWORD ms = 10000);
// Presses Tab in window (of another thread) until control has the keys; false when a round of
// presses never reached it.
bool TabTo(HWND window, HWND control, int presses = 40);

} // namespace kutest
