// Worker threads of the burning library. A thread object is owned by whoever started it, who
// waits for its end before freeing it: no thread frees itself, so nothing is left running
// behind a finished burn or erase.
#pragma once

#include <windows.h>

#include <atomic>

#include "burning/mbHandles.h"

namespace ku {

class TBurnThread {
public:
    TBurnThread() = default;
    // The owner has waited for the end (WaitFor); the handle is closed here.
    virtual ~TBurnThread();
    TBurnThread(const TBurnThread&) = delete;
    TBurnThread& operator=(const TBurnThread&) = delete;

    // Creates the thread suspended, gives it the priority and lets it run; false when the
    // system refused the thread.
    bool Start(int Priority = THREAD_PRIORITY_NORMAL);
    // Waits until Execute has returned (at once when the thread never started).
    void WaitFor();
    // Execute has returned, or the thread never started.
    bool Finished() const { return !handle_.get() || done_; }
    void SetPriority(int Priority);

protected:
    virtual void Execute() = 0;

private:
    static DWORD WINAPI Entry(void* self);

    TBurnHandle handle_;
    std::atomic<bool> done_{false};
};

} // namespace ku
