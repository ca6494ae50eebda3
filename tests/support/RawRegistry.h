// Test support: registry reads and writes that bypass the code under test. `view` is 0 (the
// process's own view), KEY_WOW64_64KEY or KEY_WOW64_32KEY.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace kutest {

// A value as stored, to compare before and after a round trip.
struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RawValue& o) const {
        return exists == o.exists && type == o.type && bytes == o.bytes;
    }
};
RawValue RawReadValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
bool RawKeyExists(HKEY root, const std::string& path, REGSAM view = 0);
void RawCreateKey(HKEY root, const std::string& path, REGSAM view = 0);
// Writes a value of any type, creating the key; throws when the key cannot be created.
void RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& data, REGSAM view = 0);
void RawDeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
// The names of the key's subkeys; none when it cannot be opened.
std::vector<std::string> RawSubKeys(HKEY root, const std::string& path, REGSAM view = 0);
// Deletes the key with its subkeys; a missing key is no error.
void RawDeleteTree(HKEY root, const std::string& path, REGSAM view = 0);
// The wide form of a text in the process code page.
std::wstring WideOf(const std::string& text);

// A string value's bytes as RegSetValueEx stores them: the text and its terminating zero.
inline std::string StringBytes(const std::string& text) {
    return std::string(text.c_str(), text.size() + 1);
}
inline std::string DwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}
inline void RawSetString(HKEY root, const std::string& path, const std::string& name,
                         const std::string& value, REGSAM view = 0, DWORD type = REG_SZ) {
    RawSetValue(root, path, name, type, StringBytes(value), view);
}
inline void RawSetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
                        REGSAM view = 0) {
    RawSetValue(root, path, name, REG_DWORD, DwordBytes(value), view);
}
inline void RawSetMultiSz(HKEY root, const std::string& path, const std::string& name,
                          const std::vector<std::string>& strings, REGSAM view = 0) {
    std::string data;
    for (const std::string& s : strings)
        data += StringBytes(s);
    RawSetValue(root, path, name, REG_MULTI_SZ, data + '\0', view);
}
inline bool RawValueExists(HKEY root, const std::string& path, const std::string& name,
                           REGSAM view = 0) {
    return RawReadValue(root, path, name, view).exists;
}
// "" when the key or the value is missing or not a string.
inline std::string RawReadString(HKEY root, const std::string& path, const std::string& name,
                                 REGSAM view = 0) {
    const RawValue value = RawReadValue(root, path, name, view);
    return value.type == REG_SZ || value.type == REG_EXPAND_SZ ? value.bytes.c_str() : "";
}
// -1 when the key or the value is missing or not a REG_DWORD.
inline long long RawReadDword(HKEY root, const std::string& path, const std::string& name,
                              REGSAM view = 0) {
    const RawValue value = RawReadValue(root, path, name, view);
    DWORD number = 0;
    if (value.type != REG_DWORD || value.bytes.size() != sizeof number)
        return -1;
    std::memcpy(&number, value.bytes.data(), sizeof number);
    return number;
}

} // namespace kutest
