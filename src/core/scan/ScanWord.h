// Scan words: the texts a leftover scan looks for in key paths, values and file paths.
#pragma once

#include <string>

namespace ku {

// Shorter words are not used for containment: "Foo" would be found in half the registry.
constexpr size_t kMinScanWordLength = 4;

// Upper-cases [text, text + length) into out with the ANSI upper-casing, without a system call
// per text (the table is built once from CharUpperBuffA).
void UpperInto(std::string& out, const char* text, size_t length);
// Appends the upper-cased text to out.
void AppendUpper(std::string& out, const char* text, size_t length);
inline void UpperInto(std::string& out, const std::string& text) {
    UpperInto(out, text.data(), text.size());
}

// True when the word says nothing about one program: every name in it (the runs of letters
// and digits) is a number, a single character, or one of the words never used alone (names
// of Windows' own and shared places such as "Windows", "System32", "Program Files", and
// generic words such as "Setup", "Update", "Uninstall"). "Windows", "Program Files" and
// "Microsoft Update 2" are such words; "Windows Commander" is not.
bool IsGeneralWord(const std::string& word);

// A word prepared once per scan. A hit is an occurrence that does not continue a longer name:
// where the word begins or ends with a letter or digit, the text's neighbouring character
// must not be one, so "FooApp" is found in "FooApp.exe" and "\FooApp\" but not in "FooAppBar".
// A word that is not a path ("\" or ":" in it) and IsGeneralWord is not usable.
class ScanWord {
public:
    ScanWord() = default;
    explicit ScanWord(const std::string& word);

    bool Usable() const { return !upper_.empty(); }
    const std::string& Upper() const { return upper_; }
    // upperText must already be upper case. A hit is looked for from position `from` on (the
    // characters before it still count for the whole-name rule).
    bool MatchesUpper(const std::string& upperText, size_t from = 0) const;
    bool Matches(const std::string& text) const;

private:
    std::string upper_;
    bool edgeBefore_ = false;
    bool edgeAfter_ = false;
};

bool IsNameCharacter(char c);

} // namespace ku
