// Number texts of the burning library's messages and of the burn window: thousands separated
// by ",", fixed decimals, and the "nX (n KB/s)" speed texts.
#pragma once

#include <cstdint>
#include <string>

namespace ku {

constexpr double CDSpeed1X = 176.4;  // KB/s, in displayed texts
constexpr int CDSpeed1XListed = 177; // KB/s, when a listed speed is converted back
constexpr int DVDSpeed1X = 1385;     // KB/s

// "#,##0": 5540 -> "5,540".
std::string FormatThousands(int64_t value);
// "#,##0.00" and the like: thousands separated, Decimals places rounded half away from zero.
std::string FormatNumber(double value, int Decimals);
// Value rounded half away from zero to Decimals places: (4.0, 1) -> "4.0".
std::string FormatFixed(double value, int Decimals);
// The speed in KB/s as times 1X: "24" for CD media, "4.0" for DVD media.
std::string SpeedFactorText(int KBps, bool DVD);
// "(#,##0 KB/s)".
std::string KBpsText(int KBps);

} // namespace ku
