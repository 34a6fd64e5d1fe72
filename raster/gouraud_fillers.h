#pragma once
// The GOURAUD family: a level per vertex (16.16, 0 .. 255) interpolated across the polygon
// and looked up in a 256-colour palette; opaque or translucent, with or without a depth test.
// Vertices: x, y, then level in a[0] (GOURAUD) or w in a[0] and level in a[1] (GOURAUDZ).
#include <cstdint>

#include "raster/polygon.h"

namespace raster {

void fillGouraud(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette);
// Triangles: the span gradient of the level is the caller's constant.
void fillGouraudTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                         int32_t levelGradient);
void fillGouraudTransAdd(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette);
void fillGouraudTransDiv(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette);
void fillGouraudZ(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette);
void fillGouraudZTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                          int32_t wGradient, int32_t levelGradient);
void fillGouraudZTransAdd(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette);
void fillGouraudZTransDiv(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette);

// The palette index of a level: its whole part, kept to 0 .. 255 where rounding at a face's
// edge steps it just outside.
inline int levelIndex(int32_t level) {
    const int32_t i = level >> 16;
    return i < 0 ? 0 : i > 255 ? 255 : i;
}

// Whether count levels from first, stepped by step, all index the table without the clamp:
// a stepped level moves one way, so its ends bound it.
inline bool levelsInRange(int32_t first, int32_t step, int count) {
    const int64_t last = first + static_cast<int64_t>(step) * (count - 1);
    return first >= 0 && last >= 0 && first < (int64_t{256} << 16) && last < (int64_t{256} << 16);
}

} // namespace raster
