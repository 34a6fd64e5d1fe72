#include "app/screens.h"

#include <algorithm>

namespace app {

void initLoadingScreen(App& app) {
    app.framebuffer32.create(kScreenWidth, partHeight(kScreenHeight));
    app.framebufferOwnPixels = app.framebuffer32.pixels;
}

void drawLoadingScreen(App& app) {
    auto& fb = app.framebuffer32;
    std::fill_n(fb.pixels, static_cast<size_t>(fb.width) * fb.height, 0u);
    app.context.loadingPhase = 2;
}

// No part is built yet: every part number runs nothing and the frame is still presented.
void loadAllParts(App&, int, int) {}
void runCurrentPart(App&) {}
void freeAllParts(App&) {}

} // namespace app
