// Test support: how long a window takes to answer a message, told apart from a machine too
// busy to run anybody. Each ping of the window is followed by one of a window of the test's
// own, on a thread that does nothing else; a ping counts only when that one answered at once.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kutest {

class AnswerTimes {
  public:
    AnswerTimes() : thread_([this] { Run(); }) {
        while (!idle_ && !failed_)
            Sleep(1);
    }
    ~AnswerTimes() {
        if (idle_)
            PostMessageA(idle_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    AnswerTimes(const AnswerTimes&) = delete;
    AnswerTimes& operator=(const AnswerTimes&) = delete;

    // How long the window took to answer one message (limitMs when it gave none), or -1 when
    // the machine was too busy for that to say anything about the window.
    long Ask(HWND window, DWORD limitMs = 2000) {
        DWORD_PTR result = 0;
        const DWORD start = GetTickCount();
        const bool answered =
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, limitMs, &result) != 0;
        const DWORD took = answered ? GetTickCount() - start : limitMs;
        const DWORD idleStart = GetTickCount();
        SendMessageTimeoutA(idle_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result);
        return GetTickCount() - idleStart > kIdleMs ? -1 : static_cast<long>(took);
    }
    // Counts what Ask gave, unless it said nothing.
    void Count(long took) {
        if (took < 0)
            return;
        worst_ = std::max<DWORD>(worst_, static_cast<DWORD>(took));
        ++samples_;
    }
    void Ping(HWND window, DWORD limitMs = 2000) { Count(Ask(window, limitMs)); }
    DWORD Worst() const { return worst_; }
    int Samples() const { return samples_; }

  private:
    static constexpr DWORD kIdleMs = 20;

    void Run() {
        HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
        if (!window) {
            failed_ = true;
            return;
        }
        idle_ = window;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_CLOSE && message.hwnd == window)
                break;
            DispatchMessageA(&message);
        }
        DestroyWindow(window);
    }

    std::atomic<HWND> idle_{nullptr};
    std::atomic<bool> failed_{false};
    std::atomic<DWORD> worst_{0};
    std::atomic<int> samples_{0};
    std::thread thread_;
};

} // namespace kutest
