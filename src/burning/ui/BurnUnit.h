// TBurnForm: the window that burns the recovery boot image "DIDuvu.zir" (or any ISO image the
// user names) to a CD or DVD, or quick-erases a rewritable disc first. The burner's threads
// never touch it: their events are queued and handled on the window thread.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "burning/mbCDBC.h"
#include "core/system/Handles.h"
#include "core/ui/Window.h"

namespace ku {

class TBurnForm : public TForm {
public:
    TBurnForm();
    ~TBurnForm() override;

    // The burner; freed when the window closes, after a running burn or erase has ended.
    std::unique_ptr<TMCDBurner> mcdb;

    // Handlers, public so tests can drive the window as a user would.
    void cbDrivesChange();
    void cbSpeedDropDown();
    void SpeedButton1Click();
    void bBurnISOClick();
    void bAbortClick();
    void bQEraseClick();
    void Timer1Timer();
    void mcdbWriteDone(const std::string& Error);
    void mcdbEraseDone(bool WithError);
    void mcdbFinalizingTrack();
    void mcdbDebugMessage(const std::string& Message, uint8_t mType);

    std::string Status() const;
    bool TimerRunning() const { return timerRunning_; }

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;
    bool OnCommand(int id, int code) override;
    int CancelButton() const override { return IDCANCEL; } // as the close box
    HWND PageFocus() const override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

private:
    struct TBurnEvent {
        enum Kind { WriteDone, EraseDone, FinalizingTrack, DebugMessage } kind;
        std::string text;
        bool withError;
        uint8_t level;
    };
    void BindEvents();
    void Deliver(TBurnEvent event);
    void DeliverQueued();
    void HandleEvent(const TBurnEvent& event);
    void LayOutFrame();
    void AddHint(int id, const char* text);
    void SetStatus(const std::string& text);
    void SetWorking(bool working);
    void StartTimer();
    void StopTimer();
    void EndErase(bool WithError);
    std::string SelectedText(int comboId) const;
    void SetBar(int id, int position, int maximum = -1);

    DWORD windowThread_;
    std::mutex eventsLock_;
    std::deque<TBurnEvent> events_;
    bool driveWrites_ = false;
    bool working_ = false; // a burn or an erase runs
    bool timerRunning_ = false;
    bool eraseEnded_ = false;
    std::string programFolder_;
    UniqueGdiObject frameBrush_;
    UniqueGdiObject drivesFont_; // fixed pitch, as large as the dialog's font
    HWND hints_ = nullptr;
};

// The window while it is open.
extern TBurnForm* BurnForm;
// What the window does after a good burn; both set when it opens.
extern bool ClearArchiveOnDone;
extern bool EjectOnDone;

// Creates the burn window into BurnForm, shows it modally and frees it.
void ShowBurnForm(HWND owner);

} // namespace ku
