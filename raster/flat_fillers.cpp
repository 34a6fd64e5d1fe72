#include "raster/flat_fillers.h"

#include <emmintrin.h>

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
// Per byte: (d + s) >> 1, as average() does it.
inline __m128i average4(__m128i d, __m128i s) {
    return _mm_add_epi32(_mm_and_si128(d, s), _mm_and_si128(_mm_srli_epi32(_mm_xor_si128(d, s), 1),
                                                            _mm_set1_epi32(0x7F7F7F7F)));
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

} // namespace

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    walkPolygon<0>(t, v, count,
                   [&](const Span<0>& s) { std::fill_n(rowAt(t, s), s.count, colour); });
}

void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        blendSpan(
            rowAt(t, s), s.count, [c](__m128i d) { return _mm_adds_epu8(d, c); },
            [colour](uint32_t d) { return addSaturate(d, colour); });
    });
}

void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        blendSpan(
            rowAt(t, s), s.count, [c](__m128i d) { return average4(d, c); },
            [colour](uint32_t d) { return average(d, colour); });
    });
}

void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkPolygon<1>(t, v, count,
                   depthSpan<true>(
                       t, [c](__m128i) { return c; }, [colour](uint32_t) { return colour; }));
}

void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    // The depth buffer is not written.
    walkTable<1>(t, v, count,
                 depthSpan<false>(
                     t, [c](__m128i d) { return _mm_adds_epu8(d, c); },
                     [colour](uint32_t d) { return addSaturate(d, colour); }));
}

void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    walkTable<1>(t, v, count,
                 depthSpan<false>(
                     t, [c](__m128i d) { return average4(d, c); },
                     [colour](uint32_t d) { return average(d, colour); }));
}

} // namespace raster
