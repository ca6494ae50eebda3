// The registry walker the leftover scans share and the normal-mode key matcher.
#include "core/scan/RegistryScan.h"

#include <cstring>
#include <vector>

#include "core/scan/ProgramScope.h"
#include "core/system/ClassKeys.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kInstallerPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";
const char kUpperWowNode[] = "WOW6432NODE";

// Keys whose values are entries of many programs, in upper case, compared as path endings
// (so the 32-bit view's Wow6432Node and numbered control sets need no entries of their own).
const char* const kSharedValueKeyEnds[] = {
    "\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\APPCOMPATFLAGS\\LAYERS",
    "\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\APPCOMPATFLAGS\\COMPATIBILITY ASSISTANT\\PERSISTED",
    "\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\APPCOMPATFLAGS\\COMPATIBILITY ASSISTANT\\STORE",
    "\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINDOWS",
    "\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELL EXTENSIONS\\APPROVED",
    "\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\STARTUPAPPROVED\\RUN",
    "\\MICROSOFT\\WINDOWS\\SHELLNOROAM\\MUICACHE",
    "\\MICROSOFT\\WINDOWS\\SHELL\\MUICACHE",
    "\\SERVICES\\SHAREDACCESS\\PARAMETERS\\FIREWALLPOLICY\\STANDARDPROFILE\\AUTHORIZEDAPPLICATIONS\\LIST",
    "\\SERVICES\\SHAREDACCESS\\PARAMETERS\\FIREWALLPOLICY\\DOMAINPROFILE\\AUTHORIZEDAPPLICATIONS\\LIST",
    "\\SERVICES\\SHAREDACCESS\\PARAMETERS\\FIREWALLPOLICY\\FIREWALLRULES",
    "\\SERVICES\\TCPIP\\PARAMETERS",
    "\\CONTROL\\SESSION MANAGER",
};

bool EndsWithUpper(const std::string& text, const char* ending) {
    const size_t n = std::strlen(ending);
    return text.size() >= n && text.compare(text.size() - n, n, ending) == 0;
}

// The Wow6432Node rule "repeated": the node occurs and occurs again after itself.
bool HoldsWowNodeTwice(const std::string& upperFull) {
    const size_t first = upperFull.find(kUpperWowNode);
    return first != std::string::npos && upperFull.find(kUpperWowNode, first + 12) != std::string::npos;
}

bool StopWalk() {
    const uint8_t state = ScanState.load(std::memory_order_relaxed);
    return state == ScanSkipRegistry || state == ScanStop;
}

class Walker {
public:
    Walker(TWizardState& state, IScanProgress* progress, const RegistryWalkOptions& options,
           HKEY root)
        : state_(state), progress_(progress), options_(options), root_(root),
          view_(ScanRegistryView()), norton_(state.NortonFlag == "1") {
        if (!options.extraSkip.empty())
            UpperInto(upperSkip_, options.extraSkip);
    }

    void Walk(HKEY key, const std::string& path, const std::string& upperPath, bool listed) {
        if (listed)
            NoteInexactValues(key, path);
        // The count bounds the loop: an index that fails (the key changed under us, or a key
        // the system will not enumerate) is passed over, never retried for ever.
        DWORD subKeys = 0;
        if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        std::string name, full, upperFull;
        for (DWORD index = 0; index < subKeys; ++index) {
            if (StopWalk())
                return;
            if (progress_)
                progress_->Pump();
            // A key the code page cannot hold is passed over, never walked by a best-fit name.
            const LONG result = RegEnumKeyExact(key, index, name);
            if (result != ERROR_SUCCESS && result != kInexactName)
                continue;
            full.assign(path);
            upperFull.assign(upperPath);
            if (!path.empty()) {
                full += '\\';
                upperFull += '\\';
            }
            full.append(name);
            AppendUpper(upperFull, name.data(), name.size());
            if (result == kInexactName) {
                if (listed || (options_.namesProgram && options_.namesProgram(upperFull)))
                    Note(full);
                continue;
            }
            if (++state_.ScanKeyCounter % 200 == 0 && progress_)
                progress_->Caption(full);
            if (Skip(full, upperFull))
                continue;
            UniqueKey child;
            RegOpenKeyExA(key, name.c_str(), 0, KEY_READ | view_, child.put());
            const int before = options_.listed ? options_.listed->Count() : 0;
            options_.matcher(VisitedKey{root_, full, upperFull, child.get(), view_});
            if (child)
                Walk(child.get(), full, upperFull, listed || ListedWhole(before, full));
        }
    }

private:
    // The matcher listed the key itself whole since the list held `before` items.
    bool ListedWhole(int before, const std::string& path) const {
        if (!options_.listed)
            return false;
        for (int i = before; i < options_.listed->Count(); ++i) {
            const TContent& item = options_.listed->GetItem(i).Content;
            if (item.ItemType == kItemRegistryKey && item.KeyPath == path)
                return true;
        }
        return false;
    }

    // The values of a key listed whole whose names the code page cannot hold.
    void NoteInexactValues(HKEY key, const std::string& path) {
        std::string name;
        for (DWORD index = 0;; ++index) {
            const LONG result = RegEnumValueNameExact(key, index, name);
            if (result != ERROR_SUCCESS && result != kInexactName)
                return; // no more values, or none the system will read
            if (result == kInexactName)
                Note(path + "\\" + name);
        }
    }

    void Note(const std::string& path) {
        NoteLeftAlone(state_.LeftAloneItems, RootKeyToName(root_) + "\\" + path);
    }

    bool Skip(const std::string& full, const std::string& upperFull) const {
        if (norton_ && full.find(kUninstallPath) != std::string::npos)
            return true;
        if (full == kInstallerPath)
            return true;
        if (options_.wowRule == WowNodeRule::Any
                ? upperFull.find(kUpperWowNode) != std::string::npos
                : HoldsWowNodeTwice(upperFull))
            return true;
        return !upperSkip_.empty() && upperFull.find(upperSkip_) != std::string::npos;
    }

    TWizardState& state_;
    IScanProgress* progress_;
    const RegistryWalkOptions& options_;
    HKEY root_;
    REGSAM view_;
    bool norton_;
    std::string upperSkip_;
};

// Reusable buffers for one key's values.
struct ValueBuffers {
    std::string name;
    std::string data;
    std::string upper;
};

// One value whose name or data named the program.
struct ValueHit {
    std::string name;
    std::string data; // the data when the data hit, else empty
};

class NormalMatcher {
public:
    NormalMatcher(const VisitedKey& key, TUninstallerContents& contents,
                  const NormalScanWords& words, std::vector<std::string>* leftAlone)
        : key_(key), contents_(contents), words_(words), leftAlone_(leftAlone) {}

    void Run() {
        bool uninstallKey = false;
        const std::string entry = UninstallEntryName(key_.path, key_.upperPath, &uninstallKey);
        if (!entry.empty())
            return MatchUninstallEntry(entry);
        const bool pathHit = words_.MatchesUpper(key_.upperPath);
        const std::vector<ValueHit> hits = pathHit ? std::vector<ValueHit>() : ValueHits();
        if (!pathHit && hits.empty())
            return; // most keys: nothing named the program
        if (pathHit && NamesOtherProgram(key_.upperPath, words_.others))
            return; // a key named like another installed program is that program's
        if (pathHit && PointsIntoOtherProgram())
            return; // the other edition's settings, named like ours, lead to its folder
        const bool shared = uninstallKey || IsSharedValueKey(key_.root, key_.path);
        if (pathHit && !shared) {
            Add("", "", kItemRegistryKey); // the whole key goes, its values with it
            return;
        }
        if (pathHit)
            return MatchValuesOfSharedKey();
        if (InOtherProgramsClass(key_, [this](const std::string& upper) {
                return words_.MatchesUpper(upper);
            }))
            return;
        if (!shared && ValueHitsListWholeKey(hits.size(), ReadKeyShape(key_.key))) {
            Add("", "", kItemRegistryKey);
            return;
        }
        for (const ValueHit& hit : hits)
            if (!IsProtectedRegistryValue(key_.root, key_.path, hit.name))
                Add(hit.name, hit.data, kItemRegistryValue);
    }

private:
    // A shared key (or one named like another program) that the path named: its values
    // still count one by one.
    void MatchValuesOfSharedKey() {
        for (const ValueHit& hit : ValueHits())
            if (!IsProtectedRegistryValue(key_.root, key_.path, hit.name))
                Add(hit.name, hit.data, kItemRegistryValue);
    }

    // Another program's entry is never listed, whatever it holds: one of the same name in the
    // other view or the user's store is another edition. The program's own entry is listed
    // whole when its name or any of its values names the program.
    void MatchUninstallEntry(const std::string& entry) {
        const EntryStore store = UninstallEntryStore(key_.root, key_.path, key_.view, nullptr);
        if (!words_.own.Is(store, entry) || !IsUninstallEntryKey(key_.upperPath, entry))
            return;
        if (words_.MatchesUpper(key_.upperPath) || !ValueHits().empty())
            Add("", "", kItemRegistryKey);
    }

    std::vector<ValueHit> ValueHits() {
        std::vector<ValueHit> hits;
        if (!key_.key)
            return hits;
        const KeyShape shape = ReadKeyShape(key_.key);
        static thread_local ValueBuffers buffers;
        for (DWORD index = 0; index < shape.values; ++index) {
            DWORD type = 0;
            // A value whose name or text the code page cannot hold is left alone: its
            // best-fit form would name another program's value.
            const LONG result =
                RegEnumValueExact(key_.key, index, buffers.name, type, buffers.data);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result == ERROR_SUCCESS)
                MatchValue(buffers, type, hits);
            else if (result == kInexactName)
                NoteInexactValue(buffers, type);
        }
        return hits;
    }

    // A value left alone for its name or text: said so when its shown form names the program.
    void NoteInexactValue(ValueBuffers& buffers, DWORD type) {
        std::vector<ValueHit> standIn;
        MatchValue(buffers, type, standIn);
        if (!standIn.empty() && leftAlone_)
            NoteLeftAlone(*leftAlone_,
                          RootKeyToName(key_.root) + "\\" + key_.path + "\\" + buffers.name);
    }

    void MatchValue(ValueBuffers& buffers, DWORD type, std::vector<ValueHit>& hits) {
        UpperInto(buffers.upper, buffers.name);
        const bool nameHit = Names(buffers.upper);
        bool dataHit = false;
        std::string data;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data = buffers.data;
            UpperInto(buffers.upper, data);
            dataHit = Names(buffers.upper);
        }
        if (nameHit || dataHit)
            hits.push_back({buffers.name, dataHit ? data : ""});
    }

    // The text names the program, and not through a name of another installed program
    // ("C:\Games\Arcadia App 220\game.exe" is not the launcher Arcadia's) nor through a path
    // in another program's folder.
    bool Names(const std::string& upperText) const {
        return words_.MatchesUpper(upperText) && !NamesOtherProgram(upperText, words_.others) &&
               !(words_.otherPrograms && words_.otherPrograms->NamedInUpperText(upperText));
    }

    // A string value of the key names a path in another installed program's folder. A text
    // the code page cannot hold cannot be compared, so it counts as one: the key, which names
    // the program, is left alone and said to be.
    bool PointsIntoOtherProgram() {
        if (!key_.key || !words_.otherPrograms || words_.otherPrograms->Empty())
            return false;
        const KeyShape shape = ReadKeyShape(key_.key);
        std::string name, data, upper;
        for (DWORD index = 0; index < shape.values; ++index) {
            DWORD type = 0;
            const LONG result = RegEnumValueExact(key_.key, index, name, type, data);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result == kInexactName && (type == REG_SZ || type == REG_EXPAND_SZ)) {
                if (leftAlone_)
                    NoteLeftAlone(*leftAlone_, RootKeyToName(key_.root) + "\\" + key_.path);
                return true;
            }
            if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
                continue;
            UpperInto(upper, data.c_str(), data.size());
            if (words_.otherPrograms->NamedInUpperText(upper))
                return true;
        }
        return false;
    }

    void Add(const std::string& valueName, const std::string& valueData, const char* type) {
        TContent& item = contents_.GetItem(contents_.AddItem()).Content;
        item.RootKeyName = RootKeyToName(key_.root);
        item.KeyPath = key_.path;
        item.ValueName = valueName;
        item.ValueData = valueData;
        item.ItemType = type;
        item.Extra = ViewToMarker(key_.view);
    }

    const VisitedKey& key_;
    TUninstallerContents& contents_;
    const NormalScanWords& words_;
    std::vector<std::string>* leftAlone_;
};

} // namespace

NormalScanWords::NormalScanWords(const std::string& keyWord, const std::string& pathWord,
                                 const std::string& commandWord)
    : command(UninstallerFileWord(commandWord)), key(keyWord),
      path(IsRefusedForceFolder(pathWord) ? std::string() : pathWord),
      own{keyWord, MachineStore(ScanRegistryView())}, others(OtherProgramNames(key, keyWord)) {}

KeyShape ReadKeyShape(HKEY key) {
    KeyShape shape;
    if (!key || RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &shape.subKeys, nullptr, nullptr,
                                 &shape.values, nullptr, nullptr, nullptr,
                                 nullptr) != ERROR_SUCCESS)
        return KeyShape();
    return shape;
}

bool InOtherProgramsClass(const VisitedKey& key,
                          const std::function<bool(const std::string&)>& isProgram) {
    const ClassPlace place = FindClassPlace(key.root, key.path);
    if (place.classPath.empty())
        return false;
    const std::string server = ClassServerFile(ReadClassServer(key.root, place, key.view));
    return !server.empty() && !isProgram(UpperCase(server));
}

bool IsSharedValueKey(HKEY root, const std::string& keyPath) {
    if (IsProtectedRegistryKey(root, keyPath))
        return true;
    std::string upper;
    UpperInto(upper, keyPath);
    for (const char* ending : kSharedValueKeyEnds)
        if (EndsWithUpper(upper, ending))
            return true;
    return false;
}

void WalkRegistry(TWizardState& state, HKEY root, const std::string& path,
                  IScanProgress* progress, const RegistryWalkOptions& options) {
    Walker walker(state, progress, options, root);
    UniqueKey key;
    if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0,
                      KEY_READ | ScanRegistryView(), key.put()) != ERROR_SUCCESS)
        return;
    std::string upperPath;
    UpperInto(upperPath, path);
    walker.Walk(key.get(), path, upperPath, false);
}

void MatchRegistryKeyNormal(const VisitedKey& key, TUninstallerContents& contents,
                            const NormalScanWords& words, std::vector<std::string>* leftAlone) {
    NormalMatcher(key, contents, words, leftAlone).Run();
}

void MatchRegistryKeyNormal(HKEY root, const std::string& keyPath,
                            TUninstallerContents& contents, const std::string& keyWord,
                            const std::string& pathWord, const std::string& commandWord) {
    const NormalScanWords words(keyWord, pathWord, commandWord);
    const REGSAM view = ScanRegistryView();
    UniqueKey key;
    RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ | view, key.put());
    std::string upperPath;
    UpperInto(upperPath, keyPath);
    MatchRegistryKeyNormal(VisitedKey{root, keyPath, upperPath, key.get(), view}, contents, words);
}

void ScanRegistryNormalWalk(TWizardState& state, HKEY root, const std::string& path,
                            IScanProgress* progress, TUninstallerContents& contents,
                            const std::string& keyWord, const std::string& pathWord,
                            const std::string& commandWord) {
    NormalScanWords words(keyWord, pathWord, commandWord);
    if (!words.Usable())
        return; // nothing could match: the registry is not walked for nothing
    if (state.Own.store != EntryStore::None)
        words.own = state.Own;
    words.otherPrograms = &state.OtherPrograms;
    RegistryWalkOptions options;
    options.matcher = [&](const VisitedKey& key) {
        MatchRegistryKeyNormal(key, contents, words, &state.LeftAloneItems);
    };
    options.namesProgram = [&](const std::string& upper) {
        return words.MatchesUpper(upper) && !NamesOtherProgram(upper, words.others);
    };
    options.listed = &contents;
    WalkRegistry(state, root, path, progress, options);
}

} // namespace ku
