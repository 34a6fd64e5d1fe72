#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"
#include "tests/raster/reference_raster.h"

using namespace raster;
using namespace reference_raster;

TEST(GouraudFillers, AgreeWithTheReferenceOnRandomPolygonsAndTriangles) {
    forEachSpanForm([&] {
        std::mt19937 gen(31);
        std::array<uint32_t, 256> palette{};
        for (auto& c : palette)
            c = static_cast<uint32_t>(gen());
        for (int trial = 0; trial < 2000; ++trial) {
            const bool triangle = trial % 2 == 0;
            auto v = randomPolygon(gen, triangle ? 3 : 3 + static_cast<int>(gen() % 4));
            // The level alone: its own vertex copies for the non-Z forms (a[0]).
            std::vector<ScreenVertex> lv = v;
            for (auto& p : lv)
                p.a[0] = p.a[1];
            const Canvas base = randomCanvas(
                gen, [](std::mt19937& g) { return static_cast<int32_t>(g() % 100000); });
            const int32_t gl = static_cast<int32_t>(gen() % (8 << 16)) - (4 << 16),
                          gw = static_cast<int32_t>(gen() % 2000) - 1000;
            const int n = static_cast<int>(v.size());
            auto check = [&](const char* name, auto fill, auto reference) {
                ASSERT_TRUE(agrees(base, fill, reference)) << name << " trial " << trial;
            };
            if (triangle) {
                const int32_t g1[1] = {gl}, g2[2] = {gw, gl};
                check(
                    "GOURAUD triangle",
                    [&](const Target& t) { fillGouraudTriangle(t, lv.data(), palette.data(), gl); },
                    [&](Canvas& c) {
                        referenceOrdered<1>(lv, g1, [&](int x, int y, const auto& a) {
                            c.pixels[y * kW + x] = palette[clampIndex(a[0])];
                        });
                    });
                check(
                    "GOURAUDZ triangle",
                    [&](const Target& t) {
                        fillGouraudZTriangle(t, v.data(), palette.data(), gw, gl);
                    },
                    [&](Canvas& c) {
                        referenceOrdered<2>(v, g2, [&](int x, int y, const auto& a) {
                            if (a[0] > c.depth[y * kW + x])
                                c.depth[y * kW + x] = a[0],
                                                 c.pixels[y * kW + x] = palette[clampIndex(a[1])];
                        });
                    });
            }
            check(
                "GOURAUD", [&](const Target& t) { fillGouraud(t, lv.data(), n, palette.data()); },
                [&](Canvas& c) {
                    referenceOrdered<1>(lv, nullptr, [&](int x, int y, const auto& a) {
                        c.pixels[y * kW + x] = palette[clampIndex(a[0])];
                    });
                });
            check(
                "GOURAUDZ", [&](const Target& t) { fillGouraudZ(t, v.data(), n, palette.data()); },
                [&](Canvas& c) {
                    referenceOrdered<2>(v, nullptr, [&](int x, int y, const auto& a) {
                        if (a[0] > c.depth[y * kW + x])
                            c.depth[y * kW + x] = a[0],
                                             c.pixels[y * kW + x] = palette[clampIndex(a[1])];
                    });
                });
            for (bool add : {true, false}) {
                check(
                    add ? "GOURAUDTRANSADD" : "GOURAUDTRANSDIV",
                    [&](const Target& t) {
                        (add ? fillGouraudTransAdd : fillGouraudTransDiv)(t, lv.data(), n,
                                                                          palette.data());
                    },
                    [&](Canvas& c) {
                        referenceTable<1>(lv, [&](int x, int y, const auto& a) {
                            c.pixels[y * kW + x] =
                                perByte(c.pixels[y * kW + x], palette[clampIndex(a[0])], add);
                        });
                    });
                check(
                    add ? "GOURAUDZTRANSADD" : "GOURAUDZTRANSDIV",
                    [&](const Target& t) {
                        (add ? fillGouraudZTransAdd : fillGouraudZTransDiv)(t, v.data(), n,
                                                                            palette.data());
                    },
                    [&](Canvas& c) {
                        referenceTable<2>(v, [&](int x, int y, const auto& a) {
                            if (a[0] > c.depth[y * kW + x])
                                c.pixels[y * kW + x] =
                                    perByte(c.pixels[y * kW + x], palette[clampIndex(a[1])], add);
                        });
                    });
            }
        }
    });
}

TEST(GouraudFillers, LevelsOutsideTheRangeAreKeptToIt) {
    EXPECT_EQ(levelIndex(-1), 0);
    EXPECT_EQ(levelIndex(256 << 16), 255);
    EXPECT_EQ(levelIndex((37 << 16) + 0xFFFF), 37);
}
