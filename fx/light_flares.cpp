#include "fx/light_flares.h"

#include "draw2d/draw2d.h"
#include "raster/fixed.h"
#include "scene3d/camera.h"

namespace fx {

void drawFlare(picture::Image32& target, const picture::Image32& flare, scene3d::Point3f c,
               const scene3d::SceneCamera& camera, float scale, const int32_t* depth, int copies) {
    if (!(c.z > 1) || !depth) return;
    scene3d::ProjectedVertex v;
    scene3d::projectPoint(v, c, camera);
    const int32_t key = raster::depthKey(v.invZ);
    for (int i = 0; i < copies; ++i)
        draw2d::spriteBilAddDepth(target, flare, v.x, v.y, scale, scale, key, depth);
}

void drawLightFlares(picture::Image32& target, const picture::Image32& flare,
                     const scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera,
                     const int32_t* depth) {
    const float d = 100 * scene.factor;
    for (const auto& l : scene.lights) {
        drawFlare(target, flare, l->cameraPosition, camera, flareScale(l->cameraPosition.z, d),
                  depth);
        if (l->spot)
            drawFlare(target, flare, l->cameraTarget, camera, flareScale(l->cameraTarget.z, d),
                      depth);
    }
}

} // namespace fx
