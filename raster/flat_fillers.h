#pragma once
// The FLAT family: one colour, opaque or translucent (TRANSADD, TRANSDIV), with or without a
// depth test. Vertices: x, y (and w in a[0] for the Z forms).
#include <cstdint>

#include "raster/pixel_ops.h"
#include "raster/polygon.h"

namespace raster {

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
// A pixel passes when its w is greater than the stored one; opaque forms then store w.
void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour);

} // namespace raster
