// Force-mode registry matchers: the folder rule set and the program-file rule set.
#include "core/force/ForceRegistryScan.h"

#include <algorithm>
#include <functional>

#include "core/force/WinsockCatalog.h"
#include "core/scan/RegValueList.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUpperUninstall[] = "MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL";
// Binary and other values are read as text up to their first zero byte, and only when they
// fit this buffer: the rule was made for short path blobs, not for large binary data.
constexpr size_t kBinaryTextLimit = 888;

TContent& Add(TUninstallerContents& contents, const VisitedKey& key, const std::string& keyPath,
              const char* type) {
    TContent& item = contents.GetItem(contents.AddItem()).Content;
    item.RootKeyName = RootKeyToName(key.root);
    item.KeyPath = keyPath;
    item.ItemType = type;
    item.Extra = ViewToMarker(key.view);
    return item;
}

// The value's data as the folder rule reads it; empty for numbers and oversized blobs.
std::string ForceValueText(const RegValueEntry& value) {
    if (value.type == REG_DWORD || value.type == REG_DWORD_BIG_ENDIAN || value.type == REG_QWORD)
        return std::string();
    if (IsStringValue(value))
        return ValueText(value);
    if (value.data.size() > kBinaryTextLimit)
        return std::string();
    return ValueText(value);
}

// The upper-case path without the 32-bit view's node, so "SOFTWARE\Wow6432Node\Microsoft"
// counts as Microsoft's.
std::string WithoutWowNode(const std::string& upperPath) {
    return ReplaceAll(upperPath, "WOW6432NODE\\", "");
}

// The service a SYSTEM\<control set>\Services\<name>\... path belongs to; empty otherwise.
std::string ServiceNameOf(const std::string& path, size_t* end) {
    const std::string upper = UpperCase(path);
    if (upper.compare(0, 7, "SYSTEM\\") != 0)
        return std::string();
    const size_t at = upper.find("\\SERVICES\\");
    if (at == std::string::npos)
        return std::string();
    const size_t start = at + 10;
    const size_t stop = path.find('\\', start);
    *end = stop == std::string::npos ? path.size() : stop;
    return path.substr(start, *end - start);
}

bool NamesServerFile(const std::string& valueName, const std::vector<std::string>& files) {
    return std::any_of(files.begin(), files.end(), [&](const std::string& file) {
        return ContainsText(valueName, ExtractFileName(file));
    });
}

// Whether a key holds entries of many programs (IsSharedValueKey, or a reason of the caller's),
// asked only once the key names the program: the guard's answer costs more than reading the
// key, and most keys name nothing.
class SharedKey {
public:
    SharedKey(const VisitedKey& key, bool shared) : key_(key), state_(shared ? 1 : -1) {}
    bool operator()() const {
        if (state_ < 0)
            state_ = IsSharedValueKey(key_.root, key_.path) ? 1 : 0;
        return state_ == 1;
    }

private:
    const VisitedKey& key_;
    mutable int state_; // -1 not asked yet
};

// The value hits of one key, listed when the key's values are all read: the whole key when
// every value hit and it has no subkeys, else each value on its own. Nothing in a class that
// runs another program's server.
class ValueHits {
public:
    ValueHits(const VisitedKey& key, TUninstallerContents& contents, const SharedKey& shared)
        : key_(key), contents_(contents), shared_(shared) {}

    void Hit(const std::string& name, const std::string& data) {
        for (const ValueHit& hit : hits_)
            if (hit.name == name)
                return;
        hits_.push_back({name, data});
    }

    void List(size_t valueCount, const std::function<bool(const std::string&)>& isProgram) {
        if (hits_.empty() || InOtherProgramsClass(key_, isProgram))
            return;
        KeyShape shape = ShapeOf(key_);
        shape.values = static_cast<DWORD>(valueCount);
        if (!shared_() && ValueHitsListWholeKey(hits_.size(), shape)) {
            Add(contents_, key_, key_.path, kItemRegistryKey);
            return;
        }
        for (const ValueHit& hit : hits_) {
            if (IsProtectedRegistryValue(key_.root, key_.path, hit.name))
                continue;
            TContent& item = Add(contents_, key_, key_.path, kItemRegistryValue);
            item.ValueName = hit.name;
            item.ValueData = hit.data;
        }
    }

private:
    struct ValueHit {
        std::string name, data;
    };
    const VisitedKey& key_;
    TUninstallerContents& contents_;
    const SharedKey& shared_;
    std::vector<ValueHit> hits_;
};

class ForceMatcher {
public:
    ForceMatcher(const VisitedKey& key, TUninstallerContents& contents,
                 const ForcePathWord& folder, ForceScanLists& lists)
        : key_(key), contents_(contents), folder_(folder), lists_(lists),
          upperPlain_(WithoutWowNode(key.upperPath)),
          shared_(key, upperPlain_.find("SOFTWARE\\MICROSOFT") != std::string::npos),
          hits_(key, contents, shared_) {}

    void Run() {
        if (folder_.MatchesUpper(key_.upperPath) && !shared_()) {
            Add(contents_, key_, key_.path, kItemRegistryKey);
            listed_ = true;
        }
        if (!key_.key)
            return;
        std::vector<RegValueEntry> inexact;
        const std::vector<RegValueEntry> values = ValuesOf(key_, &inexact);
        for (const RegValueEntry& value : values)
            MatchValue(value);
        for (const RegValueEntry& value : inexact)
            if (lists_.leftAlone &&
                (folder_.Matches(value.name) || folder_.Matches(ForceValueText(value))))
                NoteLeftAlone(*lists_.leftAlone,
                              RootKeyToName(key_.root) + "\\" + key_.path + "\\" + value.name);
        if (!listed_)
            hits_.List(values.size(),
                       [this](const std::string& upper) { return folder_.MatchesUpper(upper); });
    }

private:
    void MatchValue(const RegValueEntry& value) {
        const std::string data = ForceValueText(value);
        const bool dataHit = !Trim(data).empty() && folder_.Matches(data);
        if (folder_.Matches(value.name))
            hits_.Hit(value.name, dataHit ? data : "");
        if (!dataHit)
            return;
        if (key_.upperPath.find(kUpperUninstall) != std::string::npos &&
            !IsProtectedRegistryKey(key_.root, key_.path)) {
            // An entry whose data points into the folder is the program's own.
            if (!listed_)
                Add(contents_, key_, key_.path, kItemRegistryKey);
            listed_ = true;
            return;
        }
        size_t serviceEnd = 0;
        const std::string service = ServiceNameOf(key_.path, &serviceEnd);
        if (!service.empty())
            return ServiceRule(service, serviceEnd, value, data);
        if (IsProgramSoftwareKey() &&
            std::find(lists_.remnantKeyList.begin(), lists_.remnantKeyList.end(), key_.path) ==
                lists_.remnantKeyList.end())
            lists_.remnantKeyList.push_back(key_.path);
        hits_.Hit(value.name, data);
    }

    bool IsProgramSoftwareKey() const {
        return upperPlain_.find("SOFTWARE") != std::string::npos && upperPlain_.size() >= 9 &&
               upperPlain_.find("SOFTWARE\\MICROSOFT") == std::string::npos &&
               upperPlain_.find("SOFTWARE\\POLICIES") == std::string::npos &&
               upperPlain_.find("SOFTWARE\\CLASSES") == std::string::npos && !shared_();
    }

    void AddValue(const RegValueEntry& value, const std::string& data) {
        if (IsProtectedRegistryValue(key_.root, key_.path, value.name))
            return;
        TContent& item = Add(contents_, key_, key_.path, kItemRegistryValue);
        item.ValueName = value.name;
        item.ValueData = data;
    }

    void ServiceRule(const std::string& service, size_t serviceEnd, const RegValueEntry& value,
                     const std::string& data) {
        std::vector<std::string>& servers = lists_.otherServerList;
        const bool listed = std::find(servers.begin(), servers.end(), service) != servers.end();
        const bool isNew = !listed || NamesServerFile(value.name, lists_.serverFileList);
        if (SameText(service, "Eventlog") || SameText(service, "SharedAccess") ||
            SameText(service, "Tcpip")) {
            // Windows' own services: only the value that names the program goes.
            AddValue(value, data);
            return;
        }
        if (ContainsText(key_.path, "Winsock")) {
            // The catalog is repaired, not deleted, and only by the removal step.
            if (WinsockEntryNumber(key_.path) > 0 &&
                std::find(lists_.plan.winsockEntries.begin(), lists_.plan.winsockEntries.end(),
                          key_.path) == lists_.plan.winsockEntries.end())
                lists_.plan.winsockEntries.push_back(key_.path);
            if (ContainsText(key_.path, "Protocol_Catalog9"))
                lists_.plan.resetWinsock = true;
            return;
        }
        if (!isNew || IsProtectedService(service))
            return;
        servers.push_back(service);
        Add(contents_, key_, key_.path.substr(0, serviceEnd), kItemRegistryKey);
    }

    const VisitedKey& key_;
    TUninstallerContents& contents_;
    const ForcePathWord& folder_;
    ForceScanLists& lists_;
    std::string upperPlain_;
    SharedKey shared_;
    ValueHits hits_;
    bool listed_ = false;
};

// A value the code page cannot hold whose shown name or text names the program.
bool ProgramNamed(const ProgramScanWords& words, const RegValueEntry& value) {
    return words.MatchesUpper(UpperCase(value.name)) ||
           (IsStringValue(value) && words.MatchesUpper(UpperCase(ValueText(value))));
}

// One value as the program-file rule reads it, upper case: read once per key for every word.
struct UpperValue {
    const RegValueEntry* value;
    std::string name, data; // data: of a string value only
};

std::vector<UpperValue> UpperValues(const std::vector<RegValueEntry>& values) {
    std::vector<UpperValue> upper;
    upper.reserve(values.size());
    for (const RegValueEntry& value : values)
        upper.push_back({&value, UpperCase(value.name),
                         IsStringValue(value) ? UpperCase(ValueText(value)) : std::string()});
    return upper;
}

void MatchProgram(const VisitedKey& key, TUninstallerContents& contents,
                  const ProgramScanWords& words, const std::vector<UpperValue>& values,
                  const SharedKey& shared) {
    if (words.MatchesUpper(key.upperPath) && !shared()) {
        Add(contents, key, key.path, kItemRegistryKey);
        return; // the whole key goes, its values with it
    }
    ValueHits hits(key, contents, shared);
    for (const UpperValue& value : values) {
        const bool nameHit = words.MatchesUpper(value.name);
        const bool dataHit = !value.data.empty() && words.MatchesUpper(value.data);
        if (nameHit || dataHit)
            hits.Hit(value.value->name, dataHit ? ValueText(*value.value) : "");
    }
    hits.List(values.size(), [&](const std::string& upper) { return words.MatchesUpper(upper); });
}

} // namespace

void MatchRegistryKeyForce(const VisitedKey& key, TUninstallerContents& contents,
                           const ForcePathWord& folder, ForceScanLists& lists) {
    if (!folder.Usable())
        return;
    ForceMatcher(key, contents, folder, lists).Run();
}

void ScanRegistryForceWalk(TWizardState& state, HKEY root, const std::string& path,
                           IScanProgress* progress, TUninstallerContents& contents,
                           const std::string& folder, ForceRemovalPlan& plan) {
    const ForcePathWord word(folder);
    ForceScanLists lists{state.OtherServerList, state.ServerFileList, state.RemnantKeyList, plan,
                         &state.LeftAloneItems};
    RegistryWalkOptions options;
    options.matcher = [&](const VisitedKey& key) {
        if (word.Usable())
            ForceMatcher(key, contents, word, lists).Run();
    };
    options.namesProgram = [&](const std::string& upper) { return word.MatchesUpper(upper); };
    options.listed = &contents;
    WalkRegistry(state, root, path, progress, options);
}

void MatchRegistryKeyByProgram(const VisitedKey& key, TUninstallerContents& contents,
                               const ProgramScanWords& words) {
    if (!words.Usable())
        return;
    MatchProgram(key, contents, words, UpperValues(ValuesOf(key)), SharedKey(key, false));
}

void ScanRegistryByProgramWalk(TWizardState& state, HKEY root, const std::string& path,
                               IScanProgress* progress, TUninstallerContents& contents,
                               const std::string& programFile, const std::string& commandWord) {
    ScanRegistryByProgramsWalk(state, root, path, progress, contents, {programFile},
                               commandWord);
}

void ScanRegistryByProgramsWalk(TWizardState& state, HKEY root, const std::string& path,
                                IScanProgress* progress, TUninstallerContents& contents,
                                const std::vector<std::string>& programFiles,
                                const std::string& commandWord) {
    std::vector<ProgramScanWords> words;
    for (const std::string& file : programFiles)
        words.emplace_back(file, commandWord);
    std::vector<TUninstallerContents> found(words.size());
    RegistryWalkOptions options;
    options.matcher = [&](const VisitedKey& key) {
        // The values are read once per key for all program files.
        std::vector<RegValueEntry> inexact;
        const std::vector<RegValueEntry> values = ValuesOf(key, &inexact);
        const std::vector<UpperValue> upper = UpperValues(values);
        const SharedKey shared(key, false);
        for (size_t i = 0; i < words.size(); ++i)
            if (words[i].Usable())
                MatchProgram(key, found[i], words[i], upper, shared);
        for (const RegValueEntry& value : inexact)
            if (std::any_of(words.begin(), words.end(), [&](const ProgramScanWords& word) {
                    return word.Usable() && ProgramNamed(word, value);
                }))
                NoteLeftAlone(state.LeftAloneItems,
                              RootKeyToName(key.root) + "\\" + key.path + "\\" + value.name);
    };
    options.namesProgram = [&](const std::string& upper) {
        return std::any_of(words.begin(), words.end(), [&](const ProgramScanWords& word) {
            return word.Usable() && word.MatchesUpper(upper);
        });
    };
    WalkRegistry(state, root, path, progress, options);
    for (const TUninstallerContents& list : found)
        for (int i = 0; i < list.Count(); ++i)
            contents.GetItem(contents.AddItem()) = list.GetItem(i);
}

} // namespace ku
