// Time seam of the burning library: every sleep, tick count and event wait goes through here,
// so tests of the fixed waits run on a virtual clock instead of real seconds.
#pragma once

#include <windows.h>

#include <atomic>

namespace ku {

class IBurnClock {
public:
    virtual ~IBurnClock() = default;
    virtual void Sleep(DWORD ms) = 0;
    virtual DWORD Ticks() = 0;
    // WaitForSingleObject on an event: WAIT_OBJECT_0 or WAIT_TIMEOUT.
    virtual DWORD WaitForEvent(HANDLE event, DWORD ms) = 0;
    // Sleeps ms, ending early once stop is set: in short steps of Sleep, so that a stop takes
    // effect within a tenth of a second.
    virtual void SleepUnless(DWORD ms, const std::atomic<bool>& stop);
};

// The clock in use; the system clock unless a test installed another one.
IBurnClock& BurnClock();
// Installs a clock (nullptr restores the system clock); returns the previous one.
IBurnClock* SetBurnClock(IBurnClock* clock);

inline void BurnSleep(DWORD ms) { BurnClock().Sleep(ms); }
inline DWORD BurnTicks() { return BurnClock().Ticks(); }
inline void BurnSleepUnless(DWORD ms, const std::atomic<bool>& stop) {
    BurnClock().SleepUnless(ms, stop);
}

// A deadline on the burn clock, safe across the 49-day wrap of the tick count.
class TBurnDeadline {
public:
    explicit TBurnDeadline(DWORD ms) : start_(BurnTicks()), span_(ms) {}
    bool Expired() const { return BurnTicks() - start_ >= span_; }
    DWORD Elapsed() const { return BurnTicks() - start_; }

private:
    DWORD start_;
    DWORD span_;
};

} // namespace ku
