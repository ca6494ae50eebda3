// Uninstall and icon command lines: the executable path, its arguments, the normalised command.
#include "core/system/FileSystem.h"
#include "core/system/PublicFunctionUnit.h"

#include "core/system/ExactNames.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Replaces every case-insensitive occurrence of `variable` in `text`, which is upper-cased
// first; nothing changes when it does not occur.
void ExpandUpper(std::string& text, const std::string& variable, const std::string& value) {
    if (ContainsText(text, variable))
        text = ReplaceAll(UpperCase(text), UpperCase(variable), value);
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
}

// The folder part up to and including the last "\" or ":"; a "/" belongs to the arguments.
std::string FolderPart(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The extension as the path functions see it: from the last "." after the last "\" or ":".
std::string ExtensionOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t separator = path.find_last_of("\\:");
    if (dot == std::string::npos || (separator != std::string::npos && separator > dot))
        return std::string();
    return path.substr(dot);
}

// The file name with its arguments cut off: from its first "." (or its start) the name runs
// while the characters are letters, digits or dots.
std::string CutArguments(const std::string& name) {
    const size_t dot = name.find('.');
    for (size_t i = dot == std::string::npos ? 0 : dot; i < name.size(); ++i)
        if (!IsNameChar(name[i]))
            return name.substr(0, i);
    return name;
}

// The text with its variables expanded and, when it names no folder, found as CreateProcess
// would find it: on the system's search path. False, and no file, when the code page cannot
// hold what the system answers: its best-fit form would name another file.
bool ResolvedFile(const std::string& text, std::string& file) {
    file.clear();
    std::string expanded;
    const LONG rc = ExactExpandedText(text, expanded);
    if (rc == kInexactName)
        return false;
    if (rc != ERROR_SUCCESS)
        expanded = text;
    if (expanded.find_first_of("\\:") != std::string::npos) {
        file = expanded;
        return true;
    }
    std::string found;
    const LONG located = ExactSearchPath(expanded, ".exe", found);
    if (located == kInexactName)
        return false;
    file = located == ERROR_SUCCESS ? found : expanded;
    return true;
}

// The command with the quotes around its program's path taken off: the opening quote and the
// one that closes it.
std::string WithoutPathQuotes(const std::string& command) {
    const std::string text = Trim(command);
    if (text.empty() || text[0] != '"')
        return text;
    const size_t close = text.find('"', 1);
    if (close == std::string::npos)
        return text.substr(1);
    return text.substr(1, close - 1) + text.substr(close + 1);
}

bool EndsProgramName(const std::string& upper, size_t end) {
    static const char* const kExtensions[] = {".EXE", ".COM", ".BAT", ".CMD"};
    for (const char* extension : kExtensions)
        if (end >= 4 && upper.compare(end - 4, 4, extension) == 0)
            return end == upper.size() || upper[end] == ' ' || upper[end] == '\t';
    return false;
}

} // namespace

CommandParts SplitCommandLine(const std::string& command) {
    const std::string text = Trim(command);
    CommandParts parts;
    if (text.empty())
        return parts;
    if (text[0] == '"') {
        const size_t close = text.find('"', 1);
        const size_t length = close == std::string::npos ? std::string::npos : close - 1;
        parts.exact = ResolvedFile(text.substr(1, length), parts.file);
        parts.arguments = close == std::string::npos ? "" : Trim(text.substr(close + 1));
        return parts;
    }
    const std::string upper = UpperCase(text);
    size_t firstEnd = std::string::npos;
    for (size_t end = 4; end <= text.size(); ++end) {
        if (!EndsProgramName(upper, end))
            continue;
        if (firstEnd == std::string::npos)
            firstEnd = end;
        std::string candidate;
        if (ResolvedFile(text.substr(0, end), candidate) && FileExists(candidate)) {
            parts.file = candidate;
            parts.arguments = Trim(text.substr(end));
            return parts;
        }
    }
    size_t end = firstEnd;
    if (end == std::string::npos)
        end = FileExists(text) || DirectoryExists(text) ? text.size() : text.find(' ');
    parts.exact = ResolvedFile(text.substr(0, end), parts.file);
    parts.arguments = end == std::string::npos ? "" : Trim(text.substr(end));
    return parts;
}

std::string CommandLineToFilePath(const std::string& text) {
    std::string s = text;
    if (!s.empty() && s[0] == '@')
        s.erase(0, 1);
    s = ReplaceAll(s, "\"", "");
    ExpandUpper(s, "%SYSTEMROOT%\\", GetWindowsFolder() + "\\");
    ExpandUpper(s, "%ProgramFiles%", GetProgramFilesDir());
    ExpandUpper(s, "%Windir%", GetWindowsFolder());
    if (StartsText(Trim(s), "msiexec"))
        s = GetSystemFolder() + "\\" + s;
    if (FileExists(s))
        return s;

    const size_t colon = s.find(':');
    const std::string rest = colon == std::string::npos ? s : s.substr(colon + 1);
    const size_t second = rest.find(':');
    // The drive letter before the first colon, or the start of the text.
    const size_t drive = (colon == std::string::npos || colon == 0) ? 0 : colon - 1;
    if (second == std::string::npos) {
        const std::string folder = FolderPart(s);
        const std::string name = folder.empty() ? s : ReplaceAll(s, folder, "");
        return (folder + CutArguments(name)).substr(drive);
    }
    // A second path in the arguments: keep the text up to its drive letter, then cut the
    // arguments off when what is left does not end in a plain extension.
    std::string result = s.substr(drive, colon + 1 + second - drive);
    if (ExtensionOf(result).size() > 4)
        result = CommandLineToFilePath(result);
    return result;
}

std::string GetCommandLineParams(const std::string& text) {
    std::string s = text;
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    const size_t exe = UpperCase(s).find(".EXE");
    // After ".exe" and one more character: the closing quote or the blank.
    if (exe == std::string::npos || exe + 1 >= s.size() || exe + 5 >= s.size())
        return std::string();
    return Trim(s.substr(exe + 5));
}

std::string NormalizeUninstallCommand(const std::string& command) {
    if (ContainsText(command, "rundll32") || ContainsText(command, "mcafee"))
        return ReplaceAll(command, "'", "");
    if (ContainsText(command, "MsiExec"))
        return command;
    const std::string path = CommandLineToFilePath(command);
    const std::string params = GetCommandLineParams(command);
    const std::string normalised =
        Trim(params).empty() || ContainsText(path, params) ? path : path + " " + params;
    // Only the quotes around the program's path may go. Anything more changes what the
    // uninstaller receives: a text that begins and ends with a quote loses the closing quote
    // of its last argument (/log="C:\x.log"), a path cut inside the arguments repeats them,
    // a word of the path drops them. Such a command runs as the entry holds it.
    if (!SameText(normalised, WithoutPathQuotes(command)))
        return command;
    return normalised;
}

} // namespace ku
