// Test support: registry reads and writes that bypass the code under test.
#include "support/RawRegistry.h"

#include <stdexcept>

namespace kutest {

namespace {

// An open key closed at the end of the scope.
struct Key {
    HKEY handle = nullptr;
    ~Key() {
        if (handle)
            RegCloseKey(handle);
    }
    bool Open(HKEY root, const std::string& path, REGSAM access) {
        return RegOpenKeyExA(root, path.c_str(), 0, access, &handle) == ERROR_SUCCESS;
    }
};

} // namespace

bool RawKeyExists(HKEY root, const std::string& path, REGSAM view) {
    Key key;
    return key.Open(root, path, KEY_READ | view);
}

void RawCreateKey(HKEY root, const std::string& path, REGSAM view) {
    Key key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &key.handle, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
}

void RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& data, REGSAM view) {
    Key key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &key.handle, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    RegSetValueExA(key.handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

void RawSetString(HKEY root, const std::string& path, const std::string& name,
                  const std::string& value, REGSAM view, DWORD type) {
    RawSetValue(root, path, name, type, std::string(value.c_str(), value.size() + 1), view);
}

void RawSetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
                 REGSAM view) {
    RawSetValue(root, path, name, REG_DWORD,
                std::string(reinterpret_cast<const char*>(&value), sizeof value), view);
}

void RawSetMultiSz(HKEY root, const std::string& path, const std::string& name,
                   const std::vector<std::string>& strings, REGSAM view) {
    std::string data;
    for (const std::string& s : strings)
        data += s + std::string(1, '\0');
    data += std::string(1, '\0');
    RawSetValue(root, path, name, REG_MULTI_SZ, data, view);
}

bool RawValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    Key key;
    return key.Open(root, path, KEY_READ | view) &&
           RegQueryValueExA(key.handle, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

std::string RawReadString(HKEY root, const std::string& path, const std::string& name,
                          REGSAM view) {
    Key key;
    if (!key.Open(root, path, KEY_READ | view))
        return std::string();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    std::string text(size + 1, '\0');
    if (RegQueryValueExA(key.handle, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS)
        return std::string();
    return text.c_str();
}

RawValue RawReadValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    RawValue value;
    Key key;
    DWORD size = 0;
    if (!key.Open(root, path, KEY_READ | view) ||
        RegQueryValueExA(key.handle, name.c_str(), nullptr, &value.type, nullptr, &size) !=
            ERROR_SUCCESS)
        return value;
    value.bytes.resize(size);
    value.exists = RegQueryValueExA(key.handle, name.c_str(), nullptr, &value.type,
                                    reinterpret_cast<BYTE*>(&value.bytes[0]), &size) == ERROR_SUCCESS;
    value.bytes.resize(size);
    return value;
}

long long RawReadDword(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    Key key;
    DWORD type = 0, value = 0, size = sizeof value;
    if (!key.Open(root, path, KEY_READ | view) ||
        RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return -1;
    return value;
}

void RawDeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    Key key;
    if (key.Open(root, path, KEY_SET_VALUE | view))
        RegDeleteValueA(key.handle, name.c_str());
}

void RawDeleteTree(HKEY root, const std::string& path, REGSAM view) {
    std::vector<std::string> names;
    {
        Key key;
        if (!key.Open(root, path, KEY_READ | view))
            return;
        // Names first, deletes after: a subkey that cannot be deleted must not loop forever.
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof(name);
            if (RegEnumKeyExA(key.handle, index, name, &length, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
    }
    for (const std::string& sub : names)
        RawDeleteTree(root, path + "\\" + sub, view);
    RegDeleteKeyExA(root, path.c_str(), view, 0);
}

} // namespace kutest
