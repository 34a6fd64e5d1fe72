#include "raster/flat_fillers.h"

#include <algorithm>

namespace raster {

namespace {

template <typename Op>
void flatOrdered(const Target& t, const ScreenVertex* v, int count, Op op) {
    orderedWalk<0, 0>(v, count, [&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, 0>& al, const std::array<int32_t, 0>& ar) {
        Span<0> s;
        if (makeSpan<0>(t, y, xl, xr, al, ar, nullptr, s)) op(t.pixels + static_cast<size_t>(s.y) * t.width + s.x, s.count);
    });
}

template <typename Op>
void flatTable(const Target& t, const ScreenVertex* v, int count, Op op) {
    edgeTable().fill<0>(v, count, [&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, 0>& al, const std::array<int32_t, 0>& ar) {
        Span<0> s;
        if (makeSpan<0>(t, y, xl, xr, al, ar, nullptr, s)) op(t.pixels + static_cast<size_t>(s.y) * t.width + s.x, s.count);
    });
}

// The Z forms carry w; pixel(p, z, w) decides per pixel.
template <typename Walk, typename Pixel>
void flatZ(const Target& t, Walk walk, Pixel pixel) {
    walk([&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, 1>& al, const std::array<int32_t, 1>& ar) {
        Span<1> s;
        if (!makeSpan<1>(t, y, xl, xr, al, ar, nullptr, s)) return;
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        uint32_t* p = t.pixels + at;
        int32_t* z = t.depth + at;
        int32_t w = s.value[0];
        for (int i = 0; i < s.count; ++i, w = wrapAdd(w, s.step[0])) pixel(p[i], z[i], w);
    });
}

} // namespace

void fillFlat(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    flatOrdered(t, v, count, [&](uint32_t* p, int n) { std::fill_n(p, n, colour); });
}

void fillFlatTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    flatTable(t, v, count, [&](uint32_t* p, int n) {
        for (int i = 0; i < n; ++i) p[i] = addSaturate(p[i], colour);
    });
}

void fillFlatTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    flatTable(t, v, count, [&](uint32_t* p, int n) {
        for (int i = 0; i < n; ++i) p[i] = average(p[i], colour);
    });
}

void fillFlatZ(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    flatZ(t, [&](auto row) { orderedWalk<1, 1>(v, count, row); }, [&](uint32_t& p, int32_t& z, int32_t w) {
        if (w > z) z = w, p = colour;
    });
}

void fillFlatZTransAdd(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    flatZ(t, [&](auto row) { edgeTable().fill<1>(v, count, row); }, [&](uint32_t& p, int32_t& z, int32_t w) {
        if (w > z) p = addSaturate(p, colour); // the depth buffer is not written
    });
}

void fillFlatZTransDiv(const Target& t, const ScreenVertex* v, int count, uint32_t colour) {
    if (!t.depth) return;
    flatZ(t, [&](auto row) { edgeTable().fill<1>(v, count, row); }, [&](uint32_t& p, int32_t& z, int32_t w) {
        if (w > z) p = average(p, colour);
    });
}

} // namespace raster
