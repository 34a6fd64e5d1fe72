// Bounds, centres, normals and edges of meshes, and the meshes the parts build themselves.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "platform/random.h"
#include "scene3d/scene.h"

namespace scene3d {

namespace {

Point3f sub(const Point3f& a, const Point3f& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3f cross(const Point3f& a, const Point3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Point3f normalised(Point3f p) {
    const float len = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (len != 0.0f) p.x /= len, p.y /= len, p.z /= len;
    return p;
}

// Finishes a built mesh: per-frame arrays, normals, edges, centre and bounds.
void finish(Mesh& m) {
    m.flags |= kHasFaces;
    allocateFrameArrays(m);
    computeFaceNormals(m);
    computeVertexNormals(m);
    buildEdges(m);
    computeCentre(m);
    computeBounds(m);
}

} // namespace

Mesh* findMesh(const Scene3ds& scene, const std::string& name) {
    for (const auto& m : scene.meshes)
        if (m->name == name) return m.get();
    return nullptr;
}

void allocateFrameArrays(Mesh& m) {
    const size_t n = m.vertices.size(), f = m.faces.size();
    m.cameraVertices.assign(n, {});
    m.projected.assign(n, {});
    if (m.faceData.size() < n) m.faceData.assign(n, {});
    m.vertexNormals.assign(n, {});
    m.cameraVertexNormals.assign(n, {});
    m.faceNormals.assign(f, {});
    m.cameraFaceNormals.assign(f, {});
    m.drawList.assign(f, 0);
}

void computeBounds(Mesh& m) {
    Point3f lo{5e8f, 5e8f, 5e8f}, hi{-5e8f, -5e8f, -5e8f};
    for (const Point3f& v : m.vertices) {
        lo.x = std::min(lo.x, v.x), lo.y = std::min(lo.y, v.y), lo.z = std::min(lo.z, v.z);
        hi.x = std::max(hi.x, v.x), hi.y = std::max(hi.y, v.y), hi.z = std::max(hi.z, v.z);
    }
    m.boxCorners = {{{lo.x, lo.y, lo.z},
                     {lo.x, hi.y, lo.z},
                     {lo.x, hi.y, hi.z},
                     {lo.x, lo.y, hi.z},
                     {hi.x, lo.y, lo.z},
                     {hi.x, hi.y, lo.z},
                     {hi.x, hi.y, hi.z},
                     {hi.x, lo.y, hi.z}}};
}

void computeCentre(Mesh& m) {
    if (m.vertices.empty()) return;
    Point3f c;
    for (const Point3f& v : m.vertices)
        c.x += v.x, c.y += v.y, c.z += v.z;
    const float n = static_cast<float>(m.vertices.size());
    c.x /= n, c.y /= n, c.z /= n;
    float r = 0;
    for (const Point3f& v : m.vertices) {
        const Point3f d = sub(v, c);
        r = std::max(r, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
    }
    m.centre = c;
    m.radius = r;
}

void recomputeFaceNormals(Mesh& m) {
    m.faceNormals.resize(m.faces.size());
    for (size_t i = 0; i < m.faces.size(); ++i) {
        MeshFace& f = m.faces[i];
        const Point3f &p = m.vertices[static_cast<size_t>(f.a)],
                      &q = m.vertices[static_cast<size_t>(f.b)],
                      &r = m.vertices[static_cast<size_t>(f.c)];
        m.faceNormals[i] = normalised(cross(sub(p, q), sub(p, r)));
        f.index = static_cast<int32_t>(i);
    }
}

void computeFaceNormals(Mesh& m) {
    recomputeFaceNormals(m);
}

void computeVertexNormals(Mesh& m) {
    if (m.faceNormals.size() != m.faces.size()) computeFaceNormals(m);
    m.vertexFaces.assign(m.vertices.size(), {});
    for (size_t i = 0; i < m.faces.size(); ++i)
        for (int32_t v : {m.faces[i].a, m.faces[i].b, m.faces[i].c}) {
            auto& list = m.vertexFaces[static_cast<size_t>(v)];
            // A face listing the same vertex twice is counted once; beyond 100 faces the rest
            // are left out, the record's design limit.
            if (list.size() < kMaxVertexFaces &&
                (list.empty() || list.back() != static_cast<int32_t>(i)))
                list.push_back(static_cast<int32_t>(i));
        }
    recomputeVertexNormals(m);
    for (Point3f& n : m.vertexNormals)
        n = normalised(n);
}

void recomputeVertexNormals(Mesh& m) {
    m.vertexNormals.resize(m.vertices.size());
    for (size_t v = 0; v < m.vertices.size() && v < m.vertexFaces.size(); ++v) {
        Point3f sum;
        for (int32_t f : m.vertexFaces[v]) {
            const Point3f& n = m.faceNormals[static_cast<size_t>(f)];
            sum.x += n.x, sum.y += n.y, sum.z += n.z;
        }
        const float count = static_cast<float>(m.vertexFaces[v].size());
        if (count > 0) sum.x /= count, sum.y /= count, sum.z /= count;
        m.vertexNormals[v] = sum;
    }
}

void buildEdges(Mesh& m) {
    m.edges.clear();
    m.edges.reserve(4 * m.faces.size());
    // Each edge once, in the order first met, whichever way round: a set of the pairs seen
    // keeps it linear in the faces.
    std::unordered_set<uint64_t> seen;
    seen.reserve(4 * m.faces.size());
    auto add = [&](int32_t a, int32_t b) {
        const auto lo = static_cast<uint32_t>(std::min(a, b)),
                   hi = static_cast<uint32_t>(std::max(a, b));
        if (seen.insert(static_cast<uint64_t>(lo) << 32 | hi).second) m.edges.push_back({a, b});
    };
    for (const MeshFace& f : m.faces) {
        add(f.a, f.b);
        add(f.b, f.c);
        add(f.a, f.c);
    }
}

void scaleVertices(Mesh& m, float sx, float sy, float sz) {
    for (Point3f& v : m.vertices)
        v.x *= sx, v.y *= sy, v.z *= sz;
}

void clearDepth(Scene3ds& scene, size_t count) {
    std::fill_n(scene.depthBuffer.begin(), std::min(count, scene.depthBuffer.size()), 0);
}

void buildCube(Mesh& m, float size) {
    const float h = size / 2;
    m.vertices.clear();
    for (int i = 0; i < 8; ++i)
        m.vertices.push_back({i & 4 ? h : -h, i & 2 ? h : -h, i & 1 ? h : -h});
    // Two triangles a side, wound as a loaded scene's faces are after the swap of Y and Z:
    // normals point inward, away from an eye outside, so culling keeps the sides facing it.
    static constexpr int kFaces[12][3] = {{0, 3, 1}, {0, 2, 3}, {4, 7, 6}, {4, 5, 7},
                                          {0, 5, 4}, {0, 1, 5}, {2, 7, 3}, {2, 6, 7},
                                          {0, 6, 2}, {0, 4, 6}, {1, 7, 5}, {1, 3, 7}};
    m.faces.clear();
    for (const auto& f : kFaces)
        m.faces.push_back({0, f[0], f[1], f[2], 0, 0.0f});
    finish(m);
}

void buildGrid(Mesh& m, int columns, int rows, float width, float depth) {
    m.vertices.clear();
    m.faces.clear();
    if (columns < 2 || rows < 2) return;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            m.vertices.push_back({-width / 2 + c * (width / static_cast<float>(columns)), 0.0f,
                                  -depth / 2 + r * (depth / static_cast<float>(rows))});
    // Four triangles a cell: each cell's two triangles on both sides, so the grid shows from
    // above and below.
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            const int a = r * columns + c, b = a + 1, d = a + columns, e = d + 1;
            m.faces.push_back({0, a, d, b, 0, 0.0f});
            m.faces.push_back({0, b, d, e, 0, 0.0f});
            m.faces.push_back({0, a, b, d, 0, 0.0f});
            m.faces.push_back({0, b, e, d, 0, 0.0f});
        }
    finish(m);
}

void buildSphere(Mesh& m, float radius, int rings, int segments) {
    m.vertices.clear();
    m.faces.clear();
    if (rings < 2 || segments < 3) return;
    constexpr float kPi = 3.14159265358979f;
    m.vertices.push_back({0, -radius, 0});
    for (int i = 1; i < rings; ++i) {
        const float theta = static_cast<float>(i) * kPi / static_cast<float>(rings);
        const float y = -radius * std::cos(theta), ring = -radius * std::sin(theta);
        for (int k = 0; k < segments; ++k) {
            const float phi = static_cast<float>(k) * 2 * kPi / static_cast<float>(segments);
            m.vertices.push_back({std::sin(phi) * ring, y, std::cos(phi) * ring});
        }
    }
    m.vertices.push_back({0, radius, 0});
    const int top = static_cast<int>(m.vertices.size()) - 1;
    auto at = [&](int ring, int k) { return 1 + (ring - 1) * segments + (k % segments); };
    // Wound like the cube: normals inward, so the outside is what culling keeps.
    for (int k = 0; k < segments; ++k)
        m.faces.push_back({0, 0, at(1, k), at(1, k + 1), 0, 0.0f});
    for (int i = 1; i + 1 < rings; ++i)
        for (int k = 0; k < segments; ++k) {
            m.faces.push_back({0, at(i, k), at(i + 1, k + 1), at(i, k + 1), 0, 0.0f});
            m.faces.push_back({0, at(i, k), at(i + 1, k), at(i + 1, k + 1), 0, 0.0f});
        }
    for (int k = 0; k < segments; ++k)
        m.faces.push_back({0, top, at(rings - 1, k + 1), at(rings - 1, k), 0, 0.0f});
    m.mapping.clear();
    for (size_t v = 0; v < m.vertices.size(); ++v) {
        const float u = static_cast<float>(platform::nextRandom() & 0xFF);
        const float w = static_cast<float>(platform::nextRandom() & 0xFF);
        m.mapping.push_back({u, w});
    }
    m.flags |= kHasMapping;
    finish(m);
}

} // namespace scene3d
