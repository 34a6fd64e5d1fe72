#pragma once
// Flares: a glow sprite added at a point in the scene, scaled with its distance and hidden
// behind nearer surfaces by the scene's depth buffer.
#include <cstdint>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace fx {

// The flare centred on the projection of a camera-space point at z > 1, `copies` times on
// top of each other, depth-tested; nothing for points at or behind z = 1.
void drawFlare(picture::Image32& target, const picture::Image32& flare,
               scene3d::Point3f cameraPoint, const scene3d::SceneCamera& camera, float scale,
               const int32_t* depth, int copies = 1);

// The scale of a flare that keeps its size up to distance d and grows linearly beyond it.
inline float flareScale(float z, float d) {
    return z >= d ? (z - d) / d + 1 : 1;
}

// A flare at every light of the scene in front of the camera (its cameraPosition must be
// current), and one more at a spot light's target; scale flareScale(z, 100 x factor).
void drawLightFlares(picture::Image32& target, const picture::Image32& flare,
                     const scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera,
                     const int32_t* depth);

} // namespace fx
