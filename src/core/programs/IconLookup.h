// Which file and icon number stand for an installed program, worked out from its "DisplayIcon"
// or uninstall command text. Third-party text: nothing here throws on odd input.
#pragma once

#include <string>

namespace ku {

struct IconChoice {
    enum Kind {
        IndexedIcon, // icon number `index` of `file` (ExtractIconA)
        ShellIcon,   // the file's shell icon (SHGetFileInfoA)
    };
    Kind kind = ShellIcon;
    std::string file;
    int index = 0;
};

// True when text is not empty and every character is one of "-0123456789".
bool IsNumericText(const std::string& text);

// The icon number of an icon reference's text after the comma: the number when the text is
// numeric and fits, else 0; a negative number gives 0.
int ParseIconIndex(const std::string& text);

// The one program or icon file of folder ("*.exe" or "*.ico" in its name), or empty when there
// is none or more than one.
std::string FindIconFileInFolder(const std::string& folder);

// The icon a list row shows for source (an "IconSource" or uninstall command).
IconChoice ResolveProgramIcon(const std::string& source);

} // namespace ku
