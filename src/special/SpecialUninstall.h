// The special uninstall of one known application without its window: the steps of the
// application's key run in order over one leftover list, one found-file list and one progress
// caption, which the wizard window shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/Removal.h"
#include "core/removal/ValueContentUnit.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/PublicFunctionUnit.h"
#include "special/SpecialDispatch.h"

namespace ku {

class TSpecialUninstall {
  public:
    TUninstallerContents LeftoverList;
    std::vector<std::string> InstallerProductCodes;
    std::vector<std::string> FileList; // what the wizard lists as found, in order
    LeftoverScanProgress Progress;
    HWND Owner = nullptr; // of the questions asked
    // How the window waits for the registry export (see BackupRegistryFull).
    ExportWait BackupWait;
    // What the last scan met but left alone, by its shown form: a name the code page cannot
    // hold. It stays, and the last page says so.
    std::vector<std::string> LeftAloneItems;
    // What the last removal found of the application (the listed leftovers and what the
    // profile's own deletions met) and what of it is still there.
    RemovalReport Report;

    // True for a key that has a profile (every key of the list but "Tweak_XPPro4").
    static bool HasProfile(const std::string& key);

    // Runs the key's scan steps, then lists every found file by its path and every registry
    // item by its key path. Skip (ScanState 3) makes the remaining steps return at once.
    void ScanLeftovers(const std::string& key);

    // Offers the whole-registry backup first (a failed backup removes nothing), runs the key's
    // removal steps until ScanState says stop (the report then says so), then registers the
    // script engines again. False when the key has no removal steps or the backup failed.
    bool RemoveApplication(const std::string& key);

    // True when the last removal met nothing of the application at all.
    bool NothingFound() const { return Report.total == 0 && Report.leftAlone.empty(); }
    // What the last page says after a removal: that nothing of the application was found,
    // that it was stopped, how many items stay and why, or that the uninstall has been
    // successfully finished.
    FinishTexts Outcome() const;

  private:
    void Run(const DispatchRow& row, const DispatchStep& step);
    void CountListedLeftovers();
    ProfileSite Site();
};

} // namespace ku
