// The tunnel on the 512 x 256 frame against a memcpy of the frame in the same run, per pixel.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/ratio_reporter.h"
#include "fx/wave_table.h"
#include "parts/part4.h"
#include "platform/random.h"

namespace {

constexpr int kW = 512, kH = 256;

struct Tunnel {
    parts::TunnelTables tables;
    fx::WaveTable a{{.entries = 512, .knots = 7, .controls = 10, .bias = 128}},
        b{{.entries = 256, .knots = 7, .controls = 10, .bias = 128}};
    std::vector<uint32_t> texture = std::vector<uint32_t>(256 * 256);
    picture::Image32 frame, copy;
    parts::TunnelCursors cursors;
    Tunnel() {
        tables.build();
        platform::seedRandom(5);
        a.start(300), b.start(300);
        a.rebuild(), b.rebuild();
        uint32_t seed = 1;
        for (uint32_t& t : texture)
            seed = seed * 1664525u + 1013904223u, t = seed & 0x7F7F7F;
        frame.create(kW, kH);
        copy.create(kW, kH);
    }
};

Tunnel& tunnel() {
    static Tunnel t;
    return t;
}

void BM_memcpy(benchmark::State& state) {
    Tunnel& t = tunnel();
    for (auto _ : state) {
        std::memcpy(t.frame.pixels, t.copy.pixels, static_cast<size_t>(kW) * kH * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memcpy);

// The waves morph and the centres move every frame, as in the part.
void BM_tunnel(benchmark::State& state) {
    Tunnel& t = tunnel();
    for (auto _ : state) {
        t.cursors.step();
        parts::drawTunnel(t.tables, t.a.data(), t.b.data(), t.cursors, t.texture.data(), t.frame);
        benchmark::ClobberMemory();
    }
    state.counters["units"] = kW * kH;
}
BENCHMARK(BM_tunnel);

void BM_waveMorph(benchmark::State& state) {
    Tunnel& t = tunnel();
    for (auto _ : state)
        t.a.advance(200), t.b.advance(200);
}
BENCHMARK(BM_waveMorph);

} // namespace

int main(int argc, char** argv) {
    return runWithRatios(argc, argv);
}
