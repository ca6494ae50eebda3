// Error texts and captured command runs.
#include "sysmanager/SysCommands.h"

#include <stdexcept>

#include "core/system/Launcher.h"
#include "core/system/StrUtil.h"

namespace ku {

std::string SystemErrorText(DWORD code) {
    char* buffer = nullptr;
    // exact-text: a system message, only shown; never a name acted on
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? TrimRight(std::string(buffer, length)) : std::string();
    if (buffer)
        LocalFree(buffer);
    return text.empty() ? Format("error %lu", static_cast<unsigned long>(code)) : text;
}

void WinCheck(bool result) {
    if (!result)
        throw std::runtime_error(SystemErrorText(GetLastError()));
}

std::string RunAndCapture(const std::string& commandLine, DWORD* exitCode) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    request.commandLine = commandLine;
    request.show = SW_HIDE;
    request.captureOutput = true;
    request.keepOutput = true;
    request.waitForExit = true;
    const LaunchResult result = Launch(request);
    SetLastError(result.error);
    WinCheck(result.ok);
    if (exitCode)
        *exitCode = result.exited ? result.exitCode : STILL_ACTIVE;
    return result.output;
}

} // namespace ku
