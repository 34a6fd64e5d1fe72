#include <algorithm>

#include "app/shell.h"
#include "platform/clock.h"

namespace app {

// Until the launcher dialog exists the program opens on this screen: what lies behind the
// window, with a cross at the mouse. Escape quits; --autostart plays the start button.
void runTemporaryLauncherFrame(App& app) {
    const uint32_t start = platform::tickCount();
    picture::Image32& fb = app.framebuffer32;
    fb.grabFrom(app.desktopImage, 0, 64);
    auto plot = [&](int x, int y) {
        if (x >= 0 && x < fb.width && y >= 0 && y < fb.height)
            fb.pixels[static_cast<size_t>(y) * fb.width + x] ^= 0x00FFFFFF;
    };
    for (int d = -6; d <= 6; ++d) {
        plot(app.mouse.x + d, app.mouse.y);
        if (d != 0) plot(app.mouse.x, app.mouse.y + d);
    }
    platform::waitUntilElapsed(start, 30);
}

} // namespace app
