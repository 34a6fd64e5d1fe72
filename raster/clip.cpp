#include "raster/clip.h"

#include <algorithm>
#include <cmath>

namespace raster {

ClipVertex along(const ClipVertex& p, const ClipVertex& q, float t) {
    ClipVertex r;
    r.x = p.x + t * (q.x - p.x), r.y = p.y + t * (q.y - p.y), r.z = p.z + t * (q.z - p.z);
    for (size_t k = 0; k < 5; ++k)
        r.a[k] = p.a[k] + t * (q.a[k] - p.a[k]);
    return r;
}

namespace {

// For clip vertices and points alike: the view tests must see the passes' very numbers.
template <typename Point> float planeDistance(const scene3d::Plane& p, const Point& v) {
    return p.nx * v.x + p.ny * v.y + p.nz * v.z + p.d;
}

} // namespace

int clipToPlane(const ClipVertex* in, int count, const scene3d::Plane& plane, ClipVertex* out) {
    return clipPass(
        in, count, out, [&](const ClipVertex& v) { return planeDistance(plane, v); }, along);
}

int clipToView(const ClipVertex* in, int count, const scene3d::SceneCamera& camera,
               ClipPolygon& work) {
    ClipPolygon other;
    ClipVertex* from = work.data();
    ClipVertex* to = other.data();
    for (int i = 0; i < count; ++i)
        from[i] = in[i];
    int n = count;
    for (int plane = 0; plane < 5 && n > 0; ++plane) {
        n = clipToPlane(from, n, camera.planes[static_cast<size_t>(plane)], to);
        std::swap(from, to);
    }
    if (from != work.data())
        for (int i = 0; i < n; ++i)
            work[static_cast<size_t>(i)] = from[i];
    return n;
}

ViewDistances viewDistances(const scene3d::Point3f& p, const scene3d::SceneCamera& camera) {
    ViewDistances v;
    v.inside = true;
    for (size_t k = 0; k < 5; ++k) {
        v.d[k] = planeDistance(camera.planes[k], p);
        v.inside = v.inside && v.d[k] >= 0;
    }
    v.extent = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    return v;
}

ViewSide sideOfView(const ViewDistances* const* corners, int count,
                    const scene3d::SceneCamera& camera) {
    bool inside = true;
    for (int i = 0; i < count; ++i)
        inside = inside && corners[i]->inside;
    if (inside) return ViewSide::Inside;
    float extent = 0;
    for (int i = 0; i < count; ++i)
        extent = std::max(extent, corners[i]->extent);
    for (size_t k = 0; k < 5; ++k) {
        const scene3d::Plane& p = camera.planes[k];
        // A crossing made by an earlier pass is off the segment it cuts by a few units in the
        // last place of the coordinates; 2^-10 of their size is thousands of those.
        const float margin =
            ((std::fabs(p.nx) + std::fabs(p.ny) + std::fabs(p.nz)) * extent + std::fabs(p.d)) *
            (1.0f / 1024);
        bool beyond = true;
        for (int i = 0; i < count && beyond; ++i)
            beyond = corners[i]->d[k] < -margin;
        if (beyond) return ViewSide::Outside; // NaN distances and margins never are
    }
    return ViewSide::Crossing;
}

ViewSide sideOfView(const scene3d::Point3f* const* corners, int count,
                    const scene3d::SceneCamera& camera) {
    std::array<ViewDistances, kClipCapacity> d;
    std::array<const ViewDistances*, kClipCapacity> at;
    count = std::min(count, kClipCapacity);
    for (int i = 0; i < count; ++i)
        d[static_cast<size_t>(i)] = viewDistances(*corners[i], camera),
        at[static_cast<size_t>(i)] = &d[static_cast<size_t>(i)];
    return sideOfView(at.data(), count, camera);
}

ClippedVertex projectClipped(const ClipVertex& v, const scene3d::SceneCamera& camera,
                             bool raiseToOne) {
    const float z = raiseToOne && v.z < 1 ? 1.0f : v.z;
    const float w = 1 / z;
    return {camera.viewWidth / 2 + camera.scaleX * v.x * w,
            camera.viewHeight / 2 - camera.scaleY * v.y * w, w, v.a};
}

int clipAndProject(const ClipVertex* in, int count, const scene3d::SceneCamera& camera,
                   ClippedPolygon& out) {
    ClipPolygon work;
    const int n = clipToView(in, count, camera, work);
    if (n < (count == 2 ? 2 : 3)) return 0;
    for (int i = 0; i < n; ++i)
        out[static_cast<size_t>(i)] = projectClipped(work[static_cast<size_t>(i)], camera, true);
    return n;
}

} // namespace raster
