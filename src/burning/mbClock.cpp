// The system clock behind the burning library's time seam.
#include "burning/mbClock.h"

namespace ku {
namespace {

constexpr DWORD StopCheckMs = 100;

class TSystemClock : public IBurnClock {
public:
    void Sleep(DWORD ms) override { ::Sleep(ms); }
    DWORD Ticks() override { return ::GetTickCount(); }
    DWORD WaitForEvent(HANDLE event, DWORD ms) override {
        return ::WaitForSingleObject(event, ms) == WAIT_OBJECT_0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
};

TSystemClock systemClock;
IBurnClock* currentClock = &systemClock;

} // namespace

void IBurnClock::SleepUnless(DWORD ms, const std::atomic<bool>& stop) {
    for (DWORD left = ms; left > 0 && !stop;) {
        DWORD step = left < StopCheckMs ? left : StopCheckMs;
        Sleep(step);
        left -= step;
    }
}

IBurnClock& BurnClock() { return *currentClock; }

IBurnClock* SetBurnClock(IBurnClock* clock) {
    IBurnClock* previous = currentClock == &systemClock ? nullptr : currentClock;
    currentClock = clock ? clock : &systemClock;
    return previous;
}

} // namespace ku
