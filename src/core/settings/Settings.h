// The program's settings: read once at start from the current user's key, defaults written back.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

inline const char* const kSettingsKey = "\\Software\\Kelvane Uninstaller";

struct TSettings {
    std::string HelpURL;
    std::string HomePage;
    bool CheckUpdate = false;
    bool ShowWindowsUpdate = false;
    int ViewStyle = 0; // 0 details, 1 icons, 2 list
};

// The one settings record of the process; zero until LoadSettings runs.
extern TSettings Settings;

// The maker's web host ("http://host" without a trailing "/"). Tests point it at a local server.
std::string MakerWebHost();
void SetMakerWebHost(const std::string& host); // empty restores the built-in host
std::string MakerUrl(const std::string& path); // host + path, path starting with "/"

std::string DefaultHelpURL();
std::string DefaultHomePage();

// Reads the settings from HKEY_CURRENT_USER keyPath (created when missing) into Settings,
// writing every missing value with its default. A value of the wrong type gives the default.
// When the key cannot be opened every setting keeps its zero value and false is returned.
bool LoadSettings(const std::string& keyPath = kSettingsKey);

// The one writer of a changed setting: writes the REG_DWORD under HKEY_LOCAL_MACHINE keyPath
// (created only when createMachineKey) and the same value under HKEY_CURRENT_USER keyPath,
// which is where the next start reads it. True when both writes were made.
bool WriteSettingInteger(const std::string& name, int value, bool createMachineKey,
                         const std::string& keyPath = kSettingsKey);

} // namespace ku
