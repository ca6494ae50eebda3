// The window layer: one base for every window made from a dialog template, with the program's
// frame conventions (rounded region, dragging by the top panel, background pictures).
#pragma once

#include <windows.h>

#include <string>

#include "core/system/Handles.h"

namespace ku {

// Rounded rectangle from (0, 0) to (client width + 1, client height + 1), corners 16 by 16,
// set with redrawing. Every borderless window gets it when it is created.
void SetRoundedRegion(HWND window);

// Moves the window with the mouse, as a press on its caption would: the capture is released
// before and after sending WM_SYSCOMMAND with SC_MOVE | HTCAPTION (0xF012).
void DragWindow(HWND window);

// Moves the window to the centre of the window that owns it (nothing without an owner).
void CenterOnOwner(HWND window);

// Sets a label's text and repaints what lies under it, for labels drawn transparently.
void SetLabelText(HWND label, const std::string& text);
std::string WindowText(HWND window);
// The text of a box the user types or pastes into, read by its wide form: false when the code
// page cannot hold it exactly (its best-fit form would name something else); `text` then holds
// a shown form with "?" for what the code page lacks, for saying so, never for acting on.
bool ExactWindowText(HWND window, std::string& text);
// The same for item `index` of a combo box; false also when there is no such item.
bool ExactComboItemText(HWND combo, int index, std::string& text);
// The refusal of such a text: "The <what> "<shown>" holds characters this program cannot
// handle and <outcome>.", as the folder and file pickers say it.
std::string InexactTextMessage(const std::string& what, const std::string& shown,
                               const std::string& outcome = "cannot be chosen");

// Hands a message to the dialog it belongs to, as a dialog's own loop does (Tab, Enter, Esc);
// true when the dialog took it. For the message loops of long steps.
bool DialogMessage(MSG& message);

// Makes sure the window classes of our own controls exist before a template uses them.
void RegisterControlClasses();

class TForm {
  public:
    explicit TForm(int templateId);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    // Modeless: creates the window hidden (unless the template says visible); false on failure.
    bool Create(HWND owner);
    // Modal: runs until Close; answers the result given to Close, or -1 when it cannot open.
    INT_PTR ShowModal(HWND owner);
    void Show(int command = SW_SHOW);
    // Ends a modal window with result; destroys a modeless one.
    void Close(INT_PTR result = IDCANCEL);

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    bool IsModal() const { return modal_; }
    // Name of the background picture, for checks; empty when there is none.
    const std::string& BackgroundName() const { return backgroundName_; }
    int TopPanelHeight() const { return topPanelHeight_; }
    // Puts the keys on the page's own control (PageFocus), else on the first control Tab
    // reaches: for a new page, or when a window opened from this one has closed.
    void FocusPage();

  protected:
    // Frame conventions, called from FormCreate.
    void MakeBorderless();                         // rounded region now and on every resize
    void SetTopPanel(int height, COLORREF colour); // painted band that drags the window
    // Picture painted under the controls; sizeToPicture makes the client area its size at the
    // screen's pixels per inch.
    bool SetBackground(const std::string& jpegName, bool sizeToPicture);
    void SetBackgroundColour(COLORREF colour);

    // Handlers; names follow the events they stand for.
    virtual void FormCreate() {}
    virtual void FormShow() {}        // once, after the window first became visible
    virtual void FormClose() {}       // before the window closes
    virtual void BackgroundClick() {} // left click on the form outside the top panel
    // The buttons Enter and Esc stand for (0: the key does nothing; IDCANCEL for Esc: closes
    // as the close box does). Enter on a focused image button clicks that button instead.
    virtual int DefaultButton() const { return 0; }
    virtual int CancelButton() const { return 0; }
    // The control the keys rest on while the page shows: its default button unless the page
    // names another (its list, or Cancel while the default cannot be pressed).
    virtual HWND PageFocus() const;
    virtual bool OnCommand(int id, int code);
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // Colour of a static control; the default draws labels transparently over the form.
    virtual HBRUSH OnLabelColour(HDC dc, HWND label);

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool PaintBackground(HDC dc);
    bool DialogKey(int id, HWND sender);
    // After every message: keys that reach nothing (no focus, or a hidden or disabled control)
    // go to the page's control; a push button left as default gives that state back.
    void KeepFocus();
    bool Usable(HWND control) const;
    void MoveFocus(HWND target);

    int templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool shown_ = false;
    HWND placed_ = nullptr;    // where the window (not the user) last put the keys
    HWND lastFocus_ = nullptr; // where they were when the default state was last looked at
    bool keepingFocus_ = false;
    bool pageFocusWanted_ = false; // a page changed while another window was in front
    bool borderless_ = false;
    int topPanelHeight_ = 0;
    COLORREF topPanelColour_ = 0;
    UniqueGdiObject background_;
    std::string backgroundName_;
    UniqueGdiObject backgroundBrush_;
};

} // namespace ku
