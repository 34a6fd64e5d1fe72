#include "display/display.h"

#include "display/convert.h"
#include "platform/host.h"

namespace display {

void Display::fail(const char* text) {
    window->messageBox("directDrawError", text);
    window->destroyWindow();
}

void Display::create(platform::Host& w, int wd, int ht, int fsDepth, int dskDepth, bool fs) {
    window = &w;
    width = wd;
    height = ht;
    fullScreenDepth = fsDepth;
    desktopDepth = dskDepth;
    flags = fs ? kFullScreenFlag : 0;
    if (!window->windowExists()) {
        fail("DirectDrawCreateEx FAILED");
        return;
    }
    directDraw = true;
    if (fs) {
        if (setUpFullScreen()) window->showCursor(false);
    } else {
        if (setUpWindow()) window->showCursor(true);
    }
}

bool Display::detect16BitLayout() {
    const uint32_t mask = window->primaryGreenMask();
    if (mask == 0) {
        fail("Bad pixel format");
        return false;
    }
    const int layout = layoutFromGreenMask(mask);
    if (layout == 0) {
        fail("Color mode not supported");
        return false;
    }
    depth = layout;
    return true;
}

bool Display::setUpFullScreen() {
    if (!window->openScreen(width, height, fullScreenDepth, true)) {
        fail("SetDisplayMode FAILED");
        return false;
    }
    surfacesHeld = true;
    depth = fullScreenDepth;
    return depth == 16 ? detect16BitLayout() : true;
}

bool Display::setUpWindow() {
    if (!window->openScreen(width, height, desktopDepth, false)) {
        fail("Create BufferSurface");
        return false;
    }
    surfacesHeld = true;
    depth = desktopDepth;
    return depth == 16 ? detect16BitLayout() : true;
}

uint8_t* Display::lock() {
    if (!surfacesHeld) return nullptr;
    return window->lockSurface();
}

void Display::unlock() {
    if (surfacesHeld) window->unlockSurface();
}

void Display::present() {
    if (!surfacesHeld) return;
    const bool shown = window->presentSurface();
    // A flip's result is ignored; a failed window blit ends the program.
    if (!shown && !fullScreen()) fail("Blt FAILED");
}

void Display::restore() {
    if (surfacesHeld) window->restoreSurface();
}

void Display::releaseSurfaces() {
    if (surfacesHeld) window->closeScreen();
    surfacesHeld = false;
}

void Display::toggle() {
    if (directDraw) releaseSurfaces();
    if (!window || !window->windowExists()) return;
    if (fullScreen()) {
        flags &= ~kFullScreenFlag;
        window->setWindowPos(200, 200, width, height);
        setUpWindow();
    } else {
        flags |= kFullScreenFlag;
        setUpFullScreen();
    }
}

void Display::release() {
    if (!directDraw) return;
    releaseSurfaces();
    directDraw = false;
}

} // namespace display
