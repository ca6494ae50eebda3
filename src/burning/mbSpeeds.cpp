// Write speed lists and their texts.
#include "burning/mbSpeeds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "burning/mbDrvLib.h"
#include "burning/mbFormat.h"

namespace ku {

int SpeedTextToKBps(const std::string& Text, uint8_t DiscType) {
    if (Text.empty() || Text == "Max")
        return 0;
    std::string factor = Text.substr(0, Text.find_first_of("Xx"));
    char* end = nullptr;
    double times = std::strtod(factor.c_str(), &end);
    if (end == factor.c_str() || times <= 0)
        return 0;
    double oneX = DiscType < dtDVDROM ? CDSpeed1XListed : DVDSpeed1X;
    return static_cast<int>(std::lround(times * oneX));
}

std::vector<std::string> ListWriteSpeeds(TSCSIDevice& Device, uint8_t DiscType) {
    bool dvd = DiscType >= dtDVDROM;
    std::vector<std::string> speeds;
    // Signed: the last step goes below zero, where an unsigned speed would wrap around.
    for (int asked = Device.GetMaxWriteSpeed(); asked > 0; asked -= dvd ? 700 : 176) {
        Device.SetWriteSpeed(static_cast<uint16_t>(asked));
        int current = Device.GetCurrentWriteSpeed();
        if (current == 0)
            continue; // the drive did not answer: no speed to offer
        std::string text = SpeedFactorText(current, dvd) + "X " + KBpsText(current);
        if (std::find(speeds.begin(), speeds.end(), text) == speeds.end())
            speeds.push_back(text);
    }
    return speeds;
}

} // namespace ku
