// Write set-up of TSCSIDevice: write modes and write parameters (mode page 05h), waiting for
// the drive to become ready, and the write speed.
#include <cstring>

#include "burning/mbBigEndian.h"
#include "burning/mbClock.h"
#include "burning/mbDrvLib.h"

namespace ku {
namespace {

constexpr size_t ModeHeaderSize = 8;
constexpr size_t WritePageSize = 52; // page code, length 50 and the 50 bytes

struct TWriteSetting {
    uint8_t byte2;
    uint8_t byte3;
    uint8_t linkSize;
    uint32_t packetSize;
    bool otherRow; // CD media and every type without a row of its own
};

// Byte 2 (BUFE, LS_V, test write, write type), byte 3 (multi-session, FP, copy, track mode),
// link size and packet size by disc type; CD media take the last row.
TWriteSetting WriteSettingFor(uint8_t discType) {
    switch (discType) {
    case dtDVDR:
        return {0x60, 0xE5, 16, 16, false};
    case dtDVDRWRestricted:
    case dtDVDRWSequential:
        return {0x20, 0xC5, 16, 0, false};
    case dtDVDPlusRW:
        return {0x22, 0x04, 16, 0, false};
    case dtDVDPlusR:
        return {0x22, 0xC4, 0, 16, false};
    case dtDVDPlusRDL:
        return {0x22, 0x04, 0, 0, false};
    default:
        return {0x01, 0xC4, 0, 0, true};
    }
}

// The ASC of the last answer of a waiting loop; a failed command reads as its sense.
uint8_t SenseAfterRequest(const TSCSIDevice& device, bool ok, const uint8_t* answer) {
    if (!ok) // an unanswered poll never reads as ready
        return device.LastSense[12] != 0 ? device.LastSense[12] : 0xFF;
    if (answer[0] == 0xF0)
        return 0x04;
    return answer[12];
}

} // namespace

void TSCSIDevice::ProbeWriteModes() {
    struct TMode {
        uint8_t bit;
        uint8_t writeType;
        uint8_t dataBlockType;
    };
    const TMode modes[] = {{wmRaw, 3, 1}, {wmSAO, 2, 0xFF}, {wmTAO, 1, 0xFF}};
    SupportedWriteModes = 0;
    for (const TMode& mode : modes) {
        uint8_t answer[256];
        if (!ModeSense(0x05, answer, false, 255, sizeof(answer)))
            continue;
        uint8_t select[ModeHeaderSize + WritePageSize] = {};
        uint8_t* page = select + ModeHeaderSize;
        size_t start = static_cast<size_t>(FindModePage(answer, 0x05));
        std::memcpy(page, answer + start, WritePageSize);
        page[0] = 0x05;
        page[1] = 0x32;
        page[2] = static_cast<uint8_t>((page[2] & 0xF0) | mode.writeType);
        if (mode.dataBlockType != 0xFF)
            page[4] = mode.dataBlockType;
        page[3] &= 0xF0;                  // track mode 0
        page[8] = 0;                      // session format
        std::memset(page + 10, 0, 4);     // packet size
        PutBE16(page + 14, 150);          // audio pause length
        if (ModeSelect(select, sizeof(select)))
            SupportedWriteModes |= mode.bit;
    }
}

bool TSCSIDevice::SetWriteParameters(bool TestWrite_, bool Underrun, uint8_t DiscType,
                                     bool DLNextSession) {
    if (DiscType == dtDVDRAM)
        return true;
    uint8_t answer[512];
    if (!ModeSense(0x05, answer, false, sizeof(answer), sizeof(answer)))
        return false;
    size_t start = static_cast<size_t>(FindModePage(answer, 0x05));
    std::memcpy(WriteParameters, answer + start, sizeof(WriteParameters));
    uint8_t* page = WriteParameters;
    page[1] = 0x32;
    page[4] = 8;
    std::memset(page + 6, 0, 4);
    PutBE16(page + 14, 150);

    TWriteSetting setting = WriteSettingFor(DiscType);
    uint8_t byte2 = setting.byte2;
    uint8_t byte3 = setting.byte3;
    if (DiscType == dtDVDPlusRDL) {
        byte2 = static_cast<uint8_t>((page[2] & 0xF0) | 0x22);
        byte3 = static_cast<uint8_t>((DLNextSession ? 0xC0 : 0x00) | 0x04);
    } else if (setting.otherRow && (TestWrite_ || FinalizeDisc)) {
        byte3 = 0x04;
    }
    byte2 = WriteParametersByte2(byte2, TestWrite_, Underrun, DiscType);
    page[2] = byte2;
    page[3] = byte3;
    page[5] = setting.linkSize;
    PutBE32(page + 10, setting.packetSize);

    uint8_t select[ModeHeaderSize + WritePageSize] = {};
    std::memcpy(select + ModeHeaderSize, page, WritePageSize);
    return ModeSelect(select, sizeof(select));
}

// Byte 2 of the write parameters page after the drive's own adjustments, in this order.
uint8_t TSCSIDevice::WriteParametersByte2(uint8_t byte2, bool TestWrite_, bool Underrun,
                                          uint8_t DiscType) {
    if (LinkSizeValidQuirk)
        byte2 |= 0x20;
    if ((DeviceCapabilities & capUnderrunProtection) && Underrun)
        byte2 |= 0x40;
    else
        byte2 &= static_cast<uint8_t>(~0x40);
    if ((DeviceCapabilities & capTestWrite) && TestWrite_)
        byte2 |= 0x10;
    else
        byte2 &= static_cast<uint8_t>(~0x10);
    if (DiscType == dtDVDRWRestricted || DiscType == dtDVDRWSequential)
        byte2 = 0x20;
    if (DiscType == dtDVDPlusRDL)
        return static_cast<uint8_t>((byte2 & 0xF0) | 0x22);
    if (Underrun && (CapabilitiesPage[4] & 0x80))
        byte2 |= 0x40;
    return byte2;
}

bool TSCSIDevice::WaitUntilReady(int TimeOut, int Interval) {
    TBurnDeadline deadline(static_cast<DWORD>(TimeOut));
    // An abort of the burn or erase that waits here ends the wait as a time-out would.
    auto expired = [&deadline] { return deadline.Expired() || AbortFlag; };
    DWORD pause = static_cast<DWORD>(Interval > 0 ? Interval : 1);
    if (PioneerDVRQuirk || ExtraBlankWaitQuirk) {
        do {
            SleepUnlessAborted(1500);
            TestUnitReady(10000);
        } while (LastASC() == 0x04 && !expired());
    }
    if (CurrentDiscType != dtDVDRAM) {
        uint8_t answer[56];
        do {
            SleepUnlessAborted(pause);
            ReadDiscInformation(answer, sizeof(answer));
            if (LastASC() != 0x04)
                break;
            if (expired())
                return false;
        } while (true);
    }
    if (TestUnitReady(10000) && LastASC() == 0 && CurrentDiscType != dtDVDRAM)
        return true;
    do {
        SleepUnlessAborted(pause);
        TestUnitReady(10000);
    } while (LastASC() == 0x04 && !expired());
    // Every poll sleeps and the loop ends with the time-out, whatever the drive answers.
    for (;;) {
        uint8_t answer[40];
        bool ok = RequestSense(answer, sizeof(answer));
        if (SenseAfterRequest(*this, ok, answer) == 0)
            return true;
        if (expired())
            return false;
        SleepUnlessAborted(pause);
    }
}

void TSCSIDevice::SetWriteSpeed(uint16_t Value) {
    SetCDSpeed(ReadSpeed, Value);
    WriteSpeed = Value;
}

} // namespace ku
