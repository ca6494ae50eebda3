// TRecoveryForm, the System Manager window: registry hive backup and restore, the logon
// backup, the DOS-mode restore entry, network settings, and the hosts of the startup manager
// and device pages. Long work runs on threads that reach the window only through its thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>

#include "SysManagerFormIds.h"
#include "core/system/Handles.h"
#include "core/ui/Controls.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"
#include "sysmanager/ui/StringGrid.h"

namespace ku {

class TRecoveryForm : public TForm {
  public:
    enum Page { BackupPageIndex, RestorePageIndex, StartupPageIndex, DevicePageIndex };

    TRecoveryForm();
    ~TRecoveryForm() override;

    // False while a backup thread runs, true once it has finished.
    std::atomic<bool> BackupDone{false};
    // Set by the creator: back up the registry at once and close when done.
    bool AutoRun = false;

    // Controls.
    TImageEx PageButton(int page) const;
    TImageEx BackupSBt() const { return TImageEx(Item(IDC_SM_BACKUPSBT)); }
    TImageEx RegRecovery() const { return TImageEx(Item(IDC_SM_REGRECOVERY)); }
    TImageEx RegRecoveryDOS() const { return TImageEx(Item(IDC_SM_REGRECOVERYDOS)); }
    TStringGrid RegStringGrid() const { return TStringGrid(Item(IDC_SM_REGSTRINGGRID)); }
    TControl DirEdit() const { return TControl(Item(IDC_SM_DIREDIT)); }
    TCheckBox AutoCheckBox() const { return TCheckBox(Item(IDC_SM_AUTOCHECKBOX)); }
    TLabel ProgressExPanel() const { return TLabel(Item(IDC_SM_PROGRESSEXPANEL)); }
    TLabel NICLabel() const { return TLabel(Item(IDC_SM_NICLABEL)); }
    TLabel NICBKLabel() const { return TLabel(Item(IDC_SM_NICBKLABEL)); }
    // The page windows the startup manager and the device forms are created in.
    HWND ShowStartupPanel() const { return Item(IDC_SM_SHOWSTARTUPPANEL); }
    HWND DevicesPanel() const { return Item(IDC_SM_DEVICESPANEL); }
    int ActivePage() const { return page_; }
    bool TimerOn(UINT_PTR timer) const;

    // Handlers.
    void BackupPageClick();
    void RestorePageClick();
    void StartupPageClick();
    void DevicePageClick();
    void BackupSBtClick();
    void RegRecoveryClick();
    void RegRecoveryDOSClick();
    void AutoCheckBoxClick();
    void NICBackupSBtClick();
    void NICRecoveryClick();
    void HowtodoLabClick();
    void BurnCDClick();
    void SMCloseBtnClick();
    void Timer1Timer();
    void DOSTimerTimer();
    void NICTimerTimer();

    // Worker threads: runs action on the window thread and waits for it.
    void Synchronize(const std::function<void()>& action);
    // Window thread, at the start and the end of a worker's run.
    void WorkerStarted() { ++workers_; }
    void WorkerEnded();
    // Window thread: the first steps of the backup thread; answers the backup folder, or
    // false with its shown form when the code page cannot hold it.
    bool BackupStarted(std::string& folder);
    // Window thread: the end steps of the backup thread.
    void BackupEnded(bool ok, const std::string& error);
    void NetworkWorkEnded(TLabel label);

    static const UINT_PTR Timer1 = 1, DOSTimer = 2, NICTimer = 3;

  protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;
    bool OnCommand(int id, int code) override;
    int CancelButton() const override { return IDC_SM_CLOSEBTN; }
    HWND PageFocus() const override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    void LayOut();
    void SetUpButtons();
    void SelectPage(int page);
    void RefreshDosState();
    // The backup folder box's text, exact or refused with a message to the user.
    bool BackupFolder(std::string& folder);
    void SetTimerOn(UINT_PTR timer, bool on, UINT ms = 0);
    void RequestClose();
    static LRESULT CALLBACK HelpLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR data);

    // Shows or hides a control that a handler controls, now or when its page opens.
    void ShowControl(int id, bool visible);

    int page_ = -1;
    std::set<int> shownByHandler_;
    std::atomic<int> workers_{0};
    bool closePending_ = false;
    bool helpHot_ = false;
    bool dosRestoreOffered_ = true; // the DOS-mode entry suits this Windows
    UINT_PTR timers_[4] = {};
    UniqueGdiObject underlineFont_;
};

// The window while it is open; the worker threads reach it only through this.
extern TRecoveryForm* RecoveryForm;

// Creates the window into RecoveryForm, shows it modally and frees it.
void ShowSysManager(HWND owner, bool autoRun);

} // namespace ku
