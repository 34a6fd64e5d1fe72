#include "display/convert.h"

#include <emmintrin.h>
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

// Eight pixels to eight 16-bit words. The words are built in 32-bit lanes, then narrowed
// with a signed pack: shifting each word up and arithmetically back down first makes the
// pack's saturation a plain truncation.
template <bool Green6>
inline __m128i packEight(__m128i a, __m128i b) {
    const __m128i blue = _mm_set1_epi32(0xF8), green = _mm_set1_epi32(Green6 ? 0xFC00 : 0xF800);
    const __m128i red = _mm_set1_epi32(0xF80000);
    auto one = [&](__m128i p) {
        __m128i v = _mm_srli_epi32(_mm_and_si128(p, blue), 3);
        v = _mm_or_si128(v, _mm_srli_epi32(_mm_and_si128(p, green), Green6 ? 5 : 6));
        v = _mm_or_si128(v, _mm_srli_epi32(_mm_and_si128(p, red), Green6 ? 8 : 9));
        return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
    };
    return _mm_packs_epi32(one(a), one(b));
}

template <bool Green6>
void convert16Bit(void* dst, const uint32_t* src, size_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), packEight<Green6>(a, b));
    }
    if (Green6)
        reference::convertTo16(out + 2 * i, src + i, count - i);
    else
        reference::convertTo15(out + 2 * i, src + i, count - i);
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

} // namespace

void convertTo15(void* dst, const uint32_t* src, size_t count) { convert16Bit<false>(dst, src, count); }
void convertTo16(void* dst, const uint32_t* src, size_t count) { convert16Bit<true>(dst, src, count); }

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
    case 15: convertTo15(dst, src, count); return true;
    case 16: convertTo16(dst, src, count); return true;
    case 24: convertTo24(dst, src, count); return true;
    case 32: copy32(dst, src, count); return true;
    default: return false;
    }
}

int bytesPerPixel(int depth) {
    switch (depth) {
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

int layoutFromGreenMask(uint32_t greenMask) {
    switch (greenMask >> 5) {
    case 31: return 15;
    case 63: return 16;
    default: return 0;
    }
}

} // namespace display
