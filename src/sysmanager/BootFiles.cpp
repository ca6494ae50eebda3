// File and line helpers of the boot entry.
#include "sysmanager/BootFiles.h"

#include <windows.h>

#include "core/force/ForcePathWord.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"

namespace ku {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    bytes.clear();
    char block[8192];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0)
        bytes.append(block, read);
    return true;
}

namespace {

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                      nullptr) &&
            written == bytes.size());
}

} // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    // Written beside it first: a boot.ini cut short by a full disk would stop Windows starting.
    const std::string next = path + ".kunew";
    if (WriteNewFile(next, bytes) &&
        MoveFileExA(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetFileAttributesA(next.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteSingleFile(next);
    return false;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> SplitKeepingEnds(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

std::string JoinKeepingEnds(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

std::string ShortOrLongPath(const std::string& path) {
    const std::string shortPath = ShortPathOf(path);
    return shortPath.empty() ? path : shortPath;
}

} // namespace ku
