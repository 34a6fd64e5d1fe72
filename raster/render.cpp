#include "raster/render.h"

#include <cmath>
#include <cstring>

#include "draw2d/draw2d.h"
#include "draw2d/lines.h"
#include "platform/message_box.h"
#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"
#include "raster/lighting.h"
#include "raster/texture_fillers.h"
#include "scene3d/camera.h"

namespace raster {

using scene3d::MeshFace;
using scene3d::Point3f;

const std::array<RenderModeName, 30> kRenderModes = {{
    {"MAP", 25},
    {"MAPTRANSADD", 26},
    {"MAPTRANSDIV", 27},
    {"MAPZ", 30},
    {"MAPZTRANSADD", 31},
    {"MAPZTRANSDIV", 32},
    {"PMAP", 35},
    {"PMAPTRANSADD", 36},
    {"PMAPTRANSDIV", 37},
    {"PMAPZ", 40},
    {"PMAPZTRANSADD", 41},
    {"PMAPZTRANSDIV", 42},
    {"PMAPZ_SHADE_PSUB", 45},
    {"PMAPZTRANSADD_SHADE_PSUB", 46},
    {"PMAPZTRANSDIV_SHADE_PSUB", 47},
    {"POINT_IMG8", 1},
    {"LINE_AA", 11},
    {"LINE_AAZ", 12},
    {"FLAT", 70},
    {"FLATTRANSADD", 71},
    {"FLATTRANSDIV", 72},
    {"FLATZ", 73},
    {"FLATZTRANSADD", 74},
    {"FLATZTRANSDIV", 75},
    {"GOURAUD", 80},
    {"GOURAUDTRANSADD", 81},
    {"GOURAUDTRANSDIV", 82},
    {"GOURAUDZ", 83},
    {"GOURAUDZTRANSADD", 84},
    {"GOURAUDZTRANSDIV", 85},
}};

int32_t lookupRenderMode(std::string_view name) {
    for (const RenderModeName& m : kRenderModes)
        if (name == m.name) return m.id;
    return -1;
}

int32_t findRenderMode(const std::string& name) {
    const int32_t id = lookupRenderMode(name);
    if (id < 0) {
        platform::messageBox(name, "mode not found");
        platform::fatalExit(-1);
    }
    return id;
}

int32_t roundToInt(double v) {
    // 1.5 x 2^52: the sum's low 32 mantissa bits are v rounded by the addition, in two's
    // complement, for |v| < 2^51 (beyond, the low bits of whatever the sum holds).
    const double t = v + 6755399441055744.0;
    uint64_t bits;
    std::memcpy(&bits, &t, sizeof bits);
    return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

namespace {

constexpr float kDepthScale = 67108864.0f; // 2^26

Point3f sub(const Point3f& a, const Point3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const Point3f& a, const Point3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3f cross(const Point3f& a, const Point3f& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

float planeDistance(const scene3d::Plane& p, const ClipVertex& v) { return p.nx * v.x + p.ny * v.y + p.nz * v.z + p.d; }

// One Sutherland-Hodgman pass; `crossing(p, q, t)` makes the point where an edge changes side.
template <typename Distance, typename Crossing>
int clipPass(const ClipVertex* in, int count, ClipVertex* out, Distance distance, Crossing crossing) {
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

ClipVertex along(const ClipVertex& p, const ClipVertex& q, float t) {
    ClipVertex r;
    r.x = p.x + t * (q.x - p.x), r.y = p.y + t * (q.y - p.y), r.z = p.z + t * (q.z - p.z);
    for (size_t k = 0; k < 5; ++k) r.a[k] = p.a[k] + t * (q.a[k] - p.a[k]);
    return r;
}

// Clips against the camera's first five planes into `work`; returns the count.
int clipToView(const ClipVertex* in, int count, const SceneCamera& camera, std::array<ClipVertex, kClipCapacity>& work) {
    std::array<ClipVertex, kClipCapacity> other;
    ClipVertex* from = work.data();
    ClipVertex* to = other.data();
    for (int i = 0; i < count; ++i) from[i] = in[i];
    int n = count;
    for (int plane = 0; plane < 5 && n > 0; ++plane) {
        const scene3d::Plane& pl = camera.planes[static_cast<size_t>(plane)];
        n = clipPass(from, n, to, [&](const ClipVertex& v) { return planeDistance(pl, v); }, along);
        std::swap(from, to);
    }
    if (from != work.data())
        for (int i = 0; i < n; ++i) work[static_cast<size_t>(i)] = from[i];
    return n;
}

ClippedVertex project(const ClipVertex& v, const SceneCamera& camera, bool raiseToOne) {
    const float z = raiseToOne && v.z < 1 ? 1.0f : v.z;
    const float w = 1 / z;
    return {camera.viewWidth / 2 + camera.scaleX * v.x * w, camera.viewHeight / 2 - camera.scaleY * v.y * w, w, v.a};
}

enum class Family { Flat, FlatZ, Gouraud, GouraudZ, Map, MapZ, Pmap, Shade, None };

Family familyOf(int32_t id) {
    switch (id) {
    case 70: case 71: case 72: case 301: case 302: return Family::Flat;
    case 73: case 74: case 75: return Family::FlatZ;
    case 80: case 81: case 82: return Family::Gouraud;
    case 83: case 84: case 85: return Family::GouraudZ;
    case 25: case 26: case 27: return Family::Map;
    case 30: case 31: case 32: return Family::MapZ;
    case 35: case 36: case 37: case 40: case 41: case 42: return Family::Pmap;
    case 45: case 46: case 47: return Family::Shade;
    default: return Family::None;
    }
}

bool usesDepth(int32_t id) {
    const Family f = familyOf(id);
    return f == Family::FlatZ || f == Family::GouraudZ || f == Family::MapZ || f == Family::Shade || (id >= 40 && id <= 42);
}

bool usesTexture(int32_t id) {
    const Family f = familyOf(id);
    return f == Family::Map || f == Family::MapZ || f == Family::Pmap || f == Family::Shade;
}

// The opaque interpolating modes whose unclipped triangles take constant gradients.
bool hasTriangleFiller(int32_t id) { return id == 80 || id == 83 || id == 25 || id == 30 || id == 35 || id == 45; }

enum class Cull { Always, Bit1, Never };

Cull cullOf(int32_t id) {
    switch (id) {
    case 70: case 302: case 73: case 80: case 83: case 25: case 30: case 35: case 40: case 45: return Cull::Always;
    case 301: return Cull::Never;
    default: return Cull::Bit1;
    }
}

bool sortOffered(int32_t id) {
    switch (id) {
    case 70: case 302: case 72: case 75: case 80: case 82: case 85: case 25: case 27: case 32: case 35: case 37: case 42:
    case 47: return true;
    default: return false;
    }
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
    out.v.x = roundToInt(static_cast<double>(c.x) * 65536.0), out.v.y = roundToInt(static_cast<double>(c.y) * 65536.0);
    const float w = c.invZ * kDepthScale;
    const float u = c.a[0], v = c.a[1], light = c.a[4];
    auto put = [&](float value, bool fixed16) {
        const float units = fixed16 ? value * 65536.0f : value;
        out.units[static_cast<size_t>(out.attributes)] = units;
        out.v.a[static_cast<size_t>(out.attributes++)] = roundToInt(fixed16 ? static_cast<double>(value) * 65536.0 : static_cast<double>(value));
    };
    switch (f) {
    case Family::FlatZ: put(w, false); break;
    case Family::Gouraud: put(light, true); break;
    case Family::GouraudZ: put(w, false), put(light, true); break;
    case Family::Map: put(u, true), put(v, true); break;
    case Family::MapZ: put(w, false), put(u, true), put(v, true); break;
    case Family::Pmap: put(w, false), put(u * w, false), put(v * w, false); break;
    case Family::Shade: put(w, false), put(u * w, false), put(v * w, false), put(light, true); break;
    default: break;
    }
    return out;
}

// The constant horizontal gradients of an unclipped triangle, in ScreenVertex units.
std::array<int32_t, 5> triangleGradients(const std::array<ClippedVertex, 3>& p, const std::array<Converted, 3>& c) {
    std::array<int32_t, 5> g{};
    const float den = (p[0].x - p[2].x) * (p[1].y - p[2].y) - (p[1].x - p[2].x) * (p[0].y - p[2].y);
    if (den == 0) return g; // no area: the fillers draw nothing of it
    for (int k = 0; k < c[0].attributes; ++k) {
        const auto i = static_cast<size_t>(k);
        const float a0 = c[0].units[i], a1 = c[1].units[i], a2 = c[2].units[i];
        g[i] = roundToInt(((a0 - a2) * (p[1].y - p[2].y) - (a1 - a2) * (p[0].y - p[2].y)) / den);
    }
    return g;
}

// What a face is filled with.
struct FaceInk {
    uint32_t colour = 0;
    const uint32_t* palette = nullptr;
    const uint32_t* texture = nullptr;
};

void fill(int32_t id, const Target& t, const ScreenVertex* v, int n, const std::array<int32_t, 5>* g, const FaceInk& ink) {
    const uint32_t c = ink.colour;
    const uint32_t* pal = ink.palette;
    const uint32_t* tex = ink.texture;
    switch (id) {
    case 70: case 302: fillFlat(t, v, n, c); break;
    case 71: case 301: fillFlatTransAdd(t, v, n, c); break;
    case 72: fillFlatTransDiv(t, v, n, c); break;
    case 73: fillFlatZ(t, v, n, c); break;
    case 74: fillFlatZTransAdd(t, v, n, c); break;
    case 75: fillFlatZTransDiv(t, v, n, c); break;
    case 80: g ? fillGouraudTriangle(t, v, pal, (*g)[0]) : fillGouraud(t, v, n, pal); break;
    case 81: fillGouraudTransAdd(t, v, n, pal); break;
    case 82: fillGouraudTransDiv(t, v, n, pal); break;
    case 83: g ? fillGouraudZTriangle(t, v, pal, (*g)[0], (*g)[1]) : fillGouraudZ(t, v, n, pal); break;
    case 84: fillGouraudZTransAdd(t, v, n, pal); break;
    case 85: fillGouraudZTransDiv(t, v, n, pal); break;
    case 25: g ? fillMapTriangle(t, tex, v, {(*g)[0], (*g)[1]}) : fillMap(t, tex, v, n); break;
    case 26: fillMapTransAdd(t, tex, v, n); break;
    case 27: fillMapTransDiv(t, tex, v, n); break;
    case 30: g ? fillMapZTriangle(t, tex, v, {(*g)[0], (*g)[1], (*g)[2]}) : fillMapZ(t, tex, v, n); break;
    case 31: fillMapZTransAdd(t, tex, v, n); break;
    case 32: fillMapZTransDiv(t, tex, v, n); break;
    case 35: g ? fillPmapTriangle(t, tex, v, {(*g)[0], (*g)[1], (*g)[2]}) : fillPmap(t, tex, v, n); break;
    case 36: fillPmapTransAdd(t, tex, v, n); break;
    case 37: fillPmapTransDiv(t, tex, v, n); break;
    case 40: fillPmapZ(t, tex, v, n); break;
    case 41: fillPmapZTransAdd(t, tex, v, n); break;
    case 42: fillPmapZTransDiv(t, tex, v, n); break;
    case 45: g ? fillPmapZShadePsubTriangle(t, tex, v, {(*g)[0], (*g)[1], (*g)[2], (*g)[3]}) : fillPmapZShadePsub(t, tex, v, n); break;
    case 46: fillPmapZTransAddShadePsub(t, tex, v, n); break;
    case 47: fillPmapZTransDivShadePsub(t, tex, v, n); break;
    default: break;
    }
}

// The arrays the drivers index, long enough for the counts and the faces' vertex indices.
bool meshConsistent(const Mesh& m) {
    const size_t n = m.vertices.size();
    if (m.cameraVertices.size() < n || m.projected.size() < n || m.cameraFaceNormals.size() < m.faces.size()) return false;
    for (const MeshFace& f : m.faces)
        if (f.a < 0 || f.b < 0 || f.c < 0 || static_cast<size_t>(f.a) >= n || static_cast<size_t>(f.b) >= n ||
            static_cast<size_t>(f.c) >= n || f.index < 0 || static_cast<size_t>(f.index) >= m.faces.size())
            return false;
    return true;
}

int32_t* depthOf(const Mesh& m, const Image32& target) {
    if (!m.depthBuffer || m.depthBuffer->size() < target.pixelCount()) return nullptr;
    return m.depthBuffer->data();
}

uint32_t paletteEntry(const Mesh& m, int32_t level) {
    return m.shadeTable ? (*m.shadeTable)[static_cast<size_t>(std::clamp(level, 0, 255))] : 0;
}

uint32_t faceColourFor(int32_t id, const Mesh& m, const SceneCamera& camera, const MeshFace& face) {
    const bool head = (m.flags & scene3d::kHeadlight) != 0;
    const LightFrom centreOrFirst = (m.flags & scene3d::kLightFromCentre) ? LightFrom::ObjectCentre : LightFrom::FirstVertex;
    switch (id) {
    case 73:
        if (m.flags & scene3d::kConstantColour) return m.constantColour;
        return faceColour(m, camera, face, head, centreOrFirst);
    case 70: case 74: case 75: return faceColour(m, camera, face, head, head ? centreOrFirst : LightFrom::FirstVertex);
    case 71: case 72: return faceColour(m, camera, face, head, LightFrom::FirstVertex);
    case 302: return paletteEntry(m, directionalShade(m, face));
    case 301: {
        const float fade = static_cast<size_t>(face.index) < m.faceData.size() ? m.faceData[static_cast<size_t>(face.index)].shade : 0;
        const int32_t level = truncToInt(static_cast<float>(directionalShade(m, face)) - fade);
        return paletteEntry(m, level < 0 ? 0 : level);
    }
    default: return 0;
    }
}

void drawFaces(Mesh& m, const SceneCamera& camera, Image32& target, int32_t id) {
    const Family family = familyOf(id);
    int32_t* depth = depthOf(m, target);
    if (usesDepth(id) && !depth) return;
    FaceInk ink;
    if (usesTexture(id)) {
        if (!m.texture || !m.texture->tiled) return;
        ink.texture = m.texture->tiled;
    }
    if (family == Family::Gouraud || family == Family::GouraudZ) {
        if (!m.shadeTable) return;
        ink.palette = m.shadeTable->data();
    }
    const bool lit = family == Family::Gouraud || family == Family::GouraudZ || family == Family::Shade;
    if (lit) {
        if (m.faceData.size() < m.vertices.size()) return;
        vertexShade(m, camera, (m.flags & scene3d::kHeadlight) != 0,
                    family == Family::Shade ? ShadeKind::ShadeSubtract : ShadeKind::GouraudLevel);
    }
    const bool environment = (family == Family::Map || family == Family::MapZ || family == Family::Shade) &&
                             (m.flags & scene3d::kEnvironmentMap) && m.cameraVertexNormals.size() >= m.vertices.size();
    const bool mapped = usesTexture(id) && !environment;
    if (mapped && m.mapping.size() < m.vertices.size()) return;

    const Cull cull = cullOf(id);
    const bool culling = cull == Cull::Always || (cull == Cull::Bit1 && (m.flags & scene3d::kCullBackFaces));
    const int count = buildFaceList(m, culling);
    if (count == 0) return;
    if (sortOffered(id) && (m.flags & scene3d::kSortFaces))
        scene3d::sortFacesByDepth(m.drawList.data(), m.faces.data(), m.cameraVertices.data(), static_cast<size_t>(count));

    const Target t{target.pixels, target.width, target.height, depth};
    const bool flatColour = family == Family::Flat || family == Family::FlatZ;
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
    for (int k = 0; k < count; ++k) {
        const MeshFace& face = m.faces[static_cast<size_t>(m.drawList[static_cast<size_t>(k)])];
        if (flatColour) ink.colour = faceColourFor(id, m, camera, face);
        const std::array<int32_t, 3> corner = {face.a, face.b, face.c};
        std::array<ScreenVertex, kClipCapacity> screen;
        if (face.raster0 == 0) {
            std::array<ClippedVertex, 3> p;
            std::array<Converted, 3> c;
            for (size_t i = 0; i < 3; ++i) {
                const scene3d::ProjectedVertex& pv = m.projected[static_cast<size_t>(corner[i])];
                p[i] = {pv.x, pv.y, pv.invZ, attributes(corner[i])};
                c[i] = convert(family, p[i]);
                screen[i] = c[i].v;
            }
            if (hasTriangleFiller(id)) {
                const auto g = triangleGradients(p, c);
                fill(id, t, screen.data(), 3, &g, ink);
            } else {
                fill(id, t, screen.data(), 3, nullptr, ink);
            }
            continue;
        }
        std::array<ClipVertex, 3> in;
        for (size_t i = 0; i < 3; ++i) {
            const Point3f& cv = m.cameraVertices[static_cast<size_t>(corner[i])];
            in[i].x = cv.x, in[i].y = cv.y, in[i].z = cv.z, in[i].a = attributes(corner[i]);
        }
        ClippedPolygon out;
        const int n = clipAndProject(in.data(), 3, camera, out);
        if (n < 3) continue;
        for (int i = 0; i < n; ++i) screen[static_cast<size_t>(i)] = convert(family, out[static_cast<size_t>(i)]).v;
        fill(id, t, screen.data(), n, nullptr, ink);
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
        draw2d::spriteBilAddDepth(target, *m.pointSprite, p.x, p.y, s, s, truncToInt(kDepthScale * p.invZ), depth);
    }
}

void drawEdges(Mesh& m, const SceneCamera& camera, Image32& target, bool withDepth) {
    int32_t* depth = withDepth ? depthOf(m, target) : nullptr;
    if (withDepth && !depth) return;
    const size_t n = m.vertices.size();
    for (const auto& e : m.edges) {
        if (e[0] < 0 || e[1] < 0 || static_cast<size_t>(e[0]) >= n || static_cast<size_t>(e[1]) >= n) continue;
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
            draw2d::drawLineAAZ(a.x, a.y, b.x, b.y, roundToInt(a.invZ * kDepthScale), roundToInt(b.invZ * kDepthScale), target, m.colour, depth);
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
        const auto a = static_cast<size_t>(f.a), b = static_cast<size_t>(f.b), c = static_cast<size_t>(f.c);
        f.raster0 = (m.projected[a].offScreen || m.projected[b].offScreen || m.projected[c].offScreen) ? 1 : 0;
        if (cull) {
            const Point3f& p0 = m.cameraVertices[a];
            if (!(dot(cross(sub(m.cameraVertices[b], p0), sub(m.cameraVertices[c], p0)), p0) > 0)) continue;
        }
        m.drawList[static_cast<size_t>(count++)] = static_cast<int32_t>(i);
    }
    return count;
}

int clipAndProject(const ClipVertex* in, int count, const SceneCamera& camera, ClippedPolygon& out) {
    std::array<ClipVertex, kClipCapacity> work;
    const int n = clipToView(in, count, camera, work);
    if (n < (count == 2 ? 2 : 3)) return 0;
    for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = project(work[static_cast<size_t>(i)], camera, true);
    return n;
}

void renderMesh(Mesh& mesh, const SceneCamera& camera, Image32& target) { renderMeshAs(mesh, camera, target, mesh.renderMode); }

void renderMeshAs(Mesh& mesh, const SceneCamera& camera, Image32& target, int32_t mode) {
    if (!target.pixels || !meshConsistent(mesh)) return;
    switch (mode) {
    case 1: drawPoints(mesh, target); break;
    case 11: drawEdges(mesh, camera, target, false); break;
    case 12: drawEdges(mesh, camera, target, true); break;
    default:
        if (familyOf(mode) != Family::None) drawFaces(mesh, camera, target, mode);
        break;
    }
}

void renderMeshMarked(Mesh& m, const SceneCamera& camera, Image32& target, Image32& sprite, const std::array<float, 4>& cut) {
    int32_t* depth = depthOf(m, target);
    if (!target.pixels || !depth || !meshConsistent(m)) return;
    const int count = buildFaceList(m, (m.flags & scene3d::kCullBackFaces) != 0);
    if (count == 0) return;
    if (m.flags & scene3d::kSortFaces)
        scene3d::sortFacesByDepth(m.drawList.data(), m.faces.data(), m.cameraVertices.data(), static_cast<size_t>(count));
    const Target t{target.pixels, target.width, target.height, depth};
    constexpr float kUncut = 55.0f;
    for (int k = 0; k < count; ++k) {
        const MeshFace& face = m.faces[static_cast<size_t>(m.drawList[static_cast<size_t>(k)])];
        const uint32_t colour = faceColourFor(75, m, camera, face);
        std::array<ClipVertex, 3> in;
        const std::array<int32_t, 3> corner = {face.a, face.b, face.c};
        for (size_t i = 0; i < 3; ++i) {
            const Point3f& cv = m.cameraVertices[static_cast<size_t>(corner[i])];
            in[i].x = cv.x, in[i].y = cv.y, in[i].z = cv.z, in[i].a[4] = kUncut;
        }
        std::array<ClipVertex, kClipCapacity> viewed, kept;
        int n = clipToView(in.data(), 3, camera, viewed);
        if (n < 3) continue;
        n = clipPass(viewed.data(), n, kept.data(),
                     [&](const ClipVertex& v) { return cut[0] * v.x + cut[1] * v.y + cut[2] * v.z + cut[3]; },
                     [](const ClipVertex& p, const ClipVertex& q, float tt) {
                         ClipVertex r;
                         r.x = p.x + tt * (q.x - p.x), r.y = p.y + tt * (q.y - p.y), r.z = p.z + tt * (q.z - p.z);
                         r.a[4] = tt * 255;
                         return r;
                     });
        if (n < 3) continue;
        std::array<ScreenVertex, kClipCapacity> screen;
        for (int i = 0; i < n; ++i) {
            const ClippedVertex c = project(kept[static_cast<size_t>(i)], camera, false);
            ScreenVertex& s = screen[static_cast<size_t>(i)];
            s.x = roundToInt(static_cast<double>(c.x) * 65536.0), s.y = roundToInt(static_cast<double>(c.y) * 65536.0);
            s.a[0] = roundToInt(static_cast<double>(c.invZ) * kDepthScale);
            const int32_t mark = truncToInt(c.a[4]);
            if (mark != 55) {
                sprite.x = truncToInt(c.x), sprite.y = truncToInt(c.y);
                const float scale = 7.2f - static_cast<float>(truncToInt(0.02f * static_cast<float>(mark)));
                draw2d::drawTransAddZoomClip(sprite, target, scale, scale);
            }
        }
        fillFlatZTransDiv(t, screen.data(), n, colour);
    }
}

} // namespace raster

