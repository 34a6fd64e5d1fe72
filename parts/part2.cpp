#include "parts/part2.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/light_flares.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "fx/splines.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "raster/render_modes.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr float kPi = 3.1415927f;
constexpr int kLoopSamples = 850; // 20 control points, 17 segments of 50

int rnd() {
    return platform::nextRandom();
}

Point3f lerp(const Point3f& a, const Point3f& b, float t) {
    return {(1 - t) * a.x + t * b.x, (1 - t) * a.y + t * b.y, (1 - t) * a.z + t * b.z};
}

float nearScale(float z) {
    return z < 100 ? 1 : 1 + (z - 100) * 0.01f;
}

} // namespace

void buildDownhillTable(const Mesh& mesh, DownhillTable& t) {
    const size_t n = mesh.vertices.size();
    t.neighbours.assign(n, {});
    t.counts.assign(n, 0);
    auto add = [&](int32_t i, int32_t j) {
        if (mesh.vertices[static_cast<size_t>(j)].y >= mesh.vertices[static_cast<size_t>(i)].y)
            return;
        int32_t& count = t.counts[static_cast<size_t>(i)];
        auto& list = t.neighbours[static_cast<size_t>(i)];
        // Two faces share an edge: one entry for the neighbour, not one per face.
        if (std::find(list.begin(), list.begin() + count, j) != list.begin() + count) return;
        if (count < DownhillTable::kMaxNeighbours) list[static_cast<size_t>(count++)] = j;
    };
    for (const MeshFace& f : mesh.faces) {
        if (f.a < 0 || f.b < 0 || f.c < 0 || static_cast<size_t>(f.a) >= n ||
            static_cast<size_t>(f.b) >= n || static_cast<size_t>(f.c) >= n)
            continue;
        add(f.a, f.b), add(f.a, f.c), add(f.b, f.a), add(f.b, f.c), add(f.c, f.a), add(f.c, f.b);
    }
    t.anyTwoStep = false;
    for (size_t i = 0; i < n && !t.anyTwoStep; ++i)
        for (int k = 0; k < t.counts[i]; ++k)
            t.anyTwoStep =
                t.anyTwoStep ||
                t.counts[static_cast<size_t>(t.neighbours[i][static_cast<size_t>(k)])] > 0;
}

void Part2::load(Stage& stage, int width, int height) {
    Part2State& s = *s_;
    s.flashCopy.create(width, height);
    ScenePreparation how;
    how.bindMaterials = true;
    how.shadeTable = &s.greys;
    prepareScene(s.scene, "3D/p2.3ds", how);
    s.greys = fx::makeGreyRamp();
    fx::readSceneDescription("3D/p2", s.scene, stage.resources);
    for (const char* name :
         {"bbv", "Box09", "bbbbb", "Box11", "Cylinder05", "Cylinder04", "Cylinder03", "Cylinder06"})
        if (Mesh* m = findMesh(s.scene, name)) {
            m->flags = (m->flags & ~kDrawnByScene) | kHeadlight;
            s.hidden.push_back(m);
        }
    if (!s.scene.cameras.empty()) s.camera = s.scene.cameras[0].get();

    s.cylinder = findMesh(s.scene, "Cylinder01");
    updateScene(s.scene, 0);
    if (s.cylinder) buildDownhillTable(*s.cylinder, s.downhill);
    const std::array<const char*, 3> lofts = {"Loft04", "Loft03", "Loft02"};
    for (size_t k = 0; k < lofts.size(); ++k) {
        const Mesh* loft = findMesh(s.scene, lofts[k]);
        if (!loft) continue;
        // The centroids of the vertex triples from the last one down, in world space.
        std::vector<Point3f> control;
        for (size_t i = loft->vertices.size(); i >= 3; i -= 3) {
            Point3f sum{0, 0, 0};
            for (size_t j = i - 3; j < i; ++j) {
                Point3f w;
                transformPoint(loft->worldMatrix, w, loft->vertices[j]);
                sum.x += w.x, sum.y += w.y, sum.z += w.z;
            }
            control.push_back({sum.x / 3, sum.y / 3, sum.z / 3});
        }
        s.streams[k].path = fx::sampleBSpline(control, 100);
    }
    s.gearDoor = findMesh(s.scene, "geardoor01");
    picture::recolourIndexed(s.sparkImage, "image/flare.tga", "palette/pal2.pal");
    picture::recolourIndexed(s.streamImage, "image/flare.tga", "palette/particle03.pal");
}

HandOver Part2::handOver() const {
    return {2, "(keeps other/s0)", "more than 83999 ms since the music started", "29 ms"};
}

void Part2::run(Stage& stage) {
    const uint32_t start = platform::tickCount();
    sound::updateSync(stage.context, s_->sync.data(), 0);
    std::fill_n(stage.framebuffer.pixels, stage.framebuffer.pixelCount(), 0u);
    drawFrame(stage);
    if (static_cast<int32_t>(stage.clock.frameTickCount - stage.context.musicStartTick) > 83999)
        stage.context.partNumber = 3;
    waitFrameTime(start, 29);
}

void Part2::drawFrame(Stage& stage) {
    Part2State& s = *s_;
    picture::Image32& fb = stage.framebuffer;
    const uint32_t tick = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    if (!s.started) {
        s.started = true;
        s.handledFlash.clear();
        s.animStart = tick;
        startComets();
    }
    const sound::SyncEntry* entry =
        stage.context.syncTable ? &stage.context.syncTable->entries[0] : nullptr;
    const int cursor3 = entry ? entry->cursors[3] : -1, cursor4 = entry ? entry->cursors[4] : -1;
    controlCamera(tick, cursor3, cursor4);
    if (!s.camera) return;

    updateProjection(*s.camera);
    beginCameraStep(*s.camera);
    finishCameraStep(*s.camera);
    renderScene(fb);

    if (s.sync[3] == 255)
        for (int i = 0; i < 56; ++i)
            releaseSpark(fps);
    advanceSparks();
    if (s.sparksOn) drawSparks(fb);

    for (LoftStream& stream : s.streams) {
        if (s.sync[3] == 255)
            for (int i = 0; i < rnd() % 20 + 10; ++i)
                releaseStream(stream, fps); // the bound drawn anew each time
        const float samples = static_cast<float>(stream.path.size());
        stream.pool.update([&](StreamParticle& p) {
            p.position += p.speed;
            for (size_t k = 0; k < 3; ++k)
                p.phase[k] += kPi / p.period[k];
            return p.position < samples;
        });
        if (s.streamsOn) drawStream(stream, fb);
    }

    fadeIn(fb);

    comets(fb, fps);

    Part1State& city = city_.state();
    moveSwarm(city.swarm, fps, tick);
    for (const Walker& w : city.swarm.walkers)
        drawWalker(w, city.lastCamera, city.flare, fb, city.depth.data());

    if (s.sync[4] == 255 && s.handledFlash.fireOnce(cursor4)) {
        s.flashValue = 255;
        s.flashStart = tick;
    }
    ghostingFlash(fb, tick);
}

void Part2::controlCamera(uint32_t tick, int cursor3, int cursor4) {
    Part2State& s = *s_;
    const double t = tick;
    float f = static_cast<float>(static_cast<double>(static_cast<int32_t>(tick - s.animStart)) /
                                 s.animDuration * 2000);
    if (s.reverse) f = s.reverseFrom - f;
    auto at = [&](double start) { return static_cast<uint32_t>(static_cast<int64_t>(start)); };
    if (s.sync[4] == 255) {
        if (cursor4 == 1)
            s.animDuration = 28000, s.animStart = tick - 5670, s.cameraIndex = 2,
            s.streamsOn = false;
        if (cursor4 == 3)
            s.animDuration = 20000, s.animStart = tick - 7150, s.cameraIndex = 1,
            s.sparksOn = false, s.streamsOn = true, s.reverse = false;
    }
    if (s.sync[3] == 255) {
        auto shot = [&](float duration, uint32_t start, int camera, bool sparks, bool streams) {
            s.animDuration = duration, s.animStart = start, s.cameraIndex = camera,
            s.sparksOn = sparks, s.streamsOn = streams;
        };
        auto reverseFrom = [&](float from) { s.reverse = true, s.reverseFrom = from; };
        switch (cursor3) {
        case 3:
            s.animDuration = 30000, s.animStart = tick - 4815, s.cameraIndex = 3,
            s.streamsOn = false;
            break;
        case 7:
            s.animDuration = 8000, s.animStart = tick - 2704, s.cameraIndex = 6, s.sparksOn = false,
            s.streamsOn = true;
            break;
        case 8:
            shot(15000, tick, 8, false, true), s.reverse = false;
            break;
        case 9:
            shot(15000, tick, 8, false, true), reverseFrom(std::trunc(f));
            break;
        case 10:
            shot(18000, tick - 6633, 0, true, false), s.reverse = false;
            break;
        case 11:
            shot(20000, at(t - 8139.999999999999), 7, false, true), s.reverse = false;
            break;
        case 12:
            shot(26000, tick - 11895, 2, false, true), s.reverse = false;
            break;
        case 13:
            shot(26000, tick, 2, false, true), reverseFrom(std::trunc(f));
            break;
        case 14:
            shot(25000, at(t - static_cast<double>(f) * 0.0005 * 25000), 2, false, true),
                s.reverse = false;
            break;
        case 17:
            shot(25000, tick, 1, false, true), reverseFrom(std::trunc(f));
            break;
        case 18:
            shot(15000, tick, 6, false, true), reverseFrom(855);
            break;
        case 19:
            shot(15000, at(t - 2962.5), 10, true, true), s.reverse = false;
            break;
        default:
            break;
        }
    }
    if (s.cameraIndex >= 0 && static_cast<size_t>(s.cameraIndex) < s.scene.cameras.size())
        s.camera = s.scene.cameras[static_cast<size_t>(s.cameraIndex)].get();
    // Outside the animation (past its end, or before its start when running backwards): frame 0.
    const float frame = f >= 0 && f < static_cast<float>(s.scene.frameCount) ? f : 0;
    const float fov = s.camera ? s.camera->fov : 0;
    updateScene(s.scene, frame);
    if (s.camera && !(s.camera->fov > 0))
        s.camera->fov = fov; // a camera without a field-of-view track keeps its lens
}

void Part2::renderScene(picture::Image32& target) {
    Part2State& s = *s_;
    const SceneCamera& camera = *s.camera;
    s.slowAngles[0] += 0.0060068695f, s.slowAngles[1] += 0.0037941942f,
        s.slowAngles[2] += 0.004280099f;
    clearDepth(s.scene, kFrameDepthWords);
    for (auto& m : s.scene.meshes)
        transformBox(*m, camera);
    fx::ScenePass pass;
    pass.greyRamp = s.greys.data();
    pass.select = [&](const Mesh& m) {
        return fx::drawnByDefault(m) && fx::drawnInView(m, camera);
    };
    pass.beforeMesh = [&](Mesh& m) {
        m.angles = s.slowAngles;
        m.constantColour = 255;
        fx::hangOnParent(s.scene, m);
        // The normals turn as the vertices do: the part's angles after the track's rotation.
        if (m.flags & kPartPlacement)
            rotateEuler(m.rotationMatrix, m.angles[0], m.angles[1], m.angles[2]);
    };
    fx::drawScene(s.scene, camera, target, pass);
    fx::drawLightFlares(target, city_.state().flare, s.scene, camera, s.scene.depthBuffer.data());
}

void Part2::releaseSpark(float fps) {
    Part2State& s = *s_;
    const DownhillTable& d = s.downhill;
    if (!s.cylinder || !d.anyTwoStep || s.sparks.full()) return;
    const int n = static_cast<int>(d.counts.size());
    int c = 0, b = 0;
    for (;;) {
        c = rnd() % n;
        const int count = d.counts[static_cast<size_t>(c)];
        if (count == 0) continue;
        b = d.neighbours[static_cast<size_t>(c)][static_cast<size_t>(rnd() % count)];
        if (d.counts[static_cast<size_t>(b)] > 0) break;
    }
    EdgeSpark* p = s.sparks.spawn();
    p->from = c, p->to = b, p->f = 0;
    p->speed = static_cast<float>(rnd() % 5 + 5) * 0.01f / (fps * 0.045454545454545456f);
    p->fadeIn = true, p->fadeOut = false;
}

void Part2::advanceSparks() {
    Part2State& s = *s_;
    const DownhillTable& d = s.downhill;
    s.sparks.update([&](EdgeSpark& p) {
        p.f += p.speed;
        if (p.f < 1) return true;
        p.fadeIn = false;
        if (p.fadeOut) return false;
        const int count = d.counts[static_cast<size_t>(p.to)];
        if (count == 0) return false;
        p.f -= 1;
        p.from = p.to;
        p.to = d.neighbours[static_cast<size_t>(p.from)][static_cast<size_t>(rnd() % count)];
        p.fadeOut = d.counts[static_cast<size_t>(p.to)] == 0;
        return true;
    });
}

void Part2::drawSparks(picture::Image32& target) {
    Part2State& s = *s_;
    if (!s.cylinder) return;
    const std::vector<Point3f>& v = s.cylinder->cameraVertices;
    s.sparks.forEach([&](const EdgeSpark& p) {
        if (static_cast<size_t>(std::max(p.from, p.to)) >= v.size()) return;
        Point3f at = lerp(v[static_cast<size_t>(p.from)], v[static_cast<size_t>(p.to)], p.f);
        if (!(at.z > 1)) return;
        const float scale = nearScale(at.z);
        ProjectedVertex pv;
        projectPoint(pv, at, *s.camera);
        if (p.fadeIn)
            draw2d::spriteBilAlphaAdd(target, s.sparkImage, pv.x, pv.y, scale, scale,
                                      static_cast<int>(p.f * 256));
        else if (p.fadeOut)
            draw2d::spriteBilAlphaAdd(target, s.sparkImage, pv.x, pv.y, scale, scale,
                                      static_cast<int>((1 - p.f) * 256));
        else
            draw2d::spriteBilAdd(target, s.sparkImage, pv.x, pv.y, scale, scale);
    });
}

void Part2::releaseStream(LoftStream& stream, float fps) {
    if (stream.path.empty()) return;
    StreamParticle* p = stream.pool.spawn();
    if (!p) return;
    p->position = 0;
    p->speed = static_cast<float>(rnd() % 150 + 150) * 0.05f * fps / 35;
    for (float& period : p->period)
        period = static_cast<float>(rnd() % 50 + 50);
    for (float& phase : p->phase)
        phase = static_cast<float>(rnd() % 2000);
}

void Part2::drawStream(LoftStream& stream, picture::Image32& target) {
    Part2State& s = *s_;
    const float samples = static_cast<float>(stream.path.size());
    stream.pool.forEach([&](const StreamParticle& p) {
        const size_t i = std::min(static_cast<size_t>(p.position), stream.path.size() - 1);
        const Point3f& on = stream.path[i];
        const Point3f wobbled{on.x + 3 * std::cos(p.phase[0]), on.y + 3 * std::cos(p.phase[1]),
                              on.z + 3 * std::cos(p.phase[2])};
        Point3f c;
        transformPoint(s.camera->viewMatrix, c, wobbled);
        if (!(c.z > 1)) return;
        const float scale = nearScale(c.z);
        ProjectedVertex pv;
        projectPoint(pv, c, *s.camera);
        if (p.position < 100)
            draw2d::spriteBilAlphaAdd(target, s.streamImage, pv.x, pv.y, scale, scale,
                                      static_cast<int>(p.position * 0.01f * 256));
        else if (p.position > samples - 100)
            draw2d::spriteBilAlphaAdd(target, s.streamImage, pv.x, pv.y, scale, scale,
                                      static_cast<int>((samples - p.position) * 0.01f * 256));
        else
            draw2d::spriteBilAdd(target, s.streamImage, pv.x, pv.y, scale, scale);
    });
}

void Part2::startComets() {
    Part2State& s = *s_;
    const int n = s.gearDoor ? static_cast<int>(s.gearDoor->vertices.size()) : 0;
    const std::array<int, 5> strides = {3, 5, 7, 9, 11};
    for (size_t k = 0; k < s.comets.size(); ++k) {
        SwirlComet& c = s.comets[k];
        c.stride = strides[k];
        c.start = n > 0 ? rnd() % n : 0;
        c.headPosition = 0, c.passes = 0, c.release = false;
        c.headSpeed = static_cast<float>(rnd() % 50 + 100) * 0.2f;
        for (float& phase : c.phase)
            phase = static_cast<float>(rnd() % 20000);
        for (float& period : c.period)
            period = static_cast<float>(rnd() % 10 + 10);
        c.trail.reset(1000);
    }
}

void Part2::comets(picture::Image32& target, float fps) {
    Part2State& s = *s_;
    if (!s.gearDoor || s.gearDoor->cameraVertices.size() < s.gearDoor->vertices.size() ||
        s.gearDoor->vertices.empty())
        return;
    const std::vector<Point3f>& v = s.gearDoor->cameraVertices;
    const int n = static_cast<int>(s.gearDoor->vertices.size());
    const picture::Image32& flare = city_.state().flare;
    const SceneCamera& camera = *s.camera;
    for (SwirlComet& c : s.comets) {
        if (c.release) {
            c.release = false;
            for (int k = rnd() % 10 + 3; k > 0; --k) {
                TrailParticle* p = c.trail.spawn();
                if (!p) break;
                p->life = static_cast<float>(rnd() % 30) * 0.01f + 0.6f;
                p->position = 0;
                p->speed = static_cast<float>(rnd() % 100 + 300) * 0.02f;
                if (rnd() % 2) p->speed = -p->speed;
                p->loop = kLoopSamples;
            }
        }
        c.trail.update([&](TrailParticle& p) {
            p.position += p.speed * 25 / fps;
            p.life -= 0.01f * 25 / fps;
            p.position = std::fmod(p.position, p.loop);
            if (p.position < 0) p.position += p.loop;
            return p.life >= 0.2f;
        });
    }
    for (SwirlComet& c : s.comets) {
        std::array<Point3f, 20> loop;
        for (int i = 0; i < 17; ++i)
            loop[static_cast<size_t>(i)] = v[static_cast<size_t>((c.start + c.stride * i) % n)];
        loop[17] = loop[0], loop[18] = loop[1], loop[19] = loop[2];
        c.trail.forEach([&](const TrailParticle& p) {
            // A wrap can round up to the loop's length itself.
            Point3f at = fx::bSplinePoint(
                loop.data(), std::min(static_cast<int>(p.position), kLoopSamples - 1), 50);
            if (!(at.z > 1)) return; // behind the camera a projection means nothing
            const float reach = 100 * p.life;
            const float scale = at.z >= reach ? at.z / reach : 1;
            ProjectedVertex pv;
            projectPoint(pv, at, camera);
            draw2d::spriteBilAdd(target, flare, pv.x, pv.y, scale, scale);
        });
    }
    for (SwirlComet& c : s.comets) {
        if (c.passes >= 2) continue;
        const Point3f& V = v[static_cast<size_t>((c.start + c.stride) % n)];
        const Point3f& E = camera.eye;
        const Point3f T{V.x + (E.x - V.x) * 1.2f, V.y + (E.y - V.y) * 1.2f,
                        V.z + (E.z - V.z) * 1.2f};
        std::array<Point3f, 20> head;
        for (size_t i = 0; i < head.size(); ++i) {
            const float r = static_cast<float>(i) * 0.05f, t = 1 - r;
            head[i] = {50 * t * std::cos(c.phase[0]) + t * T.x + r * V.x,
                       10 * t * std::cos(c.phase[2] + c.phase[1]) + t * T.y + r * V.y,
                       50 * t * std::sin(c.phase[0]) + t * T.z + r * V.z};
            for (size_t k = 0; k < 3; ++k)
                c.phase[k] += kPi / c.period[k];
        }
        c.headPosition += c.headSpeed * 28 / fps;
        if (c.headPosition >= kLoopSamples) {
            c.headPosition = 0, c.release = true;
            c.headSpeed = static_cast<float>(rnd() % 50 + 100) / 9;
            for (float& phase : c.phase)
                phase = static_cast<float>(rnd() % 20000);
            for (float& period : c.period)
                period = static_cast<float>(rnd() % 10 + 10);
            ++c.passes;
        }
        Point3f at = fx::bSplinePoint(
            head.data(), std::min(static_cast<int>(c.headPosition), kLoopSamples - 1), 50);
        if (!(at.z > 0)) continue;
        const float scale = at.z >= 50 ? 1 + (at.z - 50) * 0.02f : 1;
        ProjectedVertex pv;
        projectPoint(pv, at, camera);
        draw2d::spriteBilAdd(target, flare, pv.x, pv.y, scale, scale);
    }
}

void Part2::fadeIn(picture::Image32& target) {
    const int b = s_->fadeLevel;
    s_->fadeLevel = std::max(0, b - 2);
    if (b - 2 > 0) draw2d::subColour(target, static_cast<uint32_t>(b - 2) * 0x010101u);
}

void Part2::ghostingFlash(picture::Image32& target, uint32_t tick) {
    Part2State& s = *s_;
    const double elapsed = static_cast<double>(tick) - s.flashStart;
    const int d = static_cast<int>(255 - elapsed * 0.0013513514 * 255);
    if (elapsed > 740 || d < 0) {
        s.flashValue = 0;
        return;
    }
    if (d <= 0) return;
    target.copyTo(s.flashCopy);
    // The picture averaged with itself shifted left, then right, by up to 63 pixels.
    s.flashCopy.x = d / -4, s.flashCopy.y = 0;
    draw2d::drawTransDivClip(s.flashCopy, target);
    s.flashCopy.x = d / 4;
    draw2d::drawTransDivClip(s.flashCopy, target);
}

} // namespace parts
