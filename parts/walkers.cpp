#include "parts/walkers.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/splines.h"
#include "platform/random.h"
#include "raster/fixed.h"
#include "scene3d/camera.h"

namespace parts {

using scene3d::Point3f;

namespace {

constexpr float kOneIn1500 = 0.00066666666f;

int rnd() {
    return platform::nextRandom();
}

float lerp(float a, float b, float t) {
    return (1 - t) * a + t * b;
}

} // namespace

void setUpSwarm(WalkerSwarm& s, int count) {
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
            s.streets[static_cast<size_t>(i + 16 * j)] = {-500 + 62.5f * static_cast<float>(i), 10,
                                                          -500 + 62.5f * static_cast<float>(j)};
    s.walkers.assign(static_cast<size_t>(count), Walker{});
    for (size_t k = 0; k < s.walkers.size(); ++k) {
        Walker& w = s.walkers[k];
        w.from = w.to = s.streets[7 + 16 * 7];
        w.speed = static_cast<float>(rnd() % 40 + 10) * kOneIn1500;
        w.boostDecay = static_cast<float>(rnd() % 10 + 10) * kOneIn1500;
        w.hopDecay = static_cast<float>(rnd() % 400) * 0.01f + 3;
        w.secondDecay = static_cast<float>(rnd() % 400) * 0.01f + 3;
        w.flash = 0;
        w.active = k % 100 < 98;
        w.position = w.from;
    }
}

void chooseNextCrossing(const WalkerSwarm& s, Walker& w) {
    w.fromColumn = w.toColumn, w.fromRow = w.toRow;
    w.from = w.to;
    int column = 0;
    do
        column = w.toColumn + rnd() % 3 - 1;
    while (column < 0 || column > 15);
    if (column != w.toColumn) {
        w.toColumn = column;
    } else {
        int row = 0;
        do
            row = w.toRow + rnd() % 3 - 1;
        while (row < 0 || row > 15 || row == w.toRow);
        w.toRow = row;
    }
    w.to = s.streets[static_cast<size_t>(w.toColumn + 16 * w.toRow)];
    w.progress = 0;
}

void streetStep(const WalkerSwarm& s, Walker& w, float fps) {
    w.progress += (w.speed + w.boost) * 23 / fps;
    w.flash = std::max(1.0f, w.flash - 3.2f / fps);
    if (w.progress >= 1) chooseNextCrossing(s, w);
    w.hop = std::max(0.0f, std::min(w.hop, 300.0f) - w.hopDecay * 20 / fps);
    w.boost = std::max(0.0f, std::min(w.boost, 20.0f) - w.boostDecay);
    w.position = {lerp(w.from.x, w.to.x, w.progress), w.hop + 5,
                  lerp(w.from.z, w.to.z, w.progress)};
}

bool around(const Walker& w, Block b) {
    auto street = [&](int c0, int r0, int c1, int r1) {
        return (w.fromColumn == c0 && w.fromRow == r0 && w.toColumn == c1 && w.toRow == r1) ||
               (w.fromColumn == c1 && w.fromRow == r1 && w.toColumn == c0 && w.toRow == r0);
    };
    const int i = b.column, j = b.row;
    return street(i, j, i + 1, j) || street(i, j, i, j + 1) || street(i + 1, j, i + 1, j + 1) ||
           street(i, j + 1, i + 1, j + 1);
}

void makeSkyPaths(WalkerSwarm& s) {
    for (size_t p = 0; p < 5 && p < s.walkers.size(); ++p) {
        const Point3f start = s.walkers[p].position;
        const Point3f end{static_cast<float>(rnd() % 20 + 19),
                          static_cast<float>(1800 - rnd() % 400),
                          static_cast<float>(rnd() % 20 + 62)};
        std::vector<Point3f> control;
        float m = 0;
        for (int n = 0; n < 80; ++n, m += 0.24166098f) {
            const float v = static_cast<float>(n) / 80;
            control.push_back({lerp(start.x, end.x, v) + std::cos(m) * 50 * (1 - v),
                               lerp(start.y, end.y, v),
                               lerp(start.z, end.z, v) + std::sin(m) * 50 * (1 - v)});
        }
        s.skyPaths[p] = fx::sampleBSpline(control, 100);
    }
    for (Walker& w : s.walkers) {
        w.path = rnd() % 5;
        w.pathSpeed = static_cast<float>(rnd() % 50 + 50) * 0.2f;
        w.blend = static_cast<float>(rnd() % 50 + 50) * 0.0000333333f;
        w.growth = static_cast<float>(rnd() % 20 + 15);
        for (float& r : w.wobbleRate)
            r = 3.1415927f / static_cast<float>(rnd() % 400 + 1500);
        w.pathIndex = 0, w.wobbling = false;
    }
    s.inSky = true;
}

void skyStep(const WalkerSwarm& s, Walker& w, float fps, uint32_t now) {
    // The street walk goes on beneath, its hops and boosts dying away faster.
    w.progress += (w.speed + w.boost) * 23 / fps;
    w.flash = std::max(1.0f, w.flash - 3.2f / fps);
    if (w.progress >= 1) chooseNextCrossing(s, w);
    w.hop = std::max(0.0f, std::min(w.hop, 300.0f) - w.hopDecay * 18 / fps);
    w.boost = std::max(0.0f, std::min(w.boost, 20.0f) - w.boostDecay * 18 / fps);
    w.second = std::max(0.0f, w.second - w.secondDecay * 18 / fps);
    const std::vector<Point3f>& path = s.skyPaths[static_cast<size_t>(w.path)];
    if (path.empty()) return;
    const float last = static_cast<float>(path.size() - 1);
    w.pathIndex = std::min(w.pathIndex + w.pathSpeed, last);
    w.blend += w.blend / w.growth / (fps * 0.05f);
    const float b = std::min(w.blend, 1.0f);
    Point3f p = path[static_cast<size_t>(w.pathIndex)];
    if (!w.active && w.pathIndex >= last) {
        if (!w.wobbling) w.wobbling = true, w.wobbleStart = now;
        const float t = static_cast<float>(now - w.wobbleStart);
        p.x += std::sin(t * w.wobbleRate[0]) * 20, p.y += std::sin(t * w.wobbleRate[1]) * 2,
            p.z += std::sin(t * w.wobbleRate[2]) * 20;
    }
    w.position = {lerp(lerp(w.from.x, w.to.x, w.progress), p.x, b), lerp(w.hop + 5, p.y, b),
                  lerp(lerp(w.from.z, w.to.z, w.progress), p.z, b)};
    if (w.active && w.blend >= 1) w.vanish += 0.4f;
}

void moveSwarm(WalkerSwarm& s, float fps, uint32_t now) {
    for (Walker& w : s.walkers) {
        if (s.inSky)
            skyStep(s, w, fps, now);
        else
            streetStep(s, w, fps);
    }
}

void drawWalker(const Walker& w, const scene3d::SceneCamera& camera, const picture::Image32& flare,
                picture::Image32& target, const int32_t* depth) {
    Point3f c;
    scene3d::transformPoint(camera.viewMatrix, c, w.position);
    if (!(c.z > 1) || w.vanish >= 10) return;
    // A larger flash keeps a walker at full size further away: it looks bigger.
    const float reach = w.flash * 20;
    const float scale = (c.z < reach ? 1 : (c.z - reach) / reach + 1) + w.vanish;
    scene3d::ProjectedVertex v;
    scene3d::projectPoint(v, c, camera);
    draw2d::spriteBilAddDepth(target, flare, v.x, v.y, scale, scale, raster::depthKey(v.invZ),
                              depth);
}

} // namespace parts
