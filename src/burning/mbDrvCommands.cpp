// The SCSI/MMC commands of TSCSIDevice: one execute request each, big-endian CDB fields.
#include <cstring>

#include "burning/mbBigEndian.h"
#include "burning/mbDrvLib.h"
#include "burning/mbSPTI.h"

namespace ku {
namespace {

constexpr uint8_t FlagIn = SRB_DIR_IN | SRB_EVENT_NOTIFY;   // 48h
constexpr uint8_t FlagOut = SRB_DIR_OUT | SRB_EVENT_NOTIFY; // 50h
constexpr uint8_t FlagNone = SRB_EVENT_NOTIFY;              // 40h

} // namespace

bool TSCSIDevice::TestUnitReady(int TimeOut) {
    const uint8_t cdb[6] = {0x00};
    return Run(cdb, 6, FlagNone, nullptr, 0, TimeOut);
}

bool TSCSIDevice::RezeroUnit() {
    const uint8_t cdb[6] = {0x01};
    return Run(cdb, 6, FlagNone, nullptr, 0, 10000);
}

bool TSCSIDevice::RequestSense(uint8_t* Buffer, uint8_t Len) {
    const uint8_t cdb[6] = {0x03, 0, 0, 0, Len, 0};
    return Run(cdb, 6, FlagIn, Buffer, Len, 10000);
}

bool TSCSIDevice::FormatUnit(uint8_t Byte1, const uint8_t* List, uint32_t Len) {
    const uint8_t cdb[6] = {0x04, Byte1};
    return Run(cdb, 6, FlagOut, const_cast<uint8_t*>(List), Len, 10000);
}

bool TSCSIDevice::Inquiry() {
    const uint8_t cdb[6] = {0x12, 0, 0, 0, sizeof(InquiryData), 0};
    return Run(cdb, 6, FlagIn, InquiryData, sizeof(InquiryData), 10000);
}

bool TSCSIDevice::LoadUnloadMedium(bool Eject) {
    const uint8_t cdb[6] = {0x1B, 0, 0, 0, static_cast<uint8_t>(Eject ? 2 : 3), 0};
    // The tray may be moved only while no other handle of ours holds the drive.
    SetCloseDriveHandles(true);
    bool ok = Run(cdb, 6, FlagNone, nullptr, 0, 20000);
    SetCloseDriveHandles(false);
    return ok;
}

bool TSCSIDevice::LockMedium(bool Unlock) {
    const uint8_t cdb[6] = {0x1E, 0, 0, 0, static_cast<uint8_t>(Unlock ? 0 : 1), 0};
    if (Unlock)
        SetCloseDriveHandles(true);
    bool ok = Run(cdb, 6, FlagNone, nullptr, 0, 10000);
    // From here on the drive handle is kept between commands; a tray move or an unlock
    // closes it again.
    SetCloseDriveHandles(false);
    return ok;
}

bool TSCSIDevice::ModeSense(uint8_t Page, uint8_t* Buffer, bool Defaults, uint16_t Len,
                            uint32_t MaxLen) {
    uint8_t cdb[10] = {0x5A, 0, static_cast<uint8_t>(Page | (Defaults ? 0x80 : 0))};
    uint16_t asked = Len <= MaxLen ? Len : static_cast<uint16_t>(MaxLen);
    PutBE16(cdb + 7, asked);
    if (Buffer && MaxLen)
        std::memset(Buffer, 0, MaxLen);
    return Run(cdb, 10, FlagIn, Buffer, asked, 20000);
}

bool TSCSIDevice::ModeSelect(const uint8_t* Buffer, uint16_t Len) {
    uint8_t cdb[10] = {0x55, 0x10};
    PutBE16(cdb + 7, Len);
    return Run(cdb, 10, FlagOut, const_cast<uint8_t*>(Buffer), Len, 10000);
}

bool TSCSIDevice::GetConfiguration(uint8_t RT, uint8_t Feature, uint8_t Len, uint8_t* Buffer) {
    const uint8_t cdb[10] = {0x46, RT, 0, Feature, 0, 0, 0, 0, Len, 0};
    return Run(cdb, 10, FlagIn, Buffer, Len, 30000);
}

bool TSCSIDevice::ReadTOC(uint8_t Format, uint8_t* Buffer, uint8_t Control, bool MSF,
                          uint8_t Track, uint8_t Len) {
    const uint8_t cdb[10] = {0x43, static_cast<uint8_t>(MSF ? 2 : 0), Format, 0, 0, 0, Track, 0,
                             Len, Control};
    return Run(cdb, 10, FlagIn, Buffer, Len, 10000);
}

bool TSCSIDevice::ReadDiscInformation(uint8_t* Buffer, uint8_t Len) {
    const uint8_t cdb[10] = {0x51, 0, 0, 0, 0, 0, 0, 0, Len, 0};
    return Run(cdb, 10, FlagIn, Buffer, Len, 10000);
}

bool TSCSIDevice::ReadBufferCapacity(uint32_t& Length, uint32_t& Blank) {
    const uint8_t cdb[10] = {0x5C, 0, 0, 0, 0, 0, 0, 0, 32, 0};
    uint8_t answer[32];
    Length = Blank = 0;
    if (!Run(cdb, 10, FlagIn, answer, sizeof(answer), 10000)) {
        DeviceFreeBufferSize = 0;
        return false;
    }
    Length = GetBE32(answer + 4);
    Blank = GetBE32(answer + 8);
    DeviceBufferSize = Length;
    DeviceFreeBufferSize = Blank == 0xFFFFFFFF ? Length : Blank;
    return true;
}

bool TSCSIDevice::SetCDSpeed(uint16_t Read, uint16_t Write) {
    uint8_t cdb[12] = {0xBB};
    PutBE16(cdb + 2, Read == 0 ? 0xFFFF : Read);
    PutBE16(cdb + 4, Write == 0 ? 0xFFFF : Write);
    return Run(cdb, 12, FlagNone, nullptr, 0, 10000);
}

bool TSCSIDevice::SetStreaming(const uint8_t* Buffer, uint16_t Len) {
    uint8_t cdb[12] = {0xB6};
    PutBE16(cdb + 9, Len);
    return Run(cdb, 12, FlagOut, const_cast<uint8_t*>(Buffer), Len, 10000);
}

bool TSCSIDevice::SendDVDStructure(uint8_t Format, const uint8_t* Buffer, uint16_t Len) {
    uint8_t cdb[12] = {0xBF};
    cdb[7] = Format;
    PutBE16(cdb + 8, Len);
    return Run(cdb, 12, FlagOut, const_cast<uint8_t*>(Buffer), Len, 10000);
}

bool TSCSIDevice::SendCueSheet(const uint8_t* Buffer, uint32_t Len) {
    uint8_t cdb[10] = {0x5D};
    PutBE16(cdb + 7, static_cast<uint16_t>(Len));
    return Run(cdb, 10, FlagOut, const_cast<uint8_t*>(Buffer), Len, 30000);
}

bool TSCSIDevice::ReserveTrack(uint32_t Size) {
    uint8_t cdb[12] = {0x53};
    PutBE32(cdb + 5, Size);
    return Run(cdb, 12, FlagNone, nullptr, 0, 10000);
}

bool TSCSIDevice::SendOPC() {
    const uint8_t cdb[10] = {0x54, 1};
    return Run(cdb, 10, FlagNone, nullptr, 0, 150000);
}

bool TSCSIDevice::Write10(uint32_t LBA, uint16_t Blocks, uint8_t Flags, uint32_t Len,
                          const uint8_t* Buffer) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = Flags;
    srb.SRB_BufLen = Len;
    srb.SRB_BufPointer = const_cast<uint8_t*>(Buffer);
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x2A;
    PutBE32(srb.CDBByte + 2, LBA);
    PutBE16(srb.CDBByte + 7, Blocks);
    if (ExecuteSRB(srb, 120000) == ExecuteNotSent)
        return false;
    return srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_PENDING;
}

bool TSCSIDevice::SyncCache(int TimeOut, bool Immed) {
    const uint8_t cdb[10] = {0x35, static_cast<uint8_t>(Immed ? 2 : 0)};
    return Run(cdb, 10, FlagNone, nullptr, 0, TimeOut);
}

bool TSCSIDevice::CloseTrackSession(bool Immed, bool CloseTrack, bool Finalize) {
    uint8_t function = Finalize ? 5 : (CloseTrack ? 1 : 2);
    uint8_t cdb[10] = {0x5B, static_cast<uint8_t>(Immed ? 1 : 0), function};
    if (CloseTrack)
        cdb[5] = 0xFF;
    return Run(cdb, 10, FlagNone, nullptr, 0, 180000);
}

bool TSCSIDevice::CloseTrackSessionRaw(bool Immed, uint8_t Function, uint8_t Track,
                                       uint8_t Byte4, uint8_t Byte3) {
    const uint8_t cdb[10] = {0x5B, static_cast<uint8_t>(Immed ? 1 : 0), Function, Byte3, Byte4,
                             Track};
    return Run(cdb, 10, FlagNone, nullptr, 0, 180000);
}

void TSCSIDevice::SetCloseDriveHandles(bool Value) { CloseDriveHandles = Value; }

} // namespace ku
