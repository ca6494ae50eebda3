// The interpreter of the dispatch steps.
#include "special/SpecialUninstall.h"

#include <algorithm>

#include "core/system/Dialogs.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "special/InstallerProducts.h"
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileEngine.h"

namespace ku {

bool TSpecialUninstall::HasProfile(const std::string& key) {
    return FindDispatchRow(key) != nullptr;
}

ProfileSite TSpecialUninstall::Site() {
    ProfileSite site;
    site.owner = Owner;
    site.progress = Progress;
    site.fileList = &FileList;
    site.contents = &LeftoverList;
    site.report = &Report;
    return site;
}

void TSpecialUninstall::Run(const DispatchRow& row, const DispatchStep& step) {
    switch (step.op) {
    case StepOp::ScanProfile:
        ScanProfileRow(*row.scanProfile, Site());
        break;
    case StepOp::PumpMessages:
        Progress.Pump();
        break;
    case StepOp::SearchCode:
        SearchRegistryLeftovers(step.text, LeftoverList, Progress);
        break;
    case StepOp::SearchCodes:
        SearchRegistryLeftoversEx(ProductCodesOf(row.key), LeftoverList, Progress);
        break;
    case StepOp::SearchLocations:
        SearchInstallLocationLeftovers(Progress, ProductCodesOf(row.key), FileList, LeftoverList);
        break;
    case StepOp::FindProductsByName:
        FindInstallerProductsByName(step.text, InstallerProductCodes, LeftoverList, Progress);
        break;
    case StepOp::KillByName:
        KillProcessesByName(step.text);
        break;
    case StepOp::KillAllUser:
        KillAllUserProcesses();
        break;
    case StepOp::StopProcesses:
        StopProfileRow(*row.removalProfile);
        break;
    case StepOp::Wait: {
        // Waiting on the window thread: messages go on meanwhile.
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < static_cast<DWORD>(step.ms)) {
            Progress.Pump();
            Sleep(10);
        }
        break;
    }
    case StepOp::RunProfile:
        RunProfileRow(*row.removalProfile, Site());
        break;
    case StepOp::RemoveRegistry:
        DeleteRegistryLeftovers(LeftoverList);
        break;
    case StepOp::RemoveFiles:
        DeleteFileLeftovers(LeftoverList, Owner);
        break;
    case StepOp::RenameProducts:
        RewriteInstallerProductNames(InstallerProductCodes);
        break;
    case StepOp::DeleteWinsc32Ini:
        DeleteWinsc32Ini();
        break;
    case StepOp::ScheduleLinkAdvisor:
        ScheduleLinkAdvisorDeletion();
        break;
    }
}

void TSpecialUninstall::ScanLeftovers(const std::string& key) {
    LeftAloneItems.clear();
    Progress.leftAlone = [this](const std::string& item) { NoteLeftAlone(LeftAloneItems, item); };
    if (const DispatchRow* row = FindDispatchRow(key))
        for (const DispatchStep& step : row->scan)
            Run(*row, step);
    for (int i = 0; i < LeftoverList.Count(); ++i) {
        const TContent& item = LeftoverList.GetItem(i).Content;
        const std::string& text = item.ItemType == kItemFile ? item.FilePath : item.KeyPath;
        if (!text.empty())
            FileList.push_back(text);
    }
}

bool TSpecialUninstall::RemoveApplication(const std::string& key) {
    const std::string question = "Would you like to backup the Registry?\rThese files maybe take "
                                 "up much space.\r" +
                                 ProgramDir() + "FullBackup\\";
    if (ShowMessageBox(Owner, question, kAppCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES &&
        !BackupRegistryFull(Owner, BackupWait)) {
        ShowMessageBox(Owner, "The registry could not be backed up, so nothing was removed.",
                       kAppCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    Report = RemovalReport();
    Report.leftAlone = LeftAloneItems;
    const DispatchRow* row = FindDispatchRow(key);
    if (row)
        for (const DispatchStep& step : row->removal) {
            if (ScanState.load() == ScanStopRemoving)
                break;
            Run(*row, step);
        }
    Report.stopped = ScanState.load() == ScanStopRemoving;
    CountListedLeftovers();
    ReRegisterScriptEngines();
    return row != nullptr && !row->removal.empty();
}

// Every file, key and value the scan listed counts as found; those still there afterwards, and
// what the profile could not delete, are named once each.
void TSpecialUninstall::CountListedLeftovers() {
    for (int i = 0; i < LeftoverList.Count(); ++i) {
        const TContent& item = LeftoverList.GetItem(i).Content;
        if (item.ItemType != kItemFile && item.ItemType != kItemRegistryKey &&
            item.ItemType != kItemRegistryValue)
            continue;
        ++Report.total;
        if (LeftoverItemRemains(item))
            Report.notRemoved.push_back(DescribeLeftoverItem(item));
    }
    std::vector<std::string>& stays = Report.notRemoved;
    std::sort(stays.begin(), stays.end());
    stays.erase(std::unique(stays.begin(), stays.end()), stays.end());
    // A stopped removal says how far it got by what it removed; the rest stays as it was.
    Report.handled = std::max(0, Report.total - static_cast<int>(stays.size()));
}

FinishTexts TSpecialUninstall::Outcome() const {
    if (NothingFound() && !Report.stopped)
        return {"Nothing found", "Nothing of this application was found on this computer."};
    if (Report.stopped || !Report.notRemoved.empty() || !Report.leftAlone.empty()) {
        FinishTexts texts = RemovalOutcomeTexts(Report);
        // Without a list below it, the page says why in its message.
        if (!Report.leftAlone.empty())
            texts.message += std::string(" ") + kLeftAloneReason;
        return texts;
    }
    return {"Finish", "The uninstall has been successfully finished."};
}

} // namespace ku
