// Whole-file reads and writes, line handling and short paths for the boot files, the batch
// menu and the network settings files.
#pragma once

#include <string>
#include <vector>

namespace ku {

bool ReadWholeFile(const std::string& path, std::string& bytes);
// Replaces the file; false when it cannot be written completely.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Each line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
// Lines split at LF, each keeping anything else (a CR stays with its line).
std::vector<std::string> SplitKeepingEnds(const std::string& text);
std::string JoinKeepingEnds(const std::vector<std::string>& lines);

// The short (8.3) form of an existing path, or the path itself when there is none.
std::string ShortOrLongPath(const std::string& path);

} // namespace ku
