// Test support: logon entries of the test's own.
#include "support/LogonEntries.h"

#include <shlobj.h>

#include "support/Sandbox.h"

namespace kutest {

namespace {
const char* const kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
}

const char* const LogonEntries::kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

LogonEntries::LogonEntries() = default;

LogonEntries::~LogonEntries() {
    for (const RunValue& value : values_)
        RawDeleteValue(value.root, kRunKey, value.name, View());
    for (const std::string& file : files_)
        DeleteFileA(file.c_str());
    for (const auto& key : winIniKeys_)
        WritePrivateProfileStringA(key.first.c_str(), key.second.c_str(), nullptr,
                                   WinIniPath().c_str());
}

REGSAM LogonEntries::View() {
    return RunningUnderWow64() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::string LogonEntries::Name(const std::string& suffix) const {
    return "KuLogon" + std::to_string(GetCurrentProcessId()) + " " + suffix;
}

void LogonEntries::AddRunValue(HKEY root, const std::string& name, DWORD type,
                               const std::string& bytes) {
    RawSetValue(root, kRunKey, name, type, bytes, View());
    values_.push_back(RunValue{root, name});
}

std::string LogonEntries::StartupFolder(bool common) const {
    // Asking the shell for the folder makes it and writes its "Shell Folders" value.
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, (common ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP) | CSIDL_FLAG_CREATE,
                     nullptr, 0, path);
    const RawValue value =
        RawReadValue(common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kShellFolders,
                     common ? "Common Startup" : "Startup", View());
    const std::string folder = value.exists ? std::string(value.bytes.c_str()) : path;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string LogonEntries::AddStartupFile(bool common, const std::string& name,
                                         const std::string& bytes) {
    const std::string path = StartupFolder(common) + "\\" + name;
    WriteTextFile(path, bytes);
    files_.push_back(path);
    return path;
}

std::string LogonEntries::WinIniPath() const {
    return WindowsFolder() + "\\win.ini";
}

void LogonEntries::AddWinIniKey(const std::string& section, const std::string& key,
                                const std::string& value) {
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), WinIniPath().c_str());
    winIniKeys_.push_back({section, key});
}

} // namespace kutest
