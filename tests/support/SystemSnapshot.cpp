// Registry and drive snapshots for checks by difference.
#include "support/SystemSnapshot.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "support/RawRegistry.h"

namespace kutest {
namespace {

// Places that change on their own while a test runs: temporary folders, Wine's own state,
// the test harness's output.
const std::vector<std::string> kNoisyKeys = {
    "HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\EVENTLOG",
    "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PERFLIB",
    "HKLM\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER\\ENVIRONMENT",
    "HKCU\\SOFTWARE\\WINE", "HKLM\\SOFTWARE\\WINE", "HKLM\\HARDWARE", "\\CURRENTCONTROLSET\\ENUM\\",
    "\\CONTROL\\SERVICECURRENT", // a counter the service manager bumps as services start
    "\\CONTROL\\DEVICECLASSES",  // device interfaces Wine links and unlinks as it starts
    // NSIS uninstallers leave their temporary copy to be removed at the next start.
    "\\SESSION MANAGER\\\\PENDINGFILERENAMEOPERATIONS", "HKCU\\SOFTWARE\\KELVANETEST",
    "HKLM\\SOFTWARE\\KELVANETEST", "HKLM\\SOFTWARE\\WOW6432NODE\\KELVANETEST"};
const std::vector<std::string> kNoisyFolders = {
    "\\TEMP\\",        "\\KUTEST\\SCREENSHOTS\\", "\\KUTEST\\SCRATCH\\",
    "\\KUTEST\\BIN\\", "\\KUTEST\\HTTP\\",        "C:\\WINDOWS\\LOGS\\"};

// A whole-machine comparison is only as sound as nothing else runs beside it: ctest gives such
// runs KU_RUNS_ALONE=1 (see ku_test in cmake/KuHelpers.cmake), and a snapshot taken elsewhere
// fails its test at once rather than pass or fail by the timing of other test programs.
void ExpectRunningAlone(const char* what) {
    char value[8] = "";
    if (GetEnvironmentVariableA("KU_RUNS_ALONE", value, sizeof value) == 0 ||
        std::string(value) != "1")
        ADD_FAILURE() << what << " of the whole machine outside a run that ctest keeps alone: "
                      << "put the test in a suite named ...WholeMachine of a WHOLE_MACHINE "
                      << "program (or an ALONE one), or compare only what the test planted";
}

bool Noisy(const std::string& name, const std::vector<std::string>& places) {
    const std::string upper = ku::UpperCase(name);
    for (const std::string& place : places)
        if (upper.find(place) != std::string::npos)
            return true;
    return false;
}

// A name as the snapshot spells it: read by its wide form, so that a name the code page cannot
// hold and its best-fit twin are two entries. The ANSI form when the code page holds it, else
// the stand-in followed by the UTF-16 units in hex.
std::string SnapshotName(const wchar_t* wide, size_t length) {
    std::string name;
    if (ku::ExactAnsi(wide, length, name))
        return name;
    name += "{";
    for (size_t i = 0; i < length; ++i) {
        char hex[8];
        snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(wide[i]));
        name += hex;
    }
    return name + "}";
}

std::vector<std::wstring> SubKeysOf(HKEY key) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(512);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG result =
            RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue; // no key name is longer than 255 characters
        if (result != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

void DumpKey(HKEY key, const std::string& name, RegistrySnapshot& snapshot) {
    if (Noisy(name, kNoisyKeys))
        return;
    snapshot[name + "\\"] = "";
    std::vector<wchar_t> valueName(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(valueName.size()), type = 0;
        DWORD dataLength = static_cast<DWORD>(data.size());
        const LONG result = RegEnumValueW(key, i, valueName.data(), &nameLength, nullptr, &type,
                                          data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) { // a value larger than the buffer: read it again
            data.resize(data.size() * 4);
            --i;
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        const std::string entry = name + "\\\\" + SnapshotName(valueName.data(), nameLength);
        std::string text = std::to_string(type) + ":";
        for (DWORD b = 0; b < dataLength; ++b)
            text += {"0123456789abcdef"[data[b] >> 4], "0123456789abcdef"[data[b] & 15]};
        if (!Noisy(entry, kNoisyKeys))
            snapshot[entry] = text;
    }
    for (const std::wstring& sub : SubKeysOf(key)) {
        ku::UniqueKey child;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, child.put()) == 0)
            DumpKey(child.get(), name + "\\" + SnapshotName(sub.data(), sub.size()), snapshot);
    }
}

// `folder` is the wide path to read, `spelled` the same as the snapshot spells it.
void ListFolder(const std::wstring& folder, const std::string& spelled, DriveSnapshot& snapshot) {
    WIN32_FIND_DATAW data;
    ku::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &data)) {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::string full = spelled + "\\" + SnapshotName(name.data(), name.size());
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string upper = ku::UpperCase(full) + (directory ? "\\" : "");
        if (Noisy(upper, kNoisyFolders))
            continue;
        snapshot.insert(upper);
        if (directory && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListFolder(folder + L"\\" + name, full, snapshot);
    }
}

} // namespace

RegistrySnapshot TakeRegistrySnapshot() {
    ExpectRunningAlone("a registry snapshot");
    RegistrySnapshot snapshot;
    for (const auto& [root, name] :
         {std::pair{HKEY_LOCAL_MACHINE, "HKLM"}, std::pair{HKEY_CURRENT_USER, "HKCU"}})
        DumpKey(root, name, snapshot); // the 64-bit view is chosen as each subkey opens
    return snapshot;
}

DriveSnapshot TakeDriveSnapshot(const std::string& root) {
    if (root.size() <= 3) // "C:" or "C:\\"
        ExpectRunningAlone("a drive snapshot");
    DriveSnapshot snapshot;
    ListFolder(ku::WideFromAnsi(root), root, snapshot);
    return snapshot;
}

Difference Compare(const DriveSnapshot& before, const DriveSnapshot& after) {
    Difference difference;
    for (const auto& entry : before)
        if (!after.count(entry))
            difference.removed.push_back(entry);
    for (const auto& entry : after)
        if (!before.count(entry))
            difference.added.push_back(entry);
    return difference;
}

// A changed value shows as one line removed and one added: "name=type:data".
Difference Compare(const RegistrySnapshot& before, const RegistrySnapshot& after) {
    DriveSnapshot lines[2];
    for (int i = 0; i < 2; ++i)
        for (const auto& [name, value] : i == 0 ? before : after)
            lines[i].insert(name + "=" + value);
    return Compare(lines[0], lines[1]);
}

std::vector<std::string> Names(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines) // the data ("type:hex") holds no "="
        names.push_back(line.substr(0, line.rfind('=')));
    return names;
}

std::set<std::string> UpperNames(const std::vector<std::string>& lines) {
    std::set<std::string> names;
    for (const std::string& line : lines)
        names.insert(ku::UpperCase(line));
    return names;
}

} // namespace kutest
