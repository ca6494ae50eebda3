// The shapes a data file's registry lines may have, read from the shipped sections.
#include "special/profiles/DataLineShapes.h"

#include <iterator>
#include <string>
#include <vector>

#include "core/system/ClassKeys.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileData.h"

namespace ku {

namespace {

using Names = std::vector<std::string>;

// The names Windows keeps directly below SOFTWARE, of the machine or a user: no vendor's.
// clang-format off
const char* const kWindowsSoftwareNames[] = {
    "Microsoft", "Classes", "Clients", "Policies", "RegisteredApplications", "Wow6432Node",
    "ODBC",      "Description", "DefaultUserEnvironment", "Setup", "Partner", "OEM", "Wine",
    "AppDataLow",
};
// clang-format on

// The classes root's own lists and the shell's classes of all files: no program's class.
// clang-format off
const char* const kClassesRootLists[] = {
    "CLSID",   "Interface", "TypeLib", "AppID", "Installer", "MIME", "PROTOCOLS",
    "Component Categories", "Record", "SystemFileAssociations", "Applications", "*",
    "AllFilesystemObjects", "Directory", "Folder", "Drive", "Unknown", "Local Settings",
    "DesktopBackground", "Network", "Printers", "Wow6432Node",
};
// clang-format on

// The products below SOFTWARE\Microsoft that the shipped sections remove: each key with what
// it holds.
const char* const kMicrosoftProducts[] = {
    "Windows CE Services",           "Pegasus",
    "Internet Explorer\\Setup\\8.0", "Internet Explorer\\Main\\ie8",
    "Internet Explorer\\IE8RunOnce",
};

bool Listed(const std::string& name, const char* const* list, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (SameText(name, list[i]))
            return true;
    return false;
}

Names Split(const std::string& path) {
    Names names;
    for (const std::string& name : SplitString(path, '\\'))
        if (!Trim(name).empty())
            names.push_back(name);
    return names;
}

// True when `names` begins with the names of `path`.
bool StartsWith(const Names& names, size_t from, const std::string& path) {
    const Names wanted = Split(path);
    if (names.size() < from + wanted.size())
        return false;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (!SameText(names[from + i], wanted[i]))
            return false;
    return true;
}

bool IsControlSet(const std::string& name) {
    return SameText(name, "CurrentControlSet") ||
           (name.size() == 13 && StartsText(name, "ControlSet") &&
            name.find_first_not_of("0123456789", 10) == std::string::npos);
}

// The line's key as names below a machine or user root; false for the roots no application
// keeps its keys in and for a name of dots alone.
bool LogicalNames(HKEY root, const std::string& keyPath, Names& logical, bool& machine) {
    Names names = Split(keyPath);
    for (const std::string& name : names)
        if (Trim(name).find_first_not_of('.') == std::string::npos)
            return false;
    machine = root == HKEY_LOCAL_MACHINE || root == HKEY_CLASSES_ROOT;
    if (root == HKEY_USERS) {
        if (names.empty())
            return false;
        const bool classes = EndsText(names.front(), "_Classes");
        names.erase(names.begin());
        if (classes)
            names.insert(names.begin(), {"SOFTWARE", "Classes"});
    } else if (root == HKEY_CLASSES_ROOT) {
        names.insert(names.begin(), {"SOFTWARE", "Classes"});
    } else if (root != HKEY_LOCAL_MACHINE && root != HKEY_CURRENT_USER) {
        return false;
    }
    logical.clear();
    for (const std::string& name : names)
        if (!SameText(name, "Wow6432Node"))
            logical.push_back(name);
    return true;
}

DataLineShape MicrosoftShape(const Names& names, bool isValue) {
    const std::string version = "Microsoft\\Windows\\CurrentVersion\\";
    if (StartsWith(names, 1, version + "Uninstall") && names.size() >= 6)
        return DataLineShape::UninstallEntry;
    if (StartsWith(names, 1, version + "Run") && names.size() == 5 && isValue)
        return DataLineShape::RunValue;
    for (const char* product : kMicrosoftProducts)
        if (StartsWith(names, 2, product))
            return DataLineShape::MicrosoftProduct;
    return DataLineShape::None;
}

// The program a Run value starts: the quoted or first program path of its command, or for
// rundll32.exe the library it is told to run. Empty when it expands to a name the code page
// cannot hold: no program the line may be judged by.
std::string RunProgram(const std::string& command) {
    std::string expanded;
    const LONG rc = ExactExpandedText(command, expanded);
    if (rc == kInexactName)
        return std::string();
    const std::string text = Trim(rc == ERROR_SUCCESS ? expanded : command);
    const std::string program = ClassServerFile(text);
    if (!SameText(ExtractFileName(program), "rundll32.exe"))
        return program;
    size_t end =
        text.find(program) == std::string::npos ? text.size() : text.find(program) + program.size();
    if (end < text.size() && text[end] == '"')
        ++end;
    return ClassServerFile(Trim(text.substr(end)));
}

bool IsApplicationsRunValue(const RegistryDeleteLine& line, REGSAM view) {
    UniqueKey key;
    if (RegOpenKeyExA(line.root, CleanKeyPath(line.keyPath).c_str(), 0, KEY_QUERY_VALUE | view,
                      key.put()) != ERROR_SUCCESS)
        return false;
    std::string command;
    if (RegQueryStringExact(key.get(), line.valueName, command) != ERROR_SUCCESS)
        return false;
    const std::string program = Trim(RunProgram(command));
    const bool drivePath = program.size() > 3 && program[1] == ':' && program[2] == '\\';
    return drivePath && !IsWindowsComponentPath(program);
}

} // namespace

DataLineShape ShapeOfDataLine(const RegistryDeleteLine& line) {
    Names names;
    bool machine = false;
    if (!line.valid || !LogicalNames(line.root, line.keyPath, names, machine) || names.size() < 2)
        return DataLineShape::None;
    if (SameText(names[0], "SYSTEM"))
        return machine && names.size() >= 4 && IsControlSet(names[1]) &&
                       SameText(names[2], "Services")
                   ? DataLineShape::ServiceKey
                   : DataLineShape::None;
    if (!SameText(names[0], "SOFTWARE"))
        return DataLineShape::None;
    if (SameText(names[1], "Classes"))
        return names.size() >= 3 && names[2][0] != '.' &&
                       !Listed(names[2], kClassesRootLists, std::size(kClassesRootLists))
                   ? DataLineShape::ProgramClass
                   : DataLineShape::None;
    if (SameText(names[1], "Microsoft"))
        return MicrosoftShape(names, line.isValue);
    if (Listed(names[1], kWindowsSoftwareNames, std::size(kWindowsSoftwareNames)))
        return DataLineShape::None;
    return DataLineShape::VendorKey;
}

bool DataLineMayDelete(const RegistryDeleteLine& line, REGSAM view) {
    switch (ShapeOfDataLine(line)) {
    case DataLineShape::None:
        return false;
    case DataLineShape::RunValue:
        return IsApplicationsRunValue(line, view);
    default:
        return true;
    }
}

} // namespace ku
