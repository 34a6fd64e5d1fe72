#pragma once
// Colour tables built in memory rather than read from palette files.
#include <array>
#include <cstdint>

namespace fx {

using ColourTable = std::array<uint32_t, 256>;

// Entry i is the grey i in blue, green and red: the shade-subtract modes' greys, and the
// shade table of scenes whose faces are lit in grey.
ColourTable makeGreyRamp();

// One channel of a cosine palette: offset + linear r + power r^m.
struct CosineChannel {
    float offset = 0, linear = 0, power = 0;
};

// For i = 0 .. 255, r = cos(i quarter turns / 256) and t = r^m; each channel
// is its weights over r and t, truncated and held to 0 .. 255, stored at 255 - i: the last
// entry is the brightest, and a large m keeps the gradient's power term to its top.
void makeCosinePalette(ColourTable& table, const CosineChannel& red, const CosineChannel& green,
                       const CosineChannel& blue, float m);

} // namespace fx
