// Number texts of the burning library.
#include "burning/mbFormat.h"

#include <cmath>
#include <cstdio>

namespace ku {

std::string FormatThousands(int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return value < 0 ? "-" + text : text;
}

std::string FormatNumber(double value, int Decimals) {
    std::string fixed = FormatFixed(value, Decimals);
    bool negative = !fixed.empty() && fixed[0] == '-';
    size_t point = fixed.find('.');
    std::string whole = fixed.substr(negative ? 1 : 0, point == std::string::npos
                                                           ? std::string::npos
                                                           : point - (negative ? 1 : 0));
    std::string text = FormatThousands(std::stoll(whole));
    if (point != std::string::npos)
        text += fixed.substr(point);
    return negative ? "-" + text : text;
}

std::string FormatFixed(double value, int Decimals) {
    double scale = std::pow(10.0, Decimals);
    double rounded = std::floor(std::fabs(value) * scale + 0.5) / scale;
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", Decimals, value < 0 ? -rounded : rounded);
    return text;
}

std::string SpeedFactorText(int KBps, bool DVD) {
    return DVD ? FormatFixed(KBps / static_cast<double>(DVDSpeed1X), 1)
               : FormatFixed(KBps / CDSpeed1X, 0);
}

std::string KBpsText(int KBps) { return "(" + FormatThousands(KBps) + " KB/s)"; }

} // namespace ku
