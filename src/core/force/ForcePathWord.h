// A folder or program file as the force scans look for it in registry texts and process
// paths: its long and short (8.3) forms, matched only at path boundaries.
#pragma once

#include <string>

namespace ku {

// The short (8.3) form of an existing path; empty when the path is empty, does not exist or
// has no short form.
std::string ShortPathOf(const std::string& path);

class ForcePathWord {
public:
    ForcePathWord() = default;
    // Blanks around the path, one trailing "\" and "/" separators are dropped. A path that
    // ends in a separator names a folder either way.
    explicit ForcePathWord(const std::string& path);

    bool Usable() const { return !upper_.empty(); }
    const std::string& Upper() const { return upper_; }
    const std::string& UpperShort() const { return upperShort_; }

    // The upper-cased text names this path or something inside it: an occurrence of the long
    // or short form that ends the text or is followed by "\", a quote, a blank, "," or ";"
    // ("...\Foo" is not found in "...\FooBar\x.exe", "foo.exe" not in "foo.exe.bak").
    bool MatchesUpper(const std::string& upperText) const;
    bool Matches(const std::string& text) const;

private:
    std::string upper_;
    std::string upperShort_;
};

// The same boundary test for one upper-cased needle; an empty needle never matches.
bool ContainsPathUpper(const std::string& upperText, const std::string& upperNeedle);

} // namespace ku
