// Process-wide switches shared by the windows, scans and removal threads.
#include "core/system/SharedState.h"

namespace ku {

std::atomic<bool> RegistryView64{false};
std::atomic<uint8_t> ScanState{ScanRun};

} // namespace ku
