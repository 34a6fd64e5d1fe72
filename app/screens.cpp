#include "app/screens.h"

#include <cstring>

#include "display/convert.h"
#include "draw2d/draw2d.h"

namespace app {

void initLoadingScreen(App& app) {
    app.framebuffer32.create(kScreenWidth, partHeight(kScreenHeight));
    app.framebufferOwnPixels = app.framebuffer32.pixels;
    parts::LoadingPictures& p = app.loading;
    // The show goes on without a loading picture: a missing one draws nothing.
    picture::loadOrWarn(p.strip1, "image/loading01.tga");
    picture::loadOrWarn(p.strip2, "image/loading02.tga");
    picture::loadOrWarn(p.strip3, "image/loading03.tga");
    picture::loadOrWarn(p.caption, "image/loadingText.tga");
}

void drawLoadingScreen(App& app, uint8_t* surface) {
    const int bpp = display::bytesPerPixel(app.display.depth);
    if (bpp) std::memset(surface, 0, static_cast<size_t>(kScreenWidth) * kScreenHeight * bpp);
    const parts::LoadingPictures& p = app.loading;
    picture::Image32& fb = app.framebuffer32;
    // Centres: each "/ 2" truncates before the addition. Strip 3 goes before strip 2, which
    // adds onto it where they overlap.
    draw2d::spriteBilAdd(fb, p.strip1, 256.0f, static_cast<float>(p.strip1.height / 2), 1.0f, 1.0f);
    draw2d::spriteBilAdd(fb, p.strip3, 256.0f, static_cast<float>(p.strip3.height / 2 + 171), 1.01f,
                         1.01f);
    draw2d::spriteBilAdd(fb, p.strip2, 256.0f, static_cast<float>(p.strip2.height / 2 + 49), 1.0f,
                         1.0f);
    draw2d::spriteBilAlphaAdd(fb, p.caption, static_cast<float>(p.caption.width / 2) + 316.5f,
                              static_cast<float>(p.caption.height / 2 + 197), 1.0f, 1.0f, 255);
    app.context.loadingPhase = 2;
}

void loadAllParts(App& app, int width, int height) {
    // The sync files the parts take later are checked now (and read again when their part
    // begins), so that a damaged one stops the show before it starts, not minutes in.
    for (const char* file : sound::kLaterSyncFiles)
        sound::checkSyncFile(file);
    parts::Stage stage = stageOf(app);
    for (auto& part : app.parts)
        if (part) part->load(stage, width, height);
}

void runCurrentPart(App& app) {
    const int n = app.context.partNumber;
    if (n < 1 || n > 8 || !app.parts[static_cast<size_t>(n - 1)]) return;
    parts::Stage stage = stageOf(app);
    app.parts[static_cast<size_t>(n - 1)]->run(stage);
}

void freeAllParts(App& app) {
    parts::Stage stage = stageOf(app);
    for (auto& part : app.parts)
        if (part) part->free(stage);
}

} // namespace app
