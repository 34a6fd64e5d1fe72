#include "parts/part3.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/scene_pass.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "raster/render.h"
#include "raster/render_modes.h"
#include "scene3d/camera.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr float kPi = 3.1415927f;
constexpr Point3f kPileAt{-70, 180, 365}; // where every fountain's path ends
constexpr uint32_t kEchoMs = 1000, kBlurMs = 900;

int rnd() {
    return platform::nextRandom();
}

constexpr std::array<const char*, 15> kHidden = {
    "backdoor",   "Box07",      "Box10",  "Cylinder01", "Cylinder08",
    "geardoor01", "geardoor02", "Tube03", "Loft02",     "Loft03",
    "Loft04",     "Sphere01",   "Tube01", "Cylinder07", "innerdoor"};
// The doors in pairs that share a cut plane; the first of each pair carries the plane.
constexpr std::array<std::array<const char*, 2>, 4> kDoorPairs = {{{"bbv", "Cylinder05"},
                                                                   {"Box09", "Cylinder04"},
                                                                   {"bbbbb", "Cylinder03"},
                                                                   {"Box11", "Cylinder06"}}};

Point3f add(Point3f a, Point3f b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Point3f scaled(Point3f a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
Point3f sub(Point3f a, Point3f b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

void cameraStep(SceneCamera& c) {
    updateProjection(c);
    beginCameraStep(c);
    finishCameraStep(c);
}

} // namespace

void Part3::load(Stage& stage, int width, int height) {
    Part3State& s = *s_;
    clock_ = &stage.clock;
    s.greys = fx::makeGreyRamp();
    for (CutPlane& p : s.planes) {
        p.guide.vertices = {{0, 0, 0}, {0, 0, -100}, {-100, 0, 0}};
        p.guide.scale = {5, 5, 5};
        p.guide.flags = 0;
        for (float& phase : p.phase)
            phase = static_cast<float>(rnd() % 2000);
        for (float& period : p.period)
            period = static_cast<float>(rnd() % 50 + 50);
        p.height = -70;
        p.riseSpeed = static_cast<float>(rnd() % 3 + 6) * 0.1f;
    }
    if (const picture::LoadResult r = s.flare.load("image/flare.tga"); r != picture::kLoaded) {
        s.flare.reportLoadError(r);
        platform::fatalExit(-1);
    }
    for (size_t i = 0; i < s.colours.size(); ++i) {
        const std::string name = "palette/particle0" + std::to_string(i + 1) + ".pal";
        if (picture::loadColourTable(name, s.colours[i]) != 2) {
            platform::messageBox(name, "can't load Palette !");
            platform::fatalExit(-1);
        }
        s.fountains[i].colours = s.colours[i].get();
        s.fountains[i].debris.colours = s.colours[i].get();
    }
    picture::recolourIndexed(s.cutSprite, "image/flare.tga", "palette/pal02.pal");
    s.echo.create(width, height);
    Scene3ds& scene = machine_.state().scene;
    for (size_t i = 0; i < s.planes.size(); ++i)
        s.planes[i].door = findMesh(scene, kDoorPairs[i][0]);
}

HandOver Part3::handOver() const {
    return {3, "other/s3, into the current table", "channel 1's cursor is 20 or more", "none"};
}

void Part3::firstFrame(Stage& stage) {
    Part3State& s = *s_;
    s.started = true;
    sound::readSyncFile(stage.context, "other/s3");
    sound::resetSyncCursors(stage.context, 0);
    s.startTick = s.blurStart = stage.clock.frameTickCount;
    s.phaseJumps.clear();
    Scene3ds& scene = machine_.state().scene;
    for (auto& m : scene.meshes)
        m->flags |= kDrawnByScene;
    for (const char* name : kHidden)
        if (Mesh* m = findMesh(scene, name)) m->flags &= ~kDrawnByScene;
    for (const auto& pair : kDoorPairs)
        for (const char* name : pair)
            if (Mesh* m = findMesh(scene, name)) m->renderMode = raster::kHiddenMode;
    const auto& cameras = scene.cameras;
    // Camera 5 frames the doors; a scene with fewer cameras uses its last.
    if (!cameras.empty()) s.camera = cameras[std::min<size_t>(5, cameras.size() - 1)].get();
}

void Part3::run(Stage& stage) {
    Part3State& s = *s_;
    sound::updateSync(stage.context, s.sync.data(), 0);
    if (!s.started) firstFrame(stage);
    readKeys(stage.input);
    std::fill_n(stage.framebuffer.pixels, stage.framebuffer.pixelCount(), 0u);
    const uint32_t tick = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    const auto& cursors = stage.context.syncTable->entries[0].cursors;
    scene(stage.framebuffer, tick, fps, true);
    fountains(stage.framebuffer, fps, cursors[2]);
    debris(stage.framebuffer, fps);
    echo(stage.framebuffer, tick);
    blur(stage.framebuffer, tick, cursors[0]);
    if (cursors[1] > 19) stage.context.partNumber = 4;
}

void Part3::readKeys(const platform::InputState& input) {
    Part3State& s = *s_;
    if (s.keyPause > 0) {
        --s.keyPause;
        return;
    }
    if (input.slots[kDebugKeySlot]) {
        s.keyPause = 10;
        return;
    }
    auto held = [&](int slot) { return input.slots[static_cast<size_t>(slot)] ? 1.0f : 0.0f; };
    s.anchor.x += held(0) - held(1); // Up, Down
    s.anchor.y += held(2) - held(3); // Right, Left
    s.anchor.z += held(4) - held(5); // Page Up, Page Down
}

void Part3::scene(picture::Image32& target, uint32_t tick, float fps, bool kick) {
    Part3State& s = *s_;
    Scene3ds& sc = machine_.state().scene;
    if (!s.camera) return;
    SceneCamera& camera = *s.camera;
    float frame = static_cast<float>(tick - s.startTick + 6000) * 0.06666667f;
    if (sc.frameCount > 0)
        while (frame >= static_cast<float>(sc.frameCount))
            frame -= static_cast<float>(sc.frameCount);
    const float fov = camera.fov;
    updateScene(sc, frame);
    if (!(camera.fov > 0)) camera.fov = fov;
    if (kick) {
        // The eye moves toward a raised target: 2 % of the way when quiet, past it on a 255.
        camera.target.y += 40;
        const float k = 1 / (static_cast<float>(256 - s.sync[0]) * 0.2f);
        camera.eye = add(camera.eye, scaled(sub(camera.target, camera.eye), k));
    }
    cameraStep(camera);
    for (CutPlane& p : s.planes) {
        for (size_t k = 0; k < 2; ++k)
            p.phase[k] += kPi / ((fps / 28) * p.period[k]);
        p.guide.angles = {std::cos(p.phase[0]) * 0.17453293f, 0,
                          std::cos(p.phase[1]) * 0.17453293f};
        p.height += p.riseSpeed / (fps / 28);
        if (!p.door) continue;
        Point3f centre;
        transformPoint(p.door->worldMatrix, centre, p.door->centre);
        p.guide.position = {centre.x, centre.y + p.height, centre.z};
        placeMesh(p.guide);
        toCameraSpace(p.guide, camera);
        const Point3f a = p.guide.cameraVertices[2], b = p.guide.cameraVertices[1],
                      c = p.guide.cameraVertices[0];
        const Point3f u = sub(b, a), v = sub(c, a);
        Point3f n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (length > 0) n = scaled(n, 1 / length);
        p.plane = {n.x, n.y, n.z, -(n.x * a.x + n.y * a.y + n.z * a.z)};
    }
    renderScene(target);
}

void Part3::renderScene(picture::Image32& target) {
    Part3State& s = *s_;
    Part2State& m = machine_.state();
    Scene3ds& sc = m.scene;
    const SceneCamera& camera = *s.camera;
    m.slowAngles[0] += 0.0060068695f, m.slowAngles[1] += 0.0037941942f,
        m.slowAngles[2] += 0.004280099f;
    clearDepth(sc, kFrameDepthWords);
    for (auto& mesh : sc.meshes)
        transformBox(*mesh, camera);
    auto planeOf = [&](const Mesh& mesh) -> const CutPlane* {
        for (size_t i = 0; i < kDoorPairs.size(); ++i)
            if (mesh.name == kDoorPairs[i][0] || mesh.name == kDoorPairs[i][1]) return &s.planes[i];
        return nullptr;
    };
    fx::ScenePass pass;
    pass.greyRamp = m.greys.data();
    pass.select = [&](const Mesh& mesh) {
        return fx::drawnByDefault(mesh) && fx::drawnInView(mesh, camera);
    };
    pass.drawnLater = [](const Mesh& mesh) {
        return mesh.renderMode == raster::kHiddenMode || raster::drawnAfterOpaque(mesh.renderMode);
    };
    pass.beforeMesh = [&](Mesh& mesh) {
        mesh.angles = m.slowAngles;
        fx::hangOnParent(sc, mesh);
        if (mesh.flags & kPartPlacement)
            rotateEuler(mesh.rotationMatrix, mesh.angles[0], mesh.angles[1], mesh.angles[2]);
    };
    pass.render = [&](Mesh& mesh) {
        if (mesh.renderMode != raster::kHiddenMode) {
            raster::renderMesh(mesh, camera, target, m.greys.data());
        } else if (const CutPlane* p = planeOf(mesh)) {
            raster::renderMeshMarked(mesh, camera, target, s.cutSprite, p->plane);
        }
    };
    fx::drawScene(sc, camera, target, pass);
}

void Part3::buildFountainKeys(int index, fx::FountainKeys& keys) const {
    const Part3State& s = *s_;
    const float a = s.phi[0], b = s.phi[1], c = s.phi[2], d = s.phi[3];
    struct Row {
        Point3f q, p1, p2;
        float alpha, beta;
    };
    const std::array<Row, 4> rows = {{
        {{-60, 0, 255}, {-60, 85, 285}, {10 * std::cos(a) - 70, 130, 10 * std::cos(a) + 365}, a, b},
        {{-65, 0, 483}, {-60, 95, 445}, {30 * std::cos(b) - 70, 100, 30 * std::cos(b) + 385}, b, c},
        {{-170, 0, 365},
         {-140, 95, 365},
         {30 * std::cos(c) - 70, 100, 30 * std::cos(c) + 365},
         b,
         c},
        {{53, 0, 366}, {30, 75, 365}, {-40, 130, 365}, b, a},
    }};
    const Row& r = rows[static_cast<size_t>(index)];
    // A helix around the base, rising to 60 over 15 points.
    const float rise = (60 - r.q.y) / 15;
    float theta = d;
    for (int i = 0; i < 15; ++i, theta += kPi / 2) {
        keys.points[static_cast<size_t>(i)] = {r.q.x + 10 * std::cos(theta),
                                               r.q.y + rise * static_cast<float>(i),
                                               r.q.z + 10 * std::sin(theta)};
        keys.stamps[static_cast<size_t>(i)] = i < 14 ? 10 * i : 180;
    }
    // Toward P2, then toward the pile, wobbling as they go.
    float alpha = r.alpha, beta = r.beta;
    auto wobbled = [&](Point3f p, bool wobble) {
        alpha += kPi / 4, beta += 0.44879895f;
        if (wobble) p.x += 10 * std::cos(alpha), p.y += 10 * std::cos(beta);
        return p;
    };
    const Point3f towardP2 = scaled(sub(r.p2, r.p1), 0.1f);
    for (int j = 0; j < 5; ++j) {
        keys.points[static_cast<size_t>(15 + j)] =
            wobbled(add(r.p1, scaled(towardP2, static_cast<float>(j))), j >= 2);
        keys.stamps[static_cast<size_t>(15 + j)] = 190 + 10 * j;
    }
    const Point3f from = add(r.p1, scaled(towardP2, 4));
    const Point3f towardPile = scaled(sub(kPileAt, from), 0.1f);
    for (int j = 0; j < 12; ++j) {
        keys.points[static_cast<size_t>(20 + j)] =
            wobbled(add(from, scaled(towardPile, static_cast<float>(j))), j < 9);
        keys.stamps[static_cast<size_t>(20 + j)] = 240 + 10 * j;
    }
}

void Part3::fountains(picture::Image32& target, float fps, int cursor2) {
    Part3State& s = *s_;
    const float step = kPi * 30 / fps;
    s.phi[0] += step / 23, s.phi[1] += step / 50, s.phi[2] += step / 40, s.phi[3] += step / 230;
    s.psi[0] += step / 33, s.psi[1] += step / 46;
    const fx::AnchorView view = s.camera ? fx::anchorView(s.anchor, *s.camera) : fx::AnchorView{};
    for (int i = 0; i < 4; ++i) {
        fx::SparkFountain& f = s.fountains[static_cast<size_t>(i)];
        fx::FountainKeys keys;
        buildFountainKeys(i, keys);
        fx::sampleFountainPath(keys, f);
        if (rnd() % 4 == 0) {
            const float speed = static_cast<float>(rnd() % 30) * 0.1f;
            const float size = static_cast<float>(rnd() % 30) * 0.1f + 2;
            fx::releaseFountainSpark(f, speed, size);
        }
        if (s.camera) fx::drawFountainSparks(f, s.flare, view, target);
        const int freed = fx::advanceFountainSparks(f, fps);
        if (rnd() % 2 == 0)
            for (int k = 0; k < freed; ++k) {
                const float vx = static_cast<float>(300 - rnd() % 600) * 0.01f;
                const float vy = static_cast<float>(rnd() % 150) * 0.05f;
                const float vz = static_cast<float>(300 - rnd() % 600) * 0.01f;
                if (i == 3) continue; // the fourth fountain draws the numbers but piles nothing
                if (fx::DebrisPiece* d = f.debris.pieces.spawn())
                    *d = {3, true, kPileAt, {vx, vy, vz}};
            }
    }
    if (s.sync[2] == 255 && s.phaseJumps.fireOnce(cursor2))
        for (size_t k = 0; k < 3; ++k)
            s.phi[k] += kPi / 2;
}

void Part3::debris(picture::Image32& target, float fps) {
    Part3State& s = *s_;
    // The pile's anchor stays where it began; the keys move only the fountains.
    const fx::AnchorView view =
        s.camera ? fx::anchorView({71, -1334, 641}, *s.camera) : fx::AnchorView{};
    for (fx::SparkFountain& f : s.fountains) {
        if (s.camera) fx::drawDebris(f.debris, s.flare, view, target, s.psi[0], s.psi[1]);
        if (s.sync[0] == 235) f.debris.pieces.forEach([](fx::DebrisPiece& d) { d.held = false; });
        fx::advanceDebris(f.debris, fps);
    }
    s.flare.palette = s.greys;
}

void Part3::echo(picture::Image32& target, uint32_t tick) {
    Part3State& s = *s_;
    const uint32_t elapsed = tick - s.echoStart;
    const int d = static_cast<int>(235 - static_cast<float>(elapsed) * 0.001f * 235);
    if (elapsed <= kEchoMs && d > 0) {
        s.echo.x = s.echo.y = 0;
        draw2d::drawAlpha(s.echo, target, d);
    }
    if (s.sync[1] == 235) {
        target.copyTo(s.echo);
        s.echoStart = tick;
    }
}

void Part3::blur(picture::Image32& target, uint32_t tick, int cursor0) {
    Part3State& s = *s_;
    if (s.sync[0] == 235 && cursor0 == 5) s.blurStart = tick;
    const uint32_t elapsed = tick - s.blurStart;
    const float w = 60 - static_cast<float>(elapsed) * 0.0011111111f * 60;
    if (elapsed > kBlurMs || w < 1) return;
    if (w > 1) draw2d::boxBlurRows(target, static_cast<int>(w));
}

void Part3::drawUnderlay(picture::Image32& target) {
    Part3State& s = *s_;
    if (!s.camera || !clock_) return;
    Scene3ds& sc = machine_.state().scene;
    const float fps = static_cast<float>(std::max(1, clock_->framesPerSecond));
    s.sync = {};
    s.underlayFrame += 3;
    if (s.underlayFrame >= static_cast<float>(sc.frameCount)) s.underlayFrame = 0;
    const float fov = s.camera->fov;
    updateScene(sc, s.underlayFrame);
    if (!(s.camera->fov > 0)) s.camera->fov = fov;
    cameraStep(*s.camera);
    renderScene(target);
    fountains(target, fps, -1);
    debris(target, fps);
}

} // namespace parts
