// TFormUninstall: the special-uninstall wizard. The user picks one known application, the
// wizard finds its leftovers through the application's profile and then removes it.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "core/system/Handles.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"
#include "special/SpecialUninstall.h"

namespace ku {

enum TSpecialPage : int {
    SpecialPageSelect = 0,
    SpecialPageScan = 1,
    SpecialPageReview = 2,
    SpecialPageRemoving = 3,
    SpecialPageFinish = 4,
};

class TFormUninstall : public TForm {
  public:
    TFormUninstall();
    ~TFormUninstall() override;

    // The key of the application chosen on the first page; empty until a known one is chosen.
    std::string ProfileKey;
    // The chosen application's leftovers, product codes and found files, and the steps that
    // find and remove them.
    TSpecialUninstall Uninstall;
    TUninstallerContents& LeftoverList = Uninstall.LeftoverList;

    // Handlers, public so tests can drive the wizard as a user would.
    void StepBitBtnClick();
    void CancelBitBtnClick();
    void RegSkipBtnClick();
    void Timer1Timer();
    void SubmittousBtnClick();

    // The steps the step button runs.
    void FillApplicationList();
    bool SelectApplication();
    bool ScanLeftovers(const std::string& key);
    bool RemoveApplication(const std::string& key);

    int PageIndex() const { return page_; }
    bool Busy() const { return busy_; }
    int ProgressLeft() const { return progressLeft_; }
    // The removal ran (here or in the uninstall wizard it opened), also if stopped part-way.
    bool Uninstalled() const { return uninstalled_; }

  protected:
    void FormCreate() override;
    void FormShow() override;
    bool OnCommand(int id, int code) override;
    int DefaultButton() const override; // Next
    int CancelButton() const override;
    HWND PageFocus() const override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    void SetPage(int page);
    // A control of a page shown or hidden within its page, e.g. the scan's progress.
    void ShowOnPage(int id, bool shown);
    void SetHoverPictures(int id, const std::string& name);
    void FormResize();
    void PlaceTopTexts();
    void abSubmittousBtnHover(bool inside);

    int page_ = SpecialPageSelect;
    int progressLeft_ = -24;
    bool busy_ = false;
    bool backingUp_ = false;
    bool closeRequested_ = false;
    bool uninstalled_ = false;
    std::set<int> hiddenOnPage_;
    UniqueGdiObject boldFont_, linkFont_;
};

// The wizard while it is open.
extern TFormUninstall* FormUninstall;

// Where the progress picture goes next: one pixel right, back to -24 once its left edge
// reaches the width of its panel.
int NextProgressLeft(int left, int panelWidth);

// Creates the wizard into FormUninstall with owner, shows it modally and frees it; answers 1
// when something was removed (the program list is then out of date).
int RunSpecialUninstallWizard(HWND owner);

} // namespace ku
