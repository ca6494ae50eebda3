// TUnInstallForm: the main window. The installed-program list on the left, the selected
// program's facts (or the instructions) on the right, the image buttons that open the other
// windows on top and under the list.
#pragma once

#include <memory>
#include <string>

#include "core/programs/MainWindowLogic.h"
#include "core/programs/ProgramListBuilder.h"
#include "core/programs/UninstallItemUnit.h"
#include "core/ui/DataModule.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"
#include "core/ui/main/ProgramIcons.h"

namespace ku {

class TUnInstallForm : public TForm {
  public:
    TUnInstallForm();
    ~TUnInstallForm() override;

    // A file or folder named on the command line; opened in the Force Uninstall wizard
    // when the window is first shown.
    std::string StartFile;
    std::string StartFolder;
    // Where the list is read from; the machine's own keys unless a test points elsewhere.
    ProgramListPlaces Places;

    TImageEx MinBtn() const;
    TImageEx CloseBtn() const;
    HWND ListView() const;
    const TProgramIcons* Icons() const { return icons_.get(); }

    // Handlers, public so that the window tests can drive them as a click would.
    void UninstallBtnClick();
    void ForceUninstallBtnClick();
    void SpecialBtnClick();
    void StartupBtnClick();
    void DeleteBtnClick();
    void RefreshBtnClick();
    void DetailBtnClick();
    void dddColumnClick(int column);
    void dddSelectItem(int row, bool selected);
    void abHelpLinkClick(HWND label);
    void cbShowWinUpdateClick();
    void SysBit64Click();
    void SysBit32Click();
    void UpdateBtnClick();
    void HelpBtnClick();
    void OptionsBtnClick();
    void AboutBtnClick();
    void ViewBtnClick();

    // The list's building steps, on ProgramList.
    void FillProgramListView();
    void FitListColumns();
    int SelectedRow() const; // -1 when none
    void SelectRow(int row);

  protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;
    bool OnCommand(int id, int code) override;
    int DefaultButton() const override; // Uninstall, with a row selected
    HWND PageFocus() const override { return ListView(); } // the keys choose in the list
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    void LayOut();
    void SetUpButtons();
    void SetUpList();
    void ShowFacts(int row);
    void ShowInstructions();
    void Reload();
    bool ConfirmForcedUse();
    bool WarnWithoutSelection();
    void DrawPicture(const DRAWITEMSTRUCT& item);
    void HoverLabel(HWND label, bool inside);

    std::unique_ptr<TDM> ownDataModule_; // when start-up made none
    std::unique_ptr<TUninstallContents> list_;
    std::unique_ptr<TProgramIcons> icons_;
    int pictureIndex_ = -1; // the selected row's large icon; -1 shows the instruction picture
    HWND hotLabel_ = nullptr;
    HWND listView_ = nullptr; // handed to the data module's view menu
    UniqueGdiObject underlineFont_;
    UniqueGdiObject nameFont8_, nameFont10_;
};

extern TUnInstallForm* UnInstallForm;

// Creates the main window with what the command line named, shows it and runs the message
// loop until it closes (or a quit was asked for already). Returns the loop's exit code.
int RunMainWindow(const std::string& startFile, const std::string& startFolder);

} // namespace ku
