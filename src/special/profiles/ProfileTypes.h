// How an application profile is described: its data-file section, what it stops first, where
// its install folders are found and what it does besides its section. The table of all
// profiles is built from these rows; one small engine runs any row.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "core/scan/LeftoverEngine.h"

namespace ku {

struct RemovalReport;

// What the profiles work on: the folder of the data files, the window their messages belong
// to and, for the folder finders, the wizard's progress caption, its found-file list and its
// leftover list; for the run procedures, where what they found and what stays is counted
// (none: not counted).
struct ProfileSite {
    std::string dataFolder; // empty: the program folder
    HWND owner = nullptr;   // of the data-file messages: the wizard that runs the profile
    LeftoverScanProgress progress;
    std::vector<std::string>* fileList = nullptr;
    TUninstallerContents* contents = nullptr;
    RemovalReport* report = nullptr;
};

enum class DataFile { None, CodeA, CodeB, CodeC };
const char* DataFileName(DataFile file);

// How a source key is opened: OpenKey(path, False, True), OpenKeyReadOnly(path, True) or
// OpenKey(path, False, False).
enum class OpenMode { Normal, ReadOnly, NoViewFlag };

enum class StepKind {
    CutBefore,        // the part before the marker, exact case; nothing when it is missing
    CutBeforeAnyCase, // the same, ignoring case
    KeepFolderOf,     // up to the end of the folder name that starts at the marker
    KeepFolderOfAnyCase,
    DropFirst,         // the first n characters
    DropLeadingQuote,  // one leading '"'
    KeepFirst,         // only the first n characters
    DropLast,          // the last n characters
    KeepLast,          // only the last n characters
    Append,            // the text at the end
    TrailingBackslash, // a "\" unless there is one
    Trim,
    RemoveQuotes, // every '"'
};

struct PathStep {
    StepKind kind;
    std::string text;
    int count = 0;
};

enum class SourceKind {
    Value,         // a string value of a key (the default value when the name is empty)
    BinaryText,    // a binary value read as 150 characters of text
    FirstNonEmpty, // the value of the first key of keyPath, then moreKeys, that has one
    EachSubkey,    // the value of keyPath\<every subkey>\subPath
    Environment,   // an environment variable (keyPath holds its name)
    WindowsFolder, // the Windows folder
    OwnWindowsFolder, // a folder of the product directly below it (keyPath holds its name)
};

struct FolderSource {
    SourceKind kind = SourceKind::Value;
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string keyPath;
    std::string valueName;
    OpenMode open = OpenMode::Normal;
    bool asRead = false; // no trailing "\" removed before the steps
    std::vector<PathStep> steps;
    std::vector<std::string> moreKeys; // FirstNonEmpty
    std::string subPath;               // EachSubkey

    FolderSource ReadOnly() const;
    FolderSource NoViewFlag() const;
    FolderSource AsRead() const;
    FolderSource Cut(const std::string& marker) const;
    FolderSource CutAnyCase(const std::string& marker) const;
    FolderSource KeepFolder(const std::string& marker) const;
    FolderSource KeepFolderAnyCase(const std::string& marker) const;
    FolderSource Then(StepKind kind, int count = 0) const;
    FolderSource Append(const std::string& text) const;
};

FolderSource Hklm(const std::string& keyPath, const std::string& valueName);
FolderSource Hkcu(const std::string& keyPath, const std::string& valueName);
FolderSource Hkcr(const std::string& keyPath, const std::string& valueName);
// HKEY_LOCAL_MACHINE sources of the other kinds.
FolderSource BinaryText(const std::string& keyPath, const std::string& valueName);
FolderSource FirstNonEmpty(const std::vector<std::string>& keys, const std::string& valueName);
FolderSource EachSubkey(const std::string& keyPath, const std::string& subPath,
                        const std::string& valueName);
FolderSource EnvironmentFolder(const std::string& variable);
FolderSource WindowsFolder();
// The product's own folder of that plain name directly below the Windows folder, which the
// delete guard lets the program name itself (see NamedWindowsFolder).
FolderSource OwnWindowsFolder(const std::string& name);

struct Stopper {
    bool service; // a service stopped by name, else processes ended by part of their name
    std::string name;
};
Stopper Service(const std::string& name);
Stopper Process(const std::string& name);

enum class ExtraCommand { None, RegisterOleAut, WinsockReset };

// A fixed deletion of a profile without a data-file section.
struct FixedDeletion {
    enum Kind { Key, Value, WindowsFile, SystemFile, WindowsFolder } kind;
    HKEY root;
    std::string path; // key path, or file name
    std::string value;
};
FixedDeletion DelKey(HKEY root, const std::string& path);
FixedDeletion DelValue(HKEY root, const std::string& path, const std::string& value);
FixedDeletion DelWindowsFile(const std::string& name);
FixedDeletion DelSystemFile(const std::string& name);
// The product's own folder directly below the Windows folder, with everything in it.
FixedDeletion DelWindowsFolder(const std::string& name);

struct ProfileRow;
using ProfileHook = void (*)(const ProfileRow& row, const ProfileSite& site);

struct ProfileRow {
    std::string unit;
    std::string mark; // "[unit]" unless the row says otherwise
    DataFile file = DataFile::None;
    std::vector<Stopper> stoppers;
    std::vector<FolderSource> sources;
    int pauseMs = 0; // between the service stops and the registry deletions
    ExtraCommand extra = ExtraCommand::None;
    bool hasRun = true;
    std::vector<FixedDeletion> fixed; // instead of a section
    ProfileHook beforeSection = nullptr;
    ProfileHook afterSection = nullptr;
    ProfileHook finder = nullptr; // instead of the registry sources
    ProfileHook afterFinder = nullptr;

    ProfileRow Mark(const std::string& mark) const;
    ProfileRow Stops(std::vector<Stopper> list) const;
    ProfileRow Sources(std::vector<FolderSource> list) const;
    ProfileRow Pause(int ms) const;
    ProfileRow Extra(ExtraCommand command) const;
    ProfileRow Fixed(std::vector<FixedDeletion> list) const;
    ProfileRow NoRun() const;
    ProfileRow Before(ProfileHook hook) const;
    ProfileRow After(ProfileHook hook) const;
    ProfileRow Finder(ProfileHook hook) const;
    ProfileRow AfterFinder(ProfileHook hook) const;
};

ProfileRow Profile(const std::string& unit, DataFile file);

// Key paths the rows share.
inline const char* const kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const char* const kComponentsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\";
inline std::string UninstallKey(const std::string& name) {
    return kUninstallKey + name;
}
inline std::string ComponentKey(const std::string& id) {
    return kComponentsKey + id;
}

} // namespace ku
