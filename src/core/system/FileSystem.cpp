// Whether a file or a folder is there, and its name in long form.
#include "core/system/FileSystem.h"

#include <windows.h>

#include "core/system/ExactNames.h"

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
    // A long form the code page cannot hold would name another file: the short one stays.
    std::string longPath;
    return ExactLongPath(path, longPath) == ERROR_SUCCESS ? longPath : path;
}

} // namespace ku
