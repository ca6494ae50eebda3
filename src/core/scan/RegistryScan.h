// Registry leftover scans of the uninstall wizard: one depth-first walker that the scans share,
// and the matcher of the normal mode.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/removal/WizardState.h"
#include "core/scan/RegValueList.h"
#include "core/scan/ScanWord.h"

namespace ku {

struct KeyShape;

// One key as the walker hands it to a matcher: path below the root, its upper-case form and
// the key opened for reading in `view`. `shape` is what the walker read of the key's counts
// (null: not read), so that a matcher need not ask the registry again.
struct VisitedKey {
    HKEY root;
    const std::string& path;
    const std::string& upperPath;
    HKEY key;
    REGSAM view;
    const KeyShape* shape = nullptr;
};
using KeyMatcher = std::function<void(const VisitedKey&)>;

enum class WowNodeRule {
    Repeated, // skip paths that hold "Wow6432Node" twice
    Any,      // skip every path that holds it
};

struct RegistryWalkOptions {
    KeyMatcher matcher;
    WowNodeRule wowRule = WowNodeRule::Repeated;
    std::string extraSkip; // paths containing this text (any case) are skipped; empty: none
    // Keys and values the code page cannot hold are never walked or listed. One is said to be
    // left alone (the state's LeftAloneItems) when the shown form of its path names the program by this
    // test of upper-case text, or when it lies below a key the matcher listed whole in `listed`
    // (the key's delete leaves it).
    std::function<bool(const std::string&)> namesProgram;
    const TUninstallerContents* listed = nullptr;
};

// Walks Root\Path depth-first in enumeration order, matching a key before its subkeys, until
// ScanState is ScanSkipRegistry. Keys that cannot be opened are passed over.
void WalkRegistry(TWizardState& state, HKEY root, const std::string& path,
                  IScanProgress* progress, const RegistryWalkOptions& options);

// The three words of the normal mode, tested in this order: the uninstaller's own file (taken
// from its command line), the program's key name, the folder box. A general key name, a
// command file of Windows and a folder the force mode refuses are not used. The key name is
// also the name of the program's own Uninstall entry; `others` holds the names of the other
// installed programs the key word is found in.
struct NormalScanWords {
    ScanWord command, key, path;
    // The program's own entry: the key name in the machine store of the scan view, unless the
    // wizard's state names it.
    OwnEntry own;
    std::vector<std::string> others;
    // The other installed programs' folders: a key or value that points into one is theirs.
    const OtherInstalledPrograms* otherPrograms = nullptr;
    NormalScanWords(const std::string& keyWord, const std::string& pathWord,
                    const std::string& commandWord);
    bool Usable() const { return command.Usable() || key.Usable() || path.Usable(); }
    bool MatchesUpper(const std::string& upperText) const {
        return command.MatchesUpper(upperText) || key.MatchesUpper(upperText) ||
               path.MatchesUpper(upperText);
    }
};

void ScanRegistryNormalWalk(TWizardState& state, HKEY root, const std::string& path,
                            IScanProgress* progress, TUninstallerContents& contents,
                            const std::string& keyWord, const std::string& pathWord,
                            const std::string& commandWord);

// Tests one key and its values and appends what matched. A value the code page cannot hold
// whose shown form names the program goes to `leftAlone` (may be null) instead.
void MatchRegistryKeyNormal(const VisitedKey& key, TUninstallerContents& contents,
                            const NormalScanWords& words,
                            std::vector<std::string>* leftAlone = nullptr);
// The same for a key given by its path (opened here in the scan view).
void MatchRegistryKeyNormal(HKEY root, const std::string& keyPath,
                            TUninstallerContents& contents, const std::string& keyWord,
                            const std::string& pathWord, const std::string& commandWord);

// Keys whose values belong to many programs (Run, SharedDLLs, firewall lists ...): a hit on
// one of their values lists that value, never the key.
bool IsSharedValueKey(HKEY root, const std::string& keyPath);

// The counts that decide between listing a key whole and listing its values.
struct KeyShape {
    DWORD subKeys = 0;
    DWORD values = 0;
};
KeyShape ReadKeyShape(HKEY key);
// The visited key's counts: the walker's, or read now.
KeyShape ShapeOf(const VisitedKey& key);
// The visited key's values (ReadValues), by the count the walker read when it has one.
std::vector<RegValueEntry> ValuesOf(const VisitedKey& key,
                                    std::vector<RegValueEntry>* inexact = nullptr);
// Hits in values list the whole key only when every value of the key hit and it has no
// subkeys (App Paths\foo.exe holding only the program's paths); otherwise each value that hit
// is listed on its own, so a key that others share keeps their values.
inline bool ValueHitsListWholeKey(size_t valuesHit, const KeyShape& shape) {
    return shape.values > 0 && valuesHit >= shape.values && shape.subKeys == 0;
}

// True when the key lies in a file, protocol or COM class that runs a server file which is
// not the program's: isProgram is asked with the upper-case path of that file. Hits in the
// values of such a class are not the program's (txtfile's open command naming notepad.exe,
// another viewer's command that loads the program's plug-in).
bool InOtherProgramsClass(const VisitedKey& key,
                          const std::function<bool(const std::string&)>& isProgram);

} // namespace ku
