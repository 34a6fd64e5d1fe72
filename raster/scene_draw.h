#pragma once
// The per-frame scene pass the parts share: lights into camera space, then each mesh into
// camera space with its normals, its lights and its projection, and drawn by its mode.
#include <cstdint>
#include <vector>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace raster {

// The texture-mapped modes (skipped on meshes without mapping), and the modes a scene draws
// after the others: points, lines and every translucent mode.
bool isTextureMode(int32_t mode);
bool drawnAfterOpaque(int32_t mode);

// Every light's cameraPosition (and a spot's cameraTarget and unit cameraSpotAxis).
void placeLights(scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera);

// One mesh: camera space, normals turned by the camera's angles too, lightVector, the scene's
// lights with their towardLight, projection; then renderMesh.
void drawMeshInScene(scene3d::Mesh& mesh, scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera, picture::Image32& target);

// As drawMeshInScene with the given lights (towardLight filled for each) instead of the scene's.
void drawMeshWithLights(scene3d::Mesh& mesh, const std::vector<scene3d::SceneLight*>& lights, const scene3d::SceneCamera& camera,
                        picture::Image32& target);

// Every mesh drawn by the scene: opaque modes first, then points, lines and translucent modes;
// texture modes on meshes without mapping are skipped.
void drawScene(scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera, picture::Image32& target);

} // namespace raster
