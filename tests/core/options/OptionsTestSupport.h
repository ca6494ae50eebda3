// Helpers of the options tests: real child processes, waiting for effects, typed raw values.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Handles.h"

namespace optionstest {

// Starts commandLine hidden and waits for it; the exit code, or -1 when it did not start.
inline int RunAndWait(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    ku::UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

// Polls until the condition holds or ms have passed.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(50);
    }
    return true;
}

inline void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    ku::UniqueKey key(raw);
    RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

// The value as a DWORD; -1 when missing or of another type.
inline long long GetDword(HKEY root, const std::string& path, const std::string& name) {
    DWORD value = 0, size = sizeof(value), type = 0;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS)
        return -1;
    ku::UniqueKey key(raw);
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return -1;
    return value;
}

inline std::string GetString(HKEY root, const std::string& path, const std::string& name,
                             REGSAM view = KEY_WOW64_64KEY) {
    char value[512] = {};
    DWORD size = sizeof(value) - 1, type = 0;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &raw) != ERROR_SUCCESS)
        return "<no key>";
    ku::UniqueKey key(raw);
    if (RegQueryValueExA(key.get(), name.empty() ? nullptr : name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return "<no value>";
    return value;
}

} // namespace optionstest
