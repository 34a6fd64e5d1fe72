#pragma once
// Conversion of 32-bit 0x00RRGGBB pictures into the screen's pixel format. Channels are
// truncated, never dithered; destination rows follow each other without gaps.
#include <cstddef>
#include <cstdint>

namespace display {

void convertTo15(void* dst, const uint32_t* src, size_t count); // x rrrrr ggggg bbbbb
void convertTo16(void* dst, const uint32_t* src, size_t count); // rrrrr gggggg bbbbb
void convertTo24(void* dst, const uint32_t* src, size_t count); // bytes blue, green, red
void copy32(void* dst, const uint32_t* src, size_t count);

// Plain per-pixel twins of the converters above, the reference the tests hold them to.
namespace reference {
void convertTo15(void* dst, const uint32_t* src, size_t count);
void convertTo16(void* dst, const uint32_t* src, size_t count);
void convertTo24(void* dst, const uint32_t* src, size_t count);
} // namespace reference

// Converts count pixels to a depth: 15, 16, 24 or 32 (a copy). False for any other depth.
bool convertToDepth(int depth, void* dst, const uint32_t* src, size_t count);

// Bytes per pixel of a depth's surface layout; 0 for an unsupported depth.
int bytesPerPixel(int depth);

// The 16-bit layout from the primary surface's green mask: 15 (0x03E0), 16 (0x07E0), or 0
// for any other layout.
int layoutFromGreenMask(uint32_t greenMask);

} // namespace display
