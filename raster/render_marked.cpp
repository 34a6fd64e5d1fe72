#include <algorithm>
#include <cstdint>
#include <vector>

#include "draw2d/draw2d.h"
#include "raster/flat_fillers.h"
#include "raster/lighting.h"
#include "raster/render.h"
#include "scene3d/camera.h"

namespace raster {

using namespace detail;

void renderMeshMarked(Mesh& m, const SceneCamera& camera, Image32& target, Image32& sprite,
                      const std::array<float, 4>& cut) {
    int32_t* depth = depthOf(m, target);
    if (!target.pixels || !depth || !meshConsistent(m)) return;
    const int count = buildFaceList(m, (m.flags & scene3d::kCullBackFaces) != 0);
    if (count == 0) return;
    if (m.flags & scene3d::kSortFaces)
        scene3d::sortFacesByDepth(m.drawList.data(), m.faces.data(), m.cameraVertices.data(),
                                  static_cast<size_t>(count));
    const Target t{target.pixels, target.width, target.height, depth};
    // The light slot carries where a vertex came from: 55 for the face's own corners, 255 t
    // for a point the cut made at fraction t along an edge.
    constexpr float kUncut = 55.0f;
    auto cutDistance = [&](const ClipVertex& v) {
        return cut[0] * v.x + cut[1] * v.y + cut[2] * v.z + cut[3];
    };
    // Each corner against the view and the cut once, however many faces share it, and its
    // screen record as a corner the cut keeps.
    struct Corner {
        ViewDistances side;
        float cut;
        ScreenVertex screen;
    };
    static std::vector<Corner> corners;
    corners.resize(m.cameraVertices.size());
    for (size_t v = 0; v < corners.size(); ++v) {
        const scene3d::Point3f& cv = m.cameraVertices[v];
        ClipVertex c;
        c.x = cv.x, c.y = cv.y, c.z = cv.z, c.a[4] = kUncut;
        const ClippedVertex p = projectClipped(c, camera, false);
        Corner& corner = corners[v];
        corner.side = viewDistances(cv, camera), corner.cut = cutDistance(c);
        corner.screen.x = toFixed16(p.x), corner.screen.y = toFixed16(p.y);
        corner.screen.a[0] = depthKey(p.invZ);
    }
    static std::vector<uint32_t> colours;
    colours.resize(static_cast<size_t>(count));
    faceColoursFor(FaceColour::Lit, m, camera, {m.drawList.data(), static_cast<size_t>(count)},
                   colours.data());
    ClipPolygon viewed, kept; // written before they are read, for every face
    std::array<ScreenVertex, kClipCapacity> screen;
    for (int k = 0; k < count; ++k) {
        const scene3d::MeshFace& face =
            m.faces[static_cast<size_t>(m.drawList[static_cast<size_t>(k)])];
        const std::array<int32_t, 3> corner = {face.a, face.b, face.c};
        const std::array<const Corner*, 3> at = {&corners[static_cast<size_t>(face.a)],
                                                 &corners[static_cast<size_t>(face.b)],
                                                 &corners[static_cast<size_t>(face.c)]};
        const std::array<const ViewDistances*, 3> side = {&at[0]->side, &at[1]->side, &at[2]->side};
        const ViewSide where = sideOfView(side.data(), 3, camera);
        if (where == ViewSide::Outside) continue;
        if (where == ViewSide::Inside) {
            // Wholly kept by the cut: the corners' own records and no sprite; wholly cut away
            // (or not a number): nothing, as the clipping pass would leave.
            int kept = 0;
            for (const Corner* c : at)
                kept += c->cut >= 0;
            if (kept == 0) continue;
            if (kept == 3) {
                for (size_t i = 0; i < 3; ++i)
                    screen[i] = at[i]->screen;
                fillFlatZTransDiv(t, screen.data(), 3, colours[static_cast<size_t>(k)]);
                continue;
            }
        }
        std::array<ClipVertex, 3> in;
        for (size_t i = 0; i < 3; ++i) {
            const scene3d::Point3f& cv = m.cameraVertices[static_cast<size_t>(corner[i])];
            in[i].x = cv.x, in[i].y = cv.y, in[i].z = cv.z, in[i].a[4] = kUncut;
        }
        int n = 3;
        if (where == ViewSide::Inside) {
            std::copy(in.begin(), in.end(), viewed.begin());
        } else {
            n = clipToView(in.data(), 3, camera, viewed);
            if (n < 3) continue;
        }
        n = clipPass(viewed.data(), n, kept.data(), cutDistance,
                     [](const ClipVertex& p, const ClipVertex& q, float tt) {
                         ClipVertex r;
                         r.x = p.x + tt * (q.x - p.x), r.y = p.y + tt * (q.y - p.y),
                         r.z = p.z + tt * (q.z - p.z);
                         r.a[4] = tt * 255;
                         return r;
                     });
        if (n < 3) continue;
        const uint32_t colour = colours[static_cast<size_t>(k)];
        for (int i = 0; i < n; ++i) {
            const ClippedVertex c = projectClipped(kept[static_cast<size_t>(i)], camera, false);
            ScreenVertex& s = screen[static_cast<size_t>(i)];
            s.x = toFixed16(c.x), s.y = toFixed16(c.y);
            s.a[0] = depthKey(c.invZ);
            const int32_t mark = truncToInt(c.a[4]);
            if (mark != 55) {
                sprite.x = truncToInt(c.x), sprite.y = truncToInt(c.y);
                const float scale =
                    7.2f - static_cast<float>(truncToInt(0.02f * static_cast<float>(mark)));
                draw2d::drawTransAddZoomClip(sprite, target, scale, scale);
            }
        }
        fillFlatZTransDiv(t, screen.data(), n, colour);
    }
}

} // namespace raster
