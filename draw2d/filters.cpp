// Operations on an image itself: fill, constant and indexed add and subtract, the neighbour
// blur, the row box blur and the masked crossfade.
#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "draw2d/blend_rows.h"
#include "draw2d/draw2d.h"
#include "draw2d/placement.h"

namespace draw2d {

void fill(Image32& image, uint32_t value) {
    std::fill_n(image.pixels, image.pixelCount(), value);
}
void fill(Image8& image, uint32_t value) {
    std::memset(image.indices, static_cast<int>(value & 0xFF), image.pixelCount());
}

void addColour(Image32& image, uint32_t colour) {
    rowAddConstant(image.pixels, colour, image.pixelCount() & ~size_t{3});
}
void subColour(Image32& image, uint32_t colour) {
    rowSubConstant(image.pixels, colour, image.pixelCount() & ~size_t{3});
}

void addColour(Image8& image, uint32_t colour) {
    const unsigned c = colour & 0xFF;
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.indices[i] = static_cast<uint8_t>(std::min(image.indices[i] + c, 255u));
}

void subColour(Image8& image, uint32_t colour) {
    const int c = static_cast<int>(colour & 0xFF);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.indices[i] = static_cast<uint8_t>(std::max(image.indices[i] - c, 0));
}

namespace {

// Pixel i of `image` with palette[index i] of `indexed`, from the given offsets on.
template <typename Row>
void withIndexed(uint32_t* d, const Image8& indexed, size_t from, size_t n, Row row) {
    uint32_t tmp[256];
    for (size_t i = 0; i < n; i += 256) {
        const size_t k = std::min<size_t>(256, n - i);
        for (size_t j = 0; j < k; ++j)
            tmp[j] = indexed.palette[indexed.indices[from + i + j]];
        row(d + i, tmp, k);
    }
}

} // namespace

void addIndexed(Image32& image, const Image8& indexed) {
    withIndexed(image.pixels, indexed, 0, std::min(image.pixelCount(), indexed.pixelCount()),
                rowAdd);
}

void subIndexed(Image32& image, const Image8& indexed) {
    withIndexed(image.pixels, indexed, 0, std::min(image.pixelCount(), indexed.pixelCount()),
                rowSub);
}

void subIndexedAt(Image32& image, const Image8& indexed) {
    VisibleBlock v;
    if (!clipBlock(indexed.x, indexed.y, indexed.width, indexed.height, image.width, image.height,
                   v))
        return;
    for (int r = 0; r < v.height; ++r)
        withIndexed(image.pixels + static_cast<size_t>(v.top + r) * image.width + v.left, indexed,
                    static_cast<size_t>(v.skipY + r) * indexed.width + v.skipX,
                    static_cast<size_t>(v.width), rowSub);
}

namespace {

// Seven of the eight neighbours (all but the left one) summed per channel in 16-bit lanes,
// for n pixels from c on. Those above must be final and the rest untouched.
__attribute__((target("avx2"))) inline __m256i widen4(const uint32_t* q) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
}

__attribute__((target("avx2"))) void neighbourSumsAvx2(const uint32_t* c, size_t n, uint16_t* out) {
    constexpr ptrdiff_t kRow = 512;
    for (size_t i = 0; i < n; i += 4) { // four pixels a step; a short tail reads into the guard
        const uint32_t* q = c + i;
        __m256i s = _mm256_add_epi16(widen4(q - kRow - 1), widen4(q - kRow));
        s = _mm256_add_epi16(s, widen4(q - kRow + 1));
        s = _mm256_add_epi16(s, widen4(q + 1));
        s = _mm256_add_epi16(s, widen4(q + kRow - 1));
        s = _mm256_add_epi16(s, widen4(q + kRow));
        s = _mm256_add_epi16(s, widen4(q + kRow + 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), s);
    }
}

void neighbourSumsSse2(const uint32_t* c, size_t n, uint16_t* out) {
    constexpr ptrdiff_t kRow = 512;
    const __m128i zero = _mm_setzero_si128();
    auto widen = [&](const uint32_t* q) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), zero);
    };
    for (size_t i = 0; i < n; i += 2) {
        const uint32_t* q = c + i;
        __m128i s = _mm_add_epi16(widen(q - kRow - 1), widen(q - kRow));
        s = _mm_add_epi16(s, widen(q - kRow + 1));
        s = _mm_add_epi16(s, widen(q + 1));
        s = _mm_add_epi16(s, widen(q + kRow - 1));
        s = _mm_add_epi16(s, widen(q + kRow));
        s = _mm_add_epi16(s, widen(q + kRow + 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), s);
    }
}

} // namespace

void blur(Image32& image) {
    // In place and in storage order, so a pixel sees the blurred values above and to its left:
    // new(i) = (s(i) + new(i - 1)) >> 3, s(i) the sum of the other seven neighbours. In chunks
    // shorter than a row, s can be summed for a whole chunk first (the neighbours above are
    // final, the rest untouched). The chain through new(i - 1) is cut in half by taking two
    // steps at once: nested floors of eighths are one floor of sixty-fourths, so
    // new(i) = (8 s(i) + s(i - 1) + new(i - 2)) >> 6, exactly, for two pixels a step.
    constexpr size_t kBlock = 256;
    static const bool avx2 = __builtin_cpu_supports("avx2");
    uint32_t* p = image.pixels;
    const size_t count = image.pixelCount();
    if (count == 0) return;
    const __m128i zero = _mm_setzero_si128();
    alignas(32) uint16_t sums[(kBlock + 8) * 4]; // sums[0..3]: s of the pixel before the chunk
    alignas(16) uint16_t blurred[(kBlock + 4) * 4] = {};
    auto sumAt = [&](size_t i) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + 4 + 4 * i));
    };
    __m128i newer =
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p[-1])), zero); // new(i - 1)
    __m128i pair = zero; // new(i - 2), new(i - 1)
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = std::min(kBlock, count - start);
        uint32_t* c = p + start;
        if (avx2)
            neighbourSumsAvx2(c, n, sums + 4);
        else
            neighbourSumsSse2(c, n, sums + 4);
        size_t i = 0;
        if (start == 0) { // the pixel before the image is not a blurred one: two single steps
            for (; i < 2 && i < n; ++i) {
                newer = _mm_srli_epi16(_mm_add_epi16(sumAt(i), newer), 3);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(blurred + 4 * i), newer);
            }
            pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blurred));
        }
        for (; i + 2 <= n; i += 2) {
            const __m128i both =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 + 4 * i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * i));
            // At most 9 * 2040 + 255: within 16 bits.
            pair = _mm_srli_epi16(
                _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(both, 3), before), pair), 6);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(blurred + 4 * i), pair);
        }
        if (i < n) { // an odd last pixel
            newer = _mm_srli_epi16(_mm_add_epi16(sumAt(i), _mm_srli_si128(pair, 8)), 3);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(blurred + 4 * i), newer);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(sums), sumAt(n - 1));
        i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(blurred + 4 * i));
            const __m128i hi =
                _mm_load_si128(reinterpret_cast<const __m128i*>(blurred + 4 * i + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(c + i), _mm_packus_epi16(lo, hi));
        }
        for (; i < n; ++i)
            c[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(blurred + 4 * i)), zero)));
    }
}

void boxBlurRows(Image32& image, int n) {
    if (n < 1 || n > 128 || image.width != 512) return;
    int top = 0;
    while ((2 << top) <= n)
        ++top;
    const int shift = top + 8;
    // 2^shift / n, rounded up only when the fraction is above one half.
    const int quotient = (1 << shift) / n, remainder = (1 << shift) % n;
    const int recip = quotient + (2 * remainder > n ? 1 : 0);
    // (S * recip) >> shift is the high half of S * (recip << (16 - shift)), which fits 16 bits
    // for n >= 2 (recip is at most 2^shift / n, rounded); for n = 1 the result is S itself.
    const __m128i factor = _mm_set1_epi16(static_cast<short>(n == 1 ? 0 : recip << (16 - shift)));
    const int half = n / 2;

    // Four rows at once, two in each register, so two independent running sums overlap.
    // line[k][i] holds the line buffer pixel i of rows 2k and 2k + 1: n zeros, the row's
    // pixels n/2 .. n/2 + 511 - n, then n zeros.
    constexpr int kLine = 512 + 128;
    alignas(16) uint64_t line[2][kLine];
    alignas(16) uint64_t out[2][512];
    const __m128i zero = _mm_setzero_si128();
    for (int row = 0; row < image.height; row += 4) {
        const int rows = std::min(4, image.height - row);
        uint32_t* r[4];
        for (int k = 0; k < 4; ++k)
            r[k] = image.pixels + static_cast<size_t>(row + std::min(k, rows - 1)) * 512;
        for (int k = 0; k < 2; ++k) {
            for (int i = 0; i < n; ++i)
                line[k][i] = line[k][512 + i] = 0;
            const uint32_t* a = r[2 * k] + half;
            const uint32_t* b = r[2 * k + 1] + half;
            int i = 0;
            for (; i + 4 <= 512 - n; i += 4) {
                const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
                const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(&line[k][n + i]),
                                 _mm_unpacklo_epi32(va, vb));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(&line[k][n + i + 2]),
                                 _mm_unpackhi_epi32(va, vb));
            }
            for (; i < 512 - n; ++i)
                line[k][n + i] = a[i] | static_cast<uint64_t>(b[i]) << 32;
        }
        auto widen = [&](const uint64_t* p) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
        };
        __m128i s0 = zero, s1 = zero;
        for (int i = 0; i < 512; ++i) {
            const __m128i v0 = n == 1 ? s0 : _mm_mulhi_epu16(s0, factor);
            const __m128i v1 = n == 1 ? s1 : _mm_mulhi_epu16(s1, factor);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(&out[0][i]), _mm_packus_epi16(v0, zero));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(&out[1][i]), _mm_packus_epi16(v1, zero));
            s0 = _mm_adds_epu16(_mm_subs_epu16(s0, widen(&line[0][i])), widen(&line[0][i + n]));
            s1 = _mm_adds_epu16(_mm_subs_epu16(s1, widen(&line[1][i])), widen(&line[1][i + n]));
        }
        // Back from pairs to rows; a short last group writes its real rows only.
        for (int k = 0; k < 2; ++k) {
            const bool second = 2 * k + 1 < rows;
            if (2 * k >= rows) break;
            for (int i = 0; i < 512; i += 4) {
                const __m128i p0 = _mm_load_si128(reinterpret_cast<const __m128i*>(&out[k][i]));
                const __m128i p1 = _mm_load_si128(reinterpret_cast<const __m128i*>(&out[k][i + 2]));
                const __m128i even = _mm_shuffle_epi32(p0, 0xD8), odd = _mm_shuffle_epi32(p1, 0xD8);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(r[2 * k] + i),
                                 _mm_unpacklo_epi64(even, odd));
                if (second)
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(r[2 * k + 1] + i),
                                     _mm_unpackhi_epi64(even, odd));
            }
        }
    }
}

void crossfadeMasked(Image32& out, const Image32& b, const Image32& a, const Image8& mask) {
    const size_t n =
        std::min({b.pixelCount(), a.pixelCount(), mask.pixelCount(), out.pixelCount()});
    const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
    // Each channel pair (b, a) weighed by (m, 255 - m) in one multiply-add, two pixels a step.
    auto weights = [](int m) { return _mm_set1_epi32(m | (255 - m) << 16); };
    size_t i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128i pb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b.pixels + i));
        const __m128i pa = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a.pixels + i));
        const __m128i mixed = _mm_unpacklo_epi8(pb, pa);
        const __m128i f0 = _mm_madd_epi16(_mm_unpacklo_epi8(mixed, zero), weights(mask.indices[i]));
        const __m128i f1 =
            _mm_madd_epi16(_mm_unpackhi_epi8(mixed, zero), weights(mask.indices[i + 1]));
        const __m128i v = _mm_packs_epi32(_mm_srli_epi32(f0, 8), _mm_srli_epi32(f1, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out.pixels + i),
                         _mm_and_si128(_mm_packus_epi16(v, zero), colour));
    }
    for (; i < n; ++i) {
        const int m = mask.indices[i];
        uint32_t v = 0;
        for (int k = 0; k < 24; k += 8)
            v |= ((((b.pixels[i] >> k) & 0xFF) * m + ((a.pixels[i] >> k) & 0xFF) * (255 - m)) >> 8)
                 << k;
        out.pixels[i] = v;
    }
}

} // namespace draw2d
