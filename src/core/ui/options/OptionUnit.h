// TFormOptions: the "Preferences" dialog with its pages General Settings, Restore Registry and
// Restore System.
#pragma once

#include <windows.h>

#include <string>

#include "core/settings/OptionValues.h"
#include "core/settings/RepairSets.h"
#include "core/ui/Controls.h"
#include "core/ui/NameListView.h"
#include "core/ui/PageControl.h"
#include "core/ui/Window.h"

namespace ku {

// Where the dialog reads and writes; the running program's places unless a test changes them.
struct TOptionPlaces {
    std::string exePath;                          // version label, program folder, context menu
    std::string settingsKey = kSettingsKey;       // under HKEY_LOCAL_MACHINE
    std::string policiesKey = kPoliciesSystemKey; // "EnableLUA", under HKEY_LOCAL_MACHINE
};

class TFormOptions : public TForm {
  public:
    enum Page { GeneralPage = 0, RestoreRegistryPage = 1, RestoreSystemPage = 2 };

    TFormOptions();

    TOptionPlaces Places;
    RepairSleep RepairPause; // the repair sets' pauses; Sleep when empty

    // Handlers; public so that the window tests can drive them.
    void MainPageControlChange(int page); // selects the page and shows its controls
    void CheckUpdateBtnClick();
    void RegFileListViewSelectItem(int index, bool selected);
    void RestoreRegistryBtnClick();
    void BitBtn1Click();
    void BtnCancelClick();

    int ActivePage() const { return page_; }
    std::string BackupFolder() const;
    bool SelectBackup(int index) { return RegFileListView().Select(index); }

    // The controls, named as the dialog's layout names them.
    TPageControl MainPageControl() const;
    TLabel LabelVer() const;
    TCheckBox cbCheckUpdate() const;
    TCheckBox ViewStyleButton(int style) const; // DetailsCheckBox, IconsCheckBox, ListCheckBox
    TCheckBox UACItem(int item) const;          // the items of UACRadioGroup
    TCheckBox Rightcheck() const;
    TNameListView RegFileListView() const;
    TLabel TimeLabel() const;
    TCheckBox RepairCheckBox(int index) const; // CheckBox1 to CheckBox6

  protected:
    void FormCreate() override;
    void FormShow() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    void LoadOptions();
    void LoadUacState();
    void LoadBackupList();
    void ApplyGeneralPage();
    std::string ApplyRestoreSystemPage();
    void ShowTime(const std::string& text);

    int page_ = GeneralPage;
    bool timeShown_ = false;
};

// The dialog while it is shown.
extern TFormOptions* FormOptions;

// Shows the options dialog modally over owner; answers IDOK after OK, else IDCANCEL (-1 when
// it could not open). Afterwards Settings.ViewStyle holds the view style to apply.
INT_PTR ShowOptionsDialog(HWND owner);

} // namespace ku
