// Exact-or-refused reads of names and texts: each is read in its wide form and handed out only
// when its ANSI form names the same thing again.
#include "core/system/ExactNames.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace ku {

namespace {

constexpr DWORD kShortKeyChars = 256;    // a key name: 255 characters and the terminator
constexpr DWORD kLongValueChars = 16384; // a value name: 16,383 characters and the terminator

bool IsPlainAscii(const wchar_t* wide, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (wide[i] >= 0x80)
            return false;
    return true;
}

// The wide form the ANSI text names again, as the "A" functions would pass it on.
std::wstring RoundTrip(UINT codePage, const std::string& ansi) {
    const int count = static_cast<int>(ansi.size());
    const int size = MultiByteToWideChar(codePage, 0, ansi.data(), count, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, ansi.data(), count, &wide[0], size);
    return wide;
}

// Everything of the entry but its names.
void CopyFindTimes(const WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA& data) {
    data.dwFileAttributes = wide.dwFileAttributes;
    data.ftCreationTime = wide.ftCreationTime;
    data.ftLastAccessTime = wide.ftLastAccessTime;
    data.ftLastWriteTime = wide.ftLastWriteTime;
    data.nFileSizeHigh = wide.nFileSizeHigh;
    data.nFileSizeLow = wide.nFileSizeLow;
    data.dwReserved0 = wide.dwReserved0;
    data.dwReserved1 = wide.dwReserved1;
}

// A plain ASCII name (nearly every one) as it stands, without a conversion; false for any
// other name, or one too long for `size`.
bool CopyPlainAscii(const wchar_t* wide, char* out, size_t size) {
    size_t i = 0;
    for (; wide[i]; ++i) {
        if (wide[i] >= 0x80 || i + 1 >= size)
            return false;
        out[i] = static_cast<char>(wide[i]);
    }
    out[i] = '\0';
    return true;
}

bool ToAnsiFindData(const WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA& data) {
    if (CopyPlainAscii(wide.cFileName, data.cFileName, MAX_PATH)) {
        // A short name the code page cannot hold is left out; the long name then stands for it.
        if (!CopyPlainAscii(wide.cAlternateFileName, data.cAlternateFileName,
                            sizeof(data.cAlternateFileName))) {
            std::string shortName;
            if (!ExactAnsi(wide.cAlternateFileName, wcslen(wide.cAlternateFileName), shortName) ||
                shortName.size() >= sizeof(data.cAlternateFileName))
                shortName.clear();
            memcpy(data.cAlternateFileName, shortName.c_str(), shortName.size() + 1);
        }
        CopyFindTimes(wide, data);
        return true;
    }
    std::string name;
    if (!ExactAnsi(wide.cFileName, wcslen(wide.cFileName), name) || name.size() >= MAX_PATH)
        return false;
    std::string shortName;
    if (!ExactAnsi(wide.cAlternateFileName, wcslen(wide.cAlternateFileName), shortName) ||
        shortName.size() >= sizeof(data.cAlternateFileName))
        shortName.clear();
    CopyFindTimes(wide, data);
    memcpy(data.cFileName, name.c_str(), name.size() + 1);
    memcpy(data.cAlternateFileName, shortName.c_str(), shortName.size() + 1);
    return true;
}

// A value's data as the "A" functions give it: a string value's text up to the first zero, a
// string list's strings with their zeros, any other kind's bytes as stored. False when a text
// is one the code page cannot hold (`data` then holds its shown form).
bool ValueData(DWORD type, const char* bytes, DWORD size, std::string& data) {
    const wchar_t* text = reinterpret_cast<const wchar_t*>(bytes);
    const size_t chars = size / sizeof(wchar_t);
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return ExactAnsi(text, wcsnlen(text, chars), data);
    if (type == REG_MULTI_SZ)
        return ExactAnsi(text, chars, data);
    data.assign(bytes, size);
    return true;
}

// The text a wide "Get...W" function writes: `call(buffer, capacity)` answers the characters
// written without the terminator, the capacity it needs when the buffer is too small, or 0 on
// failure (a text that is empty answers 0 and leaves the last error alone).
template <typename Call> LONG FromWideCall(Call call, std::string& text) {
    text.clear();
    std::wstring buffer(MAX_PATH + 1, L'\0');
    // A path is at most 32,767 characters: a call that keeps asking for more has no answer.
    while (buffer.size() <= 0x8000) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = call(&buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return GetLastError();
        if (length < buffer.size())
            return ExactAnsi(buffer.data(), length, text) ? ERROR_SUCCESS : kInexactName;
        buffer.assign(std::max<size_t>(length + 1, buffer.size() * 2), L'\0');
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

// Moves on from the entry in `wide` to the first one the code page holds exactly.
BOOL NextExact(HANDLE find, WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA& data, int* skipped) {
    while (!ToAnsiFindData(wide, data)) {
        if (skipped)
            ++*skipped;
        if (!FindNextFileW(find, &wide))
            return FALSE;
    }
    return TRUE;
}

} // namespace

bool ExactAnsi(const wchar_t* wide, size_t length, std::string& ansi) {
    ansi.clear();
    if (IsPlainAscii(wide, length)) {
        ansi.assign(wide, wide + length);
        return true;
    }
    // With UTF-8 as the process code page every character has its form; the other code pages
    // would put a best-fit shown form where they have none, unless told not to.
    const UINT codePage = GetACP();
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int count = static_cast<int>(length);
    const int size = WideCharToMultiByte(codePage, flags, wide, count, nullptr, 0, nullptr, used);
    if (size <= 0) {
        ansi.assign(length, '?');
        return false;
    }
    ansi.resize(static_cast<size_t>(size));
    WideCharToMultiByte(codePage, flags, wide, count, &ansi[0], size, nullptr, used);
    // The ANSI form must name the same thing again: a shown form that reads back as another
    // character (a backslash, a quote, a plain letter) names something else.
    return !usedDefault && RoundTrip(codePage, ansi) == std::wstring(wide, length);
}

bool ExactAnsi(const std::wstring& wide, std::string& ansi) {
    return ExactAnsi(wide.data(), wide.size(), ansi);
}

std::wstring WideFromAnsi(const std::string& ansi) { return RoundTrip(GetACP(), ansi); }

HANDLE FindFirstExactFile(const std::string& pattern, WIN32_FIND_DATAA& data, int* skipped) {
    WIN32_FIND_DATAW wide;
    HANDLE find = FindFirstFileW(WideFromAnsi(pattern).c_str(), &wide);
    if (find == INVALID_HANDLE_VALUE)
        return find;
    if (!NextExact(find, wide, data, skipped)) {
        FindClose(find);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return find;
}

BOOL FindNextExactFile(HANDLE find, WIN32_FIND_DATAA& data, int* skipped) {
    WIN32_FIND_DATAW wide;
    return FindNextFileW(find, &wide) && NextExact(find, wide, data, skipped);
}

bool ExactPathOfItem(const ITEMIDLIST* item, std::string& path) {
    wchar_t wide[MAX_PATH] = {};
    path.clear();
    return SHGetPathFromIDListW(item, wide) && ExactAnsi(wide, wcslen(wide), path);
}

std::vector<std::string> InexactNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW wide;
    HANDLE find = FindFirstFileW((WideFromAnsi(folder) + L"\\*").c_str(), &wide);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name;
        if (!ExactAnsi(wide.cFileName, wcslen(wide.cFileName), name))
            names.push_back(name);
    } while (FindNextFileW(find, &wide));
    FindClose(find);
    return names;
}

LONG RegEnumKeyExact(HKEY key, DWORD index, std::string& name) {
    wchar_t buffer[kShortKeyChars];
    DWORD length = kShortKeyChars;
    const LONG rc =
        RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    return ExactAnsi(buffer, length, name) ? ERROR_SUCCESS : kInexactName;
}

LONG RegEnumValueNameExact(HKEY key, DWORD index, std::string& name, DWORD* type) {
    wchar_t small[kShortKeyChars];
    DWORD length = kShortKeyChars;
    LONG rc = RegEnumValueW(key, index, small, &length, nullptr, type, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
        return ExactAnsi(small, length, name) ? ERROR_SUCCESS : kInexactName;
    if (rc != ERROR_MORE_DATA)
        return rc;
    std::wstring large(kLongValueChars, L'\0');
    length = kLongValueChars;
    rc = RegEnumValueW(key, index, &large[0], &length, nullptr, type, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    return ExactAnsi(large.data(), length, name) ? ERROR_SUCCESS : kInexactName;
}

LONG RegEnumValueExact(HKEY key, DWORD index, std::string& name, DWORD& type, std::string& data,
                       bool* nameExact) {
    static thread_local std::wstring wideName(kLongValueChars, L'\0');
    static thread_local std::string bytes(4096, '\0');
    DWORD nameLength = kLongValueChars;
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG rc = RegEnumValueW(key, index, &wideName[0], &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(&bytes[0]), &size);
    if (rc == ERROR_MORE_DATA) {
        bytes.assign(size + sizeof(wchar_t), '\0');
        nameLength = kLongValueChars;
        size = static_cast<DWORD>(bytes.size());
        rc = RegEnumValueW(key, index, &wideName[0], &nameLength, nullptr, &type,
                           reinterpret_cast<BYTE*>(&bytes[0]), &size);
    }
    if (rc != ERROR_SUCCESS)
        return rc;
    const bool exactName = ExactAnsi(wideName.data(), nameLength, name);
    if (nameExact)
        *nameExact = exactName;
    const bool exactData = ValueData(type, bytes.data(), size, data);
    return exactName && exactData ? ERROR_SUCCESS : kInexactName;
}

LONG RegQueryValueExact(HKEY key, const std::string& valueName, DWORD& type, std::string& data) {
    data.clear();
    const std::wstring name = WideFromAnsi(valueName);
    std::string bytes(512, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&bytes[0]), &size);
    for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 3; ++attempt) {
        bytes.assign(size + sizeof(wchar_t), '\0');
        size = static_cast<DWORD>(bytes.size());
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                              &size);
    }
    if (rc != ERROR_SUCCESS)
        return rc;
    return ValueData(type, bytes.data(), size, data) ? ERROR_SUCCESS : kInexactName;
}

std::vector<KeyName> RegKeyNamesExact(HKEY key) {
    std::vector<KeyName> names;
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    // Bounded by the count the system gave, so a key that keeps failing cannot hold the caller.
    for (DWORD index = 0; index < count; ++index) {
        wchar_t buffer[kShortKeyChars];
        DWORD length = kShortKeyChars;
        const LONG rc =
            RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        KeyName entry;
        entry.wide.assign(buffer, length);
        entry.exact = ExactAnsi(entry.wide, entry.name);
        names.push_back(std::move(entry));
    }
    return names;
}

LONG RegQueryStringExact(HKEY key, const std::string& valueName, std::string& text,
                         DWORD* type) {
    text.clear();
    const std::wstring name = WideFromAnsi(valueName);
    DWORD kind = REG_NONE;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &kind, nullptr, &size);
    for (int attempt = 0; rc == ERROR_SUCCESS && attempt < 2; ++attempt) {
        if (type)
            *type = kind;
        if (kind != REG_SZ && kind != REG_EXPAND_SZ)
            return ERROR_INVALID_DATATYPE;
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = size;
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &kind,
                              reinterpret_cast<BYTE*>(&buffer[0]), &read);
        if (rc == ERROR_MORE_DATA) { // grown since it was measured
            size = read;
            rc = ERROR_SUCCESS;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        buffer.resize(read / sizeof(wchar_t));
        // The text ends at the first zero, whatever else the value holds after it.
        const size_t zero = buffer.find(L'\0');
        if (zero != std::wstring::npos)
            buffer.resize(zero);
        return ExactAnsi(buffer, text) ? ERROR_SUCCESS : kInexactName;
    }
    return rc == ERROR_SUCCESS ? ERROR_MORE_DATA : rc;
}

LONG ExactFolderPath(int csidl, std::string& path) {
    path.clear();
    wchar_t wide[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, wide);
    if (FAILED(result))
        return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                          : ERROR_FILE_NOT_FOUND;
    return ExactAnsi(wide, wcslen(wide), path) ? ERROR_SUCCESS : kInexactName;
}

LONG ExactEnvironmentVariable(const std::string& name, std::string& value) {
    const std::wstring wideName = WideFromAnsi(name);
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) {
            return GetEnvironmentVariableW(wideName.c_str(), buffer, capacity);
        },
        value);
}

LONG ExactExpandedText(const std::string& text, std::string& expanded) {
    const std::wstring wide = WideFromAnsi(text);
    if (wide.empty() && !text.empty())
        return ERROR_NO_UNICODE_TRANSLATION;
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) -> DWORD {
            // Answers the characters with the terminator, whether they fitted or not.
            const DWORD size = ExpandEnvironmentStringsW(wide.c_str(), buffer, capacity);
            return size == 0 || size > capacity ? size : size - 1;
        },
        expanded);
}

LONG ExactShortPath(const std::string& path, std::string& shortPath) {
    const std::wstring wide = WideFromAnsi(path);
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) {
            return GetShortPathNameW(wide.c_str(), buffer, capacity);
        },
        shortPath);
}

LONG ExactLongPath(const std::string& path, std::string& longPath) {
    const std::wstring wide = WideFromAnsi(path);
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) {
            return GetLongPathNameW(wide.c_str(), buffer, capacity);
        },
        longPath);
}

LONG ExactFullPath(const std::string& path, std::string& fullPath) {
    const std::wstring wide = WideFromAnsi(path);
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) {
            return GetFullPathNameW(wide.c_str(), capacity, buffer, nullptr);
        },
        fullPath);
}

LONG ExactTempPath(std::string& path) {
    return FromWideCall(
        [](wchar_t* buffer, DWORD capacity) { return GetTempPathW(capacity, buffer); }, path);
}

LONG ExactCurrentDirectory(std::string& path) {
    return FromWideCall(
        [](wchar_t* buffer, DWORD capacity) { return GetCurrentDirectoryW(capacity, buffer); },
        path);
}

LONG ExactModulePath(HMODULE module, std::string& path) {
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) -> DWORD {
            // A path that did not fit comes back cut at the capacity.
            const DWORD length = GetModuleFileNameW(module, buffer, capacity);
            return length >= capacity ? capacity * 2 : length;
        },
        path);
}

LONG ExactSearchPath(const std::string& file, const std::string& extension, std::string& found) {
    const std::wstring wideFile = WideFromAnsi(file), wideExtension = WideFromAnsi(extension);
    return FromWideCall(
        [&](wchar_t* buffer, DWORD capacity) {
            return SearchPathW(nullptr, wideFile.c_str(),
                               wideExtension.empty() ? nullptr : wideExtension.c_str(), capacity,
                               buffer, nullptr);
        },
        found);
}

LONG ExactWindowsDirectory(std::string& path) {
    return FromWideCall(
        [](wchar_t* buffer, DWORD capacity) { return GetWindowsDirectoryW(buffer, capacity); },
        path);
}

LONG ExactSystemDirectory(std::string& path) {
    return FromWideCall(
        [](wchar_t* buffer, DWORD capacity) { return GetSystemDirectoryW(buffer, capacity); },
        path);
}

LONG ExactSystemWow64Directory(std::string& path) {
    return FromWideCall(
        [](wchar_t* buffer, DWORD capacity) { return GetSystemWow64DirectoryW(buffer, capacity); },
        path);
}

} // namespace ku
