#include "raster/gouraud_fillers.h"

#include "raster/pixel_ops.h"

namespace raster {

namespace {

// The plain run: one pixel at a time.
template <bool Z, bool WriteZ, Blend B>
void levelRun(uint32_t* p, int32_t* z, int count, int32_t w, int32_t dw, int32_t level, int32_t dl,
              const uint32_t* palette) {
    for (int i = 0; i < count; ++i, level = wrapAdd(level, dl)) {
        if constexpr (Z) {
            const int32_t here = w;
            w = wrapAdd(w, dw);
            if (here <= z[i]) continue;
            if constexpr (WriteZ) z[i] = here;
        }
        p[i] = blend<B>(p[i], palette[levelIndex(level)]);
    }
}

// The same run eight pixels a step under lane masks: no branch per pixel, and a short span is
// one step with no mispredicted end. Lanes past the span are neither read nor written.
template <bool Z, bool WriteZ, Blend B>
RASTER_WIDE void levelRunWide(uint32_t* p, int32_t* z, int count, int32_t w, int32_t dw,
                              int32_t level, int32_t dl, const uint32_t* palette) {
    __m256i l8 = steppedLanes8(level, dl), w8 = steppedLanes8(w, dw);
    const __m256i dl8 = eightSteps(dl), dw8 = eightSteps(dw);
    const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi32(255);
    for (int i = 0; i < count; i += 8, l8 = _mm256_add_epi32(l8, dl8)) {
        const __mmask8 live = firstLanes(count - i);
        __mmask8 draw = live;
        if constexpr (Z) {
            draw = _mm256_mask_cmpgt_epi32_mask(live, w8, _mm256_maskz_loadu_epi32(live, z + i));
            if constexpr (WriteZ) _mm256_mask_storeu_epi32(z + i, draw, w8);
            w8 = _mm256_add_epi32(w8, dw8);
        }
        if (!draw) continue;
        const __m256i index =
            _mm256_max_epi32(_mm256_min_epi32(_mm256_srai_epi32(l8, 16), top), zero);
        blendStore8<B>(p + i, draw, _mm256_mmask_i32gather_epi32(zero, draw, index, palette, 4));
    }
}

// A span of levels (attribute L of N) into the target, depth-tested on attribute 0 when Z.
template <int N, bool Z, bool WriteZ, Blend B, bool Wide>
auto levelSpan(const Target& t, const uint32_t* palette) {
    return [&t, palette](const Span<N>& s) {
        constexpr int L = Z ? 1 : 0;
        const size_t at = static_cast<size_t>(s.y) * t.width + s.x;
        int32_t* z = Z ? t.depth + at : nullptr;
        const int32_t w = Z ? s.value[0] : 0, dw = Z ? s.step[0] : 0;
        if constexpr (Wide)
            levelRunWide<Z, WriteZ, B>(t.pixels + at, z, s.count, w, dw, s.value[L], s.step[L],
                                       palette);
        else
            levelRun<Z, WriteZ, B>(t.pixels + at, z, s.count, w, dw, s.value[L], s.step[L],
                                   palette);
    };
}

} // namespace

void fillGouraud(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    withSpans([&](auto wide) {
        walkPolygon<1>(t, v, count,
                       levelSpan<1, false, false, Blend::Copy, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                         int32_t levelGradient) {
    withSpans([&](auto wide) {
        walkTriangle<1>(t, v, {levelGradient},
                        levelSpan<1, false, false, Blend::Copy, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudTransAdd(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette) {
    withSpans([&](auto wide) {
        walkTable<1>(t, v, count,
                     levelSpan<1, false, false, Blend::Add, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudTransDiv(const Target& t, const ScreenVertex* v, int count,
                         const uint32_t* palette) {
    withSpans([&](auto wide) {
        walkTable<1>(t, v, count,
                     levelSpan<1, false, false, Blend::Div, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudZ(const Target& t, const ScreenVertex* v, int count, const uint32_t* palette) {
    if (!t.depth) return;
    withSpans([&](auto wide) {
        walkPolygon<2>(t, v, count,
                       levelSpan<2, true, true, Blend::Copy, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudZTriangle(const Target& t, const ScreenVertex* v, const uint32_t* palette,
                          int32_t wGradient, int32_t levelGradient) {
    if (!t.depth) return;
    withSpans([&](auto wide) {
        walkTriangle<2>(t, v, {wGradient, levelGradient},
                        levelSpan<2, true, true, Blend::Copy, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudZTransAdd(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette) {
    if (!t.depth) return;
    withSpans([&](auto wide) {
        walkTable<2>(t, v, count,
                     levelSpan<2, true, false, Blend::Add, decltype(wide)::value>(t, palette));
    });
}

void fillGouraudZTransDiv(const Target& t, const ScreenVertex* v, int count,
                          const uint32_t* palette) {
    if (!t.depth) return;
    withSpans([&](auto wide) {
        walkTable<2>(t, v, count,
                     levelSpan<2, true, false, Blend::Div, decltype(wide)::value>(t, palette));
    });
}

} // namespace raster
