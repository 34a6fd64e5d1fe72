#include "raster/texture_fillers.h"

#include "raster/gouraud_fillers.h"
#include "raster/pixel_ops.h"
#include "raster/span_lanes.h"

#include <algorithm>
#include <type_traits>

#include <emmintrin.h>

namespace raster {

namespace {

enum class Depth { None, TestWrite, TestOnly };

// What a run carries besides the texture position: depth and shade, each stepped per pixel.
struct RunState {
    int32_t w = 0, dw = 0, shade = 0, dshade = 0;
};

// count pixels from p at a fixed packed step: the per-pixel loop of the texture fillers (the
// affine ones with wide spans go eight pixels a step, affineRunWide). For perspective spans
// eight-wide forms with gathered texels were slower on runs of a few pixels and no faster on
// long ones: the texel reads bound them, and their depth test rarely goes both ways.
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
            if (here > z[i]) [[likely]] {
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

// draw(clamp) with clamp a std::bool_constant: false where count shade levels from shade,
// stepped by dshade, all index the ramp as they stand, true where they may not (and for the
// forms without shade).
template <bool Shade, typename Draw>
inline void byLevelRange(int32_t shade, int32_t dshade, int count, Draw draw) {
    if constexpr (Shade) {
        if (levelsInRange(shade, dshade, count)) {
            draw(std::false_type{});
            return;
        }
    }
    draw(std::true_type{});
}

// Perspective spans: the record is w, U, V [, shade]. Coordinates are divided out exactly at
// the start of every 16-pixel run and of the tail, and stepped linearly between. u, v are the
// span's first pixel's; tail(u, v, left) gives the step of a tail of left pixels from u, v to
// the span's last pixel, divided by left.
template <Depth D, Blend B, bool Shade, bool Clamp, int N, typename Tail>
inline void perspectiveRuns(const Span<N>& s, uint32_t* p, int32_t* z, int32_t u, int32_t v,
                            Tail tail, const uint32_t* texture, const uint32_t* ramp) {
    const int32_t dw = s.step[0], dU = s.step[1], dV = s.step[2];
    int32_t w = s.value[0], U = s.value[1], V = s.value[2];
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
    drawRun<D, B, Shade, Clamp>(p, z, left, texture, ramp, packUV(u, v), tail(u, v, left), r);
}

// A perspective span from its first pixel's coordinates, start(u, v), and its tail's step.
template <Depth D, Blend B, bool Shade, int N, typename Start, typename Tail>
inline void perspectiveSpanFrom(const Target& t, const Span<N>& s, Start start, Tail tail,
                                const uint32_t* texture, const uint32_t* ramp) {
    const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
    uint32_t* p = t.pixels + at;
    int32_t* z = t.depth ? t.depth + at : nullptr;
    if constexpr (D != Depth::None)
        if (!anyNearer(z, s.count, s.value[0], s.step[0])) return;
    int32_t u, v;
    start(u, v);
    byLevelRange<Shade>(
        Shade ? s.value[N - 1] : 0, Shade ? s.step[N - 1] : 0, s.count, [&](auto clamp) {
            perspectiveRuns<D, B, Shade, clamp()>(s, p, z, u, v, tail, texture, ramp);
        });
}

template <Depth D, Blend B, bool Shade>
auto perspectiveSpan(const Target& t, const uint32_t* texture, const uint32_t* ramp = nullptr) {
    constexpr int N = Shade ? 4 : 3;
    return [&t, texture, ramp](const Span<N>& s) {
        auto start = [&s](int32_t& u, int32_t& v) {
            perspective2(s.value[1], s.value[2], s.value[0], u, v);
        };
        auto tail = [&s](int32_t u, int32_t v, int left) {
            const int32_t k = s.count - 1;
            int32_t ul, vl;
            perspective2(wrapAdd(s.value[1], wrapMul(s.step[1], k)),
                         wrapAdd(s.value[2], wrapMul(s.step[2], k)),
                         wrapAdd(s.value[0], wrapMul(s.step[0], k)), ul, vl);
            return packStep(wrapSub(ul, u) / left, wrapSub(vl, v) / left);
        };
        perspectiveSpanFrom<D, B, Shade>(t, s, start, tail, texture, ramp);
    };
}

// perspective() lane by lane.
RASTER_WIDE inline __m256i perspectiveLanes(__m256i product, __m256i w) {
    const __mmask8 none = _mm256_testn_epi32_mask(w, w);
    return _mm256_maskz_mov_epi32(
        static_cast<__mmask8>(~none),
        quotients16(product, _mm256_mask_blend_epi32(none, w, _mm256_set1_epi32(1))));
}

// packUV() lane by lane, u and v apart.
RASTER_WIDE inline __m256i packedULanes(__m256i u) {
    const auto field = [u](int shift, int bits, int to) RASTER_WIDE {
        return _mm256_slli_epi32(
            _mm256_and_si256(_mm256_srli_epi32(u, shift), _mm256_set1_epi32((1 << bits) - 1)), to);
    };
    return _mm256_or_si256(_mm256_or_si256(field(1, 15, 0), field(16, 3, 16)), field(19, 5, 27));
}
RASTER_WIDE inline __m256i packedVLanes(__m256i v) {
    return _mm256_or_si256(
        _mm256_and_si256(_mm256_srli_epi32(v, 1), _mm256_set1_epi32(0x7FFF)),
        _mm256_slli_epi32(_mm256_and_si256(_mm256_srli_epi32(v, 16), _mm256_set1_epi32(0xFF)), 19));
}

// Eight rows' packed texture positions and steps (packUV and packStep lane by lane), kept for
// their rows' runs.
struct PackedLanes {
    alignas(32) uint32_t startU[8], startV[8], stepU[8], stepV[8];
    RASTER_WIDE void store(__m256i u, __m256i v, __m256i du, __m256i dv) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(startU), packedULanes(u));
        _mm256_store_si256(reinterpret_cast<__m256i*>(startV), packedVLanes(v));
        _mm256_store_si256(reinterpret_cast<__m256i*>(stepU),
                           _mm256_or_si256(packedULanes(du), _mm256_set1_epi32(0x07F88000)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(stepV),
                           _mm256_or_si256(packedVLanes(dv), _mm256_set1_epi32(0x00078000)));
    }
    PackedUV start(int i) const { return {startU[i], startV[i]}; }
    PackedUV step(int i) const { return {stepU[i], stepV[i]}; }
};

// An affine run eight pixels a step under lane masks, its texels gathered. In the packed form
// u and v step as 23-bit numbers (8 whole bits over 15 of fraction) that wrap, which is what
// (u >> 1) stepped by (du >> 1) holds in its low 23 bits.
template <Depth D, Blend B>
RASTER_WIDE inline void affineRunWide(uint32_t* p, int32_t* z, int count, const uint32_t* texture,
                                      int32_t u, int32_t du, int32_t v, int32_t dv, int32_t w,
                                      int32_t dw) {
    __m256i u8 = steppedLanes8(u >> 1, du >> 1), v8 = steppedLanes8(v >> 1, dv >> 1),
            w8 = steppedLanes8(w, dw);
    const __m256i du8 = eightSteps(du >> 1), dv8 = eightSteps(dv >> 1), dw8 = eightSteps(dw);
    const __m256i low3 = _mm256_set1_epi32(7), whole = _mm256_set1_epi32(0xFF);
    for (int i = 0;;) {
        __mmask8 draw = firstLanes(count - i);
        if constexpr (D != Depth::None)
            draw = _mm256_mask_cmpgt_epi32_mask(draw, w8, _mm256_maskz_loadu_epi32(draw, z + i));
        if (draw) {
            // The tiled index: u's low three bits, v's eight, u's high five.
            const __m256i wu = _mm256_and_si256(_mm256_srli_epi32(u8, 15), whole),
                          wv = _mm256_and_si256(_mm256_srli_epi32(v8, 15), whole);
            const __m256i index = _mm256_or_si256(
                _mm256_or_si256(_mm256_and_si256(wu, low3), _mm256_slli_epi32(wv, 3)),
                _mm256_slli_epi32(_mm256_srli_epi32(wu, 3), 11));
            const __m256i texels = _mm256_mmask_i32gather_epi32(
                _mm256_setzero_si256(), draw, index, reinterpret_cast<const int*>(texture), 4);
            if constexpr (D == Depth::TestWrite) _mm256_mask_storeu_epi32(z + i, draw, w8);
            blendStore8<B>(p + i, draw, texels);
        }
        if ((i += 8) >= count) return;
        u8 = _mm256_add_epi32(u8, du8), v8 = _mm256_add_epi32(v8, dv8);
        w8 = _mm256_add_epi32(w8, dw8);
    }
}

// Eight rows' affine spans from their crossings: each row is one run at a fixed step, drawn
// from its lanes' values as they stand. Rows from y; see spanLanes.
template <Depth D, Blend B, bool Sort, bool Given>
RASTER_WIDE void affineEight(const Target& t, int y, int count,
                             const CrossingLanes<D == Depth::None ? 2 : 3>& c,
                             const int32_t* gradients, const uint32_t* texture) {
    constexpr int N = D == Depth::None ? 2 : 3, U = N - 2;
    const SpanLanes<N> s = spanLanes<N, Sort, Given>(t, c, count, gradients);
    SpanRows<N> r;
    storeRows(s, r);
    for (int i = 0; i < count; ++i) {
        if (r.n[i] == 0) continue;
        const size_t at = static_cast<size_t>(y + i) * t.width + r.x[i];
        affineRunWide<D, B>(t.pixels + at, t.depth ? t.depth + at : nullptr, r.n[i], texture,
                            r.value[U][i], r.step[U][i], r.value[U + 1][i], r.step[U + 1][i],
                            D == Depth::None ? 0 : r.value[0][i],
                            D == Depth::None ? 0 : r.step[0][i]);
    }
}

// Eight rows' perspective spans from their crossings, set up in vector lanes together with
// each span's coordinates at its first and last pixels and, for a span shorter than a run (all
// tail), its packed start and step: every division but those of the runs of 16. Rows from y;
// see spanLanes.
template <Depth D, Blend B, bool Shade, bool Sort, bool Given>
RASTER_WIDE void perspectiveEight(const Target& t, int y, int count,
                                  const CrossingLanes<Shade ? 4 : 3>& c, const int32_t* gradients,
                                  const uint32_t* texture, const uint32_t* ramp) {
    constexpr int N = Shade ? 4 : 3;
    const SpanLanes<N> s = spanLanes<N, Sort, Given>(t, c, count, gradients);
    const __m256i one = _mm256_set1_epi32(1), length = _mm256_max_epi32(s.n, one),
                  back = _mm256_sub_epi32(length, one);
    auto last = [&](int i) RASTER_WIDE {
        return _mm256_add_epi32(s.value[i], _mm256_mullo_epi32(back, s.step[i]));
    };
    const __m256i wl = last(0);
    const __m256i u0 = perspectiveLanes(s.value[1], s.value[0]),
                  v0 = perspectiveLanes(s.value[2], s.value[0]), ul = perspectiveLanes(last(1), wl),
                  vl = perspectiveLanes(last(2), wl);
    alignas(32) int32_t us[8], vs[8], uls[8], vls[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(us), u0);
    _mm256_store_si256(reinterpret_cast<__m256i*>(vs), v0);
    _mm256_store_si256(reinterpret_cast<__m256i*>(uls), ul);
    _mm256_store_si256(reinterpret_cast<__m256i*>(vls), vl);
    // Spans shorter than a run are all tail: their packed start and step, in lanes too.
    PackedLanes packed;
    packed.store(u0, v0, quotients(_mm256_sub_epi32(ul, u0), length),
                 quotients(_mm256_sub_epi32(vl, v0), length));
    SpanRows<N> r;
    storeRows(s, r);
    for (int i = 0; i < count; ++i) {
        if (r.n[i] == 0) continue;
        if (r.n[i] < 16) {
            const size_t at = static_cast<size_t>(y + i) * t.width + r.x[i];
            int32_t* z = t.depth ? t.depth + at : nullptr;
            if constexpr (D != Depth::None)
                if (!anyNearer(z, r.n[i], r.value[0][i], r.step[0][i])) continue;
            RunState state;
            state.w = r.value[0][i], state.dw = r.step[0][i];
            if constexpr (Shade) state.shade = r.value[3][i], state.dshade = r.step[3][i];
            byLevelRange<Shade>(state.shade, state.dshade, r.n[i], [&](auto clamp) {
                drawRun<D, B, Shade, clamp()>(t.pixels + at, z, r.n[i], texture, ramp,
                                              packed.start(i), packed.step(i), state);
            });
            continue;
        }
        Span<N> span;
        span.y = y + i, span.x = r.x[i], span.count = r.n[i];
        for (int j = 0; j < N; ++j)
            span.value[j] = r.value[j][i], span.step[j] = r.step[j][i];
        auto start = [&](int32_t& u, int32_t& v) { u = us[i], v = vs[i]; };
        auto tail = [&](int32_t u, int32_t v, int left) {
            return packStep(wrapSub(uls[i], u) / left, wrapSub(vls[i], v) / left);
        };
        perspectiveSpanFrom<D, B, Shade>(t, span, start, tail, texture, ramp);
    }
}

// A polygon's rows in eights (a triangle's across its bands), set up in lanes: affine and
// perspective spans.
template <Depth D, Blend B, bool Sort, bool Given>
RASTER_WIDE void affineWide(const Target& t, int end, const ScreenVertex* v, int count,
                            const int32_t* gradients, const uint32_t* texture) {
    constexpr int N = D == Depth::None ? 2 : 3;
    auto eight = [&](int y, int rows, const CrossingLanes<N>& c) RASTER_WIDE {
        affineEight<D, B, Sort, Given>(t, y, rows, c, gradients, texture);
    };
    polygonInEights<N, Given>(v, count, end, eight);
}

template <Depth D, Blend B, bool Shade, bool Sort, bool Given>
RASTER_WIDE void perspectiveWide(const Target& t, int end, const ScreenVertex* v, int count,
                                 const int32_t* gradients, const uint32_t* texture,
                                 const uint32_t* ramp) {
    constexpr int N = Shade ? 4 : 3;
    auto eight = [&](int y, int rows, const CrossingLanes<N>& c) RASTER_WIDE {
        perspectiveEight<D, B, Shade, Sort, Given>(t, y, rows, c, gradients, texture, ramp);
    };
    polygonInEights<N, Given>(v, count, end, eight);
}

// The three walks of the texture fillers: span draws each span of the plain walk, and
// wide(sort, given, end, gradients) walks in eights of rows, with sort and given as
// std::bool_constant. A polygon's ordered walk, a triangle's with constant gradients, and the
// translucent walk, whose polygons that go down both ways round from the top vertex (every
// triangle, and the convex polygons the cuts leave) take the ordered walk with their crossings
// put in order row by row, and others the edge table.
template <int N, typename SpanFn, typename Wide>
void polygonWalk(const Target& t, const ScreenVertex* v, int count, SpanFn span, Wide wide) {
    if (!wideSpans()) {
        walkPolygon<N>(t, v, count, span);
        return;
    }
    wide(std::false_type{}, std::false_type{}, t.height, nullptr);
}

template <int N, typename SpanFn, typename Wide>
void triangleWalk(const Target& t, const ScreenVertex* v, const std::array<int32_t, N>& gradients,
                  SpanFn span, Wide wide) {
    if (!wideSpans()) {
        walkTriangle<N>(t, v, gradients, span);
        return;
    }
    wide(std::false_type{}, std::true_type{}, t.height, gradients.data());
}

template <int N, typename SpanFn, typename Wide>
void tableWalk(const Target& t, const ScreenVertex* v, int count, SpanFn span, Wide wide) {
    if (!wideSpans() || !monotone(v, count)) {
        walkTable<N>(t, v, count, span);
        return;
    }
    wide(std::true_type{}, std::false_type{}, std::min(t.height, EdgeTable::kRows), nullptr);
}

template <Depth D, Blend B>
auto affineWideOf(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    return [&t, texture, v, count](auto sort, auto given, int end, const int32_t* gradients) {
        affineWide<D, B, sort(), given()>(t, end, v, count, gradients, texture);
    };
}

template <Depth D, Blend B, bool Shade>
auto perspectiveWideOf(const Target& t, const uint32_t* texture, const uint32_t* ramp,
                       const ScreenVertex* v, int count) {
    return [&t, texture, ramp, v, count](auto sort, auto given, int end, const int32_t* gradients) {
        perspectiveWide<D, B, Shade, sort(), given()>(t, end, v, count, gradients, texture, ramp);
    };
}

template <Depth D, Blend B>
void affinePolygon(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    polygonWalk<D == Depth::None ? 2 : 3>(t, v, count, affineSpan<D, B>(t, texture),
                                          affineWideOf<D, B>(t, texture, v, count));
}

template <Depth D, Blend B, size_t N>
void affineTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                    const std::array<int32_t, N>& gradients) {
    triangleWalk<static_cast<int>(N)>(t, v, gradients, affineSpan<D, B>(t, texture),
                                      affineWideOf<D, B>(t, texture, v, 3));
}

template <Depth D, Blend B>
void affineTable(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    tableWalk<D == Depth::None ? 2 : 3>(t, v, count, affineSpan<D, B>(t, texture),
                                        affineWideOf<D, B>(t, texture, v, count));
}

template <Depth D, Blend B, bool Shade>
void perspectivePolygon(const Target& t, const uint32_t* texture, const uint32_t* ramp,
                        const ScreenVertex* v, int count) {
    polygonWalk<Shade ? 4 : 3>(t, v, count, perspectiveSpan<D, B, Shade>(t, texture, ramp),
                               perspectiveWideOf<D, B, Shade>(t, texture, ramp, v, count));
}

template <Depth D, Blend B, bool Shade, size_t N>
void perspectiveTriangle(const Target& t, const uint32_t* texture, const uint32_t* ramp,
                         const ScreenVertex* v, const std::array<int32_t, N>& gradients) {
    triangleWalk<static_cast<int>(N)>(t, v, gradients,
                                      perspectiveSpan<D, B, Shade>(t, texture, ramp),
                                      perspectiveWideOf<D, B, Shade>(t, texture, ramp, v, 3));
}

template <Depth D, Blend B, bool Shade>
void perspectiveTable(const Target& t, const uint32_t* texture, const uint32_t* ramp,
                      const ScreenVertex* v, int count) {
    tableWalk<Shade ? 4 : 3>(t, v, count, perspectiveSpan<D, B, Shade>(t, texture, ramp),
                             perspectiveWideOf<D, B, Shade>(t, texture, ramp, v, count));
}

} // namespace

void fillMap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    affinePolygon<Depth::None, Blend::Copy>(t, texture, v, count);
}

void fillMapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                     const std::array<int32_t, 2>& gradients) {
    affineTriangle<Depth::None, Blend::Copy>(t, texture, v, gradients);
}

void fillMapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    affineTable<Depth::None, Blend::Add>(t, texture, v, count);
}

void fillMapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    affineTable<Depth::None, Blend::Div>(t, texture, v, count);
}

void fillMapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    affinePolygon<Depth::TestWrite, Blend::Copy>(t, texture, v, count);
}

void fillMapZTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients) {
    if (!t.depth) return;
    affineTriangle<Depth::TestWrite, Blend::Copy>(t, texture, v, gradients);
}

void fillMapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    affineTable<Depth::TestOnly, Blend::Add>(t, texture, v, count);
}

void fillMapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    affineTable<Depth::TestOnly, Blend::Div>(t, texture, v, count);
}

void fillPmap(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    perspectivePolygon<Depth::None, Blend::Copy, false>(t, texture, nullptr, v, count);
}

void fillPmapTriangle(const Target& t, const uint32_t* texture, const ScreenVertex* v,
                      const std::array<int32_t, 3>& gradients) {
    perspectiveTriangle<Depth::None, Blend::Copy, false>(t, texture, nullptr, v, gradients);
}

void fillPmapTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    perspectiveTable<Depth::None, Blend::Add, false>(t, texture, nullptr, v, count);
}

void fillPmapTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    perspectiveTable<Depth::None, Blend::Div, false>(t, texture, nullptr, v, count);
}

void fillPmapZ(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    perspectivePolygon<Depth::TestWrite, Blend::Copy, false>(t, texture, nullptr, v, count);
}

void fillPmapZTransAdd(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    perspectiveTable<Depth::TestOnly, Blend::Add, false>(t, texture, nullptr, v, count);
}

void fillPmapZTransDiv(const Target& t, const uint32_t* texture, const ScreenVertex* v, int count) {
    if (!t.depth) return;
    perspectiveTable<Depth::TestOnly, Blend::Div, false>(t, texture, nullptr, v, count);
}

void fillPmapZShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                        const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    perspectivePolygon<Depth::TestWrite, Blend::Copy, true>(t, texture, greyRamp, v, count);
}

void fillPmapZShadePsubTriangle(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, const std::array<int32_t, 4>& gradients) {
    if (!t.depth || !greyRamp) return;
    perspectiveTriangle<Depth::TestWrite, Blend::Copy, true>(t, texture, greyRamp, v, gradients);
}

void fillPmapZTransAddShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    perspectiveTable<Depth::TestOnly, Blend::Add, true>(t, texture, greyRamp, v, count);
}

void fillPmapZTransDivShadePsub(const Target& t, const uint32_t* texture, const uint32_t* greyRamp,
                                const ScreenVertex* v, int count) {
    if (!t.depth || !greyRamp) return;
    perspectiveTable<Depth::TestOnly, Blend::Div, true>(t, texture, greyRamp, v, count);
}

} // namespace raster
