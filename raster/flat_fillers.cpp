#include "raster/flat_fillers.h"

#include <algorithm>

#include "raster/pixel_ops.h"

namespace raster {

namespace {

inline uint32_t* rowAt(const Target& t, const Span<0>& s) {
    return t.pixels + static_cast<size_t>(s.y) * t.width + s.x;
}

inline __m128i load4(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void store4(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}
// mask ? a : b, lane by lane.
inline __m128i select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// The colour blended into a span four pixels at a time, the rest one by one: blend4 and blend
// do the same to four pixels and to one.
template <typename Blend4, typename Blend1>
void blendSpan(uint32_t* p, int count, Blend4 blend4, Blend1 blend) {
    int i = 0;
    for (; i + 4 <= count; i += 4)
        store4(p + i, blend4(load4(p + i)));
    for (; i < count; ++i)
        p[i] = blend(p[i]);
}

// The Z forms carry w: pixels where it is larger than the depth buffer's take the blend of
// the colour, and with WriteZ their w. Four at a time, the rest one by one.
template <bool WriteZ, typename Blend4, typename Blend1>
auto depthSpan(const Target& t, Blend4 blend4, Blend1 blend) {
    return [&t, blend4, blend](const Span<1>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        uint32_t* p = t.pixels + at;
        int32_t* z = t.depth + at;
        const int32_t dw = s.step[0];
        int32_t w = s.value[0];
        int i = 0;
        if (s.count >= 4) {
            const auto step = static_cast<uint32_t>(dw);
            __m128i w4 = steppedLanes(w, dw);
            const __m128i dw4 = _mm_set1_epi32(static_cast<int>(4 * step));
            auto four = [&](int from, __m128i wAt) {
                const __m128i there = load4(z + from);
                const __m128i nearer = _mm_cmpgt_epi32(wAt, there);
                const __m128i old = load4(p + from);
                store4(p + from, select(nearer, blend4(old), old));
                if constexpr (WriteZ) store4(z + from, select(nearer, wAt, there));
            };
            for (; i + 4 <= s.count; i += 4) {
                four(i, w4);
                w4 = _mm_add_epi32(w4, dw4);
            }
            if constexpr (WriteZ) {
                // The last four again: a pixel drawn above now holds w in depth and fails the
                // test, one that failed fails again, so only the pixels left over are drawn.
                if (i < s.count) {
                    const int last = s.count - 4;
                    four(last, _mm_sub_epi32(w4, _mm_set1_epi32(static_cast<int>(
                                                     static_cast<uint32_t>(i - last) * step))));
                    return;
                }
            }
            w = wrapAdd(w, wrapMul(dw, i));
        }
        for (; i < s.count; ++i, w = wrapAdd(w, dw)) {
            if (w > z[i]) {
                if constexpr (WriteZ) z[i] = w;
                p[i] = blend(p[i]);
            }
        }
    };
}

// The Z forms' span eight pixels a step under lane masks, for a colour blended by B.
template <bool WriteZ, Blend B>
RASTER_WIDE inline void depthRunWide(uint32_t* p, int32_t* z, int count, int32_t w, int32_t dw,
                                     uint32_t colour) {
    __m256i w8 = steppedLanes8(w, dw);
    const __m256i dw8 = eightSteps(dw), c = _mm256_set1_epi32(static_cast<int>(colour));
    // The first eight go without a test: with no pixels (count 0) every lane is masked off, and
    // short rows, the most, take no branch on their pixels.
    for (int i = 0;;) {
        const __mmask8 live = firstLanes(count - i);
        const __mmask8 draw =
            _mm256_mask_cmpgt_epi32_mask(live, w8, _mm256_maskz_loadu_epi32(live, z + i));
        if constexpr (WriteZ) _mm256_mask_storeu_epi32(z + i, draw, w8);
        blendStore8<B>(p + i, draw, c);
        if ((i += 8) >= count) return;
        w8 = _mm256_add_epi32(w8, dw8);
    }
}

// The colour blended into a span eight pixels a step under lane masks.
template <Blend B> RASTER_WIDE void blendRunWide(uint32_t* p, int count, uint32_t colour) {
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    for (int i = 0; i < count; i += 8)
        blendStore8<B>(p + i, firstLanes(count - i), c);
}

// v + (k + i) d in lane i, in wrapping arithmetic.
RASTER_WIDE inline __m256i laneSteps(int32_t v, int32_t d, int k) {
    return _mm256_add_epi32(
        _mm256_set1_epi32(v),
        _mm256_mullo_epi32(
            _mm256_add_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)),
            _mm256_set1_epi32(d)));
}

// ceil16() lane by lane: the whole part, one more where there is a fraction.
RASTER_WIDE inline __m256i ceil16Lanes(__m256i v) {
    const __m256i whole = _mm256_srai_epi32(v, 16);
    return _mm256_mask_add_epi32(whole, _mm256_test_epi32_mask(v, _mm256_set1_epi32(0xFFFF)), whole,
                                 _mm256_set1_epi32(1));
}

// Eight 32-bit lanes as doubles and as 64-bit integers, and bits `from` to `from` + 31 of eight
// 64-bit lanes. (The all-lanes masked forms: GCC 12 warns of the undefined source the plain
// ones pass through.)
RASTER_WIDE inline __m512d asDoubles(__m256i v) {
    return _mm512_maskz_cvtepi32_pd(0xFF, v);
}
RASTER_WIDE inline __m512i widened(__m256i v) {
    return _mm512_maskz_cvtepi32_epi64(0xFF, v);
}
RASTER_WIDE inline __m256i bitsFrom(__m512i v, unsigned from) {
    return _mm512_maskz_cvtepi64_epi32(0xFF, _mm512_maskz_srli_epi64(0xFF, v, from));
}

// A band of the ordered walk (crossings a and b, each carrying w) drawn by depthRunWide: eight
// rows at a time are set up in vector lanes, one row to a lane, with makeSpan's arithmetic
// exactly (the slope's two forms, the prestep, the clipping), then drawn in order. Rows outside
// 0 .. end are skipped unseen. Sort puts each row's crossings in order, as the translucent
// walk of a triangle does.
template <bool Sort, bool WriteZ, Blend B>
RASTER_WIDE void depthBandWide(const Target& t, int end, int y, int rows, const WalkEdge& a,
                               const WalkEdge& b, uint32_t colour) {
    const int first = std::max(0, -y), last = std::min(rows, end - y);
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi32(1),
                  low = _mm256_set1_epi32(0xFFFF);
    for (int k = first; k < last; k += 8) {
        __m256i xl = laneSteps(a.x, a.dx, k), wl = laneSteps(a.a[0], a.da[0], k),
                xr = laneSteps(b.x, b.dx, k), wr = laneSteps(b.a[0], b.da[0], k);
        if constexpr (Sort) {
            const __mmask8 swap = _mm256_cmpgt_epi32_mask(xl, xr);
            const __m256i x0 = xl, w0 = wl;
            xl = _mm256_mask_blend_epi32(swap, xl, xr), xr = _mm256_mask_blend_epi32(swap, xr, x0);
            wl = _mm256_mask_blend_epi32(swap, wl, wr), wr = _mm256_mask_blend_epi32(swap, wr, w0);
        }
        __m256i x = ceil16Lanes(xl), n = _mm256_sub_epi32(ceil16Lanes(xr), x);
        __mmask8 draw = _mm256_mask_cmpgt_epi32_mask(firstLanes(last - k), n, zero);
        // slope(): (d << 16) / e over several pixels, over one d times 2^30 / e, bits 14 to 45.
        const __m256i e = _mm256_sub_epi32(xr, xl), d = _mm256_sub_epi32(wr, wl);
        const __mmask8 several = _mm256_cmpgt_epi32_mask(n, one),
                       none = _mm256_cmpeq_epi32_mask(e, zero);
        const __m512d num =
            _mm512_mask_blend_pd(several, _mm512_set1_pd(1073741824.0),
                                 _mm512_maskz_mul_pd(0xFF, asDoubles(d), _mm512_set1_pd(65536.0)));
        const __m512i q = _mm512_maskz_cvttpd_epi64(
            0xFF, _mm512_maskz_div_pd(0xFF, num, asDoubles(_mm256_mask_blend_epi32(none, e, one))));
        const __m256i byOne = bitsFrom(_mm512_maskz_mullo_epi64(0xFF, widened(d), q), 14);
        const __m256i step = _mm256_maskz_mov_epi32(
            static_cast<__mmask8>(~none), _mm256_mask_blend_epi32(several, byOne, bitsFrom(q, 0)));
        // The prestep, mul16(pre, step), and the steps of the pixels clipped off on the left.
        const __m256i pre = _mm256_and_si256(_mm256_sub_epi32(zero, xl), low);
        __m256i value = _mm256_add_epi32(
            wl, bitsFrom(_mm512_maskz_mul_epi32(0xFF, widened(pre), widened(step)), 16));
        const __mmask8 cut = _mm256_cmpgt_epi32_mask(zero, x);
        value = _mm256_mask_add_epi32(value, cut, value,
                                      _mm256_mullo_epi32(_mm256_sub_epi32(zero, x), step));
        n = _mm256_mask_add_epi32(n, cut, n, x), x = _mm256_max_epi32(x, zero);
        n = _mm256_min_epi32(n, _mm256_sub_epi32(_mm256_set1_epi32(t.width), x));
        // Rows with nothing to draw become empty spans at the row's start: every row of the
        // eight is then drawn, and the loop waits on no lane's result to know where it goes.
        draw = _mm256_mask_cmpgt_epi32_mask(draw, n, zero);
        alignas(32) int32_t xs[8], ns[8], values[8], steps[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(xs), _mm256_maskz_mov_epi32(draw, x));
        _mm256_store_si256(reinterpret_cast<__m256i*>(ns), _mm256_maskz_mov_epi32(draw, n));
        _mm256_store_si256(reinterpret_cast<__m256i*>(values), value);
        _mm256_store_si256(reinterpret_cast<__m256i*>(steps), step);
        for (int i = 0, count = std::min(8, last - k); i < count; ++i) {
            const size_t at = static_cast<size_t>(y + k + i) * t.width + xs[i];
            depthRunWide<WriteZ, B>(t.pixels + at, t.depth + at, ns[i], values[i], steps[i],
                                    colour);
        }
    }
}

template <bool WriteZ, Blend B> auto depthSpanWide(const Target& t, uint32_t colour) {
    return [&t, colour](const Span<1>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        depthRunWide<WriteZ, B>(t.pixels + at, t.depth + at, s.count, s.value[0], s.step[0],
                                colour);
    };
}

// walkTable's spans for the translucent depth forms: a polygon whose two ways round from the top
// vertex both go down (every triangle, and the convex polygons the cuts leave) in bands of its
// ordered walk, its crossings put in order row by row; others through the table.
template <Blend B>
void depthTableWide(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!monotone(v, count)) {
        walkTable<1>(t, v, count, depthSpanWide<false, B>(t, colour));
        return;
    }
    const int end = std::min(t.height, EdgeTable::kRows);
    orderedBands<1, 1>(v, count, [&](int y, int rows, const WalkEdge& a, const WalkEdge& b) {
        depthBandWide<true, false, B>(t, end, y, rows, a, b, colour);
    });
}

} // namespace

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    walkPolygon<0>(t, v, count,
                   [&](const Span<0>& s) { std::fill_n(rowAt(t, s), s.count, colour); });
}

void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (wideSpans()) {
        walkTable<0>(t, v, count, [&](const Span<0>& s) {
            blendRunWide<Blend::Add>(rowAt(t, s), s.count, colour);
        });
        return;
    }
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        blendSpan(
            rowAt(t, s), s.count, [c](__m128i d) { return _mm_adds_epu8(d, c); },
            [colour](uint32_t d) { return addSaturate(d, colour); });
    });
}

void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (wideSpans()) {
        walkTable<0>(t, v, count, [&](const Span<0>& s) {
            blendRunWide<Blend::Div>(rowAt(t, s), s.count, colour);
        });
        return;
    }
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        blendSpan(
            rowAt(t, s), s.count, [c](__m128i d) { return average4(d, c); },
            [colour](uint32_t d) { return average(d, colour); });
    });
}

void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    if (wideSpans()) {
        orderedBands<1, 1>(v, count, [&](int y, int rows, const WalkEdge& a, const WalkEdge& b) {
            depthBandWide<false, true, Blend::Copy>(t, t.height, y, rows, a, b, colour);
        });
        return;
    }
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkPolygon<1>(t, v, count,
                   depthSpan<true>(
                       t, [c](__m128i) { return c; }, [colour](uint32_t) { return colour; }));
}

void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    // The depth buffer is not written.
    if (wideSpans()) {
        depthTableWide<Blend::Add>(t, v, count, colour);
        return;
    }
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<1>(t, v, count,
                 depthSpan<false>(
                     t, [c](__m128i d) { return _mm_adds_epu8(d, c); },
                     [colour](uint32_t d) { return addSaturate(d, colour); }));
}

void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    if (wideSpans()) {
        depthTableWide<Blend::Div>(t, v, count, colour);
        return;
    }
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<1>(t, v, count,
                 depthSpan<false>(
                     t, [c](__m128i d) { return average4(d, c); },
                     [colour](uint32_t d) { return average(d, colour); }));
}

} // namespace raster
