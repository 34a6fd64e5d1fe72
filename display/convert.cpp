#include "display/convert.h"

#include <emmintrin.h>
#include <immintrin.h>
#include <tmmintrin.h>

#include <cstring>

namespace display {

namespace reference {

void convertTo15(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = src[i] & 0xFF, g = (src[i] >> 8) & 0xFF, r = (src[i] >> 16) & 0xFF;
        const uint16_t v = static_cast<uint16_t>((b >> 3) + ((g & 0xF8) << 2) + ((r & 0xF8) << 7));
        out[2 * i] = static_cast<uint8_t>(v);
        out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

void convertTo16(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = src[i] & 0xFF, g = (src[i] >> 8) & 0xFF, r = (src[i] >> 16) & 0xFF;
        const uint16_t v = static_cast<uint16_t>((b >> 3) + ((g & 0xFC) << 3) + ((r & 0xF8) << 8));
        out[2 * i] = static_cast<uint8_t>(v);
        out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

void convertTo24(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    for (size_t i = 0; i < count; ++i) {
        out[3 * i] = static_cast<uint8_t>(src[i]);
        out[3 * i + 1] = static_cast<uint8_t>(src[i] >> 8);
        out[3 * i + 2] = static_cast<uint8_t>(src[i] >> 16);
    }
}

} // namespace reference

namespace {

// Four pixels to four 16-bit values in 32-bit lanes. One multiply-add moves blue and red
// into place at once ((blue & 0xF8) * x + (red & 0xF8) * 8192), green is masked in, and a
// final shift drops everything below the field.
// 16 bits: blue lands at bits 5-9, green 10-15, red 16-20; shifted up by 11 and back down
// arithmetically, so that the signed pack that follows narrows without saturating.
// 15 bits: blue at bits 6-10, green 11-15, red 16-20; shifted down by 6 the value stays
// below 0x8000.
template <bool Green6> inline __m128i fourWords(__m128i p) {
    const __m128i redBlue = _mm_and_si128(p, _mm_set1_epi32(0x00F800F8));
    const __m128i green = _mm_and_si128(p, _mm_set1_epi32(Green6 ? 0xFC00 : 0xF800));
    const __m128i factors = _mm_set1_epi32(Green6 ? (8192 << 16) | 4 : (8192 << 16) | 8);
    const __m128i v = _mm_or_si128(_mm_madd_epi16(redBlue, factors), green);
    if (Green6) return _mm_srai_epi32(_mm_slli_epi32(v, 11), 16);
    return _mm_srli_epi32(v, 6);
}

template <bool Green6> inline __m128i packEight(__m128i a, __m128i b) {
    return _mm_packs_epi32(fourWords<Green6>(a), fourWords<Green6>(b));
}

template <bool Green6> void finish16Bit(uint8_t* out, const uint32_t* src, size_t count) {
    if (Green6)
        reference::convertTo16(out, src, count);
    else
        reference::convertTo15(out, src, count);
}

template <bool Green6> void convert16BitSse2(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), packEight<Green6>(a, b));
    }
    finish16Bit<Green6>(out + 2 * i, src + i, count - i);
}

// The same arithmetic on eight pixels a register; the pack works per 128-bit half, so the
// quarters are put back in order afterwards.
template <bool Green6> __attribute__((target("avx2"))) inline __m256i eightWords(__m256i p) {
    const __m256i redBlue = _mm256_and_si256(p, _mm256_set1_epi32(0x00F800F8));
    const __m256i green = _mm256_and_si256(p, _mm256_set1_epi32(Green6 ? 0xFC00 : 0xF800));
    const __m256i factors = _mm256_set1_epi32(Green6 ? (8192 << 16) | 4 : (8192 << 16) | 8);
    const __m256i v = _mm256_or_si256(_mm256_madd_epi16(redBlue, factors), green);
    if (Green6) return _mm256_srai_epi32(_mm256_slli_epi32(v, 11), 16);
    return _mm256_srli_epi32(v, 6);
}

template <bool Green6>
__attribute__((target("avx2"))) void convert16BitAvx2(void* dst, const uint32_t* src,
                                                      size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i a =
            eightWords<Green6>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)));
        const __m256i b =
            eightWords<Green6>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 8)));
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i), packed);
    }
    convert16BitSse2<Green6>(out + 2 * i, src + i, count - i);
}

// Sixteen pixels to 48 bytes: drop each pixel's top byte with a byte shuffle, then join the
// four 12-byte groups.
__attribute__((target("ssse3"))) void convert24Ssse3(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const auto* in = reinterpret_cast<const __m128i*>(src + i);
        const __m128i p0 = _mm_shuffle_epi8(_mm_loadu_si128(in + 0), drop);
        const __m128i p1 = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), drop);
        const __m128i p2 = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), drop);
        const __m128i p3 = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), drop);
        auto* o = reinterpret_cast<__m128i*>(out + 3 * i);
        _mm_storeu_si128(o + 0, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
    }
    reference::convertTo24(out + 3 * i, src + i, count - i);
}

bool hasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

template <bool Green6> void convert16Bit(void* dst, const uint32_t* src, size_t count) {
    if (hasAvx2())
        convert16BitAvx2<Green6>(dst, src, count);
    else
        convert16BitSse2<Green6>(dst, src, count);
}

} // namespace

void convertTo15(void* dst, const uint32_t* src, size_t count) {
    convert16Bit<false>(dst, src, count);
}
void convertTo16(void* dst, const uint32_t* src, size_t count) {
    convert16Bit<true>(dst, src, count);
}

void convertTo24(void* dst, const uint32_t* src, size_t count) {
    if (hasSsse3())
        convert24Ssse3(dst, src, count);
    else
        reference::convertTo24(dst, src, count);
}

void copy32(void* dst, const uint32_t* src, size_t count) {
    std::memcpy(dst, src, count * sizeof(uint32_t));
}

bool convertToDepth(int depth, void* dst, const uint32_t* src, size_t count) {
    switch (depth) {
    case 15:
        convertTo15(dst, src, count);
        return true;
    case 16:
        convertTo16(dst, src, count);
        return true;
    case 24:
        convertTo24(dst, src, count);
        return true;
    case 32:
        copy32(dst, src, count);
        return true;
    default:
        return false;
    }
}

int bytesPerPixel(int depth) {
    switch (depth) {
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 0;
    }
}

int layoutFromGreenMask(uint32_t greenMask) {
    switch (greenMask >> 5) {
    case 31:
        return 15;
    case 63:
        return 16;
    default:
        return 0;
    }
}

} // namespace display
