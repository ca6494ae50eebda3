// The folder finders of every profile row: the registry values each row reads are planted
// with a folder of the test's own (and the row's markers around it), and the finder must list
// exactly that folder's files, never the vendor folder beside it, and nothing without them.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include <shlobj.h>

#include "core/scan/LeftoverEngine.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"
#include "support/SystemSnapshot.h"

namespace {

using ku::StepKind;
using Paths = std::set<std::string>; // upper case: an any-case marker keeps the value's case

bool Exact(StepKind kind) { return kind == StepKind::CutBefore || kind == StepKind::KeepFolderOf; }
bool KeepsFolder(StepKind kind) {
    return kind == StepKind::KeepFolderOf || kind == StepKind::KeepFolderOfAnyCase;
}

std::string SwapCase(std::string text) {
    for (char& c : text)
        c = std::islower(static_cast<unsigned char>(c)) ? std::toupper(c) : std::tolower(c);
    return text;
}

// The folder name the marker starts: "\AVP7\Bases" -> "AVP7".
std::string FirstName(const std::string& marker) {
    const std::string name = marker[0] == '\\' ? marker.substr(1) : marker;
    return name.substr(0, name.find('\\'));
}

// The value that the source's steps turn into `folder` (markers recased when asked).
std::string RawValueFor(const ku::FolderSource& source, const std::string& folder, bool recase) {
    std::string value = folder;
    for (auto step = source.steps.rbegin(); step != source.steps.rend(); ++step) {
        const std::string marker = recase ? SwapCase(step->text) : step->text;
        const StepKind kind = step->kind;
        if (kind == StepKind::CutBefore || kind == StepKind::CutBeforeAnyCase)
            value += marker + "\\tail.exe";
        else if (KeepsFolder(kind))
            value = value.substr(0, value.size() - FirstName(step->text).size() - 1) +
                    (marker[0] == '\\' ? "" : "\\") + marker + "\\bin\\tail.exe";
        else if (kind == StepKind::DropFirst)
            value = std::string(step->count, '"') + value;
        else if (kind == StepKind::DropLeadingQuote || kind == StepKind::RemoveQuotes)
            value = "\"" + value + (kind == StepKind::RemoveQuotes ? "\"" : "");
        else if (kind == StepKind::Trim)
            value = " " + value;
        else if (kind == StepKind::DropLast)
            value += std::string(step->count, 'z');
        else if (kind == StepKind::Append)
            value = value.substr(0, value.size() - step->text.size());
    }
    return source.steps.empty() ? value + "\\" : value;
}

// A folder of the test's own that the source should lead to, with two files in it and a
// decoy in the folder above it (the vendor's); answers the files expected.
Paths MakeFolder(const std::string& folder) {
    kutest::WriteTextFile(folder.substr(0, folder.rfind('\\')) + "\\decoy.txt");
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    kutest::WriteTextFile(folder + "\\a.txt");
    kutest::WriteTextFile(folder + "\\sub\\b.txt");
    return {ku::UpperCase(folder + "\\a.txt"), ku::UpperCase(folder + "\\sub\\b.txt")};
}

// Plants what one source reads; answers the files its finder must list.
Paths PlantSource(const ku::FolderSource& source, const std::string& base, bool recase,
                  kutest::PlantedRegistry& registry) {
    std::string folder = base;
    for (const ku::PathStep& step : source.steps) {
        if (KeepsFolder(step.kind))
            folder = base + "\\vendor\\" + FirstName(step.text);
        if (step.kind == StepKind::Append)
            folder += step.text;
    }
    if (source.kind == ku::SourceKind::BinaryText) // its text ends in the last 50 characters
        folder = base + "\\" + std::string(49 - base.size(), 'p');
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    Paths files = MakeFolder(folder);
    const std::string value = RawValueFor(source, folder, recase);
    const ku::SourceKind kind = source.kind;
    if (kind == ku::SourceKind::Value)
        registry.String(source.root, source.keyPath, source.valueName, value);
    if (kind == ku::SourceKind::BinaryText)
        registry.Value(source.root, source.keyPath, source.valueName, REG_BINARY,
                       "  " + value + std::string(5, '\0'));
    if (kind == ku::SourceKind::FirstNonEmpty) { // the first key has only blanks: the next counts
        registry.String(source.root, source.keyPath, source.valueName, "  ");
        registry.String(source.root, source.moreKeys[0], source.valueName, value);
    }
    if (kind == ku::SourceKind::EachSubkey)
        registry.String(source.root, source.keyPath + "\\7.2" + source.subPath, source.valueName,
                        value);
    if (kind == ku::SourceKind::Environment)
        SetEnvironmentVariableA(source.keyPath.c_str(), value.c_str());
    bool exact = false;
    for (const ku::PathStep& step : source.steps)
        exact = exact || (Exact(step.kind) && SwapCase(step.text) != step.text);
    return recase && exact ? Paths() : files;
}

bool HasRegistrySources(const ku::ProfileRow& row) {
    bool registry = !row.finder && !row.sources.empty();
    for (const ku::FolderSource& source : row.sources)
        registry = registry && source.kind != ku::SourceKind::WindowsFolder &&
                   source.kind != ku::SourceKind::OwnWindowsFolder;
    return registry;
}

// The files the row's scan lists.
Paths Scan(const ku::ProfileRow& row) {
    Paths found;
    std::vector<std::string> fileList;
    ku::TUninstallerContents contents;
    ku::ProfileSite site;
    site.fileList = &fileList;
    site.contents = &contents;
    ku::ScanProfileRow(row, site);
    for (int i = 0; i < contents.Count(); ++i)
        found.insert(ku::UpperCase(contents.GetItem(i).Content.FilePath));
    return found;
}

class ProfileFinders : public ::testing::Test {
  protected:
    void SetUp() override { ku::RegistryView64 = kutest::RunningUnderWow64(); }
    void TearDown() override { ku::RegistryView64 = false; }
    const REGSAM view = kutest::NativeView();
};

TEST_F(ProfileFinders, EveryRowListsExactlyItsProductsFolders) {
    for (bool recase : {false, true}) {
        for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
            if (!HasRegistrySources(*row))
                continue;
            if (!recase) { // the application is missing: nothing found
                EXPECT_TRUE(Scan(*row).empty()) << row->unit;
            }
            kutest::ScratchDir dir("kf"); // short: one source reads the last 50 characters
            Paths expected;
            {
                kutest::PlantedRegistry registry(view);
                for (size_t i = 0; i < row->sources.size(); ++i) {
                    const Paths files = PlantSource(
                        row->sources[i], dir.Path() + "\\s" + std::to_string(i), recase, registry);
                    expected.insert(files.begin(), files.end());
                }
                EXPECT_EQ(Scan(*row), expected) << row->unit << (recase ? " recased" : "");
            }
            SetEnvironmentVariableA("ProgramFiles", nullptr);
        }
    }
}

// A found folder is scanned only when it is a product's own: never one the delete guard
// refuses (a shared or profile folder) nor a path that is not absolute (what a missed cut
// leaves), which would be read against the current folder.
TEST_F(ProfileFinders, ScanOnlyAbsoluteFoldersTheDeleteGuardAllows) {
    kutest::ScratchDir dir;
    CreateDirectoryA(dir.File("own").c_str(), nullptr);
    MakeFolder(dir.File("own"));
    char profile[MAX_PATH] = {}, current[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(dir.Path().c_str());
    const ku::ProfileRow row = ku::ProfileRow().Sources({ku::Hkcu("Software\\KuFinder", "Dir")});
    const std::pair<std::string, size_t> cases[] = {
        {dir.File("own"), 2}, {"own", 0}, {"C:\\Program Files\\Common Files", 0}, {profile, 0}};
    for (const auto& c : cases) {
        kutest::PlantedRegistry registry(view);
        registry.String(HKEY_CURRENT_USER, "Software\\KuFinder", "Dir", c.first);
        EXPECT_EQ(Scan(row).size(), c.second) << c.first;
    }
    SetCurrentDirectoryA(current);
}

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

// A product's Folder value naming a folder of Windows' components or data, or one below them,
// lists nothing there: the stand-ins planted below them survive a scan and a removal of all
// it listed. The folders themselves (the prefix has them) list nothing either.
TEST_F(ProfileFinders, ComponentAndDataFoldersOfWindowsAreNoProductsFolder) {
    const std::string programs = Env("ProgramFiles(x86)").empty() ? Env("ProgramFiles")
                                                                 : Env("ProgramFiles(x86)");
    const std::string tag = "\\kutest-standin" + std::to_string(GetCurrentProcessId());
    const std::string standIns[] = {programs + "\\Common Files\\System" + tag,
                                    programs + "\\Internet Explorer" + tag,
                                    Env("APPDATA") + "\\Microsoft\\Protect" + tag,
                                    Env("ProgramFiles") + "\\Microsoft.NET" + tag};
    for (const std::string& folder : standIns) {
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(kutest::WriteTextFile(folder + "\\library.dll")) << folder;
    }
    const ku::ProfileRow row = ku::ProfileRow().Sources({ku::Hkcu("Software\\KuFinder", "Dir")});
    for (const std::string& folder :
         {standIns[0], standIns[1], standIns[2], standIns[3], programs + "\\Common Files\\System",
          programs + "\\Internet Explorer", programs + "\\Common Files\\System\\ADO"}) {
        kutest::PlantedRegistry registry(view);
        registry.String(HKEY_CURRENT_USER, "Software\\KuFinder", "Dir", folder);
        const kutest::DriveSnapshot before = kutest::TakeDriveSnapshot(folder);
        std::vector<std::string> fileList;
        ku::TUninstallerContents contents;
        ku::ProfileSite site;
        site.fileList = &fileList;
        site.contents = &contents;
        ku::ScanProfileRow(row, site);
        EXPECT_EQ(contents.Count(), 0) << folder;
        if (folder.find(tag) != std::string::npos) { // stand-ins only: the removal of the list
            kutest::RecordingDialogs dialogs;            // Yes: permanently
            ku::DeleteFileLeftovers(contents);
            EXPECT_EQ(kutest::TakeDriveSnapshot(folder), before) << folder;
        }
    }
    for (const std::string& folder : standIns) {
        DeleteFileA((folder + "\\library.dll").c_str());
        RemoveDirectoryA(folder.c_str());
    }
}

} // namespace
