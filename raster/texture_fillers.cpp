#include "raster/texture_fillers.h"

#include <immintrin.h>

#include "raster/gouraud_fillers.h"
#include "raster/pixel_ops.h"

namespace raster {

namespace {

enum class Depth { None, TestWrite, TestOnly };

// What a run carries besides the texture position: depth and shade, each stepped per pixel.
struct RunState {
    int32_t w = 0, dw = 0, shade = 0, dshade = 0;
};

// count pixels from p at a fixed packed step: the one per-pixel loop of every texture filler.
template <Depth D, Blend B, bool Shade>
inline void drawRunPlain(uint32_t* p, int32_t* z, int count, const uint32_t* texture,
                         const uint32_t* ramp, PackedUV at, PackedUV step, RunState& r) {
    int32_t w = r.w, shade = r.shade;
    // The texel is read only where the depth test passes: hidden pixels cost a compare.
    auto texel = [&](PackedUV a, int32_t s) {
        uint32_t t = texture[texelIndex(a)];
        if constexpr (Shade) t = subSaturate(t, ramp[levelIndex(s)]);
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

// A packed coordinate as one 23-bit number (15 bits of fraction, 8 of texel), in which k steps
// are k additions: the packing's gaps only carry between its fields.
constexpr uint32_t unpackU(uint32_t u) {
    return (u & 0x7FFFu) | ((u >> 16) & 7u) << 15 | ((u >> 27) & 0x1Fu) << 18;
}
constexpr uint32_t unpackV(uint32_t v) {
    return (v & 0x7FFFu) | ((v >> 19) & 0xFFu) << 15;
}

// The packed form of two unpacked coordinates (bits above the 23 dropped).
constexpr PackedUV repack(uint32_t u, uint32_t v) {
    return {(u & 0x7FFFu) | ((u >> 15) & 7u) << 16 | ((u >> 18) & 0x1Fu) << 27,
            (v & 0x7FFFu) | ((v >> 15) & 0xFFu) << 19};
}

// start, start + by, ... start + 7 by in eight lanes, and 8 by in all.
__attribute__((target("avx2"))) inline __m256i spread(uint32_t start, uint32_t by) {
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(start)),
                            _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                               _mm256_set1_epi32(static_cast<int>(by))));
}
__attribute__((target("avx2"))) inline __m256i eight(uint32_t by) {
    return _mm256_set1_epi32(static_cast<int>(by * 8));
}

// drawRunPlain eight pixels at a time: lanes hold the coordinates, depths and shades of eight
// neighbours, the texels come by gather, the last lanes of a short run are masked off.
template <Depth D, Blend B, bool Shade>
__attribute__((target("avx2"))) void drawRunAvx2(uint32_t* p, int32_t* z, int count,
                                                 const uint32_t* texture, const uint32_t* ramp,
                                                 PackedUV at, PackedUV step, RunState& r) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const uint32_t su = unpackU(step.u), sv = unpackV(step.v);
    const auto dw = static_cast<uint32_t>(r.dw), dshade = static_cast<uint32_t>(r.dshade);
    __m256i u = spread(unpackU(at.u), su), v = spread(unpackV(at.v), sv);
    __m256i w = spread(static_cast<uint32_t>(r.w), dw),
            shade = spread(static_cast<uint32_t>(r.shade), dshade);
    const __m256i u8 = eight(su), v8 = eight(sv), w8 = eight(dw), shade8 = eight(dshade);
    const __m256i m23 = _mm256_set1_epi32(0x7FFFFF), seven = _mm256_set1_epi32(7);
    const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi32(255);
    for (int i = 0; i < count; i += 8) {
        const bool full = count - i >= 8;
        const __m256i live =
            full ? _mm256_set1_epi32(-1) : _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lane);
        __m256i mask = live;
        if constexpr (D != Depth::None) {
            const __m256i there = full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(z + i))
                                       : _mm256_maskload_epi32(z + i, live);
            mask = _mm256_and_si256(_mm256_cmpgt_epi32(w, there), live);
        }
        const __m256i ui = _mm256_srli_epi32(_mm256_and_si256(u, m23), 15),
                      vi = _mm256_srli_epi32(_mm256_and_si256(v, m23), 15);
        const __m256i index =
            _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(ui, seven), _mm256_slli_epi32(vi, 3)),
                            _mm256_slli_epi32(_mm256_srli_epi32(ui, 3), 11));
        __m256i texel = _mm256_mask_i32gather_epi32(zero, reinterpret_cast<const int*>(texture),
                                                    index, mask, 4);
        if constexpr (Shade) {
            const __m256i level =
                _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(shade, 16), zero), top);
            texel = _mm256_subs_epu8(
                texel, _mm256_mask_i32gather_epi32(zero, reinterpret_cast<const int*>(ramp), level,
                                                   mask, 4));
        }
        uint32_t* out = p + i;
        if constexpr (B != Blend::Copy || D != Depth::None) {
            const __m256i old = full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out))
                                     : _mm256_maskload_epi32(reinterpret_cast<int*>(out), live);
            if constexpr (B == Blend::Add) {
                texel = _mm256_adds_epu8(old, texel);
            } else if constexpr (B == Blend::Div) {
                texel = _mm256_add_epi32(
                    _mm256_and_si256(old, texel),
                    _mm256_and_si256(_mm256_srli_epi32(_mm256_xor_si256(old, texel), 1),
                                     _mm256_set1_epi32(0x7F7F7F7F)));
            }
            texel = _mm256_blendv_epi8(old, texel, mask);
        }
        if (full)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), texel);
        else
            _mm256_maskstore_epi32(reinterpret_cast<int*>(out), live, texel);
        if constexpr (D == Depth::TestWrite) {
            if (full) {
                const __m256i there = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(z + i));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(z + i),
                                    _mm256_blendv_epi8(there, w, mask));
            } else {
                _mm256_maskstore_epi32(z + i, mask, w);
            }
        }
        u = _mm256_add_epi32(u, u8), v = _mm256_add_epi32(v, v8);
        w = _mm256_add_epi32(w, w8), shade = _mm256_add_epi32(shade, shade8);
    }
    const auto n = static_cast<uint32_t>(count);
    r.w = static_cast<int32_t>(static_cast<uint32_t>(r.w) + n * dw);
    r.shade = static_cast<int32_t>(static_cast<uint32_t>(r.shade) + n * dshade);
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Set on first use: a static initialiser could run before the processor is identified.
bool& vectorRuns() {
    static bool on = hasAvx2();
    return on;
}

template <Depth D, Blend B, bool Shade>
inline void drawRun(uint32_t* p, int32_t* z, int count, const uint32_t* texture,
                    const uint32_t* ramp, PackedUV at, PackedUV step, RunState& r) {
    if (vectorRuns() && count >= 8) {
        // Whole groups of eight in lanes, the rest one by one.
        const int whole = count & ~7;
        drawRunAvx2<D, B, Shade>(p, z, whole, texture, ramp, at, step, r);
        if (whole == count) return;
        at = repack(unpackU(at.u) + static_cast<uint32_t>(whole) * unpackU(step.u),
                    unpackV(at.v) + static_cast<uint32_t>(whole) * unpackV(step.v));
        p += whole;
        z = z ? z + whole : z;
        count -= whole;
    }
    drawRunPlain<D, B, Shade>(p, z, count, texture, ramp, at, step, r);
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

// Perspective spans: the record is w, U, V [, shade]. Coordinates are divided out exactly at
// the start of every 16-pixel run and of the tail, and stepped linearly between.
template <Depth D, Blend B, bool Shade>
auto perspectiveSpan(const Target& t, const uint32_t* texture, const uint32_t* ramp = nullptr) {
    constexpr int N = Shade ? 4 : 3;
    return [&t, texture, ramp](const Span<N>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        uint32_t* p = t.pixels + at;
        int32_t* z = t.depth ? t.depth + at : nullptr;
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
            drawRun<D, B, Shade>(p, z, 16, texture, ramp, packUV(u, v),
                                 packStep(wrapSub(u16, u) >> 4, wrapSub(v16, v) >> 4), r);
            u = u16, v = v16, w = w16, U = U16, V = V16;
        }
        if (left == 0) return;
        const int32_t k = left - 1;
        const int32_t wl = wrapAdd(w, wrapMul(dw, k));
        int32_t ul, vl;
        perspective2(wrapAdd(U, wrapMul(dU, k)), wrapAdd(V, wrapMul(dV, k)), wl, ul, vl);
        drawRun<D, B, Shade>(p, z, left, texture, ramp, packUV(u, v),
                             packStep(wrapSub(ul, u) / left, wrapSub(vl, v) / left), r);
    };
}

} // namespace

bool useVectorTextureRuns(bool on) {
    const bool was = vectorRuns();
    vectorRuns() = on && hasAvx2();
    return was;
}

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
