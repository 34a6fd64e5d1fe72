#pragma once
// The per-frame pass over a scene's meshes: lights into camera space, then the meshes the pass
// selects in two buckets, opaque first and then points, lines and translucent modes. What
// differs between scenes (which meshes, what happens to a mesh just before it is drawn) are
// the pass's hooks.
#include <cstdint>
#include <functional>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace fx {

struct ScenePass {
    // Which meshes are drawn; by default those the scene draws, with faces, and texture modes
    // only on meshes with mapping.
    std::function<bool(const scene3d::Mesh&)> select;
    // Called on every selected mesh just before it goes into camera space and is drawn.
    std::function<void(scene3d::Mesh&)> beforeMesh;
    // The greys the shade-subtract modes take away; without them those modes draw nothing.
    const uint32_t* greyRamp = nullptr;
};

bool drawnByDefault(const scene3d::Mesh& m);

void drawScene(scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera, picture::Image32& target, const ScenePass& pass = {});

} // namespace fx
