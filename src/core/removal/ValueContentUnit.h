// The list of one program's leftovers: registry keys, registry values and files.
#pragma once

#include <cstddef>
#include <deque>
#include <stdexcept>
#include <string>

namespace ku {

// Item types travel as one-character strings, as the wizards and removers compare them.
inline const char* const kItemRegistryKey = "1";
inline const char* const kItemRegistryValue = "2";
inline const char* const kItemFile = "3";

struct TContent {
    std::string RootKeyName;
    std::string KeyPath;
    std::string ValueName;
    std::string ValueData;
    std::string ItemType;
    std::string Extra;
    std::string FileName;
    std::string FilePath;
    std::string ComponentPath;
};

class TUninstallerContentItem {
public:
    TContent Content;
};

class TUninstallerContents {
public:
    // Appends an item of nine empty strings and returns its index.
    int AddItem();
    // The item at index; an index outside 0 .. Count-1 throws std::out_of_range.
    TUninstallerContentItem& GetItem(int index);
    const TUninstallerContentItem& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    void Delete(int index);

private:
    // A deque keeps item references valid while scanners append.
    std::deque<TUninstallerContentItem> items_;
};

} // namespace ku
