// The wizard's message pump, caption pacing and removal-thread host.
#include "core/ui/wizard/WizardBridge.h"

#include <commctrl.h>

#include <memory>

#include "core/system/Dialogs.h"
#include "core/ui/Window.h"

namespace ku {

void WindowScanProgress::PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        // Esc cancels and Tab moves on while a scan runs, as between steps.
        if (DialogMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void WindowScanProgress::Pump() {
    const DWORD now = GetTickCount();
    if (now - lastPump_ < PumpMs)
        return;
    lastPump_ = now;
    PumpMessages();
}

void WindowScanProgress::Caption(const std::string& text) {
    const DWORD now = GetTickCount();
    if (now - lastCaption_ < CaptionMs || !label_)
        return;
    lastCaption_ = now;
    SetLabelText(label_, text);
}

void WindowRemovalHost::Queue(std::function<void()> action) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(action));
    }
    PostMessageA(controls_.window, kRemovalMessage, 0, 0);
}

void WindowRemovalHost::RunQueued() {
    std::deque<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work.swap(queue_);
    }
    for (auto& action : work)
        action();
}

void WindowRemovalHost::Cancel() {
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    answered_.notify_all();
}

void WindowRemovalHost::SetFinishTexts(const std::string& title, const std::string& message) {
    Queue([this, title, message] {
        SetLabelText(controls_.finish, title);
        SetLabelText(controls_.finishMessage, message);
    });
}

void WindowRemovalHost::ShowProgress(bool visible) {
    Queue([this, visible] { ShowWindow(controls_.progressBar, visible ? SW_SHOW : SW_HIDE); });
}

void WindowRemovalHost::SetProgressRange(int minimum, int maximum) {
    Queue([this, minimum, maximum] {
        SendMessageA(controls_.progressBar, PBM_SETRANGE32, minimum, maximum);
    });
}

void WindowRemovalHost::SetProgress(int position) {
    // Only the newest position matters: one queued update at a time.
    position_ = position;
    if (!positionQueued_.exchange(true))
        Queue([this] {
            positionQueued_ = false;
            SendMessageA(controls_.progressBar, PBM_SETPOS, position_.load(), 0);
        });
}

void WindowRemovalHost::EnableButtons(bool step, bool cancel) {
    Queue([this, step, cancel] {
        EnableWindow(controls_.stepButton, step);
        EnableWindow(controls_.cancelButton, cancel);
    });
}

void WindowRemovalHost::RemovalEnded(const RemovalReport& report) {
    Queue([this, report] {
        if (onEnded_)
            onEnded_(report);
    });
}

int WindowRemovalHost::Ask(const std::string& text, const std::string& caption, UINT type) {
    if (cancelled_)
        return IDCANCEL;
    struct Request {
        int answer = IDCANCEL;
        bool done = false;
    };
    auto request = std::make_shared<Request>();
    Queue([this, request, text, caption, type] {
        const int answer = cancelled_ ? IDCANCEL
                                      : ShowMessageBox(controls_.window, text, caption, type);
        std::lock_guard<std::mutex> lock(mutex_);
        request->answer = answer;
        request->done = true;
        answered_.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex_);
    answered_.wait(lock, [&] { return request->done || cancelled_.load(); });
    return request->done ? request->answer : IDCANCEL;
}

} // namespace ku
