#include "raster/texture_fillers.h"

#include "raster/gouraud_fillers.h"
#include "raster/pixel_ops.h"

#include <emmintrin.h>

namespace raster {

namespace {

enum class Depth { None, TestWrite, TestOnly };

// What a run carries besides the texture position: depth and shade, each stepped per pixel.
struct RunState {
    int32_t w = 0, dw = 0, shade = 0, dshade = 0;
};

// count pixels from p at a fixed packed step: the one per-pixel loop of every texture filler.
// (Eight-wide forms with gathered texels were slower here on runs of a few pixels and no
// faster on long ones: the texel reads bound them.)
template <Depth D, Blend B, bool Shade, bool Clamp = true>
inline void drawRun(uint32_t* p, int32_t* z, int count, const uint32_t* texture,
                    const uint32_t* ramp, PackedUV at, PackedUV step, RunState& r) {
    int32_t w = r.w, shade = r.shade;
    // The texel is read only where the depth test passes: hidden pixels cost a compare.
    auto texel = [&](PackedUV a, int32_t s) {
        uint32_t t = texture[texelIndex(a)];
        if constexpr (Shade) t = subSaturate(t, ramp[Clamp ? levelIndex(s) : s >> 16]);
        return t;
    };
    for (int i = 0; i < count; ++i) {
        if constexpr (D == Depth::None) {
            p[i] = blend<B>(p[i], texel(at, shade));
        } else {
            const int32_t here = w;
            w = wrapAdd(w, r.dw);
            if (here > z[i]) {
                if constexpr (D == Depth::TestWrite) z[i] = here;
                p[i] = blend<B>(p[i], texel(at, shade));
            }
        }
        at = advance(at, step);
        if constexpr (Shade) shade = wrapAdd(shade, r.dshade);
    }
    r.w = w, r.shade = shade;
}

// Affine spans: the record is [w,] u, v; one run over the whole span.
template <Depth D, Blend B> auto affineSpan(const Target& t, const uint32_t* texture) {
    constexpr int N = D == Depth::None ? 2 : 3, U = N - 2;
    return [&t, texture](const Span<N>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        RunState r;
        if constexpr (D != Depth::None) r.w = s.value[0], r.dw = s.step[0];
        drawRun<D, B, false>(t.pixels + at, t.depth ? t.depth + at : nullptr, s.count, texture,
                             nullptr, packUV(s.value[U], s.value[U + 1]),
                             packStep(s.step[U], s.step[U + 1]), r);
    };
}

// Whether any of count pixels, w stepped by dw from the first, is nearer than the depth buffer
// there: a span hidden everywhere needs none of its divisions.
inline bool anyNearer(const int32_t* z, int count, int32_t w, int32_t dw) {
    __m128i w4 = steppedLanes(w, dw);
    const __m128i dw4 = _mm_set1_epi32(static_cast<int>(4 * static_cast<uint32_t>(dw)));
    int i = 0;
    // Most spans are seen from their first pixels on: those return at the first four.
    for (; i + 4 <= count; i += 4, w4 = _mm_add_epi32(w4, dw4))
        if (_mm_movemask_epi8(
                _mm_cmpgt_epi32(w4, _mm_loadu_si128(reinterpret_cast<const __m128i*>(z + i)))))
            return true;
    for (int32_t here = wrapAdd(w, wrapMul(dw, i)); i < count; ++i, here = wrapAdd(here, dw))
        if (here > z[i]) return true;
    return false;
}

// Perspective spans: the record is w, U, V [, shade]. Coordinates are divided out exactly at
// the start of every 16-pixel run and of the tail, and stepped linearly between.
template <Depth D, Blend B, bool Shade, bool Clamp, int N>
inline void perspectiveRuns(const Span<N>& s, uint32_t* p, int32_t* z, const uint32_t* texture,
                            const uint32_t* ramp) {
    const int32_t dw = s.step[0], dU = s.step[1], dV = s.step[2];
    int32_t w = s.value[0], U = s.value[1], V = s.value[2];
    int32_t u, v;
    perspective2(U, V, w, u, v);
    RunState r;
    r.w = w, r.dw = dw;
    if constexpr (Shade) r.shade = s.value[3], r.dshade = s.step[3];
    int left = s.count;
    for (; left >= 16; left -= 16, p += 16, z = z ? z + 16 : z) {
        const int32_t w16 = wrapAdd(w, wrapMul(dw, 16)), U16 = wrapAdd(U, wrapMul(dU, 16)),
                      V16 = wrapAdd(V, wrapMul(dV, 16));
        int32_t u16, v16;
        perspective2(U16, V16, w16, u16, v16);
        drawRun<D, B, Shade, Clamp>(p, z, 16, texture, ramp, packUV(u, v),
                                    packStep(wrapSub(u16, u) >> 4, wrapSub(v16, v) >> 4), r);
        u = u16, v = v16, w = w16, U = U16, V = V16;
    }
    if (left == 0) return;
    const int32_t k = left - 1;
    const int32_t wl = wrapAdd(w, wrapMul(dw, k));
    int32_t ul, vl;
    perspective2(wrapAdd(U, wrapMul(dU, k)), wrapAdd(V, wrapMul(dV, k)), wl, ul, vl);
    drawRun<D, B, Shade, Clamp>(p, z, left, texture, ramp, packUV(u, v),
                                packStep(wrapSub(ul, u) / left, wrapSub(vl, v) / left), r);
}

template <Depth D, Blend B, bool Shade>
auto perspectiveSpan(const Target& t, const uint32_t* texture, const uint32_t* ramp = nullptr) {
    constexpr int N = Shade ? 4 : 3;
    return [&t, texture, ramp](const Span<N>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        uint32_t* p = t.pixels + at;
        int32_t* z = t.depth ? t.depth + at : nullptr;
        if constexpr (D != Depth::None)
            if (!anyNearer(z, s.count, s.value[0], s.step[0])) return;
        if constexpr (Shade) {
            if (levelsInRange(s.value[3], s.step[3], s.count)) {
                perspectiveRuns<D, B, Shade, false>(s, p, z, texture, ramp);
                return;
            }
        }
        perspectiveRuns<D, B, Shade, true>(s, p, z, texture, ramp);
    };
}

} // namespace

void fillMap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkPolygon<2>(t, v, count, affineSpan<Depth::None, Blend::Copy>(t, texture));
}

void fillMapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                     const std::array<int32_t, 2>& gradients) {
    walkTriangle<2>(t, v, gradients, affineSpan<Depth::None, Blend::Copy>(t, texture));
}

void fillMapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkTable<2>(t, v, count, affineSpan<Depth::None, Blend::Add>(t, texture));
}

void fillMapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkTable<2>(t, v, count, affineSpan<Depth::None, Blend::Div>(t, texture));
}

void fillMapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkPolygon<3>(t, v, count, affineSpan<Depth::TestWrite, Blend::Copy>(t, texture));
}

void fillMapZTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients) {
    if (!t.depth) return;
    walkTriangle<3>(t, v, gradients, affineSpan<Depth::TestWrite, Blend::Copy>(t, texture));
}

void fillMapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkTable<3>(t, v, count, affineSpan<Depth::TestOnly, Blend::Add>(t, texture));
}

void fillMapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkTable<3>(t, v, count, affineSpan<Depth::TestOnly, Blend::Div>(t, texture));
}

void fillPmap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkPolygon<3>(t, v, count, perspectiveSpan<Depth::None, Blend::Copy, false>(t, texture));
}

void fillPmapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients) {
    walkTriangle<3>(t, v, gradients, perspectiveSpan<Depth::None, Blend::Copy, false>(t, texture));
}

void fillPmapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkTable<3>(t, v, count, perspectiveSpan<Depth::None, Blend::Add, false>(t, texture));
}

void fillPmapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    walkTable<3>(t, v, count, perspectiveSpan<Depth::None, Blend::Div, false>(t, texture));
}

void fillPmapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkPolygon<3>(t, v, count, perspectiveSpan<Depth::TestWrite, Blend::Copy, false>(t, texture));
}

void fillPmapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkTable<3>(t, v, count, perspectiveSpan<Depth::TestOnly, Blend::Add, false>(t, texture));
}

void fillPmapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    walkTable<3>(t, v, count, perspectiveSpan<Depth::TestOnly, Blend::Div, false>(t, texture));
}

void fillPmapZShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                        const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    walkPolygon<4>(t, v, count,
                   perspectiveSpan<Depth::TestWrite, Blend::Copy, true>(t, texture, greyRamp));
}

void fillPmapZShadePsubTriangle(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, const std::array<int32_t, 4>& gradients) {
    if (!t.depth || !greyRamp) return;
    walkTriangle<4>(t, v, gradients,
                    perspectiveSpan<Depth::TestWrite, Blend::Copy, true>(t, texture, greyRamp));
}

void fillPmapZTransAddShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    walkTable<4>(t, v, count,
                 perspectiveSpan<Depth::TestOnly, Blend::Add, true>(t, texture, greyRamp));
}

void fillPmapZTransDivShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    walkTable<4>(t, v, count,
                 perspectiveSpan<Depth::TestOnly, Blend::Div, true>(t, texture, greyRamp));
}

} // namespace raster
