// Message texts of the burning library (all upper case; an empty text means success), the
// status and sense tables and the command-name table used in error reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ku {

// The library's own messages.
extern const char* const SOperationAborted;  // "OPERATION ABORTED BY USER"
extern const char* const SCheckCondition;    // "CHECK CONDITION"
extern const char* const SUnknown;           // "UNKNOWN"
extern const char* const SCommandTimeout;    // "COMMAND TIMEOUT"
extern const char* const SInvalidDeviceId;   // "INVALID DEVICE ID / NOT A CD OR DVD DRIVE"
extern const char* const SNoASPILayer;       // no ASPI layer is loaded
extern const char* const SNoDeviceSelected;  // no device is selected
extern const char* const SStartingErase;     // "STARTING ERASE PROCESS ON %s AT %s"
extern const char* const SStartingWrite;     // "STARTING WRITE PROCESS ON %s AT %s"
extern const char* const STestWrite;         // "TEST/DUMMY WRITE"
extern const char* const SWriterError;       // "WRITER ERROR"
extern const char* const SWriterBusy;        // "WRITER BUSY/BUFFER FULL"
extern const char* const SInternalError0004; // "INTERNAL ERROR 0004"
extern const char* const SMaxDirectories;    // "MAXIMUM DIRECTORIES CAN BE %d"
extern const char* const SImageUnreadable;   // the image file cannot be opened or read
extern const char* const SImageEmpty;        // the image file holds no data
extern const char* const SImageShrunk;       // the image file got shorter during the burn
extern const char* const SSyncFailed;        // SYNCHRONIZE CACHE refused after the data
extern const char* const SCloseFailed;       // CLOSE TRACK/SESSION refused

// Text of an ASPI request status other than 4 (error); "" for pending and complete.
std::string ASPIStatusText(uint8_t status);
// Texts of a failed request (status 4) by host adapter status and, for 0, by target status.
std::string HostAdapterStatusText(uint8_t haStat);
std::string TargetStatusText(uint8_t targStat);
// Sense-key text of fixed-format sense data (byte 0 response code, byte 2 key and flags).
std::string SenseKeyText(const uint8_t* sense);
// Text of an additional sense code pair; nullptr when the library defines none.
const char* AdditionalSenseText(uint8_t asc, uint8_t ascq);
size_t AdditionalSenseTextCount();

// Name of an operation code for error reports: the padded name, or two hex digits.
const std::string& SCSICommandName(uint8_t opcode);

} // namespace ku
