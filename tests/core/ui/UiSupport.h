// Window-test support: message pumping, region checks and screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Lets the thread's windows handle their messages for about ms milliseconds.
void PumpMessages(DWORD ms);

// A left click on the control, as the mouse gives it.
void ClickControl(HWND control);

// Pumps messages until done() or about ms milliseconds; answers done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// A key pressed and released on the focused control (as a system key to the active window
// when no control has the focus, as the keyboard gives it), handed through IsDialogMessage as a
// program's message loop hands it.
void PressKey(HWND window, UINT key);

// Presses Tab in the window until control has the keys; false when a round never reached it.
bool TabTo(HWND window, HWND control, int presses = 40);

// The controls Tab reaches in the window, from the first, once round.
std::vector<HWND> TabStops(HWND window);

// True when the label's text, wrapped as a static control wraps it, fits its client area.
bool TextFitsLabel(HWND label);

// True when the window has a region that cuts its top-left corner but holds its centre.
bool HasRoundedRegion(HWND window);

// Saves what the window shows on the screen as C:\kutest\screenshots\<name>.png.
bool SaveScreenshot(HWND window, const std::string& name);

// The colour at client point (x, y) of the background the window paints itself (asked to erase
// into a bitmap of its own), whatever covers the window on the shared screen.
COLORREF BackgroundPixel(HWND window, int x, int y);

} // namespace uitest
