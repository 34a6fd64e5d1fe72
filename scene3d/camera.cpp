#include "scene3d/camera.h"

#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace scene3d {

namespace {

constexpr float kDegrees = 0.017453293005625408f;

void apply(const Matrix4& m, const Point3f& in, Point3f& out) {
    transformPoint(m, out, in);
}

void turn(const Matrix4& m, const std::vector<Point3f>& in, std::vector<Point3f>& out) {
    out.resize(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const Point3f& p = in[i];
        out[i] = {m[0] * p.x + m[4] * p.y + m[8] * p.z, m[1] * p.x + m[5] * p.y + m[9] * p.z,
                  m[2] * p.x + m[6] * p.y + m[10] * p.z};
    }
}

} // namespace

float fovFromLens(float lens) {
    static constexpr float kLens[9] = {15, 20, 24, 28, 35, 50, 85, 135, 200};
    static constexpr float kFov[9] = {115, 94.285713f, 84, 76.363640f, 63, 46, 28, 18, 12};
    if (lens == 0.0f) lens = 0.00001f;
    for (int i = 0; i < 9; ++i)
        if (lens == kLens[i]) return kFov[i];
    return 15.0f / lens * 160.0f;
}

void setupCameraFromLens(SceneCamera& c, float width, float height) {
    c.viewWidth = width, c.viewHeight = height;
    c.fov = fovFromLens(c.lens);
    refreshCamera(c);
}

void setupCamera(SceneCamera& c, float eyeX, float eyeY, float eyeZ, float fov, float width,
                 float height) {
    c.eye = {eyeX, eyeY, eyeZ};
    c.fov = fov, c.viewWidth = width, c.viewHeight = height;
    c.lightStart = 400, c.lightEnd = 800, c.lightHotspot = 40, c.lightFalloff = 60, c.spotMode = 0;
    refreshCamera(c);
}

void refreshCamera(SceneCamera& c) {
    updateProjection(c);
    buildFrustum(c);
    updateViewAngles(c);
    buildViewRotation(c);
}

void updateProjection(SceneCamera& c) {
    const float h = c.fov / 2 * kDegrees;
    c.scaleX = (c.viewWidth / 2) / std::tan(h);
    c.scaleY = c.viewHeight / std::tan(h);
}

void buildFrustum(SceneCamera& c) {
    const float ax = std::atan2(c.viewWidth / 2, c.scaleX) - 0.0001f;
    const float ay = std::atan2(c.viewHeight / 2, c.scaleY) - 0.0001f;
    c.planes = {{{std::cos(ax), 0, std::sin(ax), 0},
                 {-std::cos(ax), 0, std::sin(ax), 0},
                 {0, std::cos(ay), std::sin(ay), 0},
                 {0, -std::cos(ay), std::sin(ay), 0},
                 {0, 0, 1, 0},
                 {0, 0, -1, 12000}}};
}

void updateViewAngles(SceneCamera& c) {
    const float dx = c.eye.x - c.target.x, dy = c.eye.y - c.target.y, dz = c.eye.z - c.target.z;
    // The quadrant rules below hold for dx of either sign of zero only if a zero dx counts as
    // -0 (a straight view along z would otherwise face away); an eye right above or below
    // the target has no direction on the ground and keeps a = 0.
    const float a = dx == 0.0f ? (dz == 0.0f ? 0.0f : std::atan(dz / -0.0f)) : std::atan(dz / dx);
    if (dz >= 0)
        c.yaw = dx > 0 ? a - 4.712389f : a - 1.5707964f;
    else
        c.yaw = dx > 0 ? a - 10.995575f : a - 7.853982f;
    c.pitch = -std::atan(dy / std::sqrt(dx * dx + dz * dz));
    c.roll = c.bank;
}

void buildViewRotation(SceneCamera& c) {
    setIdentity(c.viewMatrix);
    rotateEuler(c.viewMatrix, c.pitch, c.yaw, c.roll);
}

void buildViewMatrix(SceneCamera& c) {
    Matrix4 move, out;
    setIdentity(move);
    translateMatrix(move, -c.eye.x, -c.eye.y, -c.eye.z);
    multiplyMatrices(out, move, c.viewMatrix);
    c.viewMatrix = out;
}

void beginCameraStep(SceneCamera& c) {
    transformPoint(c.viewMatrix, c.eyeView, c.eye);
    transformPoint(c.viewMatrix, c.targetView, c.target);
    Point3f d{c.targetView.x - c.eyeView.x, c.targetView.y - c.eyeView.y,
              c.targetView.z - c.eyeView.z};
    const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (len != 0.0f) d.x /= len, d.y /= len, d.z /= len;
    c.viewDirection = d;
    buildFrustum(c);
}

void finishCameraStep(SceneCamera& c) {
    updateViewAngles(c);
    buildViewRotation(c);
    c.viewRotation = c.viewMatrix;
    buildViewMatrix(c);
}

void placeMesh(Mesh& m) {
    setIdentity(m.worldMatrix);
    rotateEuler(m.worldMatrix, m.angles[0], m.angles[1], m.angles[2]);
    m.rotationMatrix = m.worldMatrix;
    translateMatrix(m.worldMatrix, m.position.x, m.position.y, m.position.z);
    scaleMatrix(m.worldMatrix, m.scale[0], m.scale[1], m.scale[2]);
}

void toCameraSpace(Mesh& m, const SceneCamera& c) {
    if (m.flags & kPartPlacement) {
        // translation . rotation(angles) . world . scale; kept, so a second call turns further.
        Matrix4 turnBy, out;
        setIdentity(turnBy);
        rotateEuler(turnBy, m.angles[0], m.angles[1], m.angles[2]);
        multiplyMatrices(out, m.worldMatrix, turnBy);
        scaleMatrix(out, m.scale[0], m.scale[1], m.scale[2]);
        translateMatrix(out, m.position.x, m.position.y, m.position.z);
        m.worldMatrix = out;
    }
    Matrix4 k;
    multiplyMatrices(k, m.worldMatrix, c.viewMatrix);
    m.cameraVertices.resize(m.vertices.size());
    for (size_t i = 0; i < m.vertices.size(); ++i)
        apply(k, m.vertices[i], m.cameraVertices[i]);
}

void turnFaceNormals(Mesh& m) {
    turn(m.rotationMatrix, m.faceNormals, m.cameraFaceNormals);
}
void turnVertexNormals(Mesh& m) {
    turn(m.rotationMatrix, m.vertexNormals, m.cameraVertexNormals);
}

void projectVertices(Point3f* points, ProjectedVertex* projected, size_t count,
                     const SceneCamera& c) {
    const float cx = c.viewWidth / 2, cy = c.viewHeight / 2;
    for (size_t i = 0; i < count; ++i) {
        Point3f& p = points[i];
        bool off = p.z < 1;
        if (std::fabs(p.z) < 1) p.z = 1;
        const float invZ = 1 / p.z;
        const float x = cx + c.scaleX * p.x * invZ, y = cy - c.scaleY * p.y * invZ;
        off = off || x < 1 || x >= c.viewWidth || y < 1 || y >= c.viewHeight;
        projected[i] = {x, y, invZ, off ? 1 : 0};
    }
}

void projectPoint(ProjectedVertex& out, Point3f& p, const SceneCamera& c) {
    bool off = p.z < 1;
    if (p.z == 0) p.z = 0.0000001f;
    const float invZ = 1 / p.z;
    const float x = c.viewWidth / 2 + c.scaleX * p.x * invZ,
                y = c.viewHeight / 2 - c.scaleY * p.y * invZ;
    off = off || x < 1 || x >= c.viewWidth || y < 1 || y >= c.viewHeight;
    out = {x, y, invZ, off ? 1 : 0};
}

void transformBox(Mesh& m, const SceneCamera& c) {
    Matrix4 k;
    multiplyMatrices(k, m.worldMatrix, c.viewMatrix);
    for (size_t i = 0; i < 8; ++i)
        apply(k, m.boxCorners[i], m.cameraBoxCorners[i]);
}

bool boxVisible(const Mesh& m, const SceneCamera& c) {
    for (int plane : {4, 0, 1, 2, 3}) {
        const Plane& p = c.planes[static_cast<size_t>(plane)];
        bool allOutside = true;
        for (const Point3f& k : m.cameraBoxCorners)
            if (p.nx * k.x + p.ny * k.y + p.nz * k.z + p.d > 0) {
                allOutside = false;
                break;
            }
        if (allOutside) return false;
    }
    return true;
}

namespace {

void quicksortByKey(int32_t* list, const MeshFace* faces, ptrdiff_t lo, ptrdiff_t hi) {
    while (lo < hi) {
        const float pivot = faces[list[(lo + hi) / 2]].depthKey;
        ptrdiff_t i = lo, j = hi;
        while (i <= j) {
            while (faces[list[i]].depthKey > pivot)
                ++i;
            while (faces[list[j]].depthKey < pivot)
                --j;
            if (i <= j) std::swap(list[i++], list[j--]);
        }
        // The smaller side first keeps the recursion shallow.
        if (j - lo < hi - i) {
            quicksortByKey(list, faces, lo, j);
            lo = i;
        } else {
            quicksortByKey(list, faces, i, hi);
            hi = j;
        }
    }
}

// Keys with no two equal (and no NaN) have one order farthest first, whatever sorts them: a
// radix sort finds it without the quicksort's mispredicted comparisons. Returns false, leaving
// the list as it was, when two keys are equal or one is NaN: the quicksort's order of equal
// keys is the one the pictures were made with.
bool sortDistinctKeys(int32_t* list, const MeshFace* faces, size_t count) {
    struct Keyed {
        uint32_t key;
        int32_t face;
    };
    static std::vector<Keyed> from, to;
    from.resize(count), to.resize(count);
    std::array<std::array<uint32_t, 256>, 4> histogram{};
    for (size_t i = 0; i < count; ++i) {
        const float k = faces[list[i]].depthKey;
        if (std::isnan(k)) return false;
        uint32_t bits;
        std::memcpy(&bits, &k, 4);
        // Ascending in the unsigned order for descending floats.
        const uint32_t key = ~(bits & 0x80000000u ? ~bits : bits | 0x80000000u);
        from[i] = {key, list[i]};
        for (size_t d = 0; d < 4; ++d)
            ++histogram[d][(key >> (8 * d)) & 0xFF];
    }
    for (size_t d = 0; d < 4; ++d) {
        uint32_t sum = 0;
        for (uint32_t& h : histogram[d]) {
            const uint32_t n = h;
            h = sum, sum += n;
        }
        for (const Keyed& k : from)
            to[histogram[d][(k.key >> (8 * d)) & 0xFF]++] = k;
        std::swap(from, to);
    }
    for (size_t i = 1; i < count; ++i)
        if (faces[from[i].face].depthKey == faces[from[i - 1].face].depthKey) return false;
    for (size_t i = 0; i < count; ++i)
        list[i] = from[i].face;
    return true;
}

} // namespace

void sortFacesByDepth(int32_t* drawList, MeshFace* faces, const Point3f* v, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        MeshFace& f = faces[drawList[i]];
        f.depthKey = (v[f.a].z + v[f.b].z + v[f.c].z) * 0.33333334f;
    }
    if (count > 1 && !sortDistinctKeys(drawList, faces, count))
        quicksortByKey(drawList, faces, 0, static_cast<ptrdiff_t>(count) - 1);
}

void updateMesh(Mesh& m, float t) {
    float position[3] = {0, 0, 0}, scale[3] = {1, 1, 1}, q[4] = {0, 0, 0, 0};
    sampleTrack(m.tracks, kPositionTrack, t, position);
    sampleTrack(m.tracks, kScaleTrack, t, scale);
    sampleTrack(m.tracks, kRotationTrack, t, q);
    m.position = {position[0], position[1], position[2]};
    m.scale = {scale[0], scale[1], scale[2]};
    setIdentity(m.worldMatrix);
    quaternionToMatrix({q[0], q[1], q[2], q[3]}, m.worldMatrix);
    normaliseRows(m.worldMatrix);
    m.rotationMatrix = m.worldMatrix;
    if (m.flags & kPartPlacement) return; // the part adds its angles, scale and position
    scaleMatrix(m.worldMatrix, scale[0], scale[1], scale[2]);
    translateMatrix(m.worldMatrix, position[0], position[1], position[2]);
}

void updateScene(Scene3ds& scene, float t) {
    for (auto& m : scene.meshes)
        updateMesh(*m, t);
    auto at = [&](const TrackSet& set, Point3f& out) {
        float p[3] = {0, 0, 0};
        sampleTrack(set, kPositionTrack, t, p);
        out = {p[0], p[1], p[2]};
    };
    for (auto& l : scene.lights) {
        at(l->positionTracks, l->position);
        if (l->spot) at(l->targetTracks, l->target);
    }
    for (auto& c : scene.cameras) {
        at(c->positionTracks, c->eye);
        float roll = 0, fov = 0;
        sampleTrack(c->positionTracks, kRollTrack, t, &roll);
        sampleTrack(c->positionTracks, kFovTrack, t, &fov);
        c->bank = roll * 0.017453292f;
        c->fov = fov;
        at(c->targetTracks, c->target);
    }
    for (auto& d : scene.dummies)
        updateMesh(*d, t);
}

} // namespace scene3d
