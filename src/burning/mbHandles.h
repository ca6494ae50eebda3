// Small RAII owners the burning library uses for its own handles (it shares no code with the
// other subsystems).
#pragma once

#include <windows.h>

#include <utility>

namespace ku {

// An event or other kernel handle; zero means none.
class TBurnHandle {
public:
    TBurnHandle() = default;
    explicit TBurnHandle(HANDLE handle) : handle_(handle) {}
    ~TBurnHandle() { reset(); }
    TBurnHandle(const TBurnHandle&) = delete;
    TBurnHandle& operator=(const TBurnHandle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, nullptr); }
    void reset(HANDLE handle = nullptr) {
        HANDLE old = std::exchange(handle_, handle);
        if (old && old != INVALID_HANDLE_VALUE)
            ::CloseHandle(old);
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace ku
