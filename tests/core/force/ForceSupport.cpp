// Test helpers of the force-mode tests.
#include "ForceSupport.h"

#include <algorithm>

namespace kutest {

OwnKey::OwnKey(HKEY root, const std::string& path, REGSAM view)
    : root_(root), path_(path), view_(view) {
    RawDeleteTree(root_, path_, view_);
    RawCreateKey(root_, path_, view_);
}

OwnKey::~OwnKey() {
    RawDeleteTree(root_, path_, view_);
}

void OwnKey::SetString(const std::string& sub, const std::string& name, const std::string& value,
                       DWORD type) const {
    RawSetString(root_, Sub(sub), name, value, view_, type);
}

void OwnKey::SetBinary(const std::string& sub, const std::string& name,
                       const std::string& bytes) const {
    RawSetValue(root_, Sub(sub), name, REG_BINARY, bytes, view_);
}

void OwnKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
    RawSetDword(root_, Sub(sub), name, value, view_);
}

std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value, const std::string& file) {
    return std::string(type) + "|" + root + "|" + key + "|" + value + "|" + file;
}

std::vector<std::string> ItemTexts(const ku::TUninstallerContents& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.Count(); ++i) {
        const ku::TContent& c = list.GetItem(i).Content;
        texts.push_back(ItemText(c.ItemType.c_str(), c.RootKeyName, c.KeyPath, c.ValueName,
                                 c.FilePath));
    }
    return texts;
}

bool HasItem(const ku::TUninstallerContents& list, const std::string& text) {
    const std::vector<std::string> texts = ItemTexts(list);
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return _stricmp(t.c_str(), text.c_str()) == 0; });
}

int CountItems(const ku::TUninstallerContents& list, const std::string& part) {
    int count = 0;
    for (const std::string& text : ItemTexts(list))
        if (text.find(part) != std::string::npos)
            ++count;
    return count;
}

std::string UniqueTag(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}

} // namespace kutest
