// Disc erasing: EraseDisc starts a BLANK (CD-RW, DVD-RW) or a FORMAT UNIT (DVD+RW, DVD-RAM)
// on the caller's thread, then the erase thread waits for the drive and restores it.
#include "burning/mbErase.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "burning/mbASPI.h"
#include "burning/mbClock.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"
#include "burning/mbFormat.h"

namespace ku {
namespace {

constexpr uint32_t ZeroBlockBytes = 65536;
constexpr uint32_t ZeroBlockSectors = ZeroBlockBytes / 2048;
constexpr uint32_t QuickZeroBlocks = 65;     // LBA 0 to 2,048
constexpr uint32_t FullZeroBlocks = 71001;   // LBA 0 to 2,272,000
constexpr uint32_t RAMQuickStartBlocks = 11; // LBA 0 to 320, before the thread starts

// Header with FOV and Immed, then 2,295,104 blocks of format type 26h.
const uint8_t DVDPlusRWFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40,
                                     0x98, 0x00, 0x00, 0x00};
// 2,236,704 blocks of format type 0, block length 2,048.
const uint8_t DVDRAMFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20,
                                  0x00, 0x00, 0x08, 0x00};

const uint8_t* ZeroBlock() {
    static const std::vector<uint8_t> zeros(ZeroBlockBytes, 0);
    return zeros.data();
}

bool IsDVDRW(uint8_t type) { return type == dtDVDRWRestricted || type == dtDVDRWSequential; }

} // namespace

uint16_t ExpectedEraseDuration(uint8_t DiscType, uint8_t Mode) {
    bool cd = DiscType < dtDVDROM;
    if (Mode == 1)
        return cd ? 150 : 600;
    if (Mode == 0)
        return cd ? 4500 : 4440;
    return cd ? 4500 : 8880;
}

bool TSCSIDevice::Blank(uint8_t Byte1) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = SRB_EVENT_NOTIFY;
    srb.SRB_CDBLen = 12;
    srb.CDBByte[0] = 0xA1;
    srb.CDBByte[1] = Byte1;
    if (ExecuteSRB(srb, 4800000) == ExecuteNotSent)
        return false;
    return srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_PENDING;
}

bool TSCSIDevice::ReadyForErase(bool firstTestPassed) {
    return firstTestPassed || WaitUntilReady(30000, 5000);
}

// The waits for the drive take up to a minute, so they run on the erase thread with the rest:
// the caller's thread (the window's) only starts it.
bool TSCSIDevice::EraseDisc(uint8_t Mode) {
    // One erase at a time; a finished thread is collected first.
    if (Erasing)
        return false;
    WaitForErase();
    AbortFlag = false;
    EraseMode = Mode;
    EraseThread.reset(new TEraseThread(*this, Mode));
    Erasing = true;
    if (EraseThread->Start())
        return true;
    Erasing = false;
    EraseThread.reset();
    if (OnEraseDone)
        OnEraseDone(this, true);
    return false;
}

// On the erase thread: the drive made ready, its speed and write parameters set and the erase
// command sent; true when the drive took it. The disc type found is handed back.
bool TSCSIDevice::BeginErase(uint8_t Mode, uint8_t& type) {
    bool ready = TestUnitReady(5000);
    LoadUnloadMedium(false);
    type = GetDiscType();
    CurrentDiscType = type;
    if (!ReadyForErase(ready))
        return false;
    if (type != dtDVDRAM) {
        SetCDSpeed(ReadSpeed, WriteSpeed);
        SetWriteParameters(false, false, type, false);
    }
    uint16_t speed = GetCurrentWriteSpeed();
    if (!ReadyForErase(TestUnitReady(5000)))
        return false;
    bool dvd = type >= dtDVDR && type <= dtDVDPlusRW;
    std::string speedText = SpeedFactorText(speed, dvd) + "X" + KBpsText(speed);
    char text[160];
    std::snprintf(text, sizeof(text), SStartingErase, DiscTypeNames[type & 15],
                  speedText.c_str());
    DoDebugMessage(std::string(">>> ") + text, 1);
    return !AbortFlag && StartErase(type, Mode);
}

// Sends the command that erases; true when the drive took it.
bool TSCSIDevice::StartErase(uint8_t type, uint8_t Mode) {
    if (type == dtDVDPlusRW) {
        if (FormatUnit(0x11, DVDPlusRWFormat, sizeof(DVDPlusRWFormat)))
            return true;
        RezeroUnit();
        SleepUnlessAborted(1000);
        return FormatUnit(0x11, DVDPlusRWFormat, sizeof(DVDPlusRWFormat));
    }
    if (type == dtDVDRAM) {
        if (Mode != 1)
            return FormatUnit(0x11, DVDRAMFormat, sizeof(DVDRAMFormat));
        for (uint32_t i = 0; i < RAMQuickStartBlocks; ++i)
            Write10(i * ZeroBlockSectors, ZeroBlockSectors, 0x50, ZeroBlockBytes, ZeroBlock());
        SyncCache(30000, false);
        return true;
    }
    return Blank(static_cast<uint8_t>(Mode | 0x10));
}

int TSCSIDevice::GetEraseProgress() const {
    return Erasing && EraseThread ? EraseThread->Progress.load() : 0;
}

void TSCSIDevice::WaitForErase() {
    if (!EraseThread)
        return;
    EraseThread->WaitFor();
    EraseThread.reset();
}

void TSCSIDevice::RestoreDrive() {
    SetWriteParameters(false, false, dtCDROM, false);
    SetCDSpeed(DeviceMaxReadSpeed, 2);
    RezeroUnit();
    LockMedium(true);
    LoadUnloadMedium(false);
    RezeroUnit();
    TestUnitReady(5000);
}

TEraseThread::TEraseThread(TSCSIDevice& Device_, uint8_t Mode_) : Device(Device_), Mode(Mode_) {}

void TEraseThread::Tick(int seconds) {
    elapsed_ += seconds;
    Progress = static_cast<int>(std::lround(elapsed_ * 100.0 / ExpectedDuration));
}

// Waits stay within the expected duration and end at once on an abort.
bool TEraseThread::InTime() const { return elapsed_ <= ExpectedDuration && !AbortFlag; }

void TEraseThread::Execute() {
    // A drive that never became ready or refused the erase is left as it is.
    if (!Device.BeginErase(Mode, DiscType)) {
        Finish(true);
        return;
    }
    ExpectedDuration = ExpectedEraseDuration(DiscType, Mode);
    if (IsDVDRW(DiscType))
        WaitForDVDRW();
    if (DiscType == dtDVDPlusRW)
        FinishDVDPlusRW();
    if (DiscType == dtDVDRAM && Mode == 1) {
        WithError = !WriteZeros(QuickZeroBlocks) || WithError;
        Device.SyncCache(30000, false);
    }
    if (ExtraBlankWaitQuirk)
        WaitWithQuirk();
    bool ready = WaitUntilErased();
    WithError = WithError || !ready || AbortFlag;
    if (ASPILayerName == ASPIEmulationName)
        ReInitASPI();
    Progress = 100;
    Device.RestoreDrive();
    Finish(WithError);
}

void TEraseThread::Finish(bool withError) {
    WithError = withError;
    Device.Erasing = false;
    if (Device.OnEraseDone)
        Device.OnEraseDone(&Device, withError);
}

void TEraseThread::WaitForDVDRW() {
    for (int pass = 0; pass < 2; ++pass) {
        if (pass > 0)
            SleepUnlessAborted(5000);
        do {
            Tick(1);
            if (!Device.TestUnitReady(5000))
                SleepUnlessAborted(2000);
        } while (Device.LastASC() == 0x04 && InTime());
    }
}

// After the format: wait for it, then write zeros over the start (quick) or the whole disc.
void TEraseThread::FinishDVDPlusRW() {
    uint8_t answer[56];
    do {
        SleepUnlessAborted(2000);
        Tick(2);
        Device.ReadDiscInformation(answer, sizeof(answer));
    } while (Device.LastASC() == 0x04 && InTime());
    WithError = !WriteZeros(Device.EraseMode == 1 ? QuickZeroBlocks : FullZeroBlocks);
    SleepUnlessAborted(300);
    Tick(1);
    Device.SyncCache(30000, false);
    Device.CloseTrackSessionRaw(false, 3, 0, 0, 0);
}

bool TEraseThread::WriteZeros(uint32_t blocks) {
    for (uint32_t i = 0; i < blocks; ++i) {
        if (AbortFlag)
            return false;
        if (!Device.Write10(i * ZeroBlockSectors, ZeroBlockSectors, 0x50, ZeroBlockBytes,
                            ZeroBlock()))
            return false;
    }
    return true;
}

void TEraseThread::WaitWithQuirk() {
    do {
        Tick(2);
        if (!Device.TestUnitReady(10000))
            SleepUnlessAborted(2000);
    } while (Device.LastASC() == 0x04 && InTime());
    uint8_t answer[56];
    Device.ReadDiscInformation(answer, sizeof(answer));
    SleepUnlessAborted(5000);
}

// Waits until the drive reports ready again; false when it did not within the duration.
bool TEraseThread::WaitUntilErased() {
    uint8_t answer[56];
    if (Device.TestUnitReady(5000) && Device.ReadDiscInformation(answer, sizeof(answer)))
        return true;
    if (DiscType != dtDVDRAM) {
        do {
            Device.ReadDiscInformation(answer, sizeof(answer));
            Tick(5);
            if (Device.LastASC() == 0x04)
                SleepUnlessAborted(5000);
        } while (Device.LastASC() == 0x04 && InTime());
    }
    do {
        Tick(2);
        if (!Device.TestUnitReady(5000))
            SleepUnlessAborted(2000);
    } while (Device.LastASC() == 0x04 && InTime());
    uint8_t asc;
    do {
        uint8_t sense[40];
        bool ok = Device.RequestSense(sense, sizeof(sense));
        asc = !ok ? 0xFF : (sense[0] == 0xF0 ? 0x04 : sense[12]);
        Tick(2);
        SleepUnlessAborted(2000);
    } while (asc != 0 && InTime());
    return asc == 0;
}

} // namespace ku
