#pragma once
// The drawing operations of the image classes. `src` is the image drawn, placed by its own x
// and y; `dst` the image drawn into. Unscaled operations put src's top-left pixel at (x, y);
// scaled ones centre a (width / sx) x (height / sy) block on it. Every operation is clipped
// to the destination: the unclipped forms differ only where a caller let an image leave
// the destination, which would write outside its pixels.
#include <cstdint>

#include "picture/image32.h"
#include "picture/image8.h"

namespace draw2d {

using picture::Image32;
using picture::Image8;

// --- Image32 sources -----------------------------------------------------------------------
void drawNormal(const Image32& src, Image32& dst);
void drawNormalClip(const Image32& src, Image32& dst);
void drawNormalZoom(const Image32& src, Image32& dst, float sx, float sy);
void drawNormalZoomClip(const Image32& src, Image32& dst, float sx, float sy);
void drawTransAdd(const Image32& src, Image32& dst);
void drawTransAddClip(const Image32& src, Image32& dst);
void drawTransAddZoom(const Image32& src, Image32& dst, float sx, float sy);
void drawTransAddZoomClip(const Image32& src, Image32& dst, float sx, float sy);
// By halves: (d >> 1) + (s >> 1).
void drawTransDiv(const Image32& src, Image32& dst);
// Exact: (d + s) >> 1.
void drawTransDivClip(const Image32& src, Image32& dst);
void drawTransDivZoom(const Image32& src, Image32& dst, float sx, float sy);
void drawTransDivZoomClip(const Image32& src, Image32& dst, float sx, float sy);
void drawAlpha(const Image32& src, Image32& dst, int a);
void drawAlphaClip(const Image32& src, Image32& dst, int a);
void drawAlphaZoom(const Image32& src, Image32& dst, float sx, float sy, int a);
void drawAlphaZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a);
void drawAlphaTransAdd(const Image32& src, Image32& dst, int a);
void drawAlphaTransAddZoom(const Image32& src, Image32& dst, float sx, float sy, int a);
void drawAlphaTransAddZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a);
void drawAlphaTransSubZoomClip(const Image32& src, Image32& dst, float sx, float sy, int a);

// --- Image8 sources: the colour of a pixel is palette[index] -----------------------------
void drawNormal(const Image8& src, Image32& dst);
void drawNormalClip(const Image8& src, Image32& dst);
void drawNormalZoom(const Image8& src, Image32& dst, float sx, float sy);
void drawNormalZoomClip(const Image8& src, Image32& dst, float sx, float sy);
void drawTransAdd(const Image8& src, Image32& dst);
void drawTransAddClip(const Image8& src, Image32& dst);
void drawTransAddZoom(const Image8& src, Image32& dst, float sx, float sy);
// Placed at (trunc(x - w / sx / 2), trunc(y - h / sy / 2)) and stepped in 20.12; sampling
// starts one step in at an unclipped left or top edge.
void drawTransAddZoomClip(const Image8& src, Image32& dst, float sx, float sy);
void drawTransDiv(const Image8& src, Image32& dst);     // by halves
void drawTransDivClip(const Image8& src, Image32& dst); // by halves too
void drawTransDivZoom(const Image8& src, Image32& dst, float sx, float sy);
void drawTransDivZoomClip(const Image8& src, Image32& dst, float sx, float sy);
void drawAlpha(const Image8& src, Image32& dst, int a);
void drawAlphaClip(const Image8& src, Image32& dst, int a);
void drawAlphaZoom(const Image8& src, Image32& dst, float sx, float sy, int a);
void drawAlphaZoomClip(const Image8& src, Image32& dst, float sx, float sy, int a);
void drawAlphaTransAddZoom(const Image8& src, Image32& dst, float sx, float sy, int a);
void drawAlphaTransAddZoomClip(const Image8& src, Image32& dst, float sx, float sy, int a);
// min(d + ((palette[index] * m) >> 8), 255), m the mask byte at the destination pixel's offset.
void drawMaskedAddZoomClip(const Image8& src, Image32& dst, const uint8_t* mask, float sx,
                           float sy);

// --- operations on the image itself -------------------------------------------------------
void fill(Image32& image, uint32_t value);
void fill(Image8& image, uint32_t value); // every index := the low byte
// Image32: four pixels a step, so the last (width * height) % 4 pixels are left as they are.
void addColour(Image32& image, uint32_t colour);
void subColour(Image32& image, uint32_t colour);
void addColour(Image8& image, uint32_t colour); // index := min(index + low byte, 255)
void subColour(Image8& image, uint32_t colour); // index := max(index - low byte, 0)
// Pixel i with palette[index i] of an indexed image of the same size.
void addIndexed(Image32& image, const Image8& indexed);
void subIndexed(Image32& image, const Image8& indexed);
// As subIndexed with the indexed image's top-left at its own (x, y).
void subIndexedAt(Image32& image, const Image8& indexed);
// In place, in storage order: the eight neighbours (row stride 512) summed, >> 3. Pixels above
// and to the left already hold blurred values.
void blur(Image32& image);

// --- free operations ------------------------------------------------------------------------
// Bilinear sprites centred on (x, y), sx and sy source pixels per destination pixel, 20.12.
void spriteBilAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy);
void spriteBilAlphaAdd(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int a);
void spriteBilAlphaSub(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int a);
void spriteBilAddIndexed(Image32& dst, const Image8& src, float x, float y, float sx, float sy);
// Writes only where depth > depthBuffer at the pixel; the depth buffer is laid out like dst.
void spriteBilAddDepth(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                       int32_t depth, const int32_t* depthBuffer);
// spriteBilAlphaAdd into the band from row 30 that is 50 rows shorter than dst.
void spriteBilAlphaAddBand(Image32& dst, const Image32& src, float x, float y, float sx, float sy,
                           int a);

// out = (b * m + a * (255 - m)) >> 8 per colour channel, m = mask index; fourth byte 0.
void crossfadeMasked(Image32& out, const Image32& b, const Image32& a, const Image8& mask);
// Horizontal box blur of n (1 .. 128) pixels over every 512-pixel row; both row ends darken.
void boxBlurRows(Image32& image, int n);

} // namespace draw2d
