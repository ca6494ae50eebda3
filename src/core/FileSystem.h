// Whether a file or a folder is there: the checks every scanner and window asks.
#pragma once

#include <string>

namespace ku {

// True for an existing file, false for a folder, a missing path or an empty one.
bool FileExists(const std::string& path);
// True for an existing folder.
bool DirectoryExists(const std::string& path);

} // namespace ku
