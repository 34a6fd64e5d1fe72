// Bilinear sprites: sub-pixel placement, 20.12 stepping, four-texel filtering with weights
// that sum to at most 256, and a blend per mode.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "draw2d/draw2d.h"
#include "draw2d/placement.h"

namespace draw2d {

namespace {

// The destination a sprite draws into: all of an image, or a band of its rows.
struct Target {
    uint32_t* pixels;
    int width, height;
    size_t offset; // of pixels[0] within the full image, for depth look-ups
};

// The walk of one sprite: the visible block and the 20.12 source position of its first pixel.
struct SpriteWalk {
    VisibleBlock block;
    int64_t u0, v0;
    int64_t du, dv;
};

float fractionOf(float t) {
    return t - std::trunc(t);
}

bool planSprite(const Target& t, int srcW, int srcH, float x, float y, float sx, float sy,
                SpriteWalk& w) {
    if (!(sx > 0.0f) || !(sy > 0.0f) || !(std::fabs(x) < 1.0e8f) || !(std::fabs(y) < 1.0e8f))
        return false;
    const float dwf = static_cast<float>(srcW) / sx, dhf = static_cast<float>(srcH) / sy;
    const int dw = scaledSize(srcW, sx), dh = scaledSize(srcH, sy);
    const uint32_t du = fixedStep(sx, 4096.0f), dv = fixedStep(sy, 4096.0f);
    if (dw == 0 || dh == 0 || du == 0 || dv == 0) return false;
    const int xi = static_cast<int>(x), yi = static_cast<int>(y);
    if (!clipBlock(xi - dw / 2, yi - dh / 2, dw, dh, t.width, t.height, w.block)) return false;
    const float u0 =
        ((1.0f - (x - static_cast<float>(xi))) + fractionOf(dwf * 0.5f)) * sx * 4096.0f;
    const float v0 =
        ((1.0f - (y - static_cast<float>(yi))) + fractionOf(dhf * 0.5f)) * sy * 4096.0f;
    w.u0 = static_cast<int64_t>(u0) + static_cast<int64_t>(w.block.skipX) * du;
    w.v0 = static_cast<int64_t>(v0) + static_cast<int64_t>(w.block.skipY) * dv;
    w.du = du, w.dv = dv;
    return true;
}

// Per sprite, the source column and the fraction of every visible column (the same on every
// row); per row, the weights of every column, packed as [w00 | w10 << 16] for the top texel
// pair and [w01 | w11 << 16] for the bottom one.
struct Columns {
    // Refilled for every sprite; the storage stays, so a frame of many sprites allocates once.
    void reset(int n, uint64_t u0, uint64_t du) {
        count = n;
        column.resize(static_cast<size_t>(n));
        fraction.assign(static_cast<size_t>(n) + 8, 0);
        top.resize(static_cast<size_t>(n) + 8);
        bottom.resize(static_cast<size_t>(n) + 8);
        uint64_t u = u0;
        for (size_t i = 0; i < column.size(); ++i, u += du) {
            column[i] = static_cast<uint32_t>(u >> 12);
            fraction[i] = static_cast<uint16_t>(u & 0xFFF);
        }
    }
    // (a * b) >> 16 of factors up to 4096 is the high half of a 16-bit product: eight columns
    // at a time.
    void weigh(uint32_t fy) {
        const __m128i one = _mm_set1_epi16(4096), vy = _mm_set1_epi16(static_cast<short>(fy));
        const __m128i iy = _mm_set1_epi16(static_cast<short>(4096 - fy));
        for (size_t i = 0; i < column.size(); i += 8) {
            const __m128i fx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&fraction[i]));
            const __m128i ix = _mm_sub_epi16(one, fx);
            const __m128i w00 = _mm_mulhi_epu16(ix, iy), w10 = _mm_mulhi_epu16(fx, iy);
            const __m128i w01 = _mm_mulhi_epu16(ix, vy), w11 = _mm_mulhi_epu16(fx, vy);
            auto* t = reinterpret_cast<__m128i*>(&top[i]);
            auto* b = reinterpret_cast<__m128i*>(&bottom[i]);
            _mm_storeu_si128(t, _mm_unpacklo_epi16(w00, w10));
            _mm_storeu_si128(t + 1, _mm_unpackhi_epi16(w00, w10));
            _mm_storeu_si128(b, _mm_unpacklo_epi16(w01, w11));
            _mm_storeu_si128(b + 1, _mm_unpackhi_epi16(w01, w11));
        }
    }
    int count = 0;
    std::vector<uint32_t> column;
    std::vector<uint16_t> fraction;
    std::vector<uint32_t> top, bottom;
};

// Calls row(at, r, fy) for each visible destination row whose source row r is not negative
// and at most lastRow; `at` is the offset of its first visible pixel in the target.
template <typename Row>
void eachRow(const Target& t, const SpriteWalk& w, int64_t lastRow, Row row) {
    int64_t v = w.v0;
    for (int j = 0; j < w.block.height; ++j, v += w.dv) {
        const int64_t r = v >> 12;
        if (r < 0) continue;
        if (r > lastRow) break;
        row(static_cast<size_t>(w.block.top + j) * t.width + w.block.left, static_cast<size_t>(r),
            static_cast<uint32_t>(v & 0xFFF));
    }
}

// One row's view of the columns in plain pointers: the pixels stored between reads could
// alias the vectors' own fields, which would otherwise be fetched again for every pixel.
struct RowColumns {
    const uint32_t *column, *top, *bottom;
    size_t count;
    explicit RowColumns(const Columns& c)
        : column(c.column.data()), top(c.top.data()), bottom(c.bottom.data()),
          count(static_cast<size_t>(c.count)) {}
};

// Σ w * p of one pixel in 16-bit lanes, its left texels' terms apart from its right ones':
// [left four channels | right four channels]. With weights summing to at most 256 no product
// or sum of bytes passes 65280, so 16 bits hold them all exactly; a multiply per texel pair
// needs fewer shuffles than widening to 32 bits.
inline __m128i weighed16(const uint32_t* row, size_t stride, const RowColumns& cols, size_t i) {
    const __m128i zero = _mm_setzero_si128();
    const uint32_t* p = row + cols.column[i];
    const __m128i t = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i b =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero);
    // [w00 | w10 << 16] as four w00 then four w10.
    auto spread = [](uint32_t w) {
        const __m128i x = _mm_cvtsi32_si128(static_cast<int>(w));
        return _mm_shuffle_epi32(_mm_unpacklo_epi16(x, x), 0x50);
    };
    return _mm_add_epi16(_mm_mullo_epi16(t, spread(cols.top[i])),
                         _mm_mullo_epi16(b, spread(cols.bottom[i])));
}

// One row of filtered pixels, two at a time, handed to blend. The columns come by value (see
// RowColumns).
template <typename Blend>
inline void filteredRow(const uint32_t* row, size_t stride, const RowColumns c, uint32_t* d,
                        size_t at, Blend& blend) {
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 2 <= c.count; i += 2) {
        const __m128i l = weighed16(row, stride, c, i), r = weighed16(row, stride, c, i + 1);
        const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(l, r), _mm_unpackhi_epi64(l, r));
        blend(d + i, at + i, _mm_packus_epi16(_mm_srli_epi16(sum, 8), zero), 2);
    }
    if (i < c.count) {
        const __m128i l = weighed16(row, stride, c, i);
        const __m128i sum = _mm_add_epi16(l, _mm_unpackhi_epi64(l, l));
        blend(d + i, at + i, _mm_packus_epi16(_mm_srli_epi16(sum, 8), zero), 1);
    }
}

// A 32-bit sprite: blend(d, at, f, n) blends n (1 or 2) filtered pixels, f in bytes, into d.
template <typename Blend>
void sprite32(const Target& t, const Image32& src, float x, float y, float sx, float sy,
              Blend blend) {
    SpriteWalk w;
    if (!planSprite(t, src.width, src.height, x, y, sx, sy, w)) return;
    const size_t stride = static_cast<size_t>(src.width);
    static thread_local Columns cols;
    cols.reset(w.block.width, static_cast<uint64_t>(w.u0), static_cast<uint64_t>(w.du));
    // At one source pixel per pixel on whole source positions every weight but the first is 0
    // and the filter gives the texel itself: the same pixels without the filtering.
    const bool exact = w.du == 4096 && w.dv == 4096 && (w.u0 & 0xFFF) == 0 && (w.v0 & 0xFFF) == 0;
    // Rows below the last one read only the zero guard and add nothing.
    eachRow(t, w, src.height, [&](size_t at, size_t r, uint32_t fy) {
        if (exact) {
            const uint32_t* p = src.pixels + r * stride + cols.column[0];
            uint32_t* d = t.pixels + at;
            const auto count = static_cast<size_t>(cols.count);
            size_t i = 0;
            for (; i + 2 <= count; i += 2)
                blend(d + i, at + i, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i)), 2);
            if (i < count) blend(d + i, at + i, _mm_cvtsi32_si128(static_cast<int>(p[i])), 1);
            return;
        }
        cols.weigh(fy);
        const RowColumns c(cols);
        const uint32_t* row = src.pixels + r * stride;
        filteredRow(row, stride, c, t.pixels + at, at, blend);
    });
}

inline __m128i loadN(const void* p, int n) {
    return n == 2 ? _mm_loadl_epi64(static_cast<const __m128i*>(p))
                  : _mm_cvtsi32_si128(*static_cast<const int*>(p));
}
inline void storeN(uint32_t* d, __m128i v, int n) {
    if (n == 2)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v);
    else
        *d = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}
// (f * a) >> 8 per byte of eight bytes.
inline __m128i scaled(__m128i f, __m128i a16) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, f), a16), zero);
}

Target whole(Image32& dst) {
    return {dst.pixels, dst.width, dst.height, 0};
}

} // namespace

void spriteBilAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy) {
    sprite32(whole(dst), src, x, y, sx, sy, [](uint32_t* d, size_t, __m128i f, int n) {
        storeN(d, _mm_adds_epu8(loadN(d, n), f), n);
    });
}

void spriteBilAlphaAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int a) {
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(whole(dst), src, x, y, sx, sy, [a16](uint32_t* d, size_t, __m128i f, int n) {
        storeN(d, _mm_adds_epu8(loadN(d, n), scaled(f, a16)), n);
    });
}

void spriteBilAlphaSub(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int a) {
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(whole(dst), src, x, y, sx, sy, [a16](uint32_t* d, size_t, __m128i f, int n) {
        storeN(d, _mm_subs_epu8(loadN(d, n), scaled(f, a16)), n);
    });
}

void spriteBilAddDepth(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int32_t depth, const int32_t* depthBuffer) {
    if (!depthBuffer) return;
    const __m128i z = _mm_set1_epi32(depth);
    sprite32(whole(dst), src, x, y, sx, sy,
             [z, depthBuffer](uint32_t* d, size_t at, __m128i f, int n) {
                 // Pixels whose depth is at or in front of the sprite's keep their value.
                 const __m128i behind = _mm_cmpgt_epi32(z, loadN(depthBuffer + at, n));
                 storeN(d, _mm_adds_epu8(loadN(d, n), _mm_and_si128(f, behind)), n);
             });
}

void spriteBilAlphaAddBand(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                           int a) {
    if (dst.height < 50) return;
    const Target band{dst.pixels + static_cast<size_t>(30) * dst.width, dst.width, dst.height - 50,
                      static_cast<size_t>(30) * dst.width};
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(band, src, x, y, sx, sy, [a16](uint32_t* d, size_t, __m128i f, int n) {
        storeN(d, _mm_adds_epu8(loadN(d, n), scaled(f, a16)), n);
    });
}

void spriteBilAddIndexed(Image32& dst, const Image8& src, float x, float y, float sx, float sy) {
    const Target t = whole(dst);
    SpriteWalk w;
    if (!planSprite(t, src.width, src.height, x, y, sx, sy, w)) return;
    const size_t stride = static_cast<size_t>(src.width);
    static thread_local Columns cols;
    cols.reset(w.block.width, static_cast<uint64_t>(w.u0), static_cast<uint64_t>(w.du));
    // Zero indices still pick palette[0], so rows past the bottom are drawn too. Their reads
    // may leave the guard at a large scale: past the end of the block they read as zero.
    const size_t readable = src.pixelCount() + src.guardBytes();
    eachRow(t, w, INT64_MAX, [&](size_t at, size_t r, uint32_t fy) {
        cols.weigh(fy);
        const RowColumns c(cols);
        uint32_t* d = t.pixels + at;
        auto onePixel = [&](size_t i) {
            const size_t o = r * stride + c.column[i];
            uint32_t i00, i10, i01, i11;
            if (o + stride + 1 < readable) {
                const uint8_t* p = src.indices + o;
                i00 = p[0], i10 = p[1], i01 = p[stride], i11 = p[stride + 1];
            } else {
                auto read = [&](size_t k) {
                    return k < readable ? static_cast<uint32_t>(src.indices[k]) : 0u;
                };
                i00 = read(o), i10 = read(o + 1), i01 = read(o + stride),
                i11 = read(o + stride + 1);
            }
            const uint32_t index = ((c.top[i] & 0xFFFF) * i00 + (c.top[i] >> 16) * i10 +
                                    (c.bottom[i] & 0xFFFF) * i01 + (c.bottom[i] >> 16) * i11) >>
                                   8;
            storeN(d + i, _mm_adds_epu8(loadN(d + i, 1), loadN(&src.palette[index], 1)), 1);
        };
        size_t i = 0;
        // Columns grow along the row: when the last pixel's four texels are in the block, all
        // are, and four pixels go at a time. Each pixel's two index pairs meet their weight
        // pairs in one multiply-add; the sums stay below 65281, as the scalar ones.
        if (c.count >= 4 && r * stride + c.column[c.count - 1] + stride + 1 < readable) {
            const uint8_t* row = src.indices + r * stride;
            const __m128i zero = _mm_setzero_si128();
            auto pairs = [&](const uint8_t* p) {
                auto two = [&](size_t k) {
                    uint16_t t;
                    std::memcpy(&t, p + c.column[i + k], 2);
                    return static_cast<int>(t);
                };
                __m128i q = _mm_cvtsi32_si128(two(0));
                q = _mm_insert_epi16(q, two(1), 1);
                q = _mm_insert_epi16(q, two(2), 2);
                q = _mm_insert_epi16(q, two(3), 3);
                return _mm_unpacklo_epi8(q, zero);
            };
            for (; i + 4 <= c.count; i += 4) {
                const __m128i sum = _mm_add_epi32(
                    _mm_madd_epi16(pairs(row),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.top + i))),
                    _mm_madd_epi16(
                        pairs(row + stride),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.bottom + i))));
                alignas(16) uint32_t index[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_srli_epi32(sum, 8));
                const __m128i colours = _mm_setr_epi32(static_cast<int>(src.palette[index[0]]),
                                                       static_cast<int>(src.palette[index[1]]),
                                                       static_cast<int>(src.palette[index[2]]),
                                                       static_cast<int>(src.palette[index[3]]));
                auto* q = reinterpret_cast<__m128i*>(d + i);
                _mm_storeu_si128(q, _mm_adds_epu8(_mm_loadu_si128(q), colours));
            }
        }
        for (; i < c.count; ++i)
            onePixel(i);
    });
}

} // namespace draw2d
