// Force-mode steps: scans in the wizard's order, and the confirmed removal preparations.
#include "core/force/ForceFlow.h"
#include "core/system/FileSystem.h"

#include <windows.h>

#include "core/force/ForceFolderCheck.h"
#include "core/force/ForceRegistryScan.h"
#include "core/force/InstallerScans.h"
#include "core/removal/Removal.h"
#include "core/scan/FileScan.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/ServiceUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

bool RunForceRegistryStep(TWizardState& state, const ForceScanInput& input,
                          IScanProgress* progress, ForceRemovalPlan& plan) {
    TUninstallerContents& list = state.LeftoverList;
    ScanState = ScanRun;
    state.FullForceScan = false;
    // A folder the force mode refuses is not scanned, however it got into the box.
    const std::string folder = IsRefusedForceFolder(input.folder) ? "" : Trim(input.folder);
    if (!folder.empty()) {
        ScanServerProgram(folder, list, state.ProcessModuleList, plan, &state.LeftAloneItems);
        ScanInstallerLeftovers(state, input.folder, list, true, progress, plan);
    }
    for (const std::string& file : input.programFiles)
        ScanServerProgram(Trim(file), list, state.ProcessModuleList, plan, &state.LeftAloneItems);
    const bool serverFound = list.Count() > 0;
    state.FullForceScan = !serverFound;
    if (!state.FullForceScan)
        return true;
    if (!folder.empty()) {
        ScanRegistryForceWalk(state, HKEY_LOCAL_MACHINE, "", progress, list, input.folder, plan);
        ScanInstallerLeftovers(state, input.folder, list, false, progress, plan);
        ScanComLeftovers(state, input.folder, HKEY_LOCAL_MACHINE, progress, list,
                         "SOFTWARE\\Classes");
        ScanSoftwareKeysOfFolder(state.RemnantKeyList, input.folder, list);
    }
    if (!input.programFiles.empty())
        ScanRegistryByProgramsWalk(state, HKEY_LOCAL_MACHINE, "", progress, list,
                                   input.programFiles, input.uninstallCommand);
    return false;
}

void RunForceFileStep(TWizardState& state, const ForceScanInput& input, IScanProgress* progress) {
    ScanState = ScanRun;
    if (!state.FullForceScan)
        return;
    // A security product's driver or library in the system folder is listed by its exact name
    // from the table; any other file the guard protects is not.
    for (const std::string& file : input.programFiles)
        if (FileExists(file) && (!IsProtectedFile(file) ||
                                 !NamedSystemFileOf(file, SecurityProductFileNames()).empty())) {
            TContent& item = state.LeftoverList.GetItem(state.LeftoverList.AddItem()).Content;
            item.ItemType = kItemFile;
            item.FilePath = file;
            item.FileName = ExtractFileName(file);
        }
    const std::string folder = IsRefusedForceFolder(input.folder) ? "" : Trim(input.folder);
    if (!folder.empty())
        ScanFolderFiles(state, folder, state.ScanKeyCounter, progress, state.LeftoverList,
                        input.folder);
}

bool ConfirmForceRemoval(TWizardState& state, const ForceRemovalPlan& plan, const AskFunction& ask,
                         const std::function<void()>& backup) {
    if (ask("The scanned items/entries will be removed permanently and cannot be "
            "recovered.\rAre you sure you want to continue?",
            "Notification", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return false;
    if (!state.OtherServerList.empty() &&
        ask("The other server of the program is running!\rWhether continue to uninstall?",
            "Please delete the other server!", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return false;
    KillRunningExeList(state);
    ExecuteForceRemovalPlan(plan);
    for (const std::string& service : state.OtherServerList)
        StopServiceByName(service);
    if (backup &&
        ask("Would you like to backup the registry?\rThese files maybe take up much space.\r\r" +
                ProgramDir() + "FullBackup\\",
            kAppCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        backup();
    return true;
}

} // namespace ku
