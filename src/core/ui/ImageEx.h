// TImageEx: the image button. A picture control that raises mouse-enter and mouse-leave events
// after its own handling of them, and tells its parent about clicks (WM_COMMAND, STN_CLICKED),
// also those asked for with BM_CLICK or made with Space while it has the focus. Its window text
// names it; the picture shows the label.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ku {

inline const char* const kImageExClass = "TImageEx";

void RegisterImageExClass();

// A non-owning value wrapper around one TImageEx window; the window owns its picture.
class TImageEx {
  public:
    using Event = std::function<void(TImageEx sender)>;

    TImageEx() = default;
    explicit TImageEx(HWND window) : hwnd_(window) {}
    HWND Handle() const { return hwnd_; }
    // True when the handle is a live image button (not some other window).
    bool IsImageButton() const;

    // Takes ownership of picture and sizes the control to it, scaled from 96 pixels per inch to
    // the screen's as the texts around it are; name tells which one it is.
    void SetPicture(HBITMAP picture, const std::string& name);
    void ClearPicture();
    HBITMAP Picture() const;
    const std::string& PictureName() const;

    // Tag 1 keeps the picture: LoadJpegResource leaves such a control alone.
    int Tag() const;
    void SetTag(int tag);
    bool MouseInside() const;

    void SetOnMouseEnter(Event handler);
    void SetOnMouseLeave(Event handler);

  private:
    HWND hwnd_ = nullptr;
};

} // namespace ku
