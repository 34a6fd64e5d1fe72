#pragma once
// A slow, obvious rasterizer for the fillers' tests: every row's edge crossings are computed
// in closed form from the vertices (no stepping, no walking), the opaque chains and the
// translucent outermost crossings are picked from the geometry, and each pixel's values are
// the span's start plus i steps.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "raster/polygon.h"

namespace reference_raster {

using namespace raster;

constexpr int kW = 64, kH = 48;

// Closed forms of the walk for N attributes: an edge's values at row y and a span's at pixel i.
template <int N> struct Crossing {
    bool covers = false;
    Fixed16 x = 0;
    std::array<int32_t, N> a{};
};

template <int N> Crossing<N> crossing(const ScreenVertex& p, const ScreenVertex& q, int y) {
    const int first = ceil16(p.y), rows = ceil16(q.y) - first;
    Crossing<N> c;
    if (rows <= 0 || y < first || y >= first + rows) return c;
    const uint32_t k = static_cast<uint32_t>(y - first);
    const Fixed16 dx = slope(q.x - p.x, q.y - p.y, rows);
    c.covers = true;
    c.x = static_cast<Fixed16>(static_cast<uint32_t>(wrapAdd(p.x, mul16(prestep(p.y), dx))) +
                               k * static_cast<uint32_t>(dx));
    for (int i = 0; i < N; ++i) {
        const int32_t d = slope(q.a[i] - p.a[i], q.y - p.y, rows);
        c.a[i] =
            static_cast<int32_t>(static_cast<uint32_t>(wrapAdd(p.a[i], mul16(prestep(p.y), d))) +
                                 k * static_cast<uint32_t>(d));
    }
    return c;
}

// A span clipped to the canvas: n pixels from x, the values at x and their steps. Clipping
// moves the start on by whole steps, as the fillers do.
template <int N> struct RefSpan {
    int y = 0, x = 0, n = 0;
    std::array<int32_t, N> start{}, g{};
    std::array<int32_t, N> at(int k) const {
        std::array<int32_t, N> a{};
        for (int i = 0; i < N; ++i)
            a[i] = static_cast<int32_t>(static_cast<uint32_t>(start[i]) +
                                        static_cast<uint32_t>(k) * static_cast<uint32_t>(g[i]));
        return a;
    }
};

// Over the span between two crossings (gradients constant when given), either
// pixel(x, y, values) for each pixel or pixel(span) once.
template <int N, typename Pixel>
void spanOf(int y, const Crossing<N>& l, const Crossing<N>& r, const int32_t* gradients,
            Pixel pixel) {
    const int x0 = ceil16(l.x), n = ceil16(r.x) - x0;
    if (n <= 0 || y < 0 || y >= kH) return;
    RefSpan<N> s;
    s.y = y;
    for (int i = 0; i < N; ++i) {
        s.g[i] = gradients ? gradients[i] : slope(r.a[i] - l.a[i], r.x - l.x, n);
        s.start[i] = wrapAdd(l.a[i], mul16(prestep(l.x), s.g[i]));
    }
    const int skip = std::max(0, -x0);
    s.x = x0 + skip, s.n = std::min(x0 + n, kW) - s.x;
    if (s.n <= 0) return;
    s.start = s.at(skip);
    if constexpr (std::is_invocable_v<Pixel, const RefSpan<N>&>) {
        pixel(s);
    } else {
        for (int k = 0; k < s.n; ++k)
            pixel(s.x + k, y, s.at(k));
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

// Runs body with the plain spans and, where the processor has them, with the wide ones, so
// that each form is held to the reference.
template <typename Body> void forEachSpanForm(Body body) {
    const bool was = wideSpans();
    for (const bool wide : {false, true}) {
        if (wide && !wideSpansAvailable()) continue;
        setWideSpans(wide);
        SCOPED_TRACE(wide ? "wide spans" : "plain spans");
        body();
    }
    setWideSpans(was);
}

inline uint32_t perByte(uint32_t d, uint32_t s, bool add) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        const uint32_t a = (d >> k) & 255, b = (s >> k) & 255;
        out |= (add ? std::min(255u, a + b) : (a + b) >> 1) << k;
    }
    return out;
}

inline int clampIndex(int32_t level) {
    return std::clamp(level >> 16, 0, 255);
}

// A polygon round a random centre, convex, or with jagged its corners at random distances
// (star-shaped, its edges often turning back in y).
inline std::vector<ScreenVertex> randomPolygon(std::mt19937& gen, int vertices,
                                               bool jagged = false) {
    std::uniform_real_distribution<double> u(0, 1);
    const double cx = u(gen) * kW, cy = u(gen) * kH, size = std::pow(10.0, u(gen) * 2.0 - 1.0);
    const double rx = size * (2 + u(gen) * 10), ry = size * (2 + u(gen) * 8);
    std::vector<double> angles(static_cast<size_t>(vertices));
    for (auto& a : angles)
        a = u(gen) * 6.2831853;
    std::sort(angles.begin(), angles.end());
    const bool ccw = gen() % 4 != 0;
    std::vector<ScreenVertex> v;
    for (double a : angles) {
        const double t = ccw ? -a : a, r = jagged ? 0.2 + u(gen) : 1.0;
        ScreenVertex p;
        p.x = static_cast<Fixed16>(std::lround((cx + r * rx * std::cos(t)) * 65536));
        p.y = static_cast<Fixed16>(std::lround((cy + r * ry * std::sin(t)) * 65536));
        p.a[0] = static_cast<int32_t>(gen() % 100000);      // w (Z forms)
        p.a[1] = static_cast<int32_t>(gen() % (256 << 16)); // level
        v.push_back(p);
    }
    return v;
}

struct Canvas {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kW * kH, 0);
    std::vector<int32_t> depth = std::vector<int32_t>(kW * kH, 0);
    Target target() { return {pixels.data(), kW, kH, depth.data()}; }
};

// A canvas of random pixels, then depths depth(gen).
template <typename Depth> Canvas randomCanvas(std::mt19937& gen, Depth depth) {
    Canvas c;
    for (auto& p : c.pixels)
        p = static_cast<uint32_t>(gen());
    for (auto& z : c.depth)
        z = depth(gen);
    return c;
}

// Draws with the filler and with the reference, each on a copy of base; fails naming the first
// pixel or depth where they differ.
template <typename Fill, typename Reference>
testing::AssertionResult agrees(const Canvas& base, Fill fill, Reference reference) {
    Canvas got = base, want = base;
    fill(got.target());
    reference(want);
    for (size_t i = 0; i < got.pixels.size(); ++i) {
        if (got.pixels[i] != want.pixels[i])
            return testing::AssertionFailure() << "pixel (" << i % kW << ", " << i / kW << ") is "
                                               << got.pixels[i] << ", reference " << want.pixels[i];
        if (got.depth[i] != want.depth[i])
            return testing::AssertionFailure() << "depth (" << i % kW << ", " << i / kW << ") is "
                                               << got.depth[i] << ", reference " << want.depth[i];
    }
    return testing::AssertionSuccess();
}

} // namespace reference_raster
