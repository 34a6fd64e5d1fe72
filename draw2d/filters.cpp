// Operations on an image itself: fill, constant and indexed add and subtract, the neighbour
// blur, the row box blur and the masked crossfade.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "draw2d/blend_rows.h"
#include "draw2d/draw2d.h"
#include "draw2d/placement.h"

namespace draw2d {

void fill(Image32& image, uint32_t value) { std::fill_n(image.pixels, image.pixelCount(), value); }
void fill(Image8& image, uint32_t value) {
    std::memset(image.indices, static_cast<int>(value & 0xFF), image.pixelCount());
}

void addColour(Image32& image, uint32_t colour) { rowAddConstant(image.pixels, colour, image.pixelCount() & ~size_t{3}); }
void subColour(Image32& image, uint32_t colour) { rowSubConstant(image.pixels, colour, image.pixelCount() & ~size_t{3}); }

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
        for (size_t j = 0; j < k; ++j) tmp[j] = indexed.palette[indexed.indices[from + i + j]];
        row(d + i, tmp, k);
    }
}

} // namespace

void addIndexed(Image32& image, const Image8& indexed) {
    withIndexed(image.pixels, indexed, 0, std::min(image.pixelCount(), indexed.pixelCount()), rowAdd);
}

void subIndexed(Image32& image, const Image8& indexed) {
    withIndexed(image.pixels, indexed, 0, std::min(image.pixelCount(), indexed.pixelCount()), rowSub);
}

void subIndexedAt(Image32& image, const Image8& indexed) {
    VisibleBlock v;
    if (!clipBlock(indexed.x, indexed.y, indexed.width, indexed.height, image.width, image.height, v)) return;
    for (int r = 0; r < v.height; ++r)
        withIndexed(image.pixels + static_cast<size_t>(v.top + r) * image.width + v.left, indexed,
                    static_cast<size_t>(v.skipY + r) * indexed.width + v.skipX, static_cast<size_t>(v.width), rowSub);
}

void blur(Image32& image) {
    // In place and in storage order, so a pixel sees the blurred values above and to its left.
    // Chunks shorter than a row: the seven neighbours other than the left one can be summed
    // for a whole chunk first (those above are final, the rest untouched); the left one then
    // chains through the chunk.
    constexpr int kRow = 512, kBlock = 256;
    uint32_t* p = image.pixels;
    const size_t count = image.pixelCount();
    const __m128i zero = _mm_setzero_si128();
    alignas(16) uint16_t partial[kBlock * 4];
    auto widen = [&](const uint32_t* q) { return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), zero); };
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = std::min<size_t>(kBlock, count - start);
        uint32_t* c = p + start;
        for (size_t i = 0; i < n; i += 2) { // two pixels a step; an odd tail reads one past
            const uint32_t* q = c + i;
            __m128i s = _mm_add_epi16(widen(q - kRow - 1), widen(q - kRow));
            s = _mm_add_epi16(s, widen(q - kRow + 1));
            s = _mm_add_epi16(s, widen(q + 1));
            s = _mm_add_epi16(s, widen(q + kRow - 1));
            s = _mm_add_epi16(s, widen(q + kRow));
            s = _mm_add_epi16(s, widen(q + kRow + 1));
            _mm_store_si128(reinterpret_cast<__m128i*>(partial + 4 * i), s);
        }
        __m128i left = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c[-1])), zero);
        for (size_t i = 0; i < n; ++i) {
            const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(partial + 4 * i));
            left = _mm_srli_epi16(_mm_add_epi16(s, left), 3);
            c[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, zero)));
        }
    }
}

void boxBlurRows(Image32& image, int n) {
    if (n < 1 || n > 128 || image.width != 512) return;
    int top = 0;
    while ((2 << top) <= n) ++top;
    const int shift = top + 8;
    // 2^shift / n, rounded up only when the fraction is above one half.
    const int quotient = (1 << shift) / n, remainder = (1 << shift) % n;
    const int recip = quotient + (2 * remainder > n ? 1 : 0);
    const int half = n / 2;

    // Two rows at once, one in each half of the register: per channel, a saturating running
    // sum S of the line buffer's last n pixels, and pixel i := min((S * recip) >> shift, 255).
    uint32_t line[2][512 + 128 + 1];
    const __m128i zero = _mm_setzero_si128();
    const __m128i r16 = _mm_set1_epi16(static_cast<short>(recip));
    const __m128i lowShift = _mm_cvtsi32_si128(shift), highShift = _mm_cvtsi32_si128(16 - shift);
    for (int row = 0; row < image.height; row += 2) {
        const int rows = std::min(2, image.height - row);
        uint32_t* out[2] = {image.pixels + static_cast<size_t>(row) * image.width,
                            image.pixels + static_cast<size_t>(row + rows - 1) * image.width};
        for (int k = 0; k < 2; ++k) {
            std::fill_n(line[k], 512 + n, 0u);
            if (k < rows) std::memcpy(line[k] + n, out[k] + half, static_cast<size_t>(512 - n) * 4);
        }
        __m128i sum = zero;
        for (int i = 0; i < 512; ++i) {
            const __m128i lo = _mm_mullo_epi16(sum, r16), hi = _mm_mulhi_epu16(sum, r16);
            const __m128i value = _mm_or_si128(_mm_sll_epi16(hi, highShift), _mm_srl_epi16(lo, lowShift));
            const __m128i packed = _mm_packus_epi16(value, zero);
            out[0][i] = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
            if (rows == 2) out[1][i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
            const __m128i leaving = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(line[0][i])),
                                                                         _mm_cvtsi32_si128(static_cast<int>(line[1][i]))),
                                                      zero);
            const __m128i entering = _mm_unpacklo_epi8(
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(line[0][i + n])),
                                   _mm_cvtsi32_si128(static_cast<int>(line[1][i + n]))),
                zero);
            sum = _mm_adds_epu16(_mm_subs_epu16(sum, leaving), entering);
        }
    }
}

void crossfadeMasked(Image32& out, const Image32& b, const Image32& a, const Image8& mask) {
    const size_t n = std::min({b.pixelCount(), a.pixelCount(), mask.pixelCount(), out.pixelCount()});
    const __m128i zero = _mm_setzero_si128(), colour = _mm_set_epi16(0, 255, 255, 255, 0, 255, 255, 255);
    for (size_t i = 0; i < n; ++i) {
        const int m = mask.indices[i];
        const __m128i pb = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(b.pixels[i])), zero);
        const __m128i pa = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a.pixels[i])), zero);
        // Products up to 255 * 255 = 65025: unsigned 16-bit sums stay below 65536.
        const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(pb, _mm_set1_epi16(static_cast<short>(m))),
                                          _mm_mullo_epi16(pa, _mm_set1_epi16(static_cast<short>(255 - m))));
        const __m128i v = _mm_and_si128(_mm_srli_epi16(sum, 8), colour);
        out.pixels[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(v, zero)));
    }
}

} // namespace draw2d
