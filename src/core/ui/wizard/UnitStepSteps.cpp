// The uninstall wizard's step engine: what one click of the Next button does on each page.
#include <windows.h>
#include <commctrl.h>

#include "StepFormIds.h"
#include "core/force/ForceFlow.h"
#include "core/force/ForceFolderCheck.h"
#include "core/force/InstallerScans.h"
#include "core/removal/UninstallRun.h"
#include "core/scan/FileScan.h"
#include "core/scan/ProgramScope.h"
#include "core/scan/RegistryScan.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/ServiceUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "core/ui/Controls.h"
#include "core/ui/OffThreadWork.h"
#include "core/ui/TextFit.h"
#include "core/ui/wizard/UnitStepForm.h"

namespace ku {

namespace {

const UINT_PTR kTimer1 = 1;
const UINT_PTR kTimer2 = 2;

void AddRow(HWND list, const std::string& caption, const std::string& sub) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(caption.c_str());
    const int row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0 || sub.empty())
        return;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(sub.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

bool IsWow64Safe() {
    try {
        return IsWow64();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

std::string TUninstallStepForm::ScanWord() const {
    return FindFileListEntry(State.FileListEntries, UninstallKeyName);
}

bool TUninstallStepForm::PathText(std::string& path) const {
    return TControl(Item(IDC_STEP_TXTPATH)).ExactText(path);
}

bool TUninstallStepForm::ExactPathOrSay(std::string& path) {
    if (PathText(path))
        return true;
    // A typed or pasted path whose best-fit form names another program's folder: refused as
    // the folder picker refuses it, before anything is scanned or removed.
    ShowMessageBox(Handle(), InexactTextMessage("folder", path), kAppCaption,
                   MB_OK | MB_ICONWARNING);
    return false;
}

void TUninstallStepForm::StepBitBtnClick() {
    if (busy_ || closed_)
        return;
    switch (page_) {
    case PageDescription: SetPage(ForceMode == 1 ? PageForce : PageScan); break;
    case PageScan:
        State.RunningExeList.clear();
        RunScanPage();
        break;
    case PageForce:
        State.RunningExeList.clear();
        RunForcePage();
        break;
    case PageResult: RunResultPage(); break;
    case PageFinish:
        // The removal thread turns the button off only once it runs: a click before that must
        // not close the wizard under it.
        if (RemovalRunning())
            return;
        UninstallDone = 1;
        SpecialMode = false;
        Close(IDOK);
        return;
    case PageRegRemain:
        remnantTree_.AddCheckedRemnants(State.LeftoverList);
        ShowScanResults();
        SetPage(PageResult);
        break;
    }
    if (closeRequested_) {
        Close(IDCANCEL);
        return;
    }
    // With items to remove, the Finish button waits for the end of the removal: until then
    // Cancel stops it. With none, the removal has nothing to do.
    if (page_ == PageFinish && State.LeftoverList.Count() == 0)
        ShowFinishButton();
}

void TUninstallStepForm::RunScanPage() {
    busy_ = true;
    EnableWindow(Item(IDC_STEP_STEPBITBTN), FALSE);
    if (!StepDone(IDC_STEP_STEPIMAGE1))
        RunUninstallStep();
    if (!closeRequested_) {
        // Read once the uninstaller has ended: every entry but the program's own, in the view
        // it was listed in, is another program's (another edition of the same name included).
        State.Own = OwnEntry{UninstallKeyName, MachineStore(ScanRegistryView())};
        WindowScanProgress progress(nullptr); // the Installer's records may take a while
        State.OtherPrograms = OtherInstalledPrograms::Read(State.Own, [&] { progress.Pump(); });
    }
    if (!closeRequested_ && !StepDone(IDC_STEP_STEPIMAGE2))
        RunRegistryStep();
    if (!closeRequested_ && !StepDone(IDC_STEP_STEPIMAGE3))
        RunFileStep();
    busy_ = false;
    EnableWindow(Item(IDC_STEP_STEPBITBTN), TRUE);
    if (StepDone(IDC_STEP_STEPIMAGE1) && StepDone(IDC_STEP_STEPIMAGE2) &&
        StepDone(IDC_STEP_STEPIMAGE3)) {
        ShowScanResults();
        SetPage(PageResult);
        const std::string notice = ScanWordsNotice(ScanWord(), UninstallCommand);
        if (!notice.empty())
            ShowMessageBox(Handle(), notice, kAppCaption, MB_OK | MB_ICONINFORMATION);
        const std::string leftAlone = LeftAloneNotice(State.LeftAloneItems);
        if (!leftAlone.empty())
            ShowMessageBox(Handle(), leftAlone, kAppCaption, MB_OK | MB_ICONINFORMATION);
    }
}

void TUninstallStepForm::RunUninstallStep() {
    ScanState = ScanRun;
    // A command read in its best-fit form would start another program's file: it is never
    // started, and with the program still installed nothing is scanned or deleted either.
    if (InexactEntry) {
        ShowMessageBox(Handle(),
                       "The uninstall command of \"" + DisplayName +
                           "\" cannot be started: its entry holds characters this program "
                           "cannot handle, and it was left alone.",
                       kAppCaption, MB_OK | MB_ICONWARNING);
        closeRequested_ = true;
        return;
    }
    // A command whose program the system names only in a form the code page cannot hold (a
    // variable of a user "Łukasz") would start its best-fit twin, another user's program.
    if (!SplitCommandLine(UninstallCommand).exact) {
        ShowMessageBox(Handle(),
                       "The uninstall command of \"" + DisplayName +
                           "\" cannot be started: it names a folder whose name holds characters "
                           "this program cannot handle, and the program was left alone.",
                       kAppCaption, MB_OK | MB_ICONWARNING);
        closeRequested_ = true;
        return;
    }
    // The exit code says nothing reliable about what the uninstaller removed: it only tells
    // whether the uninstaller started at all.
    uninstallerStarted_ = RunUninstallerAndWait(UninstallCommand, SW_SHOWNORMAL,
                                                &WindowScanProgress::PumpMessages) != -1;
    if (closeRequested_)
        return;
    if (!AskToScanWithEntryLeft()) {
        closeRequested_ = true; // nothing was deleted: the wizard closes
        return;
    }
    shown_[IDC_STEP_STEPIMAGE1] = true;
    ShowWindow(Item(IDC_STEP_STEPIMAGE1), page_ == PageScan ? SW_SHOW : SW_HIDE);
}

bool TUninstallStepForm::AskToScanWithEntryLeft() {
    // An uninstaller that removed nothing (a repair, a dialog the user closed) leaves its
    // entry: scanning and deleting then would orphan an installed program.
    if (!OwnUninstallEntryExists(UninstallKeyName))
        return true;
    const std::string name = DisplayName.empty() ? UninstallKeyName : DisplayName;
    std::string text = "The program's own uninstaller did not remove \"" + name +
                       "\" from the list of installed programs: it may still be installed.";
    if (!uninstallerStarted_) {
        const std::string file = UninstallerToStart(UninstallCommand).file;
        std::string named = SplitCommandLine(UninstallCommand).file;
        if (named.empty())
            named = Trim(UninstallCommand);
        text = "The program's own uninstaller could not be started: \"" +
               (file.empty() ? named + "\" does not exist" : file + "\" did not run") +
               ".\rIt did not remove \"" + name +
               "\" from the list of installed programs: it is still installed.";
    }
    return ShowMessageBox(Handle(), text + "\rScan for its leftovers and remove them anyway?",
                          kAppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TUninstallStepForm::RunRegistryStep() {
    BeginStep(IDC_STEP_ABREGISTRYSCAN, IDC_STEP_REGPROGRESSPANEL, IDC_STEP_REGPROGRESSIMAGE,
              IDC_STEP_REGSKIPBTN, kTimer1);
    WindowScanProgress progress(Item(IDC_STEP_ABREGISTRYSCAN));
    const std::string word = ScanWord();
    if (SpecialMode)
        ScanInstallerByProfile(State, ProfileKey, State.LeftoverList, &progress);
    else
        ScanInstallerByDisplayName(State, DisplayName, State.LeftoverList, &progress);
    std::string path;
    if (!PathText(path))
        path.clear(); // the normal mode offers no folder box: nothing to search for there
    // The machine's keys, then the user's: programs keep their settings in both.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        ScanRegistryNormalWalk(State, root, "", &progress, State.LeftoverList, word, path,
                               UninstallCommand);
    // Nothing usable to search for: only the program's own entry can safely go.
    if (!NormalScanWords(word, path, UninstallCommand).Usable())
        AddOwnUninstallEntry(State.LeftoverList, UninstallKeyName);
    EndStep(IDC_STEP_ABREGISTRYSCAN, IDC_STEP_REGPROGRESSPANEL, IDC_STEP_REGSKIPBTN, kTimer1,
            IDC_STEP_STEPIMAGE2);
}

void TUninstallStepForm::RunFileStep() {
    BeginStep(IDC_STEP_ABDISKFILESCAN, IDC_STEP_FILEPROGRESSPANEL, IDC_STEP_FILEPROGRESSIMAGE,
              IDC_STEP_FILESKIPBTN, kTimer2);
    WindowScanProgress progress(Item(IDC_STEP_ABDISKFILESCAN));
    ScanFolderFiles(State, FileScanDrive(UninstallCommand), State.ScanKeyCounter, &progress,
                    State.LeftoverList, ScanWord());
    EndStep(IDC_STEP_ABDISKFILESCAN, IDC_STEP_FILEPROGRESSPANEL, IDC_STEP_FILESKIPBTN, kTimer2,
            IDC_STEP_STEPIMAGE3);
}

void TUninstallStepForm::RunForcePage() {
    State.RemnantKeyList.clear();
    std::string path;
    if (!ExactPathOrSay(path))
        return;
    const HWND programs = Item(IDC_STEP_TXTPROGRAMNAME);
    if (SendMessageA(programs, CB_GETCOUNT, 0, 0) == 0 && Trim(path).empty()) {
        ShowMessageBox(Handle(),
                       "Please select one or both of the scanning program\rand the scanning "
                       "program path (disk or folder)manually",
                       kAppCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    busy_ = true;
    // A folder dialog opened mid-scan would change what the running scan looks for.
    for (int id : {IDC_STEP_STEPBITBTN, IDC_STEP_SPEEDBUTTON1, IDC_STEP_SPEEDBUTTON2})
        EnableWindow(Item(id), FALSE);
    if (!StepDone(IDC_STEP_STEPIMAGEEX1))
        RunForceRegistryStep();
    if (!closeRequested_ && !StepDone(IDC_STEP_STEPIMAGEEX2))
        RunForceFileStep();
    busy_ = false;
    for (int id : {IDC_STEP_STEPBITBTN, IDC_STEP_SPEEDBUTTON1, IDC_STEP_SPEEDBUTTON2})
        EnableWindow(Item(id), TRUE);
    if (StepDone(IDC_STEP_STEPIMAGEEX1) && StepDone(IDC_STEP_STEPIMAGEEX2)) {
        ShowScanResults();
        if (!State.RemnantKeyList.empty())
            BuildRemnantTree();
        // Keys the tree leaves out (Wow6432Node paths and the like) give it nothing to offer:
        // an empty tree is no page to stop at.
        const bool offer = !State.RemnantKeyList.empty() && !remnantTree_.Nodes().empty();
        SetPage(offer ? PageRegRemain : PageResult);
        const std::string leftAlone = LeftAloneNotice(State.LeftAloneItems);
        if (!leftAlone.empty())
            ShowMessageBox(Handle(), leftAlone, kAppCaption, MB_OK | MB_ICONINFORMATION);
    }
    State.RemnantKeyList.clear();
}

ForceScanInput TUninstallStepForm::ForceInput() const {
    ForceScanInput input;
    const TComboBox programs(Item(IDC_STEP_TXTPROGRAMNAME));
    for (int i = 0; i < programs.Count(); ++i) {
        std::string item;
        if (programs.ExactItemText(i, item))
            input.programFiles.push_back(item);
    }
    // Checked when the step began; a text changed meanwhile to one the code page cannot hold
    // gives the step no folder at all.
    if (!PathText(input.folder))
        input.folder.clear();
    input.uninstallCommand = UninstallCommand;
    return input;
}

void TUninstallStepForm::RunForceRegistryStep() {
    BeginStep(IDC_STEP_ABREGISTRYSCANEX, IDC_STEP_REGPROGRESSEXPANEL,
              IDC_STEP_REGPROGRESSEXIMAGE, IDC_STEP_REGSKIPEXBTN, kTimer1);
    WindowScanProgress progress(Item(IDC_STEP_ABREGISTRYSCANEX));
    const ForceScanInput input = ForceInput();
    if (!input.programFiles.empty()) {
        // The program files share one registry pass.
        const std::string count = std::to_string(input.programFiles.size());
        SetLabelText(Item(IDC_STEP_FLABEL), count + "/" + count);
    }
    if (ku::RunForceRegistryStep(State, input, &progress, State.ForcePlan))
        SetCaption(WindowText(Handle()) + "(Scan server program)");
    EndStep(IDC_STEP_ABREGISTRYSCANEX, IDC_STEP_REGPROGRESSEXPANEL, IDC_STEP_REGSKIPEXBTN,
            kTimer1, IDC_STEP_STEPIMAGEEX1);
}

void TUninstallStepForm::RunForceFileStep() {
    BeginStep(IDC_STEP_ABDISKFILESCANEX, IDC_STEP_FILEPROGRESSEXPANEL,
              IDC_STEP_FILEPROGRESSEXIMAGE, IDC_STEP_FILESKIPEXBTN, kTimer2);
    WindowScanProgress progress(Item(IDC_STEP_ABDISKFILESCANEX));
    ku::RunForceFileStep(State, ForceInput(), &progress);
    EndStep(IDC_STEP_ABDISKFILESCANEX, IDC_STEP_FILEPROGRESSEXPANEL, IDC_STEP_FILESKIPEXBTN,
            kTimer2, IDC_STEP_STEPIMAGEEX2);
}

void TUninstallStepForm::RunResultPage() {
    std::string folder;
    if (ForceMode == 1 && !ExactPathOrSay(folder))
        return;
    // Nothing is ended, stopped or rewritten before the user said Yes. Only 32-bit Windows
    // offers the registry backup.
    const std::function<void()> backup = [this] { BackupRegistry(); };
    if (ForceMode == 1 &&
        !ConfirmForceRemoval(
            State, State.ForcePlan,
            [this](const std::string& text, const std::string& caption, UINT type) {
                return ShowMessageBox(Handle(), text, caption, type);
            },
            IsWow64Safe() ? nullptr : backup))
        return;
    StartRemoval(folder);
    SetPage(PageFinish);
}

// The export takes a while: it runs off the window thread, which shows how far it got on the
// Finish page. It cannot be stopped half-way, so Next and Cancel are off until it has ended.
void TUninstallStepForm::BackupRegistry() {
    const HWND title = Item(IDC_STEP_ABFINISH), message = Item(IDC_STEP_ABFINISHMESSAGE);
    const std::string done = WindowText(title), complete = WindowText(message);
    SetPage(PageFinish);
    // The removal's own words from the start: the page never reads "complete" before it is.
    SetLabelText(title, "Please wait!");
    SetLabelText(message, "Uninstalling!");
    {
        struct Busy {
            TUninstallStepForm& form;
            explicit Busy(TUninstallStepForm& f) : form(f) { Set(true); }
            ~Busy() { Set(false); }
            void Set(bool on) {
                form.busy_ = form.backingUp_ = on;
                for (int id : {IDC_STEP_STEPBITBTN, IDC_STEP_CANCELBITBTN})
                    EnableWindow(form.Item(id), !on);
            }
        } busy{*this};
        BackupRegistryFull(Handle(), ExportWaitShownIn(message));
    }
    // With nothing listed the removal has nothing to say: the page's own texts come back.
    if (State.LeftoverList.Count() == 0) {
        SetLabelText(title, done);
        SetLabelText(message, complete);
    }
}

void TUninstallStepForm::StartRemoval(const std::string& folder) {
    ScanState = ScanRun;
    const RemovalScope scope{ForceMode != 1, UninstallKeyName, MachineStore(ScanRegistryView())};
    // The force mode also removes the security products' files it listed from the system folder.
    const std::vector<std::string> named =
        ForceMode == 1 ? SecurityProductFileNames() : std::vector<std::string>();
    removal_ = std::make_unique<TDelthread>(
        RemovalJob{&State, ForceMode == 1, folder, scope, named}, *host_);
}

void TUninstallStepForm::ShowScanResults() {
    RemoveRepeatedItems(State.LeftoverList);
    const HWND registry = Item(IDC_STEP_REGLISTVIEW);
    const HWND files = Item(IDC_STEP_FILELISTVIEW);
    SendMessageA(registry, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(files, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(registry, WM_SETREDRAW, FALSE, 0);
    SendMessageA(files, WM_SETREDRAW, FALSE, 0);
    const ResultRows rows = ListedResults(State.LeftoverList);
    for (const ResultRow& row : rows.registry)
        AddRow(registry, row.key, row.value);
    for (const std::string& file : rows.files)
        AddRow(files, file, "");
    // Long keys, values and paths are read by scrolling sideways, not cut.
    FitListViewColumn(registry, 0, kRegistryKeyColumn);
    FitListViewColumn(registry, 1, kValueColumn);
    FitListViewColumn(files, 0, kFileColumn);
    SendMessageA(registry, WM_SETREDRAW, TRUE, 0);
    SendMessageA(files, WM_SETREDRAW, TRUE, 0);
}

void TUninstallStepForm::ShowFinishButton() {
    const HWND step = Item(IDC_STEP_STEPBITBTN);
    const HWND cancel = Item(IDC_STEP_CANCELBITBTN);
    SetWindowTextA(step, "Finish");
    ImageButtonMouseLeave(IDC_STEP_STEPBITBTN); // the Finish picture
    RECT area;
    GetWindowRect(cancel, &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    SetWindowPos(step, nullptr, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(cancel, SW_HIDE);
}

} // namespace ku
