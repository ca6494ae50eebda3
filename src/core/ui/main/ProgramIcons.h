// The program list's icons: each distinct icon is looked up once per fill and shared by the
// rows that show it, in the data module's small and large icon lists alike.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>

#include "core/programs/IconLookup.h"

namespace ku {

class TProgramIcons {
  public:
    TProgramIcons(HIMAGELIST small, HIMAGELIST large) : small_(small), large_(large) {}

    // Empties both icon lists and forgets what was looked up.
    void Clear();
    // The index in both lists of the icon for source (an "IconSource" or uninstall command);
    // -1 when no icon could be had.
    int GetProgramIconIndex(const std::string& source);
    // How many icon files were opened since the last Clear.
    int Lookups() const { return lookups_; }

  private:
    int IndexFor(const IconChoice& choice);
    int AddIcon(HICON icon);

    HIMAGELIST small_;
    HIMAGELIST large_;
    std::map<std::string, int> sources_; // source text -> list index
    std::map<std::string, int> indexes_; // icon kind, file and number -> list index
    int lookups_ = 0;
};

} // namespace ku
