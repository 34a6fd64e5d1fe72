// part 7's data: the hall "3D/p7.3ds" round the breathing sphere (a tiled floor, a ring of
// pillars before a round wall, a lit ring overhead, coloured omni lights and a spot whose flares
// show, the hidden "GeoSphere1" and "NGon01", a camera circling the middle), its description
// "3D/p7", textures and palettes, the sphere's "tunnel.pal" and the three credit pictures.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/random.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/datagen/typeface.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"

namespace datagen {

namespace {

using writers::Mesh3ds;
using writers::Vec3;

constexpr double kPi = 3.141592653589793;
constexpr uint32_t kFrames = 1500; // the scene clock reaches about 1280 by the part's end
constexpr float kFloorY = -170, kPillarRadius = 330, kPillarTop = 230;

// A world point (Y up, as the production reads it) in the file's coordinates (Z up).
Vec3 file(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(z), static_cast<float>(y)};
}

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

// The swap of Y and Z mirrors the file, so every face is written with its last two corners
// exchanged.
void face(Mesh3ds& m, int a, int b, int c) {
    m.faces.push_back(
        {static_cast<uint16_t>(a), static_cast<uint16_t>(c), static_cast<uint16_t>(b)});
}

Mesh3ds floorMesh() {
    Mesh3ds m;
    m.name = "Floor", m.material = "floor";
    const int n = 16;
    const double half = 640;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const double x = -half + 2 * half * i / n, z = -half + 2 * half * j / n;
            m.vertices.push_back(file(x, kFloorY, z));
            m.mapping.push_back(
                {static_cast<float>(i) / 2, static_cast<float>(j) / 2}); // a tile every two cells
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            face(m, a, a + n + 1, a + 1), face(m, a + 1, a + n + 1, a + n + 2);
        }
    return m;
}

// Eight octagonal pillars on a circle, textured around and up.
Mesh3ds pillarsMesh() {
    Mesh3ds m;
    m.name = "Pillars", m.material = "stone";
    const int sides = 8, levels = 6;
    const double r = 26;
    for (int p = 0; p < 8; ++p) {
        const double a = 2 * kPi * (p + 0.5) / 8, cx = kPillarRadius * std::cos(a),
                     cz = kPillarRadius * std::sin(a);
        const int base = static_cast<int>(m.vertices.size());
        for (int l = 0; l <= levels; ++l)
            for (int s = 0; s <= sides; ++s) {
                const double t = 2 * kPi * s / sides,
                             y = kFloorY + (kPillarTop - kFloorY) * l / levels;
                m.vertices.push_back(file(cx + r * std::cos(t), y, cz + r * std::sin(t)));
                m.mapping.push_back(
                    {static_cast<float>(s) / sides, static_cast<float>(l) / levels * 2});
            }
        for (int l = 0; l < levels; ++l)
            for (int s = 0; s < sides; ++s) {
                const int a = base + l * (sides + 1) + s;
                face(m, a, a + sides + 2, a + 1), face(m, a, a + sides + 1, a + sides + 2);
            }
    }
    return m;
}

// A round wall far behind the pillars, seen from inside, so that the picture has no empty sky.
Mesh3ds wallMesh() {
    Mesh3ds m;
    m.name = "Wall", m.material = "wall";
    const int sides = 32, levels = 4;
    const double r = 700, top = 520;
    for (int l = 0; l <= levels; ++l)
        for (int s = 0; s <= sides; ++s) {
            const double t = 2 * kPi * s / sides, y = kFloorY + (top - kFloorY) * l / levels;
            m.vertices.push_back(file(r * std::cos(t), y, r * std::sin(t)));
            m.mapping.push_back(
                {static_cast<float>(s) / sides * 12, static_cast<float>(l) / levels * 4});
        }
    for (int l = 0; l < levels; ++l)
        for (int s = 0; s < sides; ++s) {
            const int a = l * (sides + 1) + s;
            face(m, a, a + 1, a + sides + 2), face(m, a, a + sides + 2, a + sides + 1);
        }
    return m;
}

// A torus over the pillars.
Mesh3ds ringMesh() {
    Mesh3ds m;
    m.name = "Ring", m.material = "ring";
    const int around = 48, across = 10;
    const double ring = kPillarRadius, tube = 22;
    for (int i = 0; i <= around; ++i)
        for (int j = 0; j <= across; ++j) {
            const double phi = 2 * kPi * i / around, th = 2 * kPi * j / across,
                         rr = ring + tube * std::cos(th);
            m.vertices.push_back(file(rr * std::cos(phi), kPillarTop + 20 + tube * std::sin(th),
                                      rr * std::sin(phi)));
        }
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const int a = i * (across + 1) + j, b = (i + 1) * (across + 1) + j;
            face(m, a, a + 1, b + 1), face(m, a, b + 1, b);
        }
    return m;
}

// The sphere's stand-in where the set was modelled, and the disc under it: both hidden.
Mesh3ds geoSphere() {
    Mesh3ds m;
    m.name = "GeoSphere1", m.material = "ring";
    const int rings = 8, segments = 12;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s) {
            const double th = kPi * r / rings, ph = 2 * kPi * s / segments;
            m.vertices.push_back(file(90 * std::sin(th) * std::cos(ph), 90 * std::cos(th),
                                      90 * std::sin(th) * std::sin(ph)));
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s, b = a + segments + 1;
            face(m, a, b, a + 1), face(m, a + 1, b, b + 1);
        }
    return m;
}

Mesh3ds nGon() {
    Mesh3ds m;
    m.name = "NGon01", m.material = "ring";
    m.vertices.push_back(file(0, kFloorY + 1, 0));
    for (int k = 0; k < 12; ++k)
        m.vertices.push_back(
            file(150 * std::cos(2 * kPi * k / 12), kFloorY + 1, 150 * std::sin(2 * kPi * k / 12)));
    for (int k = 0; k < 12; ++k)
        face(m, 0, 1 + (k + 1) % 12, 1 + k);
    return m;
}

writers::Node3ds objectNode(uint16_t id, const std::string& name) {
    writers::Node3ds n;
    n.id = id, n.name = name;
    n.position = {{{}, {0, 0, 0}}};
    n.scale = {{{}, {1, 1, 1}}};
    n.rotation = {{{}, 0, {0, 0, 1}}};
    return n;
}

void writeScene(Production& p) {
    writers::Scene3dsFile s;
    s.endFrame = kFrames;
    s.materials = {
        {"floor", "p7floor.jpg"}, {"stone", "p7stone.jpg"}, {"wall", "p7wall.jpg"}, {"ring", ""}};
    s.meshes = {floorMesh(), geoSphere(), nGon(), pillarsMesh(), ringMesh(), wallMesh()};
    uint16_t id = 0;
    for (const Mesh3ds& m : s.meshes)
        s.nodes.push_back(objectNode(id++, m.name));

    // Four coloured omni lights circling slowly between the pillars, and a spot from above
    // onto the floor in front of the sphere.
    const Vec3 colours[4] = {
        {1.0f, 0.55f, 0.2f}, {0.3f, 0.6f, 1.0f}, {1.0f, 0.3f, 0.7f}, {0.5f, 1.0f, 0.6f}};
    for (int k = 0; k < 4; ++k) {
        writers::Light3ds l{"Omni0" + std::to_string(k + 1), file(0, 0, 0)};
        l.colour = colours[k];
        l.innerRange = 250, l.outerRange = 700;
        writers::Node3ds n;
        n.type = writers::Node3ds::Type::OmniLight, n.id = id++, n.name = l.name;
        for (uint32_t f = 0; f <= kFrames; f += 100) {
            const double a = 2 * kPi * (k / 4.0 - static_cast<double>(f) / kFrames * 0.5),
                         y = 60 + 50 * std::sin(kPi * k + f / 150.0);
            writers::VectorKey3ds key;
            key.frame = f, key.value = file(210 * std::cos(a), y, 210 * std::sin(a));
            n.position.push_back(key);
        }
        l.position = n.position[0].value;
        s.lights.push_back(l);
        s.nodes.push_back(n);
    }
    writers::Light3ds spot{"Spot01", file(0, 330, -60)};
    spot.spot = true, spot.target = file(0, kFloorY, 140), spot.hotspot = 25, spot.falloff = 40;
    spot.colour = {1, 0.95f, 0.85f}, spot.innerRange = 400, spot.outerRange = 900;
    s.lights.push_back(spot);
    writers::Node3ds spotNode, spotTarget;
    spotNode.type = writers::Node3ds::Type::SpotLight, spotNode.id = id++, spotNode.name = "Spot01";
    spotNode.position = {{{}, spot.position}};
    spotTarget.type = writers::Node3ds::Type::LightTarget, spotTarget.id = id++,
    spotTarget.name = "Spot01";
    spotTarget.position = {{{}, spot.target}};
    s.nodes.push_back(spotNode), s.nodes.push_back(spotTarget);

    // The camera circles the sphere one and a quarter times, rising and sinking, always
    // looking at its middle.
    writers::Camera3ds camera{"Camera01", file(0, 40, -250), file(0, 0, 0), 0, 28};
    s.cameras = {camera};
    writers::Node3ds eye, at;
    eye.type = writers::Node3ds::Type::Camera, eye.id = id++, eye.name = "Camera01";
    at.type = writers::Node3ds::Type::CameraTarget, at.id = id++, at.name = "Camera01";
    for (uint32_t f = 0; f <= kFrames; f += 50) {
        const double a = -kPi / 2 + 2.5 * kPi * f / kFrames, r = 215 + 20 * std::sin(f / 200.0);
        writers::VectorKey3ds e, t;
        e.frame = t.frame = f;
        e.value = file(r * std::cos(a), 35 + 45 * std::sin(f / 260.0), r * std::sin(a));
        t.value = file(0, -10, 0);
        eye.position.push_back(e), at.position.push_back(t);
    }
    eye.fov = {{{}, 2400.0f / 28}};
    eye.roll = {{{}, 0}};
    s.nodes.push_back(eye), s.nodes.push_back(at);

    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3D", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p7.3ds").string(), s))
        std::fprintf(stderr, "datagen: cannot write 3D/p7.3ds\n");

    std::string d = "part 7 hall\n"
                    "per mesh: mode, line colour, texture, palette, ambient diffuse,\n"
                    "  cull sort environment placement\n"
                    "then the scene factor and per camera: light start end hotspot falloff,\n"
                    "  spot mode and spot side\n"
                    "#\n#\n#\n#\n";
    auto mesh = [&](const char* mode, const char* texture, const char* palette, int ambient,
                    int diffuse, const char* switches) {
        d += std::string(mode) + "\n" + std::to_string(0xFFFFFF) + "\n" + texture + "\n" + palette +
             "\n" + std::to_string(ambient) + " " + std::to_string(diffuse) + "\n" + switches +
             "\n";
    };
    // In the scene's mesh order (by name).
    mesh("MAPZ", "p7floor.jpg", "noOne", 40, 215, "1 0 0 0");    // Floor
    mesh("GOURAUDZ", "noOne", "tunnel.pal", 0, 255, "1 0 0 0");  // GeoSphere1
    mesh("FLATZ", "noOne", "p7ring.pal", 30, 200, "1 0 0 0");    // NGon01
    mesh("MAPZ", "p7stone.jpg", "noOne", 40, 215, "1 0 0 0");    // Pillars
    mesh("GOURAUDZ", "noOne", "p7ring.pal", 50, 205, "1 0 0 0"); // Ring
    mesh("MAPZ", "p7wall.jpg", "noOne", 40, 215, "1 0 0 0");     // Wall
    d += "1.0\n";
    d += "500 800 40 60\n0 0\n";
    p.writeText("data/3D/p7", d);
}

// Smooth noise on a wrapping lattice, for textures that tile at 256.
double tiledNoise(const std::vector<double>& lattice, int cells, double x, double y) {
    const double fx = x * cells / 256, fy = y * cells / 256;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    auto s = [](double t) { return t * t * (3 - 2 * t); };
    const double tx = s(fx - x0), ty = s(fy - y0);
    auto v = [&](int i, int j) {
        return lattice[static_cast<size_t>(((j % cells + cells) % cells) * cells +
                                           (i % cells + cells) % cells)];
    };
    return (v(x0, y0) * (1 - tx) + v(x0 + 1, y0) * tx) * (1 - ty) +
           (v(x0, y0 + 1) * (1 - tx) + v(x0 + 1, y0 + 1) * tx) * ty;
}

std::vector<double> lattice(int cells, uint32_t seed) {
    platform::Random random(seed);
    std::vector<double> l(static_cast<size_t>(cells * cells));
    for (double& v : l)
        v = random.next() / 32767.0;
    return l;
}

// Dark polished tiles with glowing seams; lighting is baked in, since the textured modes
// draw the texel as it is.
Canvas floorTexture() {
    Canvas c(256, 256);
    const std::vector<double> coarse = lattice(8, 7101), fine = lattice(64, 7102);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double px = std::fmod(x, 128.0), py = std::fmod(y, 128.0);
            const double edge = std::min({px, 128 - px, py, 128 - py});
            const double seam = std::exp(-edge * edge / 6.0);
            const double stone =
                0.6 * tiledNoise(coarse, 8, x, y) + 0.4 * tiledNoise(fine, 64, x, y);
            const double base = 30 + 45 * stone;
            c.at(x, y) = rgb(base * 0.8 + 40 * seam, base * 0.85 + 120 * seam, base + 200 * seam);
        }
    return c;
}

// Stone blocks, lighter in the middle of each block.
Canvas stoneTexture() {
    Canvas c(256, 256);
    const std::vector<double> coarse = lattice(16, 7201), fine = lattice(128, 7202);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int row = y / 32;
            const double px = std::fmod(x + (row % 2) * 32, 64.0), py = std::fmod(y, 32.0);
            const double edge = std::min({px, 64 - px, py, 32 - py});
            const double mortar = edge < 2 ? 0.35 : std::min(1.0, 0.75 + edge / 24);
            const double grain =
                0.55 * tiledNoise(coarse, 16, x, y) + 0.45 * tiledNoise(fine, 128, x, y);
            const double v = (70 + 90 * grain) * mortar;
            c.at(x, y) = rgb(v * 1.05, v * 0.92, v * 0.8);
        }
    return c;
}

// The far wall: dark blocks under a band of blue light, darker toward the top.
Canvas wallTexture() {
    Canvas c = stoneTexture();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint32_t p = c.at(x, y);
            const double glow = std::exp(-std::pow((y - 200) / 22.0, 2)),
                         k = 0.35 + 0.25 * y / 255.0;
            c.at(x, y) = rgb((p >> 16 & 255) * k + 20 * glow, (p >> 8 & 255) * k + 60 * glow,
                             (p & 255) * k + 110 * glow);
        }
    return c;
}

// Lettering for the credits: a small caption over a large name, white on black, since they
// are added over the scene.
Canvas credit(int width, int height, const std::string& role, const std::string& name, int nameSize,
              int x, int captionBaseline, int nameBaseline) {
    Canvas c(width, height, 0);
    const Typeface roleFace("DejaVuSans-Bold.ttf", nameSize / 3),
        nameFace("DejaVuSans-Bold.ttf", nameSize);
    if (!roleFace.ok() || !nameFace.ok()) {
        drawText(c, role, x, captionBaseline - 14, 2, 0xA0C8FF);
        drawText(c, name, x, nameBaseline - 28, 4, 0xFFFFFF);
        return c;
    }
    // A soft dark halo first would do nothing under an additive draw; a glow does.
    Canvas glow(width, height, 0);
    nameFace.draw(glow, name, x, nameBaseline, 0x3060A0);
    for (int pass = 0; pass < 3; ++pass) {
        Canvas next(width, height, 0);
        for (int yy = 0; yy < height; ++yy)
            for (int xx = 0; xx < width; ++xx) {
                int r = 0, g = 0, b = 0, n = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) {
                        if (!glow.inside(xx + dx, yy + dy)) continue;
                        const uint32_t p = glow.at(xx + dx, yy + dy);
                        r += static_cast<int>(p >> 16 & 255), g += static_cast<int>(p >> 8 & 255),
                            b += static_cast<int>(p & 255), ++n;
                    }
                next.at(xx, yy) = rgb(r / n, g / n, b / n);
            }
        glow = next;
    }
    c = glow;
    roleFace.draw(c, role, x + 3, captionBaseline, 0x90B8F0);
    nameFace.draw(c, name, x, nameBaseline, 0xFFFFFF);
    return c;
}

void writeTga(Production& p, const std::string& name, const Canvas& c) {
    p.write("data/image/" + name, writers::encodeTga24(c.pixels.data(), c.width, c.height, false));
}

} // namespace

void writePart7Data(Production& p) {
    writeScene(p);
    const Canvas floor = floorTexture(), stone = stoneTexture();
    p.write("data/texture/p7floor.jpg", writers::encodeJpeg(floor.pixels.data(), 256, 256, 92));
    p.write("data/texture/p7stone.jpg", writers::encodeJpeg(stone.pixels.data(), 256, 256, 92));
    const Canvas wall = wallTexture();
    p.write("data/texture/p7wall.jpg", writers::encodeJpeg(wall.pixels.data(), 256, 256, 92));

    // The sphere's shades: deep violet through blue and cyan to white.
    writers::Palette256 tunnel{}, ring{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        tunnel[static_cast<size_t>(i)] =
            rgb(40 * t + 215 * std::pow(t, 3), 20 + 235 * std::pow(t, 1.8),
                60 + 195 * std::pow(t, 0.7));
        ring[static_cast<size_t>(i)] =
            rgb(255 * std::pow(t, 0.9), 200 * std::pow(t, 1.3), 120 * std::pow(t, 2));
    }
    p.write("data/palette/tunnel.pal", writers::encodePalette(tunnel));
    p.write("data/palette/p7ring.pal", writers::encodePalette(ring));

    // The cut lines take their colours from "palette/pal01.pal", part 5's blue ramp.

    // The 8-bit flare the cut lines are drawn with is part 2's "image/flare.tga".

    // The credits: two bands of 512 x 56 drawn at row 196, and a full picture between them.
    writeTga(p, "grisa.tga", credit(512, 56, "CODE", "grisa", 40, 300, 14, 50));
    writeTga(p, "olvem.tga", credit(512, 56, "MUSIC", "olvem", 40, 300, 14, 50));
    writeTga(p, "tarnwick.tga", credit(512, 256, "GRAPHICS AND 3D", "tarnwick", 72, 40, 56, 130));
}

} // namespace datagen
