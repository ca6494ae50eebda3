// The program's own Uninstall entry, the other programs' names and the command word.
#include "core/scan/ProgramScope.h"

#include <algorithm>

#include "core/scan/RegValueList.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool IsPlainKeyName(const std::string& name) {
    return !Trim(name).empty() && name.find('\\') == std::string::npos;
}

void AddName(std::vector<std::string>& names, const std::string& name) {
    const std::string upper = UpperCase(name);
    if (!Trim(upper).empty() && std::find(names.begin(), names.end(), upper) == names.end())
        names.push_back(upper);
}

// The entries of one Uninstall key in one view whose key name or display name holds the word.
void CollectEntries(HKEY root, REGSAM view, const ScanWord& word, const std::string& ownEntry,
                    std::vector<std::string>& names) {
    UniqueKey uninstall;
    if (RegOpenKeyExA(root, kUninstallPath, 0, KEY_READ | view, uninstall.put()) != ERROR_SUCCESS)
        return;
    for (const std::string& entry : ReadSubkeyNames(uninstall.get())) {
        if (SameText(entry, ownEntry))
            continue;
        if (word.Matches(entry))
            AddName(names, entry);
        UniqueKey key;
        if (RegOpenKeyExA(uninstall.get(), entry.c_str(), 0, KEY_READ | view, key.put()) !=
            ERROR_SUCCESS)
            continue;
        for (const RegValueEntry& value : ReadValues(key.get()))
            if (SameText(value.name, "DisplayName") && IsStringValue(value) &&
                !SameText(ValueText(value), ownEntry) && word.Matches(ValueText(value)))
                AddName(names, ValueText(value));
    }
}

} // namespace

std::string UninstallerFileWord(const std::string& command) {
    const std::string file = ExcludeTrailingBackslash(SplitCommandLine(command).file);
    if (file.size() <= 3 || file[1] != ':' || file[2] != '\\')
        return std::string();
    if (ExtractFileDir(file).size() <= 3 || DirectoryExists(file) ||
        IsBelowWindowsFolder(file) || IsProtectedFile(file))
        return std::string(); // directly in a drive root, a folder, Windows' or a shared file
    return file;
}

std::vector<std::string> OtherProgramNames(const ScanWord& word, const std::string& ownEntry) {
    std::vector<std::string> names;
    if (!word.Usable() || word.Upper().find('\\') != std::string::npos)
        return names;
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)})
        CollectEntries(HKEY_LOCAL_MACHINE, view, word, ownEntry, names);
    CollectEntries(HKEY_CURRENT_USER, 0, word, ownEntry, names);
    return names;
}

bool NamesOtherProgram(const std::string& upperPath, const std::vector<std::string>& upperNames) {
    if (upperNames.empty())
        return false;
    for (const std::string& name : SplitString(upperPath, '\\'))
        if (std::find(upperNames.begin(), upperNames.end(), name) != upperNames.end())
            return true;
    return false;
}

bool OwnUninstallEntryExists(const std::string& entryName) {
    return IsPlainKeyName(entryName) &&
           ScanKeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallPath) + "\\" + entryName);
}

bool AddOwnUninstallEntry(TUninstallerContents& contents, const std::string& entryName) {
    if (!OwnUninstallEntryExists(entryName))
        return false;
    AddScanItem(contents, "HKEY_LOCAL_MACHINE", std::string(kUninstallPath) + "\\" + entryName,
                kItemRegistryKey);
    return true;
}

std::string ScanWordsNotice(const std::string& keyName, const std::string& commandWord) {
    if (ScanWord(keyName).Usable())
        return std::string();
    std::string text = "The name \"" + Trim(keyName) +
                       "\" is too general to search for: Windows and other programs use it too.\r";
    if (!ScanWord(UninstallerFileWord(commandWord)).Usable())
        return text + "Only the program's own entry in the list of installed programs is "
                      "listed for removal.";
    return text + "Only entries that name the program's own uninstaller are listed, and no files.";
}

} // namespace ku
