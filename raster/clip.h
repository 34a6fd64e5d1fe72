#pragma once
// Clipping in camera space: Sutherland-Hodgman against the camera's planes or any plane,
// then projection to the screen. The drivers use it for faces and lines; effects use it to
// cut meshes against planes of their own.
#include <array>
#include <utility>

#include "scene3d/scene.h"

namespace raster {

// A camera-space vertex with five attributes: (u, v) in a[0], a[1], the light value in a[4].
struct ClipVertex {
    float x = 0, y = 0, z = 0;
    std::array<float, 5> a{};
    float spare = 0, distance = 0;
};
// A vertex after clipping: screen position, 1/z and the attributes.
struct ClippedVertex {
    float x = 0, y = 0, invZ = 0;
    std::array<float, 5> a{};
};
constexpr int kClipCapacity = 20;
using ClippedPolygon = std::array<ClippedVertex, kClipCapacity>;
using ClipPolygon = std::array<ClipVertex, kClipCapacity>;

// The point a fraction t of the way from p to q, attributes too.
ClipVertex along(const ClipVertex& p, const ClipVertex& q, float t);

// One Sutherland-Hodgman pass keeping where distance(v) >= 0; `crossing(p, q, t)` makes the
// point where an edge changes side. Output is capped at kClipCapacity - 1 vertices.
template <typename Distance, typename Crossing>
int clipPass(const ClipVertex* in, int count, ClipVertex* out, Distance distance,
             Crossing crossing) {
    int n = 0;
    for (int i = 0; i < count && n < kClipCapacity - 1; ++i) {
        const ClipVertex& p = in[i];
        const ClipVertex& q = in[(i + 1) % count];
        const float dp = distance(p), dq = distance(q);
        if (dp >= 0) out[n++] = p;
        if ((dp >= 0) != (dq >= 0)) out[n++] = crossing(p, q, dp / (dp - dq));
    }
    return n;
}

// Keeps where nx x + ny y + nz z + d >= 0; returns the count.
int clipToPlane(const ClipVertex* in, int count, const scene3d::Plane& plane, ClipVertex* out);

// Clips against the camera's four side planes and its near plane into `work`; returns the count.
int clipToView(const ClipVertex* in, int count, const scene3d::SceneCamera& camera,
               ClipPolygon& work);

// A camera-space point against the view's five planes: its distance to each, as the
// clipping passes compute it, and its largest coordinate.
struct ViewDistances {
    std::array<float, 5> d{};
    float extent = 0;
    bool inside = false; // on the kept side of every plane
};
ViewDistances viewDistances(const scene3d::Point3f& p, const scene3d::SceneCamera& camera);

// Outside: beyond one plane by a margin far wider than the rounding of the clipping passes,
// so clipToView would leave nothing (Crossing may still clip to nothing). Inside: on the
// kept side of every plane, where clipToView gives the polygon back as it is.
enum class ViewSide { Outside, Inside, Crossing };
ViewSide sideOfView(const ViewDistances* const* corners, int count,
                    const scene3d::SceneCamera& camera);

// The same of corners given as points.
ViewSide sideOfView(const scene3d::Point3f* const* corners, int count,
                    const scene3d::SceneCamera& camera);

// The screen position of a camera-space vertex, z raised to 1 where below it if asked.
ClippedVertex projectClipped(const ClipVertex& v, const scene3d::SceneCamera& camera,
                             bool raiseToOne);

// Clips a triangle (or, with count 2, a segment) to the view and projects what is left with
// z raised to 1 where below it. Returns the number of vertices: 0 when fewer than 3 (a
// segment: 2) survive.
int clipAndProject(const ClipVertex* in, int count, const scene3d::SceneCamera& camera,
                   ClippedPolygon& out);

} // namespace raster
