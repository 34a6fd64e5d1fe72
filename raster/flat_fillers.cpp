#include "raster/flat_fillers.h"

#include <algorithm>

namespace raster {

namespace {

inline uint32_t* rowAt(const Target& t, const Span<0>& s) {
    return t.pixels + static_cast<size_t>(s.y) * t.width + s.x;
}

// The Z forms carry w; pixel(p, z, w) decides per pixel.
template <typename Pixel> auto depthSpan(const Target& t, Pixel pixel) {
    return [&t, pixel](const Span<1>& s) {
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        uint32_t* p = t.pixels + at;
        int32_t* z = t.depth + at;
        int32_t w = s.value[0];
        for (int i = 0; i < s.count; ++i, w = wrapAdd(w, s.step[0]))
            pixel(p[i], z[i], w);
    };
}

} // namespace

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    walkPolygon<0>(t, v, count,
                   [&](const Span<0>& s) { std::fill_n(rowAt(t, s), s.count, colour); });
}

void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        uint32_t* p = rowAt(t, s);
        for (int i = 0; i < s.count; ++i)
            p[i] = addSaturate(p[i], colour);
    });
}

void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    walkTable<0>(t, v, count, [&](const Span<0>& s) {
        uint32_t* p = rowAt(t, s);
        for (int i = 0; i < s.count; ++i)
            p[i] = average(p[i], colour);
    });
}

void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    walkPolygon<1>(t, v, count, depthSpan(t, [colour](uint32_t& p, int32_t& z, int32_t w) {
                       if (w > z) z = w, p = colour;
                   }));
}

void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    walkTable<1>(t, v, count, depthSpan(t, [colour](uint32_t& p, int32_t& z, int32_t w) {
                     if (w > z) p = addSaturate(p, colour); // the depth buffer is not written
                 }));
}

void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    walkTable<1>(t, v, count, depthSpan(t, [colour](uint32_t& p, int32_t& z, int32_t w) {
                     if (w > z) p = average(p, colour);
                 }));
}

} // namespace raster
