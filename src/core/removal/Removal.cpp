// The removal run: registry items, file items, the process killers and the Recycle Bin move.
#include "core/removal/Removal.h"


#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

bool StopRemoving() { return ScanState.load() == ScanStopRemoving; }

bool UsableKeyPath(const std::string& keyPath) {
    const std::string trimmed = Trim(keyPath);
    return !trimmed.empty() && trimmed != "\\";
}

std::vector<std::string> SplitExeList(const std::string& list) {
    std::vector<std::string> names;
    for (const std::string& name : SplitString(list, ','))
        if (!Trim(name).empty())
            names.push_back(Trim(name));
    return names;
}

// Clears read-only, hidden and system right before the delete, never earlier: a scan that is
// cancelled must leave every file as it was.
void MakeDeletable(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // A link is left as it is: under Wine its attributes are those of the file it points to.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) || !LeadsToItself(path))
        return;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

bool IsRegistryItem(const TContent& item) {
    return item.ItemType == kItemRegistryKey || item.ItemType == kItemRegistryValue;
}

int CountItems(const TUninstallerContents& list) {
    int count = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const TContent& item = list.GetItem(i).Content;
        count += IsRegistryItem(item) || item.ItemType == kItemFile;
    }
    return count;
}

// The program's own entry; a scope that names no store means the scan view's.
OwnEntry OwnOf(const RemovalScope& scope) {
    return OwnEntry{scope.ownUninstallEntry, scope.ownStore == EntryStore::None
                                                 ? MachineStore(ScanRegistryView())
                                                 : scope.ownStore};
}

// An item inside an Uninstall entry other than the program's own.
bool InOtherUninstallEntry(const TContent& item, const RemovalScope& scope) {
    if (!scope.ownEntryOnly)
        return false;
    std::string entry;
    const EntryStore store =
        UninstallEntryStore(NameToRootKey(item.RootKeyName), CleanKeyPath(item.KeyPath),
                            MarkerToView(item.Extra), &entry);
    return store != EntryStore::None && !OwnOf(scope).Is(store, entry);
}

void NoteIfRemains(RemovalReport* report, const TContent& item, bool remains) {
    if (report && remains)
        report->notRemoved.push_back(DescribeLeftoverItem(item));
}

// Shows the item's place in the progress bar; true when the user has stopped the removal.
bool StoppedAt(IRemovalHost& host, int index, RemovalReport* report) {
    host.SetProgress(index);
    if (!StopRemoving())
        return false;
    if (report)
        report->stopped = true;
    return true;
}

// Whether the key or value of a registry item is still there, looked for in its view.
bool RegistryItemRemains(const TContent& item) {
    UniqueKey key;
    const std::string path = CleanKeyPath(item.KeyPath);
    if (RegOpenKeyExA(NameToRootKey(item.RootKeyName), path.c_str(), 0,
                      KEY_READ | MarkerToView(item.Extra), key.put()) != ERROR_SUCCESS)
        return false;
    return item.ItemType == kItemRegistryKey ||
           // exact-text: asks only whether the value is there
           RegQueryValueExA(key.get(), item.ValueName.c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

void KillIfProgram(const std::string& path) {
    if (LowerCase(ExtractFileName(path)).find(".exe") != std::string::npos)
        KillProcessesOfFile(path);
}

// A protected file goes only when it is one the program's own tables name, and then only by
// its name from the table, never by the scanned path.
void DeleteFileItem(const std::string& path, bool permanent,
                    const std::vector<std::string>& namedSystemFiles) {
    if (!IsProtectedFile(path)) {
        KillIfProgram(path);
        MakeDeletable(path);
        if (permanent)
            DeleteSingleFile(path);
        else
            MoveToRecycleBin(path);
        return;
    }
    const std::string name = NamedSystemFileOf(path, namedSystemFiles);
    // The Recycle Bin takes nothing the guard protects: such a file stays and is reported.
    if (name.empty() || !permanent)
        return;
    KillIfProgram(path);
    MakeDeletable(CanonicalDeletePath(path));
    DeleteNamedSystemFile(GetSystemDir(), name);
}

std::string ItemCount(size_t count) {
    return std::to_string(count) + (count == 1 ? " item" : " items");
}

} // namespace

std::string DescribeLeftoverItem(const TContent& item) {
    if (item.ItemType == kItemFile)
        return item.FilePath;
    const std::string key = item.RootKeyName + "\\" + item.KeyPath;
    return item.ItemType == kItemRegistryValue ? key + "  (" + item.ValueName + ")" : key;
}

bool LeftoverItemRemains(const TContent& item) {
    if (item.ItemType == kItemFile)
        return !Trim(item.FilePath).empty() && FileExists(item.FilePath);
    return IsRegistryItem(item) && RegistryItemRemains(item);
}

FinishTexts RemovalOutcomeTexts(const RemovalReport& report) {
    if (report.stopped)
        return {"The removal was stopped.", "Stopped after " + std::to_string(report.handled) +
                                                " of " + ItemCount(report.total) +
                                                "; the rest was left as it is."};
    std::string message;
    const auto add = [&message](const std::string& part) {
        message += (message.empty() ? "" : ", ") + part;
    };
    if (const size_t failed = report.notRemoved.size())
        add(ItemCount(failed) + " could not be removed");
    if (const size_t alone = report.leftAlone.size())
        add(ItemCount(alone) + (alone == 1 ? " was" : " were") + " left alone");
    if (!report.folderKept.empty())
        add(message.empty() ? "The folder stayed" : "the folder stayed");
    if (message.empty())
        return {"Congratulations!", "The uninstall is complete."};
    return {"The uninstall is finished.", message + "."};
}

std::vector<std::string> StayedLines(const RemovalReport& report) {
    std::vector<std::string> lines;
    const auto group = [&lines](const std::string& heading, const std::vector<std::string>& items) {
        if (items.empty())
            return;
        lines.push_back(heading);
        for (const std::string& item : items)
            lines.push_back("    " + item);
    };
    group("Could not be removed:", report.notRemoved);
    group("Left alone, as their names hold characters this program cannot handle:",
          report.leftAlone);
    if (!report.folderKept.empty())
        group("The folder stayed:", {report.folderKept});
    return lines;
}

void DeleteRegistryItems(const TUninstallerContents& list, IRemovalHost& host,
                         RemovalReport* report, const RemovalScope& scope) {
    host.SetProgressRange(0, list.Count() - 1);
    for (int i = 0; i < list.Count(); ++i) {
        if (StoppedAt(host, i, report))
            return;
        const TContent& item = list.GetItem(i).Content;
        if (!IsRegistryItem(item) || !UsableKeyPath(item.KeyPath))
            continue;
        if (report)
            ++report->handled;
        if (InOtherUninstallEntry(item, scope)) {
            NoteIfRemains(report, item, RegistryItemRemains(item));
            continue;
        }
        const HKEY root = NameToRootKey(item.RootKeyName);
        const REGSAM view = MarkerToView(item.Extra);
        if (item.ItemType == kItemRegistryKey)
            DeleteRegistryKeyInView(root, item.KeyPath, view);
        else
            DeleteRegistryValueInView(root, item.KeyPath, item.ValueName, view);
        // An item whose key an earlier item took along is gone too: only what is still there
        // counts as not removed.
        NoteIfRemains(report, item, RegistryItemRemains(item));
    }
}

void DeleteFileItems(const TUninstallerContents& list, IRemovalHost& host, RemovalReport* report,
                     const std::vector<std::string>& namedSystemFiles, const RemovalScope& scope) {
    // Read again now: a program installed or moved since the scan is still another's.
    const OtherInstalledPrograms others =
        scope.ownEntryOnly ? OtherInstalledPrograms::Read(OwnOf(scope)) : OtherInstalledPrograms();
    const bool permanent =
        host.Ask("To permanently remove the files, please click Yes to proceed.\r"
                 "To move the files to the Recycle Bin, please click No to proceed.",
                 "Remove Options", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    host.SetProgressRange(0, list.Count() - 1);
    for (int i = 0; i < list.Count(); ++i) {
        if (StoppedAt(host, i, report))
            return;
        const TContent& item = list.GetItem(i).Content;
        if (item.ItemType != kItemFile || Trim(item.FilePath).empty())
            continue;
        if (report)
            ++report->handled;
        if (!others.HoldsPath(item.FilePath))
            DeleteFileItem(item.FilePath, permanent, namedSystemFiles);
        NoteIfRemains(report, item, FileExists(item.FilePath));
    }
}

std::string NamedSystemFileOf(const std::string& path, const std::vector<std::string>& names) {
    const std::string canonical = CanonicalDeletePath(path);
    const std::string system = GetSystemDir();
    if (canonical.empty() || system.empty())
        return std::string();
    for (const std::string& name : names)
        if (SameText(canonical, CanonicalDeletePath(system + "\\" + name)))
            return name;
    return std::string();
}

bool MoveToRecycleBin(const std::string& path) { return RecyclePath(path); }

bool EnablePrivilege(const std::string& name) { return EnableTokenPrivilege(name); }

bool KillProcessWithPrivilege(DWORD processId) {
    EnablePrivilege("SeDebugPrivilege");
    return KillProcessById(processId);
}

int KillProcessesOfFile(const std::string& exePath) {
    if (Trim(exePath).empty())
        return 0;
    return KillProcessesByImagePath({Trim(exePath)});
}

int KillRunningExeList(const TWizardState& state) {
    const std::vector<std::string> names = SplitExeList(state.RunningExeList);
    std::vector<std::string> files;
    for (int i = 0; i < state.LeftoverList.Count(); ++i) {
        const TContent& item = state.LeftoverList.GetItem(i).Content;
        if (item.ItemType != kItemFile)
            continue;
        for (const std::string& name : names)
            if (SameText(ExtractFileName(item.FilePath), name)) {
                files.push_back(item.FilePath);
                break;
            }
    }
    return files.empty() ? 0 : KillProcessesByImagePath(files, 200);
}

TDelthread::TDelthread(RemovalJob job, IRemovalHost& host) : job_(std::move(job)), host_(host) {
    thread_.reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    if (!thread_)
        finished_ = true;
}

TDelthread::~TDelthread() { WaitFor(); }

void TDelthread::WaitFor() {
    if (thread_)
        WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI TDelthread::ThreadProc(void* self) {
    auto* thread = static_cast<TDelthread*>(self);
    try {
        thread->Execute();
    } catch (const std::exception&) {
        // Nothing may unwind out of a thread; what was removed stays removed.
    }
    thread->finished_ = true;
    return 0;
}

void TDelthread::Execute() {
    const TUninstallerContents& list = job_.state->LeftoverList;
    report_ = RemovalReport();
    report_.leftAlone = job_.state->LeftAloneItems;
    if (list.Count() == 0) {
        // Nothing to remove, but what the scans left alone is still there: the page says so.
        if (!report_.leftAlone.empty()) {
            ShowOutcome();
            host_.RemovalEnded(report_);
        }
        return;
    }
    report_.total = CountItems(list);
    host_.SetFinishTexts("Please wait!", "Uninstalling!");
    host_.ShowProgress(true);
    // Cancel stays live: it stops the removal between two items.
    host_.EnableButtons(false, true);
    DeleteRegistryItems(list, host_, &report_, job_.scope);
    if (!report_.stopped)
        DeleteFileItems(list, host_, &report_, job_.namedSystemFiles, job_.scope);
    host_.ShowProgress(false);
    // Nothing is left to stop; the force mode's closing questions still belong to the removal:
    // Finish waits for their answers, so that no click closes the wizard under one of them.
    host_.EnableButtons(false, false);
    // The folder question comes before the outcome, which says whether the folder stayed.
    if (job_.forceMode && !report_.stopped)
        DeleteForceFolder();
    ShowOutcome();
    if (job_.forceMode && !report_.stopped)
        FinishForceRemoval();
    host_.EnableButtons(true, false);
    host_.RemovalEnded(report_);
}

void TDelthread::ShowOutcome() {
    const FinishTexts texts = RemovalOutcomeTexts(report_);
    host_.SetFinishTexts(texts.title, texts.message);
}

void TDelthread::DeleteForceFolder() {
    if (!job_.state->FullForceScan)
        return;
    // The folder the force mode refuses is never deleted, however it got into the box.
    const std::string folder = IsRefusedForceFolder(job_.folder) ? "" : Trim(job_.folder);
    if (folder.empty())
        return;
    if (host_.Ask("Are you sure to delete this directory:\r" + folder, kAppCaption, MB_YESNO) ==
        IDYES)
        DeleteDirectoryTree(folder);
    if (DirectoryExists(folder))
        report_.folderKept = folder;
}

void TDelthread::FinishForceRemoval() {
    std::string text;
    if (job_.state->FullForceScan) {
        text = "The applications will be uninstalled. \r"
               "If you haven't uninstalled the program completely,\r"
               "please uninstall again in the safe mode after you reboot your PC.";
    } else {
        text = "  The server program has been deleted.\r"
               "Please uninstall this directory of the program again.";
    }
    host_.Ask(text, kAppCaption, MB_OK);
    ReRegisterScriptEngines();
    job_.state->FullForceScan = false;
}

} // namespace ku
