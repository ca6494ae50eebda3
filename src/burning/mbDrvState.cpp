// Drive state of TSCSIDevice: capabilities (mode page 2Ah), the medium, write modes and write
// parameters (mode page 05h), readiness and speeds.
#include <algorithm>
#include <cstring>

#include "burning/mbBigEndian.h"
#include "burning/mbClock.h"
#include "burning/mbDrvLib.h"

namespace ku {
namespace {

constexpr uint16_t DVDSpeed1X = 1385;
constexpr int SpeedFields[] = {8, 12, 14, 18, 20};

struct TProfileType {
    uint16_t profile;
    uint8_t discType;
};

const TProfileType ProfileTypes[] = {
    {0x0008, dtCDROM},  {0x0009, dtCDR},      {0x000A, dtCDRW},
    {0x0010, dtDVDROM}, {0x0011, dtDVDR},     {0x0012, dtDVDRAM},
    {0x0013, dtDVDRWRestricted},              {0x0014, dtDVDRWSequential},
    {0x001A, dtDVDPlusRW}, {0x001B, dtDVDPlusR}, {0x002B, dtDVDPlusRDL},
    {0x0020, dtDDCDROM}, {0x0021, dtDDCDR},   {0x0022, dtDDCDRW},
};

// Capability bits from page bytes 2 to 4.
struct TPageBit {
    int byte;
    uint8_t mask;
    uint32_t bits;
};

const TPageBit PageBits[] = {
    {2, 0x01, capReadCDR},    {2, 0x02, capReadCDRW},   {2, 0x04, capMethod2},
    {2, 0x08, capReadDVDROM}, {2, 0x10, capReadDVDR | capReadDVDRW},
    {2, 0x20, capReadDVDRAM}, {3, 0x01, capWriteCDR},   {3, 0x02, capWriteCDRW},
    {3, 0x04, capTestWrite},  {3, 0x10, capWriteDVDR | capWriteDVDRW},
    {3, 0x20, capWriteDVDRAM}, {4, 0x80, capUnderrunProtection},
};

// Copies a mode page out of an answer, never past the answer nor past the copy.
void CopyPage(const uint8_t* answer, size_t answerSize, uint8_t page, uint8_t* copy,
              size_t copySize) {
    size_t start = static_cast<size_t>(FindModePage(answer, page));
    size_t length = std::min<size_t>(answer[start + 1] + 2u, answerSize - start);
    std::memset(copy, 0, copySize);
    std::memcpy(copy, answer + start, std::min(length, copySize));
}

} // namespace

int FindModePage(const uint8_t* answer, uint8_t page) {
    if (answer[16] == page)
        return 16;
    if (answer[8] == page)
        return 8;
    if (answer[7] == page)
        return 7;
    return 8;
}

uint16_t TSCSIDevice::CapabilitiesWord(int offset) const {
    return static_cast<uint16_t>(CapabilitiesPage[offset] | (CapabilitiesPage[offset + 1] << 8));
}

bool TSCSIDevice::FeaturePresent(uint16_t Feature, bool* WriteBit) {
    uint8_t answer[114];
    bool present = GetConfiguration(2, static_cast<uint8_t>(Feature), sizeof(answer), answer) &&
                   GetBE16(answer + 8) == Feature;
    if (WriteBit)
        *WriteBit = present && answer[12] == 1;
    return present;
}

bool TSCSIDevice::ModePagePresent(uint8_t Page) {
    uint8_t answer[128];
    if (!ModeSense(Page, answer, false, sizeof(answer), sizeof(answer)))
        return false;
    return answer[16] == Page || answer[8] == Page || answer[7] == Page;
}

// Capability bits from GET CONFIGURATION features: when present, and with the write bit.
struct TFeatureBits {
    uint16_t feature;
    uint32_t present;
    uint32_t write;
};

const TFeatureBits FeatureBits[] = {
    {0x002F, capReadDVDR | capReadDVDRW, capWriteDVDR | capWriteDVDRW},
    {0x002A, capReadDVDPlusRW | capReadDVDPlusRWFeature,
     capWriteDVDPlusRW | capWriteDVDPlusRWFeature},
    {0x003B, capReadDVDPlusR, capWriteDVDPlusR},
};

void TSCSIDevice::ReadDefaultCapabilities() {
    uint8_t answer[256];
    if (!ModeSense(0x2A, answer, true, 255, sizeof(answer)))
        return;
    CopyPage(answer, 255, 0x2A, CapabilitiesPage, sizeof(CapabilitiesPage));
    for (const TPageBit& bit : PageBits)
        if (CapabilitiesPage[bit.byte] & bit.mask)
            DeviceCapabilities |= bit.bits;
    for (const TFeatureBits& feature : FeatureBits) {
        bool write = false;
        if (FeaturePresent(feature.feature, &write))
            DeviceCapabilities |= feature.present | (write ? feature.write : 0);
    }
    if (!(DeviceCapabilities & capUnderrunProtection) &&
        (ModePagePresent(0x30) || BufCapabilityQuirk))
        DeviceCapabilities |= capUnderrunProtection;
    bool writesRAM = (DeviceCapabilities & capWriteDVDRAM) != 0;
    DeviceMaxWriteSpeed = GetBE16(CapabilitiesPage + 18);
    DeviceMaxReadSpeed = GetBE16(CapabilitiesPage + 8);
    if (DeviceMaxWriteSpeed == 0 && writesRAM)
        DeviceMaxWriteSpeed = 1;
    if (DeviceMaxReadSpeed == 0 && writesRAM)
        DeviceMaxReadSpeed = 1;
}

bool TSCSIDevice::ReadCapabilities() {
    DeviceCapabilities = 0;
    DeviceMaxWriteSpeed = DeviceMaxReadSpeed = 0;
    std::memset(CapabilitiesPage, 0, sizeof(CapabilitiesPage));
    ReadDefaultCapabilities();
    uint8_t answer[256];
    if (!ModeSense(0x2A, answer, false, 128, sizeof(answer)))
        return false;
    CopyPage(answer, 128, 0x2A, CapabilitiesPage, sizeof(CapabilitiesPage));
    // Some drives report no write speed at all: take 1X DVD.
    if (GetBE16(CapabilitiesPage + 20) == 0)
        PutBE16(CapabilitiesPage + 20, DVDSpeed1X);
    if (GetBE16(CapabilitiesPage + 18) == 0)
        PutBE16(CapabilitiesPage + 18, DVDSpeed1X);
    for (int field : SpeedFields) {
        uint16_t value = GetBE16(CapabilitiesPage + field);
        CapabilitiesPage[field] = static_cast<uint8_t>(value);
        CapabilitiesPage[field + 1] = static_cast<uint8_t>(value >> 8);
    }
    DeviceMaxWriteSpeed = std::max(DeviceMaxWriteSpeed, CapabilitiesWord(18));
    DeviceMaxReadSpeed = std::max(DeviceMaxReadSpeed, CapabilitiesWord(8));
    return true;
}

uint16_t TSCSIDevice::GetMaxWriteSpeed() { return ReadCapabilities() ? DeviceMaxWriteSpeed : 0; }

uint16_t TSCSIDevice::GetMaxReadSpeed() { return ReadCapabilities() ? DeviceMaxReadSpeed : 0; }

uint16_t TSCSIDevice::GetCurrentWriteSpeed() {
    return ReadCapabilities() ? CapabilitiesWord(20) : 0;
}

uint8_t TSCSIDevice::GetDiscType() {
    uint8_t answer[114];
    uint8_t type = dtUnknown;
    if (GetConfiguration(2, 0, sizeof(answer), answer)) {
        uint16_t profile = GetBE16(answer + 6);
        for (const TProfileType& entry : ProfileTypes)
            if (entry.profile == profile)
                type = entry.discType;
    }
    if (type == dtUnknown && ReadTOC(4, answer, 0, false, 0, 26)) {
        if (answer[6] & 0x80)
            type = (answer[6] & 0x40) ? dtCDRW : dtCDR;
        else
            type = dtCDROM;
    }
    if (type == dtUnknown && ReadDiscInformation(answer, 34))
        type = (answer[2] & 0x10) ? dtCDRW : dtCDR;
    if (type == dtUnknown && TestUnitReady(5000))
        type = dtCDROM;
    return type;
}

bool TSCSIDevice::IsDiscErasable() {
    uint8_t answer[56];
    if (!ReadDiscInformation(answer, sizeof(answer))) {
        CurrentDiscType = GetDiscType();
        return CurrentDiscType == dtDVDRAM || CurrentDiscType == dtDVDRWRestricted ||
               CurrentDiscType == dtDVDRWSequential || CurrentDiscType == dtDVDPlusRW;
    }
    return (answer[2] & 0x10) != 0;
}

int TSCSIDevice::GetSessionCount() {
    uint8_t answer[56];
    if (!ReadDiscInformation(answer, sizeof(answer)))
        return 0;
    if ((answer[2] & 0x03) == 0)
        return 0;
    int sessions = answer[4];
    if (((answer[2] >> 2) & 0x03) == 0)
        --sessions;
    return sessions;
}

} // namespace ku
