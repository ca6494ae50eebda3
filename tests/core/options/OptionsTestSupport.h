// Helpers of the options tests: real child processes, waiting for effects, typed values.
#pragma once

#include <functional>
#include <string>

#include "core/Launcher.h"
#include "core/Reg32vs64.h"

namespace optionstest {

// Runs commandLine hidden with the real launcher; its exit code, or -1.
inline int RunAndWait(const std::string& commandLine) {
    ku::LaunchRequest request;
    request.commandLine = commandLine;
    request.show = SW_HIDE;
    request.waitForExit = true;
    request.waitMilliseconds = 60000;
    ku::LaunchResult result = ku::RealLauncher().Launch(request);
    return result.ok && result.exited ? static_cast<int>(result.exitCode) : -1;
}

inline bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(50))
        if (GetTickCount() - start > ms)
            return false;
    return true;
}

// Values in the 64-bit view: "" / -1 when the key or the value is missing.
inline void SetDword(HKEY root, const std::string& path, const char* name, int value) {
    ku::TRegistry reg(ku::kKeyAllAccessView64);
    reg.SetRootKey(root);
    if (reg.OpenKey(path, true))
        reg.WriteInteger(name, value);
}
inline int GetDword(HKEY root, const std::string& path, const char* name) {
    ku::TRegistry reg(ku::kKeyAllAccessView64);
    reg.SetRootKey(root);
    return reg.OpenKey(path, false) && reg.GetDataType(name) == ku::rdInteger
               ? reg.ReadInteger(name)
               : -1;
}
inline std::string GetString(HKEY root, const std::string& path, const char* name,
                             DWORD access = ku::kKeyAllAccessView64) {
    ku::TRegistry reg(access);
    reg.SetRootKey(root);
    return reg.OpenKey(path, false) && reg.ValueExists(name) ? reg.ReadString(name) : "";
}

} // namespace optionstest
