#pragma once
// The work done once per scene after reading it: buffers, bounds, normals, edges, default
// render settings, headlight defaults, material binding and camera set-up.
#include <array>
#include <cstdint>
#include <string>

#include "scene3d/scene.h"

namespace scene3d {

// What differs from part to part.
struct ScenePreparation {
    bool camerasOnly = false;   // part 1: read the file and set up its cameras, nothing else
    bool bindMaterials = false; // parts 2 and 7
    bool perFaceData = false;   // parts 5 and 6: one faceData record per face
    bool zeroShade = false;     // part 6: those records' shade 0
    const std::array<uint32_t, 256>* shadeTable = nullptr; // part 2's
};

void prepareScene(Scene3ds& scene, const std::string& path, const ScenePreparation& how);
// The steps after reading the file, for a scene read already.
void prepareLoadedScene(Scene3ds& scene, const ScenePreparation& how);

// Binds each textured mesh to its material's picture from "texture/"; a picture that does not
// load becomes a 256 x 256 image of one random colour. A mesh whose material is not in the
// list loses its mapping, after a box.
void bindMaterials(Scene3ds& scene);

} // namespace scene3d
