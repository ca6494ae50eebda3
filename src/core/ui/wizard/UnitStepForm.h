// TUninstallStepForm: the uninstall wizard. One window, six pages, one Next button that runs
// the program's own uninstaller, the registry and file scans and then the removal thread.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/force/ForceFlow.h"
#include "core/force/RemnantTree.h"
#include "core/programs/MainWindowLogic.h"
#include "core/removal/Removal.h"
#include "core/removal/WizardState.h"
#include "core/ui/Pictures.h"
#include "core/ui/Window.h"
#include "core/ui/wizard/RemnantTreeView.h"
#include "core/ui/wizard/WizardBridge.h"

namespace ku {

enum TStepPage : int {
    PageDescription = 0,
    PageScan = 1,
    PageForce = 2,
    PageResult = 3,
    PageFinish = 4,
    PageRegRemain = 5,
};

inline const char* const kWizardCaption = "Uninstall Wizard";
inline const char* const kForceWizardCaption = "Force Uninstall Wizard";

class TUninstallStepForm : public TForm {
public:
    TUninstallStepForm();
    ~TUninstallStepForm() override;

    // Set by the caller before the window is shown; UninstallDone is read after it closed.
    std::string DisplayName;
    std::string NortonFlag;
    std::string UninstallKeyName;
    std::string UninstallCommand;
    std::string ProfileKey;
    int ForceMode = 0;
    bool SpecialMode = false;
    // The entry holds names or texts the code page cannot hold: its command is never started.
    bool InexactEntry = false;
    int UninstallDone = 0;

    // What the caller puts into the controls before showing. An empty caption is the mode's
    // own ("Uninstall Wizard", or "Force Uninstall Wizard" in force mode); without an icon the
    // system's program icon is shown.
    std::string Caption;
    HICON ApplicationIcon = nullptr; // not owned
    std::string ProgramName, Version, InstallDate, InstallLocation, HelpLink, Publisher, HomePage,
        UpdateLink;
    std::vector<std::string> ProgramFiles; // force mode: TxtProgramName's items
    std::string FolderPath;                // force mode: TxtPath

    // The run's shared state: LeftoverList, ScanKeyCounter, RunningExeList ...
    TWizardState State;

    // Pictures of the image buttons: Next, Next hovered, Cancel, Cancel hovered, Finish, Finish
    // hovered; Skip, Skip hovered; and of the RegRemain tree: key, string value, number or
    // binary value; its check boxes by state (0 none, 1 unticked, 2 ticked).
    UniqueImageList ImageList1, SkipList, TreeImageList, StartTreeImageList;

    // Handlers, public so tests can drive the wizard as a user would.
    void StepBitBtnClick();
    void CancelBitBtnClick();
    void RegSkipBtnClick();
    void FileSkipBtnClick();
    // The image buttons under the pointer: StepBitBtn, CancelBitBtn and the four skip buttons.
    void ImageButtonMouseEnter(int id);
    void ImageButtonMouseLeave(int id);
    void Timer1Timer();
    void Timer2Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    // The folder edit changed: refuses protected folders, offers security products' files.
    void TxtPathChange();
    // The RegRemain tree and its model, for tests that tick entries as a user would.
    TRemnantTree& RemnantTree() { return remnantTree_; }
    HWND RegTreeView() const;

    int PageIndex() const { return page_; }
    bool Busy() const { return busy_; }
    bool RemovalRunning() const;
    // Waits, letting messages through, until the removal thread has ended.
    void WaitForRemoval();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;
    bool OnCommand(int id, int code) override;
    int DefaultButton() const override; // Next
    int CancelButton() const override;
    HWND PageFocus() const override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

private:
    // The result lists' columns at their narrowest; they widen to their longest line.
    static constexpr int kRegistryKeyColumn = 400, kValueColumn = 180, kFileColumn = 560;
    void SetPage(int page);
    void SetUpPictures();
    void ShowListPicture(int id, HIMAGELIST list, int index, const char* listName);
    void ShowButtonPicture(int id, bool hot);
    void SetCaption(const std::string& caption);
    void ShowOnPage(int id, bool shown);
    // The program-name list takes no typing: every character becomes Enter.
    static LRESULT CALLBACK TxtProgramNameKeyPress(HWND edit, UINT message, WPARAM wParam,
                                                   LPARAM lParam, UINT_PTR, DWORD_PTR);
    void FillDescription();
    void RunScanPage();
    void RunUninstallStep();
    void RunRegistryStep();
    void RunFileStep();
    void RunForcePage();
    void RunForceRegistryStep();
    void RunForceFileStep();
    ForceScanInput ForceInput() const;
    void BuildRemnantTree();
    bool OnTreeNotify(const NMHDR* header);
    void RunResultPage();
    void BackupRegistry();
    void StartRemoval(const std::string& folder);
    void ShowScanResults();
    void ShowFinishButton();
    void RemovalEnded(const RemovalReport& report);
    bool AskToScanWithEntryLeft();
    void BeginStep(int label, int panel, int image, int skip, UINT_PTR timer);
    void EndStep(int label, int panel, int skip, UINT_PTR timer, int doneImage);
    bool StepDone(int image) const;
    std::string ScanWord() const;
    // TxtPath's text, exact or refused: false when the code page cannot hold it (`path` then
    // holds its shown form); the second says so to the user.
    bool PathText(std::string& path) const;
    bool ExactPathOrSay(std::string& path);
    void MoveProgressImage(int panel, int image);
    void PlaceProgressBlock(int panel, int image, int left);
    void StopEverything();

    int page_ = PageDescription;
    int regImageLeft_ = -24;
    int fileImageLeft_ = -24;
    bool busy_ = false;
    bool closeRequested_ = false;
    bool closed_ = false;
    bool uninstallerStarted_ = true;
    bool backingUp_ = false;
    std::unique_ptr<WindowRemovalHost> host_;
    std::unique_ptr<TDelthread> removal_;
    TRemnantTree remnantTree_;
    std::unique_ptr<TRemnantTreeView> remnantView_;
    bool checkingPath_ = false;
    std::map<int, bool> shown_; // a page control's own visibility, shown while its page is
};

// The window the wizard's removal thread and the special-uninstall wizard reach.
extern TUninstallStepForm* UninstallStepForm;

// Creates the wizard into UninstallStepForm with what the main window hands over, shows it
// modally, frees it and answers its UninstallDone (1: reload the program list).
int RunUninstallWizard(HWND owner, const UninstallWizardRequest& request);
// The same in force mode, captioned "Force Uninstall Wizard": a program file goes into the
// program-name box, a folder into the path box (either may be empty).
int RunForceUninstallWizard(HWND owner, const std::string& programFile, const std::string& folder);

} // namespace ku
