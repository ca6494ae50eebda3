// Classes in the registry: where a key lies in one, the server it runs, its vital keys.
#include "core/system/ClassKeys.h"

#include <cctype>
#include <cstring>

#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Names below a Classes key that hold no class of their own.
const char* const kNoClassNames[] = {"Interface", "TypeLib", "AppID", "Installer", "MIME",
                                     "Component Categories", "Record", "Wow6432Node", "CLSID"};
// The verbs Windows and the class's own program define; a verb with any other name was
// added by some program.
const char* const kStandardVerbs[] = {"open",    "edit",  "print",   "printto", "explore",
                                      "find",    "opennew", "runas", "play",    "preview",
                                      "openas", "properties"};

std::vector<std::string> SplitKeyNames(const std::string& path) {
    std::vector<std::string> names;
    for (const std::string& name : SplitString(path, '\\'))
        if (!name.empty())
            names.push_back(name);
    return names;
}

std::string Join(const std::vector<std::string>& names, size_t count) {
    std::string path;
    for (size_t i = 0; i < count && i < names.size(); ++i)
        path += (path.empty() ? "" : "\\") + names[i];
    return path;
}

// The index of the first name below the Classes key, or npos when the key is not in one.
size_t ClassesStart(HKEY root, const std::vector<std::string>& names) {
    if (root == HKEY_CLASSES_ROOT)
        return 0;
    size_t at = 0;
    if (root == HKEY_USERS) {
        if (names.empty())
            return std::string::npos;
        if (EndsText(names[0], "_Classes"))
            return 1;
        at = 1; // a user's hive: <sid>\Software\Classes
    } else if (root != HKEY_LOCAL_MACHINE && root != HKEY_CURRENT_USER) {
        return std::string::npos;
    }
    if (names.size() >= at + 2 && SameText(names[at], "SOFTWARE") &&
        SameText(names[at + 1], "Classes"))
        return at + 2;
    return std::string::npos;
}

bool IsListed(const std::string& name, const char* const* list, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (SameText(name, list[i]))
            return true;
    return false;
}

std::string ReadDefault(HKEY root, const std::string& path, REGSAM view) {
    UniqueKey key;
    if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ | view,
                      key.put()) != ERROR_SUCCESS)
        return std::string();
    // A text the code page cannot hold reads as empty: it never names a file to act on.
    std::string text;
    if (RegQueryStringExact(key.get(), "", text) != ERROR_SUCCESS)
        return std::string();
    return Trim(text);
}

std::string ComServer(HKEY root, const std::string& classPath, REGSAM view) {
    for (const char* server : {"InprocServer32", "LocalServer32", "InprocHandler32"}) {
        const std::string text = ReadDefault(root, classPath + "\\" + server, view);
        if (!text.empty())
            return text;
    }
    return std::string();
}

// Empty when the expanded text holds a name the code page cannot hold: it names no file here.
std::string Expanded(const std::string& text) {
    std::string expanded;
    const LONG rc = ExactExpandedText(text, expanded);
    return rc == ERROR_SUCCESS ? expanded : rc == kInexactName ? std::string() : text;
}

std::string Below(const std::string& classesPath, const std::string& name) {
    return classesPath.empty() ? name : classesPath + "\\" + name;
}

} // namespace

ClassPlace FindClassPlace(HKEY root, const std::string& keyPath) {
    ClassPlace place;
    const std::vector<std::string> names = SplitKeyNames(keyPath);
    size_t at = ClassesStart(root, names);
    if (at == std::string::npos || at >= names.size())
        return place;
    if (SameText(names[at], "Wow6432Node"))
        ++at;
    if (at >= names.size())
        return place;
    size_t classEnd = at + 1;
    if (SameText(names[at], "CLSID")) {
        if (names.size() < at + 2)
            return place;
        place.comClass = true;
        classEnd = at + 2;
    } else if (names[at][0] == '.' ||
               IsListed(names[at], kNoClassNames, sizeof kNoClassNames / sizeof *kNoClassNames)) {
        return place;
    }
    place.classesPath = Join(names, at);
    place.classPath = Join(names, classEnd);
    place.rest.assign(names.begin() + classEnd, names.end());
    return place;
}

std::string ReadClassServer(HKEY root, const ClassPlace& place, REGSAM view) {
    if (place.classPath.empty())
        return std::string();
    if (place.comClass)
        return ComServer(root, place.classPath, view);
    const std::string command = ReadDefault(root, place.classPath + "\\shell\\open\\command", view);
    if (!command.empty())
        return command;
    const std::string clsid = ReadDefault(root, place.classPath + "\\CLSID", view);
    if (clsid.empty() || clsid.find('\\') != std::string::npos)
        return std::string();
    return ComServer(root, Below(place.classesPath, "CLSID\\" + clsid), view);
}

std::string ClassServerFile(const std::string& serverText) {
    const std::string text = Trim(Expanded(serverText));
    if (!text.empty() && text[0] == '"') {
        const size_t close = text.find('"', 1);
        return text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    const std::string upper = UpperCase(text);
    for (size_t at = upper.find('.'); at != std::string::npos; at = upper.find('.', at + 1)) {
        const size_t end = at + 4;
        if (end > upper.size() || (end < upper.size() && upper[end] != ' ' && upper[end] != ','))
            continue;
        const std::string extension = upper.substr(at, 4);
        if (extension == ".EXE" || extension == ".DLL" || extension == ".OCX" ||
            extension == ".COM")
            return text.substr(0, end);
    }
    return text;
}

bool IsWindowsServer(const std::string& serverText) {
    const std::string text = UpperCase(Expanded(serverText));
    const std::string windows = UpperCase(GetWindowsDir()) + "\\";
    if (Trim(text).empty() || windows.size() < 4)
        return false;
    for (size_t at = text.find(":\\"); at != std::string::npos; at = text.find(":\\", at + 1)) {
        if (at == 0 || !isalpha(static_cast<unsigned char>(text[at - 1])))
            continue;
        if (text.compare(at - 1, windows.size(), windows) != 0)
            return false;
    }
    return true;
}

bool IsClassServerPart(const std::vector<std::string>& rest) {
    if (rest.size() < 2)
        return true; // the class key and its direct keys: servers, icon, shell, shellex ...
    if (SameText(rest[0], "shell"))
        return IsListed(rest[1], kStandardVerbs, sizeof kStandardVerbs / sizeof *kStandardVerbs);
    if (SameText(rest[0], "shellex"))
        return rest.size() < 3;
    return true;
}

} // namespace ku
