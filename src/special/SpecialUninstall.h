// The special uninstall of one known application without its window: the steps of the
// application's key run in order over one leftover list, one found-file list and one progress
// caption, which the wizard window shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "core/scan/LeftoverEngine.h"
#include "special/SpecialDispatch.h"

namespace ku {

class TSpecialUninstall {
  public:
    TUninstallerContents LeftoverList;
    std::vector<std::string> InstallerProductCodes;
    std::vector<std::string> FileList; // what the wizard lists as found, in order
    LeftoverScanProgress Progress;
    HWND Owner = nullptr; // of the questions asked

    // True for a key that has a profile (every key of the list but "Tweak_XPPro4").
    static bool HasProfile(const std::string& key);

    // Runs the key's scan steps, then lists every found file by its path and every registry
    // item by its key path. Skip (ScanState 3) makes the remaining steps return at once.
    void ScanLeftovers(const std::string& key);

    // Offers the whole-registry backup first (a failed backup removes nothing), runs the key's
    // removal steps until ScanState says stop, then registers the script engines again. False
    // when the key has no removal steps or the backup failed.
    bool RemoveApplication(const std::string& key);

  private:
    void Run(const DispatchRow& row, const DispatchStep& step);
    ProfileSite Site();
};

} // namespace ku
