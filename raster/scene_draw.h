#pragma once
// A scene's meshes drawn one by one: lights into camera space, then each mesh into camera
// space with its normals, its lights and its projection, and drawn by its mode.
#include <cstdint>
#include <vector>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace raster {

// Every light's cameraPosition (and a spot's cameraTarget and unit cameraSpotAxis).
void placeLights(scene3d::Scene3ds& scene, const scene3d::SceneCamera& camera);

// One mesh: camera space, normals turned by the camera's angles too, lightVector, the scene's
// lights with their towardLight, projection; then renderMesh.
void drawMeshInScene(scene3d::Mesh& mesh, scene3d::Scene3ds& scene,
                     const scene3d::SceneCamera& camera, picture::Image32& target,
                     const uint32_t* greyRamp = nullptr);

// Everything drawMeshWithLights does before renderMesh: camera space, turned normals,
// lightVector, the lights with their towardLight, projection.
void prepareMesh(scene3d::Mesh& mesh, const std::vector<scene3d::SceneLight*>& lights,
                 const scene3d::SceneCamera& camera);

// As drawMeshInScene with the given lights (towardLight filled for each) instead of the scene's.
void drawMeshWithLights(scene3d::Mesh& mesh, const std::vector<scene3d::SceneLight*>& lights,
                        const scene3d::SceneCamera& camera, picture::Image32& target,
                        const uint32_t* greyRamp = nullptr);

} // namespace raster
