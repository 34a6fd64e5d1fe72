// The 2D operations on the 512 x 256 frame, against a memcpy of the frame in the same run;
// the sprites per destination pixel.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "bench/ratio_reporter.h"
#include "draw2d/draw2d.h"

using namespace draw2d;

namespace {

constexpr int kW = 512, kH = 256;

void randomFill(Image32& image, uint32_t seed) {
    for (size_t i = 0; i < image.pixelCount(); ++i)
        seed = seed * 1664525u + 1013904223u, image.pixels[i] = seed & 0xFFFFFF;
}

struct Frames {
    Image32 frame, full, half, doubled, flare;
    Image8 mask;
    std::vector<int32_t> depth;
    Frames() {
        frame.create(kW, kH);
        full.create(kW, kH);
        half.create(kW / 2, kH / 2);
        doubled.create(kW * 2, kH * 2);
        randomFill(frame, 1), randomFill(full, 2), randomFill(half, 3), randomFill(doubled, 4);
        half.x = doubled.x = kW / 2, half.y = doubled.y = kH / 2;
        flare.create(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const double d = std::hypot(x - 31.5, y - 31.5) / 32.0;
                const auto v = static_cast<uint32_t>(255 * std::pow(std::max(0.0, 1 - d), 2));
                flare.pixels[y * 64 + x] = v * 0x010101u;
            }
        mask.create(kW, kH);
        for (size_t i = 0; i < mask.pixelCount(); ++i)
            mask.indices[i] = static_cast<uint8_t>(i * 7);
        depth.assign(static_cast<size_t>(kW) * kH, 0);
    }
};

Frames& frames() {
    static Frames f;
    return f;
}

void BM_memcpy(benchmark::State& state) {
    Frames& f = frames();
    for (auto _ : state) {
        std::memcpy(f.frame.pixels, f.full.pixels, static_cast<size_t>(kW) * kH * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memcpy);

#define FRAME_BENCH(NAME, CALL)                                                                    \
    void BM_##NAME(benchmark::State& state) {                                                      \
        Frames& f = frames();                                                                      \
        for (auto _ : state) {                                                                     \
            CALL;                                                                                  \
            benchmark::ClobberMemory();                                                            \
        }                                                                                          \
    }                                                                                              \
    BENCHMARK(BM_##NAME)

FRAME_BENCH(drawNormal, drawNormal(f.full, f.frame));
FRAME_BENCH(drawTransAdd, drawTransAdd(f.full, f.frame));
FRAME_BENCH(drawTransDivClip, drawTransDivClip(f.full, f.frame));
FRAME_BENCH(drawAlpha, drawAlpha(f.full, f.frame, 100));
FRAME_BENCH(drawAlphaTransAdd, drawAlphaTransAdd(f.full, f.frame, 100));
FRAME_BENCH(drawNormalZoom_0_5, drawNormalZoom(f.half, f.frame, 0.5f, 0.5f));
FRAME_BENCH(drawNormalZoom_2, drawNormalZoom(f.doubled, f.frame, 2.0f, 2.0f));
FRAME_BENCH(drawTransAddZoom_0_5, drawTransAddZoom(f.half, f.frame, 0.5f, 0.5f));
FRAME_BENCH(drawTransAddZoom_2, drawTransAddZoom(f.doubled, f.frame, 2.0f, 2.0f));
FRAME_BENCH(drawTransDivZoomClip_0_5, drawTransDivZoomClip(f.half, f.frame, 0.5f, 0.5f));
FRAME_BENCH(drawTransDivZoomClip_2, drawTransDivZoomClip(f.doubled, f.frame, 2.0f, 2.0f));
FRAME_BENCH(drawAlphaZoom_0_5, drawAlphaZoom(f.half, f.frame, 0.5f, 0.5f, 100));
FRAME_BENCH(drawAlphaZoom_2, drawAlphaZoom(f.doubled, f.frame, 2.0f, 2.0f, 100));
FRAME_BENCH(drawAlphaTransAddZoom_0_5, drawAlphaTransAddZoom(f.half, f.frame, 0.5f, 0.5f, 100));
FRAME_BENCH(drawAlphaTransAddZoom_2, drawAlphaTransAddZoom(f.doubled, f.frame, 2.0f, 2.0f, 100));
FRAME_BENCH(crossfadeMasked, crossfadeMasked(f.frame, f.full, f.frame, f.mask));
FRAME_BENCH(blur, blur(f.frame));
FRAME_BENCH(boxBlurRows_60, boxBlurRows(f.frame, 60));
FRAME_BENCH(addColour, addColour(f.frame, 0x00010203));
FRAME_BENCH(subColour, subColour(f.frame, 0x00010203));

#undef FRAME_BENCH

// A grid of flares over the frame, each at a fractional position.
template <typename Draw> void flares(benchmark::State& state, float scale, Draw draw) {
    Frames& f = frames();
    const int side = static_cast<int>(64 / scale);
    double pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        for (int y = 0; y + side <= kH; y += side)
            for (int x = 0; x + side <= kW; x += side) {
                draw(f, x + side / 2 + 0.37f, y + side / 2 + 0.61f, scale);
                pixels += side * side;
            }
        benchmark::ClobberMemory();
    }
    state.counters["units"] = pixels;
}

void BM_spriteBilAdd_1(benchmark::State& s) {
    flares(s, 1.0f, [](Frames& f, float x, float y, float k) {
        spriteBilAdd(f.frame, f.flare, x, y, k, k);
    });
}
void BM_spriteBilAdd_0_5(benchmark::State& s) {
    flares(s, 0.5f, [](Frames& f, float x, float y, float k) {
        spriteBilAdd(f.frame, f.flare, x, y, k, k);
    });
}
void BM_spriteBilAlphaAdd_1(benchmark::State& s) {
    flares(s, 1.0f, [](Frames& f, float x, float y, float k) {
        spriteBilAlphaAdd(f.frame, f.flare, x, y, k, k, 90);
    });
}
void BM_spriteBilAlphaAdd_0_5(benchmark::State& s) {
    flares(s, 0.5f, [](Frames& f, float x, float y, float k) {
        spriteBilAlphaAdd(f.frame, f.flare, x, y, k, k, 90);
    });
}
void BM_spriteBilAddDepth_1(benchmark::State& s) {
    flares(s, 1.0f, [](Frames& f, float x, float y, float k) {
        spriteBilAddDepth(f.frame, f.flare, x, y, k, k, 10, f.depth.data());
    });
}
void BM_spriteBilAddDepth_0_5(benchmark::State& s) {
    flares(s, 0.5f, [](Frames& f, float x, float y, float k) {
        spriteBilAddDepth(f.frame, f.flare, x, y, k, k, 10, f.depth.data());
    });
}
BENCHMARK(BM_spriteBilAdd_1);
BENCHMARK(BM_spriteBilAdd_0_5);
BENCHMARK(BM_spriteBilAlphaAdd_1);
BENCHMARK(BM_spriteBilAlphaAdd_0_5);
BENCHMARK(BM_spriteBilAddDepth_1);
BENCHMARK(BM_spriteBilAddDepth_0_5);

} // namespace

int main(int argc, char** argv) {
    return runWithRatios(argc, argv);
}
