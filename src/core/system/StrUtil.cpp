// Text and path helpers shared by every scanner.
#include "core/system/StrUtil.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace ku {

std::string UpperCase(std::string text) {
    // CharUpperBuffA follows the ANSI code page, as the stored names do.
    if (!text.empty())
        CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string LowerCase(std::string text) {
    if (!text.empty())
        CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

bool ContainsUpper(const std::string& upperHaystack, const std::string& upperNeedle) {
    if (upperNeedle.empty())
        return false;
    return upperHaystack.find(upperNeedle) != std::string::npos;
}

bool ContainsText(const std::string& haystack, const std::string& needle) {
    if (needle.empty())
        return false;
    return ContainsUpper(UpperCase(haystack), UpperCase(needle));
}

bool StartsText(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           SameText(text.substr(text.size() - suffix.size()), suffix);
}

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TrimLeft(const std::string& text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return text.substr(start);
}

std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string Trim(const std::string& text) { return TrimLeft(TrimRight(text)); }

std::vector<std::string> SplitString(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(separator, start);
        if (pos == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty())
        return text;
    for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
        text.replace(pos, from.size(), to);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&result[0], result.size(), format, args);
        result.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return result;
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string IncludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && IsSeparator(path.back()))
        return path;
    return path + "\\";
}

std::string ExcludeTrailingBackslash(const std::string& path) {
    std::string result = path;
    while (!result.empty() && IsSeparator(result.back()))
        result.pop_back();
    return result;
}

static size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/:");
}

std::string ExtractFileName(const std::string& path) {
    size_t pos = LastSeparator(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t pos = LastSeparator(path);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileDir(const std::string& path) {
    size_t pos = LastSeparator(path);
    if (pos == std::string::npos)
        return std::string();
    // Keep "C:\" whole: the folder of "C:\x" is the root, not "C:".
    if (pos > 0 && IsSeparator(path[pos]) && path[pos - 1] != ':')
        return path.substr(0, pos);
    return path.substr(0, pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
    std::string name = ExtractFileName(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    std::string name = ExtractFileName(path);
    size_t dot = name.rfind('.');
    std::string base = path.substr(0, path.size() - name.size());
    return base + (dot == std::string::npos ? name : name.substr(0, dot)) + ext;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return IncludeTrailingBackslash(folder) + name;
}

} // namespace ku
