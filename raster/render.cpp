#include "raster/render.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "draw2d/draw2d.h"
#include "draw2d/lines.h"
#include "raster/lighting.h"
#include "scene3d/camera.h"

namespace raster {

using scene3d::MeshFace;
using scene3d::Point3f;

namespace detail {

// The arrays the drivers index, long enough for the counts and the faces' vertex indices.
bool meshConsistent(const Mesh& m) {
    const size_t n = m.vertices.size();
    if (m.cameraVertices.size() < n || m.projected.size() < n ||
        m.cameraFaceNormals.size() < m.faces.size())
        return false;
    for (const MeshFace& f : m.faces)
        if (f.a < 0 || f.b < 0 || f.c < 0 || static_cast<size_t>(f.a) >= n ||
            static_cast<size_t>(f.b) >= n || static_cast<size_t>(f.c) >= n || f.index < 0 ||
            static_cast<size_t>(f.index) >= m.faces.size())
            return false;
    return true;
}

int32_t* depthOf(const Mesh& m, const Image32& target) {
    if (!m.depthBuffer || m.depthBuffer->size() < target.pixelCount()) return nullptr;
    return m.depthBuffer->data();
}

namespace {
uint32_t paletteEntry(const Mesh& m, int32_t level) {
    return m.shadeTable ? (*m.shadeTable)[static_cast<size_t>(std::clamp(level, 0, 255))] : 0;
}

// Where the lights are taken from for the kinds they colour; nothing for the other kinds and
// for a mesh with a constant colour in place of its lights.
std::optional<LightFrom> lightsFrom(FaceColour kind, const Mesh& m) {
    const bool head = (m.flags & scene3d::kHeadlight) != 0;
    const LightFrom centreOrFirst =
        (m.flags & scene3d::kLightFromCentre) ? LightFrom::ObjectCentre : LightFrom::FirstVertex;
    switch (kind) {
    case FaceColour::LitOrConstant:
        if (m.flags & scene3d::kConstantColour) return std::nullopt;
        return centreOrFirst;
    case FaceColour::Lit:
        return head ? centreOrFirst : LightFrom::FirstVertex;
    case FaceColour::LitFirstVertex:
        return LightFrom::FirstVertex;
    default:
        return std::nullopt;
    }
}
} // namespace

uint32_t faceColourFor(FaceColour kind, const Mesh& m, const SceneCamera& camera,
                       const MeshFace& face) {
    if (const std::optional<LightFrom> from = lightsFrom(kind, m))
        return faceColour(m, camera, face, (m.flags & scene3d::kHeadlight) != 0, *from);
    switch (kind) {
    case FaceColour::LitOrConstant:
        return m.constantColour;
    case FaceColour::Directional:
        return paletteEntry(m, directionalShade(m, face));
    case FaceColour::DirectionalFaded: {
        const float fade = static_cast<size_t>(face.index) < m.faceData.size()
                               ? m.faceData[static_cast<size_t>(face.index)].shade
                               : 0;
        const int32_t level = truncToInt(static_cast<float>(directionalShade(m, face)) - fade);
        return paletteEntry(m, level < 0 ? 0 : level);
    }
    default:
        return 0;
    }
}

bool faceColoursFor(FaceColour kind, const Mesh& m, const SceneCamera& camera,
                    std::span<const int32_t> list, uint32_t* out) {
    const std::optional<LightFrom> from = lightsFrom(kind, m);
    if (!from) return false;
    faceColours(m, camera, list, (m.flags & scene3d::kHeadlight) != 0, *from, out);
    return true;
}

} // namespace detail

namespace {

using namespace detail;

Point3f sub(const Point3f& a, const Point3f& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
float dot(const Point3f& a, const Point3f& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Point3f cross(const Point3f& a, const Point3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The screen record of one clipped or projected vertex in the family's layout, and the float
// values the triangle gradients are taken from (in ScreenVertex units, before rounding).
struct Converted {
    ScreenVertex v;
    std::array<float, 5> units{};
    int attributes = 0;
};

Converted convert(Family f, const ClippedVertex& c) {
    Converted out;
    out.v.x = toFixed16(c.x), out.v.y = toFixed16(c.y);
    const float w = c.invZ * kDepthScale;
    const float u = c.a[0], v = c.a[1], light = c.a[4];
    auto put = [&](float value, bool fixed16) {
        const float units = fixed16 ? value * 65536.0f : value;
        out.units[static_cast<size_t>(out.attributes)] = units;
        out.v.a[static_cast<size_t>(out.attributes++)] =
            fixed16 ? toFixed16(value) : roundToInt(static_cast<double>(value));
    };
    switch (f) {
    case Family::FlatZ:
        put(w, false);
        break;
    case Family::Gouraud:
        put(light, true);
        break;
    case Family::GouraudZ:
        put(w, false), put(light, true);
        break;
    case Family::Map:
        put(u, true), put(v, true);
        break;
    case Family::MapZ:
        put(w, false), put(u, true), put(v, true);
        break;
    case Family::Pmap:
    case Family::PmapZ:
        put(w, false), put(u * w, false), put(v * w, false);
        break;
    case Family::Shade:
        put(w, false), put(u * w, false), put(v * w, false), put(light, true);
        break;
    default:
        break;
    }
    return out;
}

// The constant horizontal gradients of an unclipped triangle, in ScreenVertex units.
Gradients triangleGradients(const std::array<const scene3d::ProjectedVertex*, 3>& p,
                            const std::array<const Converted*, 3>& c) {
    Gradients g{};
    const float den =
        (p[0]->x - p[2]->x) * (p[1]->y - p[2]->y) - (p[1]->x - p[2]->x) * (p[0]->y - p[2]->y);
    if (den == 0) return g; // no area: the fillers draw nothing of it
    for (int k = 0; k < c[0]->attributes; ++k) {
        const auto i = static_cast<size_t>(k);
        const float a0 = c[0]->units[i], a1 = c[1]->units[i], a2 = c[2]->units[i];
        g[i] =
            roundToInt(((a0 - a2) * (p[1]->y - p[2]->y) - (a1 - a2) * (p[0]->y - p[2]->y)) / den);
    }
    return g;
}

// Each vertex's screen record, made once per draw however many faces share it. Stamped with
// the draw it belongs to, so that nothing is cleared between draws.
struct ConvertedVertices {
    std::vector<Converted> records;
    std::vector<uint32_t> colours;    // each listed face's, where the lights give them
    std::vector<ViewDistances> sides; // for the faces that reach off the screen
    std::vector<uint32_t> stamps, marks, sideStamps; // converted, listed to be shaded, measured
    std::vector<int32_t> shaded;
    uint32_t draw = 0;

    void begin(size_t vertices) {
        if (stamps.size() < vertices)
            records.resize(vertices), sides.resize(vertices), stamps.resize(vertices, 0),
                marks.resize(vertices, 0), sideStamps.resize(vertices, 0);
        if (++draw == 0) {
            for (auto* v : {&stamps, &marks, &sideStamps})
                std::fill(v->begin(), v->end(), 0);
            draw = 1;
        }
    }
};

ConvertedVertices& convertedVertices() {
    static ConvertedVertices cache;
    return cache;
}

void drawFaces(Mesh& m, const SceneCamera& camera, Image32& target, const ModeTraits& mode,
               const uint32_t* greyRamp) {
    const Family family = mode.family;
    int32_t* depth = depthOf(m, target);
    if (mode.depthTest && !depth) return;
    FaceInk ink;
    if (mode.textured) {
        if (!m.texture || !m.texture->tiled) return;
        ink.texture = m.texture->tiled;
    }
    if (family == Family::Gouraud || family == Family::GouraudZ) {
        if (!m.shadeTable) return;
        ink.palette = m.shadeTable->data();
    }
    const bool lit =
        family == Family::Gouraud || family == Family::GouraudZ || family == Family::Shade;
    if (family == Family::Shade) {
        if (!greyRamp) return;
        ink.greyRamp = greyRamp;
    }
    if (lit && m.faceData.size() < m.vertices.size()) return;
    const bool environment =
        (family == Family::Map || family == Family::MapZ || family == Family::Shade) &&
        (m.flags & scene3d::kEnvironmentMap) && m.cameraVertexNormals.size() >= m.vertices.size();
    const bool mapped = mode.textured && !environment;
    if (mapped && m.mapping.size() < m.vertices.size()) return;

    const bool culling = mode.cull == Cull::Always ||
                         (mode.cull == Cull::WhenFlagged && (m.flags & scene3d::kCullBackFaces));
    const int count = buildFaceList(m, culling);
    if (count == 0) return;
    if (mode.sortOffered && (m.flags & scene3d::kSortFaces))
        scene3d::sortFacesByDepth(m.drawList.data(), m.faces.data(), m.cameraVertices.data(),
                                  static_cast<size_t>(count));

    ConvertedVertices& cache = convertedVertices();
    cache.begin(m.vertices.size());
    if (cache.colours.size() < static_cast<size_t>(count))
        cache.colours.resize(static_cast<size_t>(count));
    const bool listed =
        faceColoursFor(mode.colour, m, camera, {m.drawList.data(), static_cast<size_t>(count)},
                       cache.colours.data());
    if (lit) {
        // Only the corners of faces drawn: the records of the others are never read.
        std::vector<int32_t>& used = cache.shaded;
        used.clear();
        for (int k = 0; k < count; ++k) {
            const MeshFace& f = m.faces[static_cast<size_t>(m.drawList[static_cast<size_t>(k)])];
            for (const int32_t v : {f.a, f.b, f.c})
                if (cache.marks[static_cast<size_t>(v)] != cache.draw)
                    cache.marks[static_cast<size_t>(v)] = cache.draw, used.push_back(v);
        }
        vertexShade(m, camera, (m.flags & scene3d::kHeadlight) != 0,
                    family == Family::Shade ? ShadeKind::ShadeSubtract : ShadeKind::GouraudLevel,
                    used);
    }
    const Target t{target.pixels, target.width, target.height, depth};
    auto attributes = [&](int32_t vertex) {
        std::array<float, 5> a{};
        const auto i = static_cast<size_t>(vertex);
        if (environment) {
            const Point3f& n = m.cameraVertexNormals[i];
            a[0] = n.x * 127 + 128, a[1] = n.y * 127 + 128;
            if (i < m.faceData.size()) m.faceData[i].u = a[0], m.faceData[i].v = a[1];
        } else if (mapped) {
            a[0] = m.mapping[i][0], a[1] = m.mapping[i][1];
        }
        if (lit) a[4] = m.faceData[i].shade;
        return a;
    };
    auto converted = [&](int32_t vertex) -> const Converted& {
        const auto i = static_cast<size_t>(vertex);
        if (cache.stamps[i] != cache.draw) {
            const scene3d::ProjectedVertex& pv = m.projected[i];
            cache.records[i] = convert(family, {pv.x, pv.y, pv.invZ, attributes(vertex)});
            cache.stamps[i] = cache.draw;
        }
        return cache.records[i];
    };
    // Written before it is read: made once here, not cleared again for every face.
    std::array<ScreenVertex, 3> unclipped;
    for (int k = 0; k < count; ++k) {
        const MeshFace& face = m.faces[static_cast<size_t>(m.drawList[static_cast<size_t>(k)])];
        if (listed)
            ink.colour = cache.colours[static_cast<size_t>(k)];
        else if (mode.colour != FaceColour::None)
            ink.colour = faceColourFor(mode.colour, m, camera, face);
        const std::array<int32_t, 3> corner = {face.a, face.b, face.c};
        if (face.raster0 == 0) {
            std::array<const Converted*, 3> c;
            for (size_t i = 0; i < 3; ++i) {
                c[i] = &converted(corner[i]);
                unclipped[i] = c[i]->v;
            }
            if (mode.triangle) {
                std::array<const scene3d::ProjectedVertex*, 3> p;
                for (size_t i = 0; i < 3; ++i)
                    p[i] = &m.projected[static_cast<size_t>(corner[i])];
                mode.triangle(t, unclipped.data(), triangleGradients(p, c), ink);
            } else {
                mode.filler(t, unclipped.data(), 3, ink);
            }
            continue;
        }
        std::array<const ViewDistances*, 3> side;
        for (size_t i = 0; i < 3; ++i) {
            const auto v = static_cast<size_t>(corner[i]);
            if (cache.sideStamps[v] != cache.draw)
                cache.sides[v] = viewDistances(m.cameraVertices[v], camera),
                cache.sideStamps[v] = cache.draw;
            side[i] = &cache.sides[v];
        }
        if (sideOfView(side.data(), 3, camera) == ViewSide::Outside) continue;
        std::array<ClipVertex, 3> in;
        for (size_t i = 0; i < 3; ++i) {
            const Point3f& cv = m.cameraVertices[static_cast<size_t>(corner[i])];
            in[i].x = cv.x, in[i].y = cv.y, in[i].z = cv.z, in[i].a = attributes(corner[i]);
        }
        ClippedPolygon out;
        const int n = clipAndProject(in.data(), 3, camera, out);
        if (n < 3) continue;
        std::array<ScreenVertex, kClipCapacity> screen;
        for (int i = 0; i < n; ++i)
            screen[static_cast<size_t>(i)] = convert(family, out[static_cast<size_t>(i)]).v;
        mode.filler(t, screen.data(), n, ink);
    }
}

void drawPoints(Mesh& m, Image32& target) {
    int32_t* depth = depthOf(m, target);
    if (!m.pointSprite || !depth) return;
    const float far = 100 * m.pointSpriteDistance;
    for (size_t i = 0; i < m.vertices.size(); ++i) {
        const float z = m.cameraVertices[i].z;
        if (!(z > 1)) continue;
        const float s = z >= far && far > 0 ? (z - far) / far + 1 : 1;
        const scene3d::ProjectedVertex& p = m.projected[i];
        draw2d::spriteBilAddDepth(target, *m.pointSprite, p.x, p.y, s, s,
                                  truncToInt(kDepthScale * p.invZ), depth);
    }
}

void drawEdges(Mesh& m, const SceneCamera& camera, Image32& target, bool withDepth) {
    int32_t* depth = withDepth ? depthOf(m, target) : nullptr;
    if (withDepth && !depth) return;
    const size_t n = m.vertices.size();
    for (const auto& e : m.edges) {
        if (e[0] < 0 || e[1] < 0 || static_cast<size_t>(e[0]) >= n ||
            static_cast<size_t>(e[1]) >= n)
            continue;
        const scene3d::ProjectedVertex& p = m.projected[static_cast<size_t>(e[0])];
        const scene3d::ProjectedVertex& q = m.projected[static_cast<size_t>(e[1])];
        ClippedVertex a{p.x, p.y, p.invZ, {}}, b{q.x, q.y, q.invZ, {}};
        if (p.offScreen || q.offScreen) {
            std::array<ClipVertex, 2> in;
            for (size_t i = 0; i < 2; ++i) {
                const Point3f& cv = m.cameraVertices[static_cast<size_t>(e[i])];
                in[i].x = cv.x, in[i].y = cv.y, in[i].z = cv.z;
            }
            ClippedPolygon out;
            if (clipAndProject(in.data(), 2, camera, out) < 2) continue;
            a = out[0], b = out[1];
            // Ends within 1/256 pixel of each other are one point: clipping both ends of an edge
            // onto one place leaves float noise of that order between them.
            if (std::fabs(a.x - b.x) < 1.0f / 256 && std::fabs(a.y - b.y) < 1.0f / 256) continue;
        }
        if (withDepth)
            draw2d::drawLineAAZ(a.x, a.y, b.x, b.y, depthKey(a.invZ), depthKey(b.invZ), target,
                                m.colour, depth);
        else
            draw2d::drawLineAA(a.x, a.y, b.x, b.y, target, m.colour);
    }
}

} // namespace

int buildFaceList(Mesh& m, bool cull) {
    if (m.drawList.size() < m.faces.size()) m.drawList.resize(m.faces.size());
    int count = 0;
    for (size_t i = 0; i < m.faces.size(); ++i) {
        MeshFace& f = m.faces[i];
        const auto a = static_cast<size_t>(f.a), b = static_cast<size_t>(f.b),
                   c = static_cast<size_t>(f.c);
        f.raster0 =
            (m.projected[a].offScreen || m.projected[b].offScreen || m.projected[c].offScreen) ? 1
                                                                                               : 0;
        if (cull) {
            const Point3f& p0 = m.cameraVertices[a];
            if (!(dot(cross(sub(m.cameraVertices[b], p0), sub(m.cameraVertices[c], p0)), p0) > 0))
                continue;
        }
        m.drawList[static_cast<size_t>(count++)] = static_cast<int32_t>(i);
    }
    return count;
}

void renderMesh(Mesh& mesh, const SceneCamera& camera, Image32& target, const uint32_t* greyRamp) {
    renderMeshAs(mesh, camera, target, mesh.renderMode, greyRamp);
}

void renderMeshAs(Mesh& mesh, const SceneCamera& camera, Image32& target, int32_t id,
                  const uint32_t* greyRamp) {
    const ModeTraits* mode = modeTraits(id);
    if (!mode || !target.pixels || !meshConsistent(mesh)) return;
    switch (mode->family) {
    case Family::Points:
        drawPoints(mesh, target);
        break;
    case Family::Lines:
        drawEdges(mesh, camera, target, false);
        break;
    case Family::LinesZ:
        drawEdges(mesh, camera, target, true);
        break;
    case Family::Hidden:
        break;
    default:
        drawFaces(mesh, camera, target, *mode, greyRamp);
        break;
    }
}

} // namespace raster
