// Test support: registry reads and writes that bypass the code under test.
#include "support/RawRegistry.h"

#include <stdexcept>
#include <vector>

#include "core/system/Handles.h"

namespace kutest {

std::wstring WideOf(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            size);
    return wide;
}

namespace {

ku::UniqueKey Open(HKEY root, const std::string& path, REGSAM access) {
    ku::UniqueKey key;
    RegOpenKeyExA(root, path.c_str(), 0, access, key.put());
    return key;
}

ku::UniqueKey Create(HKEY root, const std::string& path, REGSAM view) {
    ku::UniqueKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    return key;
}

} // namespace

RawValue RawReadValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    RawValue value;
    const ku::UniqueKey key = Open(root, path, KEY_READ | view);
    DWORD size = 0;
    if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size))
        return RawValue();
    value.bytes.resize(size);
    value.exists =
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                         reinterpret_cast<BYTE*>(&value.bytes[0]), &size) == ERROR_SUCCESS;
    value.bytes.resize(size);
    return value.exists ? value : RawValue();
}

bool RawKeyExists(HKEY root, const std::string& path, REGSAM view) {
    return static_cast<bool>(Open(root, path, KEY_READ | view));
}

void RawCreateKey(HKEY root, const std::string& path, REGSAM view) {
    Create(root, path, view);
}

void RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& data, REGSAM view) {
    RegSetValueExA(Create(root, path, view).get(), name.c_str(), 0, type,
                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

void RawDeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    if (const ku::UniqueKey key = Open(root, path, KEY_SET_VALUE | view))
        RegDeleteValueA(key.get(), name.c_str());
}

std::vector<std::string> RawSubKeys(HKEY root, const std::string& path, REGSAM view) {
    std::vector<std::string> names;
    const ku::UniqueKey key = Open(root, path, KEY_READ | view);
    char name[256];
    for (DWORD i = 0, length = sizeof name;
         key && RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, length = sizeof name)
        names.emplace_back(name, length);
    return names;
}

namespace {

// Names first, deletes after: a subkey that cannot be deleted must not loop forever. By the
// wide names, so a subkey the code page cannot hold (planted by a test) goes too and its
// best-fit name never leads anywhere else.
void DeleteWideTree(HKEY root, const std::wstring& path, REGSAM view) {
    std::vector<std::wstring> subKeys;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            subKeys.emplace_back(name, length);
        }
        RegCloseKey(key);
    }
    for (const std::wstring& sub : subKeys)
        DeleteWideTree(root, path + L"\\" + sub, view);
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

} // namespace

void RawDeleteTree(HKEY root, const std::string& path, REGSAM view) {
    DeleteWideTree(root, WideOf(path), view);
}

} // namespace kutest
