// The write thread: drive preparation by disc type, the block loop with busy retries, the
// flush, the close by disc type, the restore of the drive and the done event.
#include "burning/mbThWrite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "burning/mbBigEndian.h"
#include "burning/mbCDBC.h"
#include "burning/mbCache.h"
#include "burning/mbClock.h"
#include "burning/mbConst.h"
#include "burning/mbFormat.h"

namespace ku {
namespace {

constexpr int MaxWriteRetries = 10000;
constexpr DWORD WriteRetryMs = 600;
constexpr int MaxCloseRetries = 1000;
constexpr DWORD CloseRetryMs = 1000;
constexpr DWORD DVDSyncMs = 1800000;

// The fixed performance descriptor a DVD-R is given before its track is reserved.
const uint8_t DVDRStreaming[28] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0x00, 0x23, 0x12, 0x7F, 0x00, 0x00, 0xAB, 0xBD,
                                   0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x05, 0x8A,
                                   0x00, 0x00, 0x03, 0xE8};

bool IsRecordableDVD(uint8_t type) {
    return type == dtDVDR || (type >= dtDVDRWRestricted && type <= dtDVDPlusRDL);
}

bool SyncsImmediately(uint8_t type) {
    return type == dtDVDR || type == dtDVDRWRestricted || type == dtDVDRWSequential;
}

// A close of the track or session; an optional one may be refused without harm.
struct TCloseStep {
    bool immed;
    uint8_t function;
    int track; // offset from the track number, or -1 for FFh, or -2 for 0
    bool required;
};

// The closes by disc type: 1 closes a track, 2 a session, 3 a DVD+RW, 6 finalizes a DVD+R DL.
const TCloseStep DVDPlusRCloses[] = {{false, 1, 0, true}, {false, 2, -1, true}};
const TCloseStep DualLayerCloses[] = {{false, 1, 0, true}, {false, 2, -2, true}};
const TCloseStep DualLayerFinalCloses[] = {{false, 1, 0, true}, {false, 6, -2, true}};
const TCloseStep DVDRCloses[] = {{true, 1, 0, true}, {true, 1, 1, false}, {true, 2, 2, true}};
const TCloseStep DVDRWCloses[] = {{true, 2, -2, true}};
const TCloseStep DVDPlusRWCloses[] = {{false, 3, -1, true}};
const TCloseStep CDImmediateCloses[] = {{true, 2, -2, true}};
const TCloseStep CDCloses[] = {{false, 2, -2, true}};

struct TCloseSteps {
    const TCloseStep* first;
    size_t count;
};

template <size_t N> TCloseSteps Steps(const TCloseStep (&steps)[N]) { return {steps, N}; }

TCloseSteps ClosesFor(uint8_t type, bool finalize) {
    switch (type) {
    case dtDVDPlusR: return Steps(DVDPlusRCloses);
    case dtDVDPlusRDL: return finalize ? Steps(DualLayerFinalCloses) : Steps(DualLayerCloses);
    case dtDVDR: return Steps(DVDRCloses);
    case dtDVDRWRestricted:
    case dtDVDRWSequential: return Steps(DVDRWCloses);
    case dtDVDPlusRW: return Steps(DVDPlusRWCloses);
    default: return CloseSessionImmediate ? Steps(CDImmediateCloses) : Steps(CDCloses);
    }
}

} // namespace

TThWrite::TThWrite(TMCDBurner& Burner, TCacheThread& Cache, bool ToFile_)
    : CacheSize(Burner.CacheSize()), ToFile(ToFile_), burner_(Burner), cache_(Cache) {}

void TThWrite::Execute() {
    burner_.writeRunning_ = true;
    burner_.BytesWritten = 0;
    Prepare();
    WriteDisc();
    EndOfData();
    if (!Failed()) {
        CloseDisc();
        burner_.WaitUntilReady(240000, 5000);
        if (discType_ != dtDVDRAM) {
            uint32_t length, blank;
            burner_.ReadBufferCapacity(length, blank);
        }
        burner_.RestoreDrive();
    }
    Finish();
}

void TThWrite::Fail(const std::string& text) { cache_.Fail(text); }

bool TThWrite::Failed() {
    cache_.Lock();
    bool failed = !cache_.ErrorText().empty();
    cache_.Unlock();
    return failed;
}

void TThWrite::Prepare() {
    TMCDBurner& b = burner_;
    uint32_t length, blank;
    bufferCapacityWorks_ = b.ReadBufferCapacity(length, blank);
    discType_ = b.GetDiscType();
    CurrentDiscType = discType_;
    b.LoadUnloadMedium(false);
    if (discType_ != dtDVDPlusRW)
        b.RezeroUnit();
    b.SetCDSpeed(b.ReadSpeed, b.WriteSpeed);
    b.WaitUntilReady(10000, 1000);
    uint16_t speed = b.GetCurrentWriteSpeed();
    // The session is always closed for good, whatever the caller chose for later closes.
    bool finalize = b.FinalizeDisc;
    b.FinalizeDisc = true;
    b.SetWriteParameters(b.TestWrite, b.UnderrunProtection, discType_, true);
    b.FinalizeDisc = finalize;
    if (IsRecordableDVD(discType_)) {
        SetStreamingFor();
        track_ = static_cast<uint8_t>(b.GetSessionCount() + 1);
    }
    if (discType_ == dtDVDR)
        PrepareDVDR();
    if (discType_ != dtDVDRAM && !b.TestWrite && b.PerformOPC)
        b.SendOPC();
    bool dvd = discType_ >= dtDVDR && discType_ <= dtDVDPlusR;
    std::string speedText = SpeedFactorText(speed, dvd) + "X " + KBpsText(speed);
    char text[160];
    std::snprintf(text, sizeof(text), SStartingWrite, DiscTypeNames[discType_ & 15],
                  speedText.c_str());
    b.DoDebugMessage(std::string(">>> ") + text, 1);
    if (b.TestWrite)
        b.DoDebugMessage(std::string(">>> ") + STestWrite, 1);
}

void TThWrite::SetStreamingFor() {
    uint8_t descriptor[28] = {};
    auto size = [](uint16_t speed) {
        return static_cast<uint32_t>(std::lround(speed / static_cast<double>(DVDSpeed1X) * 1440.25));
    };
    PutBE32(descriptor + 8, static_cast<uint32_t>(burner_.ImageSectors));
    PutBE32(descriptor + 12, size(burner_.ReadSpeed));
    PutBE32(descriptor + 16, 1000);
    PutBE32(descriptor + 20, size(burner_.WriteSpeed));
    PutBE32(descriptor + 24, 1000);
    burner_.SetStreaming(descriptor, sizeof(descriptor));
}

void TThWrite::PrepareDVDR() {
    burner_.SetStreaming(DVDRStreaming, sizeof(DVDRStreaming));
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    uint8_t stamp[22] = {0x00, 0x14};
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%04u%02u%02u%02u%02u%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    std::memcpy(stamp + 8, digits, 14);
    burner_.SendDVDStructure(0x0F, stamp, sizeof(stamp));
    burner_.ReserveTrack(static_cast<uint32_t>((burner_.ImageSectors + 31) / 32 * 32));
    burner_.WaitUntilReady(10000, 1000);
}

// Takes the next block into the transfer buffer; false at the end of the data, on an abort or
// when the cache failed.
bool TThWrite::NextBlock(uint32_t& count) {
    for (;;) {
        if (AbortFlag) {
            Fail(SOperationAborted);
            return false;
        }
        cache_.Lock();
        int taken = cache_.GetBlock(buffer_);
        if (taken < 0)
            cache_.WaitForChange(100);
        cache_.Unlock();
        if (taken == 0)
            return false;
        if (taken > 0) {
            if (taken % SectorBytes != 0) {
                Fail(SInternalError0004);
                return false;
            }
            count = static_cast<uint32_t>(taken);
            return true;
        }
    }
}

void TThWrite::WriteDisc() {
    uint32_t sectors = 0;
    uint32_t count = 0;
    int64_t limit = burner_.GetImageSectors() * SectorBytes;
    for (int blocks = 1; NextBlock(count); ++blocks) {
        if (!WriteBlock(burner_.StartLBA + sectors, count))
            return;
        sectors += count / SectorBytes;
        burner_.BytesWritten = std::min<int64_t>(burner_.BytesWritten + count, limit);
        if (bufferCapacityWorks_ && blocks % 5 == 0) {
            uint32_t length, blank;
            burner_.ReadBufferCapacity(length, blank);
        }
    }
}

// Writes one block, trying again while the drive is busy or becoming ready.
bool TThWrite::WriteBlock(uint32_t lba, uint32_t count) {
    TMCDBurner& b = burner_;
    uint16_t sectors = static_cast<uint16_t>(count / SectorBytes);
    for (int attempt = 0;; ++attempt) {
        if (b.Write10(lba, sectors, 0x50, count, buffer_.data()))
            return true;
        if (!b.LastCommandRetryable()) {
            Fail(std::string(SWriterError) + " [" + b.LastError + "]");
            return false;
        }
        if (attempt >= MaxWriteRetries) {
            Fail(SWriterBusy);
            return false;
        }
        if (AbortFlag) {
            Fail(SOperationAborted);
            return false;
        }
        BurnSleep(WriteRetryMs);
    }
}

// Flushes the drive's buffer to the disc; a flush that fails is an error of the burn.
void TThWrite::EndOfData() {
    TMCDBurner& b = burner_;
    uint32_t length, blank;
    if (discType_ != dtDVDRAM)
        b.ReadBufferCapacity(length, blank);
    if (b.OnFinalizingTrack)
        b.OnFinalizingTrack(&b);
    bool flushed;
    if (SyncsImmediately(discType_)) {
        flushed = b.SyncCache(DVDSyncMs, true);
        TBurnDeadline deadline(DVDSyncMs);
        uint8_t answer[34];
        while (flushed && !b.ReadDiscInformation(answer, sizeof(answer))) {
            if (deadline.Expired() || AbortFlag) {
                flushed = false;
                break;
            }
            uint32_t step = b.DeviceBufferSize / 960;
            b.DeviceFreeBufferSize = b.DeviceFreeBufferSize > step ? b.DeviceFreeBufferSize - step
                                                                   : 0;
            BurnSleep(1000);
        }
    } else {
        flushed = b.SyncCache(120000, false) || b.SyncCache(120000, true);
    }
    std::string reason = b.LastError;
    b.DeviceBufferSize = 0;
    b.DeviceFreeBufferSize = 0;
    if (AbortFlag)
        Fail(SOperationAborted);
    else if (!flushed)
        Fail(std::string(SSyncFailed) + " [" + reason + "]");
}

void TThWrite::CloseDisc() {
    TMCDBurner& b = burner_;
    if (b.TestWrite || discType_ == dtDVDRAM || !b.FinalizeTrack)
        return;
    if (discType_ != dtDVDR)
        b.SetWriteParameters(b.TestWrite, b.UnderrunProtection, discType_, b.FinalizeDisc);
    TCloseSteps closes = ClosesFor(discType_, b.FinalizeDisc);
    for (size_t i = 0; i < closes.count; ++i) {
        const TCloseStep& step = closes.first[i];
        uint8_t track = step.track == -1 ? 0xFF
                        : step.track == -2 ? 0
                                           : static_cast<uint8_t>(track_ + step.track);
        if (CloseStep(step.immed, step.function, track) || !step.required)
            continue;
        Fail(AbortFlag ? std::string(SOperationAborted)
                       : std::string(SCloseFailed) + " [" + b.LastError + "]");
        return;
    }
}

// One close; while the drive is busy with the last one it is asked again every second.
bool TThWrite::CloseStep(bool immed, uint8_t function, uint8_t track) {
    TMCDBurner& b = burner_;
    for (int attempt = 0;; ++attempt) {
        if (b.CloseTrackSessionRaw(immed, function, track, 0, 0))
            return true;
        if (AbortFlag)
            return false;
        if (!b.LastCommandRetryable())
            return b.CloseTrackSessionRaw(immed, function, track, 0, 0);
        if (attempt >= MaxCloseRetries)
            return false;
        BurnSleep(CloseRetryMs);
    }
}

void TThWrite::Finish() {
    TMCDBurner& b = burner_;
    b.Enter();
    b.CurrentFileName = cache_.CurrentFile();
    std::string error = cache_.ErrorText();
    std::unique_ptr<TCacheThread> cache = std::move(b.CacheThread);
    b.writeRunning_ = false;
    b.Leave();
    cache->Stop();
    cache->WaitFor();
    cache.reset();
    b.SetCloseDriveHandles(true);
    b.CurrentFileName.clear();
    b.WriteError = error;
    if (b.OnWriteDone)
        b.OnWriteDone(&b, error);
}

} // namespace ku
