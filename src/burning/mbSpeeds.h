// Write speeds as the burn window lists and reads them back: "24X (4,234 KB/s)" for CD media,
// "16.0X (22,160 KB/s)" for DVD media.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ku {

class TSCSIDevice;

// 0 (the drive's maximum) for "Max" or an empty text; otherwise the number before the first
// "X" times 177 for CD media (disc type below 4) or 1385 for DVD media, rounded.
int SpeedTextToKBps(const std::string& Text, uint8_t DiscType);
// Asks the drive for every speed from its maximum down, in steps of 176 (CD) or 700 KB/s
// (DVD), and lists each speed it settles on once, fastest first.
std::vector<std::string> ListWriteSpeeds(TSCSIDevice& Device, uint8_t DiscType);

} // namespace ku
