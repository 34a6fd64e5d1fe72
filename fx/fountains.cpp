#include "fx/fountains.h"

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/splines.h"
#include "scene3d/camera.h"

namespace fx {

void sampleFountainPath(const FountainKeys& keys, SparkFountain& f) {
    f.path.clear();
    const auto& p = keys.points;
    for (size_t k = 0; k + 3 < p.size(); ++k) {
        const int32_t gap = std::max(1, keys.stamps[k + 1] - keys.stamps[k]);
        for (double t = 0; t < 1; t += 1.0 / gap)
            f.path.push_back(
                catmullRomPoint(p[k], p[k + 1], p[k + 2], p[k + 3], static_cast<float>(t)));
    }
    f.pointCount = std::max<int32_t>(0, static_cast<int32_t>(f.path.size()) - 1);
}

void releaseFountainSpark(SparkFountain& f, float speed, float size) {
    FountainSpark* s = f.sparks.spawn();
    if (!s) return;
    s->speed = speed, s->size = size, s->position = 0, s->length = f.pointCount;
}

int advanceFountainSparks(SparkFountain& f, float fps) {
    int freed = 0;
    f.sparks.update([&](FountainSpark& s) {
        s.position += s.speed / (fps / 30);
        if (s.position >= static_cast<float>(s.length))
            s.size = 6, s.position = static_cast<float>(s.length - 1);
        if (s.position >= static_cast<float>(s.length - 1)) return ++freed, false;
        return true;
    });
    return freed;
}

AnchorView anchorView(const Point3f& anchor, const scene3d::SceneCamera& camera) {
    scene3d::Mesh place;
    place.position = anchor;
    scene3d::placeMesh(place);
    AnchorView v;
    scene3d::multiplyMatrices(v.toCamera, place.worldMatrix, camera.viewMatrix);
    v.camera = &camera;
    return v;
}

bool AnchorView::project(const Point3f& p, scene3d::ProjectedVertex& out, int width,
                         int height) const {
    Point3f c;
    scene3d::transformPoint(toCamera, c, p);
    if (!(c.z >= 1)) return false;
    scene3d::projectPoint(out, c, *camera);
    return out.x >= 0 && out.y >= 0 && out.x < static_cast<float>(width) &&
           out.y < static_cast<float>(height);
}

namespace {
void usePalette(picture::Image8& flare, const ColourTable* colours) {
    if (colours) flare.palette = *colours;
}
} // namespace

void drawFountainSparks(const SparkFountain& f, picture::Image8& flare, const AnchorView& view,
                        picture::Image32& target) {
    if (f.path.empty()) return;
    usePalette(flare, f.colours);
    f.sparks.forEach([&](const FountainSpark& s) {
        const size_t i =
            std::min(static_cast<size_t>(std::max(0.0f, s.position)), f.path.size() - 1);
        scene3d::ProjectedVertex pv;
        if (!view.project(f.path[i], pv, target.width, target.height)) return;
        flare.x = static_cast<int32_t>(pv.x), flare.y = static_cast<int32_t>(pv.y);
        draw2d::drawTransAddZoomClip(flare, target, s.size, s.size);
    });
}

void drawDebris(const DebrisPool& pool, picture::Image8& flare, const AnchorView& view,
                picture::Image32& target, float& phaseA, float& phaseB) {
    usePalette(flare, pool.colours);
    pool.pieces.forEach([&](const DebrisPiece& d) {
        phaseA += 0.18479957f, phaseB += 0.3926991f;
        scene3d::ProjectedVertex pv;
        const bool onScreen = view.project(d.position, pv, target.width, target.height);
        if (d.held) {
            // A pile sits at the paths' end, partly off the picture at times: drawn clipped.
            if (pv.invZ > 0 || onScreen)
                draw2d::spriteBilAddIndexed(target, flare, pv.x, pv.y,
                                            d.size + 2 * std::cos(phaseA),
                                            d.size + 2 * std::cos(phaseB));
        } else if (onScreen) {
            flare.x = static_cast<int32_t>(pv.x), flare.y = static_cast<int32_t>(pv.y);
            draw2d::drawTransAddZoomClip(flare, target, d.size, d.size);
        }
    });
}

void advanceDebris(DebrisPool& pool, float fps) {
    const float k = fps * 0.04f;
    pool.pieces.update([&](DebrisPiece& d) {
        if (d.held) return true;
        d.position.x += d.velocity.x / k, d.position.y += d.velocity.y / k,
            d.position.z += d.velocity.z / k;
        d.velocity.y -= 0.4f / k;
        d.size += 0.008f / k;
        return d.size <= 5;
    });
}

} // namespace fx
