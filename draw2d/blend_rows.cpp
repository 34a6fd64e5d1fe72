#include "draw2d/blend_rows.h"

#include <emmintrin.h>

#include <cstring>

namespace draw2d {

namespace {

inline __m128i load(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i load1(const uint32_t* p) {
    return _mm_cvtsi32_si128(static_cast<int>(*p));
}
inline void store1(uint32_t* p, __m128i v) {
    *p = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}

// Runs op on four pixels at a time, then on the one to three left over.
template <typename Op> inline void eachPixel(uint32_t* d, const uint32_t* s, size_t n, Op op) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i, op(load(d + i), load(s + i)));
    for (; i < n; ++i)
        store1(d + i, op(load1(d + i), load1(s + i)));
}

// (v * f) >> 8 per byte, f in 0..255: each byte widened into the high half of a 16-bit lane
// (v << 8), so that the high half of the product with f is already shifted down.
inline __m128i scaleBytes(__m128i v, __m128i f16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, v), f16);
    const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, v), f16);
    return _mm_packus_epi16(lo, hi);
}

} // namespace

void rowCopy(uint32_t* d, const uint32_t* s, size_t n) {
    std::memcpy(d, s, n * sizeof(uint32_t));
}

void rowAdd(uint32_t* d, const uint32_t* s, size_t n) {
    eachPixel(d, s, n, [](__m128i a, __m128i b) { return _mm_adds_epu8(a, b); });
}

void rowSub(uint32_t* d, const uint32_t* s, size_t n) {
    eachPixel(d, s, n, [](__m128i a, __m128i b) { return _mm_subs_epu8(a, b); });
}

void rowDivHalves(uint32_t* d, const uint32_t* s, size_t n) {
    const __m128i mask = _mm_set1_epi32(static_cast<int>(0xFFFEFEFEu));
    eachPixel(d, s, n, [&](__m128i a, __m128i b) {
        return _mm_add_epi32(_mm_srli_epi32(_mm_and_si128(a, mask), 1),
                             _mm_srli_epi32(_mm_and_si128(b, mask), 1));
    });
}

void rowDivExact(uint32_t* d, const uint32_t* s, size_t n) {
    // (a + b) >> 1 without overflow: (a & b) + ((a ^ b) >> 1) per byte.
    const __m128i low7 = _mm_set1_epi8(0x7F);
    eachPixel(d, s, n, [&](__m128i a, __m128i b) {
        const __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(a, b), 1), low7);
        return _mm_add_epi8(_mm_and_si128(a, b), half);
    });
}

void rowAlpha(uint32_t* d, const uint32_t* s, size_t n, unsigned a) {
    a &= 0xFF;
    const __m128i fa = _mm_set1_epi16(static_cast<short>(a)),
                  fd = _mm_set1_epi16(static_cast<short>(255 - a));
    eachPixel(d, s, n, [&](__m128i dv, __m128i sv) {
        return _mm_add_epi8(scaleBytes(dv, fd), scaleBytes(sv, fa));
    });
}

void rowAlphaAdd(uint32_t* d, const uint32_t* s, size_t n, unsigned a) {
    const __m128i fa = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    eachPixel(d, s, n,
              [&](__m128i dv, __m128i sv) { return _mm_adds_epu8(dv, scaleBytes(sv, fa)); });
}

void rowAlphaSub(uint32_t* d, const uint32_t* s, size_t n, unsigned a) {
    const __m128i fa = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    eachPixel(d, s, n,
              [&](__m128i dv, __m128i sv) { return _mm_subs_epu8(dv, scaleBytes(sv, fa)); });
}

void rowMaskedAdd(uint32_t* d, const uint32_t* s, const uint8_t* mask, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    for (size_t i = 0; i < n; ++i) {
        const __m128i f = _mm_set1_epi16(static_cast<short>(mask[i]));
        const __m128i sv =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(load1(s + i), zero), f), 8);
        store1(d + i, _mm_adds_epu8(load1(d + i), _mm_packus_epi16(sv, zero)));
    }
}

void rowAddConstant(uint32_t* d, uint32_t c, size_t n) {
    const __m128i cv = _mm_set1_epi32(static_cast<int>(c));
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i, _mm_adds_epu8(load(d + i), cv));
    for (; i < n; ++i)
        store1(d + i, _mm_adds_epu8(load1(d + i), cv));
}

void rowSubConstant(uint32_t* d, uint32_t c, size_t n) {
    const __m128i cv = _mm_set1_epi32(static_cast<int>(c));
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i, _mm_subs_epu8(load(d + i), cv));
    for (; i < n; ++i)
        store1(d + i, _mm_subs_epu8(load1(d + i), cv));
}

} // namespace draw2d
