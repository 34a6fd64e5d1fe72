#pragma once
// Plain per-byte, per-pixel twins of the drawing operations, written from their definitions
// with no packing, no chunking and one bounds test per pixel.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace ref {

using ByteOp = std::function<int(int d, int s)>;

inline int byteOf(uint32_t w, int k) {
    return static_cast<int>((w >> (8 * k)) & 0xFF);
}

inline uint32_t perByte(uint32_t d, uint32_t s, const ByteOp& op) {
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k)
        out |= static_cast<uint32_t>(op(byteOf(d, k), byteOf(s, k)) & 0xFF) << (8 * k);
    return out;
}

inline ByteOp add() {
    return [](int d, int s) { return std::min(d + s, 255); };
}
inline ByteOp sub() {
    return [](int d, int s) { return std::max(d - s, 0); };
}
inline ByteOp exact() {
    return [](int d, int s) { return (d + s) >> 1; };
}
inline ByteOp alpha(int a) {
    a &= 0xFF;
    return [a](int d, int s) { return ((d * (255 - a)) >> 8) + ((s * a) >> 8); };
}
inline ByteOp alphaAdd(int a) {
    a &= 0xFF;
    return [a](int d, int s) { return std::min(d + ((s * a) >> 8), 255); };
}
inline ByteOp alphaSub(int a) {
    a &= 0xFF;
    return [a](int d, int s) { return std::max(d - ((s * a) >> 8), 0); };
}
inline uint32_t halves(uint32_t d, uint32_t s) {
    return ((d & 0xFFFEFEFEu) >> 1) + ((s & 0xFFFEFEFEu) >> 1);
}

using PixelOp = std::function<uint32_t(uint32_t d, uint32_t s)>;
inline PixelOp bytes(ByteOp op) {
    return [op](uint32_t d, uint32_t s) { return perByte(d, s, op); };
}

struct Canvas {
    int width, height;
    std::vector<uint32_t> pixels;
    void put(int x, int y, uint32_t s, const PixelOp& op) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint32_t& d = pixels[static_cast<size_t>(y) * width + x];
        d = op(d, s);
    }
};

// fetch(column, row) gives the source colour.
using Fetch = std::function<uint32_t(int64_t c, int64_t r)>;

inline void unscaled(Canvas& dst, int w, int h, int x, int y, const Fetch& src, const PixelOp& op) {
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            dst.put(x + c, y + r, src(c, r), op);
}

// 8.8 nearest neighbour, centred: destination pixel (i, j) of the block takes source
// (i * du >> 8, j * dv >> 8).
inline void scaled(Canvas& dst, int w, int h, int x, int y, float sx, float sy, const Fetch& src,
                   const PixelOp& op) {
    const int dw = static_cast<int>(static_cast<float>(w) / sx),
              dh = static_cast<int>(static_cast<float>(h) / sy);
    const uint32_t du = static_cast<uint32_t>(sx * 256.0f), dv = static_cast<uint32_t>(sy * 256.0f);
    const int left = x - (dw >> 1), top = y - (dh >> 1);
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i)
            dst.put(left + i, top + j,
                    src((static_cast<int64_t>(i) * du) >> 8, (static_cast<int64_t>(j) * dv) >> 8),
                    op);
}

// The indexed 20.12 add: sampling starts one step in unless the edge is clipped.
inline void indexedAdd2012(Canvas& dst, int w, int h, int x, int y, float sx, float sy,
                           const Fetch& src) {
    const float dwf = static_cast<float>(w) / sx, dhf = static_cast<float>(h) / sy;
    const int dw = static_cast<int>(dwf), dh = static_cast<int>(dhf);
    const int64_t du = static_cast<int64_t>(sx * 4096.0f), dv = static_cast<int64_t>(sy * 4096.0f);
    const int left = static_cast<int>(static_cast<float>(x) - dwf * 0.5f);
    const int top = static_cast<int>(static_cast<float>(y) - dhf * 0.5f);
    const bool clipLeft = left < 0, clipTop = top < 0;
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            const int64_t u = clipLeft ? i * du : (i + 1) * du, v = clipTop ? j * dv : (j + 1) * dv;
            dst.put(left + i, top + j, src(u >> 12, v >> 12), bytes(add()));
        }
}

// Bilinear sprite sampling exactly as defined: F per channel from four texels read by plain
// offset from the row start (mem(offset) may run past the last row into the guard).
using Memory = std::function<uint32_t(int64_t offset)>;
using SpriteOp = std::function<uint32_t(uint32_t d, uint32_t f, size_t at)>;

inline void sprite(Canvas& dst, int bandTop, int bandHeight, int w, int h, float x, float y,
                   float sx, float sy, const Memory& mem, const SpriteOp& op, bool indexed = false,
                   const std::function<uint32_t(int)>& colourOf = {}) {
    const float dwf = static_cast<float>(w) / sx, dhf = static_cast<float>(h) / sy;
    const int dw = static_cast<int>(dwf), dh = static_cast<int>(dhf);
    const int xi = static_cast<int>(x), yi = static_cast<int>(y);
    const int left = xi - dw / 2, top = yi - dh / 2;
    const float fu =
        ((1.0f - (x - static_cast<float>(xi))) + (dwf * 0.5f - std::trunc(dwf * 0.5f))) * sx *
        4096.0f;
    const float fv =
        ((1.0f - (y - static_cast<float>(yi))) + (dhf * 0.5f - std::trunc(dhf * 0.5f))) * sy *
        4096.0f;
    const int64_t u0 = static_cast<int64_t>(fu), v0 = static_cast<int64_t>(fv);
    const int64_t du = static_cast<int64_t>(sx * 4096.0f), dv = static_cast<int64_t>(sy * 4096.0f);
    for (int j = 0; j < dh; ++j) {
        const int by = top + j;
        if (by < 0 || by >= bandHeight) continue;
        const int64_t v = v0 + j * dv, r = v >> 12, fy = v & 0xFFF;
        if (r < 0) continue;
        for (int i = 0; i < dw; ++i) {
            const int bx = left + i;
            if (bx < 0 || bx >= dst.width) continue;
            const int64_t u = u0 + i * du, c = u >> 12, fx = u & 0xFFF;
            const int64_t w00 = ((4096 - fx) * (4096 - fy)) >> 16, w10 = (fx * (4096 - fy)) >> 16;
            const int64_t w01 = ((4096 - fx) * fy) >> 16, w11 = (fx * fy) >> 16;
            const uint32_t p00 = mem(r * w + c), p10 = mem(r * w + c + 1),
                           p01 = mem((r + 1) * w + c), p11 = mem((r + 1) * w + c + 1);
            uint32_t f = 0;
            if (indexed) {
                f = colourOf(
                    static_cast<int>((w00 * p00 + w10 * p10 + w01 * p01 + w11 * p11) >> 8));
            } else {
                for (int k = 0; k < 4; ++k) {
                    const int64_t sum = w00 * byteOf(p00, k) + w10 * byteOf(p10, k) +
                                        w01 * byteOf(p01, k) + w11 * byteOf(p11, k);
                    f |= static_cast<uint32_t>(std::min<int64_t>(sum, 65535) >> 8) << (8 * k);
                }
            }
            const size_t at = static_cast<size_t>(bandTop + by) * dst.width + bx;
            dst.pixels[at] = op(dst.pixels[at], f, at);
        }
    }
}

} // namespace ref
