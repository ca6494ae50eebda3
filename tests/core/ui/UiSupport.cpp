// Window-test support.
#include "UiSupport.h"

#include <utility>

#include "support/Keys.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace uitest {

void PumpMessages(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

void ClickControl(HWND control) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void PressKey(HWND window, UINT key) {
    kutest::PostKey(window, key);
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsWindow(window) && IsDialogMessageA(window, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < 100);
}

bool TabTo(HWND window, HWND control, int presses) {
    for (int i = 0; i < presses && kutest::FocusOf(window) != control; ++i)
        PressKey(window, VK_TAB);
    return kutest::FocusOf(window) == control;
}

std::vector<HWND> TabStops(HWND window) {
    std::vector<HWND> stops;
    const HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND at = first; at && stops.size() < 200; at = GetNextDlgTabItem(window, at, FALSE)) {
        if (!stops.empty() && at == first)
            break;
        stops.push_back(at);
    }
    return stops;
}

bool TextFitsLabel(HWND label) {
    char text[1024] = {};
    GetWindowTextA(label, text, sizeof(text));
    RECT area;
    GetClientRect(label, &area);
    HDC dc = GetDC(label);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, area.right, 0};
    DrawTextA(dc, text, -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return needed.right <= area.right && needed.bottom <= area.bottom;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms)
        PumpMessages(20);
    return done();
}

bool HasRoundedRegion(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(window, region);
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    bool rounded = (kind == COMPLEXREGION || kind == SIMPLEREGION) && !PtInRegion(region, 0, 0) &&
                   PtInRegion(region, width / 2, height / 2) && PtInRegion(region, 8, 0) &&
                   !PtInRegion(region, width, height);
    DeleteObject(region);
    return rounded;
}

bool SaveScreenshot(HWND window, const std::string& name) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(300);
    // Without a window manager nobody draws title bars: framed windows show their client area.
    RECT frame;
    GetClientRect(window, &frame);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&frame), 2);
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    auto* pixel = static_cast<unsigned char*>(bits); // BGRA to opaque RGBA
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i, pixel += 4) {
        std::swap(pixel[0], pixel[2]);
        pixel[3] = 255;
    }
    CreateDirectoryA("C:\\kutest", nullptr);
    CreateDirectoryA("C:\\kutest\\screenshots", nullptr);
    const std::string path = "C:\\kutest\\screenshots\\" + name + ".png";
    const bool saved = stbi_write_png(path.c_str(), width, height, 4, bits, width * 4) != 0;
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

COLORREF BackgroundPixel(HWND window, int x, int y) {
    RECT client;
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    const COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return colour;
}

} // namespace uitest
