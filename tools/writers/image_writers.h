#pragma once
// Writers for the picture formats the production reads, for the tests and the data
// generator. Pixels are 0x00RRGGBB, rows top first.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace writers {

using Bytes = std::vector<uint8_t>;
using Palette256 = std::array<uint32_t, 256>;

// Type 2 (plain) or 10 (run-length), 24 bits, stored bottom-up unless topDown (which sets
// the descriptor's origin bit and stores the top row first).
Bytes encodeTga24(const uint32_t* pixels, int width, int height, bool rle, bool topDown = false);
// Type 1 or 9, 8 bits, a 256-entry 24-bit colour map from index 0, bottom-up.
Bytes encodeTga8(const uint8_t* indices, int width, int height, const Palette256& palette,
                 bool rle);
// 24-bit bottom-up bitmap with the 54-byte headers.
Bytes encodeBmp24(const uint32_t* pixels, int width, int height);
// 8 bits, one plane, run-length; lines of bytesPerLine (at least the width; 0: the width,
// rounded up to even as the format asks), palette after a 0x0C marker.
Bytes encodePcx8(const uint8_t* indices, int width, int height, const Palette256& palette,
                 int bytesPerLine = 0);
// 768 bytes: entry i is blue, green, red of palette[i].
Bytes encodePalette(const Palette256& palette);
// Baseline JPEG through libjpeg; grey writes one component.
Bytes encodeJpeg(const uint32_t* pixels, int width, int height, int quality, bool grey = false);

bool writeBytes(const std::string& path, const Bytes& bytes);
bool writePngImage(const std::string& path, const uint32_t* pixels, int width, int height);

} // namespace writers
