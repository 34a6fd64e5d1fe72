#pragma once
// Eight rows of a band of the ordered walk set up at once, one row to a vector lane, with
// makeSpan's arithmetic exactly (the slope's two forms, the prestep, the clipping). A row's
// divisions cost the same in a lane as alone; what the lanes save is the scalar work around
// them and the wait of each row on the one before.
#include <algorithm>
#include <array>
#include <cstdint>

#include "raster/pixel_ops.h"
#include "raster/polygon.h"

#if defined(__SSE2__)
namespace raster {

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

// The 64-bit quotients of a / d in doubles, truncated: exact as in divide16. d not 0.
RASTER_WIDE inline __m512i truncatedQuotients(__m512d a, __m256i d) {
    return _mm512_maskz_cvttpd_epi64(0xFF, _mm512_maskz_div_pd(0xFF, a, asDoubles(d)));
}

// (a << 16) / d, truncated, in the low 32 bits: divide16 lane by lane; d not 0.
RASTER_WIDE inline __m256i quotients16(__m256i a, __m256i d) {
    return bitsFrom(truncatedQuotients(
                        _mm512_maskz_mul_pd(0xFF, asDoubles(a), _mm512_set1_pd(65536.0)), d),
                    0);
}

// a / d of 32-bit integers truncated, lane by lane; d not 0 and the quotient in range.
RASTER_WIDE inline __m256i quotients(__m256i a, __m256i d) {
    return _mm512_maskz_cvttpd_epi32(0xFF, _mm512_maskz_div_pd(0xFF, asDoubles(a), asDoubles(d)));
}

// Eight rows' spans: x and count (both 0 in rows with nothing to draw, so that every row can be
// drawn without a test), each interpolant's value at x and its step.
template <int N> struct SpanLanes {
    __m256i x, n;
    __m256i value[N], step[N];
};

// Rows k .. k + rows - 1 (at most eight) of a band between crossings a and b, each carrying N
// interpolants; with Given, only a carries them and the steps are gradients. Sort puts each
// row's crossings in order, as the translucent walk does.
template <int N, bool Sort, bool Given>
RASTER_WIDE inline SpanLanes<N> spanLanes(const Target& t, int k, int rows, const WalkEdge& a,
                                          const WalkEdge& b, const int32_t* gradients) {
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi32(1);
    __m256i xl = laneSteps(a.x, a.dx, k), xr = laneSteps(b.x, b.dx, k);
    __m256i al[N], ar[N];
    for (int i = 0; i < N; ++i) {
        al[i] = laneSteps(a.a[i], a.da[i], k);
        if constexpr (!Given) ar[i] = laneSteps(b.a[i], b.da[i], k);
    }
    if constexpr (Sort) {
        const __mmask8 swap = _mm256_cmpgt_epi32_mask(xl, xr);
        const __m256i x0 = xl;
        xl = _mm256_mask_blend_epi32(swap, xl, xr), xr = _mm256_mask_blend_epi32(swap, xr, x0);
        for (int i = 0; i < N; ++i) {
            const __m256i l = al[i];
            al[i] = _mm256_mask_blend_epi32(swap, al[i], ar[i]);
            ar[i] = _mm256_mask_blend_epi32(swap, ar[i], l);
        }
    }
    SpanLanes<N> s;
    __m256i x = ceil16Lanes(xl), n = _mm256_sub_epi32(ceil16Lanes(xr), x);
    if constexpr (Given) {
        for (int i = 0; i < N; ++i)
            s.step[i] = _mm256_set1_epi32(gradients[i]);
    } else {
        // slope(): (d << 16) / e over several pixels, over one d times 2^30 / e, bits 14 to 45.
        const __m256i e = _mm256_sub_epi32(xr, xl);
        const __mmask8 several = _mm256_cmpgt_epi32_mask(n, one),
                       none = _mm256_cmpeq_epi32_mask(e, zero);
        const __m256i distance = _mm256_mask_blend_epi32(none, e, one);
        for (int i = 0; i < N; ++i) {
            const __m256i d = _mm256_sub_epi32(ar[i], al[i]);
            const __m512d num = _mm512_mask_blend_pd(
                several, _mm512_set1_pd(1073741824.0),
                _mm512_maskz_mul_pd(0xFF, asDoubles(d), _mm512_set1_pd(65536.0)));
            const __m512i q = truncatedQuotients(num, distance);
            const __m256i byOne = bitsFrom(_mm512_maskz_mullo_epi64(0xFF, widened(d), q), 14);
            s.step[i] = _mm256_maskz_mov_epi32(
                static_cast<__mmask8>(~none),
                _mm256_mask_blend_epi32(several, byOne, bitsFrom(q, 0)));
        }
    }
    // The prestep, mul16(pre, step), and the steps of the pixels clipped off on the left.
    const __m256i pre = _mm256_and_si256(_mm256_sub_epi32(zero, xl), _mm256_set1_epi32(0xFFFF));
    const __mmask8 cut = _mm256_cmpgt_epi32_mask(zero, x);
    const __m256i clipped = _mm256_sub_epi32(zero, x);
    for (int i = 0; i < N; ++i) {
        __m256i value = _mm256_add_epi32(
            al[i], bitsFrom(_mm512_maskz_mul_epi32(0xFF, widened(pre), widened(s.step[i])), 16));
        s.value[i] =
            _mm256_mask_add_epi32(value, cut, value, _mm256_mullo_epi32(clipped, s.step[i]));
    }
    n = _mm256_mask_add_epi32(n, cut, n, x), x = _mm256_max_epi32(x, zero);
    n = _mm256_min_epi32(n, _mm256_sub_epi32(_mm256_set1_epi32(t.width), x));
    const __mmask8 draw = _mm256_mask_cmpgt_epi32_mask(firstLanes(rows), n, zero);
    s.x = _mm256_maskz_mov_epi32(draw, x), s.n = _mm256_maskz_mov_epi32(draw, n);
    return s;
}

// Lanes stored for the row by row drawing that follows.
template <int N> struct SpanRows {
    alignas(32) int32_t x[8], n[8], value[N][8], step[N][8];
};

template <int N> RASTER_WIDE inline void storeRows(const SpanLanes<N>& s, SpanRows<N>& r) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.x), s.x);
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.n), s.n);
    for (int i = 0; i < N; ++i) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(r.value[i]), s.value[i]);
        _mm256_store_si256(reinterpret_cast<__m256i*>(r.step[i]), s.step[i]);
    }
}

// The rows of a band of orderedBands that lie in 0 .. end, eight at a time: eight(k, count)
// for the rows from y + k.
template <typename Eight> RASTER_WIDE inline void bandInEights(int end, int y, int rows, Eight eight) {
    const int first = std::max(0, -y), last = std::min(rows, end - y);
    for (int k = first; k < last; k += 8)
        eight(k, std::min(8, last - k));
}

} // namespace raster
#endif
