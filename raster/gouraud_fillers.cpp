#include "raster/gouraud_fillers.h"

#include "raster/pixel_ops.h"

namespace raster {

namespace {

// A span of levels (attribute L of N) into the target, depth-tested on attribute 0 when Z.
template <int N, bool Z, bool WriteZ, Blend B>
auto levelSpan(const Target& t, const uint32_t* palette) {
    return [&t, palette](const Span<N>& s) {
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
            p[i] = blend<B>(p[i], palette[levelIndex(level)]);
        }
    };
}

} // namespace

void fillGouraud(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    walkPolygon<1>(t, v, count, levelSpan<1, false, false, Blend::Copy>(t, palette));
}

void fillGouraudTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                         int32_t levelGradient) {
    walkTriangle<1>(t, v, {levelGradient}, levelSpan<1, false, false, Blend::Copy>(t, palette));
}

void fillGouraudTransAdd(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette) {
    walkTable<1>(t, v, count, levelSpan<1, false, false, Blend::Add>(t, palette));
}

void fillGouraudTransDiv(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette) {
    walkTable<1>(t, v, count, levelSpan<1, false, false, Blend::Div>(t, palette));
}

void fillGouraudZ(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    if (!t.depth) return;
    walkPolygon<2>(t, v, count, levelSpan<2, true, true, Blend::Copy>(t, palette));
}

void fillGouraudZTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                          int32_t wGradient, int32_t levelGradient) {
    if (!t.depth) return;
    walkTriangle<2>(t, v, {wGradient, levelGradient},
                    levelSpan<2, true, true, Blend::Copy>(t, palette));
}

void fillGouraudZTransAdd(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette) {
    if (!t.depth) return;
    walkTable<2>(t, v, count, levelSpan<2, true, false, Blend::Add>(t, palette));
}

void fillGouraudZTransDiv(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette) {
    if (!t.depth) return;
    walkTable<2>(t, v, count, levelSpan<2, true, false, Blend::Div>(t, palette));
}

} // namespace raster
