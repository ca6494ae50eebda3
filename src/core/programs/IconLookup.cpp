// Icon choice for a program row.
#include "core/programs/IconLookup.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

IconChoice MsiexecIcon() {
    return IconChoice{IconChoice::ShellIcon, GetSystemDir() + "\\msiexec.exe", 0};
}

// An msiexec command with a braced product code: the product's cached files may hold its icon.
IconChoice InstallerCacheIcon(const std::string& source) {
    const size_t open = source.find('{');
    const size_t close = open == std::string::npos ? open : source.find('}', open);
    if (close == std::string::npos)
        return MsiexecIcon();
    const std::string folder =
        GetWindowsDir() + "\\Installer\\" + source.substr(open, close - open + 1);
    if (DirectoryExists(folder)) {
        const std::string file = FindIconFileInFolder(folder);
        if (!file.empty())
            return IconChoice{IconChoice::IndexedIcon, file, 0};
    }
    return MsiexecIcon();
}

} // namespace

bool IsNumericText(const std::string& text) {
    return !text.empty() && text.find_first_not_of("-0123456789") == std::string::npos;
}

int ParseIconIndex(const std::string& text) {
    const std::string number = Trim(text);
    if (!IsNumericText(number))
        return 0;
    // Text such as "-", "1-2" or "--3" is numeric by its characters but no number.
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(number.c_str(), &end, 10);
    if (errno != 0 || end == number.c_str() || *end != '\0' || value < 0 || value > 0xFFFF)
        return 0;
    return static_cast<int>(value);
}

std::string FindIconFileInFolder(const std::string& folder) {
    if (folder.empty())
        return std::string();
    const std::string base = IncludeTrailingBackslash(folder);
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstExactFile((base + "*.*"), data));
    if (!find)
        return std::string();
    std::vector<std::string> found;
    do {
        const std::string path = base + data.cFileName;
        const std::string upper = UpperCase(data.cFileName);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (upper.find(".EXE") != std::string::npos || upper.find(".ICO") != std::string::npos) &&
            FileExists(path))
            found.push_back(path);
    } while (found.size() < 2 && FindNextExactFile(find.get(), data));
    return found.size() == 1 ? found.front() : std::string();
}

IconChoice ResolveProgramIcon(const std::string& source) {
    const std::string path = CommandLineToFilePath(source);
    const std::string upperSource = UpperCase(source);
    const size_t comma = source.find(',');
    std::string iconFile = Trim(comma == std::string::npos ? source : source.substr(0, comma));
    if (iconFile.size() >= 2 && iconFile.front() == '"' && iconFile.back() == '"')
        iconFile = iconFile.substr(1, iconFile.size() - 2);
    const std::string indexText = comma == std::string::npos ? "" : source.substr(comma + 1);

    if (upperSource.find(".DLL") != std::string::npos && FileExists(iconFile))
        return IconChoice{IconChoice::IndexedIcon, path, ParseIconIndex(indexText)};
    if (FileExists(path) && UpperCase(path).find("MSIEXEC") == std::string::npos &&
        upperSource.find("RUNDLL32") == std::string::npos)
        return IconChoice{IconChoice::ShellIcon, path, 0};
    if (upperSource.find("MSIEXEC") != std::string::npos)
        return InstallerCacheIcon(source);
    return MsiexecIcon();
}

} // namespace ku
