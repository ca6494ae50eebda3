// ASPI for Win32 request blocks and the process-wide ASPI layer: "WNASPI32.DLL" when present,
// else the library's own pass-through emulation "REZOZI32".
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ku {

// Request codes (SRB_Cmd).
constexpr uint8_t SC_HA_INQUIRY = 0x00;
constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
constexpr uint8_t SC_ABORT_SRB = 0x03;
constexpr uint8_t SC_GET_DISK_INFO = 0x06;

// Request status values (SRB_Status).
constexpr uint8_t SS_PENDING = 0x00;
constexpr uint8_t SS_COMP = 0x01;
constexpr uint8_t SS_ABORTED = 0x02;
constexpr uint8_t SS_ABORT_FAIL = 0x03;
constexpr uint8_t SS_ERR = 0x04;
constexpr uint8_t SS_INVALID_CMD = 0x80;
constexpr uint8_t SS_INVALID_HA = 0x81;
constexpr uint8_t SS_NO_DEVICE = 0x82;
constexpr uint8_t SS_INVALID_SRB = 0xE0;
constexpr uint8_t SS_BUFFER_ALIGN = 0xE1;
constexpr uint8_t SS_ASPI_IS_BUSY = 0xE5;
constexpr uint8_t SS_BUFFER_TO_BIG = 0xE6;
constexpr uint8_t SS_NO_ADAPTERS = 0xE8;

// Host adapter status values (SRB_HaStat) the library sets itself.
constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x09;
constexpr uint8_t HASTAT_SEL_TO = 0x11;

// Request flags (SRB_Flags).
constexpr uint8_t SRB_DIR_IN = 0x08;
constexpr uint8_t SRB_DIR_OUT = 0x10;
constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;

constexpr uint8_t DTYPE_CDROM = 0x05;
constexpr uint8_t DTYPE_UNKNOWN = 0x1F;

#pragma pack(push, 1)
struct SRB_Header {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    char HA_ManagerId[16];
    char HA_Identifier[16];
    uint8_t HA_Unique[16];
    uint16_t HA_Rsvd1;
};

struct SRB_GDEVBlock {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    HANDLE SRB_PostProc;
    void* SRB_Rsvd2;
    uint8_t SRB_Rsvd3[16];
    uint8_t CDBByte[16];
    uint8_t SenseArea[33];
};

struct SRB_Abort {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
};

struct SRB_GetDiskInfo {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DriveFlags;
    uint8_t SRB_Int13HDriveInfo;
    uint8_t SRB_Heads;
    uint8_t SRB_Sectors;
    uint8_t SRB_Rsvd1[10];
};
#pragma pack(pop)

static_assert(sizeof(SRB_Header) == 8, "SRB header layout");
static_assert(sizeof(SRB_HAInquiry) == 60, "host adapter inquiry layout");
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42, "HA_Unique offset");
static_assert(sizeof(SRB_GDEVBlock) == 12, "device type layout");
static_assert(sizeof(SRB_ExecSCSICmd) == 97, "execute request layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12, "SRB_BufLen offset");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24, "SRB_PostProc offset");
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48, "CDBByte offset");
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64, "SenseArea offset");
static_assert(sizeof(SRB_Abort) == 12, "abort layout");
static_assert(offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11, "disk info offset");

using TGetASPI32SupportInfo = DWORD(__cdecl*)();
using TSendASPI32Command = DWORD(__cdecl*)(void* srb);

extern const char* const ASPIDllName;      // "WNASPI32.DLL"
extern const char* const ASPIEmulationName; // "REZOZI32"

// Layer state, one per process.
extern bool ASPILoaded;
extern std::string ASPILayerName;
extern HMODULE ASPIModule;
extern TGetASPI32SupportInfo GetASPI32SupportInfo;
extern TSendASPI32Command SendASPI32Command;
extern bool UseSPTIRequested;
// Host adapters the loaded layer reports in its support information; 0 when it has none
// (status 0xE8) or answered anything but complete, and while no layer is loaded.
extern uint8_t ASPIAdapterCount;

// Loads a layer; True when one is ready. DLLPath names the ASPI manager to try first.
bool InitASPI(bool UseSPTI, const std::string& DLLPath);
// Unloads the current layer and loads again with the kept UseSPTI; always True.
bool ReInitASPI();
// Frees "WNASPI32.DLL" when it is the loaded layer.
bool UnloadASPI();

// Events of requests that timed out and whose abort the layer did not confirm: the layer may
// still signal them, so they are closed only when the layer goes.
void ParkPendingEvent(HANDLE event);
size_t ParkedEventCount();

} // namespace ku
