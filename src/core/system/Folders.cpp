// Well-known folders and root-key names.
#include "core/system/PublicFunctionUnit.h"

#include "core/system/ExactNames.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

struct RootName {
    HKEY key;
    const char* name;
};

const RootName kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

// The folder exactly; empty when Windows fails or the code page cannot name it (a best-fit
// name would be another folder).
std::string ExactOrEmpty(LONG (*read)(std::string&)) {
    std::string path;
    return read(path) == ERROR_SUCCESS ? path : std::string();
}

} // namespace

std::string GetWindowsDir() {
    return ExactOrEmpty(ExactWindowsDirectory);
}

std::string GetSystemDir() {
    return ExactOrEmpty(ExactSystemDirectory);
}

std::string GetWindowsFolder() { return GetWindowsDir(); }

std::string GetSystemFolder() { return GetSystemDir(); }

std::string GetProgramFilesDir() {
    std::string windows = GetWindowsDir();
    if (windows.size() < 3)
        return std::string();
    return windows.substr(0, 3) + "Program Files";
}

std::string RemoveTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path.substr(0, path.size() - 1);
    return path;
}

std::string ProgramDir() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD size = MAX_PATH * 4;
    const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
    // A folder the code page cannot name exactly has no name here: its best-fit form is
    // another folder, whose files would be read and written as our own.
    std::string path;
    if (length == 0 || length >= size || !ExactAnsi(buffer, length, path))
        return std::string();
    return ExtractFilePath(path);
}

std::string RootKeyToName(HKEY key) {
    for (const RootName& root : kRootNames)
        if (root.key == key)
            return root.name;
    return std::string();
}

HKEY NameToRootKey(const std::string& name) {
    for (const RootName& root : kRootNames)
        if (name == root.name)
            return root.key;
    return nullptr;
}

} // namespace ku
