#pragma once
// Light values in camera space, once per face or once per vertex per frame: a face's lit
// palette colour, the per-vertex Gouraud levels and shade-subtract values, and the simple
// directional level of the two part-driven flat modes. Single precision throughout.
#include <cstdint>
#include <span>

#include "scene3d/scene.h"

namespace raster {

using scene3d::Mesh;
using scene3d::Point3f;
using scene3d::SceneCamera;
using scene3d::SceneLight;

// One light as the contribution rule sees it: a scene light, or the camera's headlight at the
// eye (which alone can have the spot-side mode).
struct LightSource {
    Point3f position, axis;
    bool spot = false, spotSide = false;
    float hotspot = 0, falloff = 0; // degrees
    float inner = 0, outer = 0;
};
LightSource sceneLightSource(const SceneLight& light);
LightSource headlightSource(const SceneCamera& camera);

// What light l adds at point p with unit normal n, for the light multiplier k.
float contribution(const LightSource& l, const Point3f& p, const Point3f& n, float k);

// Truncated toward zero, kept inside the int32 range (and 0 for NaN).
int32_t truncToInt(float v);

enum class LightFrom { FirstVertex, ObjectCentre };

// shadeTable[min(I, 255)] for the face's integer intensity I.
uint32_t faceColour(const Mesh& mesh, const SceneCamera& camera, const scene3d::MeshFace& face,
                    bool headlight, LightFrom from);

// faceColour() of each face the list names (indices into mesh.faces), four at a time.
void faceColours(const Mesh& mesh, const SceneCamera& camera, std::span<const int32_t> list,
                 bool headlight, LightFrom from, uint32_t* out);

enum class ShadeKind { GouraudLevel, ShadeSubtract };
// The shade float of every vertex's record: A plus the lights up to 255, or 255 - A minus the
// lights down to 0.
void vertexShade(Mesh& mesh, const SceneCamera& camera, bool headlight, ShadeKind kind);
// The same for the listed vertices only, four at a time; the others keep their records.
void vertexShade(Mesh& mesh, const SceneCamera& camera, bool headlight, ShadeKind kind,
                 std::span<const int32_t> which);

// A, or trunc(A + K c) where the face's normal meets the first light's towardLight at c >= 0.
int32_t directionalShade(const Mesh& mesh, const scene3d::MeshFace& face);

} // namespace raster
