// TStartupManagerForm: the startup manager, a child window on the System Manager's Startup
// page with the tabs "Startup List" and "Restore List" and the buttons Enable, Disable,
// Remove and Restore.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "core/ui/ImageEx.h"
#include "core/ui/PageControl.h"
#include "core/ui/Window.h"
#include "sysmanager/StartupManager.h"
#include "sysmanager/ui/ReportListView.h"

namespace ku {

class TStartupManagerForm : public TForm {
  public:
    enum Page { StartupListPage = 0, RestoreListPage = 1 };
    // Rows of the Startup list that show version details keep this instead of a row number.
    static const LPARAM kDetailRow = -1;

    explicit TStartupManagerForm(StartupPlaces places = DefaultStartupPlaces());
    ~TStartupManagerForm() override;

    // Handlers, named after the controls they serve; public so the System Manager and the
    // window tests can drive them.
    void PageCIndexChange(int page);
    void StartupListViewMouseDown(POINT point); // a left press in the Startup list
    void StartupListViewDblClick();
    void OpenPathBtnClick();   // Enable
    void DeleteItemBtnClick(); // Disable
    void BtRemoveClick();
    void RestoreBtnClick();
    void RefreshStartupList();
    void FormResize();
    // Sizes the page to its parent's client area (done when it is created).
    void FitToParent();

    // Marks a Startup-list row (item picture 1) or takes the mark off; ticks a Restore row.
    void SetMark(int listRow, bool marked);
    void SetRestoreTick(int listRow, bool ticked);
    // Shows or hides the detail rows below a Startup-list row.
    void ShowEntryDetails(bool expand, int listRow);

    TPageControl PageCIndex() const;
    TReportListView StartupListView() const;
    TReportListView ListRestore() const;
    TImageEx OpenPathBtn() const;
    TImageEx DeleteItemBtn() const;
    TImageEx BtRemove() const;
    TImageEx RestoreBtn() const;

    TStartupManager& Manager() { return manager_; }
    // The row of the model that a Startup-list row shows, or none for a detail row.
    const StartupRow* RowOf(int listRow) const;
    int ActivePage() const { return page_; }

  protected:
    void FormCreate() override;
    void FormShow() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    void PlaceControls();
    void FillStartupList();
    void FillRestoreList();
    void ShowFailures(const ActionReport& report);
    void ShowUnreadFiles();
    void SetButtons(bool startupPage);
    bool OnNotify(const NMHDR& header);

    TStartupManager manager_;
    std::vector<StartupRow> rows_;
    std::vector<RestoreRow> restoreRows_;
    HIMAGELIST statImageList_ = nullptr; // StatImageList
    int page_ = StartupListPage;
    bool busy_ = false; // a list is being filled: the buttons wait
};

// The startup manager while the System Manager shows it.
extern TStartupManagerForm* StartupManagerForm;

} // namespace ku
