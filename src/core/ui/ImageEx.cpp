// The image button's window class: painting (faded while disabled), mouse tracking and clicks.
#include "core/ui/ImageEx.h"

#include <exception>

#include "core/system/Dialogs.h"
#include "core/system/Handles.h"
#include "core/ui/Dpi.h"
#include "core/ui/Pictures.h"

namespace ku {

namespace {

struct ImageExState {
    UniqueGdiObject picture;
    std::string pictureName;
    int tag = 0;
    bool inside = false;
    bool pressed = false;
    TImageEx::Event onMouseEnter;
    TImageEx::Event onMouseLeave;
};

LRESULT CALLBACK ImageExProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Only our own class keeps its state in the user data; any other window gives none.
ImageExState* StateOf(HWND window) {
    if (!window ||
        GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&ImageExProc))
        return nullptr;
    return reinterpret_cast<ImageExState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

const std::string& EmptyName() {
    static const std::string empty;
    return empty;
}

// A disabled button shows its picture half covered by white.
void Fade(HDC dc, int width, int height) {
    const unsigned char white[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    UniqueGdiObject pixel = MakeBitmap(white, 1, 1);
    if (!pixel)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, pixel.get());
    const BLENDFUNCTION half = {AC_SRC_OVER, 0, 128, 0};
    GdiAlphaBlend(dc, 0, 0, width, height, source, 0, 0, 1, 1, half);
    SelectObject(source, old);
    DeleteDC(source);
}

void Paint(HWND window, ImageExState& state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    if (state.picture) {
        // The picture fills the control, which is as large as the picture at the screen's
        // pixels per inch: stretched with the texts beside it where they are larger.
        BITMAP info = {};
        // exact-text: a bitmap's size only, no text
        GetObjectA(state.picture.get(), sizeof(info), &info);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, state.picture.get());
        if (client.right == info.bmWidth && client.bottom == info.bmHeight) {
            BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        } else {
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, info.bmWidth,
                       info.bmHeight, SRCCOPY);
        }
        SelectObject(source, old);
        DeleteDC(source);
        if (!IsWindowEnabled(window))
            Fade(dc, client.right, client.bottom);
    }
    // A keyboard user sees which button Space and Enter press.
    if (GetFocus() == window) {
        InflateRect(&client, -1, -1);
        DrawFocusRect(dc, &client);
    }
    EndPaint(window, &paint);
}

// An event handler's error is shown, never unwound into user32.
void Raise(const TImageEx::Event& event, HWND window) {
    if (!event)
        return;
    try {
        event(TImageEx(window));
    } catch (const std::exception& error) {
        ShowMessageBox(GetParent(window), error.what(), kAppCaption, MB_OK | MB_ICONERROR);
    }
}

// The events come after the control's own handling, as the framework's image control did.
LRESULT MouseMove(HWND window, ImageExState& state, WPARAM wParam, LPARAM lParam) {
    LRESULT result = DefWindowProcA(window, WM_MOUSEMOVE, wParam, lParam);
    if (!state.inside) {
        state.inside = true;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        Raise(state.onMouseEnter, window);
    }
    return result;
}

LRESULT MouseLeave(HWND window, ImageExState& state) {
    LRESULT result = DefWindowProcA(window, WM_MOUSELEAVE, 0, 0);
    if (state.inside) {
        state.inside = false;
        Raise(state.onMouseLeave, window);
    }
    return result;
}

void Click(HWND window) {
    HWND parent = GetParent(window);
    int id = GetDlgCtrlID(window);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(window));
}

LRESULT CALLBACK ImageExProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new ImageExState));
    ImageExState* state = StateOf(window);
    if (!state)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete state;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1; // the picture covers the control; without one the form shows through
    case WM_PAINT:
        Paint(window, *state);
        return 0;
    case WM_MOUSEMOVE:
        return MouseMove(window, *state, wParam, lParam);
    case WM_MOUSELEAVE:
        return MouseLeave(window, *state);
    case WM_LBUTTONDOWN:
        state->pressed = true;
        SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        bool wasPressed = state->pressed;
        state->pressed = false;
        if (GetCapture() == window)
            ReleaseCapture();
        RECT client;
        GetClientRect(window, &client);
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (wasPressed && PtInRect(&client, at))
            Click(window);
        return 0;
    }
    case BM_CLICK:
        // What a button does for keyboard users and accessibility tools: a click.
        if (IsWindowEnabled(window))
            Click(window);
        return 0;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_KEYUP:
        // Space presses a focused button, as it presses a push button.
        if (wParam == VK_SPACE && IsWindowEnabled(window))
            Click(window);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void RegisterImageExClass() {
    WNDCLASSA existing;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(instance, kImageExClass, &existing))
        return;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ImageExProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_HAND);
    wc.lpszClassName = kImageExClass;
    RegisterClassA(&wc);
}

bool TImageEx::IsImageButton() const {
    return StateOf(hwnd_) != nullptr;
}

void TImageEx::SetPicture(HBITMAP picture, const std::string& name) {
    ImageExState* state = StateOf(hwnd_);
    if (!state) {
        DeleteObject(picture);
        return;
    }
    state->picture.reset(picture);
    state->pictureName = picture ? name : std::string();
    if (picture) {
        BITMAP info = {};
        // exact-text: a bitmap's size only, no text
        GetObjectA(picture, sizeof(info), &info);
        SetWindowPos(hwnd_, nullptr, 0, 0, Scaled(info.bmWidth), Scaled(info.bmHeight),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void TImageEx::ClearPicture() {
    SetPicture(nullptr, std::string());
}

HBITMAP TImageEx::Picture() const {
    ImageExState* state = StateOf(hwnd_);
    return state ? static_cast<HBITMAP>(state->picture.get()) : nullptr;
}

const std::string& TImageEx::PictureName() const {
    ImageExState* state = StateOf(hwnd_);
    return state ? state->pictureName : EmptyName();
}

int TImageEx::Tag() const {
    ImageExState* state = StateOf(hwnd_);
    return state ? state->tag : 0;
}

void TImageEx::SetTag(int tag) {
    if (ImageExState* state = StateOf(hwnd_))
        state->tag = tag;
}

bool TImageEx::MouseInside() const {
    ImageExState* state = StateOf(hwnd_);
    return state && state->inside;
}

void TImageEx::SetOnMouseEnter(Event handler) {
    if (ImageExState* state = StateOf(hwnd_))
        state->onMouseEnter = std::move(handler);
}

void TImageEx::SetOnMouseLeave(Event handler) {
    if (ImageExState* state = StateOf(hwnd_))
        state->onMouseLeave = std::move(handler);
}

} // namespace ku
