// Test support: a plain top-level window that stands in for a page of the System Manager, to
// host a page window made with Create(parent).
#pragma once

#include <windows.h>

namespace kutest {

class HostWindow {
  public:
    HostWindow(int clientWidth, int clientHeight);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND Handle() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

} // namespace kutest
