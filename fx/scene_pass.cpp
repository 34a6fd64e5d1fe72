#include "fx/scene_pass.h"

#include <vector>

#include "raster/render.h"
#include "raster/render_modes.h"
#include "raster/scene_draw.h"
#include "scene3d/camera.h"

namespace fx {

using namespace scene3d;

namespace {
constexpr int32_t kNoParent = 65535;
}

bool drawnByDefault(const Mesh& m) {
    if ((m.flags & (kDrawnByScene | kHasFaces)) != (kDrawnByScene | kHasFaces)) return false;
    return !raster::isTextureMode(m.renderMode) || (m.flags & kHasMapping);
}

void drawScene(Scene3ds& scene, const SceneCamera& camera, picture::Image32& target,
               const ScenePass& pass) {
    raster::placeLights(scene, camera);
    std::vector<SceneLight*> lights;
    lights.reserve(scene.lights.size());
    for (auto& l : scene.lights)
        lights.push_back(l.get());
    for (int bucket = 0; bucket < 2; ++bucket)
        for (auto& m : scene.meshes) {
            if (!(pass.select ? pass.select(*m) : drawnByDefault(*m))) continue;
            const bool later =
                pass.drawnLater ? pass.drawnLater(*m) : raster::drawnAfterOpaque(m->renderMode);
            if (later != (bucket == 1)) continue;
            if (pass.beforeMesh) pass.beforeMesh(*m);
            raster::prepareMesh(*m, lights, camera);
            if (pass.render)
                pass.render(*m);
            else
                raster::renderMesh(*m, camera, target, pass.greyRamp);
        }
}

bool drawnInView(const Mesh& m, const SceneCamera& camera) {
    return m.parentId != kNoParent || boxVisible(m, camera);
}

void hangOnParent(const Scene3ds& scene, Mesh& m) {
    if (m.parentId == kNoParent) return;
    const Mesh* parent = nullptr;
    for (const auto& p : scene.meshes)
        if (p->nodeId == m.parentId) parent = p.get();
    if (!parent)
        for (const auto& d : scene.dummies)
            if (!parent && d->nodeId == m.parentId) parent = d.get();
    if (!parent) return;
    Matrix4 world, turn;
    multiplyMatrices(world, m.worldMatrix, parent->worldMatrix);
    multiplyMatrices(turn, m.rotationMatrix, parent->rotationMatrix);
    m.worldMatrix = world, m.rotationMatrix = turn;
}

} // namespace fx
