// The two workloads rendered by a software OpenGL for comparison, drawn by this project's
// renderer alone: prints the fragment counts, then times 120-frame sequences (peer_osmesa
// times the other renderer beside it).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/peer_workloads.h"

using namespace peer;

namespace {

Torus& torus() {
    static Torus t;
    return t;
}
Flares& flares() {
    static Flares f;
    return f;
}

void torusSequence(benchmark::State& state, int32_t mode) {
    Torus& t = torus();
    for (int k = 0; k < kFrames; ++k)
        t.frame(k, mode); // warm-up sequence
    for (auto _ : state) {
        for (int k = 0; k < kFrames; ++k)
            t.frame(k, mode);
        benchmark::ClobberMemory();
    }
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TorusPMAPZ(benchmark::State& state) {
    torusSequence(state, kPmapZ);
}
void BM_TorusPMAPTRANSADD(benchmark::State& state) {
    torusSequence(state, kPmapTransAdd);
}
void BM_TorusGOURAUDZ(benchmark::State& state) {
    torusSequence(state, kGouraudZ);
}
void BM_Flares(benchmark::State& state) {
    Flares& f = flares();
    for (int k = 0; k < kFrames; ++k)
        f.frame(k);
    for (auto _ : state) {
        for (int k = 0; k < kFrames; ++k)
            f.frame(k);
        benchmark::ClobberMemory();
    }
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TorusPMAPZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TorusPMAPTRANSADD)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TorusGOURAUDZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flares)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    double fragments = 0, passing = 0, distinct = 0;
    torus().count(fragments, passing, distinct);
    std::printf(
        "torus: %.0f fragments per frame, %.0f passing the depth test, %.0f distinct pixels "
        "(reference 69800, 68175, 66552)\n",
        fragments, passing, distinct);
    std::printf("flares: %.0f fragments per frame (reference 1536000)\n", flares().fragments());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
