#include "launcher/launcher.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "draw2d/draw2d.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "picture/file_bytes.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "raster/scene_draw.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace launcher {

using namespace scene3d;

namespace {

constexpr int kW = 512, kH = 256;
constexpr double kLineHeight = 11.130434782608695;
constexpr size_t kBandWords = static_cast<size_t>(kW) * kH;

void cameraStep(SceneCamera& c) {
    updateProjection(c);
    beginCameraStep(c);
    finishCameraStep(c);
}

void advanceScene(Launcher& l) {
    l.sceneTime += 0.15f;
    if (l.sceneTime >= static_cast<float>(l.scene.frameCount)) l.sceneTime = 0;
    updateScene(l.scene, l.sceneTime);
    if (!l.scene.cameras.empty()) cameraStep(*l.scene.cameras[0]);
}

// Before each mesh the wobble phases move on, and an "r" mesh wobbles.
void wobble(Launcher& l, Mesh& m) {
    l.wobble[0] += 0.04303552f, l.wobble[1] += 0.054165393f, l.wobble[2] += 0.041336745f;
    if (m.name.empty() || m.name[0] != 'r') return;
    setIdentity(m.worldMatrix);
    rotateEuler(m.worldMatrix, std::cos(l.wobble[0]) * 0.22439948150089808f + 1.5707964f,
                std::sin(l.wobble[1]) * 0.017649397421418953f,
                std::cos(l.wobble[2]) * 0.017649397421418953f);
    m.rotationMatrix = m.worldMatrix;
    scaleMatrix(m.worldMatrix, m.scale[0], m.scale[1], m.scale[2]);
    translateMatrix(m.worldMatrix, m.position.x, m.position.y, m.position.z);
}

void drawLauncherScene(Launcher& l, picture::Image32& target) {
    if (l.scene.cameras.empty()) return;
    fx::ScenePass pass;
    pass.beforeMesh = [&l](Mesh& m) { wobble(l, m); };
    fx::drawScene(l.scene, *l.scene.cameras[0], target, pass);
}

bool overRect(const platform::MouseState& mouse, int left, int top, int w, int h) {
    return mouse.x > left && mouse.x < left + w && mouse.y > top && mouse.y < top + h;
}

// A viewer button's glow follows the mouse; true while the mouse is over it.
bool hover(ViewerButton& b, const platform::MouseState& mouse) {
    const bool over = overRect(mouse, b.left, b.top, b.image.width, b.image.height);
    b.glow = std::clamp(b.glow + (over ? 10.0f : -10.0f), 0.0f, 255.0f);
    return over;
}

void drawButtonPair(picture::LoadedImage32& idle, picture::LoadedImage32& lit, int cx, int cy,
                    int glow, picture::Image32& fb) {
    idle.x = cx, idle.y = cy, lit.x = cx, lit.y = cy;
    draw2d::drawAlphaTransAddZoomClip(idle, fb, 1, 1, (255 - glow) & 255);
    draw2d::drawAlphaTransAddZoomClip(lit, fb, 1, 1, glow);
}

} // namespace

bool overCentred(const platform::MouseState& mouse, int cx, int cy, int w, int h) {
    return std::abs(mouse.x - cx) < w / 2 && std::abs(mouse.y - cy) < h / 2;
}

void refreshBackground(Launcher& l, const picture::Image32& desktop) {
    if (desktop.pixels && desktop.width == kW && desktop.height >= 64 + kH)
        std::memcpy(l.desktopBand.pixels, desktop.pixels + static_cast<size_t>(64) * kW,
                    kBandWords * 4);
    // "Section" was drawn into the band once; a fresh desktop keeps it.
    if (l.sectionPixels.size() == kBandWords && l.savedDepth.size() == kBandWords)
        for (size_t i = 0; i < kBandWords; ++i)
            if (l.savedDepth[i] != 0) l.desktopBand.pixels[i] = l.sectionPixels[i];
    if (l.backgroundPicture.width == kW && l.backgroundPicture.height == kH &&
        l.backgroundMask.width == kW && l.backgroundMask.height == kH)
        draw2d::crossfadeMasked(l.background, l.backgroundPicture, l.desktopBand, l.backgroundMask);
    else
        l.desktopBand.copyTo(l.background); // no picture or mask to blend with: the desktop alone
}

std::string viewerTextProblem(const uint8_t* data, size_t size) {
    if (size == 0) return "the text is empty";
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        // Codes above 127 are left to the text's own code page; the font skips them.
        if ((c < 32 && c != '\n' && c != '\r' && c != '\t') || c == 127)
            return "byte " + std::to_string(i) + " is a control character: not a text, or garbled";
    }
    if (size > InfoViewer::kTextBytes - 1)
        return "longer than the " + std::to_string(InfoViewer::kTextBytes - 1) +
               " bytes the viewer shows";
    if (data[size - 1] != '\n') return "the last line has no line end: cut short?";
    return {};
}

void viewerTextFromBytes(InfoViewer& v, const uint8_t* data, size_t size) {
    v.text.clear();
    v.lineCount = 0;
    // Each read takes a line up to 99 characters; the area holds 6000 bytes with its end mark.
    size_t at = 0;
    while (at < size) {
        std::string line;
        while (at < size && line.size() < 99) {
            const char c = static_cast<char>(data[at++]);
            if (c == '\r' && at < size && data[at] == '\n') continue;
            line.push_back(c);
            if (c == '\n') break;
        }
        if (v.text.size() + line.size() > InfoViewer::kTextBytes - 1) break;
        v.text += line;
        ++v.lineCount;
    }
}

void readViewerText(InfoViewer& v, const std::string& textFile) {
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(textFile, bytes)) {
        v.text.clear();
        v.lineCount = 0;
        picture::warnPlayingOn(textFile, "file doesn't exist");
        return;
    }
    if (const std::string problem = viewerTextProblem(bytes.data(), bytes.size()); !problem.empty())
        picture::warnPlayingOn(textFile, problem);
    viewerTextFromBytes(v, bytes.data(), bytes.size());
}

void renderViewerText(InfoViewer& v, draw2d::BitmapFont& font) {
    const int h = std::max(1, static_cast<int>(v.lineCount * kLineHeight));
    v.textImage.create(kW, h);
    std::fill_n(v.textImage.pixels, v.textImage.pixelCount(), 0u);
    size_t pos = 0;
    for (int j = 0; j < v.lineCount && pos < v.text.size(); ++j)
        for (int k = 0; k < v.columns && pos < v.text.size(); ++k) {
            const auto c = static_cast<signed char>(v.text[pos++]);
            if (c == '\n') break;
            if (c < 33 || c - 33 >= font.glyphCount) continue;
            picture::Image32& g = font.glyphs[static_cast<size_t>(c - 33)];
            g.x = static_cast<int>(k * 6.4 + 6), g.y = static_cast<int>(j * kLineHeight);
            draw2d::drawTransAddZoomClip(g, v.textImage, 1, 1);
        }
    v.framedText.create(kW + 20, h + 20);
    std::fill_n(v.framedText.pixels, v.framedText.pixelCount(), 0u);
    v.textImage.x = 10, v.textImage.y = 10;
    draw2d::drawNormal(v.textImage, v.framedText);
}

void setupViewer(InfoViewer& v, draw2d::BitmapFont& font, const std::string& textFile,
                 const std::string& panelFile) {
    readViewerText(v, textFile);
    v.columns = 80;
    renderViewerText(v, font);
    for (size_t i = 0; i < 4; ++i) {
        v.tiles[i].create(286, 158);
        std::fill_n(v.tiles[i].pixels, v.tiles[i].pixelCount(), 0u);
        v.startScale[i][0] = 4 - static_cast<float>(platform::nextRandom() % 200) * 0.01f;
        v.startScale[i][1] = 4 - static_cast<float>(platform::nextRandom() % 200) * 0.01f;
        v.endScale[i] = {1, 1};
    }
    picture::LoadedImage32 panel;
    picture::loadOrWarn(panel, panelFile);
    constexpr std::array<std::array<int, 2>, 4> corner = {{{0, 0}, {256, 0}, {0, 128}, {256, 128}}};
    constexpr std::array<std::array<float, 2>, 4> end = {
        {{128, 64}, {384, 64}, {128, 192}, {384, 192}}};
    for (size_t i = 0; i < 4; ++i) {
        if (panel.width >= 512 && panel.height >= 256) {
            picture::Image32 quarter;
            quarter.create(256, 128);
            quarter.grabFrom(panel, corner[i][0], corner[i][1]);
            quarter.x = 15, quarter.y = 15;
            draw2d::drawNormal(quarter, v.tiles[i]);
        }
        v.tileEnd[i] = end[i];
    }
    for (size_t i = 0; i < 4; ++i)
        for (size_t a = 0; a < 2; ++a)
            v.tileStart[i][a] =
                v.tileEnd[i][a] + 70 - static_cast<float>(platform::nextRandom() % 140);
    picture::loadOrWarn(v.scrollUp.image, "dlg/scrollUp.jpg");
    picture::loadOrWarn(v.scrollDown.image, "dlg/scrollDown.jpg");
    picture::loadOrWarn(v.exit.image, "dlg/exit.jpg");
    v.scrollUp.left = 500, v.scrollUp.top = 20;
    v.scrollDown.left = 501, v.scrollDown.top = 239;
    v.exit.left = 500, v.exit.top = 4;
    const int h = v.textImage.height;
    v.lowest = static_cast<float>(206 - h / 2);
    v.highest = static_cast<float>(h / 2 - 10);
    v.scroll = v.highest;
    v.closed = static_cast<float>(206 - h / 2);
    v.opening = 0, v.alpha = 0, v.upSpeed = v.downSpeed = 0;
    v.scrollUp.glow = v.scrollDown.glow = v.exit.glow = 0;
}

void viewerFrame(InfoViewer& v, picture::Image32& fb, const platform::MouseState& mouse,
                 int& infoTextOpen) {
    v.opening = std::clamp(v.opening + (infoTextOpen == 1 ? 2.5f : -1.0f), 0.0f, 100.0f);
    const float d = v.opening * 0.01f;
    v.alpha = static_cast<int>(d * 255);
    const float centre = (1 - d) * v.closed + d * v.scroll;
    if (v.alpha > 0) { // an alpha of 0 adds and subtracts nothing
        for (size_t i = 0; i < 4; ++i) {
            const float x = (1 - d) * v.tileStart[i][0] + d * v.tileEnd[i][0],
                        y = (1 - d) * v.tileStart[i][1] + d * v.tileEnd[i][1];
            const float sx = (1 - d) * v.startScale[i][0] + d * v.endScale[i][0],
                        sy = (1 - d) * v.startScale[i][1] + d * v.endScale[i][1];
            draw2d::spriteBilAlphaSub(fb, v.tiles[i], x, y, sx, sy, v.alpha);
        }
        draw2d::spriteBilAlphaAddBand(fb, v.framedText, 253, centre + 10.5f,
                                      (1 - d) * 2.0f + d * 1.01f, (1 - d) * 2.0f + d * 1.0f,
                                      v.alpha);
    }
    v.upSpeed = std::clamp(v.upSpeed + (hover(v.scrollUp, mouse) ? 0.44f : -0.2f), 0.0f, 2.0f);
    v.downSpeed =
        std::clamp(v.downSpeed + (hover(v.scrollDown, mouse) ? 0.44f : -0.2f), 0.0f, 2.0f);
    v.scroll += v.upSpeed - v.downSpeed;
    if (v.scroll < v.lowest)
        v.scroll = v.lowest;
    else if (v.scroll > v.highest)
        v.scroll = v.highest;
    if (hover(v.exit, mouse) && mouse.leftDown) infoTextOpen = 0;
    for (ViewerButton* b : {&v.scrollUp, &v.scrollDown, &v.exit}) {
        b->image.x = b->left, b->image.y = b->top;
        draw2d::drawAlphaTransAdd(b->image, fb, static_cast<int>(b->glow));
    }
}

void initialiseLauncher(Launcher& l, LauncherIo& io) {
    ScenePreparation how;
    prepareScene(l.scene, "dlg/dlg.3ds", how);
    fx::readSceneDescription("dlg/dlg", l.scene, *io.resources);
    // The launcher's pictures: without one it plays on, drawing nothing in its place.
    picture::loadOrWarn(l.foreground, "dlg/foreground.jpg");
    picture::loadOrWarn(l.backgroundPicture, "dlg/bck.jpg");
    picture::loadOrWarn(l.backgroundMask, "dlg/bck.tga");
    l.background.create(kW, kH);
    l.desktopBand.create(kW, kH);
    refreshBackground(l, *io.desktop);
    draw2d::loadFont(l.font, "dlg/font.tga");
    l.savedDepth.assign(kBandWords, 0);
    advanceScene(l);
    clearDepth(l.scene, kBandWords);
    if (Mesh* section = findMesh(l.scene, "Section"); section && !l.scene.cameras.empty()) {
        wobble(l, *section);
        raster::drawMeshInScene(*section, l.scene, *l.scene.cameras[0], l.desktopBand);
        section->flags &= ~kHasFaces;
    }
    std::copy_n(l.scene.depthBuffer.begin(), std::min(kBandWords, l.scene.depthBuffer.size()),
                l.savedDepth.begin());
    l.sectionPixels.assign(l.desktopBand.pixels, l.desktopBand.pixels + kBandWords);
    refreshBackground(l, *io.desktop); // the background with the section in it
    *io.launcherLoaded = 1;
    picture::loadOrWarn(l.infoIdle, "dlg/nfo01.jpg");
    picture::loadOrWarn(l.infoLit, "dlg/nfo02.jpg");
    picture::loadOrWarn(l.startIdle, "dlg/start01.jpg");
    picture::loadOrWarn(l.startLit, "dlg/start02.jpg");
    setupViewer(l.viewer, l.font, "../corvane.nfo", "dlg/nfoBck.jpg");
    *io.infoTextOpen = 0;
}

void drawLauncher(Launcher& l, LauncherIo& io) {
    picture::Image32& fb = *io.framebuffer;
    l.background.copyTo(fb);
    advanceScene(l);
    std::copy_n(l.savedDepth.begin(), std::min(kBandWords, l.scene.depthBuffer.size()),
                l.scene.depthBuffer.begin());
    drawLauncherScene(l, fb);
    l.foreground.x = l.foreground.y = 0;
    if (l.foreground.pixels) draw2d::drawTransAdd(l.foreground, fb);
    drawButtonPair(l.infoIdle, l.infoLit, kInfoX, kInfoY, l.infoGlow, fb);
    drawButtonPair(l.startIdle, l.startLit, kStartX, kStartY, l.startGlow, fb);
    viewerFrame(l.viewer, fb, *io.mouse, *io.infoTextOpen);
}

void updateLauncher(Launcher& l, LauncherIo& io) {
    const platform::MouseState& mouse = *io.mouse;
    if (overCentred(mouse, kInfoX, kInfoY, l.infoIdle.width, l.infoIdle.height)) {
        l.infoGlow += 10;
        if (l.clickCounter >= 20 && mouse.leftDown)
            *io.infoTextOpen = *io.infoTextOpen ? 0 : 1, l.clickCounter = 15;
    } else {
        l.infoGlow -= 10;
    }
    l.infoGlow = std::clamp(l.infoGlow, 0, 255);
    if (overCentred(mouse, kStartX, kStartY, l.startIdle.width, l.startIdle.height)) {
        l.startGlow += 10;
        if (mouse.leftDown) *io.launcherOpen = 0, *io.fullScreenRequest = 1;
    } else {
        l.startGlow -= 10;
    }
    l.startGlow = std::clamp(l.startGlow, 0, 255);
    if (l.clickCounter < 20) ++l.clickCounter;
    drawLauncher(l, io);
    io.debug->cells[0] = mouse.x + 20, io.debug->cells[1] = mouse.y;
}

void launcherFrame(Launcher& l, LauncherIo& io) {
    const uint32_t start = platform::tickCount();
    updateLauncher(l, io);
    platform::waitUntilElapsed(start, 30);
}

} // namespace launcher
