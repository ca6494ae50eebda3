// What a person would find cut in a window: every label, check box, radio button, push button,
// group box and column header measured in the control's own font against the room the control
// gives its text, and every such control inside the area of the window that holds it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dpitest {

// The screen's pixels per inch, as the windows of this process are laid out for.
int ScreenDpi();

// One line per control of the window (hidden ones too: they show on another page) whose text
// does not fit: its id, its text and the room it needed and got.
std::vector<std::string> CutTexts(HWND window);

} // namespace dpitest
