// Registry and drive snapshots for checks by difference.
#include "support/SystemSnapshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "core/system/StrUtil.h"

namespace kutest {

namespace {

// Places that change on their own while a test runs: temporary folders, Wine's own state,
// the test harness's output.
const char* const kNoisyKeys[] = {
    "HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\EVENTLOG",
    "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PERFLIB",
    "HKLM\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER\\ENVIRONMENT",
    "HKCU\\SOFTWARE\\WINE",
    "HKLM\\SOFTWARE\\WINE",
    "HKLM\\HARDWARE",
    "\\CONTROL\\SERVICECURRENT", // a counter the service manager bumps as services start
    "\\CONTROL\\DEVICECLASSES",  // device interfaces Wine links and unlinks as it starts
    "\\CURRENTCONTROLSET\\ENUM\\",
    // NSIS uninstallers leave their temporary copy to be removed at the next start.
    "\\SESSION MANAGER\\\\PENDINGFILERENAMEOPERATIONS",
    "HKCU\\SOFTWARE\\KELVANETEST",
    "HKLM\\SOFTWARE\\KELVANETEST",
    "HKLM\\SOFTWARE\\WOW6432NODE\\KELVANETEST",
};
const char* const kNoisyFolders[] = {
    "\\TEMP\\",        "\\KUTEST\\SCREENSHOTS\\", "\\KUTEST\\SCRATCH\\",
    "\\KUTEST\\BIN\\", "\\KUTEST\\HTTP\\",        "C:\\WINDOWS\\LOGS\\"};

bool Noisy(const std::string& upper, const char* const* list, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (upper.find(list[i]) != std::string::npos)
            return true;
    return false;
}

std::string Hex(const BYTE* data, DWORD size) {
    std::string text;
    char byte[3];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        text += byte;
    }
    return text;
}

void DumpKey(HKEY key, const std::string& name, RegistrySnapshot& snapshot) {
    const std::string upper = ku::UpperCase(name);
    if (Noisy(upper, kNoisyKeys, sizeof kNoisyKeys / sizeof *kNoisyKeys))
        return;
    snapshot[name + "\\"] = "";
    std::vector<char> valueName(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = RegEnumValueA(key, i, valueName.data(), &nameLength, nullptr, &type,
                                    data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) {
            data.resize(dataLength + 16);
            nameLength = static_cast<DWORD>(valueName.size());
            dataLength = static_cast<DWORD>(data.size());
            result = RegEnumValueA(key, i, valueName.data(), &nameLength, nullptr, &type,
                                   data.data(), &dataLength);
        }
        if (result != ERROR_SUCCESS)
            break;
        const std::string entry = name + "\\\\" + std::string(valueName.data(), nameLength);
        if (!Noisy(ku::UpperCase(entry), kNoisyKeys, sizeof kNoisyKeys / sizeof *kNoisyKeys))
            snapshot[entry] = std::to_string(type) + ":" + Hex(data.data(), dataLength);
    }
    char sub[1024];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY child;
        if (RegOpenKeyExA(key, sub, 0, KEY_READ | KEY_WOW64_64KEY, &child) != ERROR_SUCCESS)
            continue;
        DumpKey(child, name + "\\" + sub, snapshot);
        RegCloseKey(child);
    }
}

void ListFolder(const std::string& folder, DriveSnapshot& snapshot) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string full = folder + "\\" + name;
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string upper = ku::UpperCase(full) + (directory ? "\\" : "");
        if (Noisy(upper, kNoisyFolders, sizeof kNoisyFolders / sizeof *kNoisyFolders))
            continue;
        snapshot.insert(upper);
        if (directory && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListFolder(full, snapshot);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

template <typename Set> Difference CompareSets(const Set& before, const Set& after) {
    Difference difference;
    for (const auto& entry : before)
        if (!after.count(entry))
            difference.removed.push_back(entry);
    for (const auto& entry : after)
        if (!before.count(entry))
            difference.added.push_back(entry);
    return difference;
}

std::set<std::string> Lines(const RegistrySnapshot& snapshot) {
    std::set<std::string> lines;
    for (const auto& [name, value] : snapshot)
        lines.insert(name + "=" + value);
    return lines;
}

} // namespace

RegistrySnapshot TakeRegistrySnapshot() {
    RegistrySnapshot snapshot;
    const std::pair<HKEY, const char*> roots[] = {{HKEY_LOCAL_MACHINE, "HKLM"},
                                                  {HKEY_CURRENT_USER, "HKCU"}};
    for (const auto& [root, name] : roots) {
        HKEY key;
        if (RegOpenKeyExA(root, nullptr, 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            DumpKey(key, name, snapshot);
            RegCloseKey(key);
        }
    }
    return snapshot;
}

DriveSnapshot TakeDriveSnapshot(const std::string& root) {
    DriveSnapshot snapshot;
    ListFolder(root, snapshot);
    return snapshot;
}

Difference Compare(const RegistrySnapshot& before, const RegistrySnapshot& after) {
    return CompareSets(Lines(before), Lines(after));
}

Difference Compare(const DriveSnapshot& before, const DriveSnapshot& after) {
    return CompareSets(before, after);
}

std::vector<std::string> Names(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines) // the data ("type:hex") holds no "="
        names.push_back(line.substr(0, line.rfind('=')));
    return names;
}

} // namespace kutest
