// Scan words: upper-casing without system calls per text and whole-name containment.
#include "core/scan/ScanWord.h"

#include <windows.h>

#include "core/system/StrUtil.h"

namespace ku {

namespace {

struct UpperTable {
    char map[256];
    UpperTable() {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<char>(i);
        CharUpperBuffA(map + 1, 255);
    }
};

const UpperTable& Table() {
    static const UpperTable table;
    return table;
}

// Words never used alone, as data: a program named only with these cannot be told apart from
// Windows or from other programs by containment.
// clang-format off
const char* const kGeneralWords[] = {
    // Windows' own and shared places.
    "Windows", "Microsoft", "System", "System32", "SysWOW64", "Sysnative", "WinSxS", "Program",
    "Programs", "Files", "Common", "ProgramData", "Users", "User", "Documents", "Settings",
    "Application", "Data", "AppData", "Local", "LocalLow", "Roaming", "Temp", "Tmp", "Public",
    "Default", "All", "Desktop", "Downloads", "Music", "Pictures", "Videos", "Favorites", "Start",
    "Menu", "Startup", "Fonts", "Drivers", "Driver", "Config", "Inf", "Assembly", "Prefetch",
    "Resources", "Help", "Boot", "Recovery", "Logs", "Log", "Cache", "Shared", "Shell",
    "Explorer", "Internet", "Classes", "CLSID", "Interface", "TypeLib", "AppID", "Policies",
    "CurrentVersion", "CurrentControlSet", "ControlSet", "Control", "Services", "Service",
    "Software", "Hardware", "SAM", "Security", "NT", "Wow6432Node", "Run", "RunOnce", "Root",
    "Machine", "Global", "Library", "Libraries", "Components", "Component", "Tools", "Tool",
    "Utilities", "Utility", "App", "Apps", "Applications", "Bin", "Lib", "x86", "x64", "Win32",
    "Win64", "Win",
    // Generic words of installers and products.
    "Setup", "Install", "Installer", "Installation", "Uninstall", "Uninstaller", "Uninst",
    "Unins000", "Update", "Updates", "Updater", "Upgrade", "Patch", "Hotfix", "Package",
    "Packages", "Runtime", "Redistributable", "Version", "Edition", "Options", "Manager",
    "Client", "Server", "Plugin", "Plugins", "Addon", "Extension", "Extensions", "Support",
    "Framework", "Module", "Modules", "Product", "Products", "Feature", "Features", "Task",
    "Tasks", "Exe", "Dll", "Msi", "Sys", "Ini", "Dat",
};
// clang-format on

bool IsGeneralName(const std::string& name) {
    if (name.size() <= 1 || name.find_first_not_of("0123456789") == std::string::npos)
        return true;
    for (const char* word : kGeneralWords)
        if (SameText(name, word))
            return true;
    return false;
}

bool IsPathText(const std::string& text) {
    return text.find('\\') != std::string::npos || text.find(':') != std::string::npos;
}

} // namespace

bool IsGeneralWord(const std::string& word) {
    size_t at = 0;
    while (at < word.size()) {
        while (at < word.size() && !IsNameCharacter(word[at]))
            ++at;
        size_t end = at;
        while (end < word.size() && IsNameCharacter(word[end]))
            ++end;
        if (end > at && !IsGeneralName(word.substr(at, end - at)))
            return false;
        at = end;
    }
    return true;
}

void UpperInto(std::string& out, const char* text, size_t length) {
    const char* map = Table().map;
    out.resize(length);
    for (size_t i = 0; i < length; ++i)
        out[i] = map[static_cast<unsigned char>(text[i])];
}

void AppendUpper(std::string& out, const char* text, size_t length) {
    const char* map = Table().map;
    const size_t start = out.size();
    out.resize(start + length);
    for (size_t i = 0; i < length; ++i)
        out[start + i] = map[static_cast<unsigned char>(text[i])];
}

bool IsNameCharacter(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

ScanWord::ScanWord(const std::string& word) {
    const std::string trimmed = Trim(word);
    if (trimmed.size() < kMinScanWordLength || (!IsPathText(trimmed) && IsGeneralWord(trimmed)))
        return;
    UpperInto(upper_, trimmed);
    edgeBefore_ = IsNameCharacter(upper_.front());
    edgeAfter_ = IsNameCharacter(upper_.back());
}

bool ScanWord::MatchesUpper(const std::string& upperText, size_t from) const {
    if (upper_.empty())
        return false;
    size_t at = upperText.find(upper_, from);
    while (at != std::string::npos) {
        const size_t end = at + upper_.size();
        const bool before = !edgeBefore_ || at == 0 || !IsNameCharacter(upperText[at - 1]);
        const bool after = !edgeAfter_ || end == upperText.size() || !IsNameCharacter(upperText[end]);
        if (before && after)
            return true;
        at = upperText.find(upper_, at + 1);
    }
    return false;
}

bool ScanWord::Matches(const std::string& text) const {
    std::string upper;
    UpperInto(upper, text);
    return MatchesUpper(upper);
}

} // namespace ku
