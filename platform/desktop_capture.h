#pragma once
#include <cstdint>

namespace platform {

// Copies the screen area (x, y, width, height) into 0x00RRGGBB pixels through X11. Parts of
// the area outside the screen are left as they were. False when there is no X display.
bool captureX11Desktop(uint32_t* pixels, int x, int y, int width, int height);

} // namespace platform

namespace platform {

// True when an X display is open and a window manager announces itself on it (through the
// root window's _NET_SUPPORTING_WM_CHECK), or when there is no X display to ask.
bool x11WindowManagerRunning();

} // namespace platform
