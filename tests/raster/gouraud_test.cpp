#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"

using namespace raster;

namespace {

constexpr int kW = 64, kH = 48;

// Closed forms of the walk for N attributes: an edge's values at row y and a span's at pixel i.
template <int N>
struct Crossing {
    bool covers = false;
    Fixed16 x = 0;
    std::array<int32_t, N> a{};
};


template <int N>
Crossing<N> crossing(const ScreenVertex& p, const ScreenVertex& q, int y) {
    const int first = ceil16(p.y), rows = ceil16(q.y) - first;
    Crossing<N> c;
    if (rows <= 0 || y < first || y >= first + rows) return c;
    const uint32_t k = static_cast<uint32_t>(y - first);
    const Fixed16 dx = slope(q.x - p.x, q.y - p.y, rows);
    c.covers = true;
    c.x = static_cast<Fixed16>(static_cast<uint32_t>(wrapAdd(p.x, mul16(prestep(p.y), dx))) + k * static_cast<uint32_t>(dx));
    for (int i = 0; i < N; ++i) {
        const int32_t d = slope(q.a[i] - p.a[i], q.y - p.y, rows);
        c.a[i] = static_cast<int32_t>(static_cast<uint32_t>(wrapAdd(p.a[i], mul16(prestep(p.y), d))) + k * static_cast<uint32_t>(d));
    }
    return c;
}

// pixel(x, y, values) over the span between two crossings; gradients constant when given.
template <int N, typename Pixel>
void spanOf(int y, const Crossing<N>& l, const Crossing<N>& r, const int32_t* gradients, Pixel pixel) {
    const int x0 = ceil16(l.x), n = ceil16(r.x) - x0;
    if (n <= 0 || y < 0 || y >= kH) return;
    std::array<int32_t, N> g{}, start{};
    for (int i = 0; i < N; ++i) {
        g[i] = gradients ? gradients[i] : slope(r.a[i] - l.a[i], r.x - l.x, n);
        start[i] = wrapAdd(l.a[i], mul16(prestep(l.x), g[i]));
    }
    for (int k = 0; k < n; ++k) {
        if (x0 + k < 0 || x0 + k >= kW) continue;
        std::array<int32_t, N> at{};
        for (int i = 0; i < N; ++i)
            at[i] = static_cast<int32_t>(static_cast<uint32_t>(start[i]) + static_cast<uint32_t>(k) * static_cast<uint32_t>(g[i]));
        pixel(x0 + k, y, at);
    }
}

template <int N, typename Pixel>
void referenceOrdered(const std::vector<ScreenVertex>& v, const int32_t* gradients, Pixel pixel) {
    const int n = static_cast<int>(v.size());
    int top = 0, bottom = 0;
    for (int i = 1; i < n; ++i) {
        if (v[i].y < v[top].y)
            top = i;
        else if (v[i].y > v[bottom].y)
            bottom = i;
    }
    if (top == bottom) return;
    auto chainAt = [&](int dir, int y) {
        for (int i = top; i != bottom; i = (i + dir + n) % n) {
            const auto c = crossing<N>(v[i], v[(i + dir + n) % n], y);
            if (c.covers) return c;
        }
        return Crossing<N>{};
    };
    for (int y = ceil16(v[top].y); y < ceil16(v[bottom].y); ++y) {
        const auto l = chainAt(1, y), r = chainAt(-1, y);
        if (l.covers && r.covers) spanOf<N>(y, l, r, gradients, pixel);
    }
}

template <int N, typename Pixel>
void referenceTable(const std::vector<ScreenVertex>& v, Pixel pixel) {
    for (int y = -2; y < kH + 2; ++y) {
        Crossing<N> l, r;
        l.x = 0x04000000, r.x = 0;
        bool any = false;
        for (size_t i = 0; i < v.size(); ++i) {
            const ScreenVertex* p = &v[i];
            const ScreenVertex* q = &v[(i + 1) % v.size()];
            if (q->y < p->y) std::swap(p, q);
            const auto c = crossing<N>(*p, *q, y);
            if (!c.covers) continue;
            any = true;
            if (c.x < l.x) l = c;
            if (c.x > r.x) r = c;
        }
        if (!any) continue;
        if (r.x < l.x) std::swap(l, r);
        spanOf<N>(y, l, r, nullptr, pixel);
    }
}

uint32_t perByte(uint32_t d, uint32_t s, bool add) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        const uint32_t a = (d >> k) & 255, b = (s >> k) & 255;
        out |= (add ? std::min(255u, a + b) : (a + b) >> 1) << k;
    }
    return out;
}

int clampIndex(int32_t level) { return std::clamp(level >> 16, 0, 255); }

std::vector<ScreenVertex> randomPolygon(std::mt19937& gen, int vertices) {
    std::uniform_real_distribution<double> u(0, 1);
    const double cx = u(gen) * kW, cy = u(gen) * kH, size = std::pow(10.0, u(gen) * 2.0 - 1.0);
    const double rx = size * (2 + u(gen) * 10), ry = size * (2 + u(gen) * 8);
    std::vector<double> angles(static_cast<size_t>(vertices));
    for (auto& a : angles) a = u(gen) * 6.2831853;
    std::sort(angles.begin(), angles.end());
    const bool ccw = gen() % 4 != 0;
    std::vector<ScreenVertex> v;
    for (double a : angles) {
        const double t = ccw ? -a : a;
        ScreenVertex p;
        p.x = static_cast<Fixed16>(std::lround((cx + rx * std::cos(t)) * 65536));
        p.y = static_cast<Fixed16>(std::lround((cy + ry * std::sin(t)) * 65536));
        p.a[0] = static_cast<int32_t>(gen() % 100000);            // w (Z forms)
        p.a[1] = static_cast<int32_t>(gen() % (256 << 16));       // level
        v.push_back(p);
    }
    return v;
}

struct Canvas {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kW * kH, 0);
    std::vector<int32_t> depth = std::vector<int32_t>(kW * kH, 0);
    Target target() { return {pixels.data(), kW, kH, depth.data()}; }
};

} // namespace

TEST(GouraudFillers, AgreeWithTheReferenceOnRandomPolygonsAndTriangles) {
    std::mt19937 gen(31);
    std::array<uint32_t, 256> palette{};
    for (auto& c : palette) c = static_cast<uint32_t>(gen());
    for (int trial = 0; trial < 2000; ++trial) {
        const bool triangle = trial % 2 == 0;
        auto v = randomPolygon(gen, triangle ? 3 : 3 + static_cast<int>(gen() % 4));
        // The level alone: its own vertex copies for the non-Z forms (a[0]).
        std::vector<ScreenVertex> lv = v;
        for (auto& p : lv) p.a[0] = p.a[1];
        Canvas base;
        for (auto& p : base.pixels) p = static_cast<uint32_t>(gen());
        for (auto& z : base.depth) z = static_cast<int32_t>(gen() % 100000);
        const int32_t gl = static_cast<int32_t>(gen() % (8 << 16)) - (4 << 16), gw = static_cast<int32_t>(gen() % 2000) - 1000;
        const int n = static_cast<int>(v.size());
        auto check = [&](const char* name, auto fill, auto reference) {
            Canvas got = base, want = base;
            fill(got.target());
            reference(want);
            ASSERT_EQ(got.pixels, want.pixels) << name << " trial " << trial;
            ASSERT_EQ(got.depth, want.depth) << name << " trial " << trial;
        };
        if (triangle) {
            const int32_t g1[1] = {gl}, g2[2] = {gw, gl};
            check("GOURAUD triangle", [&](const Target& t) { fillGouraudTriangle(t, lv.data(), palette.data(), gl); },
                  [&](Canvas& c) {
                      referenceOrdered<1>(lv, g1, [&](int x, int y, const auto& a) { c.pixels[y * kW + x] = palette[clampIndex(a[0])]; });
                  });
            check("GOURAUDZ triangle", [&](const Target& t) { fillGouraudZTriangle(t, v.data(), palette.data(), gw, gl); },
                  [&](Canvas& c) {
                      referenceOrdered<2>(v, g2, [&](int x, int y, const auto& a) {
                          if (a[0] > c.depth[y * kW + x]) c.depth[y * kW + x] = a[0], c.pixels[y * kW + x] = palette[clampIndex(a[1])];
                      });
                  });
        }
        check("GOURAUD", [&](const Target& t) { fillGouraud(t, lv.data(), n, palette.data()); },
              [&](Canvas& c) {
                  referenceOrdered<1>(lv, nullptr, [&](int x, int y, const auto& a) { c.pixels[y * kW + x] = palette[clampIndex(a[0])]; });
              });
        check("GOURAUDZ", [&](const Target& t) { fillGouraudZ(t, v.data(), n, palette.data()); },
              [&](Canvas& c) {
                  referenceOrdered<2>(v, nullptr, [&](int x, int y, const auto& a) {
                      if (a[0] > c.depth[y * kW + x]) c.depth[y * kW + x] = a[0], c.pixels[y * kW + x] = palette[clampIndex(a[1])];
                  });
              });
        for (bool add : {true, false}) {
            check(add ? "GOURAUDTRANSADD" : "GOURAUDTRANSDIV",
                  [&](const Target& t) { (add ? fillGouraudTransAdd : fillGouraudTransDiv)(t, lv.data(), n, palette.data()); },
                  [&](Canvas& c) {
                      referenceTable<1>(lv, [&](int x, int y, const auto& a) {
                          c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], palette[clampIndex(a[0])], add);
                      });
                  });
            check(add ? "GOURAUDZTRANSADD" : "GOURAUDZTRANSDIV",
                  [&](const Target& t) { (add ? fillGouraudZTransAdd : fillGouraudZTransDiv)(t, v.data(), n, palette.data()); },
                  [&](Canvas& c) {
                      referenceTable<2>(v, [&](int x, int y, const auto& a) {
                          if (a[0] > c.depth[y * kW + x])
                              c.pixels[y * kW + x] = perByte(c.pixels[y * kW + x], palette[clampIndex(a[1])], add);
                      });
                  });
        }
    }
}

TEST(GouraudFillers, LevelsOutsideTheRangeAreKeptToIt) {
    EXPECT_EQ(levelIndex(-1), 0);
    EXPECT_EQ(levelIndex(256 << 16), 255);
    EXPECT_EQ(levelIndex((37 << 16) + 0xFFFF), 37);
}
