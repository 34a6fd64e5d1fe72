#pragma once
// Where a drawn block lands in the destination and which part of it is visible.
#include <cstdint>

namespace draw2d {

// A block of drawn width x height at (left, top), clipped edge by edge against a destination
// of dstWidth x dstHeight: `skipX` pixels and `skipY` rows of it lie off the left and top.
struct VisibleBlock {
    int left = 0, top = 0; // first visible destination pixel
    int width = 0, height = 0;
    int skipX = 0, skipY = 0;
};

// False when nothing of the block is visible.
inline bool clipBlock(int left, int top, int width, int height, int dstWidth, int dstHeight,
                      VisibleBlock& v) {
    const int64_t l = left, t = top;
    const int64_t skipL = l < 0 ? -l : 0, skipT = t < 0 ? -t : 0;
    const int64_t overR = l + width > dstWidth ? l + width - dstWidth : 0;
    const int64_t overB = t + height > dstHeight ? t + height - dstHeight : 0;
    const int64_t w = width - skipL - overR, h = height - skipT - overB;
    if (w <= 0 || h <= 0) return false;
    v.left = static_cast<int>(l + skipL);
    v.top = static_cast<int>(t + skipT);
    v.width = static_cast<int>(w);
    v.height = static_cast<int>(h);
    v.skipX = static_cast<int>(skipL);
    v.skipY = static_cast<int>(skipT);
    return true;
}

// Drawn size of a scaled draw: source size / scale, truncated toward zero; 0 for a scale
// that is not a positive number or a size beyond any destination.
inline int scaledSize(int sourceSize, float scale) {
    if (!(scale > 0.0f)) return 0;
    const float s = static_cast<float>(sourceSize) / scale;
    return s >= 1.0f && s < 1.0e7f ? static_cast<int>(s) : 0;
}

// A fixed-point step: trunc(scale * one).
inline uint32_t fixedStep(float scale, float one) {
    const float s = scale * one;
    return s > 0.0f && s < 4.0e9f ? static_cast<uint32_t>(s) : 0;
}

} // namespace draw2d
