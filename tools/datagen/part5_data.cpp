// part 5's data: "3D/p5.3DS" (a torus knot and a geodesic sphere with a camera flight looping
// around both), seventeen photographs of our own making, and the sphere's palette.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/random.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/datagen/rail_scenes.h"

namespace datagen {

namespace {

using writers::Mesh3ds;
using writers::Vec3;
constexpr double kPi = kRailPi;

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 unit(V3 a) {
    const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 0 ? a * (1 / l) : a;
}

// The (2, 3) torus knot as a tube: rings of `around` vertices at `along` points of the curve,
// faces ring by ring, so that the face list runs along the knot.
Mesh3ds torusKnot(int along, int around, double size, double tube) {
    Mesh3ds m;
    m.name = "Torus Knot";
    auto curve = [&](double t) {
        const double r = 2 + std::cos(3 * t);
        return V3{r * std::cos(2 * t), r * std::sin(2 * t), -std::sin(3 * t)} * (size / 3);
    };
    for (int i = 0; i < along; ++i) {
        const double t = 2 * kPi * i / along;
        const V3 p = curve(t), tangent = unit(curve(t + 0.001) - curve(t - 0.001));
        const V3 side = unit(cross(tangent, unit(p))), up = cross(side, tangent);
        for (int j = 0; j < around; ++j) {
            const double a = 2 * kPi * j / around;
            const V3 v = p + (side * std::cos(a) + up * std::sin(a)) * tube;
            m.vertices.push_back(fileAxes(v.x, v.z, v.y));
        }
    }
    auto at = [&](int i, int j) {
        return static_cast<uint16_t>((i % along) * around + j % around);
    };
    for (int i = 0; i < along; ++i)
        for (int j = 0; j < around; ++j) {
            m.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return m;
}

// An icosahedron split `levels` times, every vertex pushed out to the radius.
Mesh3ds geosphere(const std::string& name, double radius, int levels) {
    const double g = (1 + std::sqrt(5.0)) / 2;
    std::vector<V3> v = {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
                         {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
    for (V3& p : v)
        p = unit(p);
    std::vector<std::array<int, 3>> f = {
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int l = 0; l < levels; ++l) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            const auto key = std::minmax(a, b);
            auto it = middle.find(key);
            if (it != middle.end()) return it->second;
            v.push_back(unit((v[static_cast<size_t>(a)] + v[static_cast<size_t>(b)]) * 0.5));
            return middle[key] = static_cast<int>(v.size() - 1);
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& t : f) {
            const int ab = mid(t[0], t[1]), bc = mid(t[1], t[2]), ca = mid(t[2], t[0]);
            next.push_back({t[0], ab, ca}), next.push_back({t[1], bc, ab}),
                next.push_back({t[2], ca, bc}), next.push_back({ab, bc, ca});
        }
        f = next;
    }
    Mesh3ds m;
    m.name = name;
    for (const V3& p : v)
        m.vertices.push_back(fileAxes(p.x * radius, p.y * radius, p.z * radius));
    for (const auto& t : f)
        m.faces.push_back({static_cast<uint16_t>(t[0]), static_cast<uint16_t>(t[2]),
                           static_cast<uint16_t>(t[1])});
    return m;
}

// --- photographs ------------------------------------------------------------------------------

constexpr int kPhotoW = 256, kPhotoH = 160;

struct Hue {
    double r, g, b;
};
Hue mix(Hue a, Hue b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Ridges in layers under a sky, paler with distance, a sun low over them, water below.
Canvas landscape(uint32_t seed, Hue skyTop, Hue skyLow, Hue land, double sunX, bool water) {
    Canvas c(kPhotoW, kPhotoH);
    const double horizon = water ? 112 : 150;
    for (int y = 0; y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x) {
            const double t = std::min(1.0, y / horizon);
            Hue h = mix(skyTop, skyLow, t * t);
            const double sun =
                std::exp(-(std::pow(x - sunX, 2) + std::pow(y - horizon * 0.7, 2)) / 300.0);
            const double cloud =
                std::max(0.0, fractalNoise(x / 40.0, y / 12.0, seed + 7, 4) - 0.55) * 2;
            h = mix(h, {255, 240, 210}, std::min(1.0, sun + cloud * 0.6));
            c.at(x, y) = packRgb(h.r, h.g, h.b);
        }
    for (int layer = 0; layer < 4; ++layer) {
        const double base = horizon * (0.55 + 0.13 * layer), height = 42 - layer * 8,
                     haze = 0.65 - layer * 0.2;
        const Hue far = mix(land, skyLow, haze);
        for (int x = 0; x < kPhotoW; ++x) {
            const double ridge =
                base - height * fractalNoise(x / (70.0 - layer * 10), layer * 3.7,
                                             seed + static_cast<uint32_t>(layer), 5);
            for (int y = std::max(0, static_cast<int>(ridge));
                 y < static_cast<int>(horizon) && y < kPhotoH; ++y) {
                const double grain = fractalNoise(x / 6.0, y / 6.0, seed + 31, 3) * 0.3 + 0.85;
                c.at(x, y) = packRgb(far.r * grain, far.g * grain, far.b * grain);
            }
        }
    }
    for (int y = static_cast<int>(horizon); y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x) {
            if (water) {
                // The sky mirrored, broken by ripples.
                const int my =
                    std::clamp(static_cast<int>(2 * horizon - y +
                                                6 * (valueNoise(x / 30.0, y / 2.0, seed) - 0.5)),
                               0, kPhotoH - 1);
                const uint32_t m = c.at(x, my);
                c.at(x, y) =
                    packRgb(((m >> 16) & 255) * 0.7, ((m >> 8) & 255) * 0.75, (m & 255) * 0.85);
            } else {
                const double grass = fractalNoise(x / 10.0, y / 4.0, seed + 77, 4);
                c.at(x, y) =
                    packRgb(land.r * (0.5 + grass), land.g * (0.6 + grass), land.b * (0.4 + grass));
            }
        }
    return c;
}

// Cloudscape: a gradient with drifting layers of cloud lit from one side.
Canvas sky(uint32_t seed, Hue top, Hue bottom, Hue cloudLit, Hue cloudShade, double cover) {
    Canvas c(kPhotoW, kPhotoH);
    for (int y = 0; y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x) {
            Hue h = mix(top, bottom, static_cast<double>(y) / kPhotoH);
            const double n = fractalNoise(x / 55.0, y / 22.0, seed, 6);
            const double d = std::clamp((n - (1 - cover)) * 4, 0.0, 1.0);
            const double light = std::clamp(
                fractalNoise(x / 55.0 + 0.08, y / 22.0 - 0.05, seed, 6) - n + 0.5, 0.0, 1.0);
            h = mix(h, mix(cloudShade, cloudLit, light), d);
            c.at(x, y) = packRgb(h.r, h.g, h.b);
        }
    return c;
}

// A skyline at night: towers with lit windows, stars, a glow over the streets.
Canvas nightCity(uint32_t seed, Hue glow, Hue window, bool moon) {
    Canvas c(kPhotoW, kPhotoH);
    platform::Random random(seed);
    for (int y = 0; y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x) {
            const double t = static_cast<double>(y) / kPhotoH;
            c.at(x, y) = packRgb(8 + glow.r * t * t * 0.5, 10 + glow.g * t * t * 0.5,
                                 30 + glow.b * t * t * 0.5);
        }
    for (int i = 0; i < 120; ++i) {
        const int x = random.next() % kPhotoW, y = random.next() % 90;
        const double b = 120 + random.next() % 135;
        c.at(x, y) = packRgb(b, b, b);
    }
    if (moon)
        for (int y = 0; y < kPhotoH; ++y)
            for (int x = 0; x < kPhotoW; ++x) {
                const double d = std::hypot(x - 200, y - 30);
                if (d < 13)
                    c.at(x, y) = packRgb(235, 230, 200);
                else if (d < 40) {
                    const uint32_t p = c.at(x, y);
                    const double k = (40 - d) * 1.2;
                    c.at(x, y) =
                        packRgb(((p >> 16) & 255) + k, ((p >> 8) & 255) + k, (p & 255) + k);
                }
            }
    for (int row = 0; row < 2; ++row)
        for (int x = -10; x < kPhotoW;) {
            const int w = 14 + random.next() % 26,
                      h = (row ? 30 : 60) + random.next() % (row ? 50 : 80);
            const int top = kPhotoH - h, shade = row ? 18 : 32;
            for (int y = top; y < kPhotoH; ++y)
                for (int xx = std::max(0, x); xx < std::min(kPhotoW, x + w); ++xx) {
                    const bool windowCell =
                        (xx - x) % 5 >= 2 && (y - top) % 6 >= 3 && xx - x > 1 && x + w - xx > 2;
                    const bool lit = windowCell && (latticeHash(xx / 5 + x, y / 6, seed) % 100) <
                                                       (row ? 25u : 45u);
                    c.at(xx, y) = lit ? packRgb(window.r, window.g, window.b)
                                      : packRgb(shade * 0.6, shade * 0.6, shade);
                }
            x += w + random.next() % 6;
        }
    return c;
}

// Close-up surfaces: marble, wood, bricks, lava.
Canvas texture(int kind, uint32_t seed) {
    Canvas c(kPhotoW, kPhotoH);
    for (int y = 0; y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x) {
            const double n = fractalNoise(x / 40.0, y / 40.0, seed, 6);
            switch (kind) {
            case 0: { // marble
                const double v = std::pow(std::abs(std::sin((x + y * 0.4) / 18.0 + n * 9)), 0.4);
                c.at(x, y) = packRgb(60 + 190 * v, 70 + 180 * v, 80 + 170 * v);
                break;
            }
            case 1: { // wood
                const double r = std::hypot(x - 40.0, (y - 300.0) * 0.25) / 6 + n * 6,
                             v = r - std::floor(r);
                c.at(x, y) = packRgb(130 + 90 * v, 70 + 50 * v, 30 + 20 * v);
                break;
            }
            case 2: { // bricks
                const int row = y / 16, off = row % 2 ? 16 : 0;
                const bool mortar = y % 16 < 2 || (x + off) % 32 < 2;
                const double tone = 0.7 + 0.3 * valueNoise((x + off) / 32, row, seed) +
                                    (fractalNoise(x / 5.0, y / 5.0, seed + 3, 3) - 0.5) * 0.3;
                c.at(x, y) =
                    mortar ? packRgb(170, 165, 150) : packRgb(160 * tone, 70 * tone, 50 * tone);
                break;
            }
            default: { // lava
                const double v = std::pow(std::clamp(1 - std::abs(n - 0.5) * 5, 0.0, 1.0), 2);
                c.at(x, y) = packRgb(40 + 215 * v, 10 + 150 * v * v, 5 + 40 * v * v * v);
                break;
            }
            }
        }
    return c;
}

} // namespace

void writePart5Data(Production& p) {
    writers::Scene3dsFile s;
    s.endFrame = 600;
    Mesh3ds knot = torusKnot(192, 10, 170, 26);
    Mesh3ds sphere = geosphere("G\xE9osph\xE8re0", 105, 2);
    s.meshes = {knot, sphere};
    const V3 knotAt{-170, 10, -420}, sphereAt{230, -20, -380}, middle{30, 0, -400};
    writers::Node3ds knotNode = objectNode(0, knot.name, fileAxes(knotAt.x, knotAt.y, knotAt.z));
    // A turn about the vertical in twelve steps over the scene's 600 frames.
    knotNode.rotation.clear();
    for (uint32_t k = 0; k <= 12; ++k) {
        writers::RotationKey3ds r;
        r.frame = k * 50;
        r.angle = k == 0 ? 0 : static_cast<float>(2 * kPi / 12);
        r.axis = {0.2f, 0.3f, 1};
        knotNode.rotation.push_back(r);
    }
    s.nodes.push_back(knotNode);
    s.nodes.push_back(objectNode(1, sphere.name, fileAxes(sphereAt.x, sphereAt.y, sphereAt.z)));

    // The flight: twelve keys 50 frames apart round both objects, rising and falling, the
    // last back on the first; the target swings between the knot and the sphere.
    std::vector<std::array<double, 3>> eye, target;
    for (int k = 0; k <= 12; ++k) {
        const double a = 2 * kPi * (k % 12) / 12, r = 520 + 70 * std::sin(2 * a);
        eye.push_back(
            {middle.x + r * std::cos(a), 40 + 150 * std::sin(a + 1), middle.z + r * std::sin(a)});
        const double w = 0.5 + 0.5 * std::sin(a * 2 + 0.5);
        target.push_back({knotAt.x + (sphereAt.x - knotAt.x) * w, 20 * std::cos(a),
                          knotAt.z + (sphereAt.z - knotAt.z) * w});
    }
    addCameraFlight(s, "Camera01", 2, eye, target, 50);
    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3D", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p5.3DS").string(), s))
        std::fprintf(stderr, "datagen: cannot write 3D/p5.3DS\n");

    p.write("data/palette/pal01.pal", writers::encodePalette(shadeRamp(70, 150, 255)));

    const std::vector<Canvas> photos = {
        landscape(501, {40, 90, 190}, {250, 180, 120}, {60, 70, 50}, 180, true),
        nightCity(502, {255, 140, 60}, {255, 220, 140}, true),
        sky(503, {30, 80, 200}, {150, 200, 255}, {255, 255, 255}, {150, 160, 190}, 0.55),
        texture(0, 504),
        landscape(505, {20, 20, 60}, {230, 90, 60}, {40, 30, 40}, 70, false),
        nightCity(506, {80, 160, 255}, {160, 230, 255}, false),
        sky(507, {90, 30, 80}, {255, 150, 60}, {255, 210, 160}, {120, 60, 90}, 0.6),
        texture(1, 508),
        landscape(509, {120, 170, 230}, {220, 235, 250}, {70, 110, 60}, 40, false),
        nightCity(510, {200, 80, 255}, {255, 180, 250}, true),
        sky(511, {10, 20, 50}, {60, 90, 140}, {200, 210, 230}, {40, 50, 70}, 0.45),
        texture(2, 512),
        landscape(513, {60, 40, 120}, {255, 120, 170}, {50, 40, 80}, 128, true),
        nightCity(514, {255, 230, 120}, {255, 250, 200}, false),
        sky(515, {240, 140, 40}, {255, 230, 150}, {255, 250, 230}, {200, 110, 60}, 0.35),
        texture(3, 516),
        landscape(517, {160, 200, 240}, {255, 250, 230}, {120, 120, 130}, 220, false),
    };
    for (size_t i = 0; i < photos.size(); ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "data/image/imgP5%02d.jpg", static_cast<int>(i + 1));
        p.write(name, writers::encodeJpeg(photos[i].pixels.data(), kPhotoW, kPhotoH, 90));
    }
}

} // namespace datagen
