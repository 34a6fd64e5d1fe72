#include "parts/part7.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/light_flares.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "raster/clip.h"
#include "raster/render_modes.h"
#include "raster/scene_draw.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kRings = 40, kSegments = 40;
constexpr float kShapeRadius = 90;
constexpr int kGouraudZ = 83;
constexpr int kCreditTop = 155;

int32_t msSince(uint32_t now, uint32_t then) {
    return static_cast<int32_t>(now - then);
}

} // namespace

void cutLine(const Mesh& sphere, const std::vector<Point3f>& turned, const Plane& plane,
             std::vector<Point3f>& out) {
    out.clear();
    const auto distance = [&](const raster::ClipVertex& v) {
        return plane.nx * v.x + plane.ny * v.y + plane.nz * v.z + plane.d;
    };
    // Inserted corners are marked, so that only they go into the line.
    const auto crossing = [](const raster::ClipVertex& p, const raster::ClipVertex& q, float t) {
        raster::ClipVertex c = raster::along(p, q, t);
        c.spare = 1;
        return c;
    };
    for (const MeshFace& f : sphere.faces) {
        const std::array<int32_t, 3> corner = {f.a, f.b, f.c};
        // A face wholly on one side inserts nothing: most of the sphere's faces.
        int front = 0;
        for (const int32_t c : corner) {
            const Point3f& p = turned[static_cast<size_t>(c)];
            front += plane.nx * p.x + plane.ny * p.y + plane.nz * p.z + plane.d >= 0;
        }
        if (front == 0 || front == 3) continue;
        std::array<raster::ClipVertex, 3> in{};
        for (size_t k = 0; k < 3; ++k) {
            const Point3f& p = turned[static_cast<size_t>(corner[k])];
            in[k].x = p.x, in[k].y = p.y, in[k].z = p.z, in[k].spare = 0;
        }
        raster::ClipPolygon kept;
        const int n = raster::clipPass(in.data(), 3, kept.data(), distance, crossing);
        if (n < 3) continue;
        for (int k = 0; k < n; ++k)
            if (kept[static_cast<size_t>(k)].spare != 0)
                out.push_back({kept[static_cast<size_t>(k)].x, kept[static_cast<size_t>(k)].y,
                               kept[static_cast<size_t>(k)].z});
    }
}

void Part7::load(Stage& stage, int width, int height) {
    Part7State& s = *s_;
    for (size_t k = 0; k < 256; ++k) {
        const double theta = static_cast<double>(k) * 3.141592653589793 / 128;
        s.triples[k] = {static_cast<float>(1 + 0.14 * std::cos(theta)),
                        static_cast<float>(1 + 0.038 * std::sin(theta)),
                        static_cast<float>(1 + 0.26 * std::cos(theta))};
    }
    s.work.create(width, height);

    ScenePreparation how;
    how.bindMaterials = true;
    prepareScene(s.scene, "3D/p7.3ds", how);
    fx::readSceneDescription("3D/p7", s.scene, stage.resources);
    setupCamera(s.camera, 65, 42, -69, 120, static_cast<float>(width), static_cast<float>(height));

    picture::addPalette(stage.resources, "tunnel.pal");
    const picture::Palette* shades = picture::findPalette(stage.resources, "tunnel.pal");
    Mesh& m = s.sphere;
    buildSphere(m, 100, kRings, kSegments);
    m.shadeTable = shades ? &shades->table : nullptr;
    m.colour = 0xFFFFFF;
    m.position = {0, 0, 0}, m.angles = {0, 0, 0}, m.scale = {1, 1, 1};
    m.ambient = 0, m.diffuse = 255;
    placeMesh(m);
    m.flags = (m.flags & ~(kSortFaces | kCullBackFaces)) | kEnvironmentMap;
    m.texture = nullptr;
    m.faceData.assign(m.vertices.size(), {});
    m.renderMode = kGouraudZ;
    m.depthBuffer = &s.scene.depthBuffer;

    s.wave = fx::WaveTable(
        {.entries = 256, .knots = 6, .controls = 6, .bias = 0, .tail = fx::WaveTail::CloseToStart});
    s.wave.start(60);
    s.wave.rebuild();

    picture::recolourIndexed(s.flare, "image/flare.tga", "palette/pal01.pal");

    s.slicers[0].points = {Point3f{100, 0, 0}, Point3f{-100, 0, 0}, Point3f{0, 0, -100}};
    s.slicers[1].points = {Point3f{-100, 0, 0}, Point3f{100, 0, 0}, Point3f{0, 100, 0}};
    for (Slicer& sl : s.slicers) {
        planeFromPoints(sl.plane, sl.points[0], sl.points[1], sl.points[2]);
        sl.cut.vertices.reserve(m.vertices.size());
        sl.cut.scale = {1.2f, 1.2f, 1.2f};
        sl.cut.depthBuffer = &s.scene.depthBuffer;
    }

    for (const char* name : {"GeoSphere1", "NGon01"})
        if (Mesh* hidden = findMesh(s.scene, name)) hidden->flags &= ~kDrawnByScene;

    // Without a credit picture the part plays on, with a word on stderr, showing nothing for it.
    for (CreditFade& c : s.credits)
        picture::loadOrWarn(c.image, c.file);
}

HandOver Part7::handOver() const {
    return {7, "other/s7", "channel 0's cursor at 5", "more than 32 ms"};
}

void Part7::run(Stage& stage) {
    Part7State& s = *s_;
    const uint32_t start = platform::tickCount();
    if (!s.started) {
        sound::allocateSyncTable(stage.context);
        sound::readSyncFile(stage.context, "other/s7");
        sound::resetSyncCursors(stage.context, 0);
    }
    sound::updateSync(stage.context, s.sync.data(), 0);
    draw2d::fill(stage.framebuffer, 0);
    drawFrame(stage);
    if (stage.context.syncTable->entries[0].cursors[0] == 5) stage.context.partNumber = 8;
    picture::Image32& fb = stage.framebuffer;
    std::fill_n(fb.pixels, fb.width, 0u);
    std::fill_n(fb.pixels + static_cast<size_t>(fb.height - 1) * static_cast<size_t>(fb.width),
                fb.width, 0u);
    waitMoreThan(start, 32);
}

float Part7::sceneFrame(uint32_t now, int cursor0) {
    Part7State& s = *s_;
    if (!s.started) s.started = true, s.scenePeriod = 20000, s.sceneStart = now;
    if (cursor0 == 2 && s.sync[0] == 255) s.scenePeriod = 30000, s.sceneStart = now - 4200;
    const float frame = static_cast<float>(msSince(now, s.sceneStart)) * 1000 / s.scenePeriod;
    // Past the end of the animation the scene stays at its first frame.
    return frame >= static_cast<float>(s.scene.frameCount) ? 0 : frame;
}

void Part7::drawFrame(Stage& stage) {
    Part7State& s = *s_;
    picture::Image32& fb = stage.framebuffer;
    const uint32_t now = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    const sound::SyncEntry& entry = stage.context.syncTable->entries[0];
    const int cursor0 = entry.cursors[0], cursor1 = entry.cursors[1];

    s.wave.advance(60);
    updateScene(s.scene, sceneFrame(now, cursor0));

    if (!s.scene.cameras.empty())
        s.camera.eye = s.scene.cameras[0]->eye, s.camera.target = s.scene.cameras[0]->target;
    beginCameraStep(s.camera);
    refreshCamera(s.camera);
    buildViewMatrix(s.camera);
    clearDepth(s.scene, kFrameDepthWords);

    fx::drawScene(s.scene, s.camera, fb);
    fx::drawLightFlares(fb, city_.state().flare, s.scene, s.camera, s.scene.depthBuffer.data());

    shapeSphere(cursor0, cursor1, fps);
    buildViewMatrix(s.camera);
    spin(cursor1, fps);
    drawSphere(fb, cursor0);

    // The blur, narrowing from 50 pixels over 450 ms after each beat.
    if (s.sync[1] == 255) s.blurOn = true, s.blurStart = now;
    if (s.blurOn) {
        const int32_t t = msSince(now, s.blurStart);
        const float d = 50 - 50 * static_cast<float>(t) / 450;
        if (t <= 450 && d > 1) draw2d::boxBlurRows(fb, static_cast<int>(d));
    }

    // The double image: the picture averaged with itself shifted both ways, closing in 850 ms.
    if (cursor0 == 3 && s.sync[0] == 255) s.doubleOn = true, s.doubleStart = now;
    if (s.doubleOn) {
        const int32_t t = msSince(now, s.doubleStart);
        s.doubleLevel = t > 850 ? 0 : static_cast<int>(255 - 255 * static_cast<float>(t) / 850);
        if (s.doubleLevel != 0) {
            fb.copyTo(s.work);
            s.work.y = 0;
            s.work.x = s.doubleLevel / -5;
            draw2d::drawTransDivClip(s.work, fb);
            s.work.x = s.doubleLevel / 5;
            draw2d::drawTransDivClip(s.work, fb);
        }
    }

    fadeCredits(fb, cursor0, fps);
}

void Part7::shapeSphere(int cursor0, int cursor1, float fps) {
    Part7State& s = *s_;
    std::vector<Point3f>& v = s.sphere.vertices;
    if (v.size() != static_cast<size_t>(2 + (kRings - 1) * kSegments)) return;
    const float a = kShapeRadius;
    const bool breathing = cursor0 < 2;
    const float k = fps * 0.03571428571428571f;
    if (breathing) {
        s.breathing += (cursor1 % 2 == 0 ? 1 : -1) * 0.116355285f;
    } else {
        s.wobble += kPi / (k * 123);
        s.waveOffset += 5 / k;
    }
    for (int i = 1; i < kRings; ++i) {
        const float theta = static_cast<float>(i) * kPi / kRings, st = std::sin(theta),
                    ct = std::cos(theta);
        float radius = a + a / 2 * std::sin(4 * static_cast<float>(i) * kPi / kRings + s.breathing);
        const std::array<float, 3>* triple = nullptr;
        if (!breathing) {
            const int index = (static_cast<int>(s.waveOffset) + 15 * i) % 256;
            triple = &s.triples[static_cast<size_t>(s.wave[static_cast<size_t>(index)] & 255)];
        }
        for (int j = 0; j < kSegments; ++j) {
            const float phi = static_cast<float>(j) * 2 * kPi / kSegments;
            if (triple) {
                const auto& [p, q, r] = *triple;
                radius = a * (p - 1) + a * (r - 1) - a * (q - 1) +
                         a * (1 + std::sin(2 * static_cast<float>(i) * kPi / kRings) *
                                      std::cos(s.wobble) *
                                      std::cos(6 * static_cast<float>(j) * kPi / kRings));
            }
            v[static_cast<size_t>(1 + (i - 1) * kSegments + j)] = {
                std::sin(phi) * (-radius * st), -radius * ct, std::cos(phi) * (-radius * st)};
        }
    }
    // The poles sit beside their neighbours rather than on the axis.
    v.front() = {v[1].x + 1, v[1].y + 1, v[1].z};
    v.back() = {v[v.size() - 2].x + 1, v[v.size() - 2].y + 1, v[v.size() - 2].z};
    recomputeFaceNormals(s.sphere);
    recomputeVertexNormals(s.sphere);
}

void Part7::spin(int cursor1, float fps) {
    Part7State& s = *s_;
    if (s.sync[1] == 255 && s.beats.fireOnce(cursor1)) {
        s.periods[s.spinZNext ? 2 : 0] = 13;
        s.spinZNext = !s.spinZNext;
    }
    for (size_t k = 0; k < 3; ++k) {
        s.angles[k] += kPi / s.periods[k];
        s.periods[k] += 30 / fps;
    }
}

void Part7::drawSphere(picture::Image32& target, int cursor0) {
    Part7State& s = *s_;
    Mesh& m = s.sphere;
    m.angles = s.angles, m.position = {0, 0, 0}, m.scale = {1, 1, 1};
    placeMesh(m);
    std::vector<Point3f> turned(m.vertices.size());
    for (size_t i = 0; i < m.vertices.size(); ++i)
        transformPoint(m.rotationMatrix, turned[i], m.vertices[i]);

    for (Slicer& sl : s.slicers)
        cutLine(m, turned, sl.plane, sl.cut.vertices);

    if (cursor0 != 2) {
        m.flags |= kSortFaces | kHeadlight;
        raster::drawMeshWithLights(m, {}, s.camera, target);
    }

    for (Slicer& sl : s.slicers) {
        Mesh& c = sl.cut;
        c.position = {0, 0, 0};
        placeMesh(c);
        toCameraSpace(c, s.camera);
        for (const Point3f& p : c.cameraVertices)
            fx::drawFlare(target, s.flare, p, s.camera, fx::flareScale(p.z, 30),
                          s.scene.depthBuffer.data());
    }
}

void Part7::fadeCredits(picture::Image32& target, int cursor0, float fps) {
    Part7State& s = *s_;
    const float step = 10 / (fps * 0.05f);
    for (CreditFade& c : s.credits) {
        if (s.sync[0] == 255 && cursor0 == c.inCursor) c.state = 1;
        if (s.sync[0] == 255 && cursor0 == c.outCursor) c.state = 2;
        if (c.state == 1) c.opacity = std::min(static_cast<float>(kCreditTop), c.opacity + step);
        if (c.state == 2) c.opacity = std::max(0.0f, c.opacity - step);
        if (c.state == 0 || !c.image.pixels || (c.hiddenAtZero && c.opacity == 0)) continue;
        c.image.x = c.x, c.image.y = c.y;
        draw2d::drawAlphaTransAdd(c.image, target, static_cast<int>(c.opacity));
    }
}

} // namespace parts
