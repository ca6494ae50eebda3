// File version records: TAppObj reads the version resource of one program file, TFileContents
// keeps one TFilInfoeRecord per startup entry whose program file exists.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace ku {

class TAppObj {
  public:
    TAppObj() = default;

    // Reads the file's version information; a missing file or one without a version resource
    // leaves every string empty.
    void LoadVersionInfo(const std::string& fileName);
    // 0 the version text, 1 to 10 the version strings in the order of kVersionNames.
    std::string GetInfo(int index) const;

    static const int kInfoCount = 10;
    // "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
    // "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments".
    static const char* const kVersionNames[kInfoCount];

    DWORD Translation = 0;       // low word language, high word code page
    std::string TranslationText; // "%4.4x%4.4x" of language and code page, e.g. 040904b0
    std::string CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright,
        LegalTradeMarks, OriginalFilename, ProductName, ProductVersion, Comments;
    int Major = 0, Minor = 0, Release = 0, Build = 0;
    std::string FilePath; // folder part with its trailing "\"
    std::string FileName; // name part
    std::string AppTitle;
    std::string VersionText; // "%d.%d.%d.%d"; empty for a file without version information
    std::string InfoStrings[kInfoCount];
    int InfoCount = kInfoCount;

  private:
    // The trimmed value of "StringFileInfo\<translation>\<name>" while the data is read.
    std::string GetVersionString(const std::string& name) const;
    std::string* VersionField(int index);

    std::vector<BYTE> versionData_; // only while LoadVersionInfo runs
};

struct TFilInfoeRecord {
    std::string EntryType;     // "Registry", "Startup Folder", "Win.ini"
    std::string Position;      // where the entry lives (key location, folder, win.ini section)
    std::string ProductName;   // "ProductName"
    std::string PublisherName; // "CompanyName"
    std::string Version;       // "FileVersion"
    std::string Description;   // "FileDescription"
    std::string Action;        // "Delete"
    std::string EntryName;     // value, file or win.ini key name of the entry
    std::string FilePath;      // full path of the program file
};

class TFileContentItem {
  public:
    TFilInfoeRecord Record;
};

class TFileContents {
  public:
    TFileContentItem& Add();
    // Throws std::out_of_range for an index outside 0 .. Count() - 1.
    TFileContentItem& GetItem(int index);
    const TFileContentItem& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }

  private:
    std::deque<TFileContentItem> items_; // references stay valid while items are added
};

} // namespace ku
