// The registry key class every subsystem uses, with the 32/64-bit view switch.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ku {

enum TRegDataType { rdUnknown = 0, rdString = 1, rdExpandString = 2, rdInteger = 3, rdBinary = 4 };

struct TRegKeyInfo {
    DWORD NumSubKeys;
    DWORD MaxSubKeyLen;
    DWORD NumValues;
    DWORD MaxValueLen;
    DWORD MaxDataLen;
    FILETIME FileTime;
};

struct TRegDataInfo {
    TRegDataType RegData;
    DWORD DataSize;
};

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr DWORD kKeyAllAccess = 0xF003F;          // KEY_ALL_ACCESS
constexpr DWORD kKeyAllAccessView64 = 0xF013F;    // KEY_ALL_ACCESS | KEY_WOW64_64KEY
constexpr DWORD kViewFlags = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

// True when this 32-bit process runs under WOW64. Asked anew on each call; throws
// std::runtime_error("IsWow64: bad process handle") when IsWow64Process exists but fails.
bool IsWow64();
// KEY_WOW64_64KEY under WOW64, else KEY_WOW64_32KEY.
DWORD GetWow64AccessFlag();

// The access mask a caller constructs its TRegistry with: the 64-bit view when the
// process-wide RegistryView64 switch is on.
DWORD RegistryViewAccess();

// The view the leftover scans open their keys in (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY), and
// the marker that leftover items carry in `Extra`, so the removal deletes in the view the item
// came from.
REGSAM ScanRegistryView();
std::string ViewToMarker(REGSAM view);
REGSAM MarkerToView(const std::string& marker);

class TRegistry {
public:
    TRegistry(); // HKEY_CURRENT_USER, KEY_ALL_ACCESS, lazy writing
    explicit TRegistry(DWORD access);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // A key starting with "\" is absolute from RootKey; otherwise relative to the open key.
    // UseWowView ORs the other view's flag into Access for the object's life (open path only).
    bool OpenKey(const std::string& key, bool canCreate, bool useWowView = false);
    bool OpenKeyReadOnly(const std::string& key, bool useWowView = false);
    void CloseKey();
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);
    bool GetKeyInfo(TRegKeyInfo& info);
    void GetKeyNames(std::vector<std::string>& names);
    void GetValueNames(std::vector<std::string>& names);

    bool ValueExists(const std::string& name);
    bool GetDataInfo(const std::string& valueName, TRegDataInfo& info);
    int GetDataSize(const std::string& valueName);
    TRegDataType GetDataType(const std::string& valueName);
    bool DeleteValue(const std::string& name);

    std::string ReadString(const std::string& name);
    int ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);
    int ReadBinaryData(const std::string& name, void* buffer, int bufSize);
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinaryData(const std::string& name, const void* buffer, int bufSize);

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY value);
    HKEY CurrentKey() const { return currentKey_; }
    const std::string& CurrentPath() const { return currentPath_; }
    DWORD Access() const { return access_; }
    void SetAccess(DWORD access) { access_ = access; }
    bool LazyWrite() const { return lazyWrite_; }
    void SetLazyWrite(bool lazy) { lazyWrite_ = lazy; }

private:
    HKEY BaseKey(bool relative) const;
    HKEY GetKey(const std::string& key); // looked-up handle with Access, or 0
    void ChangeKey(HKEY key, const std::string& path);
    void PutData(const std::string& name, const void* data, DWORD size, DWORD type);
    // Reads at most `size` bytes; returns the bytes read and the value's kind.
    DWORD GetData(const std::string& name, void* buffer, DWORD size, TRegDataType& kind);
    LONG DeleteKeyInView(HKEY base, const std::string& key);

    HKEY currentKey_ = nullptr;
    HKEY rootKey_ = HKEY_CURRENT_USER;
    bool lazyWrite_ = true;
    std::string currentPath_;
    bool closeRootKey_ = false;
    DWORD access_ = kKeyAllAccess;
};

TRegDataType DataTypeToRegData(DWORD type);
DWORD RegDataToDataType(TRegDataType kind);

} // namespace ku
