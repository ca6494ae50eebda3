// Keys as the keyboard hands them to a window's thread.
#include "support/Keys.h"

#include "support/Spawn.h"

namespace kutest {

namespace {

GUITHREADINFO ThreadInfo(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

// On a display without a window manager, Wine can leave the program with no active window at
// all after another of its windows has closed (the display's focus falls back to its root): a
// user would click the window again. So does the test, and the keys then go where the window
// itself puts them; a window that is active keeps whatever focus it has.
void ReactivateIfNoneIsActive(HWND window) {
    const HWND top = GetAncestor(window, GA_ROOT);
    if (ThreadInfo(window).hwndActive || !top || !IsWindowVisible(top) || !IsWindowEnabled(top))
        return;
    SetForegroundWindow(top);
    WaitFor([&] { return ThreadInfo(window).hwndActive != nullptr; }, 2000);
}

} // namespace

HWND FocusOf(HWND window) {
    return ThreadInfo(window).hwndFocus;
}

void PostKey(HWND window, UINT key, bool alt) {
    ReactivateIfNoneIsActive(window);
    const GUITHREADINFO info = ThreadInfo(window);
    HWND target = info.hwndFocus;
    bool system = alt;
    if (!target) {
        // No control has the keys: the active window gets them as system keys.
        target = info.hwndActive ? info.hwndActive : window;
        system = true;
    }
    const LPARAM altBit = alt ? (1 << 29) : 0;
    PostMessageA(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | altBit);
    PostMessageA(target, system ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001 | altBit);
}

bool KeysOnUsableControl(HWND window) {
    const HWND focus = FocusOf(window);
    return focus && focus != window && IsChild(window, focus) && IsWindowVisible(focus) &&
           IsWindowEnabled(focus);
}

std::string DescribeFocus(HWND window) {
    const GUITHREADINFO info = ThreadInfo(window);
    const HWND focus = info.hwndFocus;
    if (!focus)
        return "no control has the keys; the active window is " +
               (info.hwndActive ? "\"" + TextOf(info.hwndActive) + "\"" : std::string("none"));
    return "the keys are on control " + std::to_string(GetDlgCtrlID(focus)) +
           (IsChild(window, focus) ? "" : " of another window") +
           (IsWindowVisible(focus) ? ", shown" : ", hidden") +
           (IsWindowEnabled(focus) ? ", enabled" : ", disabled");
}

bool WaitForFocus(HWND window, int id, DWORD ms) {
    return WaitFor(
        [&] {
            ReactivateIfNoneIsActive(window);
            return KeysOnUsableControl(window) && (id == 0 || GetDlgCtrlID(FocusOf(window)) == id);
        },
        ms);
}

bool TabTo(HWND window, HWND control, int presses) {
    for (int i = 0; i < presses && FocusOf(window) != control; ++i) {
        const HWND before = FocusOf(window);
        PostKey(window, VK_TAB);
        WaitFor([&] { return FocusOf(window) != before; }, 2000);
    }
    return FocusOf(window) == control;
}

} // namespace kutest
