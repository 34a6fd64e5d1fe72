#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/flat_fillers.h"

using namespace raster;

namespace {

constexpr int kW = 64, kH = 48;

struct Canvas {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kW * kH, 0);
    std::vector<int32_t> depth = std::vector<int32_t>(kW * kH, 0);
    Target target() { return {pixels.data(), kW, kH, depth.data()}; }
};

ScreenVertex vertex(double x, double y, int32_t w = 0) {
    ScreenVertex v;
    v.x = static_cast<Fixed16>(std::lround(x * 65536)), v.y = static_cast<Fixed16>(std::lround(y * 65536));
    v.a[0] = w;
    return v;
}

// --- the reference: closed forms of the fill rule, no stepping, no walking -------------------

// The x (and w) of an edge at row y: the start pre-stepped, plus (y - first row) slopes.
struct EdgeAt {
    bool covers = false;
    Fixed16 x = 0;
    int32_t w = 0;
};
EdgeAt edgeAt(const ScreenVertex& p, const ScreenVertex& q, int y) {
    const int first = ceil16(p.y), rows = ceil16(q.y) - first;
    EdgeAt e;
    if (rows <= 0 || y < first || y >= first + rows) return e;
    const Fixed16 dx = slope(q.x - p.x, q.y - p.y, rows), dw = slope(q.a[0] - p.a[0], q.y - p.y, rows);
    const uint32_t k = static_cast<uint32_t>(y - first);
    e.covers = true;
    e.x = static_cast<Fixed16>(static_cast<uint32_t>(wrapAdd(p.x, mul16(prestep(p.y), dx))) + k * static_cast<uint32_t>(dx));
    e.w = static_cast<int32_t>(static_cast<uint32_t>(wrapAdd(p.a[0], mul16(prestep(p.y), dw))) + k * static_cast<uint32_t>(dw));
    return e;
}

// Calls pixel(x, y, w) for every pixel of the span of row y between two crossings.
template <typename Pixel>
void span(int y, const EdgeAt& l, const EdgeAt& r, Pixel pixel) {
    const int x0 = ceil16(l.x), n = ceil16(r.x) - x0;
    if (n <= 0 || y < 0 || y >= kH) return;
    const int32_t g = slope(r.w - l.w, r.x - l.x, n);
    const int32_t w0 = wrapAdd(l.w, mul16(prestep(l.x), g));
    for (int i = 0; i < n; ++i) {
        const int x = x0 + i;
        if (x >= 0 && x < kW) pixel(x, y, static_cast<int32_t>(static_cast<uint32_t>(w0) + static_cast<uint32_t>(i) * static_cast<uint32_t>(g)));
    }
}

// Opaque fillers: the left chain from the top vertex forward, the right chain backward, each
// ending at the bottom vertex; rows where both chains have an edge.
template <typename Pixel>
void referenceOrdered(const std::vector<ScreenVertex>& v, Pixel pixel) {
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
            const EdgeAt e = edgeAt(v[i], v[(i + dir + n) % n], y);
            if (e.covers) return e;
        }
        return EdgeAt{};
    };
    for (int y = ceil16(v[top].y); y < ceil16(v[bottom].y); ++y) {
        const EdgeAt l = chainAt(1, y), r = chainAt(-1, y);
        if (l.covers && r.covers) span(y, l, r, pixel);
    }
}

// Translucent fillers: every edge's crossing of the row; the first strictly leftmost and
// rightmost (empty left 1024.0, empty right 0).
template <typename Pixel>
void referenceTable(const std::vector<ScreenVertex>& v, Pixel pixel) {
    for (int y = -2; y < kH + 2; ++y) {
        EdgeAt l, r;
        l.x = 0x04000000, r.x = 0;
        bool any = false;
        for (size_t i = 0; i < v.size(); ++i) {
            const ScreenVertex* p = &v[i];
            const ScreenVertex* q = &v[(i + 1) % v.size()];
            if (q->y < p->y) std::swap(p, q);
            const EdgeAt e = edgeAt(*p, *q, y);
            if (!e.covers) continue;
            any = true;
            if (e.x < l.x) l = e;
            if (e.x > r.x) r = e;
        }
        if (!any) continue;
        if (r.x < l.x) std::swap(l, r);
        span(y, l, r, pixel);
    }
}

uint32_t addBytes(uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= std::min(255u, ((d >> k) & 255) + ((s >> k) & 255)) << k;
    return out;
}
uint32_t averageBytes(uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= ((((d >> k) & 255) + ((s >> k) & 255)) >> 1) << k;
    return out;
}

std::vector<ScreenVertex> randomPolygon(std::mt19937& gen) {
    // Convex: points on an ellipse, counter-clockwise on the screen (y down) or clockwise.
    std::uniform_real_distribution<double> u(0, 1);
    const double cx = u(gen) * kW, cy = u(gen) * kH;
    const double size = std::pow(10.0, u(gen) * 2.0 - 1.0); // 0.1 .. 10 times a base
    const double rx = size * (2 + u(gen) * 10), ry = size * (2 + u(gen) * 8);
    const int n = 3 + static_cast<int>(gen() % 4);
    std::vector<double> angles(static_cast<size_t>(n));
    for (auto& a : angles) a = u(gen) * 6.2831853;
    std::sort(angles.begin(), angles.end());
    const bool ccw = gen() % 4 != 0;
    std::vector<ScreenVertex> v;
    for (int i = 0; i < n; ++i) {
        const double a = ccw ? -angles[static_cast<size_t>(i)] : angles[static_cast<size_t>(i)];
        v.push_back(vertex(cx + rx * std::cos(a), cy + ry * std::sin(a), static_cast<int32_t>(gen() % 100000)));
    }
    return v;
}

} // namespace

TEST(FlatFillers, AgreeWithTheReferenceOnRandomPolygons) {
    std::mt19937 gen(99);
    int drew = 0, drewTranslucent = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const auto v = randomPolygon(gen);
        const uint32_t colour = static_cast<uint32_t>(gen());
        Canvas base;
        for (auto& p : base.pixels) p = static_cast<uint32_t>(gen());
        for (auto& z : base.depth) z = static_cast<int32_t>(gen() % 100000);
        auto check = [&](const char* name, auto fill, auto reference) {
            Canvas got = base, want = base;
            fill(got.target());
            reference(want);
            ASSERT_EQ(got.pixels, want.pixels) << name << " trial " << trial;
            ASSERT_EQ(got.depth, want.depth) << name << " trial " << trial;
        };
        check("FLAT", [&](const Target& t) { fillFlat(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) { referenceOrdered(v, [&](int x, int y, int32_t) { c.pixels[y * kW + x] = colour; }); });
        {
            Canvas probe = base;
            fillFlat(probe.target(), v.data(), static_cast<int>(v.size()), ~colour);
            drew += probe.pixels != base.pixels;
            Canvas probe2 = base;
            fillFlatTransAdd(probe2.target(), v.data(), static_cast<int>(v.size()), 0x01010101);
            drewTranslucent += probe2.pixels != base.pixels;
        }
        check("FLATZ", [&](const Target& t) { fillFlatZ(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) {
                  referenceOrdered(v, [&](int x, int y, int32_t w) {
                      if (w > c.depth[y * kW + x]) c.depth[y * kW + x] = w, c.pixels[y * kW + x] = colour;
                  });
              });
        check("FLATTRANSADD", [&](const Target& t) { fillFlatTransAdd(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) { referenceTable(v, [&](int x, int y, int32_t) { c.pixels[y * kW + x] = addBytes(c.pixels[y * kW + x], colour); }); });
        check("FLATTRANSDIV", [&](const Target& t) { fillFlatTransDiv(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) { referenceTable(v, [&](int x, int y, int32_t) { c.pixels[y * kW + x] = averageBytes(c.pixels[y * kW + x], colour); }); });
        check("FLATZTRANSADD", [&](const Target& t) { fillFlatZTransAdd(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) {
                  referenceTable(v, [&](int x, int y, int32_t w) {
                      if (w > c.depth[y * kW + x]) c.pixels[y * kW + x] = addBytes(c.pixels[y * kW + x], colour);
                  });
              });
        check("FLATZTRANSDIV", [&](const Target& t) { fillFlatZTransDiv(t, v.data(), static_cast<int>(v.size()), colour); },
              [&](Canvas& c) {
                  referenceTable(v, [&](int x, int y, int32_t w) {
                      if (w > c.depth[y * kW + x]) c.pixels[y * kW + x] = averageBytes(c.pixels[y * kW + x], colour);
                  });
              });
    }
    // Most polygons draw something; a quarter are wound the other way and draw only translucent.
    EXPECT_GT(drew, 1500);
    EXPECT_GT(drewTranslucent, drew);
}

TEST(FlatFillers, TheTrianglesOfTheFillRule) {
    // (10.5, 10), (10.5, 20), (20.5, 10): counter-clockwise on the screen.
    const std::vector<ScreenVertex> t = {vertex(10.5, 10), vertex(10.5, 20), vertex(20.5, 10)};
    Canvas c;
    fillFlat(c.target(), t.data(), 3, 1);
    int firstRow = 99, lastRow = -1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (c.pixels[y * kW + x]) firstRow = std::min(firstRow, y), lastRow = std::max(lastRow, y);
    EXPECT_EQ(firstRow, 10);
    EXPECT_EQ(lastRow, 19);
    for (int x = 0; x < kW; ++x) EXPECT_EQ(c.pixels[10 * kW + x], x >= 11 && x <= 20 ? 1u : 0u) << x;
    for (int x = 0; x < kW; ++x) EXPECT_EQ(c.pixels[19 * kW + x], x == 11 ? 1u : 0u) << x;
    // Reversed: nothing opaque, the same pixels translucent.
    const std::vector<ScreenVertex> r = {t[0], t[2], t[1]};
    Canvas opaque, translucent;
    fillFlat(opaque.target(), r.data(), 3, 1);
    fillFlatTransAdd(translucent.target(), r.data(), 3, 1);
    for (uint32_t p : opaque.pixels) ASSERT_EQ(p, 0u);
    EXPECT_EQ(translucent.pixels, c.pixels);
    // Flat rows draw nothing.
    Canvas flat;
    const std::vector<ScreenVertex> line = {vertex(1, 5), vertex(9, 5), vertex(20, 5)};
    const std::vector<ScreenVertex> band = {vertex(1, 5.1), vertex(9, 5.9), vertex(20, 5.5)};
    fillFlat(flat.target(), line.data(), 3, 1);
    fillFlat(flat.target(), band.data(), 3, 1);
    fillFlatTransAdd(flat.target(), band.data(), 3, 1);
    for (uint32_t p : flat.pixels) ASSERT_EQ(p, 0u);
}

TEST(FlatFillers, SharedEdgesAreCoveredExactlyOnce) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> u(0, 1);
    int pairs = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const ScreenVertex a = vertex(u(gen) * kW, u(gen) * kH), b = vertex(u(gen) * kW, u(gen) * kH);
        const ScreenVertex c = vertex(u(gen) * kW, u(gen) * kH), d = vertex(u(gen) * kW, u(gen) * kH);
        // Two triangles on either side of a - b, each wound so the ordered walk draws it.
        auto ccw = [](ScreenVertex p, ScreenVertex q, ScreenVertex r) {
            const double cross = static_cast<double>(q.x - p.x) * (r.y - p.y) - static_cast<double>(q.y - p.y) * (r.x - p.x);
            return cross < 0 ? std::vector<ScreenVertex>{p, q, r} : std::vector<ScreenVertex>{p, r, q};
        };
        const auto side = [&](const ScreenVertex& p) {
            return static_cast<double>(b.x - a.x) * (p.y - a.y) - static_cast<double>(b.y - a.y) * (p.x - a.x);
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
            ASSERT_LE(counted.pixels[i], 1u) << "overlap at " << i % kW << "," << i / kW << " trial " << trial;
            ASSERT_EQ(counted.pixels[i] != 0, opaque.pixels[i] != 0) << trial;
        }
    }
    EXPECT_GT(pairs, 100);
}

TEST(FlatFillers, BlendsAndDepth) {
    const std::vector<ScreenVertex> t = {vertex(2, 2, 500), vertex(2, 12, 500), vertex(12, 2, 500)};
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
    const std::vector<ScreenVertex> nearer = {vertex(2, 2, 900), vertex(2, 12, 900), vertex(12, 2, 900)};
    fillFlatZTransAdd(z.target(), nearer.data(), 3, 1);
    EXPECT_EQ(z.pixels[3 * kW + 3], 8u);
    EXPECT_EQ(z.depth, depthBefore); // translucent forms never write depth
}
