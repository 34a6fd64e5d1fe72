#pragma once
// Anti-aliased lines in 16.16 fixed point, after Wu: each step along the major axis covers two
// neighbouring pixels whose shares of the colour add up to one, the end pixels weighted by how
// much of them the segment covers. Lines blend with the image, never overwrite it.
#include <cstdint>

#include "picture/image32.h"

namespace draw2d {

using picture::Image32;

// ((old * (255 - v)) >> 8) + ((colour * v) >> 8) per byte.
uint32_t blendWeighted(uint32_t old, uint32_t colour, int v);

// Clips (x0, y0) - (x1, y1) to the box [1, W - 2] x [1, H - 2]; false when nothing is left.
bool clipLine(float& x0, float& y0, float& x1, float& y1, int width, int height);

void drawLineAA(float x0, float y0, float x1, float y1, Image32& target, uint32_t colour);
// Each pair of pixels drawn only where the depth buffer (laid out like target) holds less than
// the line's depth there, stepped from depth0 to depth1; the depth buffer is not written.
void drawLineAAZ(float x0, float y0, float x1, float y1, int32_t depth0, int32_t depth1,
                 Image32& target, uint32_t colour, const int32_t* depthBuffer);

} // namespace draw2d
