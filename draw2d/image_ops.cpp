// The image-to-image operations: one placement and walk for each kind of draw (unscaled,
// scaled in 8.8, the indexed 20.12 add), the blend mode passed in as a row kernel.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include <immintrin.h>

#include "draw2d/blend_rows.h"
#include "draw2d/draw2d.h"
#include "draw2d/placement.h"

namespace draw2d {

namespace {

constexpr int kChunk = 256; // gathered source pixels per kernel call

// A row kernel: blends n gathered source pixels into d; `at` is d's offset in the destination.
using Kernel = void (*)(uint32_t* d, const uint32_t* s, size_t n, size_t at, const void* arg);

struct Blend {
    Kernel kernel;
    const void* arg = nullptr;
    void operator()(uint32_t* d, const uint32_t* s, size_t n, size_t at) const {
        kernel(d, s, n, at, arg);
    }
};

struct AlphaArg {
    unsigned a;
};

void kCopy(uint32_t* d, const uint32_t* s, size_t n, size_t, const void*) {
    rowCopy(d, s, n);
}
void kAdd(uint32_t* d, const uint32_t* s, size_t n, size_t, const void*) {
    rowAdd(d, s, n);
}
void kHalves(uint32_t* d, const uint32_t* s, size_t n, size_t, const void*) {
    rowDivHalves(d, s, n);
}
void kExact(uint32_t* d, const uint32_t* s, size_t n, size_t, const void*) {
    rowDivExact(d, s, n);
}
void kAlpha(uint32_t* d, const uint32_t* s, size_t n, size_t, const void* p) {
    rowAlpha(d, s, n, static_cast<const AlphaArg*>(p)->a);
}
void kAlphaAdd(uint32_t* d, const uint32_t* s, size_t n, size_t, const void* p) {
    rowAlphaAdd(d, s, n, static_cast<const AlphaArg*>(p)->a);
}
void kAlphaSub(uint32_t* d, const uint32_t* s, size_t n, size_t, const void* p) {
    rowAlphaSub(d, s, n, static_cast<const AlphaArg*>(p)->a);
}
void kMasked(uint32_t* d, const uint32_t* s, size_t n, size_t at, const void* mask) {
    rowMaskedAdd(d, s, static_cast<const uint8_t*>(mask) + at, n);
}

// Source pixels of either class as colour words.
struct Source32 {
    const Image32& image;
    int width() const { return image.width; }
    int height() const { return image.height; }
    uint32_t at(size_t offset) const { return image.pixels[offset]; }
};
struct Source8 {
    const Image8& image;
    int width() const { return image.width; }
    int height() const { return image.height; }
    uint32_t at(size_t offset) const { return image.palette[image.indices[offset]]; }
};

// Unscaled: the source's top-left pixel at (x, y).
template <typename Source>
void drawUnscaled(const Source& src, int x, int y, Image32& dst, Blend blend) {
    VisibleBlock v;
    if (!clipBlock(x, y, src.width(), src.height(), dst.width, dst.height, v)) return;
    uint32_t tmp[kChunk];
    for (int r = 0; r < v.height; ++r) {
        const size_t at = static_cast<size_t>(v.top + r) * dst.width + v.left;
        const size_t from = static_cast<size_t>(v.skipY + r) * src.width() + v.skipX;
        if constexpr (std::is_same_v<Source, Source32>) {
            blend(dst.pixels + at, src.image.pixels + from, static_cast<size_t>(v.width), at);
        } else {
            for (int i = 0; i < v.width; i += kChunk) {
                const int n = std::min(kChunk, v.width - i);
                for (int k = 0; k < n; ++k)
                    tmp[k] = src.at(from + static_cast<size_t>(i + k));
                blend(dst.pixels + at + i, tmp, static_cast<size_t>(n),
                      at + static_cast<size_t>(i));
            }
        }
    }
}

// A scaled walk: the visible block of the destination and, for its first pixel, the source
// position in fixed point with `shift` fraction bits.
struct ScaledWalk {
    VisibleBlock block;
    uint64_t u0, v0, du, dv;
    int shift;
};

// Whether a scaled walk may pick its columns in windows: where the processor
// has AVX-512, the walk enlarges (a step of at most one source pixel, so sixteen destination
// pixels fall within seventeen source ones) and its positions fit 31 bits.
bool pickedInWindows(const ScaledWalk& w) {
    static const bool wide = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512vl") &&
                             __builtin_cpu_supports("avx512bw");
    return wide && w.du <= (uint64_t{1} << w.shift) &&
           w.u0 + static_cast<uint64_t>(w.block.width) * w.du < (uint64_t{1} << 31);
}

#define DRAW2D_WIDE __attribute__((target("avx512f,avx512vl,avx512bw")))

// The lanes of the first k (none when k <= 0).
inline __mmask16 firstOf16(int k) {
    return static_cast<__mmask16>(k >= 16 ? 0xFFFF : k <= 0 ? 0 : (1u << k) - 1);
}

// Sixteen 32-bit or 8-bit pixels of a row from column `base` on, widened to lanes; lanes past
// the row's end (`left` pixels from base) are not read.
DRAW2D_WIDE inline __m512i sixteenFrom(const uint32_t* row, int base, int left) {
    return _mm512_maskz_loadu_epi32(firstOf16(left), row + base);
}
DRAW2D_WIDE inline __m512i sixteenFrom(const uint8_t* row, int base, int left) {
    return _mm512_maskz_cvtepu8_epi32(0xFFFF, _mm_maskz_loadu_epi8(firstOf16(left), row + base));
}

// n pixels of a row of `width` at u >> shift, u stepped by du (see pickedInWindows): sixteen a
// step, picked from the 32 pixels of the row from the first one's column on; 8-bit pixels
// then through the palette.
template <typename Pixel>
DRAW2D_WIDE void pickInWindows(const Pixel* row, int width, const uint32_t* palette, uint32_t u,
                               uint32_t du, int shift, uint32_t* out, int n) {
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m512i steps =
        _mm512_mullo_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                           _mm512_set1_epi32(static_cast<int>(du)));
    for (int k = 0; k < n; k += 16, u += 16 * du) {
        const int base = static_cast<int>(u >> shift), left = width - base;
        const __m512i low = sixteenFrom(row, base, left),
                      high = sixteenFrom(row, base + 16, left - 16);
        const __m512i column = _mm512_sub_epi32(
            _mm512_maskz_srl_epi32(
                0xFFFF, _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(u)), steps), count),
            _mm512_set1_epi32(base));
        __m512i picked = _mm512_permutex2var_epi32(low, column, high);
        if constexpr (sizeof(Pixel) == 1)
            picked = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), 0xFFFF, picked,
                                                 reinterpret_cast<const int*>(palette), 4);
        _mm512_mask_storeu_epi32(out + k, firstOf16(n - k), picked);
    }
}

template <typename Source>
void runScaled(const Source& src, Image32& dst, const ScaledWalk& w, Blend blend) {
    uint32_t tmp[kChunk];
    uint64_t v = w.v0;
    const bool windows = pickedInWindows(w);
    for (int r = 0; r < w.block.height; ++r, v += w.dv) {
        const size_t rowStart =
            static_cast<size_t>(v >> w.shift) * static_cast<size_t>(src.width());
        const size_t at = static_cast<size_t>(w.block.top + r) * dst.width + w.block.left;
        uint64_t u = w.u0;
        for (int i = 0; i < w.block.width; i += kChunk) {
            const int n = std::min(kChunk, w.block.width - i);
            if (windows) {
                if constexpr (std::is_same_v<Source, Source32>)
                    pickInWindows(src.image.pixels + rowStart, src.width(), nullptr,
                                  static_cast<uint32_t>(u), static_cast<uint32_t>(w.du), w.shift,
                                  tmp, n);
                else
                    pickInWindows(src.image.indices + rowStart, src.width(),
                                  src.image.palette.data(), static_cast<uint32_t>(u),
                                  static_cast<uint32_t>(w.du), w.shift, tmp, n);
                u += static_cast<uint64_t>(n) * w.du;
            } else {
                for (int k = 0; k < n; ++k, u += w.du)
                    tmp[k] = src.at(rowStart + static_cast<size_t>(u >> w.shift));
            }
            blend(dst.pixels + at + i, tmp, static_cast<size_t>(n), at + static_cast<size_t>(i));
        }
    }
}

// Nearest-neighbour scaling in 8.8, the block centred on (x, y).
template <typename Source>
void drawScaled(const Source& src, int x, int y, Image32& dst, float sx, float sy, Blend blend) {
    const int dw = scaledSize(src.width(), sx), dh = scaledSize(src.height(), sy);
    const uint32_t du = fixedStep(sx, 256.0f), dv = fixedStep(sy, 256.0f);
    ScaledWalk w{};
    if (dw == 0 || dh == 0 || du == 0 || dv == 0) return;
    if (!clipBlock(x - (dw >> 1), y - (dh >> 1), dw, dh, dst.width, dst.height, w.block)) return;
    w.u0 = static_cast<uint64_t>(w.block.skipX) * du;
    w.v0 = static_cast<uint64_t>(w.block.skipY) * dv;
    w.du = du, w.dv = dv, w.shift = 8;
    runScaled(src, dst, w, blend);
}

Source32 source(const Image32& image) {
    return {image};
}
Source8 source(const Image8& image) {
    return {image};
}

template <typename Image> void unscaled(const Image& src, Image32& dst, Blend blend) {
    drawUnscaled(source(src), src.x, src.y, dst, blend);
}

template <typename Image>
void scaled(const Image& src, Image32& dst, float sx, float sy, Blend blend) {
    drawScaled(source(src), src.x, src.y, dst, sx, sy, blend);
}

Blend alphaBlend(Kernel k, AlphaArg& arg, int a) {
    arg.a = static_cast<unsigned>(a) & 0xFF;
    return {k, &arg};
}

} // namespace

// --- Image32 sources -----------------------------------------------------------------------
void drawNormal(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kCopy});
}
void drawNormalClip(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kCopy});
}
void drawNormalZoom(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kCopy});
}
void drawNormalZoomClip(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kCopy});
}
void drawTransAdd(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kAdd});
}
void drawTransAddClip(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kAdd});
}
void drawTransAddZoom(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kAdd});
}
void drawTransAddZoomClip(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kAdd});
}
void drawTransDiv(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kHalves});
}
void drawTransDivClip(const Image32& src, Image32& dst) {
    unscaled(src, dst, {kExact});
}
void drawTransDivZoom(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kHalves});
}
void drawTransDivZoomClip(const Image32& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kHalves});
}
void drawAlpha(const Image32& src, Image32& dst, int a) {
    AlphaArg arg;
    unscaled(src, dst, alphaBlend(kAlpha, arg, a));
}
void drawAlphaClip(const Image32& src, Image32& dst, int a) {
    drawAlpha(src, dst, a);
}
void drawAlphaZoom(const Image32& src, Image32& dst, float sx, float sy, int a) {
    AlphaArg arg;
    scaled(src, dst, sx, sy, alphaBlend(kAlpha, arg, a));
}
void drawAlphaZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a) {
    drawAlphaZoom(src, dst, sx, sy, a);
}
void drawAlphaTransAdd(const Image32& src, Image32& dst, int a) {
    AlphaArg arg;
    unscaled(src, dst, alphaBlend(kAlphaAdd, arg, a));
}
void drawAlphaTransAddZoom(const Image32& src, Image32& dst, float sx, float sy, int a) {
    AlphaArg arg;
    scaled(src, dst, sx, sy, alphaBlend(kAlphaAdd, arg, a));
}
void drawAlphaTransAddZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a) {
    drawAlphaTransAddZoom(src, dst, sx, sy, a);
}
void drawAlphaTransSubZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a) {
    AlphaArg arg;
    scaled(src, dst, sx, sy, alphaBlend(kAlphaSub, arg, a));
}

// --- Image8 sources ------------------------------------------------------------------------
void drawNormal(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kCopy});
}
void drawNormalClip(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kCopy});
}
void drawNormalZoom(const Image8& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kCopy});
}
void drawNormalZoomClip(const Image8& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kCopy});
}
void drawTransAdd(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kAdd});
}
void drawTransAddClip(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kAdd});
}
void drawTransAddZoom(const Image8& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kAdd});
}

void drawTransAddZoomClip(const Image8& src, Image32& dst, float sx, float sy) {
    if (!(sx > 0.0f) || !(sy > 0.0f)) return;
    const float dwf = static_cast<float>(src.width) / sx, dhf = static_cast<float>(src.height) / sy;
    const int dw = scaledSize(src.width, sx), dh = scaledSize(src.height, sy);
    const uint32_t du = fixedStep(sx, 4096.0f), dv = fixedStep(sy, 4096.0f);
    if (dw == 0 || dh == 0 || du == 0 || dv == 0) return;
    const float left = static_cast<float>(src.x) - dwf * 0.5f,
                top = static_cast<float>(src.y) - dhf * 0.5f;
    if (!(std::fabs(left) < 1.0e9f) || !(std::fabs(top) < 1.0e9f)) return;
    ScaledWalk w{};
    if (!clipBlock(static_cast<int>(left), static_cast<int>(top), dw, dh, dst.width, dst.height,
                   w.block))
        return;
    // An unclipped edge starts sampling one step in; a clipped one at the skipped pixels.
    w.u0 = w.block.skipX > 0 ? static_cast<uint64_t>(w.block.skipX) * du : du;
    w.v0 = w.block.skipY > 0 ? static_cast<uint64_t>(w.block.skipY) * dv : dv;
    w.du = du, w.dv = dv, w.shift = 12;
    runScaled(Source8{src}, dst, w, {kAdd});
}

void drawTransDiv(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kHalves});
}
void drawTransDivClip(const Image8& src, Image32& dst) {
    unscaled(src, dst, {kHalves});
}
void drawTransDivZoom(const Image8& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kHalves});
}
void drawTransDivZoomClip(const Image8& src, Image32& dst, float sx, float sy) {
    scaled(src, dst, sx, sy, {kHalves});
}
void drawAlpha(const Image8& src, Image32& dst, int a) {
    AlphaArg arg;
    unscaled(src, dst, alphaBlend(kAlpha, arg, a));
}
void drawAlphaClip(const Image8& src, Image32& dst, int a) {
    drawAlpha(src, dst, a);
}
void drawAlphaZoom(const Image8& src, Image32& dst, float sx, float sy, int a) {
    AlphaArg arg;
    scaled(src, dst, sx, sy, alphaBlend(kAlpha, arg, a));
}
void drawAlphaZoomClip(const Image8& src, Image32& dst, float sx, float sy, int a) {
    drawAlphaZoom(src, dst, sx, sy, a);
}
void drawAlphaTransAddZoom(const Image8& src, Image32& dst, float sx, float sy, int a) {
    AlphaArg arg;
    scaled(src, dst, sx, sy, alphaBlend(kAlphaAdd, arg, a));
}
void drawAlphaTransAddZoomClip(const Image8& src, Image32& dst, float sx, float sy, int a) {
    drawAlphaTransAddZoom(src, dst, sx, sy, a);
}
void drawMaskedAddZoomClip(const Image8& src, Image32& dst, const uint8_t* mask, float sx,
                           float sy) {
    if (!mask) return;
    scaled(src, dst, sx, sy, {kMasked, mask});
}

} // namespace draw2d
