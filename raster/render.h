#pragma once
// Drawing a mesh by its render mode: the visible-face list, the conversion to the fillers'
// fixed point, and the drivers. The scene code has already put the mesh into camera space and
// projected it; this only reads those arrays, writes the face list and the faces' clip flags
// and depth keys, and draws.
#include <array>
#include <cstdint>
#include <span>

#include "picture/image32.h"
#include "raster/clip.h"
#include "raster/fixed.h"
#include "raster/render_modes.h"
#include "scene3d/scene.h"

namespace raster {

using picture::Image32;
using scene3d::Mesh;
using scene3d::SceneCamera;

// Fills drawList with the faces to draw (culled: those with ((P1 - P0) x (P2 - P0)) . P0 > 0)
// and sets every face's clip flag; returns the list's length.
int buildFaceList(Mesh& mesh, bool cull);

// The mesh by its own render mode, or by the one given. Ids without a driver draw nothing; the
// shade-subtract modes draw only when given the greys they subtract (256 entries).
void renderMesh(Mesh& mesh, const SceneCamera& camera, Image32& target,
                const uint32_t* greyRamp = nullptr);
void renderMeshAs(Mesh& mesh, const SceneCamera& camera, Image32& target, int32_t mode,
                  const uint32_t* greyRamp = nullptr);

// Every face clipped also against the cut plane (nx, ny, nz, d: kept where n . p + d >= 0) and
// filled translucently by halves with depth test; where the cut made a vertex, the sprite
// is added there, smaller the farther in the cut it lies.
void renderMeshMarked(Mesh& mesh, const SceneCamera& camera, Image32& target, Image32& sprite,
                      const std::array<float, 4>& cut);

namespace detail {
// What the mesh drivers share with the marked-mesh driver.
bool meshConsistent(const Mesh& m);
int32_t* depthOf(const Mesh& m, const Image32& target);
uint32_t faceColourFor(FaceColour kind, const Mesh& m, const SceneCamera& camera,
                       const scene3d::MeshFace& face);
// faceColourFor() of every listed face at once, for the kinds the lights give; false, with
// nothing written, for the others.
bool faceColoursFor(FaceColour kind, const Mesh& m, const SceneCamera& camera,
                    std::span<const int32_t> list, uint32_t* out);
} // namespace detail

} // namespace raster
