#include "fx/scene_pass.h"

#include "raster/render_modes.h"
#include "raster/scene_draw.h"

namespace fx {

using namespace scene3d;

bool drawnByDefault(const Mesh& m) {
    if ((m.flags & (kDrawnByScene | kHasFaces)) != (kDrawnByScene | kHasFaces)) return false;
    return !raster::isTextureMode(m.renderMode) || (m.flags & kHasMapping);
}

void drawScene(Scene3ds& scene, const SceneCamera& camera, picture::Image32& target, const ScenePass& pass) {
    raster::placeLights(scene, camera);
    for (int bucket = 0; bucket < 2; ++bucket)
        for (auto& m : scene.meshes) {
            if (!(pass.select ? pass.select(*m) : drawnByDefault(*m))) continue;
            if (raster::drawnAfterOpaque(m->renderMode) != (bucket == 1)) continue;
            if (pass.beforeMesh) pass.beforeMesh(*m);
            raster::drawMeshInScene(*m, scene, camera, target, pass.greyRamp);
        }
}

} // namespace fx
