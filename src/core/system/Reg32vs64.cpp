// The registry key class: one open "current" key below a root, typed reads and writes,
// and the registry-view flag that lets this 32-bit process reach the 64-bit registry.
#include "core/system/Reg32vs64.h"

#include <cstring>

#include "core/system/ExactNames.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

constexpr DWORD kKeyLookupRights = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

bool IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string StripLeadingBackslash(const std::string& key) {
    return IsRelative(key) ? key : key.substr(1);
}

[[noreturn]] void Raise(const char* message, const std::string& name) {
    throw ERegistryException(Format(message, name.c_str()));
}

// Reads the name at `index` exactly (see ExactNames.h). A name the code page cannot hold is
// skipped like any other failure, so no best-fit name and no stale name reaches the caller.
bool EnumName(HKEY key, bool keys, DWORD index, std::string& name) {
    const LONG rc =
        keys ? RegEnumKeyExact(key, index, name) : RegEnumValueNameExact(key, index, name);
    return rc == ERROR_SUCCESS;
}

} // namespace

TRegDataType DataTypeToRegData(DWORD type) {
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

DWORD RegDataToDataType(TRegDataType kind) {
    switch (kind) {
    case rdString: return REG_SZ;
    case rdExpandString: return REG_EXPAND_SZ;
    case rdInteger: return REG_DWORD;
    case rdBinary: return REG_BINARY;
    default: return REG_NONE;
    }
}

bool IsWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    auto fn = kernel ? reinterpret_cast<IsWow64ProcessFn>(
                           reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                     : nullptr;
    if (!fn)
        return false;
    BOOL wow = FALSE;
    if (!fn(GetCurrentProcess(), &wow))
        throw std::runtime_error("IsWow64: bad process handle");
    return wow != FALSE;
}

DWORD GetWow64AccessFlag() { return IsWow64() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

DWORD RegistryViewAccess() { return RegistryView64 ? kKeyAllAccessView64 : kKeyAllAccess; }

REGSAM ScanRegistryView() {
    if (RegistryView64)
        return KEY_WOW64_64KEY;
    bool wow64 = false;
    try {
        wow64 = IsWow64();
    } catch (const std::exception&) {
    }
    return wow64 ? KEY_WOW64_32KEY : 0;
}

std::string ViewToMarker(REGSAM view) {
    if (view & KEY_WOW64_64KEY)
        return "64";
    if (view & KEY_WOW64_32KEY)
        return "32";
    return "";
}

REGSAM MarkerToView(const std::string& marker) {
    if (marker == "64")
        return KEY_WOW64_64KEY;
    if (marker == "32")
        return KEY_WOW64_32KEY;
    return 0;
}

TRegistry::TRegistry() = default;

TRegistry::TRegistry(DWORD access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

HKEY TRegistry::BaseKey(bool relative) const {
    return (currentKey_ == nullptr || !relative) ? rootKey_ : currentKey_;
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
    CloseKey();
    currentKey_ = key;
    currentPath_ = path;
}

void TRegistry::SetRootKey(HKEY value) {
    if (rootKey_ == value)
        return;
    if (closeRootKey_) {
        RegCloseKey(rootKey_);
        closeRootKey_ = false;
    }
    rootKey_ = value;
    CloseKey();
}

void TRegistry::CloseKey() {
    if (currentKey_ == nullptr)
        return;
    if (!lazyWrite_)
        RegFlushKey(currentKey_);
    RegCloseKey(currentKey_);
    currentKey_ = nullptr;
    currentPath_.clear();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate, bool useWowView) {
    const bool relative = IsRelative(key);
    std::string path = StripLeadingBackslash(key);
    HKEY opened = nullptr;
    bool ok;
    if (!canCreate || path.empty()) {
        if (useWowView)
            access_ |= GetWow64AccessFlag();
        ok = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access_, &opened) == ERROR_SUCCESS;
    } else {
        // The create path uses Access as it stands: a view flag only counts once an
        // earlier open or the constructor put it there.
        DWORD disposition = 0;
        ok = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, access_, nullptr, &opened,
                             &disposition) == ERROR_SUCCESS;
    }
    if (ok) {
        if (currentKey_ != nullptr && relative)
            path = currentPath_ + "\\" + path;
        ChangeKey(opened, path);
    }
    return ok;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key, bool useWowView) {
    const bool relative = IsRelative(key);
    std::string path = StripLeadingBackslash(key);
    const DWORD flag = useWowView ? GetWow64AccessFlag() : 0;
    for (DWORD mask : {DWORD(KEY_READ), kKeyLookupRights, DWORD(KEY_QUERY_VALUE)}) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, mask | flag, &opened) ==
            ERROR_SUCCESS) {
            access_ = mask | flag;
            if (currentKey_ != nullptr && relative)
                path = currentPath_ + "\\" + path;
            ChangeKey(opened, path);
            return true;
        }
    }
    return false;
}

HKEY TRegistry::GetKey(const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(BaseKey(IsRelative(key)), StripLeadingBackslash(key).c_str(), 0, access_,
                      &opened) != ERROR_SUCCESS)
        return nullptr;
    return opened;
}

LONG TRegistry::DeleteKeyInView(HKEY base, const std::string& key) {
    // RegDeleteKeyA always deletes in the caller's own (32-bit) view. Under WOW64 that would
    // remove a same-named 32-bit key while the 64-bit one the caller looked up stays, so the
    // view flag goes to RegDeleteKeyExA where the system has it.
    using RegDeleteKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    static const auto deleteKeyEx = reinterpret_cast<RegDeleteKeyExAFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("advapi32"), "RegDeleteKeyExA")));
    const DWORD view = access_ & kViewFlags;
    if (deleteKeyEx && view != 0)
        return deleteKeyEx(base, key.c_str(), view, 0);
    return RegDeleteKeyA(base, key.c_str());
}

bool TRegistry::DeleteKey(const std::string& key) {
    const bool relative = IsRelative(key);
    const std::string path = StripLeadingBackslash(key);
    // An empty path names the base key itself: emptying a root or the open key is never meant.
    if (path.empty())
        return false;
    HKEY oldKey = currentKey_;
    HKEY doomed = GetKey(key);
    if (doomed != nullptr) {
        currentKey_ = doomed;
        TRegKeyInfo info;
        if (GetKeyInfo(info)) {
            for (DWORD i = info.NumSubKeys; i-- > 0;) {
                // A subkey the code page cannot hold stays, and so does this key.
                std::string name;
                if (EnumName(doomed, true, i, name) && !name.empty())
                    DeleteKey(name);
            }
        }
        currentKey_ = oldKey;
        RegCloseKey(doomed);
    }
    return DeleteKeyInView(BaseKey(relative), path) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& key) {
    const DWORD oldAccess = access_;
    access_ = kKeyLookupRights;
    HKEY found = GetKey(key);
    access_ = oldAccess;
    if (found != nullptr)
        RegCloseKey(found);
    return found != nullptr;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
    ZeroMemory(&info, sizeof(info));
    bool ok = RegQueryInfoKeyA(currentKey_, nullptr, nullptr, nullptr, &info.NumSubKeys,
                               &info.MaxSubKeyLen, nullptr, &info.NumValues, &info.MaxValueLen,
                               &info.MaxDataLen, nullptr, &info.FileTime) == ERROR_SUCCESS;
    // Far-eastern NT systems report the name lengths in characters, not bytes.
    if (ok && GetSystemMetrics(SM_DBCSENABLED) && (GetVersion() & 0x80000000) == 0) {
        info.MaxSubKeyLen *= 2;
        info.MaxValueLen *= 2;
    }
    return ok;
}

// Subkey names (keys true) or value names of the open key, in enumeration order.
static void EnumAllNames(HKEY key, const TRegKeyInfo& info, bool keys,
                         std::vector<std::string>& names) {
    const DWORD count = keys ? info.NumSubKeys : info.NumValues;
    names.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        std::string name;
        if (EnumName(key, keys, i, name))
            names.push_back(name);
    }
}

void TRegistry::GetKeyNames(std::vector<std::string>& names) {
    names.clear();
    TRegKeyInfo info;
    if (GetKeyInfo(info))
        EnumAllNames(currentKey_, info, true, names);
}

void TRegistry::GetValueNames(std::vector<std::string>& names) {
    names.clear();
    TRegKeyInfo info;
    if (GetKeyInfo(info))
        EnumAllNames(currentKey_, info, false, names);
}

bool TRegistry::GetDataInfo(const std::string& valueName, TRegDataInfo& info) {
    ZeroMemory(&info, sizeof(info));
    DWORD type = 0;
    DWORD size = 0;
    // exact-text: asks for the kind and size only, no text
    if (RegQueryValueExA(currentKey_, valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    info.RegData = DataTypeToRegData(type);
    info.DataSize = size;
    return true;
}

bool TRegistry::ValueExists(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info);
}

int TRegistry::GetDataSize(const std::string& valueName) {
    TRegDataInfo info;
    return GetDataInfo(valueName, info) ? static_cast<int>(info.DataSize) : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& valueName) {
    TRegDataInfo info;
    return GetDataInfo(valueName, info) ? info.RegData : rdUnknown;
}

bool TRegistry::DeleteValue(const std::string& name) {
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::PutData(const std::string& name, const void* data, DWORD size, DWORD type) {
    if (RegSetValueExA(currentKey_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                       size) != ERROR_SUCCESS)
        Raise("Failed to set data for '%s'", name);
}

DWORD TRegistry::GetData(const std::string& name, void* buffer, DWORD size,
                         TRegDataType& kind) {
    DWORD type = REG_NONE;
    std::string data;
    // By its wide form: a string list or text read as bytes is never handed on best-fit.
    const LONG rc = RegQueryValueExact(currentKey_, name, type, data);
    if (rc == kInexactName)
        Raise("'%s' holds characters this program cannot handle", name);
    if (rc != ERROR_SUCCESS || data.size() > size)
        Raise("Failed to get data for '%s'", name);
    memcpy(buffer, data.data(), data.size());
    kind = DataTypeToRegData(type);
    return static_cast<DWORD>(data.size());
}

std::string TRegistry::ReadString(const std::string& name) {
    if (GetDataSize(name) < 1)
        return std::string();
    // Read in its wide form: a text the code page cannot hold is refused, never handed on in
    // its best-fit form (a path or command that names something else).
    std::string text;
    const LONG rc = RegQueryStringExact(currentKey_, name, text);
    if (rc == ERROR_INVALID_DATATYPE)
        Raise("Invalid data type for '%s'", name);
    if (rc == kInexactName)
        Raise("'%s' holds characters this program cannot handle", name);
    if (rc != ERROR_SUCCESS)
        Raise("Failed to get data for '%s'", name);
    return text;
}

int TRegistry::ReadInteger(const std::string& name) {
    TRegDataInfo info;
    if (!GetDataInfo(name, info))
        Raise("Failed to get data for '%s'", name);
    if (info.RegData != rdInteger)
        Raise("Invalid data type for '%s'", name);
    DWORD value = 0;
    TRegDataType kind = rdUnknown;
    GetData(name, &value, sizeof(value), kind);
    if (kind != rdInteger)
        Raise("Invalid data type for '%s'", name);
    return static_cast<int>(value);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufSize) {
    TRegDataInfo info;
    if (!GetDataInfo(name, info))
        return 0;
    const int size = static_cast<int>(info.DataSize);
    if ((info.RegData != rdBinary && info.RegData != rdUnknown) || size > bufSize || bufSize < 0)
        Raise("Invalid data type for '%s'", name);
    TRegDataType kind = rdUnknown;
    GetData(name, buffer, static_cast<DWORD>(bufSize), kind);
    return size;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    PutData(name, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_SZ);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD data = static_cast<DWORD>(value);
    PutData(name, &data, sizeof(data), REG_DWORD);
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int bufSize) {
    PutData(name, buffer, static_cast<DWORD>(bufSize < 0 ? 0 : bufSize), REG_BINARY);
}

} // namespace ku
