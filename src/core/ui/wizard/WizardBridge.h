// How the uninstall wizard's scans and removal thread reach its window: a progress object that
// lets messages through and shows captions at a human pace, and the removal thread's host.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "core/removal/Removal.h"
#include "core/removal/WizardState.h"

namespace ku {

// Lets pending window messages through at most every PumpMs and writes the caption label at
// most every CaptionMs: a scan of a whole drive would otherwise spend its time drawing.
class WindowScanProgress : public IScanProgress {
public:
    static constexpr DWORD PumpMs = 10;
    static constexpr DWORD CaptionMs = 40;

    explicit WindowScanProgress(HWND label) : label_(label) {}
    void Pump() override;
    void Caption(const std::string& text) override;
    static void PumpMessages();

private:
    HWND label_;
    DWORD lastPump_ = 0;
    DWORD lastCaption_ = 0;
};

// The removal thread's side of the window: every call is queued for the window thread (which
// runs the queue on kRemovalMessage); Ask waits for the window thread's answer, or returns
// IDCANCEL once the window is going away.
class WindowRemovalHost : public IRemovalHost {
public:
    static const UINT kRemovalMessage = WM_APP + 0x210;

    struct Controls {
        HWND window, finish, finishMessage, progressBar, stepButton, cancelButton;
    };
    explicit WindowRemovalHost(const Controls& controls,
                               std::function<void(const RemovalReport&)> onEnded = nullptr)
        : controls_(controls), onEnded_(std::move(onEnded)) {}

    void SetFinishTexts(const std::string& title, const std::string& message) override;
    void ShowProgress(bool visible) override;
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgress(int position) override;
    void EnableButtons(bool step, bool cancel) override;
    int Ask(const std::string& text, const std::string& caption, UINT type) override;
    void RemovalEnded(const RemovalReport& report) override;

    // Window thread: runs what the thread queued.
    void RunQueued();
    // Window thread: no further question waits for an answer.
    void Cancel();

private:
    void Queue(std::function<void()> action);

    Controls controls_;
    std::function<void(const RemovalReport&)> onEnded_;
    std::mutex mutex_;
    std::condition_variable answered_;
    std::deque<std::function<void()>> queue_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int> position_{0};
    std::atomic<bool> positionQueued_{false};
};

} // namespace ku
