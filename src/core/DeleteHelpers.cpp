// The guarded deleters: registry keys and values, single files and folder trees.
#include "core/DeleteHelpers.h"

#include "core/DllUnit.h"
#include "core/Handles.h"
#include "core/Reg32vs64.h"
#include "core/StrUtil.h"

namespace ku {

namespace {

bool OpenForDelete(TRegistry& reg, HKEY root, const std::string& path) {
    reg.SetRootKey(root);
    return reg.OpenKey("\\" + path, false, true);
}

// A registry object for one view; view 0 keeps the process-wide rule.
DWORD DeleteAccess(REGSAM view) {
    view &= KEY_WOW64_64KEY | KEY_WOW64_32KEY;
    return view ? (kKeyAllAccess | view) : RegistryViewAccess();
}

bool OpenForDelete(TRegistry& reg, HKEY root, const std::string& path, REGSAM view) {
    if (!(view & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)))
        return OpenForDelete(reg, root, path);
    reg.SetRootKey(root);
    return reg.OpenKey("\\" + path, false, false);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Removes a junction or symbolic link itself; what it points to is left alone.
bool RemoveLink(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryA(path.c_str()) != FALSE;
    return DeleteFileA(path.c_str()) != FALSE;
}

// Deletes what the folder holds, then the folder; `folder` has no trailing "\".
bool DeleteTree(const std::string& folder) {
    bool ok = true;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = folder + "\\" + name;
            const DWORD attributes = data.dwFileAttributes;
            if (IsLink(attributes))
                ok = RemoveLink(full, attributes) && ok;
            else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = !IsProtectedPath(full) && DeleteTree(full) && ok;
            else
                ok = DeleteFileA(full.c_str()) && ok;
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    return RemoveDirectoryA(folder.c_str()) != FALSE && ok;
}

} // namespace

bool DeleteRegistryKey(HKEY root, const std::string& keyPath) {
    return DeleteRegistryKeyInView(root, keyPath, 0);
}

bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    return DeleteRegistryValueInView(root, keyPath, valueName, 0);
}

bool DeleteRegistryKeyInView(HKEY root, const std::string& keyPath, REGSAM view) {
    const std::string path = CleanKeyPath(keyPath);
    if (IsProtectedRegistryKey(root, path))
        return false;
    TRegistry reg(DeleteAccess(view));
    if (!OpenForDelete(reg, root, path, view))
        return false;
    return reg.DeleteKey("\\" + path);
}

bool DeleteRegistryValueInView(HKEY root, const std::string& keyPath,
                               const std::string& valueName, REGSAM view) {
    const std::string path = CleanKeyPath(keyPath);
    if (IsProtectedRegistryValue(root, path, valueName))
        return false;
    TRegistry reg(DeleteAccess(view));
    if (!OpenForDelete(reg, root, path, view))
        return false;
    return reg.DeleteValue(valueName);
}

bool DeleteSingleFile(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedPath(canonical))
        return false;
    const DWORD attributes = GetFileAttributesA(canonical.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (IsLink(attributes))
        return RemoveLink(canonical, attributes);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    if (DeleteFileA(canonical.c_str()))
        return true;
    DllDeleteFile(canonical);
    return !Exists(canonical);
}

bool DeleteDirectoryTree(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedPath(canonical))
        return false;
    const DWORD attributes = GetFileAttributesA(canonical.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (IsLink(attributes))
        return RemoveLink(canonical, attributes);
    DeleteTree(canonical);
    return !Exists(canonical);
}

} // namespace ku
