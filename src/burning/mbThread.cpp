// Worker threads of the burning library: start suspended, set the priority, resume, wait.
#include "burning/mbThread.h"

namespace ku {

TBurnThread::~TBurnThread() { WaitFor(); }

bool TBurnThread::Start(int Priority) {
    if (handle_.get())
        return false;
    done_ = false;
    DWORD id = 0;
    handle_.reset(::CreateThread(nullptr, 0, Entry, this, CREATE_SUSPENDED, &id));
    if (!handle_.get())
        return false;
    ::SetThreadPriority(handle_.get(), Priority);
    ::ResumeThread(handle_.get());
    return true;
}

void TBurnThread::WaitFor() {
    if (handle_.get())
        ::WaitForSingleObject(handle_.get(), INFINITE);
}

void TBurnThread::SetPriority(int Priority) {
    if (handle_.get())
        ::SetThreadPriority(handle_.get(), Priority);
}

DWORD WINAPI TBurnThread::Entry(void* self) {
    auto* thread = static_cast<TBurnThread*>(self);
    thread->Execute();
    thread->done_ = true;
    return 0;
}

} // namespace ku
