#pragma once
// What the fillers do to a pixel, on the four bytes of a 32-bit word at once. The word-wide
// forms are the plain twins of the vector ones, and the reference the tests hold them to.
#include <cstdint>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace raster {

#if defined(__SSE2__)
// v, v + d, v + 2d, v + 3d in wrapping arithmetic: a stepped value over four pixels.
inline __m128i steppedLanes(int32_t v, int32_t d) {
    const auto step = static_cast<uint32_t>(d);
    return _mm_add_epi32(_mm_set1_epi32(v),
                         _mm_setr_epi32(0, static_cast<int>(step), static_cast<int>(2 * step),
                                        static_cast<int>(3 * step)));
}

// One pixel in the low lane of a vector register: the saturating byte operations are single
// instructions there, where the word-wide forms below take a dozen.
inline uint32_t addSaturate(uint32_t d, uint32_t s) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_adds_epu8(
        _mm_cvtsi32_si128(static_cast<int>(d)), _mm_cvtsi32_si128(static_cast<int>(s)))));
}
inline uint32_t subSaturate(uint32_t d, uint32_t s) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_subs_epu8(
        _mm_cvtsi32_si128(static_cast<int>(d)), _mm_cvtsi32_si128(static_cast<int>(s)))));
}

// Per byte: (d + s) >> 1 of four pixels, as average() does it to one.
inline __m128i average4(__m128i d, __m128i s) {
    return _mm_add_epi32(_mm_and_si128(d, s), _mm_and_si128(_mm_srli_epi32(_mm_xor_si128(d, s), 1),
                                                            _mm_set1_epi32(0x7F7F7F7F)));
}
#endif

// Per byte: min(255, d + s).
inline uint32_t addSaturateWord(uint32_t d, uint32_t s) {
    const uint32_t sum = (d & 0x7F7F7F7Fu) + (s & 0x7F7F7F7Fu);
    const uint32_t high = (d ^ s) & 0x80808080u, carry = (d & s) & 0x80808080u;
    const uint32_t over = carry | (high & sum);
    const uint32_t full = (over >> 7) * 0xFFu;
    return (sum ^ high) | full;
}

// Per byte: (d + s) >> 1.
inline uint32_t average(uint32_t d, uint32_t s) {
    return (d & s) + (((d ^ s) >> 1) & 0x7F7F7F7Fu);
}

// Per byte: max(0, d - s).
inline uint32_t subSaturateWord(uint32_t d, uint32_t s) {
    const uint32_t diff = ((d | 0x80808080u) - (s & 0x7F7F7F7Fu)) ^ ((d ^ ~s) & 0x80808080u);
    const uint32_t borrow = ((~d & s) | (~(d ^ s) & diff)) & 0x80808080u;
    return diff & ~((borrow >> 7) * 0xFFu);
}

#if !defined(__SSE2__)
inline uint32_t addSaturate(uint32_t d, uint32_t s) {
    return addSaturateWord(d, s);
}
inline uint32_t subSaturate(uint32_t d, uint32_t s) {
    return subSaturateWord(d, s);
}
#endif

enum class Blend { Copy, Add, Div };

template <Blend B> inline uint32_t blend(uint32_t d, uint32_t s) {
    if constexpr (B == Blend::Add)
        return addSaturate(d, s);
    else if constexpr (B == Blend::Div)
        return average(d, s);
    else
        return s;
}

#if defined(__SSE2__)
// The wide spans' eight-lane pieces (see wideSpans): built for processors with AVX-512VL and
// called only where one is there.
#define RASTER_WIDE __attribute__((target("avx2,avx512f,avx512vl,avx512dq")))

// v, v + d, ... v + 7d in wrapping arithmetic, and the step of eight pixels.
RASTER_WIDE inline __m256i steppedLanes8(int32_t v, int32_t d) {
    return _mm256_add_epi32(
        _mm256_set1_epi32(v),
        _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(d)));
}
RASTER_WIDE inline __m256i eightSteps(int32_t d) {
    return _mm256_set1_epi32(static_cast<int>(8 * static_cast<uint32_t>(d)));
}

// The lanes of the first min(count, 8) pixels.
inline __mmask8 firstLanes(int count) {
    return static_cast<__mmask8>(count >= 8 ? 0xFF : (1u << count) - 1);
}

// average() of eight pixels.
RASTER_WIDE inline __m256i average8(__m256i d, __m256i s) {
    return _mm256_add_epi32(_mm256_and_si256(d, s),
                            _mm256_and_si256(_mm256_srli_epi32(_mm256_xor_si256(d, s), 1),
                                             _mm256_set1_epi32(0x7F7F7F7F)));
}

// blend<B> of s into the pixels of the lanes in m; the others are neither read nor written.
template <Blend B> RASTER_WIDE inline void blendStore8(uint32_t* p, __mmask8 m, __m256i s) {
    if constexpr (B == Blend::Add) {
        s = _mm256_adds_epu8(_mm256_maskz_loadu_epi32(m, p), s);
    } else if constexpr (B == Blend::Div) {
        s = average8(_mm256_maskz_loadu_epi32(m, p), s);
    }
    _mm256_mask_storeu_epi32(p, m, s);
}
#endif

} // namespace raster
