#include "parts/part5.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "draw2d/draw2d.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr float kPi = 3.1415927f;
const sound::SyncEntry kNoEvents{};
constexpr fx::RailPace kPace{8.033333333333333f, 0.038461538461538464f, 0.000057142857f};
// The sphere's name as the modeller wrote it, in Latin-1.
const char* const kSphereName = "G\xE9osph\xE8re0";

const std::array<uint32_t, 256>* paletteTable(picture::ResourceLists& lists, const char* name) {
    picture::addPalette(lists, name);
    const picture::Palette* p = picture::findPalette(lists, name);
    return p ? &p->table : nullptr;
}

} // namespace

void advanceDissolve(DissolveFronts& d, Mesh& mesh, float fps) {
    const float faces = static_cast<float>(mesh.faceData.size());
    if (!d.started) d.started = true, d.upper = d.lower = std::floor(faces / 2);
    const float spread = 6 / (fps * 0.04f), fade = 10 / (fps * 0.04f);
    d.upper = std::min(faces, d.upper + spread);
    d.lower = std::max(0.0f, d.lower - spread);
    for (size_t i = static_cast<size_t>(d.lower); i < static_cast<size_t>(d.upper); ++i) {
        float& shade = mesh.faceData[i].shade;
        shade = std::max(0.0f, shade - fade);
    }
}

void turnPhotographs(Photographs& p, float fps, bool beat, bool shown, int count) {
    p.alpha += kPi / (fps / 30 * 84), p.beta += kPi / (fps / 30 * 77);
    if (beat) p.alpha += 0.7853982f, p.beta += 0.44879895f;
    if (!shown) return;
    p.fadeA = static_cast<int>((std::cos(p.alpha) + 1) * 128);
    p.fadeB = static_cast<int>((std::cos(p.alpha + 1.5707964f) + 1) * 128);
    if (p.fadeA <= 9 && p.armedA) p.indexA = (p.indexA + 1) % count, p.armedA = false;
    if (p.fadeA > 200) p.armedA = true;
    if (p.fadeB < 10 && p.armedB) p.indexB = (p.indexB + 1) % count, p.armedB = false;
    if (p.fadeB > 200) p.armedB = true;
}

void Part5::load(Stage& stage, int, int) {
    Part5State& s = *s_;
    ScenePreparation how;
    how.perFaceData = true;
    prepareScene(s.scene, "3D/p5.3DS", how);
    if ((s.knot = findMesh(s.scene, "Torus Knot"))) {
        Mesh& m = *s.knot;
        m.renderMode = 301, m.ambient = 20, m.diffuse = 200;
        m.flags = (m.flags & ~kCullBackFaces) | kHeadlight | kLightFromCentre;
        for (FaceData& f : m.faceData)
            f.shade = 255.0f;
        m.shadeTable = paletteTable(stage.resources, "pal02.pal");
    }
    if ((s.sphere = findMesh(s.scene, kSphereName))) {
        Mesh& m = *s.sphere;
        m.renderMode = 302, m.ambient = 20, m.diffuse = 200;
        m.flags &= ~(kSortFaces | kCullBackFaces);
        m.shadeTable = paletteTable(stage.resources, "pal01.pal");
    }
    if (!s.scene.cameras.empty()) {
        s.camera = s.scene.cameras[0].get();
        fx::buildCameraRail(s.camera->positionTracks.position, s.eyeRail);
        fx::buildCameraRail(s.camera->targetTracks.position, s.targetRail);
    }
    picture::recolourIndexed(s.flare, "image/flare.tga", "palette/pal02.pal");
    for (int i = 1; i <= 17; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, i < 10 ? "imgP50%d.jpg" : "imgP5%d.jpg", i);
        picture::addImage(stage.resources, name);
        s.photographs[static_cast<size_t>(i - 1)] = picture::findImage(stage.resources, name);
    }
    draw2d::loadFont(s.font, "dlg/font.tga");
}

HandOver Part5::handOver() const {
    return {5, "other/s4", "channel 0's cursor at 7 or more", "26 ms"};
}

void Part5::run(Stage& stage) {
    Part5State& s = *s_;
    const uint32_t start = platform::tickCount();
    sound::updateSync(stage.context, s.sync.data(), 0);
    if (!s.started) {
        sound::allocateSyncTable(stage.context);
        sound::readSyncFile(stage.context, "other/s4");
        sound::resetSyncCursors(stage.context, 0);
    }
    s.keys.step(stage.input);
    draw2d::fill(stage.framebuffer, 0);
    drawFrame(stage);
    const sound::SyncEntry& entry = stage.context.syncTable->entries[0];
    if (entry.cursors[0] >= 7) stage.context.partNumber = 6;
    if (s.keys.toggle) drawDebug(stage, start);
    waitFrameTime(start, 26);
}

fx::RailPoint Part5::moveOnRails(int32_t e1, int cursor1, uint32_t now, float fps) {
    Part5State& s = *s_;
    if (e1 == 241 && s.kicked.fireOnce(cursor1)) fx::kickRails(s.rails, now);
    fx::advanceRails(s.rails, kPace, now, fps);
    return fx::railPoint(s.rails, kPace, s.eyeRail, s.targetRail, now);
}

void Part5::drawFrame(Stage& stage) {
    Part5State& s = *s_;
    picture::Image32& fb = stage.framebuffer;
    const uint32_t now = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    const sound::SyncEntry& entry =
        stage.context.syncTable ? stage.context.syncTable->entries[0] : kNoEvents;
    if (!s.started) {
        s.started = true;
        const int n = std::max(s.eyeRail.vertexCount, s.targetRail.vertexCount);
        fx::startRails(s.rails, n > 0 ? static_cast<float>(platform::nextRandom() % n) : 0, now);
        s.kicked.clear();
    }

    s.sceneClock += 2;
    if (s.sceneClock >= static_cast<float>(s.scene.frameCount)) s.sceneClock = 0;
    updateScene(s.scene, s.sceneClock);
    if (!s.camera) return;

    const fx::RailPoint at = moveOnRails(s.sync[1], entry.cursors[1], now, fps);
    fx::stepRailCamera(*s.camera, viewFactor(s.sync[0]), at.eye, at.target);

    clearDepth(s.scene, kFrameDepthWords);
    s.light.step();
    if (s.sphere) fx::drawUnderLight(*s.sphere, s.light, *s.camera, fb);
    if (s.knot) {
        advanceDissolve(s.dissolve, *s.knot, fps);
        fx::drawUnderLight(*s.knot, s.light, *s.camera, fb);
    }

    fx::drawRailFlares(s.flares, s.eyeRail, *s.camera, s.flare, fb, 2, kPi / (fps * 0.025f * 12),
                       kPi / (fps * 0.025f * 14));
    drawPhotographs(fb, entry, fps);
}

void Part5::drawPhotographs(picture::Image32& target, const sound::SyncEntry& entry, float fps) {
    Part5State& s = *s_;
    Photographs& p = s.photos;
    // Before channel 1's first beat the angles run on, and nothing is shown or turned.
    const bool shown = entry.cursors[1] != 0;
    turnPhotographs(p, fps, s.sync[1] == 241, shown, static_cast<int>(s.photographs.size()));
    if (!shown) return;
    const picture::Image32* a = s.photographs[static_cast<size_t>(p.indexA)];
    const picture::Image32* b = s.photographs[static_cast<size_t>(p.indexB)];
    const float ca = std::cos(p.alpha), cb = std::cos(p.beta), sa = std::sin(p.alpha),
                sb = std::sin(p.beta);
    if (a)
        draw2d::spriteBilAlphaAdd(target, *a, 40 * ca + 256, 20 * cb + 128, cb + 2, sa + 2,
                                  p.fadeA);
    if (b)
        draw2d::spriteBilAlphaAdd(target, *b, 40 * cb + 206, 20 * ca + 148, ca + 2, sb + 2,
                                  p.fadeB);
}

void Part5::drawDebug(Stage& stage, uint32_t start) {
    Part5State& s = *s_;
    const sound::SyncEntry& entry = stage.context.syncTable->entries[0];
    const auto& c = stage.debug.cells;
    char line[96];
    auto text = [&](int y) { draw2d::drawText(s.font, stage.framebuffer, line, 20, y, false); };
    std::snprintf(line, sizeof line, "frame: %d", stage.clock.framesPerSecond), text(20);
    std::snprintf(line, sizeof line, "a:%d b:%d c:%d d:%d", c[0], c[1], c[2], c[3]), text(50);
    std::snprintf(line, sizeof line, "time: %d", static_cast<int>(start)), text(150);
    std::snprintf(line, sizeof line, "%d %d %d %d %d", s.sync[0], s.sync[1], s.sync[2], s.sync[3],
                  s.sync[4]),
        text(200);
    std::snprintf(line, sizeof line, "%d %d %d %d %d", entry.cursors[0], entry.cursors[1],
                  entry.cursors[2], entry.cursors[3], entry.cursors[4]),
        text(220);
}

} // namespace parts
