// Test support: logon entries of the test's own in the real places Windows reads at logon (the
// Run keys, both startup folders, win.ini [Load] and [Run]), removed again when it goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kutest {

class LogonEntries {
  public:
    static const char* const kRunKey; // SOFTWARE\Microsoft\Windows\CurrentVersion\Run

    LogonEntries();
    ~LogonEntries();
    LogonEntries(const LogonEntries&) = delete;
    LogonEntries& operator=(const LogonEntries&) = delete;

    // The registry view the startup manager reads: the 64-bit one under WOW64.
    static REGSAM View();
    // A name no other test program uses: "KuLogon<process id> " + suffix.
    std::string Name(const std::string& suffix) const;

    void AddRunValue(HKEY root, const std::string& name, DWORD type, const std::string& bytes);
    // The folder of "Common Startup" (HKLM) or "Startup" (HKCU), made when missing.
    std::string StartupFolder(bool common) const;
    std::string AddStartupFile(bool common, const std::string& name, const std::string& bytes);
    std::string WinIniPath() const;
    void AddWinIniKey(const std::string& section, const std::string& key, const std::string& value);

  private:
    struct RunValue {
        HKEY root;
        std::string name;
    };
    std::vector<RunValue> values_;
    std::vector<std::string> files_;
    std::vector<std::pair<std::string, std::string>> winIniKeys_;
};

} // namespace kutest
