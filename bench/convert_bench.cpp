// Each conversion of the 512 x 256 picture against a memcpy of the same 512 KiB, all in one
// run; the ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/ratio_reporter.h"
#include "display/convert.h"

namespace {

constexpr size_t kPixels = 512 * 256;

std::vector<uint32_t>& source() {
    static std::vector<uint32_t> s = [] {
        std::vector<uint32_t> v(kPixels);
        uint32_t x = 1;
        for (auto& p : v)
            x = x * 1664525u + 1013904223u, p = x;
        return v;
    }();
    return s;
}

std::vector<uint8_t>& destination() {
    static std::vector<uint8_t> d(kPixels * 4);
    return d;
}

void BM_memcpy(benchmark::State& state) {
    for (auto _ : state) {
        std::memcpy(destination().data(), source().data(), kPixels * 4);
        benchmark::ClobberMemory();
    }
}

template <void (*Convert)(void*, const uint32_t*, size_t)>
void BM_convert(benchmark::State& state) {
    for (auto _ : state) {
        Convert(destination().data(), source().data(), kPixels);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_memcpy);
BENCHMARK(BM_convert<display::convertTo15>)->Name("BM_convertTo15");
BENCHMARK(BM_convert<display::convertTo16>)->Name("BM_convertTo16");
BENCHMARK(BM_convert<display::convertTo24>)->Name("BM_convertTo24");
BENCHMARK(BM_convert<display::reference::convertTo15>)->Name("BM_reference15");
BENCHMARK(BM_convert<display::reference::convertTo24>)->Name("BM_reference24");

} // namespace

int main(int argc, char** argv) {
    return runWithRatios(argc, argv);
}
