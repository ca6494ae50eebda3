// The removal run: registry items, file items, the process killers and the Recycle Bin move.
#include "core/Removal.h"

#include <shellapi.h>

#include "core/DeleteHelpers.h"
#include "core/Dialogs.h"
#include "core/ProcessUnit.h"
#include "core/PublicFunctionUnit.h"
#include "core/RegistryScan.h"
#include "core/SharedState.h"
#include "core/StrUtil.h"

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

// Ends the processes of the snapshot whose executable file name equals the file's name.
void KillProcessesOfFile(const std::string& path, const ProcessSnapshot& snapshot) {
    const std::string name = ExtractFileName(path);
    if (LowerCase(name).find(".exe") == std::string::npos)
        return;
    for (const ProcessEntry& process : snapshot)
        if (SameText(ExtractFileName(process.exeFile), name) && !IsUntouchableProcess(process))
            KillProcessWithPrivilege(process.processId);
}

// Clears read-only, hidden and system right before the delete, never earlier: a scan that is
// cancelled must leave every file as it was.
void MakeDeletable(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

} // namespace

void DeleteRegistryItems(const TUninstallerContents& list, IRemovalHost& host) {
    host.SetProgressRange(0, list.Count() - 1);
    for (int i = 0; i < list.Count(); ++i) {
        host.SetProgress(i);
        if (StopRemoving())
            return;
        const TContent& item = list.GetItem(i).Content;
        if (!UsableKeyPath(item.KeyPath))
            continue;
        const HKEY root = NameToRootKey(item.RootKeyName);
        const REGSAM view = MarkerToView(item.Extra);
        if (item.ItemType == kItemRegistryKey)
            DeleteRegistryKeyInView(root, item.KeyPath, view);
        else if (item.ItemType == kItemRegistryValue)
            DeleteRegistryValueInView(root, item.KeyPath, item.ValueName, view);
    }
}

void DeleteFileItems(const TUninstallerContents& list, IRemovalHost& host) {
    const bool permanent =
        host.Ask("To permanently remove the files, please click Yes to proceed.\r"
                 "To move the files to the Recycle Bin, please click No to proceed.",
                 "Remove Options", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    const ProcessSnapshot snapshot = TakeProcessSnapshot();
    host.SetProgressRange(0, list.Count() - 1);
    for (int i = 0; i < list.Count(); ++i) {
        host.SetProgress(i);
        if (StopRemoving())
            return;
        const TContent& item = list.GetItem(i).Content;
        if (item.ItemType != kItemFile || Trim(item.FilePath).empty())
            continue;
        KillProcessesOfFile(item.FilePath, snapshot);
        if (CanonicalDeletePath(item.FilePath).empty() || IsProtectedPath(item.FilePath))
            continue;
        MakeDeletable(item.FilePath);
        if (permanent)
            DeleteSingleFile(item.FilePath);
        else
            MoveToRecycleBin(item.FilePath);
    }
}

bool MoveToRecycleBin(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedPath(canonical))
        return false;
    std::string from = canonical;
    from.push_back('\0'); // the list ends with two zeros; c_str() gives the second
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationA(&operation) == 0;
}

bool EnablePrivilege(const std::string& name) { return EnableTokenPrivilege(name); }

bool KillProcessWithPrivilege(DWORD processId) {
    EnablePrivilege("SeDebugPrivilege");
    return KillProcessById(processId);
}

int KillProcessesByExeName(const std::string& exeName) {
    if (Trim(exeName).empty())
        return 0;
    int ended = 0;
    for (const ProcessEntry& process : TakeProcessSnapshot())
        if (SameText(ExtractFileName(process.exeFile), Trim(exeName)) &&
            !IsUntouchableProcess(process) && KillProcessWithPrivilege(process.processId))
            ++ended;
    return ended;
}

int KillRunningExeList(const std::string& runningExeList) {
    const std::vector<std::string> names = SplitExeList(runningExeList);
    if (names.empty())
        return 0;
    int ended = 0;
    for (const ProcessEntry& process : TakeProcessSnapshot()) {
        if (IsUntouchableProcess(process))
            continue;
        for (const std::string& name : names) {
            if (!SameText(ExtractFileName(process.exeFile), name))
                continue;
            if (KillProcessWithPrivilege(process.processId))
                ++ended;
            Sleep(200);
            break;
        }
    }
    return ended;
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
    if (list.Count() == 0)
        return;
    host_.SetFinishTexts("Please wait!", "Uninstalling!");
    host_.ShowProgress(true);
    host_.EnableButtons(false, false);
    DeleteRegistryItems(list, host_);
    DeleteFileItems(list, host_);
    host_.ShowProgress(false);
    host_.EnableButtons(true, false);
    host_.SetFinishTexts("Congratulations!", "The uninstall is complete.");
    if (job_.forceMode)
        FinishForceRemoval();
}

void TDelthread::FinishForceRemoval() {
    std::string text;
    if (job_.state->FullForceScan) {
        const std::string folder = Trim(job_.folder);
        if (!folder.empty() &&
            host_.Ask("Are you sure to delete this directory:\r" + folder, kAppCaption, MB_YESNO) ==
                IDYES)
            DeleteDirectoryTree(folder);
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
