// The wizard's shared state: scan drive, "filelist.lst", the Uninstall entry a key lies in,
// the running-module list.
#include "core/removal/WizardState.h"

#include <fstream>
#include <set>

#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUpperUninstall[] = "\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL";

} // namespace

std::string GetUninstallDrive(const std::string& command) {
    std::string text = TrimLeft(command);
    if (!text.empty() && text[0] == '"')
        text.erase(0, 1);
    if (text.size() >= 2 && text[1] == ':' && IsCharAlphaA(text[0]))
        return text.substr(0, 2);
    return "";
}

std::string FileScanDrive(const std::string& command) {
    const std::string drive = GetUninstallDrive(command);
    if (!drive.empty())
        return drive;
    // "MsiExec.exe /X{...}" names no drive: its files are on the system drive.
    const std::string windows = GetWindowsDir();
    return windows.size() >= 2 && windows[1] == ':' ? windows.substr(0, 2) : "C:";
}

std::string UninstallEntryName(const std::string& path, const std::string& upperPath,
                               bool* isUninstallKey) {
    *isUninstallKey = false;
    const size_t at = upperPath.find(kUpperUninstall);
    if (at == std::string::npos)
        return std::string();
    const size_t start = at + sizeof kUpperUninstall - 1;
    if (start == upperPath.size()) {
        *isUninstallKey = true;
        return std::string();
    }
    if (upperPath[start] != '\\')
        return std::string(); // "...\UninstallFoo" is another key
    const size_t end = path.find('\\', start + 1);
    return path.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

bool IsUninstallEntryKey(const std::string& upperPath, const std::string& entryName) {
    const std::string tail = std::string(kUpperUninstall) + "\\" + UpperCase(entryName);
    return upperPath.size() >= tail.size() &&
           upperPath.compare(upperPath.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> LoadFileList(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string FindFileListEntry(const std::vector<std::string>& entries,
                              const std::string& uninstallKeyName) {
    for (const std::string& entry : entries) {
        if (!ContainsText(entry, uninstallKeyName))
            continue;
        return ContainsText(uninstallKeyName, entry) ? entry : uninstallKeyName;
    }
    return uninstallKeyName;
}

std::vector<std::string> BuildProcessModuleList() {
    std::vector<std::string> lines;
    std::vector<std::string> paths;
    ListProcessPaths(&paths);
    const ProcessSnapshot snapshot = TakeProcessSnapshot();
    for (const std::string& path : paths) {
        if (UpperCase(path).find("KU.EXE") != std::string::npos)
            continue;
        std::vector<std::string> modules;
        ListProcessModules(ExtractFileName(path), &modules, snapshot);
        for (const std::string& module : modules)
            lines.push_back(module + "[" + path + "]");
    }
    return lines;
}

namespace {

std::string KeyIdentity(const TContent& item) {
    return UpperCase(item.RootKeyName + "\\" + item.KeyPath) + "|" + item.Extra;
}

std::string ItemIdentity(const TContent& item) {
    if (item.ItemType == kItemFile)
        return "3|" + UpperCase(item.FilePath);
    if (item.ItemType == kItemRegistryKey)
        return "1|" + KeyIdentity(item);
    return item.ItemType + "|" + KeyIdentity(item) + "|" + UpperCase(item.ValueName);
}

} // namespace

void RemoveRepeatedItems(TUninstallerContents& list) {
    std::set<std::string> seen, wholeKeys;
    for (int i = 0; i < list.Count(); ++i) {
        const TContent& item = list.GetItem(i).Content;
        if (item.ItemType == kItemRegistryKey)
            wholeKeys.insert(KeyIdentity(item));
    }
    TUninstallerContents kept;
    for (int i = 0; i < list.Count(); ++i) {
        const TContent& item = list.GetItem(i).Content;
        if (item.ItemType == kItemRegistryValue && wholeKeys.count(KeyIdentity(item)))
            continue;
        if (seen.insert(ItemIdentity(item)).second)
            kept.GetItem(kept.AddItem()) = list.GetItem(i);
    }
    list = std::move(kept);
}

ResultRows ListedResults(const TUninstallerContents& list) {
    ResultRows rows;
    std::set<std::string> shown;
    for (int i = 0; i < list.Count(); ++i) {
        const TContent& item = list.GetItem(i).Content;
        if (item.ItemType == kItemFile) {
            if (shown.insert("3|" + UpperCase(item.FilePath)).second)
                rows.files.push_back(item.FilePath);
            continue;
        }
        if (item.ItemType != kItemRegistryKey && item.ItemType != kItemRegistryValue)
            continue;
        ResultRow row{item.RootKeyName.empty() ? item.KeyPath
                                               : item.RootKeyName + "\\" + item.KeyPath,
                      item.ValueName};
        if (item.ItemType == kItemRegistryValue && row.value.empty())
            row.value = item.ValueData;
        if (shown.insert(item.ItemType + "|" + UpperCase(row.key) + "|" + UpperCase(row.value))
                .second)
            rows.registry.push_back(row);
    }
    return rows;
}

void AppendRunningExe(std::string& list, const std::string& fileName) {
    if (!Trim(list).empty())
        list += ",";
    list += LowerCase(fileName);
}

void NoteLeftAlone(std::vector<std::string>& items, const std::string& item) {
    for (const std::string& known : items)
        if (known == item)
            return;
    items.push_back(item);
}

std::string LeftAloneNotice(const std::vector<std::string>& items) {
    if (items.empty())
        return std::string();
    std::string text = "These items hold characters this program cannot handle and were left "
                       "alone; they are not in the list:";
    const size_t shown = items.size() < 10 ? items.size() : 10;
    for (size_t i = 0; i < shown; ++i)
        text += "\r" + items[i];
    if (items.size() > shown)
        text += "\r... and " + std::to_string(items.size() - shown) + " more";
    return text;
}

} // namespace ku
