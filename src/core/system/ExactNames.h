// Names read from the system in their exact ANSI form, or refused: the "A" functions hand back
// a best-fit form (Ω as O, the fullwidth ＼ as \, 测试 as ??) that names something else.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <string>
#include <vector>

namespace ku {

// The ANSI form of `length` wide characters. False when the process code page cannot hold them
// exactly: a character without a form of its own, or one whose shown form would read as a
// separator, drive colon, wildcard, quote or pipe the real name does not hold. `ansi` then
// holds a shown form with "?" for what the code page lacks: for showing, never for acting on.
bool ExactAnsi(const wchar_t* wide, size_t length, std::string& ansi);
bool ExactAnsi(const std::wstring& wide, std::string& ansi);
std::wstring WideFromAnsi(const std::string& ansi);

// FindFirstFileA and FindNextFileA that pass over every entry whose name the code page cannot
// hold: such an entry is never handed out under another name. `skipped` (may be null) counts
// the entries passed over. The handle is closed with FindClose.
HANDLE FindFirstExactFile(const std::string& pattern, WIN32_FIND_DATAA& data,
                          int* skipped = nullptr);
BOOL FindNextExactFile(HANDLE find, WIN32_FIND_DATAA& data, int* skipped = nullptr);

// Stand-ins of the entries of `folder` whose names the code page cannot hold, for saying that
// they were left alone.
std::vector<std::string> InexactNamesIn(const std::string& folder);

// The file-system path of a shell item (what SHBrowseForFolder answers): false when it has none
// or when the code page cannot hold it; `path` then holds a shown form for saying so.
bool ExactPathOfItem(const ITEMIDLIST* item, std::string& path);

// The answer of the registry reads below for a name or text the code page cannot hold.
constexpr LONG kInexactName = ERROR_NO_UNICODE_TRANSLATION;

// RegEnumKeyExA and RegEnumValueA by their wide forms: ERROR_SUCCESS with the exact name,
// kInexactName for a name the code page cannot hold, or the registry's own error.
LONG RegEnumKeyExact(HKEY key, DWORD index, std::string& name);
LONG RegEnumValueNameExact(HKEY key, DWORD index, std::string& name, DWORD* type = nullptr);

// RegEnumValueA with the value's data: a string value's `data` is its text up to the first
// zero, a string list's its strings with their zeros, any other kind's the bytes as stored.
// kInexactName when the name or the text is one the code page cannot hold. On kInexactName, name
// and data hold shown forms and `nameExact` (may be null) tells which.
LONG RegEnumValueExact(HKEY key, DWORD index, std::string& name, DWORD& type, std::string& data,
                       bool* nameExact = nullptr);

// Every subkey of an open key: its exact name, or (exact false) a shown form beside the wide
// name, by which alone it can be opened.
struct KeyName {
    std::string name;
    std::wstring wide;
    bool exact = true;
};
std::vector<KeyName> RegKeyNamesExact(HKEY key);

// A string value's text (REG_SZ, REG_EXPAND_SZ; up to the first zero): ERROR_SUCCESS with
// the exact text, kInexactName, ERROR_INVALID_DATATYPE for another kind, or the registry's
// own error.
LONG RegQueryStringExact(HKEY key, const std::string& valueName, std::string& text,
                         DWORD* type = nullptr);

// A value's kind and data by its wide form, as RegEnumValueExact gives them; ERROR_SUCCESS,
// kInexactName (a text the code page cannot hold; `data` then holds a shown form) or the
// registry's own error.
LONG RegQueryValueExact(HKEY key, const std::string& valueName, DWORD& type, std::string& data);

// Paths and texts the system answers, read by the wide functions: ERROR_SUCCESS with the exact
// text, kInexactName when the code page cannot hold it (`text` then holds a shown form, for
// saying so), or the system's own error. A folder that comes back inexact is another user's
// or program's under its best-fit name: it is left alone, never taken in that form.
LONG ExactFolderPath(int csidl, std::string& path); // SHGetFolderPath, the folder as it is now
LONG ExactEnvironmentVariable(const std::string& name, std::string& value);
LONG ExactExpandedText(const std::string& text, std::string& expanded);
LONG ExactShortPath(const std::string& path, std::string& shortPath);
LONG ExactLongPath(const std::string& path, std::string& longPath);
LONG ExactFullPath(const std::string& path, std::string& fullPath);
LONG ExactTempPath(std::string& path);
LONG ExactCurrentDirectory(std::string& path);
LONG ExactModulePath(HMODULE module, std::string& path);
LONG ExactSearchPath(const std::string& file, const std::string& extension, std::string& found);
LONG ExactWindowsDirectory(std::string& path);
LONG ExactSystemDirectory(std::string& path);
LONG ExactSystemWow64Directory(std::string& path);

} // namespace ku
