// Test support: files, folders, keys and values planted and looked for by their wide names,
// which the code page of the "A" functions may not hold (a name planted through them would
// arrive already in its best-fit form).
#pragma once

#include <windows.h>

#include <string>

#include "support/RawRegistry.h"

namespace kutest {

// "Ω" and the fullwidth backslash: cp1252 best-fits them to "O" and "\".
constexpr const wchar_t* kOmega = L"\u03A9";
constexpr const wchar_t* kWideBackslash = L"\uFF3C";

inline bool WideFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}
inline bool WideFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, "x", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    return ok;
}
inline bool WidePathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline void WideRemoveFile(const std::wstring& path) { DeleteFileW(path.c_str()); }

// A string value (REG_SZ) below root\key, the key made as needed.
inline bool WideSetString(HKEY root, const std::wstring& key, const std::wstring& name,
                          const std::wstring& data, REGSAM view = 0) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(opened, name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return rc == ERROR_SUCCESS;
}
inline bool WideKeyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}
// The value's text; empty when it is not there.
inline std::wstring WideGetString(HKEY root, const std::wstring& key, const std::wstring& name,
                                  REGSAM view = 0) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | view, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return std::wstring();
    return buffer;
}

} // namespace kutest
