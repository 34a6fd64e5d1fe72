// The polygon fillers on a 512 x 256 target: 2000 small triangles (about 40 pixels) and 200
// large ones (about 600), reported as pixels and triangles per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "picture/image32.h"
#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"
#include "raster/texture_fillers.h"

using namespace raster;

namespace {

constexpr int kW = 512, kH = 256;

struct Triangle {
    // Records per family: FLAT/FLATZ (w), GOURAUD (level), GOURAUDZ (w, level), MAPZ (w, u, v),
    // PMAP (w, U, V), SHADE (w, U, V, shade); gradients for the triangle forms.
    std::array<ScreenVertex, 3> flat, gouraud, gouraudZ, mapZ, map, pmap, shade;
    std::array<int32_t, 2> gGouraudZ{}, gMap{};
    std::array<int32_t, 3> gMapZ{}, gPmap{};
    std::array<int32_t, 4> gShade{};
};

// d(attribute)/dx of the plane through three vertices' values.
int32_t gradient(const std::array<ScreenVertex, 3>& v, int k) {
    const double x1 = v[1].x - v[0].x, y1 = v[1].y - v[0].y, x2 = v[2].x - v[0].x,
                 y2 = v[2].y - v[0].y;
    const double a1 = v[1].a[k] - v[0].a[k], a2 = v[2].a[k] - v[0].a[k];
    const double det = x1 * y2 - x2 * y1;
    return det == 0 ? 0 : static_cast<int32_t>(std::lround((a1 * y2 - a2 * y1) / det * 65536));
}

std::vector<Triangle> makeTriangles(int count, double area, uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Triangle> out;
    while (static_cast<int>(out.size()) < count) {
        double p[3][2];
        const double cx = unit(gen) * kW, cy = unit(gen) * kH;
        for (auto& q : p) {
            const double a = unit(gen) * 6.2831853;
            q[0] = std::cos(a), q[1] = std::sin(a);
        }
        const double cross =
            (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
        if (std::abs(cross) < 0.8) continue; // no slivers
        const double scale = std::sqrt(area / (std::abs(cross) / 2));
        double q[3][2];
        for (int i = 0; i < 3; ++i)
            q[i][0] = cx + p[i][0] * scale, q[i][1] = cy + p[i][1] * scale;
        if (cross > 0) std::swap(q[1], q[2]); // counter-clockwise on the screen
        bool inside = true;
        for (auto& r : q)
            inside &= r[0] >= 0 && r[0] < kW && r[1] >= 0 && r[1] < kH;
        if (!inside) continue;
        Triangle t;
        for (int i = 0; i < 3; ++i) {
            ScreenVertex v;
            v.x = static_cast<Fixed16>(std::lround(q[i][0] * 65536)),
            v.y = static_cast<Fixed16>(std::lround(q[i][1] * 65536));
            const double z = 100 + unit(gen) * 900, u = unit(gen) * 300, tv = unit(gen) * 300;
            const auto w = static_cast<int32_t>(67108864.0 / z),
                       level = static_cast<int32_t>(unit(gen) * (255 << 16));
            const auto shade = static_cast<int32_t>(unit(gen) * (200 << 16));
            const auto u16 = static_cast<int32_t>(u * 65536),
                       v16 = static_cast<int32_t>(tv * 65536);
            t.flat[i] = v, t.flat[i].a = {w};
            t.gouraud[i] = v, t.gouraud[i].a = {level};
            t.gouraudZ[i] = v, t.gouraudZ[i].a = {w, level};
            t.map[i] = v, t.map[i].a = {u16, v16};
            t.mapZ[i] = v, t.mapZ[i].a = {w, u16, v16};
            t.pmap[i] = v,
            t.pmap[i].a = {w, static_cast<int32_t>(u * w), static_cast<int32_t>(tv * w)};
            t.shade[i] = t.pmap[i], t.shade[i].a[3] = shade;
        }
        t.gGouraudZ = {gradient(t.gouraudZ, 0), gradient(t.gouraudZ, 1)};
        t.gMap = {gradient(t.map, 0), gradient(t.map, 1)};
        t.gMapZ = {gradient(t.mapZ, 0), gradient(t.mapZ, 1), gradient(t.mapZ, 2)};
        t.gPmap = {gradient(t.pmap, 0), gradient(t.pmap, 1), gradient(t.pmap, 2)};
        t.gShade = {t.gPmap[0], t.gPmap[1], t.gPmap[2], gradient(t.shade, 3)};
        out.push_back(t);
    }
    return out;
}

struct Fixture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kW * kH),
                          palette = std::vector<uint32_t>(256),
                          texture = std::vector<uint32_t>(picture::kTiledTexels);
    std::vector<int32_t> depth = std::vector<int32_t>(kW * kH);
    std::vector<uint32_t> greys = std::vector<uint32_t>(256);
    std::vector<Triangle> small = makeTriangles(2000, 40, 1), large = makeTriangles(200, 600, 2);
    double smallPixels = 0, largePixels = 0;
    Fixture() {
        std::mt19937 gen(3);
        for (auto& t : texture)
            t = static_cast<uint32_t>(gen()) & 0x00FFFFFF;
        for (uint32_t i = 0; i < 256; ++i)
            palette[i] = i * 0x010203u;
        for (uint32_t i = 0; i < 256; ++i)
            greys[i] = i * 0x010101u;
        smallPixels = covered(small), largePixels = covered(large);
    }
    Target target() { return {pixels.data(), kW, kH, depth.data()}; }
    // Pixels drawn, overlaps counted each time they are drawn.
    double covered(const std::vector<Triangle>& tris) {
        double total = 0;
        for (const Triangle& t : tris) {
            std::fill(pixels.begin(), pixels.end(), 0);
            fillFlat(target(), t.flat.data(), 3, 1);
            for (uint32_t p : pixels)
                total += p;
        }
        return total;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

template <typename Draw> void run(benchmark::State& state, bool large, Draw draw) {
    Fixture& f = fixture();
    const auto& tris = large ? f.large : f.small;
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(f.depth.begin(), f.depth.end(), 0);
        state.ResumeTiming();
        const Target target = f.target();
        for (const Triangle& t : tris)
            draw(target, t, f);
        benchmark::ClobberMemory();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pixels"] = benchmark::Counter((large ? f.largePixels : f.smallPixels) * n,
                                                  benchmark::Counter::kIsRate);
    state.counters["triangles"] =
        benchmark::Counter(static_cast<double>(tris.size()) * n, benchmark::Counter::kIsRate);
}

#define FILLER_BENCH(NAME, CALL)                                                                   \
    void BM_##NAME(benchmark::State& state) {                                                      \
        run(state, state.range(0) != 0,                                                            \
            [](const Target& target, const Triangle& t, [[maybe_unused]] Fixture& f) { CALL; });   \
    }                                                                                              \
    BENCHMARK(BM_##NAME)->ArgName("large")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

FILLER_BENCH(FLAT, fillFlat(target, t.flat.data(), 3, 0x00406080))
FILLER_BENCH(FLATTRANSADD, fillFlatTransAdd(target, t.flat.data(), 3, 0x00101010))
FILLER_BENCH(FLATZ, fillFlatZ(target, t.flat.data(), 3, 0x00406080))
FILLER_BENCH(GOURAUDZ, fillGouraudZ(target, t.gouraudZ.data(), 3, f.palette.data()))
FILLER_BENCH(GOURAUDZ_triangle, fillGouraudZTriangle(target, t.gouraudZ.data(), f.palette.data(),
                                                     t.gGouraudZ[0], t.gGouraudZ[1]))
FILLER_BENCH(GOURAUDTRANSADD, fillGouraudTransAdd(target, t.gouraud.data(), 3, f.palette.data()))
FILLER_BENCH(MAPZ, fillMapZ(target, f.texture.data(), t.mapZ.data(), 3))
FILLER_BENCH(MAPZ_triangle, fillMapZTriangle(target, f.texture.data(), t.mapZ.data(), t.gMapZ))
FILLER_BENCH(MAPTRANSADD, fillMapTransAdd(target, f.texture.data(), t.map.data(), 3))
FILLER_BENCH(PMAPZ, fillPmapZ(target, f.texture.data(), t.pmap.data(), 3))
FILLER_BENCH(PMAPZTRANSADD, fillPmapZTransAdd(target, f.texture.data(), t.pmap.data(), 3))
FILLER_BENCH(PMAPZ_SHADE_PSUB,
             fillPmapZShadePsub(target, f.texture.data(), f.greys.data(), t.shade.data(), 3))
FILLER_BENCH(PMAPZ_SHADE_PSUB_triangle,
             fillPmapZShadePsubTriangle(target, f.texture.data(), f.greys.data(), t.shade.data(),
                                        t.gShade))
FILLER_BENCH(PMAPZTRANSADD_SHADE_PSUB,
             fillPmapZTransAddShadePsub(target, f.texture.data(), f.greys.data(), t.shade.data(),
                                        3))

} // namespace

BENCHMARK_MAIN();
