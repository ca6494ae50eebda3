// Scan words: upper-casing without system calls per text and whole-name containment.
#include "core/ScanWord.h"

#include <windows.h>

#include "core/StrUtil.h"

namespace ku {

namespace {

struct UpperTable {
    char map[256];
    UpperTable() {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<char>(i);
        CharUpperBuffA(map + 1, 255);
    }
};

const UpperTable& Table() {
    static const UpperTable table;
    return table;
}

} // namespace

void UpperInto(std::string& out, const char* text, size_t length) {
    const char* map = Table().map;
    out.resize(length);
    for (size_t i = 0; i < length; ++i)
        out[i] = map[static_cast<unsigned char>(text[i])];
}

void AppendUpper(std::string& out, const char* text, size_t length) {
    const char* map = Table().map;
    const size_t start = out.size();
    out.resize(start + length);
    for (size_t i = 0; i < length; ++i)
        out[start + i] = map[static_cast<unsigned char>(text[i])];
}

bool IsNameCharacter(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

ScanWord::ScanWord(const std::string& word) {
    const std::string trimmed = Trim(word);
    if (trimmed.size() < kMinScanWordLength)
        return;
    UpperInto(upper_, trimmed);
    edgeBefore_ = IsNameCharacter(upper_.front());
    edgeAfter_ = IsNameCharacter(upper_.back());
}

bool ScanWord::MatchesUpper(const std::string& upperText) const {
    if (upper_.empty())
        return false;
    size_t at = upperText.find(upper_);
    while (at != std::string::npos) {
        const size_t end = at + upper_.size();
        const bool before = !edgeBefore_ || at == 0 || !IsNameCharacter(upperText[at - 1]);
        const bool after = !edgeAfter_ || end == upperText.size() || !IsNameCharacter(upperText[end]);
        if (before && after)
            return true;
        at = upperText.find(upper_, at + 1);
    }
    return false;
}

bool ScanWord::Matches(const std::string& text) const {
    std::string upper;
    UpperInto(upper, text);
    return MatchesUpper(upper);
}

} // namespace ku
