#pragma once
// The blend modes as row kernels: dst[i] := mode(dst[i], src[i]) for n pixels. Every byte of
// a pixel word, the fourth included, gets the same arithmetic with no carry between bytes.
#include <cstddef>
#include <cstdint>

namespace draw2d {

void rowCopy(uint32_t* d, const uint32_t* s, size_t n);
// min(d + s, 255)
void rowAdd(uint32_t* d, const uint32_t* s, size_t n);
// (d >> 1) + (s >> 1) on words masked with 0xFFFEFEFE: the fourth byte's lowest bit moves
// into red's highest, exactly as the two-pixel 64-bit shift does.
void rowDivHalves(uint32_t* d, const uint32_t* s, size_t n);
// (d + s) >> 1
void rowDivExact(uint32_t* d, const uint32_t* s, size_t n);
// ((d * (255 - a)) >> 8) + ((s * a) >> 8)
void rowAlpha(uint32_t* d, const uint32_t* s, size_t n, unsigned a);
// min(d + ((s * a) >> 8), 255)
void rowAlphaAdd(uint32_t* d, const uint32_t* s, size_t n, unsigned a);
// max(d - ((s * a) >> 8), 0)
void rowAlphaSub(uint32_t* d, const uint32_t* s, size_t n, unsigned a);
// min(d + ((s * m) >> 8), 255) with m the mask byte of each pixel
void rowMaskedAdd(uint32_t* d, const uint32_t* s, const uint8_t* mask, size_t n);
// min(d + c, 255) and max(d - c, 0) with one colour word
void rowAddConstant(uint32_t* d, uint32_t c, size_t n);
void rowSubConstant(uint32_t* d, uint32_t c, size_t n);
// max(d - s, 0)
void rowSub(uint32_t* d, const uint32_t* s, size_t n);

} // namespace draw2d
