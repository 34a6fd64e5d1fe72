#include "tools/datagen/rail_scenes.h"

#include <algorithm>
#include <cmath>

#include "tools/datagen/production.h"

namespace datagen {

uint32_t latticeHash(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

namespace {

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

} // namespace

double valueNoise(double x, double y, uint32_t seed) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = smooth(x - ix), fy = smooth(y - iy);
    auto v = [&](int dx, int dy) {
        return (latticeHash(ix + dx, iy + dy, seed) & 0xFFFF) / 65535.0;
    };
    const double a = v(0, 0) + (v(1, 0) - v(0, 0)) * fx, b = v(0, 1) + (v(1, 1) - v(0, 1)) * fx;
    return a + (b - a) * fy;
}

double fractalNoise(double x, double y, uint32_t seed, int octaves) {
    double sum = 0, weight = 0, amplitude = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<uint32_t>(o) * 101);
        weight += amplitude;
        x *= 2, y *= 2, amplitude *= 0.5;
    }
    return sum / weight;
}

uint32_t packRgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

writers::Palette256 glowPalette(double r, double g, double b) {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0, body = std::pow(t, 1.4), core = std::pow(t, 5) * 255;
        p[static_cast<size_t>(i)] = packRgb(r * body + core, g * body + core, b * body + core);
    }
    return p;
}

writers::Palette256 shadeRamp(double r, double g, double b) {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0, body = 0.15 + 0.85 * std::pow(t, 0.7),
                     hot = std::pow(t, 6) * 200;
        p[static_cast<size_t>(i)] = packRgb(r * body + hot, g * body + hot, b * body + hot);
    }
    return p;
}

writers::Node3ds objectNode(uint16_t id, const std::string& name, writers::Vec3 position) {
    writers::Node3ds n;
    n.id = id, n.name = name;
    n.position = {{{}, position}};
    n.scale = {{{}, {1, 1, 1}}};
    n.rotation = {{{}, 0, {0, 0, 1}}};
    return n;
}

void addCameraFlight(writers::Scene3dsFile& s, const std::string& name, uint16_t firstId,
                     const std::vector<std::array<double, 3>>& eye,
                     const std::vector<std::array<double, 3>>& target, uint32_t spacing) {
    auto at = [](const std::array<double, 3>& p) { return fileAxes(p[0], p[1], p[2]); };
    s.cameras.push_back({name, at(eye[0]), at(target[0]), 0, 28});
    writers::Node3ds e, t;
    e.type = writers::Node3ds::Type::Camera, e.id = firstId, e.name = name;
    t.type = writers::Node3ds::Type::CameraTarget, t.id = static_cast<uint16_t>(firstId + 1),
    t.name = name;
    for (size_t i = 0; i < eye.size(); ++i) {
        writers::VectorKey3ds k;
        k.frame = static_cast<uint32_t>(i) * spacing;
        k.value = at(eye[i]);
        e.position.push_back(k);
    }
    for (size_t i = 0; i < target.size(); ++i) {
        writers::VectorKey3ds k;
        k.frame = static_cast<uint32_t>(i) * spacing;
        k.value = at(target[i]);
        t.position.push_back(k);
    }
    e.fov = {{{}, 2400.0f / 28}};
    e.roll = {{{}, 0}};
    s.nodes.push_back(e), s.nodes.push_back(t);
}

} // namespace datagen
