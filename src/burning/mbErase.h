// The erase thread: waits for a started BLANK or FORMAT UNIT to finish (writing zeros where
// the medium needs them), keeps a progress value and brings the drive back to a known state.
#pragma once

#include <atomic>
#include <cstdint>

#include "burning/mbThread.h"

namespace ku {

class TSCSIDevice;

// Seconds an erase is expected to take, by disc type and mode (0 full, 1 quick).
uint16_t ExpectedEraseDuration(uint8_t DiscType, uint8_t Mode);

// The whole erase after the window's click: the waits for the drive, the erase command, the
// wait for its end, and OnEraseDone (raised on this thread).
class TEraseThread : public TBurnThread {
public:
    TEraseThread(TSCSIDevice& Device, uint8_t Mode);

    TSCSIDevice& Device;
    const uint8_t Mode; // 0 full, 1 quick
    // Found when the erase starts, read only by this thread.
    uint8_t DiscType = 0;
    uint16_t ExpectedDuration = 1;
    std::atomic<int> Progress{0};
    // Set when the drive was not ready or refused the erase, did not come back ready, a zero
    // write failed or the user aborted.
    bool WithError = false;

protected:
    void Execute() override;

private:
    void Tick(int seconds);
    bool InTime() const;
    void WaitForDVDRW();
    void FinishDVDPlusRW();
    bool WriteZeros(uint32_t blocks);
    void WaitWithQuirk();
    bool WaitUntilErased();
    void Finish(bool withError);

    int elapsed_ = 0;
};

} // namespace ku
