// Every filler, opaque and translucent, on pairs of triangles that share an edge: each pixel
// of the union is drawn by exactly one of them, and the union is the same for all.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "picture/image32.h"
#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"
#include "raster/texture_fillers.h"
#include "tests/raster/reference_raster.h"

using namespace raster;
using namespace reference_raster;

namespace {

using Fill = std::function<void(const Target&, const ScreenVertex*)>;

std::vector<std::pair<const char*, Fill>>
everyFiller(const uint32_t* palette, const uint32_t* texture, const uint32_t* greys) {
    const uint32_t colour = 2;
    return {
        {"FLAT", [=](const Target& t, const ScreenVertex* v) { fillFlat(t, v, 3, colour); }},
        {"FLATTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillFlatTransAdd(t, v, 3, colour); }},
        {"FLATTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillFlatTransDiv(t, v, 3, colour); }},
        {"FLATZ", [=](const Target& t, const ScreenVertex* v) { fillFlatZ(t, v, 3, colour); }},
        {"FLATZTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillFlatZTransAdd(t, v, 3, colour); }},
        {"FLATZTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillFlatZTransDiv(t, v, 3, colour); }},
        {"GOURAUD", [=](const Target& t, const ScreenVertex* v) { fillGouraud(t, v, 3, palette); }},
        {"GOURAUD triangle",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudTriangle(t, v, palette, 0); }},
        {"GOURAUDTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudTransAdd(t, v, 3, palette); }},
        {"GOURAUDTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudTransDiv(t, v, 3, palette); }},
        {"GOURAUDZ",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudZ(t, v, 3, palette); }},
        {"GOURAUDZ triangle",
         [=](const Target& t, const ScreenVertex* v) {
             fillGouraudZTriangle(t, v, palette, 0, 0);
         }},
        {"GOURAUDZTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudZTransAdd(t, v, 3, palette); }},
        {"GOURAUDZTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillGouraudZTransDiv(t, v, 3, palette); }},
        {"MAP", [=](const Target& t, const ScreenVertex* v) { fillMap(t, texture, v, 3); }},
        {"MAP triangle",
         [=](const Target& t, const ScreenVertex* v) {
             fillMapTriangle(t, texture, v, {0, 0});
         }},
        {"MAPTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillMapTransAdd(t, texture, v, 3); }},
        {"MAPTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillMapTransDiv(t, texture, v, 3); }},
        {"MAPZ", [=](const Target& t, const ScreenVertex* v) { fillMapZ(t, texture, v, 3); }},
        {"MAPZ triangle",
         [=](const Target& t, const ScreenVertex* v) {
             fillMapZTriangle(t, texture, v, {0, 0, 0});
         }},
        {"MAPZTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillMapZTransAdd(t, texture, v, 3); }},
        {"MAPZTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillMapZTransDiv(t, texture, v, 3); }},
        {"PMAP", [=](const Target& t, const ScreenVertex* v) { fillPmap(t, texture, v, 3); }},
        {"PMAP triangle",
         [=](const Target& t, const ScreenVertex* v) {
             fillPmapTriangle(t, texture, v, {0, 0, 0});
         }},
        {"PMAPTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillPmapTransAdd(t, texture, v, 3); }},
        {"PMAPTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillPmapTransDiv(t, texture, v, 3); }},
        {"PMAPZ", [=](const Target& t, const ScreenVertex* v) { fillPmapZ(t, texture, v, 3); }},
        {"PMAPZTRANSADD",
         [=](const Target& t, const ScreenVertex* v) { fillPmapZTransAdd(t, texture, v, 3); }},
        {"PMAPZTRANSDIV",
         [=](const Target& t, const ScreenVertex* v) { fillPmapZTransDiv(t, texture, v, 3); }},
        {"PMAPZ_SHADE_PSUB",
         [=](const Target& t, const ScreenVertex* v) {
             fillPmapZShadePsub(t, texture, greys, v, 3);
         }},
        {"PMAPZ_SHADE_PSUB triangle",
         [=](const Target& t, const ScreenVertex* v) {
             fillPmapZShadePsubTriangle(t, texture, greys, v, {0, 0, 0, 0});
         }},
        {"PMAPZTRANSADD_SHADE_PSUB",
         [=](const Target& t, const ScreenVertex* v) {
             fillPmapZTransAddShadePsub(t, texture, greys, v, 3);
         }},
        {"PMAPZTRANSDIV_SHADE_PSUB",
         [=](const Target& t, const ScreenVertex* v) {
             fillPmapZTransDivShadePsub(t, texture, greys, v, 3);
         }},
    };
}

} // namespace

TEST(SharedEdges, EveryFillerCoversTheUnionExactlyOnce) {
    forEachSpanForm([&] {
        // Every palette entry and texel 2, every vertex w 1000 and all else 0: any drawn pixel
        // becomes non-zero in every family (2 copied or added, 1 averaged over 0).
        std::vector<uint32_t> palette(256, 2), texture(picture::kTiledTexels, 2);
        std::vector<uint32_t> greys(256);
        for (uint32_t i = 0; i < 256; ++i)
            greys[i] = i * 0x010101u;
        const auto fillers = everyFiller(palette.data(), texture.data(), greys.data());
        std::mt19937 gen(8);
        std::uniform_real_distribution<double> u(0, 1);
        auto vertex = [&] {
            ScreenVertex v;
            v.x = static_cast<Fixed16>(std::lround(u(gen) * kW * 65536)),
            v.y = static_cast<Fixed16>(std::lround(u(gen) * kH * 65536));
            v.a = {1000, 0, 0, 0, 0};
            return v;
        };
        auto ccw = [](ScreenVertex p, ScreenVertex q, ScreenVertex r) {
            const double cross = static_cast<double>(q.x - p.x) * (r.y - p.y) -
                                 static_cast<double>(q.y - p.y) * (r.x - p.x);
            return cross < 0 ? std::vector<ScreenVertex>{p, q, r}
                             : std::vector<ScreenVertex>{p, r, q};
        };
        int pairs = 0;
        for (int trial = 0; trial < 120; ++trial) {
            const ScreenVertex a = vertex(), b = vertex(), c = vertex(), d = vertex();
            const auto side = [&](const ScreenVertex& p) {
                return static_cast<double>(b.x - a.x) * (p.y - a.y) -
                       static_cast<double>(b.y - a.y) * (p.x - a.x);
            };
            if (side(c) * side(d) >= 0) continue;
            ++pairs;
            const auto t1 = ccw(a, b, c), t2 = ccw(a, b, d);
            std::vector<int> firstUnion;
            for (const auto& [name, fill] : fillers) {
                Canvas one, two;
                fill(one.target(), t1.data());
                fill(two.target(), t2.data());
                std::vector<int> count(kW * kH);
                for (int i = 0; i < kW * kH; ++i) {
                    count[i] = (one.pixels[i] != 0) + (two.pixels[i] != 0);
                    ASSERT_LE(count[i], 1)
                        << name << " overlaps at " << i % kW << "," << i / kW << " trial " << trial;
                }
                if (firstUnion.empty())
                    firstUnion = count;
                else
                    ASSERT_EQ(count, firstUnion) << name << " trial " << trial;
            }
        }
        EXPECT_GT(pairs, 40);
    });
}
