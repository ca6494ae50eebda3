// COM class registrations of a folder and the program's own SOFTWARE keys.
#include <algorithm>

#include "core/force/InstallerScans.h"
#include "core/scan/RegValueList.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char* const kForeignRoots[] = {"MICROSOFT", "CLASSES", "POLICIES", "WOW6432NODE",
                                     "CLIENTS", "ODBC"};

TContent& Add(TUninstallerContents& contents, HKEY root, const std::string& keyPath) {
    return AddScanItem(contents, RootKeyToName(root), keyPath, kItemRegistryKey);
}

void Counted(TWizardState& state, IScanProgress* progress, const std::string& text) {
    if (progress)
        progress->Pump();
    if (++state.ScanKeyCounter % 200 == 0 && progress)
        progress->Caption(text);
}

// The class's server path that names the folder. One the code page cannot hold is never
// taken; the class is said to be left alone when its shown form names the folder.
bool ServerInFolder(TWizardState& state, const ForcePathWord& folder, HKEY root,
                    const std::string& path) {
    bool inexact = false;
    for (const char* server : {"\\InprocServer32", "\\LocalServer32"}) {
        UniqueKey key;
        std::string text;
        if (!OpenScanKey(root, path + server, key.put()))
            continue;
        const LONG result = RegQueryStringExact(key.get(), "", text);
        if (folder.Matches(text)) {
            if (result == ERROR_SUCCESS)
                return true;
            inexact = true;
        }
    }
    if (inexact)
        NoteLeftAlone(state.LeftAloneItems, RootKeyToName(root) + "\\" + path);
    return false;
}

// The classes whose in-process or local server lies in the folder.
std::vector<std::string> ComClassesOfFolder(TWizardState& state, const ForcePathWord& folder,
                                            HKEY root, IScanProgress* progress,
                                            TUninstallerContents& contents,
                                            const std::string& base) {
    std::vector<std::string> classes;
    UniqueKey clsid;
    if (!OpenScanKey(root, base + "CLSID", clsid.put()))
        return classes;
    for (const std::string& id : ReadSubkeyNames(clsid.get())) {
        if (ScanState.load() == ScanSkipRegistry)
            break;
        const std::string path = base + "CLSID\\" + id;
        Counted(state, progress, path);
        if (!ServerInFolder(state, folder, root, path))
            continue;
        Add(contents, root, path);
        classes.push_back(UpperCase(id));
        const std::string appId = ReadScanString(root, path, "AppID");
        if (!Trim(appId).empty())
            Add(contents, root, base + "AppID\\" + UpperCase(appId));
    }
    return classes;
}

bool IsForeignKey(const std::string& upperAcc) {
    // Any Microsoft, Classes or Policies key, also below Wow6432Node, and the node itself.
    for (const std::string& part : SplitString(upperAcc, '\\'))
        if (std::find(std::begin(kForeignRoots), std::end(kForeignRoots), part) !=
            std::end(kForeignRoots))
            return true;
    return false;
}

} // namespace

void ScanComLeftovers(TWizardState& state, const std::string& folder, HKEY root,
                      IScanProgress* progress, TUninstallerContents& contents,
                      const std::string& baseKey) {
    const ForcePathWord word(folder);
    if (!word.Usable())
        return;
    std::string base = baseKey;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    const std::vector<std::string> classes =
        ComClassesOfFolder(state, word, root, progress, contents, base);
    if (classes.empty())
        return;
    UniqueKey baseHandle;
    if (!OpenScanKey(root, base.empty() ? "" : base.substr(0, base.size() - 1), baseHandle.put()))
        return;
    for (const std::string& progId : ReadSubkeyNames(baseHandle.get())) {
        if (ScanState.load() == ScanSkipRegistry)
            break;
        Counted(state, progress, base + progId);
        if (SameText(progId, "CLSID"))
            continue;
        const std::string named =
            UpperCase(Trim(ReadScanString(root, base + progId + "\\CLSID", "")));
        if (named.empty() || std::find(classes.begin(), classes.end(), named) == classes.end())
            continue;
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (const char* area : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer"})
                ScanRegistryByProgramWalk(state, hive, area, progress, contents, named, named);
        Add(contents, root, base + progId);
    }
}

void ScanSoftwareKeysOfFolder(const std::vector<std::string>& keys, const std::string& folder,
                              TUninstallerContents& contents) {
    std::string trimmed = Trim(folder);
    for (char& c : trimmed)
        if (c == '/')
            c = '\\';
    if (keys.empty() || trimmed.empty())
        return;
    const std::string upperName = UpperCase(Trim(ExtractFileName(ExcludeTrailingBackslash(trimmed))));
    if (upperName.empty())
        return;
    std::vector<std::string> found;
    for (const std::string& key : keys) {
        std::string rest = key;
        const size_t at = UpperCase(rest).find("SOFTWARE\\");
        if (at != std::string::npos)
            rest = rest.substr(at + 9);
        // The 32-bit view's node is kept in the path but is not a program's name.
        std::string acc;
        if (StartsText(rest, "Wow6432Node\\")) {
            acc = rest.substr(0, 11);
            rest = rest.substr(12);
        }
        const std::string node = acc;
        for (const std::string& part : SplitString(rest, '\\')) {
            acc = acc.empty() ? part : acc + "\\" + part;
            const std::string upperPart = UpperCase(part);
            // The key is the program's when it is named like its folder or carries the name
            // with more (a version, an edition); a shorter name is a vendor's key.
            if (upperPart.empty() || upperPart.find(upperName) == std::string::npos)
                continue;
            const std::string path = "SOFTWARE\\" + acc;
            if (IsForeignKey(UpperCase(acc.substr(node.size()))) ||
                IsProtectedRegistryKey(HKEY_LOCAL_MACHINE, path) ||
                std::any_of(found.begin(), found.end(),
                            [&](const std::string& f) { return SameText(f, path); }))
                continue;
            found.push_back(path);
        }
    }
    for (const std::string& path : found) {
        Add(contents, HKEY_LOCAL_MACHINE, path);
        if (ScanKeyExists(HKEY_CURRENT_USER, path) &&
            !IsProtectedRegistryKey(HKEY_CURRENT_USER, path))
            Add(contents, HKEY_CURRENT_USER, path);
    }
}

} // namespace ku
