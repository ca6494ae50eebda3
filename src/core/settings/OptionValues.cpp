// Options of the General page: machine-wide settings, version text, UAC and the context menu.
#include "core/settings/OptionValues.h"

#include "core/contextmenu/ContextMenuIds.h"
#include "core/system/ExactNames.h"
#include "core/system/Launcher.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// A missing value or one of another type gives the fallback.
int ReadIntegerOr(TRegistry& reg, const char* name, int fallback) {
    if (!reg.ValueExists(name))
        return fallback;
    try {
        return reg.ReadInteger(name);
    } catch (const ERegistryException&) {
        return fallback;
    }
}

std::string ReadStringOr(TRegistry& reg, const char* name, const std::string& fallback) {
    if (!reg.ValueExists(name))
        return fallback;
    try {
        return reg.ReadString(name);
    } catch (const ERegistryException&) {
        return fallback;
    }
}

} // namespace

TOptionValues LoadOptionValues(const std::string& keyPath) {
    TOptionValues values;
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(keyPath, false))
        return values;
    values.keyOpened = true;
    values.CheckUpdate = ReadIntegerOr(reg, "CheckUpdate", 1) != 0;
    values.ViewStyle = ReadIntegerOr(reg, "ViewStyle", 0);
    values.Version = Trim(ReadStringOr(reg, "Version", ""));
    if (values.Version.empty())
        values.Version = kFallbackVersion;
    return values;
}

std::string FileTimeText(const FILETIME& fileTime) {
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &time))
        return std::string();
    return Format("%02u/%02u/%04u %02u:%02u:%02u", time.wMonth, time.wDay, time.wYear, time.wHour,
                  time.wMinute, time.wSecond);
}

std::string VersionLabelText(const std::string& version, const std::string& exePath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (exePath.empty() || !GetFileAttributesExA(exePath.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return "Unknowable Version";
    return "Version: " + version + ", Last Time: " + FileTimeText(data.ftLastWriteTime);
}

bool SaveOptionValues(bool checkUpdate, int viewStyle, const std::string& keyPath) {
    bool ok = true;
    if (viewStyle >= 0 && viewStyle <= 2) {
        if (WriteSettingInteger("ViewStyle", viewStyle, true, keyPath))
            Settings.ViewStyle = viewStyle;
        else
            ok = false;
    }
    if (WriteSettingInteger("CheckUpdate", checkUpdate ? 1 : 0, true, keyPath))
        Settings.CheckUpdate = checkUpdate;
    else
        ok = false;
    return ok;
}

int ReadEnableLua(const std::string& keyPath) {
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(keyPath, false) || !reg.ValueExists(kEnableLuaValue))
        return -1;
    try {
        return reg.ReadInteger(kEnableLuaValue) != 0 ? 1 : 0;
    } catch (const ERegistryException&) {
        return -1; // not a number: left alone like a missing value
    }
}

bool WriteEnableLua(bool enable, const std::string& keyPath) {
    if (ReadEnableLua(keyPath) < 0)
        return false;
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(keyPath, false))
        return false;
    try {
        reg.WriteInteger(kEnableLuaValue, enable ? 1 : 0);
    } catch (const ERegistryException&) {
        return false;
    }
    return true;
}

bool IsContextMenuRegistered() {
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    return reg.KeyExists(kFileHandlerKey) && reg.KeyExists(kFolderHandlerKey);
}

std::string ShortProgramFolder(const std::string& exePath) {
    std::string path;
    if (ExactShortPath(exePath, path) != ERROR_SUCCESS || path.size() >= MAX_PATH)
        path = exePath;
    return ExtractFileDir(path);
}

std::string ContextMenuCommand(const std::string& folder, bool registerIt) {
    // regsvr32 documents "/u"; Wine's takes nothing longer, Windows' reads only its first letter.
    return "Regsvr32.exe  " + folder + "\\" + kContextMenuDll + (registerIt ? " /s" : " /u /s");
}

bool ApplyContextMenu(bool registerIt, const std::string& folder) {
    if (registerIt) {
        DWORD attributes = GetFileAttributesA((folder + "\\" + kContextMenuDll).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
    }
    return RunWinExec(ContextMenuCommand(folder, registerIt), SW_SHOWNORMAL);
}

} // namespace ku
