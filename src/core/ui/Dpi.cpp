// The screen's pixels per inch, read once: it stays what it was when the process started.
#include "core/ui/Dpi.h"

#include <windows.h>

namespace ku {

namespace {

const int kDesignDpi = 96;

int ReadScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

} // namespace

int ScreenDpi() {
    static const int dpi = ReadScreenDpi();
    return dpi;
}

int Scaled(int pixels) {
    return MulDiv(pixels, ScreenDpi(), kDesignDpi);
}

} // namespace ku
