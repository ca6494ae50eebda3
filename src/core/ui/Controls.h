// Controls as value wrappers: each holds one HWND it does not own, with a few one-line methods.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/ui/Window.h"

namespace ku {

class TControl {
  public:
    TControl() = default;
    explicit TControl(HWND window) : hwnd_(window) {}
    HWND Handle() const { return hwnd_; }
    std::string Text() const { return WindowText(hwnd_); }
    // What the user typed or pasted, exact or refused (see ExactWindowText).
    bool ExactText(std::string& text) const { return ExactWindowText(hwnd_, text); }
    void SetText(const std::string& text) const { SetWindowTextA(hwnd_, text.c_str()); }
    bool Visible() const { return IsWindowVisible(hwnd_) != FALSE; }
    void SetVisible(bool visible) const { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }
    bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetEnabled(bool enabled) const { EnableWindow(hwnd_, enabled); }
    void SetFont(HFONT font) const {
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }

  protected:
    HWND hwnd_ = nullptr;
};

// A static text; drawn transparently over its window, so a new text repaints what is under it.
class TLabel : public TControl {
  public:
    using TControl::TControl;
    void SetText(const std::string& text) const { SetLabelText(hwnd_, text); }
};

class TCheckBox : public TControl {
  public:
    using TControl::TControl;
    bool Checked() const { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool on) const {
        SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};

class TComboBox : public TControl {
  public:
    using TControl::TControl;
    int AddItem(const std::string& text) const {
        return static_cast<int>(
            SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int Count() const { return static_cast<int>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)); }
    // The text of item `index` by its wide form: false when there is none or when the code
    // page cannot hold it exactly (`text` then holds a shown form).
    bool ExactItemText(int index, std::string& text) const {
        return ExactComboItemText(hwnd_, index, text);
    }
};

class TPicture : public TControl {
  public:
    using TControl::TControl;
    // The icon stays the caller's.
    void SetIcon(HICON icon) const {
        SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    HICON Icon() const { return reinterpret_cast<HICON>(SendMessageA(hwnd_, STM_GETICON, 0, 0)); }
};

} // namespace ku
