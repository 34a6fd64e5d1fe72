#pragma once
// The production's render modes: one row of traits per id. The name table, the drivers, the
// scene passes' buckets and the fillers all read these rows; nothing else decodes an id.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "raster/pixel_ops.h"
#include "raster/polygon.h"

namespace raster {

// What a face is filled with: its flat colour, a Gouraud palette, a tiled texture, the greys
// the shade-subtract forms take away.
struct FaceInk {
    uint32_t colour = 0;
    const uint32_t* palette = nullptr;
    const uint32_t* texture = nullptr;
    const uint32_t* greyRamp = nullptr;
};

using Gradients = std::array<int32_t, 5>;
using PolygonFiller = void (*)(const Target&, const ScreenVertex*, int, const FaceInk&);
// An unclipped triangle with the constant gradients of its attributes.
using TriangleFiller = void (*)(const Target&, const ScreenVertex*, const Gradients&,
                                const FaceInk&);

// How a mode's faces take their values: what the vertex records carry.
enum class Family {
    Flat,
    FlatZ,
    Gouraud,
    GouraudZ,
    Map,
    MapZ,
    Pmap,
    PmapZ,
    Shade,
    Points,
    Lines,
    LinesZ,
    Hidden
};

enum class Cull { Always, WhenFlagged, Never };

// Where a flat face's colour comes from.
enum class FaceColour {
    None,
    Lit,              // the lights at the first vertex, or at the centre for headlight meshes
    LitFirstVertex,   // the lights at the first vertex
    LitOrConstant,    // as Lit, or the mesh's constant colour when it has one
    Directional,      // the first light's direction through the shade table
    DirectionalFaded, // the same, darkened by the face's fade value
};

struct ModeTraits {
    int32_t id;
    const char* name; // nullptr for the ids the part code sets directly
    Family family;
    bool depthTest, depthWrite;
    Blend blend;
    Cull cull;
    bool drawnAfterOpaque; // translucent, points and lines: a scene draws them last
    bool textured;
    bool sortOffered; // the mesh's sort flag orders its faces far to near
    FaceColour colour;
    PolygonFiller filler;
    TriangleFiller triangle; // nullptr: every face goes through the polygon filler
};

// Additive flat faces darkened by their fade value, and opaque flat faces lit by the first
// light's direction; set by the part code, not by name.
constexpr int32_t kFlatFadeAdd = 301, kFlatDirectional = 302;
// Hidden: drawn by nothing, but kept in a scene's first bucket.
constexpr int32_t kHiddenMode = 501;

// Every row, the 30 named modes first in the order of the name table.
std::span<const ModeTraits> renderModes();
// The row of an id, or nullptr for an id the production does not know.
const ModeTraits* modeTraits(int32_t id);

// The id of the mode with exactly this name, or -1.
int32_t lookupRenderMode(std::string_view name);
// As lookupRenderMode, but an unknown name shows "mode not found" captioned with the name and
// ends the program with exit code -1.
int32_t findRenderMode(const std::string& name);

bool isTextureMode(int32_t id);
bool drawnAfterOpaque(int32_t id);

} // namespace raster
