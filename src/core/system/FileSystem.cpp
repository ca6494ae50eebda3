// Whether a file or a folder is there, and its name in long form.
#include "core/system/FileSystem.h"

#include <windows.h>

namespace ku {

static DWORD Attributes(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

bool FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LongPathName(const std::string& path) {
    // Only a path with a short component ("PROGRA~1") can read differently.
    if (path.find('~') == std::string::npos)
        return path;
    char buffer[MAX_PATH * 4];
    const DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
    return length == 0 || length >= sizeof(buffer) ? path : std::string(buffer, length);
}

} // namespace ku
