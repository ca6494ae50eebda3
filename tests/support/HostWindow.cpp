// Test support: the host window of page windows.
#include "support/HostWindow.h"

namespace kutest {

namespace {
const char* const kHostClass = "KuTestPageHost";
}

HostWindow::HostWindow(int clientWidth, int clientHeight) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kHostClass;
    RegisterClassA(&windowClass);
    RECT frame = {0, 0, clientWidth, clientHeight};
    const DWORD style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    hwnd_ = CreateWindowExA(0, kHostClass, "Page host", style, 40, 40, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

HostWindow::~HostWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

} // namespace kutest
