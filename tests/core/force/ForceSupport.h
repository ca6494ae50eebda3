// Test helpers of the force-mode and wizard tests: item texts, the Installer's view, folders
// and files planted below a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "support/Sandbox.h"

namespace kutest {

using Lines = std::vector<std::string>;

// The view Windows Installer keeps its machine-wide keys in: the native one.
inline REGSAM InstallerView() { return NativeView(); }

// "type|root|key|value|file" of one item, and of every item of a list in order.
inline std::string ItemText(const char* type, const std::string& root, const std::string& key,
                            const std::string& value = "", const std::string& file = "") {
    return std::string(type) + "|" + root + "|" + key + "|" + value + "|" + file;
}
inline Lines ItemTexts(const ku::TUninstallerContents& list) {
    Lines texts;
    for (int i = 0; i < list.Count(); ++i) {
        const ku::TContent& c = list.GetItem(i).Content;
        texts.push_back(ItemText(c.ItemType.c_str(), c.RootKeyName, c.KeyPath, c.ValueName,
                                 c.FilePath));
    }
    return texts;
}
// The line is in the list, in any case.
inline bool Has(const Lines& lines, const std::string& line) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return _stricmp(l.c_str(), line.c_str()) == 0;
    });
}
inline bool HasItem(const ku::TUninstallerContents& list, const std::string& text) {
    return Has(ItemTexts(list), text);
}
// Items whose text contains the part.
inline int CountItems(const ku::TUninstallerContents& list, const std::string& part) {
    int count = 0;
    for (const std::string& text : ItemTexts(list))
        count += text.find(part) != std::string::npos;
    return count;
}

// A unique name for fixed-place keys of one test run, and a packed product code (32
// upper-case hex digits) of its own.
inline std::string UniqueTag(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}
inline std::string UniqueCode() {
    static unsigned counter = 0;
    char code[40];
    snprintf(code, sizeof code, "%08lX%08lX%08X0C0DE0AB", GetCurrentProcessId(), GetTickCount(),
             ++counter);
    return code;
}

inline std::string Env(const char* name) { return std::getenv(name) ? std::getenv(name) : ""; }

// The folder `relative` below `dir`, made with its parents; its full path.
inline std::string MakeFolder(const ScratchDir& dir, const std::string& relative) {
    const std::string path = dir.File(relative);
    const int made = SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    EXPECT_TRUE(made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) << path;
    return path;
}
// A file of one byte at `relative` below `dir`, its folders made; its full path.
inline std::string PlantFile(const ScratchDir& dir, const std::string& relative) {
    const size_t slash = relative.rfind('\\');
    if (slash != std::string::npos)
        MakeFolder(dir, relative.substr(0, slash));
    EXPECT_TRUE(WriteTextFile(dir.File(relative), "x")) << relative;
    return dir.File(relative);
}

} // namespace kutest
