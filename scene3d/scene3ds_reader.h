#pragma once
// The 3DS reader: the chunks the production uses, Z-up file coordinates turned Y up.
#include <cstdint>
#include <string>

#include "scene3d/scene.h"

namespace scene3d {

// The light values the reader carries from light to light, across files too: a light without
// a colour or range chunk takes the previous light's.
struct LightCarry {
    float red = 0, green = 0, blue = 0;
    float innerRange = 0, outerRange = 0, multiplier = 0;
};
LightCarry& loaderLightCarry();

// Reads a file's bytes into scene. False, with what is wrong, when the file does not begin
// with the main chunk, a chunk runs past its parent or the file, a count does not fit its
// chunk, a face names a vertex that its mesh's final vertex list does not hold, a string has
// no terminator, or a track's keys run past their chunk.
bool parseScene3ds(const uint8_t* data, size_t size, Scene3ds& scene, LightCarry& carry,
                   std::string& problem);

// Loads path into scene; a missing or refused file shows a box captioned with the path and
// ends the program with exit code 1.
void loadScene3ds(const std::string& path, Scene3ds& scene);

} // namespace scene3d
