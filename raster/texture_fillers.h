#pragma once
// The texture fillers: a repeating 256 x 256 texture read from its tiled copy, affine (MAP) or
// perspective-correct (PMAP), opaque or translucent, with or without a depth test, and the
// SHADE_PSUB forms that darken each texel by an interpolated grey.
//
// Vertex records (a[] after x and y):
//   MAP               u, v            (16.16 texels)
//   MAPZ              w, u, v
//   PMAP, PMAPZ       w, U, V         (U = u w, V = v w)
//   SHADE_PSUB        w, U, V, shade  (shade 16.16, 0 .. 255)
// The triangle forms take the constant span gradients in the same order.
#include <array>
#include <cstdint>

#include "raster/polygon.h"

namespace raster {

// u and v held as two lanes stepped by one add and one mask each (15-bit fractions), whose
// sum shifted down by 16 is the tiled texel index.
struct PackedUV {
    uint32_t u = 0, v = 0;
};
constexpr uint32_t kULaneMask = 0xF8077FFFu, kVLaneMask = 0x07F87FFFu;

constexpr PackedUV packUV(int32_t u, int32_t v) {
    const auto uu = static_cast<uint32_t>(u), vv = static_cast<uint32_t>(v);
    return {((uu >> 1) & 0x7FFFu) | (((uu >> 16) & 7u) << 16) | (((uu >> 19) & 0x1Fu) << 27),
            ((vv >> 1) & 0x7FFFu) | (((vv >> 16) & 0xFFu) << 19)};
}

// A step packs the same way with its gaps set, so that carries cross them.
constexpr PackedUV packStep(int32_t du, int32_t dv) {
    const PackedUV p = packUV(du, dv);
    return {p.u | 0x07F88000u, p.v | 0x00078000u};
}

constexpr uint32_t texelIndex(PackedUV p) {
    return (p.u + p.v) >> 16;
}

constexpr PackedUV advance(PackedUV p, PackedUV step) {
    return {(p.u + step.u) & kULaneMask, (p.v + step.v) & kVLaneMask};
}

// The 16.16 texel coordinate at a perspective product and depth: (P << 16) / w, truncated
// (nothing for w = 0, which only a step past a face's far edge can reach).
constexpr int32_t perspective(int32_t product, int32_t w) {
    return w == 0 ? 0 : static_cast<int32_t>((static_cast<int64_t>(product) * 65536) / w);
}

// perspective() of both products at one depth, in one division.
inline void perspective2(int32_t U, int32_t V, int32_t w, int32_t& u, int32_t& v) {
    if (w == 0) {
        u = v = 0;
        return;
    }
    const int32_t products[2] = {U, V};
    int32_t q[2];
    divide16<2>(products, w, q);
    u = q[0], v = q[1];
}

// `texture` is the tiled copy (LoadedImage32::tiled).
void fillMap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillMapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                     const std::array<int32_t, 2>& gradients);
void fillMapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillMapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillMapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillMapZTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients);
void fillMapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillMapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);

void fillPmap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillPmapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients);
void fillPmapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillPmapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillPmapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillPmapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);
void fillPmapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count);

// The shade-subtract forms take away greyRamp[shade >> 16] (256 entries) from every texel.
void fillPmapZShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                        const ScreenVertex* v, int count);
void fillPmapZShadePsubTriangle(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, const std::array<int32_t, 4>& gradients);
void fillPmapZTransAddShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count);
void fillPmapZTransDivShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count);

} // namespace raster
