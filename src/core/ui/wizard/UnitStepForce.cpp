// The uninstall wizard's force-mode window parts: the folder check of the folder edit and the
// RegRemain check tree.
#include <windows.h>
#include <commctrl.h>

#include "StepFormIds.h"
#include "core/force/ForceFolderCheck.h"
#include "core/system/Dialogs.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "core/ui/Controls.h"
#include "core/ui/wizard/UnitStepForm.h"

namespace ku {

HWND TUninstallStepForm::RegTreeView() const { return Item(IDC_STEP_REGTREEVIEW); }

void TUninstallStepForm::TxtPathChange() {
    // Emptying a refused text changes it again; that second change has nothing to check.
    if (checkingPath_)
        return;
    const HWND edit = Item(IDC_STEP_TXTPATH);
    std::string text;
    // Its best-fit form would check, and offer the files of, another folder: such a text is
    // refused when Next is clicked, with nothing checked or offered before.
    if (!PathText(text))
        return;
    const std::string trimmed = Trim(text);
    if (trimmed.empty())
        return;
    if (trimmed.size() <= 3) {
        checkingPath_ = true;
        SetWindowTextA(edit, "");
        checkingPath_ = false;
        return;
    }
    const ForceFolderCheck check = CheckForceFolder(text, GetSystemDir());
    if (check.refused) {
        checkingPath_ = true;
        SetWindowTextA(edit, "");
        checkingPath_ = false;
        return;
    }
    TComboBox programs(Item(IDC_STEP_TXTPROGRAMNAME));
    for (const std::string& file : check.programFiles)
        programs.AddItem(file);
    if (!check.anotherDirectory.empty())
        ShowMessageBox(Handle(), "Another directory:\r" + check.anotherDirectory, kAppCaption,
                       MB_OK);
    if (programs.Count() > 0) {
        EnableWindow(programs.Handle(), TRUE);
        TLabel(Item(IDC_STEP_FLABEL)).SetText("1/" + std::to_string(programs.Count()));
        SendMessageA(programs.Handle(), CB_SETCURSEL, 0, 0);
    }
}

void TUninstallStepForm::BuildRemnantTree() {
    remnantTree_.BuildRemnantTree(State.RemnantKeyList);
    remnantView_ = std::make_unique<TRemnantTreeView>(RegTreeView(), remnantTree_);
    remnantView_->Fill();
}

bool TUninstallStepForm::OnTreeNotify(const NMHDR* header) {
    if (!header || header->idFrom != IDC_STEP_REGTREEVIEW || !remnantView_)
        return false;
    if (header->code == NM_CLICK) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(RegTreeView(), &point);
        // Handled here: the control's own toggling would ignore the tree's rules.
        return remnantView_->RegTreeViewMouseDown(point);
    }
    if (header->code == TVN_KEYDOWN &&
        reinterpret_cast<const NMTVKEYDOWN*>(header)->wVKey == VK_SPACE) {
        remnantView_->ToggleItem(TreeView_GetSelection(RegTreeView()));
        return true;
    }
    return false;
}

} // namespace ku
