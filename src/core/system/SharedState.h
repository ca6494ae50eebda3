// Process-wide switches that the main window, the scans and the removal threads share.
#pragma once

#include <atomic>
#include <cstdint>

namespace ku {

// Machine-wide registry access uses the 64-bit view when set.
extern std::atomic<bool> RegistryView64;

// Polled by long scans and removals, written by the window thread's buttons.
enum : uint8_t {
    ScanRun = 0,
    ScanSkipRegistry = 1,
    ScanSkipFiles = 2,
    ScanStop = 3,
    ScanStopRemoving = 5,
};
extern std::atomic<uint8_t> ScanState;

} // namespace ku
