// Bounded reads of subkey names and values for the leftover scans.
#include "core/scan/RegValueList.h"

#include <cstring>
#include <unordered_set>

#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"

namespace ku {

namespace {

std::string ReadString(HKEY key, const std::string& name) {
    char buffer[4096];
    DWORD type = 0, size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return std::string(buffer, strnlen(buffer, size));
}

} // namespace

REGSAM ScanReadView() { return ScanRegistryView(); }

std::string ScanViewMarker() { return ViewToMarker(ScanRegistryView()); }

TContent& AddScanItem(TUninstallerContents& contents, const std::string& rootName,
                      const std::string& keyPath, const char* type) {
    TContent& item = contents.GetItem(contents.AddItem()).Content;
    item.RootKeyName = rootName;
    item.KeyPath = keyPath;
    item.ItemType = type;
    item.Extra = ScanViewMarker();
    return item;
}

REGSAM InstallerReadView() {
    try {
        return IsWow64() ? KEY_WOW64_64KEY : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

bool OpenInstallerKey(HKEY root, const std::string& path, HKEY* key) {
    *key = nullptr;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | InstallerReadView(), key) ==
           ERROR_SUCCESS;
}

std::string ReadInstallerString(const std::string& path, const std::string& name) {
    UniqueKey key;
    if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, path, key.put()))
        return std::string();
    return ReadString(key.get(), name);
}

TContent& AddInstallerItem(TUninstallerContents& contents, const std::string& rootName,
                           const std::string& keyPath, const char* type) {
    TContent& item = AddScanItem(contents, rootName, keyPath, type);
    item.Extra = ViewToMarker(InstallerReadView());
    return item;
}

bool OpenScanKey(HKEY root, const std::string& path, HKEY* key) {
    *key = nullptr;
    return RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0,
                         KEY_READ | ScanReadView(), key) == ERROR_SUCCESS;
}

namespace {

// One pass over the subkeys by index, and the key's last write time when it began.
bool EnumerateSubkeys(HKEY key, std::vector<std::string>& names, FILETIME& written) {
    DWORD count = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS)
        return false;
    char name[1024];
    // Bounded by the count the system gave (and some room for keys made meanwhile), so a key
    // that keeps failing cannot hold the scan.
    for (DWORD index = 0; index < count + 64; ++index) {
        DWORD length = sizeof name;
        const LONG result =
            RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS)
            names.emplace_back(name, length);
        else if (result != ERROR_MORE_DATA)
            break;
    }
    return true;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

// Enumeration goes by index: a subkey made or deleted by another program during the pass shifts
// the others, and one of them is skipped. Such a change moves the key's last write time, so the
// pass is repeated (a few times at most) until the key held still, and the names of every pass
// are kept; a name that went meanwhile simply fails to open later.
std::vector<std::string> ReadSubkeyNames(HKEY key) {
    std::vector<std::string> names;
    FILETIME before{};
    if (!EnumerateSubkeys(key, names, before))
        return names;
    for (int pass = 0; pass < 3; ++pass) {
        FILETIME after{};
        if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, &after) != ERROR_SUCCESS ||
            SameTime(before, after))
            break;
        std::vector<std::string> again;
        if (!EnumerateSubkeys(key, again, before))
            break;
        std::unordered_set<std::string> known(names.begin(), names.end());
        for (std::string& name : again)
            if (known.insert(name).second)
                names.push_back(std::move(name));
    }
    return names;
}

std::vector<RegValueEntry> ReadValues(HKEY key) {
    std::vector<RegValueEntry> values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::vector<char> name(longestName + 2);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD index = 0; index < count + 1; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                                    data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) { // grew since the query
            name.resize(16384);
            data.resize(dataLength > data.size() ? dataLength + 2 : data.size() * 2);
            nameLength = static_cast<DWORD>(name.size());
            dataLength = static_cast<DWORD>(data.size());
            result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                                   data.data(), &dataLength);
        }
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue;
        RegValueEntry entry;
        entry.name.assign(name.data(), nameLength);
        entry.type = type;
        entry.data.assign(reinterpret_cast<const char*>(data.data()),
                          dataLength <= data.size() ? dataLength : data.size());
        values.push_back(std::move(entry));
    }
    return values;
}

std::string ValueText(const RegValueEntry& value) {
    return std::string(value.data.c_str(), strnlen(value.data.data(), value.data.size()));
}

bool IsStringValue(const RegValueEntry& value) {
    return value.type == REG_SZ || value.type == REG_EXPAND_SZ;
}

std::string ReadScanString(HKEY root, const std::string& path, const std::string& name) {
    UniqueKey key;
    if (!OpenScanKey(root, path, key.put()))
        return std::string();
    return ReadString(key.get(), name);
}

bool ScanKeyExists(HKEY root, const std::string& path) {
    UniqueKey key;
    return OpenScanKey(root, path, key.put());
}

} // namespace ku
