// Bilinear sprites: sub-pixel placement, 20.12 stepping, four-texel filtering with weights
// that sum to at most 256, and a blend per mode.
#include <emmintrin.h>

#include <cmath>

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

float fractionOf(float t) { return t - std::trunc(t); }

bool planSprite(const Target& t, int srcW, int srcH, float x, float y, float sx, float sy, SpriteWalk& w) {
    if (!(sx > 0.0f) || !(sy > 0.0f) || !(std::fabs(x) < 1.0e8f) || !(std::fabs(y) < 1.0e8f)) return false;
    const float dwf = static_cast<float>(srcW) / sx, dhf = static_cast<float>(srcH) / sy;
    const int dw = scaledSize(srcW, sx), dh = scaledSize(srcH, sy);
    const uint32_t du = fixedStep(sx, 4096.0f), dv = fixedStep(sy, 4096.0f);
    if (dw == 0 || dh == 0 || du == 0 || dv == 0) return false;
    const int xi = static_cast<int>(x), yi = static_cast<int>(y);
    if (!clipBlock(xi - dw / 2, yi - dh / 2, dw, dh, t.width, t.height, w.block)) return false;
    const float u0 = ((1.0f - (x - static_cast<float>(xi))) + fractionOf(dwf * 0.5f)) * sx * 4096.0f;
    const float v0 = ((1.0f - (y - static_cast<float>(yi))) + fractionOf(dhf * 0.5f)) * sy * 4096.0f;
    w.u0 = static_cast<int64_t>(u0) + static_cast<int64_t>(w.block.skipX) * du;
    w.v0 = static_cast<int64_t>(v0) + static_cast<int64_t>(w.block.skipY) * dv;
    w.du = du, w.dv = dv;
    return true;
}

// The four weights of fractions fx, fy (0 .. 4095), as 16-bit lanes: low register
// [w00 x4, w10 x4], high register [w01 x4, w11 x4].
inline void weights(uint32_t fx, uint32_t fy, __m128i& top, __m128i& bottom) {
    const uint32_t ifx = 4096 - fx, ify = 4096 - fy;
    const uint64_t w00 = (ifx * ify) >> 16, w10 = (fx * ify) >> 16, w01 = (ifx * fy) >> 16, w11 = (fx * fy) >> 16;
    const __m128i packed = _mm_cvtsi64_si128(static_cast<long long>(w00 | (w10 << 16) | (w01 << 32) | (w11 << 48)));
    const __m128i pairs = _mm_unpacklo_epi16(packed, packed);
    top = _mm_unpacklo_epi32(pairs, pairs);
    bottom = _mm_unpackhi_epi32(pairs, pairs);
}

// F per channel: min(w00 p00 + w10 p10 + w01 p01 + w11 p11, 65535) >> 8, in the low four
// bytes. p00 and p10 are adjacent in memory, as are p01 and p11.
inline __m128i filtered(const uint32_t* p, size_t stride, __m128i top, __m128i bottom) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero);
    // Products are at most 256 * 255; saturating sums clamp at 65535 whatever their order.
    const __m128i s = _mm_adds_epu16(_mm_mullo_epi16(a, top), _mm_mullo_epi16(b, bottom));
    const __m128i f = _mm_adds_epu16(s, _mm_srli_si128(s, 8));
    return _mm_packus_epi16(_mm_srli_epi16(f, 8), zero);
}

// Walks the visible block: for every destination pixel, `pixel(dst, at, r, c, fx, fy)` with
// the source row r and column c of the top-left texel and the fractions. With a lastRow, rows
// below it are skipped: for 32-bit sources, whose texels there lie wholly in the zero guard
// and add nothing.
template <typename Pixel>
void walk(const Target& t, int64_t lastRow, const SpriteWalk& w, Pixel pixel) {
    int64_t v = w.v0;
    for (int row = 0; row < w.block.height; ++row, v += w.dv) {
        const int64_t r = v >> 12;
        if (r < 0) continue;
        if (r > lastRow) break;
        const uint32_t fy = static_cast<uint32_t>(v & 0xFFF);
        const size_t at = static_cast<size_t>(w.block.top + row) * t.width + w.block.left;
        uint32_t* d = t.pixels + at;
        uint64_t u = static_cast<uint64_t>(w.u0);
        for (int i = 0; i < w.block.width; ++i, u += static_cast<uint64_t>(w.du))
            pixel(d + i, at + i, static_cast<size_t>(r), static_cast<size_t>(u >> 12), static_cast<uint32_t>(u & 0xFFF), fy);
    }
}

template <typename Blend>
void sprite32(const Target& t, const Image32& src, float x, float y, float sx, float sy, Blend blend) {
    SpriteWalk w;
    if (!planSprite(t, src.width, src.height, x, y, sx, sy, w)) return;
    const size_t stride = static_cast<size_t>(src.width);
    walk(t, src.height, w, [&](uint32_t* d, size_t at, size_t r, size_t c, uint32_t fx, uint32_t fy) {
        __m128i top, bottom;
        weights(fx, fy, top, bottom);
        const __m128i f = filtered(src.pixels + r * stride + c, stride, top, bottom);
        blend(d, at, f);
    });
}

inline __m128i load1(const uint32_t* d) { return _mm_cvtsi32_si128(static_cast<int>(*d)); }
inline void store1(uint32_t* d, __m128i v) { *d = static_cast<uint32_t>(_mm_cvtsi128_si32(v)); }
inline __m128i scaled(__m128i f, __m128i a16) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(f, zero), a16), 8), zero);
}

Target whole(Image32& dst) { return {dst.pixels, dst.width, dst.height, 0}; }

} // namespace

void spriteBilAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy) {
    sprite32(whole(dst), src, x, y, sx, sy,
             [](uint32_t* d, size_t, __m128i f) { store1(d, _mm_adds_epu8(load1(d), f)); });
}

void spriteBilAlphaAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy, int a) {
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(whole(dst), src, x, y, sx, sy,
             [&](uint32_t* d, size_t, __m128i f) { store1(d, _mm_adds_epu8(load1(d), scaled(f, a16))); });
}

void spriteBilAlphaSub(Image32& dst, const Image32& src, float x, float y, float sx, float sy, int a) {
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(whole(dst), src, x, y, sx, sy,
             [&](uint32_t* d, size_t, __m128i f) { store1(d, _mm_subs_epu8(load1(d), scaled(f, a16))); });
}

void spriteBilAddDepth(Image32& dst, const Image32& src, float x, float y, float sx, float sy, int32_t depth,
                       const int32_t* depthBuffer) {
    if (!depthBuffer) return;
    sprite32(whole(dst), src, x, y, sx, sy, [&](uint32_t* d, size_t at, __m128i f) {
        if (depth > depthBuffer[at]) store1(d, _mm_adds_epu8(load1(d), f));
    });
}

void spriteBilAlphaAddBand(Image32& dst, const Image32& src, float x, float y, float sx, float sy, int a) {
    if (dst.height < 50) return;
    const Target band{dst.pixels + static_cast<size_t>(30) * dst.width, dst.width, dst.height - 50,
                      static_cast<size_t>(30) * dst.width};
    const __m128i a16 = _mm_set1_epi16(static_cast<short>(a & 0xFF));
    sprite32(band, src, x, y, sx, sy,
             [&](uint32_t* d, size_t, __m128i f) { store1(d, _mm_adds_epu8(load1(d), scaled(f, a16))); });
}

void spriteBilAddIndexed(Image32& dst, const Image8& src, float x, float y, float sx, float sy) {
    const Target t = whole(dst);
    SpriteWalk w;
    if (!planSprite(t, src.width, src.height, x, y, sx, sy, w)) return;
    const size_t stride = static_cast<size_t>(src.width);
    // Zero indices still pick palette[0], so rows past the bottom are drawn too. Their reads
    // may leave the guard at a large scale: past the end of the block they read as zero.
    const size_t readable = src.pixelCount() + src.guardBytes();
    walk(t, INT64_MAX, w, [&](uint32_t* d, size_t, size_t r, size_t c, uint32_t fx, uint32_t fy) {
        const size_t o = r * stride + c;
        uint32_t i00, i10, i01, i11;
        if (o + stride + 1 < readable) {
            const uint8_t* i = src.indices + o;
            i00 = i[0], i10 = i[1], i01 = i[stride], i11 = i[stride + 1];
        } else {
            auto at = [&](size_t k) { return k < readable ? static_cast<uint32_t>(src.indices[k]) : 0u; };
            i00 = at(o), i10 = at(o + 1), i01 = at(o + stride), i11 = at(o + stride + 1);
        }
        const uint32_t ifx = 4096 - fx, ify = 4096 - fy;
        const uint32_t index = (((ifx * ify) >> 16) * i00 + ((fx * ify) >> 16) * i10 + ((ifx * fy) >> 16) * i01 +
                                ((fx * fy) >> 16) * i11) >> 8;
        store1(d, _mm_adds_epu8(load1(d), load1(&src.palette[index])));
    });
}

} // namespace draw2d
