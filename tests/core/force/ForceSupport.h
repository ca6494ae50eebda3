// Test helpers of the force-mode and wizard tests: item texts, the Installer's view, folders
// and files planted below a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "support/Sandbox.h"

namespace kutest {

using Lines = std::vector<std::string>;

// The view Windows Installer keeps its machine-wide keys in: the native one.
inline REGSAM InstallerView() { return RunningUnderWow64() ? KEY_WOW64_64KEY : 0; }

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
inline bool HasItem(const ku::TUninstallerContents& list, const std::string& text) {
    const Lines texts = ItemTexts(list);
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        return _stricmp(t.c_str(), text.c_str()) == 0;
    });
}
// Items whose text contains the part.
inline int CountItems(const ku::TUninstallerContents& list, const std::string& part) {
    const Lines texts = ItemTexts(list);
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.find(part) != std::string::npos;
    }));
}

// A unique name for fixed-place keys of one test run.
inline std::string UniqueTag(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}

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
