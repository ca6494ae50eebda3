// ASPI emulation over the Windows SCSI pass-through interface: a table of the CD/DVD drives
// C: to Z: and the two ASPI entry points carried out with DeviceIoControl.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace ku {

constexpr DWORD IOCTL_SCSI_PASS_THROUGH_DIRECT_CODE = 0x4D014;
constexpr DWORD IOCTL_SCSI_GET_ADDRESS_CODE = 0x41018;

constexpr uint8_t SCSI_IOCTL_DATA_OUT = 0;
constexpr uint8_t SCSI_IOCTL_DATA_IN = 1;
constexpr uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

#pragma pack(push, 1)
// SCSI_PASS_THROUGH_DIRECT as Windows defines it for 32-bit callers, with room for the sense.
struct TSPTDWithSense {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint8_t Padding[3];
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
    uint32_t Filler;
    uint8_t SenseBuf[32];
};

struct TSCSIAddress {
    uint32_t Length;
    uint8_t PortNumber;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
};

// One entry of the emulation's drive table; entry i stands for drive letter "A" + i.
struct TSPTIDrive {
    uint8_t HaId;
    uint8_t Target;
    uint8_t Lun;
    uint8_t DriveIndex;
    uint8_t Used;
    HANDLE Handle;
    uint8_t InquiryData[40];
};
#pragma pack(pop)

static_assert(offsetof(TSPTDWithSense, DataTransferLength) == 12, "pass-through layout");
static_assert(offsetof(TSPTDWithSense, Cdb) == 28, "pass-through CDB offset");
static_assert(offsetof(TSPTDWithSense, Filler) == 44, "pass-through length");
static_assert(offsetof(TSPTDWithSense, SenseBuf) == 48, "pass-through sense offset");
static_assert(sizeof(TSPTDWithSense) == 80, "pass-through block with sense");
static_assert(sizeof(TSCSIAddress) == 8, "SCSI_ADDRESS layout");

constexpr uint32_t SPTIPassThroughLength = 44;
constexpr uint32_t SPTISenseOffset = 48;
constexpr uint32_t SPTITimeOutSeconds = 120;
constexpr int SPTIDriveSlots = 27;
constexpr char SPTINoDriveLetter = 0x7F;

// The operating-system calls behind the emulation, replaceable by a test double.
class ISPTITransport {
public:
    virtual ~ISPTITransport() = default;
    virtual UINT DriveType(const char* rootPath) = 0;
    virtual HANDLE Open(const char* devicePath, DWORD access, DWORD share) = 0;
    virtual BOOL IoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                           DWORD outSize, DWORD* returned) = 0;
    virtual void Close(HANDLE device) = 0;
};

ISPTITransport& SPTITransport();
// Installs a transport (nullptr restores the system one); returns the previous one.
ISPTITransport* SetSPTITransport(ISPTITransport* transport);

// Drive table, one per process.
extern uint8_t AdapterCount;
extern TSPTIDrive SPTIDrives[SPTIDriveSlots];
extern bool CloseDriveHandles;
extern int UnaddressedDrives;

int SPTIInit();
bool SPTIDeinit();
bool SPTITableBuilt();
DWORD __cdecl SPTIGetSupportInfo();
DWORD __cdecl SPTISendCommand(void* srb);
char SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun);

// Opens "\\.\X:" read-write, else read-only; INVALID_HANDLE_VALUE when neither works.
HANDLE SPTIOpenDrive(char letter);

} // namespace ku
