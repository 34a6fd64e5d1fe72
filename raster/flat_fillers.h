#pragma once
// The FLAT family: one colour, opaque or translucent (TRANSADD, TRANSDIV), with or without a
// depth test. Vertices: x, y (and w in a[0] for the Z forms).
#include <cstdint>

#include "raster/polygon.h"

namespace raster {

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
// A pixel passes when its w is greater than the stored one; opaque forms then store w.
void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour);
void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour);

// Per byte of the four: min(255, d + s) and (d + s) >> 1.
inline uint32_t addSaturate(uint32_t d, uint32_t s) {
    const uint32_t sum = (d & 0x7F7F7F7Fu) + (s & 0x7F7F7F7Fu);
    const uint32_t high = (d ^ s) & 0x80808080u, carry = (d & s) & 0x80808080u;
    const uint32_t over = carry | (high & sum);
    const uint32_t full = (over >> 7) * 0xFFu;
    return (sum ^ high) | full;
}
inline uint32_t average(uint32_t d, uint32_t s) { return (d & s) + (((d ^ s) >> 1) & 0x7F7F7F7Fu); }

} // namespace raster
