#pragma once
// The per-frame pass over a scene's meshes: lights into camera space, then the meshes the pass
// selects in two buckets, opaque first and then points, lines and translucent modes. What
// differs between scenes (which meshes, which bucket, what happens to a mesh before and instead
// of its drawing) are the pass's hooks.
#include <cstdint>
#include <functional>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace fx {

struct ScenePass {
    // Which meshes are drawn; by default drawnByDefault.
    std::function<bool(const scene3d::Mesh&)> select;
    // Which go to the second bucket; by default the mode's own trait.
    std::function<bool(const scene3d::Mesh&)> drawnLater;
    // Called on every selected mesh just before it goes into camera space.
    std::function<void(scene3d::Mesh&)> beforeMesh;
    // Draws a mesh already in camera space and projected; by default renderMesh.
    std::function<void(scene3d::Mesh&)> render;
    // The greys the shade-subtract modes take away; without them those modes draw nothing.
    const uint32_t* greyRamp = nullptr;
};

// Drawn by the scene, with faces, and in a texture mode only with mapping.
bool drawnByDefault(const scene3d::Mesh& m);

void drawScene(scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera,
               picture::Image32& target, const ScenePass& pass = {});

// The pieces of the animated machine's pass (parts 2 to 4): a mesh that hangs on a parent is
// always drawn, one without must have its box in view (transformBox done this frame);
bool drawnInView(const scene3d::Mesh& m, const scene3d::SceneCamera& camera);
// its parent's matrices, found among the meshes, then the dummies, by node id, multiplied in
// after its own (nothing when there is no such node).
void hangOnParent(const scene3d::Scene3ds& scene, scene3d::Mesh& m);

} // namespace fx
