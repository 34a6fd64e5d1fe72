#include "raster/flat_fillers.h"

#include <algorithm>

#include "raster/pixel_ops.h"
#include "raster/span_lanes.h"

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

// A polygon's ordered walk drawn by depthRunWide, its rows set up eight at a time in vector
// lanes. Rows outside 0 .. end are skipped unseen. Sort puts each row's crossings in order, as
// the translucent walk of a triangle does.
template <bool Sort, bool WriteZ, Blend B>
RASTER_WIDE void depthWalkWide(const Target& t, int end, const ScreenVertex* v, int count,
                               uint32_t colour) {
    polygonInEights<1, false>(
        v, count, end, [&](int first, int rows, const CrossingLanes<1>& c) RASTER_WIDE {
            SpanRows<1> r;
            storeRows(spanLanes<1, Sort, false>(t, c, rows, nullptr), r);
            for (int i = 0; i < rows; ++i) {
                const size_t at = static_cast<size_t>(first + i) * t.width + r.x[i];
                depthRunWide<WriteZ, B>(t.pixels + at, t.depth + at, r.n[i], r.value[0][i],
                                        r.step[0][i], colour);
            }
        });
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
    depthWalkWide<true, false, B>(t, end, v, count, colour);
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
        depthWalkWide<false, true, Blend::Copy>(t, t.height, v, count, colour);
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
