#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/flat_fillers.h"
#include "tests/raster/reference_raster.h"

using namespace raster;
using namespace reference_raster;

namespace {

ScreenVertex vertex(double x, double y, int32_t w = 0) {
    ScreenVertex v;
    v.x = static_cast<Fixed16>(std::lround(x * 65536)),
    v.y = static_cast<Fixed16>(std::lround(y * 65536));
    v.a[0] = w;
    return v;
}

} // namespace

TEST(FlatFillers, AgreeWithTheReferenceOnRandomPolygons) {
    forEachSpanForm([&] {
        std::mt19937 gen(99);
        int drew = 0, drewTranslucent = 0;
        for (int trial = 0; trial < 3000; ++trial) {
            const auto v = randomPolygon(gen, 3 + static_cast<int>(gen() % 4));
            const uint32_t colour = static_cast<uint32_t>(gen());
            const Canvas base = randomCanvas(
                gen, [](std::mt19937& g) { return static_cast<int32_t>(g() % 100000); });
            auto check = [&](const char* name, auto fill, auto reference) {
                ASSERT_TRUE(agrees(base, fill, reference)) << name << " trial " << trial;
            };
            check(
                "FLAT",
                [&](const Target& t) { fillFlat(t, v.data(), static_cast<int>(v.size()), colour); },
                [&](Canvas& c) {
                    referenceOrdered<1>(v, nullptr, [&](int x, int y, const auto&) {
                        c.pixels[y * kW + x] = colour;
                    });
                });
            {
                Canvas probe = base;
                fillFlat(probe.target(), v.data(), static_cast<int>(v.size()), ~colour);
                drew += probe.pixels != base.pixels;
                Canvas probe2 = base;
                fillFlatTransAdd(probe2.target(), v.data(), static_cast<int>(v.size()), 0x01010101);
                drewTranslucent += probe2.pixels != base.pixels;
            }
            check(
                "FLATZ",
                [&](const Target& t) {
                    fillFlatZ(t, v.data(), static_cast<int>(v.size()), colour);
                },
                [&](Canvas& c) {
                    referenceOrdered<1>(v, nullptr, [&](int x, int y, const auto& a) {
                        if (a[0] > c.depth[y * kW + x])
                            c.depth[y * kW + x] = a[0], c.pixels[y * kW + x] = colour;
                    });
                });
            check(
                "FLATTRANSADD",
                [&](const Target& t) {
                    fillFlatTransAdd(t, v.data(), static_cast<int>(v.size()), colour);
                },
                [&](Canvas& c) {
                    referenceTable<1>(v, [&](int x, int y, const auto&) {
                        c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], colour, true);
                    });
                });
            check(
                "FLATTRANSDIV",
                [&](const Target& t) {
                    fillFlatTransDiv(t, v.data(), static_cast<int>(v.size()), colour);
                },
                [&](Canvas& c) {
                    referenceTable<1>(v, [&](int x, int y, const auto&) {
                        c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], colour, false);
                    });
                });
            check(
                "FLATZTRANSADD",
                [&](const Target& t) {
                    fillFlatZTransAdd(t, v.data(), static_cast<int>(v.size()), colour);
                },
                [&](Canvas& c) {
                    referenceTable<1>(v, [&](int x, int y, const auto& a) {
                        if (a[0] > c.depth[y * kW + x])
                            c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], colour, true);
                    });
                });
            check(
                "FLATZTRANSDIV",
                [&](const Target& t) {
                    fillFlatZTransDiv(t, v.data(), static_cast<int>(v.size()), colour);
                },
                [&](Canvas& c) {
                    referenceTable<1>(v, [&](int x, int y, const auto& a) {
                        if (a[0] > c.depth[y * kW + x])
                            c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], colour, false);
                    });
                });
        }
        // Most polygons draw something; a quarter are wound the other way and draw only
        // translucent.
        EXPECT_GT(drew, 1500);
        EXPECT_GT(drewTranslucent, drew);
    });
}

// The translucent forms keep each row's outermost crossings: on polygons whose edges turn back
// in y that is the edge table's work, not the walk's.
TEST(FlatFillers, TranslucentFormsAgreeWithTheReferenceOnJaggedPolygons) {
    forEachSpanForm([&] {
        std::mt19937 gen(7);
        for (int trial = 0; trial < 1500; ++trial) {
            const auto v = randomPolygon(gen, 4 + static_cast<int>(gen() % 6), true);
            const uint32_t colour = static_cast<uint32_t>(gen());
            const Canvas base = randomCanvas(
                gen, [](std::mt19937& g) { return static_cast<int32_t>(g() % 100000); });
            const int n = static_cast<int>(v.size());
            for (const bool add : {true, false}) {
                ASSERT_TRUE(agrees(
                    base,
                    [&](const Target& t) {
                        (add ? fillFlatZTransAdd : fillFlatZTransDiv)(t, v.data(), n, colour);
                    },
                    [&](Canvas& c) {
                        referenceTable<1>(v, [&](int x, int y, const auto& a) {
                            uint32_t& p = c.pixels[y * kW + x];
                            if (a[0] > c.depth[y * kW + x]) p = perByte(p, colour, add);
                        });
                    }))
                    << (add ? "FLATZTRANSADD" : "FLATZTRANSDIV") << " trial " << trial;
            }
        }
    });
}

TEST(FlatFillers, TheTrianglesOfTheFillRule) {
    // (10.5, 10), (10.5, 20), (20.5, 10): counter-clockwise on the screen.
    const std::vector<ScreenVertex> t = {vertex(10.5, 10), vertex(10.5, 20), vertex(20.5, 10)};
    Canvas c;
    fillFlat(c.target(), t.data(), 3, 1);
    int firstRow = 99, lastRow = -1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (c.pixels[y * kW + x])
                firstRow = std::min(firstRow, y), lastRow = std::max(lastRow, y);
    EXPECT_EQ(firstRow, 10);
    EXPECT_EQ(lastRow, 19);
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(c.pixels[10 * kW + x], x >= 11 && x <= 20 ? 1u : 0u) << x;
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(c.pixels[19 * kW + x], x == 11 ? 1u : 0u) << x;
    // Reversed: nothing opaque, the same pixels translucent.
    const std::vector<ScreenVertex> r = {t[0], t[2], t[1]};
    Canvas opaque, translucent;
    fillFlat(opaque.target(), r.data(), 3, 1);
    fillFlatTransAdd(translucent.target(), r.data(), 3, 1);
    for (uint32_t p : opaque.pixels)
        ASSERT_EQ(p, 0u);
    EXPECT_EQ(translucent.pixels, c.pixels);
    // Flat rows draw nothing.
    Canvas flat;
    const std::vector<ScreenVertex> line = {vertex(1, 5), vertex(9, 5), vertex(20, 5)};
    const std::vector<ScreenVertex> band = {vertex(1, 5.1), vertex(9, 5.9), vertex(20, 5.5)};
    fillFlat(flat.target(), line.data(), 3, 1);
    fillFlat(flat.target(), band.data(), 3, 1);
    fillFlatTransAdd(flat.target(), band.data(), 3, 1);
    for (uint32_t p : flat.pixels)
        ASSERT_EQ(p, 0u);
}

TEST(FlatFillers, SharedEdgesAreCoveredExactlyOnce) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> u(0, 1);
    int pairs = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const ScreenVertex a = vertex(u(gen) * kW, u(gen) * kH),
                           b = vertex(u(gen) * kW, u(gen) * kH);
        const ScreenVertex c = vertex(u(gen) * kW, u(gen) * kH),
                           d = vertex(u(gen) * kW, u(gen) * kH);
        // Two triangles on either side of a - b, each wound so the ordered walk draws it.
        auto ccw = [](ScreenVertex p, ScreenVertex q, ScreenVertex r) {
            const double cross = static_cast<double>(q.x - p.x) * (r.y - p.y) -
                                 static_cast<double>(q.y - p.y) * (r.x - p.x);
            return cross < 0 ? std::vector<ScreenVertex>{p, q, r}
                             : std::vector<ScreenVertex>{p, r, q};
        };
        const auto side = [&](const ScreenVertex& p) {
            return static_cast<double>(b.x - a.x) * (p.y - a.y) -
                   static_cast<double>(b.y - a.y) * (p.x - a.x);
        };
        if (side(c) * side(d) >= 0) continue; // c and d must lie on opposite sides
        ++pairs;
        const auto t1 = ccw(a, b, c), t2 = ccw(a, b, d);
        Canvas opaque, counted;
        fillFlat(opaque.target(), t1.data(), 3, 1);
        fillFlat(opaque.target(), t2.data(), 3, 2);
        fillFlatTransAdd(counted.target(), t1.data(), 3, 1);
        fillFlatTransAdd(counted.target(), t2.data(), 3, 1);
        for (int i = 0; i < kW * kH; ++i) {
            ASSERT_LE(counted.pixels[i], 1u)
                << "overlap at " << i % kW << "," << i / kW << " trial " << trial;
            ASSERT_EQ(counted.pixels[i] != 0, opaque.pixels[i] != 0) << trial;
        }
    }
    EXPECT_GT(pairs, 100);
}

TEST(FlatFillers, BlendsAndDepth) {
    forEachSpanForm([&] {
        const std::vector<ScreenVertex> t = {vertex(2, 2, 500), vertex(2, 12, 500),
                                             vertex(12, 2, 500)};
        Canvas c;
        std::fill(c.pixels.begin(), c.pixels.end(), 0x00A0A0A0u);
        Canvas d = c;
        fillFlatTransAdd(c.target(), t.data(), 3, 0x00808080);
        fillFlatTransDiv(d.target(), t.data(), 3, 0x00808080);
        EXPECT_EQ(c.pixels[3 * kW + 3], 0x00FFFFFFu);
        EXPECT_EQ(d.pixels[3 * kW + 3], 0x00909090u);
        EXPECT_EQ(addSaturate(0xFF7F0180u, 0x01810280u), 0xFFFF03FFu);

        Canvas z;
        fillFlatZ(z.target(), t.data(), 3, 7);
        EXPECT_EQ(z.pixels[3 * kW + 3], 7u);
        EXPECT_EQ(z.depth[3 * kW + 3], 500);
        fillFlatZ(z.target(), t.data(), 3, 9); // equal depth fails the test
        EXPECT_EQ(z.pixels[3 * kW + 3], 7u);
        const auto depthBefore = z.depth;
        const std::vector<ScreenVertex> nearer = {vertex(2, 2, 900), vertex(2, 12, 900),
                                                  vertex(12, 2, 900)};
        fillFlatZTransAdd(z.target(), nearer.data(), 3, 1);
        EXPECT_EQ(z.pixels[3 * kW + 3], 8u);
        EXPECT_EQ(z.depth, depthBefore); // translucent forms never write depth
    });
}
