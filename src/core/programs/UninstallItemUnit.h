// The installed-program list of the main window: one record of thirteen strings per program,
// kept in display order and sortable by name, install date or publisher.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ku {

namespace UninstallItemUnit {

// Missing values read from an Uninstall entry hold "NOT AVAILABLE".
struct TContent {
    std::string IconSource;
    std::string DisplayName;
    std::string DisplayVersion;
    std::string HelpLink;
    std::string InstallDate; // raw registry text, normally yyyymmdd
    std::string InstallLocation;
    std::string Publisher;
    std::string URLInfoAbout;
    std::string URLUpdateInfo;
    std::string ModifyPath;
    std::string SubKeyName;
    std::string UninstallString;
    std::string RegistryPath;
    // The entry's key name, its display name or a command is one the code page cannot hold:
    // the row shows a shown form, and nothing is ever run, scanned or deleted for it.
    bool Inexact = false;
    // A text the list only shows (publisher, version, a link ...) is one the code page cannot
    // hold: it is shown in its shown form and the row says so; the entry is still acted on.
    bool ShowsInexactText = false;
};

// What a row adds to its caption when its entry holds characters the code page lacks.
inline const char* const kInexactNote = " (holds characters this program cannot handle)";

// The caption of the record's row: its name, followed by the note when the entry holds a text
// the code page cannot hold (a refused entry's name carries the note already).
std::string RowCaption(const TContent& record);

} // namespace UninstallItemUnit

class TUninstallContentItem {
  public:
    UninstallItemUnit::TContent Content;
};

// Sort keys of the list: column 0 name, 1 install date, 2 publisher; direction 0 ascending.
enum : uint8_t { SortByName = 0, SortByInstallDate = 1, SortByPublisher = 2 };
enum : uint8_t { SortAscending = 0, SortDescending = 1 };

class TUninstallContents {
  public:
    // Appends an item of thirteen empty strings and returns its index.
    int Add();
    // Removes item index; false (and nothing removed) for an index outside the list.
    bool Delete(int index);
    // The item at index; an index outside 0 .. Count-1 throws std::out_of_range.
    TUninstallContentItem& GetItem(int index);
    const TUninstallContentItem& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    // Sorts whole records by plain ordinal comparison of the trimmed name, the raw install date
    // or the publisher. Equal keys never change places; another column or direction value
    // leaves the order as it is.
    void SortBy(int column, int direction);

  private:
    std::vector<TUninstallContentItem> items_;
};

// The main window's one list, and the column and direction of its last sort.
extern TUninstallContents* ProgramList;
extern uint8_t SortColumn;
extern uint8_t SortDirection;

} // namespace ku
