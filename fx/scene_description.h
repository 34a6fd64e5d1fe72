#pragma once
// The text file beside a 3DS scene that says how to draw it: per mesh its render mode, line
// colour, texture, palette, light levels and flag switches; the scene's factor; per camera
// its headlight cone.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/resource_lists.h"
#include "scene3d/scene.h"

namespace fx {

struct MeshDescription {
    std::string mode; // render-mode name
    int32_t colour = 0;
    std::string texture; // "noOne": keep what preparation bound
    std::string palette; // "noOne": keep
    int32_t ambient = 0, diffuse = 0;
    std::array<int32_t, 4> switches{}; // bits 0x2, 0x1, 0x20, 0x40 from their lowest bits
};

struct CameraDescription {
    float lightStart = 0, lightEnd = 0, lightHotspot = 0, lightFalloff = 0;
    int32_t spotMode = 0, spotSide = 0;
};

struct SceneDescription {
    std::vector<MeshDescription> meshes;
    float factor = 1;
    std::vector<CameraDescription> cameras;
};

// Parses the file's text for a scene of so many meshes and cameras. False, with the 1-based
// line and what is wrong there, when a line the scene needs is missing or does not parse.
bool parseSceneDescription(const std::string& text, size_t meshCount, size_t cameraCount,
                           SceneDescription& out, int& badLine, std::string& problem);

// Sets what the description gives; textures and palettes through the lists, so each file is
// loaded once however many meshes name it.
void applySceneDescription(const SceneDescription& d, scene3d::Scene3ds& scene,
                           picture::ResourceLists& lists);

// Reads and applies the file. A file that cannot be opened shows "Can't open file <path> !";
// one that is short or malformed a box naming the file and the line; an unknown mode name
// "mode not found": each ends the program with exit code -1.
void readSceneDescription(const std::string& path, scene3d::Scene3ds& scene,
                          picture::ResourceLists& lists);

} // namespace fx
