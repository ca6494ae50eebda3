// Settings: defaults, the maker's web host, reading at start and the one writer.
#include "core/settings/Settings.h"

#include <mutex>

#include "core/system/Reg32vs64.h"

namespace ku {

TSettings Settings;

namespace {

const char* const kBuiltInHost = "http://www.kelvane.com";
const char* const kHelpPath = "/products/system-utility/kelvane-uninstaller/help/";
const char* const kHomePath = "/products/system-utility/kelvane-uninstaller/";

std::mutex hostLock;
std::string& HostOverride() {
    static std::string host;
    return host;
}

std::string ReadStringOrDefault(TRegistry& reg, const char* name, const std::string& fallback) {
    if (!reg.ValueExists(name)) {
        reg.WriteString(name, fallback);
        return fallback;
    }
    try {
        return reg.ReadString(name);
    } catch (const ERegistryException&) {
        return fallback; // a value of another type is left as it is, the default used
    }
}

int ReadIntegerOrDefault(TRegistry& reg, const char* name, int fallback) {
    if (!reg.ValueExists(name)) {
        reg.WriteInteger(name, fallback);
        return fallback;
    }
    try {
        return reg.ReadInteger(name);
    } catch (const ERegistryException&) {
        return fallback;
    }
}

bool WriteDword(HKEY root, const std::string& keyPath, const std::string& name, int value,
                bool create) {
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(root);
    if (!reg.OpenKey(keyPath, create))
        return false;
    try {
        reg.WriteInteger(name, value);
    } catch (const ERegistryException&) {
        return false;
    }
    return true;
}

} // namespace

std::string MakerWebHost() {
    std::lock_guard<std::mutex> guard(hostLock);
    return HostOverride().empty() ? kBuiltInHost : HostOverride();
}

void SetMakerWebHost(const std::string& host) {
    std::lock_guard<std::mutex> guard(hostLock);
    HostOverride() = host;
}

std::string MakerUrl(const std::string& path) {
    return MakerWebHost() + path;
}
std::string DefaultHelpURL() {
    return MakerUrl(kHelpPath);
}
std::string DefaultHomePage() {
    return MakerUrl(kHomePath);
}

bool LoadSettings(const std::string& keyPath) {
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(keyPath, true))
        return false;
    try {
        Settings.HelpURL = ReadStringOrDefault(reg, "HelpURL", DefaultHelpURL());
        Settings.HomePage = ReadStringOrDefault(reg, "HomePage", DefaultHomePage());
        Settings.CheckUpdate = ReadIntegerOrDefault(reg, "CheckUpdate", 1) != 0;
        Settings.ShowWindowsUpdate = ReadIntegerOrDefault(reg, "ShowWindowsUpdate", 0) != 0;
        Settings.ViewStyle = ReadIntegerOrDefault(reg, "ViewStyle", 0);
    } catch (const ERegistryException&) {
        return false; // a default could not be written back: the values read so far stay
    }
    if (Settings.ViewStyle < 0 || Settings.ViewStyle > 2)
        Settings.ViewStyle = 0;
    return true;
}

bool WriteSettingInteger(const std::string& name, int value, bool createMachineKey,
                         const std::string& keyPath) {
    bool machine = WriteDword(HKEY_LOCAL_MACHINE, keyPath, name, value, createMachineKey);
    bool user = WriteDword(HKEY_CURRENT_USER, keyPath, name, value, true);
    return machine && user;
}

} // namespace ku
