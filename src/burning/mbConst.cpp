// Message texts, status texts, sense-key texts and the command-name table.
#include "burning/mbConst.h"

#include <cstdio>

namespace ku {

const char* const SOperationAborted = "OPERATION ABORTED BY USER";
const char* const SCheckCondition = "CHECK CONDITION";
const char* const SUnknown = "UNKNOWN";
const char* const SCommandTimeout = "COMMAND TIMEOUT";
const char* const SInvalidDeviceId = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";
const char* const SNoASPILayer = "NO ASPI LAYER LOADED";
const char* const SNoDeviceSelected = "NO DEVICE SELECTED";
const char* const SStartingErase = "STARTING ERASE PROCESS ON %s AT %s";
const char* const SStartingWrite = "STARTING WRITE PROCESS ON %s AT %s";
const char* const STestWrite = "TEST/DUMMY WRITE";
const char* const SWriterError = "WRITER ERROR";
const char* const SWriterBusy = "WRITER BUSY/BUFFER FULL";
const char* const SInternalError0004 = "INTERNAL ERROR 0004";
const char* const SMaxDirectories = "MAXIMUM DIRECTORIES CAN BE %d";
const char* const SImageUnreadable = "CANNOT READ THE IMAGE FILE";
const char* const SImageEmpty = "THE IMAGE FILE IS EMPTY";
const char* const SImageShrunk = "THE IMAGE FILE GOT SHORTER DURING THE BURN";
const char* const SSyncFailed = "SYNCHRONIZE CACHE FAILED";
const char* const SCloseFailed = "CLOSE TRACK/SESSION FAILED";

namespace {

struct TCodeText {
    uint8_t code;
    const char* text;
};

const TCodeText ASPIStatusTexts[] = {
    {0x00, ""},
    {0x01, ""},
    {0x02, "OPERATION ABORTED BY USER"},
    {0x03, "OPERATION ABORTED BY USER"},
    {0x80, "INVALID REQUEST"},
    {0x81, "INVALID HOST ADAPTER"},
    {0x82, "NO DEVICE"},
    {0xE0, "INVALID SRB"},
    {0xE1, "BUFFER ALIGNMENT"},
    {0xE5, "ASPI IS BUSY"},
    {0xE6, "BUFFER TOO BIG"},
};

const TCodeText HostAdapterTexts[] = {
    {0x09, "COMMAND TIMEOUT"},
    {0x0B, "SRB TIMEOUT"},
    {0x0D, "MESSAGE REJECT"},
    {0x0E, "BUS RESET"},
    {0x0F, "PARITY ERROR"},
    {0x10, "REQUEST SENSE FAILED"},
    {0x11, "SELECTION TIMEOUT"},
    {0x12, "DATA OVERRUN"},
    {0x13, "UNEXPECTED BUS FREE"},
};

const TCodeText TargetTexts[] = {
    {0x00, "CHECK CONDITION"},
    {0x02, "CHECK CONDITION"},
    {0x08, "TARGET BUSY"},
    {0x18, "TARGET RESERVATION CONFLICT"},
    {0x28, "TARGET QUEUE FULL"},
};

// Sense keys 1 to 15; key 0 depends on the flag bits and keys 9 and 12 keep the status text.
const char* const SenseKeyTexts[16] = {
    nullptr,          "RECOVERED ERROR",  "NOT READY",       "MEDIUM ERROR",
    "HARDWARE ERROR", "ILLEGAL REQUEST",  "UNIT ATTENTION",  "DATA PROTECT",
    "ERASE CHECK",    nullptr,            "COPYABORTED",     "ABORTED COMMAND",
    nullptr,          "VOLUME OVERFLOW",  "MISCOMPARE",      "RESERVED",
};

const TCodeText CommandNames[] = {
    {0x00, "TEST UNIT READY"},        {0x01, "REWIND UNIT"},
    {0x03, "REQUEST SENSE"},          {0x04, "FORMAT UNIT"},
    {0x12, "INQUIRY"},                {0x1B, "START STOP UNIT"},
    {0x1E, "PREVENT/ALLOW REMOVAL"},  {0x23, "READ FORMAT CAPACITIES"},
    {0x25, "READ CAPACITY"},          {0x28, "READ (10)"},
    {0x2A, "WRITE (10)"},             {0x2B, "SEEK (10)"},
    {0x2E, "WRITE AND VERIFY (10)"},  {0x2F, "VERIFY (10)"},
    {0x35, "SYNCHRONIZE CACHE"},      {0x42, "READ SUB-CHANNEL"},
    {0x43, "READ TOC/PMA/ATIP"},      {0x45, "PLAY AUDIO (10)"},
    {0x46, "GET CONFIGURATION"},      {0x47, "PLAY AUDIO MSF"},
    {0x4A, "GET EVENT/STATUS NOTIF"}, {0x4B, "PAUSE/RESUME"},
    {0x4E, "STOP PLAY/SCAN"},         {0x51, "READ DISC INFORMATION"},
    {0x52, "READ TRACK INFORMATION"}, {0x53, "RESERVE TRACK"},
    {0x54, "SEND OPC INFORMATION"},   {0x55, "MODE SELECT (10)"},
    {0x58, "REPAIR TRACK"},           {0x5A, "MODE SENSE (10)"},
    {0x5B, "CLOSE TRACK/SESSION"},    {0x5C, "READ BUFFER CAPACITY"},
    {0x5D, "SEND CUE SHEET"},         {0xA1, "BLANK"},
    {0xA2, "SEND EVENT"},             {0xA3, "SEND KEY"},
    {0xA4, "REPORT KEY"},             {0xA5, "PLAY AUDIO (12)"},
    {0xA6, "LOAD/UNLOAD CD/DVD"},     {0xA7, "SET READ AHEAD"},
    {0xA8, "READ (12)"},              {0xAA, "WRITE (12)"},
    {0xAC, "GET PERFORMANCE"},        {0xAD, "READ DVD STRUCTURE"},
    {0xB6, "SET STREAMING"},          {0xB9, "READ CD MSF"},
    {0xBA, "SCAN"},                   {0xBB, "SET CD SPEED"},
    {0xBD, "MECHANISM STATUS"},       {0xBE, "READ CD"},
    {0xBF, "SEND DVD STRUCTURE"},
};

template <size_t N>
const char* Lookup(const TCodeText (&table)[N], uint8_t code) {
    for (const TCodeText& entry : table)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

// Built once: every code as two hex digits, the known ones as names padded to 22 characters.
struct TCommandNameTable {
    std::string names[256];
    TCommandNameTable() {
        for (int code = 0; code < 256; ++code) {
            char hex[3];
            std::snprintf(hex, sizeof(hex), "%02X", code);
            names[code] = hex;
        }
        for (const TCodeText& entry : CommandNames) {
            std::string name = entry.text;
            name.resize(22, ' ');
            names[entry.code] = name;
        }
    }
};

} // namespace

std::string ASPIStatusText(uint8_t status) {
    const char* text = Lookup(ASPIStatusTexts, status);
    return text ? text : SUnknown;
}

std::string HostAdapterStatusText(uint8_t haStat) {
    const char* text = Lookup(HostAdapterTexts, haStat);
    return text ? text : SUnknown;
}

std::string TargetStatusText(uint8_t targStat) {
    const char* text = Lookup(TargetTexts, targStat);
    return text ? text : SUnknown;
}

std::string SenseKeyText(const uint8_t* sense) {
    if (sense[0] == 0)
        return "";
    if ((sense[0] & 0x7E) != 0x70)
        return SUnknown;
    uint8_t flags = sense[2];
    uint8_t key = flags & 0x0F;
    if (key == 0) {
        if (flags & 0x80)
            return "FILEMARK";
        if (flags & 0x40)
            return "END OF MEDIA";
        if (flags & 0x20)
            return "ILLEGAL LENGTH";
        return "NO ADDITIONAL SENSE INFORMATION";
    }
    return SenseKeyTexts[key] ? SenseKeyTexts[key] : SCheckCondition;
}

const std::string& SCSICommandName(uint8_t opcode) {
    static const TCommandNameTable table;
    return table.names[opcode];
}

} // namespace ku
