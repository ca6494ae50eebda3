// Windows Installer, COM class and SOFTWARE-key scans.
#include "core/force/InstallerScans.h"
#include "core/system/FileSystem.h"

#include <algorithm>

#include "core/scan/LeftoverEngine.h"
#include "core/scan/RegValueList.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool Skipped() {
    return ScanState.load() == ScanSkipRegistry;
}

void Pump(IScanProgress* progress) {
    if (progress)
        progress->Pump();
}

void Caption(IScanProgress* progress, const std::string& text) {
    if (progress)
        progress->Caption(text);
}

void Counted(TWizardState& state, IScanProgress* progress, const std::string& text) {
    if (++state.ScanKeyCounter % 200 == 0)
        Caption(progress, text);
}

TContent& Add(TUninstallerContents& contents, HKEY root, const std::string& keyPath,
              const char* type) {
    return AddScanItem(contents, RootKeyToName(root), keyPath, type);
}

// The Installer's own keys are read and listed in the native view.
TContent& AddInstaller(TUninstallerContents& contents, HKEY root, const std::string& keyPath,
                       const char* type) {
    return AddInstallerItem(contents, RootKeyToName(root), keyPath, type);
}

bool InList(const std::vector<std::string>& upperList, const std::string& text) {
    return std::find(upperList.begin(), upperList.end(), UpperCase(Trim(text))) != upperList.end();
}

// The component registrations of one product code (normal and special mode).
void ScanComponentsOfCode(TWizardState& state, const std::string& code,
                          TUninstallerContents& contents, IScanProgress* progress) {
    UniqueKey components;
    if (code.empty() ||
        !OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, components.put()))
        return;
    for (const std::string& component : ReadSubkeyNames(components.get())) {
        if (Skipped())
            return;
        Pump(progress);
        const std::string path = std::string(kInstallerComponentsPath) + "\\" + component;
        Caption(progress, path);
        UniqueKey key;
        if (!OpenInstallerKey(components.get(), component, key.put()))
            continue;
        std::vector<RegValueEntry> inexact;
        const std::vector<RegValueEntry> values = ReadValues(key.get(), &inexact);
        // Another product on the component keeps its key and file, also one whose path the
        // code page cannot hold.
        const auto another = [&](const RegValueEntry& v) {
            return !v.name.empty() && v.name != code;
        };
        const bool shared = std::any_of(values.begin(), values.end(), another) ||
                            std::any_of(inexact.begin(), inexact.end(), another);
        for (const RegValueEntry& value : values)
            if (value.name == code)
                AddComponentItem(contents, path, code, ValueText(value), shared);
        // The product's own file by a path the code page cannot hold is never taken: said so.
        for (const RegValueEntry& value : inexact)
            if (value.name == code)
                NoteLeftAlone(state.LeftAloneItems,
                              "HKEY_LOCAL_MACHINE\\" + path + "\\" + value.name);
    }
}

void WalkHivesForCode(TWizardState& state, const std::string& code, TUninstallerContents& contents,
                      IScanProgress* progress) {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        ScanRegistryInstallerWalk(state, root, "", progress, contents, code);
}

// The folder word of these scans: long and short form at path boundaries, after the
// Installer's "C?\" repair.
bool PathMatchesFolder(const ForcePathWord& folder, const std::string& path) {
    return folder.Matches(RepairInstallerPath(path));
}

std::vector<std::string> ProductsOfFolder(TWizardState& state, const ForcePathWord& folder,
                                          IScanProgress* progress) {
    std::vector<std::string> codes;
    UniqueKey products;
    if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerProductsPath, products.put()))
        return codes;
    for (const std::string& code : ReadSubkeyNames(products.get())) {
        if (Skipped())
            break;
        Pump(progress);
        const std::string path = std::string(kInstallerProductsPath) + "\\" + code;
        Counted(state, progress, path);
        UniqueKey properties;
        if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, path + "\\InstallProperties", properties.put()))
            continue;
        std::string location;
        const LONG read = RegQueryStringExact(properties.get(), "InstallLocation", location);
        if (Trim(location).empty() || !PathMatchesFolder(folder, location))
            continue;
        // A product in the folder by the shown form of a location the code page cannot hold
        // may be another's: it is never taken, and said to be left alone.
        if (read == kInexactName)
            NoteLeftAlone(state.LeftAloneItems, "HKEY_LOCAL_MACHINE\\" + path);
        else if (read == ERROR_SUCCESS && !InList(codes, code))
            codes.push_back(UpperCase(Trim(code)));
    }
    return codes;
}

void AddProductKeys(TUninstallerContents& contents, const std::string& code) {
    AddInstaller(contents, HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code,
                 kItemRegistryKey);
    AddInstaller(contents, HKEY_CLASSES_ROOT, "Installer\\Features\\" + code, kItemRegistryKey);
    AddInstaller(contents, HKEY_CLASSES_ROOT, "Installer\\Products\\" + code, kItemRegistryKey);
    AddInstaller(contents, HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Installer\\Features\\" + code,
                 kItemRegistryKey);
    AddInstaller(contents, HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Installer\\Products\\" + code,
                 kItemRegistryKey);
}

// One component of the force scan: opened once, all its values read at once.
void ScanForceComponent(TWizardState& state, HKEY key, const std::string& path,
                        const std::vector<std::string>& codes, const ForcePathWord& folder,
                        TUninstallerContents& contents, bool serverPass, ForceRemovalPlan& plan) {
    std::vector<RegValueEntry> inexact;
    const std::vector<RegValueEntry> values = ReadValues(key, &inexact);
    // Another product on the same component keeps its key and its file, also one whose path
    // the code page cannot hold.
    const auto another = [&](const RegValueEntry& v) {
        return !Trim(v.name).empty() && !InList(codes, v.name);
    };
    const bool shared = std::any_of(values.begin(), values.end(), another) ||
                        std::any_of(inexact.begin(), inexact.end(), another);
    // The product's own file by a path the code page cannot hold is never taken: said so.
    for (const RegValueEntry& value : inexact)
        if (!serverPass && (InList(codes, value.name) ||
                            PathMatchesFolder(folder, UpperCase(ValueText(value)))))
            NoteLeftAlone(state.LeftAloneItems, "HKEY_LOCAL_MACHINE\\" + path + "\\" + value.name);
    bool matched = false;
    for (const RegValueEntry& value : values) {
        std::string data = UpperCase(RepairInstallerPath(ValueText(value)));
        if (!data.empty() && data.back() == '\\')
            data.pop_back();
        if (InList(codes, value.name)) {
            matched = true;
            if (shared) {
                if (!serverPass)
                    AddInstaller(contents, HKEY_LOCAL_MACHINE, path, kItemRegistryValue).ValueName =
                        value.name;
            } else if (FileExists(data) && !IsBelowWindowsFolder(data) &&
                       data.find('.') != std::string::npos) {
                if (serverPass) {
                    state.ServerFileList.push_back(data);
                    ScanServerProgram(data, contents, state.ProcessModuleList, plan,
                                      &state.LeftAloneItems);
                } else if (!IsProtectedFile(data)) {
                    TContent& item = AddInstaller(contents, HKEY_LOCAL_MACHINE, path, kItemFile);
                    item.FilePath = data;
                    item.ValueName = value.name;
                }
            }
        }
        if (!serverPass && !shared && (matched || PathMatchesFolder(folder, data)))
            AddInstaller(contents, HKEY_LOCAL_MACHINE, path, kItemRegistryKey);
    }
}

void ScanFolderEntries(const ForcePathWord& folder, TUninstallerContents& contents,
                       std::vector<std::string>& leftAlone) {
    UniqueKey key;
    if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerFoldersPath, key.put()))
        return;
    std::vector<RegValueEntry> inexact;
    for (const RegValueEntry& value : ReadValues(key.get(), &inexact))
        if (PathMatchesFolder(folder, value.name))
            AddInstaller(contents, HKEY_LOCAL_MACHINE, kInstallerFoldersPath, kItemRegistryValue)
                .ValueName = value.name;
    for (const RegValueEntry& value : inexact)
        if (PathMatchesFolder(folder, value.name))
            NoteLeftAlone(leftAlone, std::string("HKEY_LOCAL_MACHINE\\") + kInstallerFoldersPath +
                                         "\\" + value.name);
}

} // namespace

std::string RepairInstallerPath(const std::string& path) {
    std::string text = path;
    if (text.size() >= 2 && text[1] == '?')
        text[1] = ':';
    return text;
}

void ScanInstallerByDisplayName(TWizardState& state, const std::string& displayName,
                                TUninstallerContents& contents, IScanProgress* progress) {
    std::string code;
    UniqueKey products;
    if (!displayName.empty() &&
        OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerProductsPath, products.put()))
        for (const std::string& product : ReadSubkeyNames(products.get())) {
            const std::string path =
                std::string(kInstallerProductsPath) + "\\" + product + "\\InstallProperties";
            Caption(progress, path);
            if (ReadInstallerString(path, "DisplayName") == displayName) {
                code = product;
                break;
            }
        }
    if (code.empty())
        return; // no product: nothing to compare the components with
    AddInstaller(contents, HKEY_LOCAL_MACHINE, std::string(kInstallerProductsPath) + "\\" + code,
                 kItemRegistryKey)
        .ValueName = displayName;
    ScanComponentsOfCode(state, code, contents, progress);
    WalkHivesForCode(state, code, contents, progress);
}

void ScanInstallerByProfile(TWizardState& state, const std::string& profileKey,
                            TUninstallerContents& contents, IScanProgress* progress) {
    if (profileKey.empty())
        return;
    ScanComponentsOfCode(state, profileKey, contents, progress);
    WalkHivesForCode(state, profileKey, contents, progress);
}

void MatchRegistryKeyInstallerCode(const VisitedKey& key, TUninstallerContents& contents,
                                   const std::string& code, const std::string& subkeyName) {
    const std::string upperCode = UpperCase(code);
    if (upperCode.empty())
        return;
    const bool nameHit = UpperCase(subkeyName) == upperCode;
    if (nameHit && !IsSharedValueKey(key.root, key.path)) {
        Add(contents, key.root, key.path, kItemRegistryKey).Extra = ViewToMarker(key.view);
        return; // the whole key goes, its values with it
    }
    if (!key.key)
        return;
    std::vector<RegValueEntry> inexact;
    const std::vector<RegValueEntry> values = ReadValues(key.key, &inexact);
    std::vector<const RegValueEntry*> hits;
    for (const RegValueEntry& value : values) {
        if (Skipped())
            return;
        if (UpperCase(value.name) == upperCode ||
            (value.type == REG_SZ && UpperCase(ValueText(value)) == upperCode))
            hits.push_back(&value);
    }
    if (hits.empty())
        return;
    const bool shared = IsSharedValueKey(key.root, key.path);
    KeyShape shape = ReadKeyShape(key.key);
    // A value the code page cannot hold did not hit: the key is not the code's alone.
    shape.values = static_cast<DWORD>(values.size() + inexact.size());
    if (!shared && ValueHitsListWholeKey(hits.size(), shape)) {
        Add(contents, key.root, key.path, kItemRegistryKey).Extra = ViewToMarker(key.view);
        return;
    }
    for (const RegValueEntry* value : hits) {
        if (IsProtectedRegistryValue(key.root, key.path, value->name))
            continue;
        TContent& item = Add(contents, key.root, key.path, kItemRegistryValue);
        item.ValueName = value->name;
        if (value->type == REG_SZ && UpperCase(ValueText(*value)) == upperCode)
            item.ValueData = ValueText(*value);
        item.Extra = ViewToMarker(key.view);
    }
}

void ScanRegistryInstallerWalk(TWizardState& state, HKEY root, const std::string& path,
                               IScanProgress* progress, TUninstallerContents& contents,
                               const std::string& code) {
    if (Trim(code).empty())
        return;
    RegistryWalkOptions options;
    options.wowRule = WowNodeRule::Any;
    options.extraSkip = kInstallerComponentsPath;
    options.matcher = [&](const VisitedKey& key) {
        const size_t slash = key.path.rfind('\\');
        MatchRegistryKeyInstallerCode(key, contents, code,
                                      slash == std::string::npos ? key.path
                                                                 : key.path.substr(slash + 1));
    };
    WalkRegistry(state, root, path, progress, options);
}

void ScanInstallerLeftovers(TWizardState& state, const std::string& folder,
                            TUninstallerContents& contents, bool serverPass,
                            IScanProgress* progress, ForceRemovalPlan& plan) {
    const ForcePathWord word(folder);
    if (!word.Usable())
        return;
    const std::vector<std::string> codes = ProductsOfFolder(state, word, progress);
    if (!serverPass)
        for (const std::string& code : codes)
            AddProductKeys(contents, code);
    UniqueKey components;
    if (OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, components.put()))
        for (const std::string& component : ReadSubkeyNames(components.get())) {
            if (Skipped())
                return;
            Pump(progress);
            const std::string path = std::string(kInstallerComponentsPath) + "\\" + component;
            Counted(state, progress, path);
            UniqueKey key;
            if (OpenInstallerKey(components.get(), component, key.put()))
                ScanForceComponent(state, key.get(), path, codes, word, contents, serverPass, plan);
        }
    if (!serverPass)
        ScanFolderEntries(word, contents, state.LeftAloneItems);
}

} // namespace ku
