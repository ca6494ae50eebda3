// The screen's pixels per inch, and lengths laid out for 96 of them scaled to it. Fonts grow
// with the setting (120 for "larger text", 144 for larger still); every window laid out in
// pixels grows with them, pictures included, so that each text keeps its room and the window
// its look.
#pragma once

namespace ku {

// The pixels per inch of the screen the windows are laid out for (96 at the usual setting).
int ScreenDpi();

// A length in pixels at 96 pixels per inch, at the screen's setting.
int Scaled(int pixels);

} // namespace ku
