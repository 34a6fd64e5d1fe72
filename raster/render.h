#pragma once
// Drawing a mesh: the render-mode names, the visible-face list, clipping against the view
// volume, the conversion to the fillers' fixed point, and one driver per mode. The scene code
// has already put the mesh into camera space and projected it; this only reads those arrays,
// writes the face list and the faces' clip flags and depth keys, and draws.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "picture/image32.h"
#include "raster/polygon.h"
#include "scene3d/scene.h"

namespace raster {

using picture::Image32;
using scene3d::Mesh;
using scene3d::SceneCamera;

struct RenderModeName {
    const char* name;
    int32_t id;
};
extern const std::array<RenderModeName, 30> kRenderModes;

// Ids set by the part code directly: additive flat faces darkened by their fade value, and
// opaque flat faces, both lit by the first light's direction.
constexpr int32_t kFlatFadeAdd = 301, kFlatDirectional = 302;

// The id of the mode with exactly this name, or -1.
int32_t lookupRenderMode(std::string_view name);
// As lookupRenderMode, but an unknown name shows "mode not found" captioned with the name and
// ends the program with exit code -1.
int32_t findRenderMode(const std::string& name);

// Round to nearest, ties to even, keeping the low 32 bits of the result (never undefined).
int32_t roundToInt(double v);

// Fills drawList with the faces to draw (culled: those with ((P1 - P0) x (P2 - P0)) . P0 > 0)
// and sets every face's clip flag; returns the list's length.
int buildFaceList(Mesh& mesh, bool cull);

// A camera-space vertex with five attributes: (u, v) in a[0], a[1], the light value in a[4].
struct ClipVertex {
    float x = 0, y = 0, z = 0;
    std::array<float, 5> a{};
    float spare = 0, distance = 0;
};
// A vertex after clipping: screen position, 1/z and the attributes.
struct ClippedVertex {
    float x = 0, y = 0, invZ = 0;
    std::array<float, 5> a{};
};
constexpr int kClipCapacity = 20;
using ClippedPolygon = std::array<ClippedVertex, kClipCapacity>;

// Clips a triangle (or, with count 2, a segment) against the camera's four side planes and
// its near plane, and projects what is left with z raised to 1 where below it. Returns the
// number of vertices: 0 when fewer than 3 (a segment: 2) survive.
int clipAndProject(const ClipVertex* in, int count, const SceneCamera& camera, ClippedPolygon& out);

// The mesh by its own render mode, or by the one given. Ids without a driver draw nothing.
void renderMesh(Mesh& mesh, const SceneCamera& camera, Image32& target);
void renderMeshAs(Mesh& mesh, const SceneCamera& camera, Image32& target, int32_t mode);

// Every face clipped also against the cut plane (nx, ny, nz, d: kept where n . p + d >= 0) and
// filled translucently by halves with depth test; where the cut made a vertex, the sprite
// is added there, smaller the farther in the cut it lies.
void renderMeshMarked(Mesh& mesh, const SceneCamera& camera, Image32& target, Image32& sprite, const std::array<float, 4>& cut);

} // namespace raster
