// TSCSIDevice: finds the CD/DVD drives behind the ASPI layer, runs SCSI/MMC commands on the
// selected one and reads and sets its state (identity, capabilities, medium, speeds, buffer).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "burning/mbASPI.h"
#include "burning/mbClock.h"
#include "burning/mbHandles.h"

namespace ku {

class TSCSIDevice;
class TEraseThread;

using TOnDebugMsg = std::function<void(TSCSIDevice* Sender, const std::string& Message,
                                       uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice* Sender)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice* Sender, bool WithError)>;

// Disc type numbers shared by the whole library.
enum : uint8_t {
    dtUnknown = 0, dtCDROM = 1, dtCDR = 2, dtCDRW = 3, dtDVDROM = 4, dtDVDR = 5, dtDVDRAM = 6,
    dtDVDRW = 7, dtDVDRWRestricted = 8, dtDVDRWSequential = 9, dtDVDPlusRW = 10,
    dtDVDPlusR = 11, dtDVDPlusRDL = 12, dtDDCDROM = 13, dtDDCDR = 14, dtDDCDRW = 15
};
extern const char* const DiscTypeNames[16];
extern uint8_t CurrentDiscType;
extern bool CloseSessionImmediate;
extern bool ExtraBlankWaitQuirk;
// Set by the window's Abort, polled by the write and erase threads; cleared when a burn or an
// erase starts.
extern std::atomic<bool> AbortFlag;
// The waits of a burn or an erase: they end as soon as the user aborts.
inline void SleepUnlessAborted(DWORD ms) { BurnSleepUnless(ms, AbortFlag); }

// DeviceCapabilities bits.
enum : uint32_t {
    capReadCDR = 0x00000001, capReadCDRW = 0x00000002, capMethod2 = 0x00000004,
    capReadDVDROM = 0x00000008, capReadDVDR = 0x00000010, capReadDVDRW = 0x00000020,
    capReadDVDRAM = 0x00000040, capReadDVDPlusRW = 0x00000080, capReadDVDPlusR = 0x00000100,
    capReadDVDPlusRWFeature = 0x00000200, capWriteCDR = 0x00000400, capWriteCDRW = 0x00000800,
    capTestWrite = 0x00001000, capWriteDVDR = 0x00002000, capWriteDVDRW = 0x00004000,
    capWriteDVDRAM = 0x00008000, capWriteDVDPlusRW = 0x00010000,
    capWriteDVDPlusR = 0x00020000, capWriteDVDPlusRWFeature = 0x00040000,
    capUnderrunProtection = 0x00100000
};

// SupportedWriteModes bits.
enum : uint8_t { wmRaw = 1, wmSAO = 2, wmTAO = 4 };

constexpr uint16_t ExecuteNotSent = 226;
constexpr uint8_t NoAddress = 0xFE;

class TSCSIDevice {
public:
    TSCSIDevice();
    virtual ~TSCSIDevice();
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // Command execution and texts.
    uint16_t ExecuteSRB(SRB_ExecSCSICmd& SRB, int TimeOut);
    std::string StatusText(uint8_t Status, uint8_t HaStat, uint8_t TargStat);
    std::string SenseText(const SRB_ExecSCSICmd& SRB);
    void DoDebugMessage(const std::string& Message, uint8_t mType);
    // The last failure may pass if the command is tried again: a busy target, or a check
    // condition that is "not ready" (ASC 04h) or without additional sense. A host error
    // (failed transport, time-out) or any other sense never does.
    bool LastCommandRetryable() const;
    uint8_t LastASC() const { return LastSense[12]; }

    // Commands.
    bool TestUnitReady(int TimeOut);
    bool RezeroUnit();
    bool RequestSense(uint8_t* Buffer, uint8_t Len);
    bool FormatUnit(uint8_t Byte1, const uint8_t* List, uint32_t Len);
    bool Inquiry();
    bool LoadUnloadMedium(bool Eject);
    bool LockMedium(bool Unlock);
    bool ModeSense(uint8_t Page, uint8_t* Buffer, bool Defaults, uint16_t Len, uint32_t MaxLen);
    bool ModeSelect(const uint8_t* Buffer, uint16_t Len);
    bool GetConfiguration(uint8_t RT, uint8_t Feature, uint8_t Len, uint8_t* Buffer);
    bool ReadTOC(uint8_t Format, uint8_t* Buffer, uint8_t Control, bool MSF, uint8_t Track,
                 uint8_t Len);
    bool ReadDiscInformation(uint8_t* Buffer, uint8_t Len);
    bool ReadBufferCapacity(uint32_t& Length, uint32_t& Blank);
    bool SetCDSpeed(uint16_t Read, uint16_t Write);
    bool SetStreaming(const uint8_t* Buffer, uint16_t Len);
    bool SendDVDStructure(uint8_t Format, const uint8_t* Buffer, uint16_t Len);
    bool SendCueSheet(const uint8_t* Buffer, uint32_t Len);
    bool ReserveTrack(uint32_t Size);
    bool SendOPC();
    bool Write10(uint32_t LBA, uint16_t Blocks, uint8_t Flags, uint32_t Len, const uint8_t* Buffer);
    bool SyncCache(int TimeOut, bool Immed);
    bool CloseTrackSession(bool Immed, bool CloseTrack, bool Finalize);
    bool CloseTrackSessionRaw(bool Immed, uint8_t Function, uint8_t Track, uint8_t Byte4,
                              uint8_t Byte3);
    // BLANK (A1h) with blanking type and Immed in Byte1; true when accepted or still running.
    bool Blank(uint8_t Byte1);

    // Discovery and drive state.
    bool InitializeASPI(bool UseSPTI, const std::string& DLLName);
    // Asks one host adapter; false (AdapterCount 0) when none answered there.
    bool HostAdapterInquiry(uint8_t Adapter);
    void RescanDevices();
    void SelectDevice(const std::string& Line);
    char GetDriveLetter();
    bool ReadCapabilities();
    uint16_t GetMaxWriteSpeed();
    uint16_t GetMaxReadSpeed();
    uint16_t GetCurrentWriteSpeed();
    uint8_t GetDiscType();
    bool IsDiscErasable();
    int GetSessionCount();
    void ProbeWriteModes();
    bool SetWriteParameters(bool TestWrite, bool Underrun, uint8_t DiscType, bool DLNextSession);
    bool WaitUntilReady(int TimeOut, int Interval);
    void SetWriteSpeed(uint16_t Value);
    void SetCloseDriveHandles(bool Value);

    // Erasing: starts the erase thread for a quick (1) or full (0) erase, which waits for the
    // drive, erases and waits for the end; true when started, the end (also of an erase that
    // could not start) comes through OnEraseDone, raised on the erase thread.
    bool EraseDisc(uint8_t Mode);
    // The erase thread's progress (0-100) while erasing, else 0.
    int GetEraseProgress() const;
    // Waits until a started erase has ended (its OnEraseDone has been raised).
    void WaitForErase();
    // Brings the drive back to reading after a write or an erase: default write parameters,
    // the maximum read speed, the head to the start, the tray unlocked and loaded.
    void RestoreDrive();
    // A speed field of the capabilities page, in host order after a read.
    uint16_t CapabilitiesWord(int offset) const;

    void Enter() { ::EnterCriticalSection(&Lock); }
    void Leave() { ::LeaveCriticalSection(&Lock); }
    // The lock itself, shared with the threads of a burn.
    CRITICAL_SECTION* LockSection() { return &Lock; }

    // The selected device.
    uint8_t HaId = NoAddress;
    uint8_t Target = NoAddress;
    uint8_t Lun = NoAddress;
    uint8_t AdapterCount = 0;
    SRB_HAInquiry HAInquiry{};
    SRB_Abort AbortSRB{};
    std::vector<std::string> DeviceList;
    std::string DeviceLine;
    uint8_t PeripheralType = 0x7F;
    std::string DeviceDescription;
    uint8_t InquiryData[128]{};
    uint8_t CapabilitiesPage[516]{};
    uint32_t DeviceCapabilities = 0;
    uint16_t DeviceMaxWriteSpeed = 0;
    uint16_t DeviceMaxReadSpeed = 0;
    uint32_t DeviceBufferSize = 0;
    uint32_t DeviceFreeBufferSize = 0;
    uint16_t ReadSpeed = 0;
    uint16_t WriteSpeed = 0;
    uint8_t WriteParameters[54]{};
    uint8_t SupportedWriteModes = 0;
    bool UnderrunProtection = true;
    bool TestWrite = false;
    bool FinalizeDisc = false;
    std::atomic<bool> Erasing{false};
    uint8_t EraseMode = 1;
    bool PioneerDVRQuirk = false;
    bool BufCapabilityQuirk = false;
    bool LinkSizeValidQuirk = false;

    // Outcome of the last command.
    std::string LastError;
    uint8_t LastSense[33]{};
    bool TargetBusy = false;
    uint8_t LastStatus = 0;
    uint8_t LastHaStat = 0;
    bool ErrorReported = false;
    bool DoDebug = false;

    TOnDebugMsg OnDebugMessage;
    TDeviceChangedEvent OnDeviceChange;
    TEraseDoneEvent OnEraseDone;

protected:
    bool Run(const uint8_t* cdb, uint8_t cdbLen, uint8_t flags, void* buffer, uint32_t length,
             int timeOut);
    void ReadDeviceDescription();
    std::string DeviceLineOfCurrent();
    bool ScanAdapter(uint8_t adapter, const TBurnDeadline& budget);
    void ReadDefaultCapabilities();
    uint8_t WriteParametersByte2(uint8_t byte2, bool TestWrite, bool Underrun, uint8_t DiscType);
    void SetModelQuirks();
    void ReportCommandError(const SRB_ExecSCSICmd& SRB);
    bool FeaturePresent(uint16_t Feature, bool* WriteBit);
    bool ModePagePresent(uint8_t Page);
    bool StartErase(uint8_t DiscType, uint8_t Mode);
    bool ReadyForErase(bool firstTestPassed);
    friend class TEraseThread;
    bool BeginErase(uint8_t Mode, uint8_t& type);

    std::unique_ptr<TEraseThread> EraseThread;

private:
    CRITICAL_SECTION Lock;
    TBurnHandle emulationEvent_;
};

// Where a mode page starts in a MODE SENSE(10) answer.
int FindModePage(const uint8_t* answer, uint8_t page);

} // namespace ku
