// The generic leftover engine: Installer code searches, folder scans and the two removers.
#include "core/scan/LeftoverEngine.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"

#include <windows.h>

#include <algorithm>

#include "core/scan/RegValueList.h"
#include "core/scan/RegistryScan.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

int LeftoverKeyCounter = 0;

namespace {

const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kInstallerPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";

bool Stopped() {
    return ScanState.load() == ScanStop;
}

TContent& NewItem(TUninstallerContents& contents, const std::string& root,
                  const std::string& keyPath, const char* type) {
    return AddScanItem(contents, root, keyPath, type);
}

// Installer component registrations of the given codes (value names, compared exactly).
void ScanComponents(const std::vector<std::string>& codes, TUninstallerContents& contents,
                    const LeftoverScanProgress& progress) {
    UniqueKey components;
    if (!OpenInstallerKey(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, components.put()))
        return;
    for (const std::string& component : ReadSubkeyNames(components.get())) {
        if (Stopped())
            return;
        progress.Pump();
        const std::string path = std::string(kInstallerComponentsPath) + "\\" + component;
        progress.Caption(path);
        UniqueKey key;
        if (!OpenInstallerKey(components.get(), component, key.put()))
            continue;
        std::vector<RegValueEntry> inexact;
        const std::vector<RegValueEntry> values = ReadValues(key.get(), &inexact);
        // Another product's registration on the same component keeps the key and file alive,
        // also one whose name or path the code page cannot hold.
        const auto another = [&](const RegValueEntry& v) {
            return !v.name.empty() && std::find(codes.begin(), codes.end(), v.name) == codes.end();
        };
        const bool shared = std::any_of(values.begin(), values.end(), another) ||
                            std::any_of(inexact.begin(), inexact.end(), another);
        for (const RegValueEntry& value : values)
            for (const std::string& code : codes)
                if (!code.empty() && value.name == code)
                    AddComponentItem(contents, path, code, ValueText(value), shared);
    }
}

// A depth-first walk of one hive for keys and values naming one of the codes.
class CodeWalker {
  public:
    CodeWalker(const std::vector<std::string>& codes, bool severalCodes,
               TUninstallerContents& contents, const LeftoverScanProgress& progress)
        : codes_(codes), several_(severalCodes), contents_(contents), progress_(progress) {
        for (const std::string& code : codes)
            upperCodes_.push_back(UpperCase(code));
    }

    void Walk(HKEY root) {
        root_ = root;
        rootName_ = RootKeyToName(root);
        UniqueKey key;
        if (OpenScanKey(root, "", key.put()))
            Walk(key.get(), "");
    }

  private:
    void Walk(HKEY key, const std::string& path) {
        for (const std::string& name : ReadSubkeyNames(key)) {
            if (Stopped())
                return;
            progress_.Pump();
            const std::string full = path.empty() ? name : path + "\\" + name;
            if (++LeftoverKeyCounter % 200 == 0)
                progress_.Caption(full);
            if (Skip(full))
                continue;
            UniqueKey child;
            RegOpenKeyExA(key, name.c_str(), 0, KEY_READ | ScanReadView(), child.put());
            Match(full, name, child.get());
            if (child)
                Walk(child.get(), full);
        }
    }

    // Compared ignoring case: Windows spells the machine's software key "SOFTWARE", other
    // systems "Software", and the 32-bit view's copies of these keys are theirs as well.
    bool Skip(const std::string& full) const {
        const std::string upper = UpperCase(full);
        if (!several_ && upper.find("SOFTWARE\\WOW6432NODE") != std::string::npos)
            return true;
        const std::string plain = ReplaceAll(upper, "WOW6432NODE\\", "");
        if (plain.find(UpperCase(kUninstallPath)) != std::string::npos ||
            plain.find(UpperCase(kInstallerComponentsPath)) != std::string::npos)
            return true;
        return several_ && plain == UpperCase(kInstallerPath);
    }

    void Match(const std::string& keyPath, const std::string& keyName, HKEY key) {
        const std::string upperName = UpperCase(keyName);
        for (const std::string& code : upperCodes_)
            if (!code.empty() && upperName == code && !IsSharedValueKey(root_, keyPath)) {
                NewItem(contents_, rootName_, keyPath, kItemRegistryKey);
                return; // the whole key goes, its values with it
            }
        if (!key)
            return;
        const std::vector<RegValueEntry> values = ReadValues(key);
        std::vector<std::pair<const RegValueEntry*, bool>> hits; // value, data hit
        for (const RegValueEntry& value : values) {
            if (Stopped())
                return;
            progress_.Pump();
            const std::string upperValueName = UpperCase(value.name);
            const std::string upperText = value.type == REG_SZ ? UpperCase(ValueText(value)) : "";
            for (const std::string& code : upperCodes_)
                if (!code.empty() && (upperValueName == code || upperText == code)) {
                    hits.emplace_back(&value, upperText == code);
                    break;
                }
        }
        if (hits.empty())
            return;
        const bool shared = IsSharedValueKey(root_, keyPath);
        KeyShape shape = ReadKeyShape(key);
        shape.values = static_cast<DWORD>(values.size());
        if (!shared && ValueHitsListWholeKey(hits.size(), shape)) {
            NewItem(contents_, rootName_, keyPath, kItemRegistryKey);
            return;
        }
        for (const auto& [value, dataHit] : hits) {
            if (IsProtectedRegistryValue(root_, keyPath, value->name))
                continue;
            TContent& item = NewItem(contents_, rootName_, keyPath, kItemRegistryValue);
            item.ValueName = value->name;
            if (dataHit)
                item.ValueData = ValueText(*value);
        }
    }

    const std::vector<std::string>& codes_;
    std::vector<std::string> upperCodes_;
    bool several_;
    TUninstallerContents& contents_;
    const LeftoverScanProgress& progress_;
    HKEY root_ = nullptr;
    std::string rootName_;
};

void WalkForCodes(const std::vector<std::string>& codes, bool several,
                  TUninstallerContents& contents, const LeftoverScanProgress& progress) {
    CodeWalker walker(codes, several, contents, progress);
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        walker.Walk(root);
}

// In use: Windows removes it at the next start. (No "del" through cmd.exe: its switches after
// the name were read as further names and deleted files of the current folder.)
void DeleteOneFilePermanently(const std::string& path) {
    if (!DeleteSingleFile(path) && FileExists(path))
        DeleteFileAtRestart(path);
}

} // namespace

void AddComponentItem(TUninstallerContents& contents, const std::string& componentPath,
                      const std::string& productCode, const std::string& data, bool shared) {
    // A file of Windows (System32, SysWOW64, any spelling) or one the guard refuses is never
    // the product's own to delete: its registration goes, the file stays.
    const char* type = kItemRegistryKey;
    if (shared)
        type = kItemRegistryValue;
    else if (FileExists(data) && !IsBelowWindowsFolder(data) && !IsProtectedFile(data))
        type = kItemFile;
    TContent& item = AddInstallerItem(contents, "HKEY_LOCAL_MACHINE", componentPath, type);
    item.ValueName = productCode;
    if (type == kItemFile) {
        item.FilePath = data;
    } else {
        item.ValueData = data;
        if (!shared)
            item.ComponentPath = data;
    }
}

void SearchRegistryLeftovers(const std::string& productCode, TUninstallerContents& contents,
                             const LeftoverScanProgress& progress) {
    const std::vector<std::string> codes{productCode};
    if (!productCode.empty())
        ScanComponents(codes, contents, progress);
    if (!productCode.empty())
        WalkForCodes(codes, false, contents, progress);
}

void SearchRegistryLeftoversEx(const std::vector<std::string>& productCodes,
                               TUninstallerContents& contents,
                               const LeftoverScanProgress& progress) {
    ScanComponents(productCodes, contents, progress);
    if (!productCodes.empty())
        WalkForCodes(productCodes, true, contents, progress);
}

void ScanFolderLeftovers(const std::string& folder, const LeftoverScanProgress& progress,
                         TUninstallerContents& contents) {
    if (Trim(folder).empty())
        return;
    WIN32_FIND_DATAA data;
    int skipped = 0;
    UniqueFind find(FindFirstExactFile((folder + "\\*.*"), data, &skipped));
    // Their best-fit names would name other files: they stay, and the wizard says so.
    struct NoteSkipped {
        const std::string& folder;
        const LeftoverScanProgress& progress;
        const int& skipped;
        ~NoteSkipped() {
            if (skipped > 0)
                for (const std::string& name : InexactNamesIn(folder))
                    progress.LeftAlone(folder + "\\" + name);
        }
    } noteSkipped{folder, progress, skipped};
    if (!find)
        return;
    do {
        progress.Pump();
        const std::string name = data.cFileName;
        const std::string full = folder + "\\" + name;
        if (ContainsText(full, "Recent"))
            return;
        if (data.dwFileAttributes == 0 || data.dwFileAttributes >= 9999)
            continue;
        progress.Caption(full);
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && name != "." && name != ".." &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ScanFolderLeftovers(full, progress, contents);
        if (!directory && FileExists(full))
            NewItem(contents, "", "", kItemFile).FilePath = full;
    } while (!Stopped() && FindNextExactFile(find.get(), data, &skipped));
}

void SearchInstallLocationLeftovers(const LeftoverScanProgress& progress,
                                    const std::vector<std::string>& productCodes,
                                    std::vector<std::string>& fileList,
                                    TUninstallerContents& contents) {
    for (const std::string& code : productCodes) {
        const std::string location = RemoveTrailingBackslash(ReadInstallerString(
            std::string(kInstallerProductsPath) + "\\" + code + "\\InstallProperties",
            "InstallLocation"));
        // A product installed to a system folder or a drive root leaves no folder of its own;
        // a location that climbs with ".." names another program's folder.
        if (!location.empty() && !PathClimbs(location) && !IsProtectedPath(location))
            ScanFolderLeftovers(location, progress, contents);
    }
    for (int i = 0; i < contents.Count(); ++i)
        fileList.push_back(contents.GetItem(i).Content.FilePath);
}

void DeleteRegistryLeftovers(const TUninstallerContents& contents) {
    for (int i = 0; i < contents.Count(); ++i) {
        if (ScanState.load() == ScanStopRemoving)
            return;
        const TContent& item = contents.GetItem(i).Content;
        // In the view the item was found in; items of the profiles carry none and follow the
        // process-wide rule.
        const HKEY root = NameToRootKey(item.RootKeyName);
        const REGSAM view = MarkerToView(item.Extra);
        if (item.ItemType == kItemRegistryKey)
            DeleteRegistryKeyInView(root, item.KeyPath, view);
        else if (item.ItemType == kItemRegistryValue)
            DeleteRegistryValueInView(root, item.KeyPath, item.ValueName, view);
    }
}

void DeleteFileLeftovers(const TUninstallerContents& contents, HWND owner) {
    const bool permanent =
        ShowMessageBox(owner,
                       "To permanently remove the files, please click Yes to proceed.\rTo move "
                       "the files to the Recycle Bin, please click No to proceed.",
                       "Remove Options", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    for (int i = 0; i < contents.Count(); ++i) {
        if (ScanState.load() == ScanStopRemoving)
            return;
        const TContent& item = contents.GetItem(i).Content;
        if (item.ItemType != kItemFile || IsProtectedFile(item.FilePath))
            continue;
        // Under Wine a link's attributes are those of the file it points to.
        if (LeadsToItself(item.FilePath))
            SetFileAttributesA(item.FilePath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (permanent)
            DeleteOneFilePermanently(item.FilePath);
        else
            RecycleFile(item.FilePath);
    }
}

bool RecycleFile(const std::string& path) {
    return RecyclePath(path);
}

} // namespace ku
