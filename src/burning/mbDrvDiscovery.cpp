// Drive discovery: host adapter inquiry, the device list, selection and drive letters.
#include <cstdio>
#include <cstring>

#include "burning/mbClock.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"
#include "burning/mbSPTI.h"

namespace ku {
namespace {

// The longest drive discovery may take, whatever the layer claims to have.
constexpr DWORD DiscoveryBudgetMs = 30000;

std::string TrimText(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool Digit(char c, uint8_t& value) {
    if (c < '0' || c > '9')
        return false;
    value = static_cast<uint8_t>(c - '0');
    return true;
}

// A drive letter of a pass-through device whose address matches, by the system's own names.
char LetterByAddress(uint8_t haId, uint8_t target) {
    for (char letter = 'B'; letter <= 'Z'; ++letter) {
        HANDLE device = SPTIOpenDrive(letter);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        TSCSIAddress address{};
        address.Length = sizeof(address);
        DWORD returned = 0;
        BOOL ok = SPTITransport().IoControl(device, IOCTL_SCSI_GET_ADDRESS_CODE, nullptr, 0,
                                            &address, sizeof(address), &returned);
        SPTITransport().Close(device);
        if (ok && address.PortNumber == haId && address.TargetId == target)
            return letter;
    }
    return 0;
}

} // namespace

bool TSCSIDevice::InitializeASPI(bool UseSPTI, const std::string& DLLName) {
    if (!InitASPI(UseSPTI, DLLName))
        return false;
    HostAdapterInquiry(0);
    RescanDevices();
    return true;
}

bool TSCSIDevice::HostAdapterInquiry(uint8_t Adapter) {
    std::memset(&HAInquiry, 0, sizeof(HAInquiry));
    HAInquiry.SRB_Cmd = SC_HA_INQUIRY;
    HAInquiry.SRB_HaId = Adapter;
    AdapterCount = 0;
    // A layer that reports no adapters is not asked at all.
    if (!ASPILoaded || !SendASPI32Command || ASPIAdapterCount == 0)
        return false;
    SendASPI32Command(&HAInquiry);
    // The inquiry is answered before the call returns; one that did not complete then never
    // will, and no adapter answers there.
    if (*reinterpret_cast<const volatile uint8_t*>(&HAInquiry.SRB_Status) != SS_COMP)
        return false;
    AdapterCount = HAInquiry.HA_Count == 0 ? 7 : HAInquiry.HA_Count;
    return true;
}

void TSCSIDevice::RescanDevices() {
    DeviceList.clear();
    uint8_t keptHaId = HaId, keptTarget = Target, keptLun = Lun;
    if (DoDebug)
        DoDebugMessage(">>> " + ASPILayerName, 1);
    uint8_t adapters = AdapterCount;
    // Discovery runs on the window thread: it ends when the layer stops answering and never
    // takes longer than the budget, however many adapters the layer claims.
    TBurnDeadline budget(DiscoveryBudgetMs);
    for (uint8_t adapter = 0; adapter < adapters; ++adapter) {
        if (!HostAdapterInquiry(adapter))
            continue;
        if (DoDebug) {
            std::string manager(HAInquiry.HA_ManagerId, strnlen(HAInquiry.HA_ManagerId, 16));
            std::string identifier(HAInquiry.HA_Identifier,
                                   strnlen(HAInquiry.HA_Identifier, 16));
            DoDebugMessage(">>> " + manager + " (" + TrimText(identifier) + ")", 1);
        }
        if (!ScanAdapter(adapter, budget))
            break;
    }
    AdapterCount = adapters;
    HaId = keptHaId;
    Target = keptTarget;
    Lun = keptLun;
    LastError.clear();
}

// Lists the CD/DVD drives of one adapter; false when discovery must end here.
bool TSCSIDevice::ScanAdapter(uint8_t adapter, const TBurnDeadline& budget) {
    for (uint8_t target = 0; target < 8; ++target) {
        for (uint8_t lun = 0; lun < 8; ++lun) {
            HaId = adapter;
            Target = target;
            Lun = lun;
            std::memset(InquiryData, 0, sizeof(InquiryData));
            if (Inquiry()) {
                uint8_t type = InquiryData[0] & 0x1F;
                if (type == 5 || type == 4)
                    DeviceList.push_back(DeviceLineOfCurrent());
            } else if (LastStatus == SS_ERR && LastHaStat == HASTAT_COMMAND_TIMEOUT) {
                return false; // an INQUIRY is answered at once or the layer has stopped
            }
            if (budget.Expired())
                return false;
        }
    }
    return true;
}

// "adapter:target:lun,X: " and the vendor, product and revision as the drive gave them.
std::string TSCSIDevice::DeviceLineOfCurrent() {
    char letter = GetDriveLetter();
    if (letter == 0 || letter == SPTINoDriveLetter)
        letter = '?';
    char head[32];
    std::snprintf(head, sizeof(head), "%u:%u:%u,%c: ", HaId, Target, Lun, letter);
    std::string line = head;
    line.append(reinterpret_cast<const char*>(InquiryData + 8), 28);
    if ((InquiryData[0] & 0x1F) == 4)
        line += " (not supported)";
    return line;
}

char TSCSIDevice::GetDriveLetter() {
    if (ASPILayerName == ASPIEmulationName)
        return SPTIDriveLetter(HaId, Target, Lun);
    if (char letter = LetterByAddress(HaId, Target))
        return letter;
    if (!ASPILoaded || !SendASPI32Command)
        return 0;
    SRB_GetDiskInfo info{};
    info.SRB_Cmd = SC_GET_DISK_INFO;
    info.SRB_HaId = HaId;
    info.SRB_Target = Target;
    info.SRB_Lun = Lun;
    SendASPI32Command(&info);
    if (info.SRB_Status != SS_COMP)
        return 0;
    return static_cast<char>('A' + info.SRB_Int13HDriveInfo);
}

void TSCSIDevice::SelectDevice(const std::string& Line) {
    bool badLine = !Line.empty() && Line.size() < 5;
    if (Line.size() >= 5) {
        uint8_t haId, target, lun;
        if (Digit(Line[0], haId) && Digit(Line[2], target) && Digit(Line[4], lun)) {
            HaId = haId;
            Target = target;
            Lun = lun;
        } else {
            badLine = true; // adapters from 10 up do not fit the single-digit fields
        }
    }
    DeviceLine = Line;
    if (!badLine)
        ReadDeviceDescription();
    uint8_t type = PeripheralType & 0x1F;
    if (badLine || (type != 5 && type != 4)) {
        DoDebugMessage(SInvalidDeviceId, 0);
        DeviceLine.clear();
        DeviceDescription.clear();
        PeripheralType = 0x7F;
        HaId = Target = Lun = NoAddress;
        return;
    }
    SetModelQuirks();
    if (OnDeviceChange)
        OnDeviceChange(this);
    ProbeWriteModes();
}

void TSCSIDevice::ReadDeviceDescription() {
    ReadCapabilities();
    // A device that does not answer is no CD/DVD drive: the last type must not linger.
    PeripheralType = 0x7F;
    if (!Inquiry()) {
        DeviceDescription = LastError;
        return;
    }
    PeripheralType = InquiryData[0];
    for (int i = 8; i < 56; ++i)
        if (InquiryData[i] < 0x20)
            InquiryData[i] = ' ';
    const char* text = reinterpret_cast<const char*>(InquiryData);
    DeviceDescription = std::string(text + 8, 8) + " " + std::string(text + 16, 16) + " " +
                        std::string(text + 32, 4);
}

void TSCSIDevice::SetModelQuirks() {
    const char* text = reinterpret_cast<const char*>(InquiryData);
    std::string vendor = TrimText(std::string(text + 8, 8));
    std::string rawProduct(text + 16, 16);
    std::string product = TrimText(rawProduct);
    BufCapabilityQuirk = product == "CD-W512EB";
    LinkSizeValidQuirk = product == "CRX175E" || product == "CD-RW  CRX800E";
    ExtraBlankWaitQuirk = StartsWith(product, "UJDA") || StartsWith(vendor, "TDK");
    PioneerDVRQuirk = rawProduct == "DVD-RW  DVR-103 " || rawProduct == "DVD-RW  DVR-104 ";
    CloseSessionImmediate = product != "CDRW321040X";
}

} // namespace ku
