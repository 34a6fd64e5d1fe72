#pragma once
// What the data of the two rail scenes share: shapes, noise for the photographs, the glow
// colour tables and the 8-bit flare.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"

namespace datagen {

class Production;

constexpr double kRailPi = 3.14159265358979;

// A world point (Y up, as the production reads it) in the file's coordinates (Z up).
inline writers::Vec3 fileAxes(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(z), static_cast<float>(y)};
}

// A well-mixed 32-bit value for a lattice point.
uint32_t latticeHash(int x, int y, uint32_t seed);
// Value noise in 0 .. 1 on a lattice of unit cells, and its sum over octaves.
double valueNoise(double x, double y, uint32_t seed);
double fractalNoise(double x, double y, uint32_t seed, int octaves);

uint32_t packRgb(double r, double g, double b);

// A flare colour table: index = brightness, tinted by the colour, white-hot at the top.
writers::Palette256 glowPalette(double r, double g, double b);
// From a dim floor through the colour to nearly white: the light levels of an opaque
// shaded surface, whose faces turned from the light still show.
writers::Palette256 shadeRamp(double r, double g, double b);

// A node with one key for position, rotation and scale.
writers::Node3ds objectNode(uint16_t id, const std::string& name, writers::Vec3 position);

// A camera and its target node whose position keys are `eye` and `target` (world points),
// one every `spacing` frames from frame 0.
void addCameraFlight(writers::Scene3dsFile& s, const std::string& name, uint16_t firstId,
                     const std::vector<std::array<double, 3>>& eye,
                     const std::vector<std::array<double, 3>>& target, uint32_t spacing);

} // namespace datagen
