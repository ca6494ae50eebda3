// TShowLiveUpdateForm: the wait window of the interactive update check, with an animation.
#pragma once

#include "core/settings/UpdateCheck.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Pictures.h"
#include "core/ui/Window.h"

namespace ku {

class TShowLiveUpdateForm : public TForm {
  public:
    TShowLiveUpdateForm();
    TImageEx Image1() const;
    int FrameCount() const { return static_cast<int>(animation_.frames.size()); }
    int CurrentFrame() const { return frame_; }

  protected:
    void FormCreate() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    void ShowFrame(int index);

    AnimatedPicture animation_;
    int frame_ = 0;
};

// The wait window as the update check sees it: shown and painted before the download (which
// blocks the window thread), closed before the answer.
class LiveUpdateWaitWindow : public IUpdateWaitWindow {
  public:
    void Show() override;
    void Close() override;

  private:
    TShowLiveUpdateForm form_;
};

// The update check with its wait window, as the windows call it. When the user chose to
// update, the updater has been started and the message loop is asked to end.
bool CheckForUpdate(bool interactive, HWND owner = nullptr);

} // namespace ku
