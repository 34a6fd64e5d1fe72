// Any bytes through the 3DS reader and, when it takes them, the scene preparation that follows
// it in every part (bounds, normals, edges, cameras): refused or prepared, never out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene3d/scene3ds_reader.h"
#include "scene3d/scene_prep.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scene3d::Scene3ds scene;
    scene3d::LightCarry carry;
    std::string problem;
    if (!scene3d::parseScene3ds(data, size, scene, carry, problem)) return 0;
    // The edge list's search is quadratic in the faces: large scenes are read, not prepared,
    // so that each input takes milliseconds.
    size_t faces = 0;
    for (const auto& m : scene.meshes)
        faces += m->faces.size();
    if (faces <= 2000) scene3d::prepareLoadedScene(scene, {});
    return 0;
}
