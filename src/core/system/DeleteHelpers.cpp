// The guarded deleters: registry keys and values, single files and folder trees.
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"

#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/system/ClassKeys.h"
#include "core/system/DllUnit.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool OpenForDelete(TRegistry& reg, HKEY root, const std::string& path, bool useWowView) {
    reg.SetRootKey(root);
    return reg.OpenKey("\\" + path, false, useWowView);
}


bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Removes a junction or symbolic link itself; what it points to is left alone.
bool RemoveLink(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryA(path.c_str()) != FALSE;
    return DeleteFileA(path.c_str()) != FALSE;
}

// Deletes what the folder holds, then the folder; `folder` has no trailing "\". A folder
// inside that `refused` names is left with what it holds, and so is an entry that leads
// elsewhere (a link Windows cannot remove as itself: under Wine its delete reaches the target).
bool DeleteTree(const std::string& folder, bool (*refused)(const std::string&)) {
    bool ok = true;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstExactFile((folder + "\\*.*"), data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = folder + "\\" + name;
            const DWORD attributes = data.dwFileAttributes;
            if (!LeadsToItself(full))
                ok = false;
            else if (IsLink(attributes))
                ok = RemoveLink(full, attributes) && ok;
            else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = !refused(full) && DeleteTree(full, refused) && ok;
            else
                ok = DeleteFileA(full.c_str()) && ok;
        } while (FindNextExactFile(find.get(), data));
    }
    find.reset();
    return RemoveDirectoryA(folder.c_str()) != FALSE && ok;
}

bool IsRegistryLink(HKEY key) {
    DWORD type = REG_NONE;
    // exact-text: asks for the kind only, no text
    return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

// True when the key or any key below it is a registry link. Deleting through a link would
// empty and remove the key it points to, somewhere else in the registry; such a tree is left
// alone, as is one that holds a key or value name the code page cannot hold. Keys are opened as
// links, never through them.
bool HoldsRegistryLink(HKEY parent, const std::string& name, REGSAM view) {
    UniqueKey key;
    if (RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | view, key.put()) !=
        ERROR_SUCCESS)
        return false;
    if (IsRegistryLink(key.get()))
        return true;
    // A value whose name the code page cannot hold would go with the key, though the scans
    // never list it: the tree is left alone, and the key counts as not removed.
    std::string valueName;
    for (DWORD index = 0;; ++index) {
        const LONG rc = RegEnumValueNameExact(key.get(), index, valueName);
        if (rc == kInexactName)
            return true;
        if (rc != ERROR_SUCCESS)
            break;
    }
    // Bounded by the count the system gave: a key deleted meanwhile answers every index with
    // an error, and a loop that waited for "no more items" would never end.
    DWORD subKeys = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::string child;
    for (DWORD index = 0; index < subKeys; ++index) {
        LONG rc = RegEnumKeyExact(key.get(), index, child);
        if (rc == ERROR_NO_MORE_ITEMS)
            return false;
        // A key the code page cannot hold cannot be opened to be looked at: the tree is left
        // alone as if it held a link.
        if (rc == kInexactName)
            return true;
        if (rc == ERROR_SUCCESS && HoldsRegistryLink(key.get(), child, view))
            return true;
    }
    return false;
}

} // namespace

namespace {

// The delete of a key the guard has let through: never through a registry link.
bool RemoveKeyTree(HKEY root, const std::string& path, DWORD access, bool useWowView,
                   REGSAM linkView) {
    if (HoldsRegistryLink(root, path, linkView))
        return false;
    TRegistry reg(access);
    if (!OpenForDelete(reg, root, path, useWowView))
        return false;
    return reg.DeleteKey("\\" + path);
}

// One delete: access is the registry object's mask, useWowView adds the other view's flag on
// the open, linkView is the view the link check looks in.
bool DeleteKeyWith(HKEY root, const std::string& keyPath, DWORD access, bool useWowView,
                   REGSAM linkView) {
    const std::string path = CleanKeyPath(keyPath);
    if (IsProtectedRegistryKey(root, path) || IsWindowsClassesEntry(root, path, false, linkView))
        return false;
    return RemoveKeyTree(root, path, access, useWowView, linkView);
}

bool DeleteValueWith(HKEY root, const std::string& keyPath, const std::string& valueName,
                     DWORD access, bool useWowView, REGSAM classView) {
    const std::string path = CleanKeyPath(keyPath);
    if (IsProtectedRegistryValue(root, path, valueName) ||
        IsWindowsClassesEntry(root, path, true, classView))
        return false;
    TRegistry reg(access);
    if (!OpenForDelete(reg, root, path, useWowView))
        return false;
    return reg.DeleteValue(valueName);
}

REGSAM NamedView(REGSAM view) { return view & (KEY_WOW64_64KEY | KEY_WOW64_32KEY); }

} // namespace

bool DeleteRegistryKey(HKEY root, const std::string& keyPath, bool useWowView) {
    const DWORD access = RegistryViewAccess();
    return DeleteKeyWith(root, keyPath, access, useWowView,
                         useWowView ? GetWow64AccessFlag() : NamedView(access));
}

bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                         bool useWowView) {
    const DWORD access = RegistryViewAccess();
    return DeleteValueWith(root, keyPath, valueName, access, useWowView,
                           useWowView ? GetWow64AccessFlag() : NamedView(access));
}

bool DeleteRegistryKeyInView(HKEY root, const std::string& keyPath, REGSAM view) {
    if (!NamedView(view))
        return DeleteRegistryKey(root, keyPath, true);
    return DeleteKeyWith(root, keyPath, kKeyAllAccess | NamedView(view), false, NamedView(view));
}

bool DeleteRegistryValueInView(HKEY root, const std::string& keyPath,
                               const std::string& valueName, REGSAM view) {
    if (!NamedView(view))
        return DeleteRegistryValue(root, keyPath, valueName, true);
    return DeleteValueWith(root, keyPath, valueName, kKeyAllAccess | NamedView(view), false,
                           NamedView(view));
}

bool DeleteNetworkAdapterKey(const std::string& instance, const std::string& componentWord,
                             REGSAM view) {
    const std::string word = Trim(componentWord);
    if (instance.size() != 4 || instance.find_first_not_of("0123456789") != std::string::npos ||
        word.empty())
        return false;
    const std::string path =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\" +
        instance;
    const REGSAM named = NamedView(view) ? NamedView(view) : GetWow64AccessFlag();
    TRegistry reg(KEY_READ | named);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    std::string component;
    try {
        if (!reg.OpenKey("\\" + path, false, false))
            return false;
        component = reg.ReadString("ComponentId");
    } catch (const std::exception&) {
        return false;
    }
    reg.CloseKey();
    if (!ContainsText(component, word))
        return false;
    return RemoveKeyTree(HKEY_LOCAL_MACHINE, path, kKeyAllAccess | named, false, named);
}

namespace {

// The file delete once the guard has said yes.
bool DeleteCheckedFile(const std::string& canonical) {
    const DWORD attributes = GetFileAttributesA(canonical.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !LeadsToItself(canonical))
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

} // namespace

bool DeleteSingleFile(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedFile(canonical))
        return false;
    return DeleteCheckedFile(canonical);
}

bool DeleteFileAtRestart(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedFile(canonical) || !LeadsToItself(canonical))
        return false;
    return MoveFileExA(canonical.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool RecyclePath(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(canonical.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                        (attributes & FILE_ATTRIBUTE_DIRECTORY);
    // A link that leads elsewhere would be moved, under Wine, as what it points to.
    if ((folder ? IsProtectedPath(canonical) : IsProtectedFile(canonical)) ||
        !LeadsToItself(canonical))
        return false;
    std::string from = canonical;
    from.push_back('\0'); // the list ends with two zeros; c_str() gives the second
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationA(&operation) == 0;
}

bool DeleteDirectoryTree(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedPath(canonical))
        return false;
    const DWORD attributes = GetFileAttributesA(canonical.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !LeadsToItself(canonical))
        return false;
    if (IsLink(attributes))
        return RemoveLink(canonical, attributes);
    DeleteTree(canonical, IsProtectedPath);
    return !Exists(canonical);
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ' ||
        name.find_first_not_of(". ") == std::string::npos)
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c))
            return false;
    // Windows reads "NUL.txt" and "com1 .log" as the device itself.
    std::string device = UpperCase(name.substr(0, name.find('.')));
    while (!device.empty() && device.back() == ' ')
        device.pop_back();
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (device == reserved)
            return false;
    return !(device.size() == 4 && (device.compare(0, 3, "COM") == 0 ||
                                    device.compare(0, 3, "LPT") == 0) &&
             device[3] >= '1' && device[3] <= '9');
}

bool PathClimbs(const std::string& path) {
    std::string text = path;
    for (char& c : text)
        if (c == '/')
            c = '\\';
    for (const std::string& part : SplitString(text, '\\'))
        if (!part.empty() && part.find_first_not_of(". ") == std::string::npos &&
            part.find('.') != std::string::npos)
            return true;
    return false;
}

namespace {

// The file a named system file stands for, each folder on its way checked: empty when a part
// is no plain name, a part is missing or a link (with or without the reparse attribute), or
// the file is a folder.
std::string NamedSystemFilePath(const std::string& folder, const std::string& name) {
    const std::string base = CanonicalDeletePath(folder);
    if (base.empty() || !IsBelowWindowsFolder(base))
        return std::string();
    const std::vector<std::string> parts = SplitString(Trim(name), '\\');
    std::string path = base;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!IsPlainFileName(parts[i]))
            return std::string();
        path += "\\" + parts[i];
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const bool last = i + 1 == parts.size();
        if (attributes == INVALID_FILE_ATTRIBUTES || IsLink(attributes) ||
            ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == last || !LeadsToItself(path))
            return std::string();
    }
    return IsBelowWindowsFolder(path) ? path : std::string();
}

} // namespace

bool DeleteNamedSystemFile(const std::string& folder, const std::string& name) {
    const std::string path = NamedSystemFilePath(folder, name);
    return !path.empty() && DeleteCheckedFile(path);
}

namespace {

// The numbered libraries of the DirectX redistributable, family by family: the first and the
// last number it ever shipped. Later members (xinput1_4, xaudio2_8, d3dcompiler_47 ...) come
// with Windows itself and are none of its.
struct RedistributableFamily {
    const char* prefix;
    int first, last;
};
const RedistributableFamily kRedistributableFamilies[] = {
    {"D3DX9_", 24, 43}, {"D3DX10_", 33, 43},  {"D3DX11_", 42, 43},     {"D3DCOMPILER_", 33, 43},
    {"XINPUT1_", 1, 3}, {"X3DAUDIO1_", 0, 7}, {"XACTENGINE2_", 0, 10}, {"XACTENGINE3_", 0, 7},
    {"XAUDIO2_", 0, 7}, {"XAPOFX1_", 0, 5},
};

// The member's number as written: digits alone, no leading zero; -1 for anything else.
int MemberNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of("0123456789") != std::string::npos ||
        (digits.size() > 1 && digits[0] == '0'))
        return -1;
    return std::atoi(digits.c_str());
}

} // namespace

bool IsRedistributableFileName(const std::string& name) {
    const std::string upper = UpperCase(name);
    if (upper == "DIRECTX.LOG")
        return true;
    if (!EndsText(upper, ".DLL"))
        return false;
    const std::string stem = upper.substr(0, upper.size() - 4);
    for (const RedistributableFamily& family : kRedistributableFamilies) {
        const size_t start = std::strlen(family.prefix);
        if (stem.compare(0, start, family.prefix) != 0)
            continue;
        const int number = MemberNumber(stem.substr(start));
        if (number >= family.first && number <= family.last)
            return true;
    }
    return false;
}

bool DeleteRedistributableFile(const std::string& folder, const std::string& name) {
    const std::vector<std::string> parts = SplitString(Trim(name), '\\');
    if (parts.empty() || parts.size() > 2 || !IsRedistributableFileName(parts.back()))
        return false;
    return DeleteNamedSystemFile(folder, name);
}

std::string NamedWindowsFolder(const std::string& name) {
    const std::string windows = CanonicalDeletePath(GetWindowsDir());
    if (windows.empty() || !IsPlainFileName(name))
        return std::string();
    const std::string path = CanonicalDeletePath(windows + "\\" + name);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (!SameText(ExtractFileDir(path), windows) || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLink(attributes) || !LeadsToItself(path) ||
        HoldsProtectedFolder(path))
        return std::string();
    return path;
}

bool DeleteNamedWindowsFolder(const std::string& name) {
    const std::string path = NamedWindowsFolder(name);
    if (path.empty())
        return false;
    DeleteTree(path, HoldsProtectedFolder);
    return !Exists(path);
}

} // namespace ku
