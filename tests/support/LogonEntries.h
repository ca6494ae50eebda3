// Test support: logon entries of the test's own in the real places Windows reads at logon (the
// Run keys, both startup folders, win.ini [Load] and [Run]), removed again when it goes.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "support/Sandbox.h"

namespace kutest {

class LogonEntries {
  public:
    static constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

    LogonEntries() = default;
    ~LogonEntries() {
        for (const auto& [root, name] : values_)
            RawDeleteValue(root, kRunKey, name, View());
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
        for (const auto& [section, key] : winIniKeys_)
            WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, WinIniPath().c_str());
    }
    LogonEntries(const LogonEntries&) = delete;
    LogonEntries& operator=(const LogonEntries&) = delete;

    // The registry view the startup manager reads: the 64-bit one under WOW64.
    static REGSAM View() { return RunningUnderWow64() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }
    // A name no other test program uses.
    std::string Name(const std::string& suffix) const {
        return "KuLogon" + std::to_string(GetCurrentProcessId()) + " " + suffix;
    }
    void AddRunValue(HKEY root, const std::string& name, DWORD type, const std::string& bytes) {
        RawSetValue(root, kRunKey, name, type, bytes, View());
        values_.emplace_back(root, name);
    }
    // The folder of "Common Startup" (HKLM) or "Startup" (HKCU), made when missing.
    std::string StartupFolder(bool common) const {
        // Asking the shell for the folder makes it and writes its "Shell Folders" value.
        const std::string path = ShellFolder(common ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
        const std::string shown =
            RawReadString(common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          common ? "Common Startup" : "Startup", View());
        const std::string folder = shown.empty() ? path : shown;
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }
    std::string AddStartupFile(bool common, const std::string& name, const std::string& bytes) {
        files_.push_back(StartupFolder(common) + "\\" + name);
        WriteTextFile(files_.back(), bytes);
        return files_.back();
    }
    std::string WinIniPath() const { return WindowsFolder() + "\\win.ini"; }
    void AddWinIniKey(const std::string& section, const std::string& key,
                      const std::string& value) {
        WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                   WinIniPath().c_str());
        winIniKeys_.emplace_back(section, key);
    }

  private:
    std::vector<std::pair<HKEY, std::string>> values_;
    std::vector<std::string> files_;
    std::vector<std::pair<std::string, std::string>> winIniKeys_;
};

} // namespace kutest
