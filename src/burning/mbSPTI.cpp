// The ASPI emulation "REZOZI32": a drive table built from the CD/DVD drive letters and ASPI
// requests carried out synchronously with IOCTL_SCSI_PASS_THROUGH_DIRECT.
#include "burning/mbSPTI.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "burning/mbASPI.h"

namespace ku {

uint8_t AdapterCount = 0;
TSPTIDrive SPTIDrives[SPTIDriveSlots];
bool CloseDriveHandles = true;
int UnaddressedDrives = 0;

namespace {

bool tableBuilt = false;
constexpr uint8_t UnaddressedMark = 250;
constexpr char ManagerId[] = "KELVANE SPTI MGR"; // 16 characters, no terminator in the SRB

class TSystemTransport : public ISPTITransport {
public:
    UINT DriveType(const char* rootPath) override { return ::GetDriveTypeA(rootPath); }
    HANDLE Open(const char* devicePath, DWORD access, DWORD share) override {
        return ::CreateFileA(devicePath, access, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    BOOL IoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned) override {
        return ::DeviceIoControl(device, code, in, inSize, out, outSize, returned, nullptr);
    }
    void Close(HANDLE device) override { ::CloseHandle(device); }
};

// Never destroyed: the layer's own finalisation may still close drive handles through it.
ISPTITransport* const systemTransport = new TSystemTransport;
ISPTITransport* currentTransport = systemTransport;

void PrepareBlock(TSPTDWithSense& block) {
    std::memset(&block, 0, sizeof(block));
    block.Length = SPTIPassThroughLength;
    block.SenseInfoOffset = SPTISenseOffset;
    block.TimeOutValue = SPTITimeOutSeconds;
}

bool PassThrough(HANDLE device, TSPTDWithSense& block) {
    DWORD returned = 0;
    return SPTITransport().IoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT_CODE, &block,
                                     sizeof(block), &block, sizeof(block), &returned) != FALSE;
}

bool InquireDrive(HANDLE device, uint8_t* answer, DWORD size) {
    std::memset(answer, 0, size);
    TSPTDWithSense block;
    PrepareBlock(block);
    block.CdbLength = 6;
    block.SenseInfoLength = 24;
    block.DataIn = SCSI_IOCTL_DATA_IN;
    block.DataTransferLength = 96;
    block.DataBuffer = answer;
    const uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
    std::memcpy(block.Cdb, cdb, sizeof(cdb));
    return PassThrough(device, block) && block.ScsiStatus == 0;
}

void AddressDrive(HANDLE device, TSPTIDrive& drive) {
    TSCSIAddress address{};
    address.Length = sizeof(address);
    DWORD returned = 0;
    if (SPTITransport().IoControl(device, IOCTL_SCSI_GET_ADDRESS_CODE, nullptr, 0, &address,
                                  sizeof(address), &returned)) {
        drive.HaId = address.PortNumber;
        drive.Target = address.TargetId;
        drive.Lun = address.Lun;
    } else {
        drive.HaId = 0;
        drive.Target = static_cast<uint8_t>(UnaddressedDrives++);
        drive.Lun = UnaddressedMark;
    }
}

void ProbeLetter(int index) {
    TSPTIDrive& drive = SPTIDrives[index];
    char letter = static_cast<char>('A' + index);
    std::string root = std::string(1, letter) + ":\\";
    if (SPTITransport().DriveType(root.c_str()) != DRIVE_CDROM) {
        drive.Target = 'x';
        return;
    }
    HANDLE device = SPTIOpenDrive(letter);
    if (device == INVALID_HANDLE_VALUE)
        return;
    uint8_t answer[1025];
    if (InquireDrive(device, answer, sizeof(answer))) {
        std::memcpy(drive.InquiryData, answer, sizeof(drive.InquiryData));
        AddressDrive(device, drive);
        drive.Used = 1;
        drive.DriveIndex = static_cast<uint8_t>(index);
    }
    SPTITransport().Close(device);
}

uint8_t CountAdapters() {
    int highest = 0;
    for (const TSPTIDrive& drive : SPTIDrives)
        if (drive.Used)
            highest = std::max<int>(highest, drive.HaId);
    return static_cast<uint8_t>(highest + 1);
}

TSPTIDrive* FindDrive(uint8_t haId, uint8_t target, uint8_t lun) {
    for (TSPTIDrive& drive : SPTIDrives)
        if (drive.Used && drive.HaId == haId && drive.Target == target && drive.Lun == lun)
            return &drive;
    return nullptr;
}

void CloseDrive(TSPTIDrive& drive) {
    if (drive.Handle != INVALID_HANDLE_VALUE)
        SPTITransport().Close(drive.Handle);
    drive.Handle = INVALID_HANDLE_VALUE;
}

DWORD AnswerHostAdapter(SRB_HAInquiry& srb) {
    srb.HA_Count = AdapterCount;
    if (srb.SRB_HaId >= AdapterCount)
        return srb.SRB_Status = SS_INVALID_HA;
    srb.HA_SCSI_ID = 7;
    std::memcpy(srb.HA_ManagerId, ManagerId, 16);
    std::memset(srb.HA_Identifier, 0, sizeof(srb.HA_Identifier));
    std::memcpy(srb.HA_Identifier, "SPTI ", 5);
    srb.HA_Identifier[5] = static_cast<char>('0' + srb.SRB_HaId);
    std::memset(srb.HA_Unique, 0, sizeof(srb.HA_Unique));
    srb.HA_Unique[0] = 7;
    srb.HA_Unique[3] = 8;
    srb.HA_Unique[6] = 0xFF; // 16,711,680 bytes at most per transfer
    return srb.SRB_Status = SS_COMP;
}

DWORD AnswerDeviceType(SRB_GDEVBlock& srb) {
    if (!FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
        srb.SRB_DeviceType = DTYPE_UNKNOWN;
        return srb.SRB_Status = SS_NO_DEVICE;
    }
    srb.SRB_DeviceType = DTYPE_CDROM;
    return srb.SRB_Status = SS_COMP;
}

// A pass-through call that fails never reached the target: a host error, not a target status.
void FailAsHostError(SRB_ExecSCSICmd& srb, DWORD error) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_HaStat = (error == ERROR_SEM_TIMEOUT || error == WAIT_TIMEOUT)
                         ? HASTAT_COMMAND_TIMEOUT
                         : HASTAT_SEL_TO;
    srb.SRB_TargStat = 0;
    std::memset(srb.SenseArea, 0, sizeof(srb.SenseArea));
}

void RunPassThrough(TSPTIDrive& drive, SRB_ExecSCSICmd& srb) {
    if (drive.Handle == INVALID_HANDLE_VALUE)
        drive.Handle = SPTIOpenDrive(static_cast<char>('A' + drive.DriveIndex));
    if (drive.Handle == INVALID_HANDLE_VALUE) {
        FailAsHostError(srb, ::GetLastError());
        return;
    }
    TSPTDWithSense block;
    PrepareBlock(block);
    block.DataIn = (srb.SRB_Flags & SRB_DIR_IN)    ? SCSI_IOCTL_DATA_IN
                   : (srb.SRB_Flags & SRB_DIR_OUT) ? SCSI_IOCTL_DATA_OUT
                                                   : SCSI_IOCTL_DATA_UNSPECIFIED;
    block.CdbLength = std::min<uint8_t>(srb.SRB_CDBLen, 16);
    block.SenseInfoLength = std::min<uint8_t>(srb.SRB_SenseLen, sizeof(block.SenseBuf));
    block.DataTransferLength = srb.SRB_BufLen;
    block.DataBuffer = srb.SRB_BufPointer;
    std::memcpy(block.Cdb, srb.CDBByte, block.CdbLength);
    ::SetLastError(0);
    if (!PassThrough(drive.Handle, block)) {
        FailAsHostError(srb, ::GetLastError());
    } else if (block.ScsiStatus != 0) {
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = block.ScsiStatus;
        size_t senseBytes = std::min<size_t>(block.SenseInfoLength, sizeof(block.SenseBuf));
        std::memcpy(srb.SenseArea, block.SenseBuf, senseBytes);
    } else {
        srb.SRB_Status = SS_COMP;
    }
    if (CloseDriveHandles)
        CloseDrive(drive);
}

DWORD AnswerExecute(SRB_ExecSCSICmd& srb) {
    TSPTIDrive* drive = FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!drive)
        return srb.SRB_Status = SS_NO_DEVICE;
    if (srb.CDBByte[0] == 0x12) {
        // Answered from the table: the drive is not disturbed after start-up.
        if (srb.SRB_HaId >= AdapterCount)
            return srb.SRB_Status = SS_INVALID_HA;
        if (srb.SRB_BufPointer)
            std::memcpy(srb.SRB_BufPointer, drive->InquiryData,
                        std::min<uint32_t>(36, srb.SRB_BufLen));
        return srb.SRB_Status = SS_COMP;
    }
    RunPassThrough(*drive, srb);
    return srb.SRB_Status;
}

} // namespace

ISPTITransport& SPTITransport() { return *currentTransport; }

ISPTITransport* SetSPTITransport(ISPTITransport* transport) {
    ISPTITransport* previous = currentTransport == systemTransport ? nullptr : currentTransport;
    currentTransport = transport ? transport : systemTransport;
    return previous;
}

HANDLE SPTIOpenDrive(char letter) {
    std::string path = std::string("\\\\.\\") + letter + ":";
    HANDLE device = SPTITransport().Open(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (device == INVALID_HANDLE_VALUE || device == nullptr)
        device = SPTITransport().Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ);
    return device == nullptr ? INVALID_HANDLE_VALUE : device;
}

bool SPTITableBuilt() { return tableBuilt; }

int SPTIInit() {
    if (tableBuilt)
        return 0;
    UnaddressedDrives = 0;
    std::memset(SPTIDrives, 0, sizeof(SPTIDrives));
    for (TSPTIDrive& drive : SPTIDrives)
        drive.Handle = INVALID_HANDLE_VALUE;
    for (int index = 2; index <= 25; ++index)
        ProbeLetter(index);
    AdapterCount = CountAdapters();
    if (UnaddressedDrives != 0) {
        // Drives without an address share one virtual adapter after the real ones.
        for (TSPTIDrive& drive : SPTIDrives) {
            if (drive.Used && drive.Lun == UnaddressedMark) {
                drive.Lun = 0;
                drive.HaId = AdapterCount;
            }
        }
        AdapterCount = CountAdapters();
    }
    tableBuilt = true;
    int found = 0;
    for (const TSPTIDrive& drive : SPTIDrives)
        found += drive.Used;
    return found;
}

bool SPTIDeinit() {
    if (!tableBuilt)
        return false;
    for (TSPTIDrive& drive : SPTIDrives)
        if (drive.Used)
            CloseDrive(drive);
    std::memset(SPTIDrives, 0, sizeof(SPTIDrives));
    AdapterCount = 0;
    tableBuilt = false;
    return true;
}

DWORD __cdecl SPTIGetSupportInfo() {
    if (AdapterCount != 0)
        return (static_cast<DWORD>(SS_COMP) << 8) | AdapterCount;
    return static_cast<DWORD>(SS_NO_ADAPTERS) << 8;
}

DWORD __cdecl SPTISendCommand(void* request) {
    if (!request)
        return SS_ERR;
    auto* header = static_cast<SRB_Header*>(request);
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
        return AnswerHostAdapter(*static_cast<SRB_HAInquiry*>(request));
    case SC_GET_DEV_TYPE:
        return AnswerDeviceType(*static_cast<SRB_GDEVBlock*>(request));
    case SC_EXEC_SCSI_CMD:
        return AnswerExecute(*static_cast<SRB_ExecSCSICmd*>(request));
    case SC_GET_DISK_INFO:
        header->SRB_Status = SS_PENDING;
        return SS_ERR;
    default:
        header->SRB_Status = SS_ERR;
        return SS_ERR;
    }
}

char SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    for (int index = 0; index < SPTIDriveSlots; ++index) {
        const TSPTIDrive& drive = SPTIDrives[index];
        if (drive.Used && drive.HaId == HaId && drive.Target == Target && drive.Lun == Lun)
            return static_cast<char>('A' + index);
    }
    return SPTINoDriveLetter;
}

} // namespace ku
