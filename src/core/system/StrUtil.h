// Text and path helpers shared by every scanner: upper-case containment, trimming, paths.
#pragma once

#include <string>
#include <vector>

namespace ku {

std::string UpperCase(std::string text);
std::string LowerCase(std::string text);
bool SameText(const std::string& a, const std::string& b);

// Case-insensitive containment. An empty needle never matches: a scan word that is
// empty must not select the whole registry or drive.
bool ContainsText(const std::string& haystack, const std::string& needle);
// The same test when the haystack is already upper case and the needle is too.
bool ContainsUpper(const std::string& upperHaystack, const std::string& upperNeedle);

bool StartsText(const std::string& text, const std::string& prefix);
bool EndsText(const std::string& text, const std::string& suffix);

std::string Trim(const std::string& text);
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);

std::vector<std::string> SplitString(const std::string& text, char separator);
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Paths with "\" separators, as Windows and the stored files spell them.
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path); // keeps the trailing "\"
std::string ExtractFileDir(const std::string& path);  // without the trailing "\"
std::string ExtractFileExt(const std::string& path);  // with the dot, or empty
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace ku
