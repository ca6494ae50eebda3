// Test support: a plain top-level window that stands in for a page of the System Manager, to
// host a page window made with Create(parent).
#pragma once

#include <windows.h>

namespace kutest {

class HostWindow {
  public:
    HostWindow(int clientWidth, int clientHeight) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = "KuTestPageHost";
        RegisterClassA(&windowClass);
        RECT frame = {0, 0, clientWidth, clientHeight};
        const DWORD style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
        AdjustWindowRect(&frame, style, FALSE);
        hwnd_ = CreateWindowExA(0, windowClass.lpszClassName, "Page host", style, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }
    ~HostWindow() {
        if (hwnd_)
            DestroyWindow(hwnd_);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND Handle() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

} // namespace kutest
