// The profile data files ("CodeA.dat" ...): reading one application's section, stopping the
// services it lists and deleting the registry keys and values it lists.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

struct RemovalReport;

inline const char* const kProfileMessageCaption = "KU";

// What one section holds: "FILE=" paths with their folder variable replaced, the registry
// deletion lines as written, the services of its "[Services]" block. A "FILE=" entry names
// one file of the DirectX redistributable (IsRedistributableFileName) in the Windows or the
// system folder, or in one plain subfolder of them ("%System%\d3dx9_43.dll",
// "%WinDir%\Logs\DirectX.log"); any other entry with a folder variable is left out.
struct ProfileSection {
    std::vector<std::string> Files;
    std::vector<std::string> RegLines;
    std::vector<std::string> Services;
};

// Fills the three lists from the section Mark (brackets included, e.g. "[UnitNorton]") of
// the file FileName in Folder (the program folder unless given). A missing file or a section
// without file or registry lines is reported in a message box captioned "KU", owned by owner
// (the window that runs the profile).
void ReadProfileSection(const std::string& mark, const std::string& fileName,
                        std::vector<std::string>& files, std::vector<std::string>& regLines,
                        std::vector<std::string>& services, const std::string& folder = "",
                        HWND owner = nullptr);
ProfileSection ReadProfileSection(const std::string& mark, const std::string& fileName,
                                  const std::string& folder = "", HWND owner = nullptr);

// Deletes one file of a section's file list through the guard's road for data-file names
// (DeleteRedistributableFile): only the DirectX redistributable's own files go.
// True only when the file is gone.
bool DeleteSectionFile(const std::string& path);

// Asks every listed service to stop, in order; blank lines are skipped, results ignored.
void StopServiceList(const std::vector<std::string>& services);

// One registry deletion line taken apart: "delRegkey(ROOT,'key')" or
// "delRegkeyvalue(ROOT,'key','value')". Valid only when the root is one of the seven
// predefined keys, the key is not empty and, for a value line, the value name stands in
// quotes ('' names the default value).
struct RegistryDeleteLine {
    bool valid = false;
    bool isValue = false;
    HKEY root = nullptr;
    std::string keyPath;
    std::string valueName;
};
RegistryDeleteLine ParseRegistryDeleteLine(const std::string& line);
// The predefined key of a root name in any case ("HKEY_CLASSES_ROOT" ... "HKEY_DYN_DATA"),
// or nullptr.
HKEY PredefinedRootKey(const std::string& name);

// Deletes every valid line's key or value through the guarded delete helpers, in each registry
// view it is found in, when the line has one of an application's shapes (DataLineShapes.h); a
// report, when given, counts what was there and what stays, the items of refused lines too.
void ExecuteRegistryDeleteLines(const std::vector<std::string>& lines,
                                RemovalReport* report = nullptr);

} // namespace ku
