#include "fx/colour_tables.h"

#include <cmath>

namespace fx {

ColourTable makeGreyRamp() {
    ColourTable t{};
    for (uint32_t i = 0; i < 256; ++i)
        t[i] = i * 0x010101u;
    return t;
}

namespace {

uint32_t channel(const CosineChannel& c, float r, float t) {
    const float v = c.offset + c.linear * r + c.power * t;
    // Truncated first, then held: a NaN from a negative base counts as 0.
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<uint32_t>(v);
}

} // namespace

void makeCosinePalette(ColourTable& table, const CosineChannel& red, const CosineChannel& green,
                       const CosineChannel& blue, float m) {
    for (int i = 0; i < 256; ++i) {
        const float r = std::cos(static_cast<float>(i) * 0.0061359233f), t = std::pow(r, m);
        table[static_cast<size_t>(255 - i)] =
            channel(red, r, t) << 16 | channel(green, r, t) << 8 | channel(blue, r, t);
    }
}

} // namespace fx
