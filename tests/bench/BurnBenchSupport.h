// Shared set-up of the burn benchmarks: a simulated DVD writer kept in memory behind the
// pass-through emulation, a burner selected on it, a generated image, and the times of the
// first WRITE and of the flush after the last one.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "BurnTestSupport.h"
#include "burning/mbCDBC.h"

namespace kubench {

double Now(); // seconds

class BurnBench {
public:
    // An image of the size in the scratch folder and the drive with a blank DVD+R.
    explicit BurnBench(uint32_t imageMiB);
    ~BurnBench();
    // Burns the image; the error text (empty on success).
    std::string Burn();
    // Megabytes (10^6 bytes) per second from the first WRITE to the flush after the last.
    double WriteRate() const;
    double WriteSeconds() const { return flushAt_ - firstWriteAt_; }
    double FirstWriteAt() const { return firstWriteAt_; }
    // The drive holds the image exactly (every 97th sector and the last one compared).
    bool DiscHoldsImage();

    kutest::FakeSptiTransport spti;
    std::unique_ptr<ku::TMCDBurner> burner;
    std::string image;
    uint32_t sectors;

private:
    static void __cdecl Hook(void* self, int drive, const uint8_t* cdb);
    double firstWriteAt_ = 0;
    double flushAt_ = 0;
};

} // namespace kubench
