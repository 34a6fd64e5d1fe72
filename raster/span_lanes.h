#pragma once
// The ordered walk's rows set up eight at a time, one row to a vector lane, with the edge and
// span arithmetic of the row-by-row walk exactly (the slope's two forms, the prestep, the
// clipping). A row's divisions cost the same in a lane as alone; what the lanes save is the
// scalar work around them and the wait of each row on the one before.
#include <algorithm>
#include <cstddef>
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
    return bitsFrom(
        truncatedQuotients(_mm512_maskz_mul_pd(0xFF, asDoubles(a), _mm512_set1_pd(65536.0)), d), 0);
}

// a / d of 32-bit integers truncated, lane by lane; d not 0 and the quotient in range.
RASTER_WIDE inline __m256i quotients(__m256i a, __m256i d) {
    return _mm512_maskz_cvttpd_epi32(0xFF, _mm512_maskz_div_pd(0xFF, asDoubles(a), asDoubles(d)));
}

// slope() lane by lane: d over a distance e that covers several pixels or rows, or one
// ((d << 16) / e over several, over one d times 2^30 / e, bits 14 to 45; 0 where e is 0).
RASTER_WIDE inline __m256i slopeLanes(__m256i d, __m256i e, __mmask8 several) {
    const __mmask8 none = _mm256_testn_epi32_mask(e, e);
    const __m512d num =
        _mm512_mask_blend_pd(several, _mm512_set1_pd(1073741824.0),
                             _mm512_maskz_mul_pd(0xFF, asDoubles(d), _mm512_set1_pd(65536.0)));
    const __m512i q =
        truncatedQuotients(num, _mm256_mask_blend_epi32(none, e, _mm256_set1_epi32(1)));
    const __m256i byOne = bitsFrom(_mm512_maskz_mullo_epi64(0xFF, widened(d), q), 14);
    return _mm256_maskz_mov_epi32(static_cast<__mmask8>(~none),
                                  _mm256_mask_blend_epi32(several, byOne, bitsFrom(q, 0)));
}

// start + mul16(pre, step), lane by lane.
RASTER_WIDE inline __m256i prestepped(__m256i start, __m256i pre, __m256i step) {
    return _mm256_add_epi32(
        start, bitsFrom(_mm512_maskz_mul_epi32(0xFF, widened(pre), widened(step)), 16));
}

// Eight rows' crossings: x at the left and at the right, and the interpolants at each.
template <int N> struct CrossingLanes { __m256i xl, xr, al[N], ar[N]; };

// Rows k .. k + 7 of a band between crossings a and b (b's interpolants unless Given).
template <int N, bool Given>
RASTER_WIDE inline CrossingLanes<N> bandCrossings(const WalkEdge& a, const WalkEdge& b, int k) {
    CrossingLanes<N> c;
    c.xl = laneSteps(a.x, a.dx, k), c.xr = laneSteps(b.x, b.dx, k);
    for (int i = 0; i < N; ++i) {
        c.al[i] = laneSteps(a.a[i], a.da[i], k);
        if constexpr (!Given) c.ar[i] = laneSteps(b.a[i], b.da[i], k);
    }
    return c;
}

// Eight rows' spans: x and count (both 0 in rows with nothing to draw, so that every row can be
// drawn without a test), each interpolant's value at x and its step.
template <int N> struct SpanLanes {
    __m256i x, n;
    __m256i value[N], step[N];
};

// The spans of the first `rows` (at most eight) of eight rows' crossings; with Given, the steps
// are the gradients and only the left crossings' interpolants are used. Sort puts each row's
// crossings in order, as the translucent walk does.
template <int N, bool Sort, bool Given>
RASTER_WIDE inline SpanLanes<N> spanLanes(const Target& t, CrossingLanes<N> c, int rows,
                                          const int32_t* gradients) {
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi32(1);
    if constexpr (Sort) {
        const __mmask8 swap = _mm256_cmpgt_epi32_mask(c.xl, c.xr);
        const __m256i x0 = c.xl;
        c.xl = _mm256_mask_blend_epi32(swap, c.xl, c.xr);
        c.xr = _mm256_mask_blend_epi32(swap, c.xr, x0);
        for (int i = 0; i < N; ++i) {
            const __m256i l = c.al[i];
            c.al[i] = _mm256_mask_blend_epi32(swap, c.al[i], c.ar[i]);
            c.ar[i] = _mm256_mask_blend_epi32(swap, c.ar[i], l);
        }
    }
    SpanLanes<N> s;
    __m256i x = ceil16Lanes(c.xl), n = _mm256_sub_epi32(ceil16Lanes(c.xr), x);
    if constexpr (Given) {
        for (int i = 0; i < N; ++i)
            s.step[i] = _mm256_set1_epi32(gradients[i]);
    } else {
        const __m256i e = _mm256_sub_epi32(c.xr, c.xl);
        const __mmask8 several = _mm256_cmpgt_epi32_mask(n, one);
        for (int i = 0; i < N; ++i)
            s.step[i] = slopeLanes(_mm256_sub_epi32(c.ar[i], c.al[i]), e, several);
    }
    // The prestep, mul16(pre, step), and the steps of the pixels clipped off on the left.
    const __m256i pre = _mm256_and_si256(_mm256_sub_epi32(zero, c.xl), _mm256_set1_epi32(0xFFFF));
    const __mmask8 cut = _mm256_cmpgt_epi32_mask(zero, x);
    const __m256i clipped = _mm256_sub_epi32(zero, x);
    for (int i = 0; i < N; ++i) {
        const __m256i value = prestepped(c.al[i], pre, s.step[i]);
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
template <int N> struct SpanRows { alignas(32) int32_t x[8], n[8], value[N][8], step[N][8]; };

template <int N> RASTER_WIDE inline void storeRows(const SpanLanes<N>& s, SpanRows<N>& r) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.x), s.x);
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.n), s.n);
    for (int i = 0; i < N; ++i) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(r.value[i]), s.value[i]);
        _mm256_store_si256(reinterpret_cast<__m256i*>(r.step[i]), s.step[i]);
    }
}

// The rows of a band of orderedBands that lie in 0 .. end, eight at a time: eight(y, count,
// crossings) for the rows from y. Only a's interpolants with Given.
template <int N, bool Given, typename Eight>
RASTER_WIDE inline void bandInEights(int end, int y, int rows, const WalkEdge& a, const WalkEdge& b,
                                     Eight eight) {
    const int first = std::max(0, -y), last = std::min(rows, end - y);
    for (int k = first; k < last; k += 8)
        eight(y + k, std::min(8, last - k), bandCrossings<N, Given>(a, b, k));
}

// The lanes from i on.
inline __mmask8 lanesFrom(int i) {
    return static_cast<__mmask8>(i <= 0 ? 0xFF : i >= 8 ? 0 : 0xFF << i);
}

// The edge from vertex `from` down to vertex `to` set up as the ordered walk sets up an edge (x
// and the interpolants at its first row, ceil16 of from's y, and their steps per row), in
// lanes: x and the five interpolants side by side, as a vertex holds them after its y.
RASTER_WIDE inline WalkEdge laneEdge(const ScreenVertex* v, int from, int to) {
    static_assert(offsetof(WalkEdge, a) == offsetof(WalkEdge, x) + 4 &&
                  offsetof(WalkEdge, da) == offsetof(WalkEdge, dx) + 4 &&
                  offsetof(ScreenVertex, a) == 8 && sizeof(ScreenVertex) == 28);
    const ScreenVertex &a = v[from], &b = v[to];
    const __m256i skipY = _mm256_setr_epi32(0, 2, 3, 4, 5, 6, 7, 7);
    auto load = [&](const ScreenVertex& p) RASTER_WIDE {
        return _mm256_permutexvar_epi32(skipY, _mm256_maskz_loadu_epi32(0x7F, &p));
    };
    const __m256i start = load(a);
    WalkEdge e;
    e.index = to, e.rows = ceil16(b.y) - ceil16(a.y);
    const __m256i step = slopeLanes(_mm256_sub_epi32(load(b), start),
                                    _mm256_set1_epi32(wrapSub(b.y, a.y)), e.rows > 1 ? 0xFF : 0);
    _mm256_mask_storeu_epi32(&e.x, 0x3F, prestepped(start, _mm256_set1_epi32(prestep(a.y)), step));
    _mm256_mask_storeu_epi32(&e.dx, 0x3F, step);
    return e;
}

// The ordered walk of a triangle in eights of rows, whatever its bands: eight(y, count,
// crossings) for the rows from y that lie in 0 .. end. Each way round from the top vertex
// crosses its first edge down to the next vertex and then, if that is not the bottom, the
// edge from the middle vertex to the bottom; every row of a triangle lies on both ways, and
// each row's crossings are those of the walk, edge by edge set up and stepped as it does.
template <int N, typename Eight>
RASTER_WIDE inline void triangleInEights(const ScreenVertex* v, int end, Eight eight) {
    int top = 0, bottom = 0;
    for (int i = 1; i < 3; ++i) {
        if (v[i].y < v[top].y)
            top = i;
        else if (v[i].y > v[bottom].y)
            bottom = i;
    }
    if (top == bottom) return;
    const int next = (top + 1) % 3, previous = (top + 2) % 3;
    const int middle = bottom == next ? previous : next;
    const int y = ceil16(v[top].y), rows = ceil16(v[bottom].y) - y;
    const int first = std::max(0, -y), last = std::min(rows, end - y);
    if (first >= last) return;
    const WalkEdge left = laneEdge(v, top, next), right = laneEdge(v, top, previous),
                   lower = laneEdge(v, middle, bottom);
    // Rows from `turn` on lie on the lower edge on the middle vertex's side.
    const bool leftTurns = middle == next;
    const int turn = ceil16(v[middle].y) - y;
    for (int k = first; k < last; k += 8) {
        CrossingLanes<N> c = bandCrossings<N, false>(left, right, k);
        const __mmask8 below = lanesFrom(turn - k);
        if (below) {
            const CrossingLanes<N> l = bandCrossings<N, false>(lower, lower, k - turn);
            if (leftTurns) {
                c.xl = _mm256_mask_blend_epi32(below, c.xl, l.xl);
                for (int i = 0; i < N; ++i)
                    c.al[i] = _mm256_mask_blend_epi32(below, c.al[i], l.al[i]);
            } else {
                c.xr = _mm256_mask_blend_epi32(below, c.xr, l.xr);
                for (int i = 0; i < N; ++i)
                    c.ar[i] = _mm256_mask_blend_epi32(below, c.ar[i], l.ar[i]);
            }
        }
        eight(y + k, std::min(8, last - k), c);
    }
}

// The ordered walk of a polygon in eights of rows that lie in 0 .. end: eight(y, count,
// crossings) for the rows from y, a triangle's across its bands, another's band by band. With
// Given only the left crossings carry interpolants.
template <int N, bool Given, typename Eight>
RASTER_WIDE inline void polygonInEights(const ScreenVertex* v, int count, int end, Eight eight) {
    if (count == 3) {
        triangleInEights<N>(v, end, eight);
        return;
    }
    orderedBands<N, Given ? 0 : N>(v, count,
                                   [&](int y, int rows, const WalkEdge& a, const WalkEdge& b) {
                                       bandInEights<N, Given>(end, y, rows, a, b, eight);
                                   });
}

} // namespace raster
#endif
