#include "parts/part6.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr float kPi = 3.1415927f;
constexpr fx::RailPace kPace{6.025f, 0.033333335f, 0.000036101083f};
constexpr float kRailOffset = 700.5f;
constexpr size_t kMaxPoints = 10000;
const sound::SyncEntry kNoEvents{};

int rnd() {
    return platform::nextRandom();
}

const std::array<uint32_t, 256>* paletteTable(picture::ResourceLists& lists, const char* name) {
    picture::addPalette(lists, name);
    const picture::Palette* p = picture::findPalette(lists, name);
    return p ? &p->table : nullptr;
}

} // namespace

float fountainViewFactor(int32_t e0, int cursor0) {
    return cursor0 == 8 ? 256.0f : static_cast<float>(256 - e0);
}

bool particlesFrozen(int cursor0, int cursor1, int32_t e1) {
    return cursor0 == 7 && (cursor1 <= 75 || e1 <= 35);
}

void Part6::load(Stage& stage, int, int) {
    Part6State& s = *s_;
    ScenePreparation how;
    how.perFaceData = true, how.zeroShade = true;
    prepareScene(s.scene, "3D/p6.3DS", how);
    auto& meshes = s.scene.meshes;
    if (!meshes.empty()) {
        Mesh& m = *meshes[0];
        m.renderMode = 302, m.ambient = 20, m.diffuse = 200;
        m.flags &= ~(kSortFaces | kCullBackFaces);
        m.shadeTable = paletteTable(stage.resources, "pal02.pal");
    }
    if (meshes.size() > 1) {
        Mesh& first = *meshes[1];
        first.renderMode = 301, first.ambient = 20, first.diffuse = 200;
        first.flags &= ~(kSortFaces | kCullBackFaces);
        first.shadeTable = paletteTable(stage.resources, "pal01.pal");
        for (size_t i = 2; i < meshes.size(); ++i) {
            Mesh& m = *meshes[i];
            m.renderMode = first.renderMode, m.ambient = first.ambient, m.diffuse = first.diffuse,
            m.shadeTable = first.shadeTable;
            m.flags = (m.flags & ~(kSortFaces | kCullBackFaces)) |
                      (first.flags & (kSortFaces | kCullBackFaces));
        }
    }
    if (!s.scene.cameras.empty()) {
        s.camera = s.scene.cameras[0].get();
        fx::buildCameraRail(s.camera->positionTracks.position, s.eyeRail);
        fx::buildCameraRail(s.camera->targetTracks.position, s.targetRail);
    }
    if (s.scene.cameras.size() > 1) {
        fx::buildCameraRail(s.scene.cameras[1]->positionTracks.position, s.emitterRail);
        fx::buildCameraRail(s.scene.cameras[1]->targetTracks.position, s.emitterTargetRail);
    }
    picture::recolourIndexed(s.flare, "image/flare.tga", "palette/pal02.pal");
    for (size_t i = 1; i < meshes.size() && i <= 6; ++i) {
        updateMesh(*meshes[i], 0);
        s.planes.push_back(fx::planeFromMesh(*meshes[i]));
    }
    s.points.resize(kMaxPoints), s.cameraPoints.resize(kMaxPoints), s.projected.resize(kMaxPoints);
    if (const picture::LoadResult r = s.particleSprite.load("image/flare.tga");
        r != picture::kLoaded) {
        s.particleSprite.reportLoadError(r);
        platform::fatalExit(-1);
    }
}

HandOver Part6::handOver() const {
    return {6, "other/s4", "channel 0 has no events left", "25 ms"};
}

void Part6::run(Stage& stage) {
    Part6State& s = *s_;
    const uint32_t start = platform::tickCount();
    sound::updateSync(stage.context, s.sync.data(), 0);
    if (stage.context.syncTable && stage.context.syncTable->entries[0].cursors[0] == -1) {
        stage.context.partNumber = 7;
        return;
    }
    if (!s.started) {
        sound::allocateSyncTable(stage.context);
        sound::readSyncFile(stage.context, "other/s4");
        sound::resetSyncCursors(stage.context, 0);
    }
    draw2d::fill(stage.framebuffer, 0);
    drawFrame(stage);
    waitFrameTime(start, 25);
}

void Part6::drawFrame(Stage& stage) {
    Part6State& s = *s_;
    picture::Image32& fb = stage.framebuffer;
    const uint32_t now = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    const sound::SyncEntry& entry =
        stage.context.syncTable ? stage.context.syncTable->entries[0] : kNoEvents;
    if (!s.started) {
        s.started = true;
        fx::startRails(s.rails, kRailOffset, now);
        s.kicked.clear();
        for (float& a : s.paletteAngles)
            a = static_cast<float>(rnd() % 4000 + 1);
        s.paletteExponentAngle = static_cast<float>(rnd() % 500);
    }

    s.sceneClock += 2;
    if (s.sceneClock >= static_cast<float>(s.scene.frameCount)) s.sceneClock = 0;
    updateScene(s.scene, s.sceneClock);
    if (!s.camera) return;

    if (s.sync[1] == 241 && entry.cursors[0] != 7 && s.kicked.fireOnce(entry.cursors[1]))
        fx::kickRails(s.rails, now);
    fx::advanceRails(s.rails, kPace, now, fps);
    const fx::RailPoint at = fx::railPoint(s.rails, kPace, s.eyeRail, s.targetRail, now);
    fx::stepRailCamera(*s.camera, fountainViewFactor(s.sync[0], entry.cursors[0]), at.eye,
                       at.target);

    clearDepth(s.scene, kFrameDepthWords);
    s.light.step();
    for (auto& m : s.scene.meshes)
        fx::drawUnderLight(*m, s.light, *s.camera, fb);

    fx::drawRailFlares(s.flares, s.eyeRail, *s.camera, s.flare, fb, 4, kPi / (fps / 45 * 12),
                       kPi / (fps / 45 * 14));

    cyclePalette();
    if (!particlesFrozen(entry.cursors[0], entry.cursors[1], s.sync[1])) moveParticles(fps);
    drawParticles(fb);
    emit(fps);

    std::array<int32_t, 4>& counters = stage.debug.cells;
    counters[1] = s.particles.liveCount();
}

void Part6::cyclePalette() {
    Part6State& s = *s_;
    auto& p = s.paletteAngles;
    p[0] += 0.0165347f, p[1] += 0.017453292f, p[2] += 0.014279967f, p[3] += 0.017453292f,
        p[4] += 0.0165347f;
    s.paletteExponentAngle += 0.05235988f;
    const fx::CosineChannel red{0, (std::cos(p[0]) + 1) * 100, (std::cos(p[1]) + 1) * 100};
    const fx::CosineChannel green{0, (std::cos(p[3]) + 1) * 100, (std::cos(p[4]) + 1) * 100};
    const fx::CosineChannel blue{0, (std::sin(p[2]) + 1) * 100, (std::sin(p[3]) + 1) * 100};
    fx::makeCosinePalette(s.particleSprite.palette, red, green, blue,
                          100 * std::cos(s.paletteExponentAngle) + 101);
}

void Part6::moveParticles(float fps) {
    Part6State& s = *s_;
    const float gravity = 0.7f / (fps * 0.025f), ageing = 0.008f / (fps * 0.025f);
    fx::fall(s.particles, gravity, ageing);
    fx::fall(s.particles, gravity, ageing);
    s.particles.forEachFromLast([&](fx::BouncingParticle& p) { fx::collide(s.planes, p); });
}

void Part6::drawParticles(picture::Image32& target) {
    Part6State& s = *s_;
    const SceneCamera& camera = *s.camera;
    size_t n = 0;
    s.particles.forEach([&](const fx::BouncingParticle& p) {
        if (n < kMaxPoints) s.points[n++] = p.position;
    });
    for (size_t i = 0; i < n; ++i)
        transformPoint(camera.viewMatrix, s.cameraPoints[i], s.points[i]);
    projectVertices(s.cameraPoints.data(), s.projected.data(), n, camera);
    size_t i = 0;
    s.particles.forEach([&](const fx::BouncingParticle& p) {
        if (i >= n) return;
        const ProjectedVertex& v = s.projected[i];
        const float z = s.cameraPoints[i++].z;
        if (v.offScreen) return;
        const float h = (260 - camera.scaleX) * 0.01f + p.age + std::min(z, 2000.0f) * 0.002f;
        s.particleSprite.x = static_cast<int32_t>(v.x),
        s.particleSprite.y = static_cast<int32_t>(v.y);
        draw2d::drawTransAddZoomClip(s.particleSprite, target, h, h);
    });
}

bool Part6::emit(float fps) {
    Part6State& s = *s_;
    s.emitterIndex -= 4 / (fps * 0.025f);
    const int32_t count = s.emitterRail.vertexCount;
    if (count <= 0) return false;
    fx::BouncingParticle* p = s.particles.spawn();
    if (!p) return false;
    int32_t i = static_cast<int32_t>(s.emitterIndex) % count;
    if (i < 0) i += count;
    p->position = s.emitterRail.vertices[static_cast<size_t>(i)];
    p->age = 0.01f, p->brightness = 255;
    const int vx = (500 - rnd() % 1000) / 100, vy = (rnd() % 500) / 20,
              vz = (500 - rnd() % 1000) / 100;
    p->velocity = {static_cast<float>(vx), static_cast<float>(vy), static_cast<float>(vz)};
    return true;
}

} // namespace parts
