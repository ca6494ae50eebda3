// Reader and executor of the profile data-file sections.
#include "special/profiles/ProfileData.h"

#include <algorithm>

#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/ServiceUnit.h"
#include "core/system/StrUtil.h"
#include "special/profiles/DataLineShapes.h"
#include "special/profiles/ProfileKeys.h"

namespace ku {

namespace {

// The data files are a few kilobytes; anything far larger is not one of them.
const DWORD kMaxDataFileBytes = 16 * 1024 * 1024;

std::vector<std::string> LoadLines(const std::string& path) {
    std::vector<std::string> lines;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return lines;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxDataFileBytes)
        return lines;
    std::string text(size, '\0');
    DWORD read = 0;
    if (size > 0 && !ReadFile(file.get(), &text[0], size, &read, nullptr))
        return lines;
    text.resize(read);
    for (std::string& line : SplitString(text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Text after the first `count` characters (empty when shorter).
std::string After(const std::string& text, size_t count) {
    return count < text.size() ? text.substr(count) : std::string();
}

// Splits `rest` at its first comma into a root name and what follows, then takes the quoted
// key path. Returns false when a separator is missing.
bool TakeRootAndKey(std::string& rest, std::string& rootName, std::string& keyPath) {
    const size_t comma = rest.find(',');
    if (comma == std::string::npos)
        return false;
    rootName = Trim(rest.substr(0, comma));
    rest = Trim(rest.substr(comma + 1));
    const size_t open = rest.find('\'');
    if (open == std::string::npos)
        return false;
    rest = Trim(rest.substr(open + 1));
    const size_t close = rest.find('\'');
    if (close == std::string::npos)
        return false;
    keyPath = Trim(rest.substr(0, close));
    rest = rest.substr(close);
    return true;
}

// The file a "FILE=" entry names: the folder variable at its start, a "\", at most one plain
// subfolder ("Logs\") and a plain file name of the DirectX redistributable, the one profile
// these entries are there for. Anything else (Windows' own files, "..", a wildcard, a device
// or stream name) would reach beyond the application's own files, and names nothing.
std::string SectionFilePath(const std::string& entry) {
    const std::string text = Trim(entry);
    std::string folder;
    if (StartsText(text, "%WinDir%\\"))
        folder = GetWindowsDir();
    else if (StartsText(text, "%System%\\"))
        folder = GetSystemDir();
    const std::string name = After(text, 9);
    const std::vector<std::string> parts = SplitString(name, '\\');
    if (folder.empty() || parts.empty() || parts.size() > 2 ||
        !IsRedistributableFileName(parts.back()))
        return std::string();
    for (const std::string& part : parts)
        if (!IsPlainFileName(part))
            return std::string();
    return RemoveTrailingBackslash(folder) + "\\" + name;
}

} // namespace

bool DeleteSectionFile(const std::string& path) {
    for (const std::string& dir : {GetSystemDir(), GetWindowsDir()}) {
        const std::string folder = RemoveTrailingBackslash(dir);
        if (!folder.empty() && path.size() > folder.size() + 1 && StartsText(path, folder + "\\"))
            return DeleteRedistributableFile(folder, path.substr(folder.size() + 1));
    }
    return false;
}

HKEY PredefinedRootKey(const std::string& name) {
    static const char* const kNames[] = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (ULONG_PTR i = 0; i < 7; ++i)
        if (SameText(name, kNames[i]))
            return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000) + i);
    return nullptr;
}

// The keyword is expected at the start of the line: its length is cut off without a search,
// so a line with anything before it yields an unknown root and is skipped.
RegistryDeleteLine ParseRegistryDeleteLine(const std::string& line) {
    RegistryDeleteLine result;
    const std::string text = Trim(line);
    const bool isKey = ContainsText(text, "delRegkey(");
    result.isValue = !isKey && ContainsText(text, "delRegkeyvalue(");
    if (!isKey && !result.isValue)
        return result;
    std::string rest = Trim(After(text, isKey ? 10 : 15));
    std::string rootName;
    if (!TakeRootAndKey(rest, rootName, result.keyPath))
        return result;
    result.root = PredefinedRootKey(rootName);
    if (!result.root || result.keyPath.empty())
        return result;
    if (result.isValue) {
        // The key's closing quote and the separator after it, then the quoted value name.
        // Without its quotes the name would come out empty and name the default value, so
        // such a line is skipped; '' names the default value on purpose.
        rest = Trim(After(rest, 2));
        const size_t open = rest.find('\'');
        if (open == std::string::npos)
            return result;
        rest = Trim(rest.substr(open + 1));
        const size_t close = rest.find('\'');
        if (close == std::string::npos)
            return result;
        result.valueName = Trim(rest.substr(0, close));
    }
    result.valid = true;
    return result;
}

void ReadProfileSection(const std::string& mark, const std::string& fileName,
                        std::vector<std::string>& files, std::vector<std::string>& regLines,
                        std::vector<std::string>& services, const std::string& folder, HWND owner) {
    files.clear();
    regLines.clear();
    services.clear();
    const std::string startMark = Trim(UpperCase(mark));
    const std::string endMark =
        startMark.empty() ? std::string() : startMark.substr(0, 1) + "/" + startMark.substr(1);
    const std::string base = RemoveTrailingBackslash(folder.empty() ? ProgramDir() : folder);
    const std::string path = base + "\\" + fileName;
    if (!FileExists(path)) {
        ShowMessageBox(owner, "The file \"" + fileName + "\" not exist!", kProfileMessageCaption,
                       MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    bool inSection = false;
    bool inServices = false;
    for (const std::string& line : LoadLines(path)) {
        const std::string upper = UpperCase(Trim(line));
        if (ContainsUpper(upper, startMark)) {
            inSection = true;
            continue;
        }
        if (ContainsUpper(upper, endMark))
            break;
        if (!inSection)
            continue;
        std::string value = Trim(line);
        if (ContainsText(value, "FILE=")) {
            value = After(value, 5);
            if (ContainsText(value, "%WinDir%") || ContainsText(value, "%System%")) {
                const std::string file = SectionFilePath(value);
                if (!file.empty())
                    files.push_back(file);
                continue;
            }
        }
        if (ContainsText(value, "delRegkey")) {
            regLines.push_back(value);
            continue;
        }
        // Exactly these lines, untrimmed: an indented "[Services]" opens nothing.
        if (SameText(line, "[Services]")) {
            inServices = true;
            continue;
        }
        if (SameText(line, "[/Services]")) {
            inServices = false;
            continue;
        }
        if (inServices && !value.empty())
            services.push_back(value);
    }
    if (files.empty() && regLines.empty())
        ShowMessageBox(owner,
                       "The mark \"" + mark + "\" not exist in the file \"" + fileName +
                           "\" or is empty!",
                       kProfileMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

ProfileSection ReadProfileSection(const std::string& mark, const std::string& fileName,
                                  const std::string& folder, HWND owner) {
    ProfileSection section;
    ReadProfileSection(mark, fileName, section.Files, section.RegLines, section.Services, folder,
                       owner);
    return section;
}

void StopServiceList(const std::vector<std::string>& services) {
    for (const std::string& service : services)
        if (!Trim(service).empty())
            StopServiceByName(Trim(service));
}

void ExecuteRegistryDeleteLines(const std::vector<std::string>& lines, RemovalReport* report) {
    for (const std::string& line : lines) {
        const RegistryDeleteLine parsed = ParseRegistryDeleteLine(line);
        if (!parsed.valid)
            continue;
        // A data file is no part of the program: only a line of an application's shape
        // deletes, in each view where what it names is the application's.
        const ViewFilter mayDelete = [&parsed](REGSAM view) {
            return DataLineMayDelete(parsed, view);
        };
        if (parsed.isValue)
            DeleteProfileValue(parsed.root, parsed.keyPath, parsed.valueName, report, mayDelete);
        else
            DeleteProfileKey(parsed.root, parsed.keyPath, report, mayDelete);
    }
}

} // namespace ku
