// Whether a file or a folder is there: the checks every scanner and window asks; the long
// form of a path.
#pragma once

#include <string>

namespace ku {

// True for an existing file, false for a folder, a missing path or an empty one.
bool FileExists(const std::string& path);
// True for an existing folder.
bool DirectoryExists(const std::string& path);
// The long form of an existing path written with short (8.3) names; any other text as it is.
std::string LongPathName(const std::string& path);

} // namespace ku
