// Test support: registry reads and writes that bypass the code under test. `view` is 0 (the
// process's own view), KEY_WOW64_64KEY or KEY_WOW64_32KEY.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kutest {

bool RawKeyExists(HKEY root, const std::string& path, REGSAM view = 0);
void RawCreateKey(HKEY root, const std::string& path, REGSAM view = 0);
// Writes a value of any type, creating the key; throws when the key cannot be created.
void RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& data, REGSAM view = 0);
void RawSetString(HKEY root, const std::string& path, const std::string& name,
                  const std::string& value, REGSAM view = 0, DWORD type = REG_SZ);
void RawSetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
                 REGSAM view = 0);
void RawSetMultiSz(HKEY root, const std::string& path, const std::string& name,
                   const std::vector<std::string>& strings, REGSAM view = 0);
bool RawValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
// The text of a string value; "" when the key or the value is missing.
std::string RawReadString(HKEY root, const std::string& path, const std::string& name,
                          REGSAM view = 0);
// A REG_DWORD value; -1 when the key or the value is missing or of another type.
long long RawReadDword(HKEY root, const std::string& path, const std::string& name,
                       REGSAM view = 0);
// A value as stored: its type and bytes, to compare before and after a round trip.
struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RawValue& other) const {
        return exists == other.exists && type == other.type && bytes == other.bytes;
    }
};
RawValue RawReadValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
// A string value's bytes as RegSetValueEx stores them: the text and its terminating zero.
inline std::string StringBytes(const std::string& text) {
    return std::string(text.c_str(), text.size() + 1);
}
// A REG_DWORD value's bytes.
inline std::string DwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}
void RawDeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
// Deletes the key with its subkeys; a missing key is no error.
void RawDeleteTree(HKEY root, const std::string& path, REGSAM view = 0);

} // namespace kutest
