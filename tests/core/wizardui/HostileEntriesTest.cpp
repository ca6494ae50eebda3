// Hostile and broken Uninstall entries as real machines carry them, each through the wizard's
// real scans and removal, checked by difference of the whole registry and drive C:: nothing
// but the entry's own data is listed or deleted, and no process but its own is ended.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "support/SystemSnapshot.h"
#include "core/Dialogs.h"
#include "core/MainWindowLogic.h"
#include "core/PublicFunctionUnit.h"
#include "core/ScanWord.h"
#include "core/SharedState.h"
#include "core/StrUtil.h"
#include "support/Spawn.h"
#include "core/ui/UnitStepForm.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

const char kEntries[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const REGSAM kEntryView = KEY_WOW64_32KEY; // the 32-bit programs' entries

std::string ProgramFiles32() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr,
                     kutest::RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES,
                     nullptr, 0, path);
    return path;
}

// "HKCU\Software\X" or "HKLM\Software\X" as root and path.
HKEY RootOf(const std::string& key, std::string* path) {
    *path = key.substr(5);
    return key.compare(0, 4, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

struct Entry {
    std::string key, displayName, uninstallString;
};

struct HostileCase {
    Entry entry;
    int answer = IDYES; // to "the program's own uninstaller did not remove ..."
    std::vector<std::string> ownKeys, ownFiles;     // made here, must be gone
    std::vector<Entry> theirEntries;                // other programs: must stay
    std::vector<std::string> theirKeys, theirFiles; // must stay
    std::string ownExe, theirExe;                   // running: ended / left running
};

// Everything one case puts on the machine, taken away again at the end.
class Planted {
  public:
    explicit Planted(const HostileCase& c) : case_(c) {
        AddEntry(c.entry);
        for (const Entry& entry : c.theirEntries)
            AddEntry(entry);
        for (const std::string& key : Keys()) {
            std::string path;
            const HKEY root = RootOf(key, &path);
            kutest::RawSetString(root, path, "Data", "x", 0);
        }
        for (const std::string& file : Files())
            MakeFile(file);
        for (const std::string& exe : {c.ownExe, c.theirExe})
            if (!exe.empty())
                CreateDirectoryA(ExtractFileDir(exe).c_str(), nullptr);
        if (!c.ownExe.empty())
            own_ = std::make_unique<kutest::Sleeper>(ExtractFileDir(c.ownExe),
                                                     ExtractFileName(c.ownExe));
        if (!c.theirExe.empty())
            their_ = std::make_unique<kutest::Sleeper>(ExtractFileDir(c.theirExe),
                                                       ExtractFileName(c.theirExe));
    }
    ~Planted() {
        own_.reset();
        their_.reset();
        kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kEntries + case_.entry.key, kEntryView);
        for (const Entry& entry : case_.theirEntries)
            kutest::RawDeleteTree(HKEY_LOCAL_MACHINE, kEntries + entry.key, kEntryView);
        for (const std::string& key : Keys()) {
            std::string path;
            const HKEY root = RootOf(key, &path);
            kutest::RawDeleteTree(root, path, 0);
        }
        for (const std::string& file : Files()) {
            DeleteFileA(file.c_str());
            RemoveDirectoryA(ExtractFileDir(file).c_str());
        }
        for (const std::string& exe : {case_.ownExe, case_.theirExe})
            RemoveDirectoryA(ExtractFileDir(exe).c_str());
    }
    bool OwnRunning() const { return own_ && own_->Running(); }
    bool TheirsRunning() const { return their_ && their_->Running(); }

  private:
    static void AddEntry(const Entry& entry) {
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kEntries + entry.key, "DisplayName",
                             entry.displayName, kEntryView);
        kutest::RawSetString(HKEY_LOCAL_MACHINE, kEntries + entry.key, "UninstallString",
                             entry.uninstallString, kEntryView);
    }
    static void MakeFile(const std::string& file) {
        CreateDirectoryA(ExtractFileDir(file).c_str(), nullptr);
        kutest::WriteTextFile(file, "data");
    }
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys = case_.ownKeys;
        keys.insert(keys.end(), case_.theirKeys.begin(), case_.theirKeys.end());
        return keys;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> files = case_.ownFiles;
        files.insert(files.end(), case_.theirFiles.begin(), case_.theirFiles.end());
        return files;
    }
    const HostileCase& case_;
    std::unique_ptr<kutest::Sleeper> own_, their_;
};

// The wizard as the main window hands the entry over and a user clicks through it; the
// items it listed, as "HKLM\..." / "HKCU\..." and file paths.
std::vector<std::string> RunWizard(const HostileCase& c, std::vector<std::string>& asked) {
    SetMessageBoxHook([&](const MessageBoxCall& call) {
        asked.push_back(call.text);
        return call.text.find("did not remove") != std::string::npos ? c.answer : IDYES;
    });
    UninstallItemUnit::TContent record;
    record.DisplayName = c.entry.displayName;
    record.SubKeyName = c.entry.key;
    record.UninstallString = c.entry.uninstallString;
    const UninstallWizardRequest request = MakeNormalUninstallRequest(record, c.entry.key, -1);
    std::vector<std::string> listed;
    TUninstallStepForm form;
    form.DisplayName = request.DisplayName;
    form.UninstallKeyName = request.UninstallKeyName;
    form.UninstallCommand = request.UninstallCommand;
    EXPECT_TRUE(form.Create(nullptr));
    form.StepBitBtnClick();
    form.StepBitBtnClick();
    if (form.PageIndex() == PageResult) {
        for (int i = 0; i < form.State.LeftoverList.Count(); ++i) {
            const TContent& item = form.State.LeftoverList.GetItem(i).Content;
            listed.push_back(
                item.ItemType == kItemFile
                    ? item.FilePath
                    : (item.RootKeyName == "HKEY_LOCAL_MACHINE" ? "HKLM\\" : "HKCU\\") +
                          item.KeyPath);
        }
        form.StepBitBtnClick();
        form.WaitForRemoval();
        form.StepBitBtnClick();
    }
    SetMessageBoxHook(nullptr);
    return listed;
}

bool StartsWithAny(const std::string& text, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
        return UpperCase(text).rfind(UpperCase(prefix), 0) == 0;
    });
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

std::vector<HostileCase> Cases() {
    const std::string pf = ProgramFiles32();
    const std::string windows = GetWindowsDir();
    const std::string elsewhere = std::string(kutest::kScratchRoot) + "\\KuHostileElsewhere";
    std::vector<HostileCase> cases(8);
    cases[0].entry = {"Windows", "Windows", pf + "\\Windows\\uninst.exe"};
    cases[0].theirEntries = {{"KuWindows Tool", "Windows Tool", windows + "\\notepad.exe"}};
    cases[0].theirKeys = {"HKCU\\Software\\KuCanary\\Windows"};
    cases[1].entry = {"Microsoft", "Microsoft", pf + "\\Microsoft\\uninst.exe"};
    cases[1].theirKeys = {"HKCU\\Software\\Microsoft\\KuCanary"};
    cases[2].entry = {"Program", "Program", pf + "\\Program\\uninst.exe"};
    cases[2].theirFiles = {pf + "\\KuCanary\\Program.dat"};
    cases[3].entry = {"Common", "Common", pf + "\\Common Files\\uninst.exe"};
    cases[3].theirFiles = {pf + "\\Common Files\\KuCanary\\common.dat"};
    cases[4].entry = {"KuBareWinDir", "Ku Bare Windows Folder", windows};
    cases[4].ownKeys = {"HKCU\\Software\\KuBareWinDir"};
    cases[4].theirKeys = {"HKCU\\Software\\KuCanary\\Paths"};
    cases[5].entry = {"Arcadia", "Arcadia", pf + "\\Arcadia\\uninst.exe"};
    cases[5].ownKeys = {"HKCU\\Software\\Arcadia"};
    cases[5].ownFiles = {pf + "\\Arcadia\\launcher.dat"};
    cases[5].theirEntries = {
        {"Arcadia App 220", "Arcadia App 220", pf + "\\Arcadia App 220\\un.exe"},
        {"Arcadia App 330", "Arcadia App 330", pf + "\\Arcadia App 330\\un.exe"}};
    cases[5].theirKeys = {"HKCU\\Software\\Arcadia App 220"};
    cases[5].theirFiles = {pf + "\\Arcadia App 220\\game.dat"};
    cases[6].entry = {"KuNoteTool", "Ku Note Tool", pf + "\\KuNoteTool\\uninst.exe"};
    cases[6].ownKeys = {"HKCU\\Software\\KuNoteTool"};
    cases[6].ownExe = pf + "\\KuNoteTool\\notepad.exe";
    cases[6].theirExe = elsewhere + "\\notepad.exe";
    cases[7].entry = {"KuKeepMe", "Ku Keep Me", pf + "\\KuKeepMe\\uninst.exe"};
    cases[7].answer = IDNO;
    cases[7].theirKeys = {"HKCU\\Software\\KuKeepMe"}; // No: nothing is deleted
    return cases;
}

// What a case may take: its entry as the registry snapshot spells it (64-bit view) or as the
// scan lists it (in its own view), and its own keys.
std::vector<std::string> OwnKeys(const HostileCase& c, bool asListed) {
    std::vector<std::string> own;
    if (c.answer == IDYES)
        own.push_back(std::string("HKLM\\Software\\") +
                      (kutest::RunningUnderWow64() && !asListed ? "Wow6432Node\\" : "") +
                      std::string(kEntries).substr(9) + c.entry.key + "\\");
    for (const std::string& key : c.ownKeys)
        own.push_back(key + "\\");
    return own;
}

std::vector<std::string> OwnFiles(const HostileCase& c) {
    std::vector<std::string> files;
    for (const std::string& file : c.ownFiles)
        files.push_back(UpperCase(file));
    if (!c.ownExe.empty())
        files.push_back(UpperCase(c.ownExe));
    return files;
}

} // namespace

// All cases are planted at once, so each wizard also meets the others' data; the machine is
// compared once before and once after all of them.
TEST(HostileEntries, NothingButTheEntrysOwnDataIsListedDeletedOrEnded) {
    RegistryView64 = false;
    const std::string elsewhere = std::string(kutest::kScratchRoot) + "\\KuHostileElsewhere";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    const std::vector<HostileCase> cases = Cases();
    std::vector<std::unique_ptr<Planted>> planted;
    std::vector<std::string> ownKeys, ownFiles;
    for (const HostileCase& c : cases) {
        planted.push_back(std::make_unique<Planted>(c));
        for (const std::string& key : OwnKeys(c, false))
            ownKeys.push_back(key);
        for (const std::string& file : OwnFiles(c))
            ownFiles.push_back(file);
    }
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    for (size_t i = 0; i < cases.size(); ++i) {
        const HostileCase& c = cases[i];
        SCOPED_TRACE(c.entry.key);
        ScanState = ScanRun;
        std::vector<std::string> asked;
        const std::vector<std::string> own = OwnKeys(c, true), files = OwnFiles(c);
        for (const std::string& line : RunWizard(c, asked))
            EXPECT_TRUE(StartsWithAny(line + "\\", own) ||
                        std::find(files.begin(), files.end(), UpperCase(line)) != files.end())
                << "listed: " << line;
        EXPECT_TRUE(std::any_of(asked.begin(), asked.end(), [](const std::string& text) {
            return text.find("did not remove") != std::string::npos;
        }));
        const bool notice = std::any_of(asked.begin(), asked.end(), [](const std::string& text) {
            return text.find("too general") != std::string::npos;
        });
        EXPECT_EQ(notice, IsGeneralWord(c.entry.key) && c.answer == IDYES);
        EXPECT_FALSE(planted[i]->OwnRunning());
        if (!c.theirExe.empty())
            EXPECT_TRUE(planted[i]->TheirsRunning()) << "a program of that name elsewhere ended";
    }
    const kutest::Difference registry =
        kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    for (const std::string& line : registry.removed)
        EXPECT_TRUE(StartsWithAny(line, ownKeys)) << "deleted: " << line;
    for (const std::string& prefix : ownKeys)
        EXPECT_TRUE(
            std::any_of(registry.removed.begin(), registry.removed.end(),
                        [&](const std::string& line) { return StartsWithAny(line, {prefix}); }))
            << "not deleted: " << prefix;
    EXPECT_TRUE(registry.added.empty()) << Join(registry.added);
    const kutest::Difference drive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    std::sort(ownFiles.begin(), ownFiles.end());
    EXPECT_EQ(drive.removed, ownFiles) << Join(drive.removed);
    EXPECT_TRUE(drive.added.empty()) << Join(drive.added);
    planted.clear();
    RemoveDirectoryA(elsewhere.c_str());
}
