// Test helpers of the force-mode and wizard tests.
#include "ForceSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

namespace kutest {

std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value, const std::string& file) {
    return std::string(type) + "|" + root + "|" + key + "|" + value + "|" + file;
}

Lines ItemTexts(const ku::TUninstallerContents& list) {
    Lines texts;
    for (int i = 0; i < list.Count(); ++i) {
        const ku::TContent& c = list.GetItem(i).Content;
        texts.push_back(ItemText(c.ItemType.c_str(), c.RootKeyName, c.KeyPath, c.ValueName,
                                 c.FilePath));
    }
    return texts;
}

bool HasItem(const ku::TUninstallerContents& list, const std::string& text) {
    const Lines texts = ItemTexts(list);
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return _stricmp(t.c_str(), text.c_str()) == 0; });
}

int CountItems(const ku::TUninstallerContents& list, const std::string& part) {
    const Lines texts = ItemTexts(list);
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.find(part) != std::string::npos;
    }));
}

std::string UniqueTag(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}

std::string MakeFolder(const ScratchDir& dir, const std::string& relative) {
    const std::string path = dir.File(relative);
    const int made = SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    EXPECT_TRUE(made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) << path;
    return path;
}

std::string PlantFile(const ScratchDir& dir, const std::string& relative) {
    const size_t slash = relative.rfind('\\');
    if (slash != std::string::npos)
        MakeFolder(dir, relative.substr(0, slash));
    const std::string path = dir.File(relative);
    EXPECT_TRUE(WriteTextFile(path, "x")) << path;
    return path;
}

} // namespace kutest
