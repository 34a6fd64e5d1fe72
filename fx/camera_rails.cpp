#include "fx/camera_rails.h"

#include <cmath>

#include "draw2d/draw2d.h"
#include "fx/splines.h"
#include "raster/render.h"
#include "scene3d/camera.h"

namespace fx {

using namespace scene3d;

namespace {

Point3f keyPoint(const TrackKey& k) {
    return {k.value[0], k.value[1], k.value[2]};
}

float since(uint32_t now, uint32_t then) {
    return static_cast<float>(static_cast<int32_t>(now - then));
}

} // namespace

void buildCameraRail(const Track& track, CameraRail& rail) {
    rail.vertices.clear();
    rail.vertexCount = -1;
    const size_t n = track.keys.size();
    if (n < 2) return;
    const int e = track.keys[1].frame - track.keys[0].frame;
    if (e <= 0) return;
    std::vector<Point3f> k(n + 2);
    for (size_t i = 0; i + 1 < n; ++i)
        k[i] = keyPoint(track.keys[i]);
    k[n - 1] = k[0];
    k[n] = k[1], k[n + 1] = k[2];
    rail.vertices.reserve((n - 1) * static_cast<size_t>(e));
    for (size_t s = 0; s + 1 < n; ++s)
        for (int i = 0; i < e; ++i)
            rail.vertices.push_back(catmullRomPoint(k[s], k[s + 1], k[s + 2], k[s + 3],
                                                    static_cast<float>(i) / static_cast<float>(e)));
    rail.vertexCount = static_cast<int32_t>(rail.vertices.size()) - 1;
    rail.cameraVertices.resize(rail.vertices.size());
    rail.projected.resize(rail.vertices.size());
}

float wrapRailIndex(float index, int32_t count) {
    if (count <= 0 || !(index > 0)) return 0;
    const float c = static_cast<float>(count);
    if (index >= c) index = std::fmod(index, c);
    return index < c ? index : 0;
}

void startRails(RailMotion& m, float offset, uint32_t now) {
    m.startTick = now;
    m.offset = offset;
    m.boost = 0;
    m.kicking = false;
}

void kickRails(RailMotion& m, uint32_t now) {
    m.kickTick = now;
    m.kicking = true;
}

void advanceRails(RailMotion& m, const RailPace& pace, uint32_t now, float fps) {
    if (!m.kicking) return;
    const float ms = since(now, m.kickTick);
    if (ms >= 350 || ms < 0) {
        m.kicking = false;
        return;
    }
    const float k = pace.kickStrength * (1 - 0.002857142857142857f * ms);
    m.boost += k / (fps * pace.kickFrameRate);
}

RailPoint railPoint(const RailMotion& m, const RailPace& pace, const CameraRail& eyeRail,
                    const CameraRail& targetRail, uint32_t now) {
    RailPoint r;
    const int32_t a = eyeRail.vertexCount, b = targetRail.vertexCount;
    const float ms = std::max(0.0f, since(now, m.startTick));
    const float A = static_cast<float>(a), B = static_cast<float>(b);
    if (a > 0) {
        r.eyeIndex = wrapRailIndex(m.offset + m.boost + A * pace.speed * ms, a);
        r.eye = eyeRail.vertices[static_cast<size_t>(r.eyeIndex)];
    }
    if (a > 0 && b > 0) {
        r.targetIndex = wrapRailIndex(B / A * (m.offset + m.boost) + B * pace.speed * ms, b);
        r.target = targetRail.vertices[static_cast<size_t>(r.targetIndex)];
    }
    return r;
}

void stepRailCamera(SceneCamera& camera, float viewFactor, const Point3f& eye,
                    const Point3f& target) {
    camera.scaleX = camera.scaleY = viewFactor;
    beginCameraStep(camera);
    camera.eye = eye, camera.target = target;
    finishCameraStep(camera);
}

void drawRailFlares(RailFlares& f, CameraRail& rail, const SceneCamera& camera,
                    picture::Image32& flare, picture::Image32& target, int every, float stepP,
                    float stepQ) {
    f.p += stepP, f.q += stepQ;
    if (rail.vertexCount <= 0 || every <= 0 || flare.width <= 0) return;
    const size_t n = static_cast<size_t>(rail.vertexCount);
    for (size_t i = 0; i < n; ++i)
        transformPoint(camera.viewMatrix, rail.cameraVertices[i], rail.vertices[i]);
    projectVertices(rail.cameraVertices.data(), rail.projected.data(), n, camera);
    for (size_t i = 0; i < n; i += static_cast<size_t>(every)) {
        f.p += 0.13659099f, f.q += 0.24166098f;
        const ProjectedVertex& v = rail.projected[i];
        if (v.offScreen) continue;
        flare.x = static_cast<int32_t>(v.x), flare.y = static_cast<int32_t>(v.y);
        draw2d::drawTransAddZoomClip(flare, target, 3.6f * std::cos(f.p) + 4,
                                     3.6f * std::cos(f.q) + 4);
    }
}

void WanderingLight::step() {
    a += 0.10471976f, b += 0.09239978f, c += 0.04619989f;
    position = {400 * std::cos(a), 300 * std::cos(b), 400 * std::cos(c) - 400};
}

void drawUnderLight(Mesh& mesh, WanderingLight& light, const SceneCamera& camera,
                    picture::Image32& target) {
    if (mesh.vertices.empty() || mesh.faces.empty()) return;
    Point3f l, centre, world;
    transformPoint(camera.viewMatrix, l, light.position);
    transformPoint(mesh.worldMatrix, world, mesh.centre);
    transformPoint(camera.viewMatrix, centre, world);
    // From the light to the mesh: the faces the rasterizer shows have normals turned away
    // from the viewer, so those that face the light meet this direction.
    Point3f d{centre.x - l.x, centre.y - l.y, centre.z - l.z};
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (length > 0) d.x /= length, d.y /= length, d.z /= length;
    light.record.cameraPosition = l;
    light.record.towardLight = d;
    mesh.meshLights.assign(1, &light.record);

    mesh.angles = {0, 0, 0};
    mesh.constantColour = 255;
    toCameraSpace(mesh, camera);
    rotateEuler(mesh.rotationMatrix, camera.pitch, camera.yaw, camera.roll);
    turnFaceNormals(mesh);
    mesh.flags |= kHeadlight;
    mesh.projected.resize(mesh.cameraVertices.size());
    projectVertices(mesh.cameraVertices.data(), mesh.projected.data(), mesh.cameraVertices.size(),
                    camera);
    raster::renderMesh(mesh, camera, target);
}

} // namespace fx
