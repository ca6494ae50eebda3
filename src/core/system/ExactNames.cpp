// Exact-or-refused reads of names and texts: each is read in its wide form and handed out only
// when its ANSI form names the same thing again.
#include "core/system/ExactNames.h"

#include <shlobj.h>

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
    bool exactData = true;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(bytes.data());
    const size_t chars = size / sizeof(wchar_t);
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        exactData = ExactAnsi(text, wcsnlen(text, chars), data);
    else if (type == REG_MULTI_SZ) // the strings with their zeros, as RegEnumValueA gives them
        exactData = ExactAnsi(text, chars, data);
    else
        data.assign(bytes.data(), size);
    return exactName && exactData ? ERROR_SUCCESS : kInexactName;
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

} // namespace ku
