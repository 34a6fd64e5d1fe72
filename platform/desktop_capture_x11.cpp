#include "platform/desktop_capture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace platform {

namespace {

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

int shiftOf(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1))
        mask >>= 1, ++s;
    return s;
}

int widthOf(unsigned long mask) {
    int w = 0;
    while (mask && !(mask & 1))
        mask >>= 1;
    while (mask & 1)
        mask >>= 1, ++w;
    return w;
}

// Scales a channel of any width to 8 bits.
uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const int w = widthOf(mask);
    uint32_t v = static_cast<uint32_t>((pixel & mask) >> shiftOf(mask));
    return w >= 8 ? v >> (w - 8) : (v << (8 - w)) | (v >> (2 * w > 8 ? 2 * w - 8 : 0));
}

} // namespace

bool captureX11Desktop(uint32_t* pixels, int x, int y, int width, int height) {
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    auto previous = XSetErrorHandler(ignoreXError);
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    bool ok = XGetWindowAttributes(display, root, &attributes) != 0;
    if (ok) {
        // XGetImage refuses an area that leaves the screen: take the part that lies on it.
        const int x0 = std::max(x, 0), y0 = std::max(y, 0);
        const int x1 = std::min(x + width, attributes.width);
        const int y1 = std::min(y + height, attributes.height);
        if (x1 > x0 && y1 > y0) {
            XImage* image = XGetImage(display, root, x0, y0, static_cast<unsigned>(x1 - x0),
                                      static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
            if (image) {
                for (int row = y0; row < y1; ++row) {
                    uint32_t* out = pixels + static_cast<size_t>(row - y) * width + (x0 - x);
                    for (int col = x0; col < x1; ++col) {
                        const unsigned long p = XGetPixel(image, col - x0, row - y0);
                        *out++ = (channel(p, image->red_mask) << 16) |
                                 (channel(p, image->green_mask) << 8) |
                                 channel(p, image->blue_mask);
                    }
                }
                XDestroyImage(image);
            } else {
                ok = false;
            }
        }
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return ok;
}

bool x11WindowManagerRunning() {
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) return true;
    auto previous = XSetErrorHandler(ignoreXError);
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    bool running = false;
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                               &type, &format, &count, &after, &data) == Success &&
            data) {
            running = type == XA_WINDOW && count == 1;
            XFree(data);
        }
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return running;
}

} // namespace platform
