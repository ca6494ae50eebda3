// Path words of the force scans: long and short forms, matched at path boundaries.
#include "core/force/ForcePathWord.h"

#include <windows.h>

#include "core/system/ExactNames.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool EndsPathWord(char c) {
    return c == '\\' || c == '/' || c == '"' || c == ' ' || c == ',' || c == ';' || c == '\t' ||
           c == '\0';
}

std::string Normalise(const std::string& path) {
    std::string text = Trim(path);
    for (char& c : text)
        if (c == '/')
            c = '\\';
    while (text.size() > 3 && text.back() == '\\')
        text.pop_back();
    return text;
}

} // namespace

std::string ShortPathOf(const std::string& path) {
    if (Trim(path).empty())
        return std::string();
    std::string shortPath;
    return ExactShortPath(path, shortPath) == ERROR_SUCCESS ? shortPath : std::string();
}

bool ContainsPathUpper(const std::string& upperText, const std::string& upperNeedle) {
    if (upperNeedle.empty())
        return false;
    for (size_t at = upperText.find(upperNeedle); at != std::string::npos;
         at = upperText.find(upperNeedle, at + 1)) {
        const size_t end = at + upperNeedle.size();
        if (end == upperText.size() || EndsPathWord(upperText[end]) ||
            upperNeedle.back() == '\\')
            return true;
    }
    return false;
}

ForcePathWord::ForcePathWord(const std::string& path) {
    const std::string text = Normalise(path);
    if (text.empty())
        return;
    upper_ = UpperCase(text);
    upperShort_ = UpperCase(Normalise(ShortPathOf(text)));
    if (upperShort_ == upper_)
        upperShort_.clear();
}

bool ForcePathWord::MatchesUpper(const std::string& upperText) const {
    return ContainsPathUpper(upperText, upper_) || ContainsPathUpper(upperText, upperShort_);
}

bool ForcePathWord::Matches(const std::string& text) const {
    return Usable() && MatchesUpper(UpperCase(text));
}

} // namespace ku
