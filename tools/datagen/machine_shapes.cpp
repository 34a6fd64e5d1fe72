#include "tools/datagen/machine_shapes.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr double kPi = 3.14159265358979;

} // namespace

P3 normalised(P3 a) {
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1 / l) : a;
}

uint16_t Shape::vertex(P3 p, float u, float v) {
    vertices.push_back(p);
    if (!material.empty()) mapping.push_back({u, v});
    return static_cast<uint16_t>(vertices.size() - 1);
}

void Shape::quad(uint16_t a00, uint16_t a10, uint16_t a11, uint16_t a01) {
    auto add = [&](uint16_t a, uint16_t b, uint16_t c) {
        if (a == b || b == c || a == c) return; // a pole folds a quad into a triangle
        faces.push_back({a, b, c});
    };
    add(a00, a01, a11);
    add(a00, a11, a10);
}

void Shape::orientToward(size_t firstFace, P3 centre) {
    for (size_t i = firstFace; i < faces.size(); ++i) {
        auto& f = faces[i];
        const P3 a = vertices[f[0]], b = vertices[f[1]], c = vertices[f[2]];
        const P3 mid = (a + b + c) * (1.0 / 3);
        if (dot(cross(b - a, c - a), centre - mid) < 0) std::swap(f[1], f[2]);
    }
}

void Shape::move(P3 by) {
    for (P3& p : vertices)
        p = p + by;
}

void addSurface(Shape& s, P3 origin, P3 u, P3 v, int nu, int nv, double uRepeat, double vRepeat) {
    const auto first = static_cast<uint16_t>(s.vertices.size());
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            const double a = static_cast<double>(i) / nu, b = static_cast<double>(j) / nv;
            s.vertex(origin + u * a + v * b, static_cast<float>(a * uRepeat),
                     static_cast<float>(b * vRepeat));
        }
    auto at = [&](int i, int j) { return static_cast<uint16_t>(first + j * (nu + 1) + i); };
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i)
            s.quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
}

void addBox(Shape& s, P3 lo, P3 hi, double cell, double texel) {
    const P3 d = hi - lo;
    auto n = [&](double len) {
        return std::max(1, static_cast<int>(std::ceil(len / cell - 1e-9)));
    };
    const P3 dx{d.x, 0, 0}, dy{0, d.y, 0}, dz{0, 0, d.z};
    // Each side with its outside U x V.
    addSurface(s, {hi.x, lo.y, lo.z}, dy, dz, n(d.y), n(d.z), d.y / texel, d.z / texel);
    addSurface(s, lo, dz, dy, n(d.z), n(d.y), d.z / texel, d.y / texel);
    addSurface(s, {lo.x, hi.y, lo.z}, dz, dx, n(d.z), n(d.x), d.z / texel, d.x / texel);
    addSurface(s, lo, dx, dz, n(d.x), n(d.z), d.x / texel, d.z / texel);
    addSurface(s, {lo.x, lo.y, hi.z}, dx, dy, n(d.x), n(d.y), d.x / texel, d.y / texel);
    addSurface(s, lo, dy, dx, n(d.y), n(d.x), d.y / texel, d.x / texel);
}

void addLathe(Shape& s, const std::vector<std::array<double, 2>>& profile, int segments, bool seam,
              double uRepeat, double vRepeat) {
    const int columns = seam ? segments + 1 : segments;
    std::vector<std::vector<uint16_t>> ring(profile.size());
    for (size_t i = 0; i < profile.size(); ++i) {
        const double r = profile[i][0], y = profile[i][1],
                     v = vRepeat * static_cast<double>(i) / static_cast<double>(profile.size() - 1);
        if (r == 0) {
            ring[i].assign(
                static_cast<size_t>(columns),
                s.vertex({0, y, 0}, static_cast<float>(uRepeat / 2), static_cast<float>(v)));
            continue;
        }
        for (int j = 0; j < columns; ++j) {
            const double a = 2 * kPi * j / segments;
            ring[i].push_back(s.vertex({r * std::cos(a), y, r * std::sin(a)},
                                       static_cast<float>(uRepeat * j / segments),
                                       static_cast<float>(v)));
        }
    }
    for (size_t i = 0; i + 1 < profile.size(); ++i)
        for (int j = 0; j < segments; ++j) {
            const auto c0 = static_cast<size_t>(j),
                       c1 = static_cast<size_t>(seam ? j + 1 : (j + 1) % segments);
            s.quad(ring[i][c0], ring[i + 1][c0], ring[i + 1][c1], ring[i][c1]);
        }
}

void addCog(Shape& s, double outer, double root, double hole, int teeth, double depth) {
    const int steps = teeth * 4;
    // The flat sides run from the hole to a ring a little inside the teeth with one segment a
    // tooth, then fan out to the rim's four steps a tooth: long slivers from the hole to the
    // rim would cost the rasterizer a span per row for each of them, with nothing to show.
    const double mid = std::max(hole + (root - hole) / 4, root - 1.5 * (outer - root));
    auto around = [&](int k, int of, double r, double z) {
        const double a = 2 * kPi * k / of;
        return P3{r * std::cos(a), r * std::sin(a), z};
    };
    auto rim = [&](int k, double z) {
        return around(k, steps, (k % 4 == 1 || k % 4 == 2) ? outer : root, z);
    };
    auto uv = [&](P3 p) {
        return s.vertex(p, static_cast<float>(p.x / outer * 0.5 + 0.5),
                        static_cast<float>(p.y / outer * 0.5 + 0.5));
    };
    const double front = depth / 2, back = -depth / 2;
    // Separate vertices per side, so that the sharp edges stay sharp in the shading; ring by
    // ring, so that vertices a few indices apart lie a little way round the same ring.
    using Ring = std::vector<uint16_t>;
    auto ring = [&](int count, auto point) {
        Ring out;
        for (int k = 0; k < count; ++k)
            out.push_back(uv(point(k)));
        return out;
    };
    auto rimRing = [&](double z) { return ring(steps, [&](int k) { return rim(k, z); }); };
    auto circle = [&](double r, double z) {
        return ring(teeth, [&](int k) { return around(k, teeth, r, z); });
    };
    const Ring rf = rimRing(front), sf = rimRing(front), sb = rimRing(back), rb = rimRing(back);
    const Ring hf = circle(hole, front), mf = circle(mid, front), gf = circle(hole, front);
    const Ring gb = circle(hole, back), mb = circle(mid, back), hb = circle(hole, back);
    // A side's triangle with its outside toward +z on the front and -z on the back.
    auto tri = [&](bool onFront, uint16_t a, uint16_t b, uint16_t c) {
        s.faces.push_back(onFront ? std::array<uint16_t, 3>{a, b, c}
                                  : std::array<uint16_t, 3>{a, c, b});
    };
    auto side = [&](bool onFront, const Ring& h, const Ring& m, const Ring& r) {
        for (int j = 0; j < teeth; ++j) {
            const auto i0 = static_cast<size_t>(j), i1 = static_cast<size_t>((j + 1) % teeth);
            auto at = [&](int k) { return r[static_cast<size_t>((4 * j + k) % steps)]; };
            tri(onFront, h[i0], h[i1], m[i1]);
            tri(onFront, h[i0], m[i1], m[i0]);
            tri(onFront, m[i0], at(1), at(0));
            tri(onFront, m[i0], at(2), at(1));
            tri(onFront, m[i0], m[i1], at(2));
            tri(onFront, m[i1], at(3), at(2));
            tri(onFront, m[i1], at(4), at(3));
        }
    };
    side(true, hf, mf, rf);
    side(false, hb, mb, rb);
    for (int k = 0; k < steps; ++k) {
        const auto i = static_cast<size_t>(k), j = static_cast<size_t>((k + 1) % steps);
        s.quad(sb[i], sb[j], sf[j], sf[i]); // toothed rim, outward
    }
    for (int k = 0; k < teeth; ++k) {
        const auto i = static_cast<size_t>(k), j = static_cast<size_t>((k + 1) % teeth);
        s.quad(gb[i], gf[i], gf[j], gb[j]); // the hole's wall, toward the axis
    }
}

void addTriangleLoft(Shape& s, const std::vector<P3>& path, double radius) {
    const size_t firstVertex = s.vertices.size();
    // A frame carried along the path without twisting.
    P3 t = normalised(path[1] - path[0]);
    P3 n = normalised(cross(t, std::abs(t.y) < 0.9 ? P3{0, 1, 0} : P3{1, 0, 0}));
    for (size_t k = 0; k < path.size(); ++k) {
        const P3 next = k + 1 < path.size() ? path[k + 1] : path[k];
        const P3 prev = k > 0 ? path[k - 1] : path[k];
        t = normalised(next - prev);
        n = normalised(n - t * dot(n, t));
        const P3 b = cross(t, n);
        for (int i = 0; i < 3; ++i) {
            const double a = kPi / 3 * static_cast<double>(k) + 2 * kPi / 3 * i;
            s.vertex(path[k] + (n * std::cos(a) + b * std::sin(a)) * radius,
                     static_cast<float>(i) / 3, static_cast<float>(k) / 8);
        }
    }
    for (size_t k = 0; k + 1 < path.size(); ++k) {
        auto a = [&](size_t i) { return static_cast<uint16_t>(firstVertex + 3 * k + i % 3); };
        auto b = [&](size_t i) { return static_cast<uint16_t>(firstVertex + 3 * (k + 1) + i % 3); };
        const size_t before = s.faces.size();
        for (size_t i = 0; i < 3; ++i) {
            s.faces.push_back({a(i), a(i + 1), b(i)});
            s.faces.push_back({b(i), a(i + 1), b(i + 1)});
        }
        s.orientToward(before, (path[k] + path[k + 1]) * 0.5);
    }
}

writers::Mesh3ds toMesh3ds(const Shape& s) {
    writers::Mesh3ds m;
    m.name = s.name;
    m.material = s.material;
    for (const P3& p : s.vertices)
        m.vertices.push_back(fileVec(p));
    m.faces = s.faces;
    m.mapping = s.mapping;
    return m;
}

} // namespace datagen
