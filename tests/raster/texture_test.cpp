#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "fx/colour_tables.h"
#include "picture/image32.h"
#include "raster/pixel_ops.h"
#include "raster/texture_fillers.h"
#include "tests/raster/reference_raster.h"

using namespace raster;
using namespace reference_raster;

namespace {

// The texel a whole coordinate pair names, through the picture's own tiled layout.
uint32_t texel(const std::vector<uint32_t>& tiled, int u, int v) {
    return tiled[static_cast<size_t>(picture::tiledIndex(u & 255, v & 255))];
}

// The whole part after k steps with 15-bit fractions: start and step lose their lowest bit.
int whole15(int32_t start, int32_t step, int k) {
    const uint32_t position = static_cast<uint32_t>(start >> 1) +
                              static_cast<uint32_t>(k) * static_cast<uint32_t>(step >> 1);
    return static_cast<int>((position >> 15) & 255);
}

uint32_t subPerByte(uint32_t t, uint32_t s) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        const int a = static_cast<int>((t >> k) & 255), b = static_cast<int>((s >> k) & 255);
        out |= static_cast<uint32_t>(std::max(0, a - b)) << k;
    }
    return out;
}

// For each pixel of a perspective span (w, U, V at 0..2), calls pixel(k, u, v) with the
// whole texel coordinates the definition gives: exact division at the start of every run of
// 16 and of the tail, linear steps between, the tail's step divided by its length.
template <int N, typename Pixel> void perspectiveTexels(const RefSpan<N>& s, Pixel pixel) {
    auto exact = [&](int j, int i) { return perspective(s.at(j)[i], s.at(j)[0]); };
    const int runs = s.n / 16;
    for (int k = 0; k < s.n; ++k) {
        const int r = k / 16, first = r * 16;
        int32_t du, dv;
        if (r < runs) {
            du = wrapSub(exact(first + 16, 1), exact(first, 1)) >> 4;
            dv = wrapSub(exact(first + 16, 2), exact(first, 2)) >> 4;
        } else {
            const int m = s.n - first;
            du = wrapSub(exact(first + m - 1, 1), exact(first, 1)) / m;
            dv = wrapSub(exact(first + m - 1, 2), exact(first, 2)) / m;
        }
        pixel(k, whole15(exact(first, 1), du, k - first), whole15(exact(first, 2), dv, k - first));
    }
}

// Texture coordinates kept where u w fits 32 bits.
struct TexturedPolygon {
    std::vector<ScreenVertex> map, mapZ, pmap, shade;
};

TexturedPolygon texturedPolygon(std::mt19937& gen, int vertices, bool jagged) {
    const auto base = randomPolygon(gen, vertices, jagged);
    TexturedPolygon p;
    for (const ScreenVertex& b : base) {
        const double z = 20 + static_cast<double>(gen() % 980),
                     u = static_cast<double>(gen() % 1000) - 500,
                     v = static_cast<double>(gen() % 1000) - 500;
        const auto w = static_cast<int32_t>(67108864.0 / z);
        ScreenVertex m = b;
        m.a = {static_cast<int32_t>(std::lround(u * 65536)),
               static_cast<int32_t>(std::lround(v * 65536)), 0, 0, 0};
        p.map.push_back(m);
        m.a = {w, static_cast<int32_t>(std::lround(u * 65536)),
               static_cast<int32_t>(std::lround(v * 65536)), 0, 0};
        p.mapZ.push_back(m);
        m.a = {w, static_cast<int32_t>(std::lround(u * w)),
               static_cast<int32_t>(std::lround(v * w)), 0, 0};
        p.pmap.push_back(m);
        m.a[3] = static_cast<int32_t>(gen() % (256 << 16));
        p.shade.push_back(m);
    }
    return p;
}

ScreenVertex at(double x, double y, std::array<int32_t, 5> a) {
    ScreenVertex v;
    v.x = static_cast<Fixed16>(std::lround(x * 65536)),
    v.y = static_cast<Fixed16>(std::lround(y * 65536));
    v.a = a;
    return v;
}

} // namespace

TEST(TextureFillers, PackedPositionIsTheTiledIndexAndWraps) {
    EXPECT_EQ(texelIndex(packUV(9 << 16, 3 << 16)), 2073u);
    EXPECT_EQ(picture::tiledIndex(9, 3), 2073);
    // Whole parts wrap at 256 in both directions, fractions carry across the gaps.
    for (int32_t u : {0, 0x8000, 255 << 16, (255 << 16) + 0xFFFF, -1, -(3 << 16) - 5, 1000 << 16})
        for (int32_t du : {1 << 16, 3, -(1 << 16), 0x7FFF1, -0x12345, 40 << 16}) {
            PackedUV p = packUV(u, 7 << 16);
            const PackedUV step = packStep(du, -du);
            for (int k = 0; k < 600; ++k, p = advance(p, step))
                ASSERT_EQ(texelIndex(p), static_cast<uint32_t>(picture::tiledIndex(
                                             whole15(u, du, k), whole15(7 << 16, -du, k))))
                    << u << " " << du << " " << k;
        }
}

// Both forms of each, the vector one and its word-wide twin, byte by byte.
TEST(TextureFillers, SaturatingSumAndDifferencePerByte) {
    std::mt19937 gen(2);
    auto addPerByte = [](uint32_t t, uint32_t s) {
        uint32_t out = 0;
        for (int k = 0; k < 32; k += 8)
            out |= std::min(255u, ((t >> k) & 255) + ((s >> k) & 255)) << k;
        return out;
    };
    for (int i = 0; i < 200000; ++i) {
        const uint32_t a = static_cast<uint32_t>(gen()),
                       b = i % 2 ? static_cast<uint32_t>(gen()) : (gen() % 256) * 0x010101u;
        ASSERT_EQ(subSaturate(a, b), subPerByte(a, b)) << std::hex << a << " " << b;
        ASSERT_EQ(subSaturateWord(a, b), subPerByte(a, b)) << std::hex << a << " " << b;
        ASSERT_EQ(addSaturate(a, b), addPerByte(a, b)) << std::hex << a << " " << b;
        ASSERT_EQ(addSaturateWord(a, b), addPerByte(a, b)) << std::hex << a << " " << b;
    }
}

TEST(TextureFillers, AgreeWithTheReferenceOnRandomPolygonsAndTriangles) {
    forEachSpanForm([&] {
        std::mt19937 gen(77);
        std::vector<uint32_t> tiled(picture::kTiledTexels);
        for (auto& t : tiled)
            t = static_cast<uint32_t>(gen());
        const fx::ColourTable greys = fx::makeGreyRamp();
        const uint32_t* ramp = greys.data();
        for (int trial = 0; trial < 1500; ++trial) {
            // Triangles, convex polygons and, for the translucent forms, jagged ones (whose edges
            // turn back in y: there the table and the ordered walk part ways).
            const bool triangle = trial % 2 == 0, jagged = trial % 4 == 1;
            const TexturedPolygon p =
                texturedPolygon(gen, triangle ? 3 : 3 + static_cast<int>(gen() % 4), jagged);
            const int n = static_cast<int>(p.map.size());
            const Canvas base = randomCanvas(gen, [](std::mt19937& g) {
                return static_cast<int32_t>(67108864.0 / (20 + g() % 980));
            });
            auto check = [&](const char* name, auto fill, auto reference) {
                ASSERT_TRUE(agrees(base, fill, reference)) << name << " trial " << trial;
            };
            auto random16 = [&](int range) {
                return static_cast<int32_t>(gen() % (2u * range << 16)) - (range << 16);
            };
            const std::array<int32_t, 2> gMap = {random16(8), random16(8)};
            const std::array<int32_t, 3> gMapZ = {static_cast<int32_t>(gen() % 20000) - 10000,
                                                  random16(8), random16(8)};
            const std::array<int32_t, 3> gPmap = {static_cast<int32_t>(gen() % 20000) - 10000,
                                                  static_cast<int32_t>(gen() % 2000000) - 1000000,
                                                  static_cast<int32_t>(gen() % 2000000) - 1000000};
            const std::array<int32_t, 4> gShade = {gPmap[0], gPmap[1], gPmap[2], random16(6)};

            // The pixel each family writes, from the reference's span; blend 0 copy, 1 add, 2 div.
            auto put = [](uint32_t& d, uint32_t s, int blend) {
                d = blend == 0 ? s : perByte(d, s, blend == 1);
            };
            auto affine = [&](Canvas& c, bool z, bool writeZ, int blend) {
                return [&c, z, writeZ, blend, &tiled, put](const auto& s) {
                    const int u = z ? 1 : 0;
                    for (int k = 0; k < s.n; ++k) {
                        const size_t i = static_cast<size_t>(s.y) * kW + s.x + k;
                        const auto a = s.at(k);
                        if (z && a[0] <= c.depth[i]) continue;
                        if (writeZ) c.depth[i] = a[0];
                        put(c.pixels[i],
                            texel(tiled, whole15(s.start[u], s.g[u], k),
                                  whole15(s.start[u + 1], s.g[u + 1], k)),
                            blend);
                    }
                };
            };
            auto persp = [&](Canvas& c, bool z, bool writeZ, int blend, bool shade) {
                return [&c, z, writeZ, blend, shade, &tiled, ramp, put](const auto& s) {
                    perspectiveTexels(s, [&](int k, int u, int v) {
                        const size_t i = static_cast<size_t>(s.y) * kW + s.x + k;
                        const auto a = s.at(k);
                        if (z && a[0] <= c.depth[i]) return;
                        if (writeZ) c.depth[i] = a[0];
                        uint32_t t = texel(tiled, u, v);
                        if constexpr (std::tuple_size_v<decltype(a)> == 4)
                            if (shade) t = subPerByte(t, ramp[clampIndex(a[3])]);
                        put(c.pixels[i], t, blend);
                    });
                };
            };
            const uint32_t* tex = tiled.data();
            if (triangle) {
                check(
                    "MAP triangle",
                    [&](const Target& t) { fillMapTriangle(t, tex, p.map.data(), gMap); },
                    [&](Canvas& c) {
                        referenceOrdered<2>(p.map, gMap.data(), affine(c, false, false, 0));
                    });
                check(
                    "MAPZ triangle",
                    [&](const Target& t) { fillMapZTriangle(t, tex, p.mapZ.data(), gMapZ); },
                    [&](Canvas& c) {
                        referenceOrdered<3>(p.mapZ, gMapZ.data(), affine(c, true, true, 0));
                    });
                check(
                    "PMAP triangle",
                    [&](const Target& t) { fillPmapTriangle(t, tex, p.pmap.data(), gPmap); },
                    [&](Canvas& c) {
                        referenceOrdered<3>(p.pmap, gPmap.data(), persp(c, false, false, 0, false));
                    });
                check(
                    "PMAPZ_SHADE_PSUB triangle",
                    [&](const Target& t) {
                        fillPmapZShadePsubTriangle(t, tex, ramp, p.shade.data(), gShade);
                    },
                    [&](Canvas& c) {
                        referenceOrdered<4>(p.shade, gShade.data(), persp(c, true, true, 0, true));
                    });
            }
            if (!jagged) {
                check(
                    "MAP", [&](const Target& t) { fillMap(t, tex, p.map.data(), n); },
                    [&](Canvas& c) {
                        referenceOrdered<2>(p.map, nullptr, affine(c, false, false, 0));
                    });
                check(
                    "MAPZ", [&](const Target& t) { fillMapZ(t, tex, p.mapZ.data(), n); },
                    [&](Canvas& c) {
                        referenceOrdered<3>(p.mapZ, nullptr, affine(c, true, true, 0));
                    });
                check(
                    "PMAP", [&](const Target& t) { fillPmap(t, tex, p.pmap.data(), n); },
                    [&](Canvas& c) {
                        referenceOrdered<3>(p.pmap, nullptr, persp(c, false, false, 0, false));
                    });
                check(
                    "PMAPZ", [&](const Target& t) { fillPmapZ(t, tex, p.pmap.data(), n); },
                    [&](Canvas& c) {
                        referenceOrdered<3>(p.pmap, nullptr, persp(c, true, true, 0, false));
                    });
                check(
                    "PMAPZ_SHADE_PSUB",
                    [&](const Target& t) { fillPmapZShadePsub(t, tex, ramp, p.shade.data(), n); },
                    [&](Canvas& c) {
                        referenceOrdered<4>(p.shade, nullptr, persp(c, true, true, 0, true));
                    });
            }
            for (int blend : {1, 2}) {
                const bool add = blend == 1;
                check(
                    "MAPTRANS",
                    [&](const Target& t) {
                        (add ? fillMapTransAdd : fillMapTransDiv)(t, tex, p.map.data(), n);
                    },
                    [&](Canvas& c) { referenceTable<2>(p.map, affine(c, false, false, blend)); });
                check(
                    "MAPZTRANS",
                    [&](const Target& t) {
                        (add ? fillMapZTransAdd : fillMapZTransDiv)(t, tex, p.mapZ.data(), n);
                    },
                    [&](Canvas& c) { referenceTable<3>(p.mapZ, affine(c, true, false, blend)); });
                check(
                    "PMAPTRANS",
                    [&](const Target& t) {
                        (add ? fillPmapTransAdd : fillPmapTransDiv)(t, tex, p.pmap.data(), n);
                    },
                    [&](Canvas& c) {
                        referenceTable<3>(p.pmap, persp(c, false, false, blend, false));
                    });
                check(
                    "PMAPZTRANS",
                    [&](const Target& t) {
                        (add ? fillPmapZTransAdd : fillPmapZTransDiv)(t, tex, p.pmap.data(), n);
                    },
                    [&](Canvas& c) {
                        referenceTable<3>(p.pmap, persp(c, true, false, blend, false));
                    });
                check(
                    "PMAPZTRANS_SHADE_PSUB",
                    [&](const Target& t) {
                        (add ? fillPmapZTransAddShadePsub
                             : fillPmapZTransDivShadePsub)(t, tex, ramp, p.shade.data(), n);
                    },
                    [&](Canvas& c) {
                        referenceTable<4>(p.shade, persp(c, true, false, blend, true));
                    });
            }
        }
    });
}

// One row of n pixels from x = 0 with u = k texels at pixel k (w constant), read back through
// a texture whose texels name their own u.
std::vector<int> sampledU(int n, int32_t w) {
    std::vector<uint32_t> tiled(picture::kTiledTexels);
    for (int u = 0; u < 256; ++u)
        for (int v = 0; v < 256; ++v)
            tiled[static_cast<size_t>(picture::tiledIndex(u, v))] = static_cast<uint32_t>(u);
    std::vector<uint32_t> pixels(64, 0xFFFFFFFF);
    std::vector<int32_t> depth(64, 0);
    const Target t{pixels.data(), 64, 1, depth.data()};
    const int32_t far = n * w; // U at x = n
    const std::vector<ScreenVertex> quad = {at(0, 0, {w, 0, 0}), at(0, 1, {w, 0, 0}),
                                            at(n, 1, {w, far, 0}), at(n, 0, {w, far, 0})};
    fillPmapZ(t, tiled.data(), quad.data(), 4);
    std::vector<int> u;
    for (int k = 0; k < 64; ++k)
        u.push_back(static_cast<int>(pixels[static_cast<size_t>(k)]));
    return u;
}

TEST(TextureFillers, PerspectiveRunsAndTheirTail) {
    const int32_t w = 1 << 20;
    // 16 pixels: one run between exact ends, every texel where it belongs, nothing after.
    auto u = sampledU(16, w);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(u[k], k);
    EXPECT_EQ(u[16], -1);
    // 17: the run, then a tail of one pixel computed exactly for itself.
    u = sampledU(17, w);
    for (int k = 0; k < 17; ++k)
        EXPECT_EQ(u[k], k);
    // 15: a tail alone, stepping (u14 - u0) / 15, so its last pixel stops one step short.
    u = sampledU(15, w);
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(u[k], k * 14 / 15) << k;
    EXPECT_EQ(u[14], 13);
    EXPECT_EQ(u[15], -1);
}

TEST(TextureFillers, AffineCoordinatesWrapAcrossTheTexture) {
    std::vector<uint32_t> tiled(picture::kTiledTexels);
    for (size_t i = 0; i < tiled.size(); ++i)
        tiled[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> pixels(512 * 4, 0);
    const Target t{pixels.data(), 512, 4, nullptr};
    // u from 0 to 512 across the width: the texture twice side by side.
    const std::vector<ScreenVertex> tri = {at(0, 0, {0, 1 << 16}), at(0, 4, {0, 1 << 16}),
                                           at(512, 0, {512 << 16, 1 << 16})};
    fillMapTriangle(t, tiled.data(), tri.data(), {1 << 16, 0});
    for (int x = 0; x < 256; ++x) {
        ASSERT_EQ(pixels[static_cast<size_t>(x)],
                  tiled[static_cast<size_t>(picture::tiledIndex(x, 1))])
            << x;
        ASSERT_EQ(pixels[static_cast<size_t>(x + 256)], pixels[static_cast<size_t>(x)]) << x;
    }
}

TEST(TextureFillers, ShadeAndDepthRules) {
    std::vector<uint32_t> tiled(picture::kTiledTexels);
    std::mt19937 gen(4);
    for (auto& texel : tiled)
        texel = static_cast<uint32_t>(gen());
    const fx::ColourTable greys = fx::makeGreyRamp();
    EXPECT_EQ(greys[0], 0u);
    EXPECT_EQ(greys[200], 0x00C8C8C8u);
    const int32_t w = 1 << 20;
    Canvas c;
    // Shade 255 everywhere: black with the texel's top byte, and the depth still written.
    const std::vector<ScreenVertex> quad = {
        at(4, 4, {w, 0, 0, 255 << 16}), at(4, 30, {w, 0, 9 * w, 255 << 16}),
        at(40, 30, {w, 7 * w, 9 * w, 255 << 16}), at(40, 4, {w, 7 * w, 0, 255 << 16})};
    fillPmapZShadePsub(c.target(), tiled.data(), greys.data(), quad.data(), 4);
    int drawn = 0;
    for (int i = 0; i < kW * kH; ++i) {
        if (c.depth[i] == 0) continue;
        ++drawn;
        ASSERT_EQ(c.depth[i], w);
        ASSERT_EQ(c.pixels[i] & 0x00FFFFFFu, 0u);
    }
    EXPECT_EQ(drawn, 36 * 26);
    bool topBytes = false;
    for (uint32_t p : c.pixels)
        topBytes |= p != 0;
    EXPECT_TRUE(topBytes);
    // The same depths again fail the test: nothing changes.
    const Canvas before = c;
    fillPmapZ(c.target(), tiled.data(), quad.data(), 4);
    fillMapZ(c.target(), tiled.data(), quad.data(), 4);
    EXPECT_EQ(c.pixels, before.pixels);

    // MAPZTRANSADD over an empty depth buffer adds every covered texel, as MAPTRANSADD does,
    // and writes no depth.
    Canvas t, plain;
    for (auto& p : t.pixels)
        p = 0x01010101;
    plain.pixels = t.pixels;
    const std::vector<ScreenVertex> mz = {at(2, 2, {w, 0, 0}), at(2, 20, {w, 0, 18 << 16}),
                                          at(30, 2, {w, 28 << 16, 0})};
    const std::vector<ScreenVertex> m = {at(2, 2, {0, 0}), at(2, 20, {0, 18 << 16}),
                                         at(30, 2, {28 << 16, 0})};
    fillMapZTransAdd(t.target(), tiled.data(), mz.data(), 3);
    fillMapTransAdd(plain.target(), tiled.data(), m.data(), 3);
    EXPECT_EQ(t.pixels, plain.pixels);
    int added = 0;
    for (uint32_t p : t.pixels)
        added += p != 0x01010101;
    EXPECT_GT(added, 230);
    for (int32_t z : t.depth)
        ASSERT_EQ(z, 0);
}

TEST(FixedPoint, QuotientsInDoublesAreTheIntegerQuotients) {
    std::mt19937 gen(5);
    const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -65537, -65536,   -3, -1, 0, 1,
                             3,         65535,         65536,  INT32_MAX};
    auto check = [](int32_t a, int32_t b, int32_t e) {
        if (e == 0) return;
        int32_t q[2];
        const int32_t in[2] = {a, b};
        divide16<2>(in, e, q);
        const auto exact = [&](int32_t x) {
            return static_cast<int32_t>((static_cast<int64_t>(x) * 65536) / e);
        };
        ASSERT_EQ(q[0], exact(a)) << a << " / " << e;
        ASSERT_EQ(q[1], exact(b)) << b << " / " << e;
        int32_t one;
        divide16<1>(&a, e, &one);
        ASSERT_EQ(one, exact(a));
    };
    for (int32_t a : edges)
        for (int32_t e : edges)
            check(a, wrapSub(0, a), e);
    for (int i = 0; i < 200000; ++i) {
        const auto a = static_cast<int32_t>(gen()), b = static_cast<int32_t>(gen());
        // Denominators of every size, the small ones where quotients sit nearest to integers.
        const auto e = static_cast<int32_t>(gen()) >> (gen() % 31);
        check(a, b, e);
    }
}
