// Startup entries where they live: Run values, win.ini keys, shortcut targets, del-folder names.
#include "sysmanager/StartupStore.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

DWORD RawValueType(TRegistry& key, const std::string& name) {
    DWORD type = REG_NONE;
    // exact-text: asks for the kind only, no text
    if (RegQueryValueExA(key.CurrentKey(), name.c_str(), nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

// Opens the Run key of a backup line the way the startup manager always does: the process's
// registry view, with the other view's flag (never creating the key).
bool OpenEntryKey(TRegistry& registry, const BackupLine& line) {
    const HKEY root = StartupRootKey(line.RootName);
    if (!root)
        return false;
    registry.SetRootKey(root);
    registry.SetLazyWrite(false);
    return registry.OpenKey("\\" + line.KeyPath, false, true);
}

// Reads a profile string list or value, growing the buffer until it fits.
std::wstring ProfileText(const std::string& path, const std::string& section, const wchar_t* key) {
    const std::wstring widePath = WideFromAnsi(path), wideSection = WideFromAnsi(section);
    for (DWORD size = 1024;; size *= 4) {
        std::wstring buffer(size, L'\0');
        const DWORD length = GetPrivateProfileStringW(wideSection.c_str(), key, L"", &buffer[0],
                                                      size, widePath.c_str());
        // A list that did not fit answers size - 2, a value size - 1.
        if (length + 2 < size || size >= (1u << 24)) {
            buffer.resize(key ? length : length + 1);
            return buffer;
        }
    }
}

bool SameEntry(const BackupLine& a, const BackupLine& b) {
    return a.ValueType == b.ValueType && a.Data == b.Data;
}

} // namespace

std::string ReadRunValueText(TRegistry& key, const std::string& name, DWORD& type) {
    type = RawValueType(key, name);
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        try {
            return key.ReadString(name);
        } catch (const ERegistryException&) {
            // A text the code page cannot hold is never kept or written back in another form.
            type = REG_NONE;
            return std::string();
        }
    case REG_DWORD:
        return std::to_string(static_cast<DWORD>(key.ReadInteger(name)));
    default:
        return std::string();
    }
}

bool IsKeepableType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_DWORD;
}

bool ReadLiveEntry(const BackupLine& where, const std::string& winIniPath, BackupLine& now) {
    now = where;
    if (where.IsWinIni()) {
        // Only a key read exactly is the entry: a shown form may read like it.
        for (const WinIniKey& key : WinIniKeys(winIniPath, where.KeyPath))
            if (key.exact && SameText(key.name, where.ValueName)) {
                now.ValueType = REG_SZ;
                // A text the code page cannot hold is never kept or written back in another
                // form.
                if (!WinIniValue(winIniPath, where.KeyPath, key.wide, now.Data)) {
                    now.ValueType = REG_NONE;
                    now.Data.clear();
                }
                return true;
            }
        return false;
    }
    TRegistry registry(RegistryViewAccess());
    if (!OpenEntryKey(registry, where) || !registry.ValueExists(where.ValueName))
        return false;
    now.Data = ReadRunValueText(registry, where.ValueName, now.ValueType);
    return true;
}

WriteBackResult WriteBackEntry(const BackupLine& line, const std::string& winIniPath) {
    BackupLine now;
    if (ReadLiveEntry(line, winIniPath, now))
        return SameEntry(now, line) ? WriteBackResult::AlreadyThere : WriteBackResult::Conflict;
    if (line.IsWinIni()) {
        // Written by the wide function, which keeps a Unicode file Unicode and an ANSI file
        // ANSI; the texts of a backup line are ones the code page holds.
        if (!WritePrivateProfileStringW(
                WideFromAnsi(line.KeyPath).c_str(), WideFromAnsi(line.ValueName).c_str(),
                WideFromAnsi(line.Data).c_str(), WideFromAnsi(winIniPath).c_str()))
            return WriteBackResult::Failed;
        return ReadLiveEntry(line, winIniPath, now) ? WriteBackResult::Written
                                                    : WriteBackResult::Failed;
    }
    if (!IsKeepableType(line.ValueType))
        return WriteBackResult::Failed;
    TRegistry registry(RegistryViewAccess());
    if (!OpenEntryKey(registry, line))
        return WriteBackResult::Failed;
    LONG status;
    if (line.ValueType == REG_DWORD) {
        const DWORD number = std::strtoul(line.Data.c_str(), nullptr, 10);
        status = RegSetValueExA(registry.CurrentKey(), line.ValueName.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof(number));
    } else {
        status = RegSetValueExA(registry.CurrentKey(), line.ValueName.c_str(), 0, line.ValueType,
                                reinterpret_cast<const BYTE*>(line.Data.c_str()),
                                static_cast<DWORD>(line.Data.size() + 1));
    }
    return status == ERROR_SUCCESS ? WriteBackResult::Written : WriteBackResult::Failed;
}

bool DeleteLiveEntry(const BackupLine& line, const std::string& winIniPath) {
    if (line.IsWinIni()) {
        WritePrivateProfileStringW(WideFromAnsi(line.KeyPath).c_str(),
                                   WideFromAnsi(line.ValueName).c_str(), nullptr,
                                   WideFromAnsi(winIniPath).c_str());
        BackupLine now;
        return !ReadLiveEntry(line, winIniPath, now);
    }
    const HKEY root = StartupRootKey(line.RootName);
    return root && DeleteRegistryValue(root, line.KeyPath, line.ValueName, true);
}

std::vector<WinIniKey> WinIniKeys(const std::string& winIniPath, const std::string& section) {
    std::vector<WinIniKey> keys;
    const std::wstring list = ProfileText(winIniPath, section, nullptr);
    for (size_t start = 0; start < list.size();) {
        const size_t end = list.find(L'\0', start);
        if (end == start || end == std::wstring::npos)
            break;
        WinIniKey key;
        key.wide = list.substr(start, end - start);
        key.exact = ExactAnsi(key.wide, key.name);
        keys.push_back(std::move(key));
        start = end + 1;
    }
    return keys;
}

bool WinIniValue(const std::string& winIniPath, const std::string& section, const std::wstring& key,
                 std::string& text) {
    return ExactAnsi(ProfileText(winIniPath, section, key.c_str()), text);
}

std::string FreeDelPath(const std::string& delFolder, const std::string& fileName) {
    const std::string ext = ExtractFileExt(fileName);
    const std::string stem = fileName.substr(0, fileName.size() - ext.size());
    std::string candidate = JoinPath(delFolder, fileName);
    for (int number = 2; FileExists(candidate) || DirectoryExists(candidate); ++number)
        candidate = JoinPath(delFolder, stem + " (" + std::to_string(number) + ")" + ext);
    return candidate;
}

std::string ShortcutTarget(const std::string& path) {
    if (!SameText(ExtractFileExt(path), ".lnk"))
        return std::string();
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string target;
    // Read by its wide form: a target the code page cannot hold has no name here, and its
    // best-fit form would show another file's version as the program's.
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::wstring wide(MAX_PATH * 4, L'\0');
            const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0],
                                                   static_cast<int>(wide.size()));
            wchar_t buffer[MAX_PATH * 4] = {};
            if (length > 0 && SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(buffer, MAX_PATH * 4, nullptr, SLGP_RAWPATH)) &&
                !ExactAnsi(buffer, wcslen(buffer), target))
                target.clear();
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return target;
}

} // namespace ku
