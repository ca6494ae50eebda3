// Window tests of the special-uninstall wizard: the real window, shown modeless in the test
// program, driven through its handlers as a user's clicks would.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "SpecialFormIds.h"
#include "core/system/StrUtil.h"
#include "UiSupport.h"
#include "special/ui/Unitlist.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"
#include "support/SystemSnapshot.h"

namespace spectest {

// Registry entries, paths and list lines compared without regard to case.
using Names = std::set<std::string>; // upper case
inline Names Upper(const std::vector<std::string>& lines) { return kutest::UpperNames(lines); }

class WizardDriver {
  public:
    WizardDriver() {
        if (form.Create(nullptr)) {
            form.Show();
            uitest::PumpMessages(100);
        }
    }
    HWND Item(int id) const { return GetDlgItem(form.Handle(), id); }
    // Selects the list entry with this caption; false when there is none.
    bool Choose(const std::string& caption) {
        const HWND list = Item(IDC_SPECIAL_LISTUNISTALL);
        LVFINDINFOA find = {LVFI_STRING, caption.c_str(), 0, {0, 0}, 0};
        const int row = ListView_FindItem(list, -1, &find);
        if (row >= 0)
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
        return row >= 0;
    }

    ku::TFormUninstall form;
};

// What one run of the wizard from the choice to its last page showed.
struct WizardRun {
    Names listed;               // the review page's list, before anything goes
    std::string title, message; // the last page
    int lastPage = -1;
};

// The three steps for the application of this caption; the last page is saved as a picture
// under the given name, if any.
inline WizardRun StepThrough(const std::string& caption, const char* screenshot = nullptr) {
    WizardDriver wizard;
    WizardRun run;
    EXPECT_TRUE(wizard.Choose(caption));
    for (int page = 0; page < 3; ++page) {
        wizard.form.StepBitBtnClick();
        if (page == 1)
            run.listed = Upper(
                kutest::ItemTexts(wizard.Item(IDC_SPECIAL_LISTFILE), LB_GETCOUNT, LB_GETTEXT));
    }
    if (screenshot)
        uitest::SaveScreenshot(wizard.form.Handle(), screenshot);
    run.lastPage = wizard.form.PageIndex();
    run.title = ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISH));
    run.message = ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISHMESSAGE));
    return run;
}

// A whole removal as a user answers it (no backup, files deleted permanently, no outside
// program started), with what it changed in the whole registry and on the drive.
struct WholeRemoval : WizardRun {
    kutest::Difference inRegistry, onDrive;
};
inline WholeRemoval RemoveWhole(const std::string& caption, const char* screenshot = nullptr) {
    kutest::RecordingLauncher launcher;
    kutest::RecordingDialogs dialogs;
    dialogs.answers = {IDNO, IDYES, IDOK};
    const kutest::RegistrySnapshot registryBefore = kutest::TakeRegistrySnapshot();
    const kutest::DriveSnapshot driveBefore = kutest::TakeDriveSnapshot();
    WholeRemoval removal;
    static_cast<WizardRun&>(removal) = StepThrough(caption, screenshot);
    removal.inRegistry = kutest::Compare(registryBefore, kutest::TakeRegistrySnapshot());
    removal.onDrive = kutest::Compare(driveBefore, kutest::TakeDriveSnapshot());
    return removal;
}

} // namespace spectest
