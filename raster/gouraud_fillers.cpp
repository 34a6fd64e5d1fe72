#include "raster/gouraud_fillers.h"

#include "raster/flat_fillers.h"

namespace raster {

namespace {

enum class Blend { Copy, Add, Div };

inline uint32_t blend(Blend b, uint32_t d, uint32_t s) {
    switch (b) {
    case Blend::Add: return addSaturate(d, s);
    case Blend::Div: return average(d, s);
    default: return s;
    }
}

// A span of levels (attribute L of N) into the target, depth-tested on attribute 0 when Z.
template <int N, bool Z, bool WriteZ>
void drawSpan(const Target& t, const Span<N>& s, const uint32_t* palette, Blend b) {
    constexpr int L = Z ? 1 : 0;
    const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
    uint32_t* p = t.pixels + at;
    int32_t* z = Z ? t.depth + at : nullptr;
    int32_t level = s.value[L], w = Z ? s.value[0] : 0;
    for (int i = 0; i < s.count; ++i, level = wrapAdd(level, s.step[L])) {
        if constexpr (Z) {
            const int32_t here = w;
            w = wrapAdd(w, s.step[0]);
            if (here <= z[i]) continue;
            if constexpr (WriteZ) z[i] = here;
        }
        p[i] = blend(b, p[i], palette[levelIndex(level)]);
    }
}

template <int N, bool Z, bool WriteZ>
auto rowDrawer(const Target& t, const uint32_t* palette, Blend b, const int32_t* gradients) {
    return [&t, palette, b, gradients](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al, const auto& ar) {
        std::array<int32_t, N> right{};
        if constexpr (std::tuple_size_v<std::decay_t<decltype(ar)>> == N)
            right = ar;
        Span<N> s;
        if (makeSpan<N>(t, y, xl, xr, al, right, gradients, s)) drawSpan<N, Z, WriteZ>(t, s, palette, b);
    };
}

} // namespace

void fillGouraud(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    orderedWalk<1, 1>(v, count, rowDrawer<1, false, false>(t, palette, Blend::Copy, nullptr));
}

void fillGouraudTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette, int32_t levelGradient) {
    const int32_t g[1] = {levelGradient};
    orderedWalk<1, 0>(v, 3, rowDrawer<1, false, false>(t, palette, Blend::Copy, g));
}

void fillGouraudTransAdd(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    edgeTable().fill<1>(v, count, rowDrawer<1, false, false>(t, palette, Blend::Add, nullptr));
}

void fillGouraudTransDiv(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    edgeTable().fill<1>(v, count, rowDrawer<1, false, false>(t, palette, Blend::Div, nullptr));
}

void fillGouraudZ(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    if (!t.depth) return;
    orderedWalk<2, 2>(v, count, rowDrawer<2, true, true>(t, palette, Blend::Copy, nullptr));
}

void fillGouraudZTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette, int32_t wGradient,
                          int32_t levelGradient) {
    if (!t.depth) return;
    const int32_t g[2] = {wGradient, levelGradient};
    orderedWalk<2, 0>(v, 3, rowDrawer<2, true, true>(t, palette, Blend::Copy, g));
}

void fillGouraudZTransAdd(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    if (!t.depth) return;
    edgeTable().fill<2>(v, count, rowDrawer<2, true, false>(t, palette, Blend::Add, nullptr));
}

void fillGouraudZTransDiv(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    if (!t.depth) return;
    edgeTable().fill<2>(v, count, rowDrawer<2, true, false>(t, palette, Blend::Div, nullptr));
}

} // namespace raster
