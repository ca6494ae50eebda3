// Classes in the registry: where a key lies in one, the server it runs, its vital keys.
#include "core/system/ClassKeys.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/system/DeleteHelpers.h"
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
    // The 32-bit view's classes of the machine, spelled through its node.
    if (names.size() >= at + 3 && SameText(names[at], "SOFTWARE") &&
        SameText(names[at + 1], "Wow6432Node") && SameText(names[at + 2], "Classes"))
        return at + 3;
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

// The drive path that starts at `start` in a command or server text: up to its closing quote
// when quoted, else up to the end of the first file name with a program's or library's
// extension, else up to a "," or the end.
std::string DrivePathAt(const std::string& text, size_t start) {
    if (start > 0 && text[start - 1] == '"') {
        const size_t close = text.find('"', start);
        return text.substr(start, close == std::string::npos ? std::string::npos : close - start);
    }
    const std::string upper = UpperCase(text);
    for (size_t at = upper.find('.', start); at != std::string::npos;
         at = upper.find('.', at + 1)) {
        const size_t end = at + 4;
        if (end > upper.size() ||
            (end < upper.size() && std::strchr(" ,\"", upper[end]) == nullptr))
            continue;
        const std::string extension = upper.substr(at, 4);
        for (const char* known : {".EXE", ".DLL", ".OCX", ".COM", ".TLB", ".SYS", ".CPL"})
            if (extension == known)
                return text.substr(start, end - start);
    }
    const size_t comma = text.find(',', start);
    return text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
}

// True when the text names a file outside the Windows and component folders: a server of an
// application's own.
bool IsApplicationServer(const std::string& serverText) {
    return !Trim(serverText).empty() && !IsWindowsServer(serverText);
}

// The names below the classes root that holds the key, the 32-bit view's node left out; false
// when the key lies in no classes root.
bool NamesBelowClasses(HKEY root, const std::string& keyPath, std::string& classesPath,
                       std::vector<std::string>& below) {
    const std::vector<std::string> names = SplitKeyNames(keyPath);
    size_t at = ClassesStart(root, names);
    if (at == std::string::npos)
        return false;
    if (at < names.size() && SameText(names[at], "Wow6432Node"))
        ++at;
    classesPath = Join(names, at);
    below.assign(names.begin() + std::min(at, names.size()), names.end());
    return true;
}

// The names of a key's subkeys that the code page holds; a library has a few versions and
// locales, so a key with far more is no type library and is read no further.
std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (DWORD index = 0; index < 256; ++index) {
        const LONG rc = RegEnumKeyExact(key, index, name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            names.push_back(name);
    }
    return names;
}

// The files a type library names: the "win32" and "win64" paths of each version and locale.
std::vector<std::string> TypeLibFiles(HKEY root, const std::string& libraryPath, REGSAM view) {
    std::vector<std::string> files;
    UniqueKey library;
    if (RegOpenKeyExA(root, libraryPath.c_str(), 0, KEY_READ | view, library.put()) !=
        ERROR_SUCCESS)
        return files;
    for (const std::string& version : SubkeyNames(library.get())) {
        UniqueKey versionKey;
        if (RegOpenKeyExA(library.get(), version.c_str(), 0, KEY_READ | view, versionKey.put()) !=
            ERROR_SUCCESS)
            continue;
        for (const std::string& locale : SubkeyNames(versionKey.get()))
            for (const char* platform : {"win32", "win64"})
                files.push_back(ReadDefault(
                    root, libraryPath + "\\" + version + "\\" + locale + "\\" + platform, view));
    }
    return files;
}

// An interface or type library is an application's when it leads to a file of the
// application: the interface's proxy server or its type library, the library's own files.
bool LeadsToApplicationFile(HKEY root, const std::string& classesPath,
                            const std::vector<std::string>& below, REGSAM view) {
    const std::string own = Below(classesPath, below[0] + "\\" + below[1]);
    std::string library = own;
    if (SameText(below[0], "Interface")) {
        for (const char* proxy : {"ProxyStubClsid32", "ProxyStubClsid"}) {
            const std::string clsid = ReadDefault(root, own + "\\" + proxy, view);
            if (!clsid.empty() && clsid.find('\\') == std::string::npos &&
                IsApplicationServer(ComServer(root, Below(classesPath, "CLSID\\" + clsid), view)))
                return true;
        }
        const std::string libraryId = ReadDefault(root, own + "\\TypeLib", view);
        if (libraryId.empty() || libraryId.find('\\') != std::string::npos)
            return false;
        library = Below(classesPath, "TypeLib\\" + libraryId);
    }
    for (const std::string& file : TypeLibFiles(root, library, view))
        if (IsApplicationServer(file))
            return true;
    return false;
}

bool IsOpenWithList(const std::string& name) {
    return SameText(name, "OpenWithProgids") || SameText(name, "OpenWithList");
}

// An extension is Windows' when the class it names is: its own values and keys stay, while an
// entry a program added to its lists of programs goes.
bool IsWindowsExtensionPart(HKEY root, const std::string& classesPath,
                            const std::vector<std::string>& below, bool value, REGSAM view) {
    const std::vector<std::string> rest(below.begin() + 1, below.end());
    if (!rest.empty() && IsOpenWithList(rest[0]) && (value || rest.size() >= 2))
        return false;
    if (!IsClassServerPart(rest))
        return false;
    const std::string className = ReadDefault(root, Below(classesPath, below[0]), view);
    if (className.empty() || className.find('\\') != std::string::npos || className[0] == '.')
        return false;
    const ClassPlace place = FindClassPlace(root, Below(classesPath, className));
    return !place.classPath.empty() && IsWindowsServer(ReadClassServer(root, place, view));
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
    const std::string text = Expanded(serverText);
    if (Trim(text).empty())
        return false;
    for (size_t at = text.find(":\\"); at != std::string::npos; at = text.find(":\\", at + 1)) {
        if (at == 0 || !isalpha(static_cast<unsigned char>(text[at - 1])))
            continue;
        if (!IsWindowsComponentPath(DrivePathAt(text, at - 1)))
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

bool IsWindowsClassesEntry(HKEY root, const std::string& keyPath, bool value, REGSAM view) {
    std::string classesPath;
    std::vector<std::string> below;
    if (!NamesBelowClasses(root, keyPath, classesPath, below) || below.empty())
        return false;
    if (below[0][0] == '.')
        return IsWindowsExtensionPart(root, classesPath, below, value, view);
    if (SameText(below[0], "Interface") || SameText(below[0], "TypeLib"))
        return below.size() >= 2 && !LeadsToApplicationFile(root, classesPath, below, view);
    const ClassPlace place = FindClassPlace(root, keyPath);
    return !place.classPath.empty() && IsClassServerPart(place.rest) &&
           IsWindowsServer(ReadClassServer(root, place, view));
}

} // namespace ku
