// TSCSIDevice life cycle and command execution: one execute request per command, waited for
// with a time-out, its failure turned into an upper-case text and its sense data kept.
#include "burning/mbDrvLib.h"

#include <cstdio>
#include <cstring>

#include "burning/mbClock.h"
#include "burning/mbConst.h"
#include "burning/mbErase.h"
#include "burning/mbHandles.h"

namespace ku {

const char* const DiscTypeNames[16] = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW",  "DVD-ROM",  "DVD-R",    "DVD-RAM",  "DVD-RW",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R",  "DVD+R DL", "DDCD-ROM", "DDCD-R",   "DDCD-RW",
};
uint8_t CurrentDiscType = 0;
bool CloseSessionImmediate = true;
bool ExtraBlankWaitQuirk = false;
std::atomic<bool> AbortFlag{false};

namespace {

constexpr int MinimumTimeOut = 10000;
// How long an aborted request may take to let go of its event.
constexpr DWORD AbortGraceMs = 1000;

// Operation codes whose failure is routine while probing and never reported.
const uint8_t QuietOpcodes[] = {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                                0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};

// The layer may complete the request on another thread.
uint8_t StatusOf(const SRB_ExecSCSICmd& SRB) {
    return *reinterpret_cast<const volatile uint8_t*>(&SRB.SRB_Status);
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

bool IsQuiet(uint8_t opcode) {
    for (uint8_t quiet : QuietOpcodes)
        if (quiet == opcode)
            return true;
    return false;
}

// Aborts a request that outlived its time-out. Its event is closed only when the layer has
// let go of the request; otherwise it is parked until the layer is unloaded.
void AbortTimedOut(SRB_ExecSCSICmd& SRB, HANDLE event, uint8_t haId) {
    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = haId;
    abort.SRB_ToAbort = &SRB;
    SendASPI32Command(&abort);
    bool released = StatusOf(SRB) != SS_PENDING &&
                    BurnClock().WaitForEvent(event, AbortGraceMs) == WAIT_OBJECT_0;
    if (released)
        ::CloseHandle(event);
    else
        ParkPendingEvent(event);
    SRB.SRB_Status = SS_ERR;
    SRB.SRB_HaStat = HASTAT_COMMAND_TIMEOUT;
    SRB.SRB_TargStat = 0;
    std::memset(SRB.SenseArea, 0, sizeof(SRB.SenseArea));
}

} // namespace

TSCSIDevice::TSCSIDevice() {
    ::InitializeCriticalSection(&Lock);
    if (ASPILoaded) {
        HostAdapterInquiry(0);
        RescanDevices();
    }
}

TSCSIDevice::~TSCSIDevice() {
    // An erase still running would use this object: stop its waits and let it end first.
    if (EraseThread && !EraseThread->Finished())
        AbortFlag = true;
    WaitForErase();
    ::DeleteCriticalSection(&Lock);
}

uint16_t TSCSIDevice::ExecuteSRB(SRB_ExecSCSICmd& SRB, int TimeOut) {
    LastError.clear();
    TargetBusy = false;
    std::memset(LastSense, 0, sizeof(LastSense));
    LastStatus = 0;
    LastHaStat = 0;
    // Nothing may pass for success when nothing could be sent.
    if (!ASPILoaded || !SendASPI32Command || HaId == NoAddress) {
        SRB.SRB_Status = ASPILoaded ? SS_NO_DEVICE : SS_NO_ADAPTERS;
        LastStatus = SRB.SRB_Status;
        LastError = ASPILoaded ? SNoDeviceSelected : SNoASPILayer;
        return ExecuteNotSent;
    }
    // The library's own emulation answers before it returns and never signals, so one event
    // of the device's serves all its requests; a manager may signal later and gets a new one.
    TBurnHandle event;
    HANDLE notify = nullptr;
    if ((SRB.SRB_Flags & SRB_EVENT_NOTIFY) && ASPILayerName == ASPIEmulationName) {
        if (!emulationEvent_.get())
            emulationEvent_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        notify = emulationEvent_.get();
    } else if (SRB.SRB_Flags & SRB_EVENT_NOTIFY) {
        event.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        notify = event.get();
    }
    SRB.SRB_PostProc = notify;
    SRB.SRB_Cmd = SC_EXEC_SCSI_CMD;
    SRB.SRB_Status = SS_PENDING;
    SRB.SRB_HaId = HaId;
    SRB.SRB_Target = Target;
    SRB.SRB_Lun = Lun;
    SRB.SRB_SenseLen = 24;
    SRB.SRB_HaStat = 0;
    SRB.SRB_TargStat = 0;
    std::memset(SRB.SenseArea, 0, sizeof(SRB.SenseArea));
    SRB.CDBByte[1] = static_cast<uint8_t>(((Lun & 7) << 5) | (SRB.CDBByte[1] & 0x1F));
    DWORD wait = TimeOut <= MinimumTimeOut ? MinimumTimeOut : static_cast<DWORD>(TimeOut);

    SendASPI32Command(&SRB);
    if (event.get() && StatusOf(SRB) == SS_PENDING) {
        BurnClock().WaitForEvent(event.get(), wait);
        // Still pending: timed out. Abort it first, then report it as timed out.
        if (StatusOf(SRB) == SS_PENDING)
            AbortTimedOut(SRB, event.release(), HaId);
    }

    LastStatus = SRB.SRB_Status;
    LastHaStat = SRB.SRB_HaStat;
    if (SRB.SRB_Status != SS_PENDING && SRB.SRB_Status != SS_COMP)
        LastError = SenseText(SRB);
    if (!ErrorReported) {
        ErrorReported = true;
        ReportCommandError(SRB);
    }
    if (reinterpret_cast<uintptr_t>(SRB.SRB_BufPointer) % 4 != 0)
        DoDebugMessage("aaaa" + std::to_string(reinterpret_cast<uintptr_t>(SRB.SRB_BufPointer)),
                       0);
    return 1;
}

std::string TSCSIDevice::StatusText(uint8_t Status, uint8_t HaStat, uint8_t TargStat) {
    if (Status != SS_ERR)
        return ASPIStatusText(Status);
    if (HaStat != 0)
        return HostAdapterStatusText(HaStat);
    std::string text = TargetStatusText(TargStat);
    if (TargStat == 0x08)
        TargetBusy = true;
    return text;
}

std::string TSCSIDevice::SenseText(const SRB_ExecSCSICmd& SRB) {
    std::string text = StatusText(SRB.SRB_Status, SRB.SRB_HaStat, SRB.SRB_TargStat);
    const uint8_t* sense = SRB.SenseArea;
    if (text == SCheckCondition)
        text = SenseKeyText(sense);
    std::memcpy(LastSense, sense, sizeof(LastSense));
    if (sense[7] != 0) {
        const char* pairText = AdditionalSenseText(sense[12], sense[13]);
        std::string detail = pairText ? pairText
                                      : std::to_string(sense[12]) + "," + std::to_string(sense[13]);
        text += " (" + detail + ")";
    }
    return text;
}

void TSCSIDevice::ReportCommandError(const SRB_ExecSCSICmd& SRB) {
    uint8_t opcode = SRB.CDBByte[0];
    if (SRB.SRB_Status == SS_PENDING || SRB.SRB_Status == SS_COMP || IsQuiet(opcode))
        return;
    const uint8_t* sense = SRB.SenseArea;
    if (sense[12] == 0x04 && sense[13] == 0x08)
        return; // a long write in progress is expected while the drive writes
    std::string text = "<<< " + SCSICommandName(opcode) + " " + "(" + Hex(opcode, 2) + ") {" +
                       Hex(SRB.SRB_Flags, 2) + "|" + Hex(SRB.SRB_CDBLen, 2) + "} - " +
                       std::to_string(SRB.SRB_HaId) + ":" + Hex(SRB.SRB_Target & 0xF, 1) + ":" +
                       std::to_string(SRB.SRB_Lun) + " <" + Hex(SRB.SRB_Status, 2) + ">" +
                       " [" + Hex(SRB.SRB_BufLen & 0xFFFFF, 5) + "]";
    for (int i = 1; i < 16; ++i)
        text += Hex(SRB.CDBByte[i], 2) + " ";
    text += " |";
    if (SRB.SRB_BufLen != 0 && SRB.SRB_BufPointer) {
        uint32_t shown = SRB.SRB_BufLen < 257 ? SRB.SRB_BufLen : 257;
        for (uint32_t i = 0; i < shown; ++i)
            text += Hex(SRB.SRB_BufPointer[i], 2) + " ";
    }
    text += "= " + Hex(SRB.SRB_HaStat, 2) + " " + Hex(SRB.SRB_TargStat, 2) + " " +
            Hex(sense[0], 2) + " " + Hex(sense[2], 2) + " " + "ASC:" + Hex(sense[12], 2) +
            ",ASQ:" + Hex(sense[13], 2) + " " + LastError;
    DoDebugMessage(text, 0);
}

void TSCSIDevice::DoDebugMessage(const std::string& Message, uint8_t mType) {
    if (OnDebugMessage)
        OnDebugMessage(this, Message, mType);
}

bool TSCSIDevice::LastCommandRetryable() const {
    if (TargetBusy)
        return true;
    if (LastStatus != SS_ERR || LastHaStat != 0)
        return false;
    return LastSense[12] == 0x04 || LastSense[12] == 0x00;
}

bool TSCSIDevice::Run(const uint8_t* cdb, uint8_t cdbLen, uint8_t flags, void* buffer,
                      uint32_t length, int timeOut) {
    // Adapters want data buffers on 8-byte boundaries; a byte array of a caller need not be.
    std::vector<uint64_t> bounce;
    uint8_t* data = static_cast<uint8_t*>(buffer);
    if (data && length && reinterpret_cast<uintptr_t>(data) % 8 != 0) {
        bounce.resize((length + 7) / 8);
        data = reinterpret_cast<uint8_t*>(bounce.data());
        if (flags & SRB_DIR_OUT)
            std::memcpy(data, buffer, length);
    }
    SRB_ExecSCSICmd srb{};
    // An answer shorter than asked must not leave the last command's bytes behind.
    if ((flags & SRB_DIR_IN) && data && length)
        std::memset(data, 0, length);
    srb.SRB_Flags = flags;
    srb.SRB_BufLen = data ? length : 0;
    srb.SRB_BufPointer = data;
    srb.SRB_CDBLen = cdbLen;
    std::memcpy(srb.CDBByte, cdb, cdbLen);
    ExecuteSRB(srb, timeOut);
    if (!bounce.empty() && (flags & SRB_DIR_IN))
        std::memcpy(buffer, data, length);
    return srb.SRB_Status == SS_COMP;
}

} // namespace ku
