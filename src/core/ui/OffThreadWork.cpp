// The worker thread with the window thread's wait beside it, and the registry export's progress.
#include "core/ui/OffThreadWork.h"

#include <exception>

#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "core/ui/Window.h"

namespace ku {

namespace {

constexpr DWORD kTickMs = 100;
// Long enough to keep the thread idle, short enough that a tick is never much late.
constexpr DWORD kWaitMs = 50;

struct Job {
    const std::function<void()>* work;
    std::exception_ptr error;
};

DWORD WINAPI RunJob(void* data) {
    auto* job = static_cast<Job*>(data);
    try {
        (*job->work)();
    } catch (...) {
        job->error = std::current_exception();
    }
    return 0;
}

} // namespace

void RunOffWindowThread(const std::function<void()>& work, const std::function<void()>& tick) {
    Job job{&work, nullptr};
    UniqueHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
    if (!thread) {
        work(); // no thread to be had: the work still gets done
        return;
    }
    // A WM_QUIT met here belongs to the loop outside: it is posted again once the work ended.
    bool quit = false;
    int quitCode = 0;
    DWORD lastTick = GetTickCount();
    const HANDLE handle = thread.get();
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, kWaitMs, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (tick && GetTickCount() - lastTick >= kTickMs) {
            lastTick = GetTickCount();
            tick();
        }
    }
    if (quit)
        PostQuitMessage(quitCode);
    if (job.error)
        std::rethrow_exception(job.error);
}

std::string BackupProgressText(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        return "Backing up the registry...";
    const double bytes = static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
    return Format("Backing up the registry... %.1f MB written", bytes / (1024.0 * 1024.0));
}

ExportWait ExportWaitShownIn(HWND label) {
    return [label](const std::string& file, const std::function<bool()>& job) {
        const std::string before = WindowText(label);
        const auto show = [&] { SetLabelText(label, BackupProgressText(file)); };
        show();
        bool done = false;
        // The label comes back also when the wait ends in an error.
        struct Restore {
            HWND label;
            const std::string& text;
            ~Restore() { SetLabelText(label, text); }
        } restore{label, before};
        RunOffWindowThread([&] { done = job(); }, show);
        return done;
    };
}

} // namespace ku
