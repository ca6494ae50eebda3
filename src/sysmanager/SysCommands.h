// Commands the System Manager runs through a command interpreter, and the system's error texts.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

// The system's text for an error code, without the trailing line break ("error 5" when the
// system has none).
std::string SystemErrorText(DWORD code);

// Raises std::runtime_error with the system's text for the calling thread's last error when
// result is false.
void WinCheck(bool result);

// Runs commandLine hidden with its standard output and error sent into a pipe, waits for it
// to end and returns what it wrote. Raises (WinCheck) when it cannot be started. exitCode,
// when given, receives the process's exit code.
std::string RunAndCapture(const std::string& commandLine, DWORD* exitCode = nullptr);

} // namespace ku
