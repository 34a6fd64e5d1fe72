#include "raster/scene_draw.h"

#include <cmath>

#include "raster/render.h"
#include "scene3d/camera.h"

namespace raster {

using namespace scene3d;

namespace {

constexpr size_t kMaxMeshLights = 100;

Point3f unit(const Point3f& from, const Point3f& to) {
    Point3f d{to.x - from.x, to.y - from.y, to.z - from.z};
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (length > 0) d.x /= length, d.y /= length, d.z /= length;
    return d;
}

} // namespace

void placeLights(Scene3ds& scene, const SceneCamera& camera) {
    for (auto& l : scene.lights) {
        transformPoint(camera.viewMatrix, l->cameraPosition, l->position);
        if (l->spot) {
            transformPoint(camera.viewMatrix, l->cameraTarget, l->target);
            l->cameraSpotAxis = unit(l->cameraPosition, l->cameraTarget);
        }
    }
}

void prepareMesh(Mesh& mesh, const std::vector<SceneLight*>& lights, const SceneCamera& camera) {
    toCameraSpace(mesh, camera);
    rotateEuler(mesh.rotationMatrix, camera.pitch, camera.yaw, camera.roll);
    turnVertexNormals(mesh);
    turnFaceNormals(mesh);
    Matrix4 k;
    multiplyMatrices(k, mesh.worldMatrix, camera.viewMatrix);
    transformPoint(k, mesh.lightVector, mesh.centre);
    mesh.meshLights.clear();
    for (SceneLight* l : lights) {
        if (mesh.meshLights.size() >= kMaxMeshLights) break;
        l->towardLight = unit(mesh.lightVector, l->cameraPosition);
        mesh.meshLights.push_back(l);
    }
    mesh.projected.resize(mesh.cameraVertices.size());
    projectVertices(mesh.cameraVertices.data(), mesh.projected.data(), mesh.cameraVertices.size(),
                    camera);
}

void drawMeshWithLights(Mesh& mesh, const std::vector<SceneLight*>& lights,
                        const SceneCamera& camera, picture::Image32& target,
                        const uint32_t* greyRamp) {
    prepareMesh(mesh, lights, camera);
    renderMesh(mesh, camera, target, greyRamp);
}

void drawMeshInScene(Mesh& mesh, Scene3ds& scene, const SceneCamera& camera,
                     picture::Image32& target, const uint32_t* greyRamp) {
    std::vector<SceneLight*> lights;
    lights.reserve(scene.lights.size());
    for (auto& l : scene.lights)
        lights.push_back(l.get());
    drawMeshWithLights(mesh, lights, camera, target, greyRamp);
}

} // namespace raster
