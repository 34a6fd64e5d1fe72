// part 8's data: the closing scene "3d/p8.3ds" with its description "3d/p8" (the last words
// in extruded block letters before a column that swells on the beat, four pillars, two
// spinning rings, a golden orb and two glass arcs, lit by three moving lights), the three
// stream files "other/sp0" .. "other/sp2", the closing image and the logo.
// The scene is in the file's coordinates with Z up; the camera looks along +Y toward the
// letters at the origin. The mesh list is kept in name order, as the reader finds it, and
// meshes 9, 8 and 3 of that order carry the shade tables that colour the three streams.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/random.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/datagen/typeface.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"
#include "tools/writers/stream_writer.h"

namespace datagen {

namespace {

using writers::Mesh3ds;
using writers::Vec3;

constexpr double kPi = 3.14159265358979;
constexpr uint32_t kFrames = 1000; // 200 s at the part's 5 frames a second
constexpr float kCell = 6;         // one pixel of the letters' 5 x 7 font

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// A face turned so that its corners run counter-clockwise seen from `outward`'s side, the
// way the rasterizer takes a front face here.
void addFace(Mesh3ds& m, uint16_t a, uint16_t b, uint16_t c, const Vec3& outward) {
    const Vec3 n = cross(sub(m.vertices[b], m.vertices[a]), sub(m.vertices[c], m.vertices[a]));
    if (dot(n, outward) >= 0)
        m.faces.push_back({a, b, c});
    else
        m.faces.push_back({a, c, b});
}

uint16_t addVertex(Mesh3ds& m, const Vec3& v) {
    m.vertices.push_back(v);
    return static_cast<uint16_t>(m.vertices.size() - 1);
}

void addQuad(Mesh3ds& m, const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3,
             const Vec3& outward) {
    const uint16_t a = addVertex(m, p0), b = addVertex(m, p1), c = addVertex(m, p2),
                   d = addVertex(m, p3);
    addFace(m, a, b, c, outward);
    addFace(m, a, c, d, outward);
}

// An upright cylinder around the local origin, from z = -h/2 to h/2, smooth sides.
Mesh3ds cylinder(const std::string& name, float r, float h, int segments) {
    Mesh3ds m;
    m.name = name;
    for (int side = 0; side < 2; ++side)
        for (int k = 0; k < segments; ++k) {
            const double a = 2 * kPi * k / segments;
            addVertex(m, {static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)),
                          side ? h / 2 : -h / 2});
        }
    for (int k = 0; k < segments; ++k) {
        const auto b0 = static_cast<uint16_t>(k), b1 = static_cast<uint16_t>((k + 1) % segments);
        const auto t0 = static_cast<uint16_t>(b0 + segments),
                   t1 = static_cast<uint16_t>(b1 + segments);
        const double a = 2 * kPi * (k + 0.5) / segments;
        const Vec3 out{static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0};
        addFace(m, b0, b1, t1, out);
        addFace(m, b0, t1, t0, out);
    }
    // Caps with their own vertices, so that the sides stay smooth.
    for (int side = 0; side < 2; ++side) {
        const float z = side ? h / 2 : -h / 2;
        const uint16_t centre = addVertex(m, {0, 0, z});
        const auto first = static_cast<uint16_t>(m.vertices.size());
        for (int k = 0; k < segments; ++k) {
            const double a = 2 * kPi * k / segments;
            addVertex(
                m, {static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), z});
        }
        for (int k = 0; k < segments; ++k)
            addFace(m, centre, static_cast<uint16_t>(first + k),
                    static_cast<uint16_t>(first + (k + 1) % segments), {0, 0, side ? 1.0f : -1.0f});
    }
    return m;
}

// A torus around the local Z axis.
Mesh3ds torus(const std::string& name, float ring, float tube, int around, int across) {
    Mesh3ds m;
    m.name = name;
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const double phi = 2 * kPi * i / around, theta = 2 * kPi * j / across,
                         r = ring + tube * std::cos(theta);
            addVertex(m,
                      {static_cast<float>(r * std::cos(phi)), static_cast<float>(r * std::sin(phi)),
                       static_cast<float>(tube * std::sin(theta))});
        }
    auto at = [&](int i, int j) {
        return static_cast<uint16_t>((i % around) * across + (j % across));
    };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const double phi = 2 * kPi * (i + 0.5) / around, theta = 2 * kPi * (j + 0.5) / across;
            const Vec3 out{static_cast<float>(std::cos(theta) * std::cos(phi)),
                           static_cast<float>(std::cos(theta) * std::sin(phi)),
                           static_cast<float>(std::sin(theta))};
            addFace(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), out);
            addFace(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), out);
        }
    return m;
}

Mesh3ds sphere(const std::string& name, float radius, int rings, int segments) {
    Mesh3ds m;
    m.name = name;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double th = kPi * r / rings, ph = 2 * kPi * s / segments;
            addVertex(m, {static_cast<float>(radius * std::sin(th) * std::cos(ph)),
                          static_cast<float>(radius * std::sin(th) * std::sin(ph)),
                          static_cast<float>(radius * std::cos(th))});
        }
    auto at = [&](int r, int s) { return static_cast<uint16_t>(r * segments + (s % segments)); };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double th = kPi * (r + 0.5) / rings, ph = 2 * kPi * (s + 0.5) / segments;
            const Vec3 out{static_cast<float>(std::sin(th) * std::cos(ph)),
                           static_cast<float>(std::sin(th) * std::sin(ph)),
                           static_cast<float>(std::cos(th))};
            if (r > 0) addFace(m, at(r, s), at(r + 1, s), at(r + 1, s + 1), out);
            if (r < rings - 1) addFace(m, at(r, s), at(r + 1, s + 1), at(r, s + 1), out);
        }
    return m;
}

// A word in the 5 x 7 font as block letters kCell deep, centred on the local origin, its face
// toward -Y. Fronts and backs are the rows' runs; sides only where a cell meets an empty one.
Mesh3ds blockWord(const std::string& name, const std::string& word) {
    const int w = textWidth(word, 1), h = 7;
    Canvas c(w, h, 0);
    drawText(c, word, 0, 0, 1, 0xFFFFFF);
    auto on = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && c.at(x, y) != 0; };
    Mesh3ds m;
    m.name = name;
    const float d = kCell * 0.8f;
    auto X = [&](int x) { return (static_cast<float>(x) - w / 2.0f) * kCell; };
    auto Z = [&](int y) { return (h / 2.0f - static_cast<float>(y)) * kCell; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            if (!on(x, y)) {
                ++x;
                continue;
            }
            int e = x;
            while (on(e, y))
                ++e;
            addQuad(m, {X(x), -d, Z(y + 1)}, {X(e), -d, Z(y + 1)}, {X(e), -d, Z(y)},
                    {X(x), -d, Z(y)}, {0, -1, 0});
            addQuad(m, {X(x), d, Z(y + 1)}, {X(e), d, Z(y + 1)}, {X(e), d, Z(y)}, {X(x), d, Z(y)},
                    {0, 1, 0});
            x = e;
        }
    // Top and bottom edges, merged along each row; left and right edges, along each column.
    for (int y = 0; y < h; ++y)
        for (int dir : {-1, 1})
            for (int x = 0; x < w;) {
                if (!on(x, y) || on(x, y + dir)) {
                    ++x;
                    continue;
                }
                int e = x;
                while (on(e, y) && !on(e, y + dir))
                    ++e;
                const float z = dir < 0 ? Z(y) : Z(y + 1);
                addQuad(m, {X(x), -d, z}, {X(e), -d, z}, {X(e), d, z}, {X(x), d, z},
                        {0, 0, dir < 0 ? 1.0f : -1.0f});
                x = e;
            }
    for (int x = 0; x < w; ++x)
        for (int dir : {-1, 1})
            for (int y = 0; y < h;) {
                if (!on(x, y) || on(x + dir, y)) {
                    ++y;
                    continue;
                }
                int e = y;
                while (on(x, e) && !on(x + dir, e))
                    ++e;
                const float xe = dir < 0 ? X(x) : X(x + 1);
                addQuad(m, {xe, -d, Z(y)}, {xe, -d, Z(e)}, {xe, d, Z(e)}, {xe, d, Z(y)},
                        {static_cast<float>(dir), 0, 0});
                y = e;
            }
    return m;
}

writers::Node3ds objectNode(uint16_t id, const std::string& name, Vec3 position) {
    writers::Node3ds n;
    n.id = id, n.name = name;
    n.position = {{{}, position}};
    n.scale = {{{}, {1, 1, 1}}};
    n.rotation = {{{}, 0, {0, 0, 1}}};
    return n;
}

// Rotation keys every `step` frames turning by `angle` each time about `axis` (keys are relative).
std::vector<writers::RotationKey3ds> spin(Vec3 axis, float angle, uint32_t step) {
    const float length = std::sqrt(dot(axis, axis));
    for (float& v : axis)
        v /= length;
    std::vector<writers::RotationKey3ds> keys;
    for (uint32_t f = 0; f <= kFrames; f += step)
        keys.push_back({{f}, f == 0 ? 0.0f : angle, axis});
    return keys;
}

// A sway about an axis: to +a, to -a, back, with the first turn starting at `phase` frames.
std::vector<writers::RotationKey3ds> sway(Vec3 axis, float a, uint32_t period, uint32_t phase) {
    std::vector<writers::RotationKey3ds> keys = {{{0}, 0, axis}};
    float at = 0;
    for (uint32_t f = phase, k = 0; f <= kFrames; f += period / 2, ++k) {
        const float to = k % 2 == 0 ? a : -a;
        keys.push_back({{f}, to - at, axis});
        at = to;
    }
    return keys;
}

std::vector<writers::VectorKey3ds> path(const std::vector<std::pair<uint32_t, Vec3>>& points) {
    std::vector<writers::VectorKey3ds> keys;
    for (const auto& [f, v] : points)
        keys.push_back({{f}, v});
    return keys;
}

// --- colours ----------------------------------------------------------------------------------

// A shade table and the streams' glow in one: black, through the colour, to white at the top.
writers::Palette256 ramp(double r, double g, double b) {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0, body = std::pow(t, 1.2), core = std::pow(t, 8) * 150;
        p[static_cast<size_t>(i)] = rgb(r * body + core, g * body + core, b * body + core);
    }
    return p;
}

// --- pictures ---------------------------------------------------------------------------------

// Deep violet night with a horizon glow, stars, the title above and a last line below; the
// middle stays dark for the scene that runs on over it.
Canvas closingImage(const Typeface& title, const Typeface& small) {
    platform::Random random(8080);
    Canvas c(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const double u = (x - 256) / 256.0, v = (y - 128) / 128.0;
            const double glow = std::exp(-(u * u * 1.5 + (v - 0.9) * (v - 0.9) * 6)),
                         vignette = 1 - 0.45 * (u * u + v * v * 0.6);
            c.at(x, y) = rgb((16 + 70 * glow) * vignette, (10 + 30 * glow) * vignette,
                             (34 + 90 * glow) * vignette);
        }
    for (int i = 0; i < 260; ++i) {
        const int x = random.next() % 512, y = random.next() % 256, b = 60 + random.next() % 160;
        uint32_t& p = c.at(x, y);
        const uint32_t add = rgb(b * 0.8, b * 0.85, b);
        uint32_t out = 0;
        for (int k = 0; k < 24; k += 8)
            out |= std::min(255u, ((p >> k) & 255) + ((add >> k) & 255)) << k;
        p = out;
    }
    const std::string name = "CORVANE";
    title.draw(c, name, 256 - title.textWidth(name) / 2, 34, 0x00E8D8FF);
    for (int x = 150; x < 362; ++x) {
        const double fade = std::sin(kPi * (x - 150) / 212.0);
        c.at(x, 42) = rgb(120 * fade, 90 * fade, 200 * fade);
    }
    const std::string line = "the end  \xB7  press escape to leave";
    small.draw(c, line, 256 - small.textWidth(line) / 2, 246, 0x00A098C8);
    return c;
}

// The group's small mark: its name in bold with a soft glow, on black (it is added).
Canvas logo(const Typeface& face) {
    Canvas c(112, 36, 0);
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 112; ++x) {
            const double d = std::hypot((x - 55.5) / 50.0, (y - 17.5) / 14.0);
            const double halo = 70 * std::exp(-d * d * 2.5);
            c.at(x, y) = rgb(halo * 0.9, halo * 0.5, halo * 0.3);
        }
    const std::string name = "VESK";
    face.draw(c, name, 56 - face.textWidth(name) / 2, 27, 0x00FFD8A0);
    return c;
}

// --- streams ----------------------------------------------------------------------------------

// A closed loop of n control points around (cx, cy): x and y radii, a wobble, and a z that
// swings the particles' size around the loop.
std::vector<std::array<float, 3>> loop(int n, float cx, float cy, float rx, float ry, float lobes,
                                       float zSwing, float turn) {
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n + turn;
        const double wobble = 1 + 0.18 * std::sin(lobes * a);
        points.push_back(
            {static_cast<float>(cx + rx * wobble * std::cos(a)),
             static_cast<float>(cy + ry * std::sin(2 * a) * 0.5 + ry * 0.5 * std::sin(a)),
             static_cast<float>(zSwing * std::sin(a))});
    }
    return points;
}

} // namespace

void writePart8Data(Production& p) {
    // Shade tables: the letters' warm silver, the pillars' steel, the column's violet, the arcs'
    // glass, and the three stream colours, rose, ice and gold, on meshes 9, 8 and 3.
    const std::map<std::string, writers::Palette256> palettes = {
        {"p8letters.pal", ramp(255, 236, 205)}, {"p8steel.pal", ramp(120, 150, 210)},
        {"p8rose.pal", ramp(255, 70, 150)},     {"p8ice.pal", ramp(70, 200, 255)},
        {"p8gold.pal", ramp(255, 180, 40)},     {"p8glass.pal", ramp(90, 60, 200)},
        {"p8column.pal", ramp(150, 30, 170)}};
    for (const auto& [name, table] : palettes)
        p.write("data/palette/" + name, writers::encodePalette(table));

    // Meshes with their place, description line and node motion.
    struct Look {
        const char* mode;
        const char* palette;
        int ambient, diffuse;
        const char* switches;
    };
    using Motion = std::function<void(writers::Node3ds&)>;
    struct Part {
        Mesh3ds mesh;
        Vec3 at;
        Look look;
        Motion motion;
    };
    const Look letters{"FLATZ", "p8letters.pal", 36, 120, "1 0 0 0"};
    const Look column{"GOURAUDZ", "p8column.pal", 16, 110, "1 0 0 0"};
    const Look pillar{"GOURAUDZ", "p8steel.pal", 12, 90, "1 0 0 0"};
    const Look ice{"GOURAUDZ", "p8ice.pal", 24, 130, "1 0 0 0"};
    const Look rose{"GOURAUDZ", "p8rose.pal", 24, 130, "1 0 0 0"};
    const Look gold{"GOURAUDZ", "p8gold.pal", 24, 140, "1 0 0 0"};
    const Look glass{"GOURAUDTRANSADD", "p8glass.pal", 10, 120, "1 0 0 0"};
    std::vector<Part> parts;
    auto add = [&](
                   Mesh3ds mesh, Vec3 at, const Look& look,
                   Motion motion = [](writers::Node3ds&) {}) {
        parts.push_back({std::move(mesh), at, look, std::move(motion)});
    };
    using N = writers::Node3ds;
    const auto quarter = static_cast<float>(kPi / 2), sixth = static_cast<float>(kPi / 3);
    add(blockWord("Text01", "THANKS"), {-66, 0, 26}, letters, [](N& n) {
        n.rotation = sway({0, 0, 1}, 0.22f, 160, 40);
    });
    add(blockWord("Text02", "FOR"), {117, 0, 26}, letters, [](N& n) {
        n.rotation = sway({0, 0, 1}, 0.3f, 120, 70);
    });
    add(blockWord("Text03", "WATCHING"), {0, 0, -30}, letters, [](N& n) {
        n.rotation = sway({1, 0, 0}, 0.18f, 200, 100);
    });
    add(cylinder("Cylinder01", 30, 300, 20), {0, 170, 0}, column);
    const std::array<Vec3, 4> pillars = {
        {{-300, 200, -20}, {300, 200, -20}, {-170, 330, -20}, {170, 330, -20}}};
    for (size_t i = 0; i < pillars.size(); ++i)
        add(cylinder("Pillar0" + std::to_string(i + 1), 10, 300, 8), pillars[i], pillar);
    add(torus("Ring01", 60, 7, 22, 6), {-200, 60, 70}, ice, [=](N& n) {
        n.rotation = spin({1, 0.3f, 0}, quarter, 40);
    });
    add(torus("Ring02", 48, 6, 22, 6), {205, 60, -60}, rose, [=](N& n) {
        n.rotation = spin({0.2f, 1, 0.4f}, quarter, 50);
    });
    add(sphere("Orb01", 22, 8, 14), {0, 40, 92}, gold, [](N& n) {
        n.position = path({{0, {-150, 40, 95}},
                           {250, {150, 30, 100}},
                           {500, {-150, 40, 95}},
                           {750, {150, 30, 100}},
                           {1000, {0, 40, 95}}});
    });
    add(torus("Arc01", 300, 3, 36, 3), {0, 120, 0}, glass, [=](N& n) {
        n.rotation = spin({0, 1, 0.2f}, sixth, 80);
    });
    add(torus("Arc02", 250, 3, 36, 3), {0, 120, 0}, glass, [=](N& n) {
        n.rotation = spin({0.3f, 1, 0}, -sixth, 70);
    });
    // The reader's order: by name.
    std::sort(parts.begin(), parts.end(),
              [](const Part& a, const Part& b) { return a.mesh.name < b.mesh.name; });

    writers::Scene3dsFile s;
    s.endFrame = kFrames;
    uint16_t id = 0;
    for (Part& part : parts) {
        s.meshes.push_back(part.mesh);
        writers::Node3ds n = objectNode(id++, part.mesh.name, part.at);
        part.motion(n);
        s.nodes.push_back(n);
    }

    // Two omni lights that drift in front of the letters, and a spot from above and behind
    // the camera whose target sweeps the words: flares at all three and at the target.
    writers::Light3ds warm{"LightA", {-180, -160, 140}, {1, 0.9f, 0.8f}};
    warm.innerRange = 500, warm.outerRange = 1500;
    writers::Light3ds cool{"LightB", {180, -120, -110}, {0.7f, 0.8f, 1}};
    cool.innerRange = 400, cool.outerRange = 1300;
    writers::Light3ds spot{"Spot01", {40, -420, 260}, {1, 1, 1}, true, {0, 0, 0}, 25, 45, 700,
                           1800};
    s.lights = {warm, cool, spot};
    writers::Node3ds a;
    a.type = writers::Node3ds::Type::OmniLight, a.id = id++, a.name = "LightA";
    a.position = path({{0, {-230, -150, 130}},
                       {200, {60, -190, 150}},
                       {400, {230, -140, 40}},
                       {600, {-40, -200, 150}},
                       {800, {-230, -150, 90}},
                       {1000, {-230, -150, 130}}});
    writers::Node3ds b;
    b.type = writers::Node3ds::Type::OmniLight, b.id = id++, b.name = "LightB";
    b.position = path({{0, {210, -120, -100}},
                       {250, {-60, -170, -120}},
                       {500, {-220, -110, -40}},
                       {750, {80, -160, -130}},
                       {1000, {210, -120, -100}}});
    writers::Node3ds spotNode;
    spotNode.type = writers::Node3ds::Type::SpotLight, spotNode.id = id++, spotNode.name = "Spot01";
    spotNode.position = {{{}, spot.position}};
    writers::Node3ds spotTarget;
    spotTarget.type = writers::Node3ds::Type::LightTarget, spotTarget.id = id++,
    spotTarget.name = "Spot01";
    spotTarget.position =
        path({{0, {-120, 0, 20}}, {300, {120, 0, -20}}, {600, {-60, 0, 40}}, {1000, {100, 0, 0}}});
    s.nodes.insert(s.nodes.end(), {a, b, spotNode, spotTarget});

    // The camera: a slow arc in front of the letters, closer and lower as the part goes on.
    writers::Camera3ds camera{"Closing", {-190, -600, 110}, {0, 0, 0}, 0, 50};
    s.cameras = {camera};
    writers::Node3ds eye;
    eye.type = writers::Node3ds::Type::Camera, eye.id = id++, eye.name = "Closing";
    eye.position = path({{0, {-190, -600, 110}},
                         {120, {-60, -560, 60}},
                         {260, {150, -590, 90}},
                         {420, {210, -520, 10}},
                         {600, {20, -500, -40}},
                         {780, {-170, -540, 40}},
                         {1000, {0, -560, 50}}});
    eye.fov = {{{}, 2400.0f / camera.lens}};
    eye.roll = {{{}, 0}, {{300}, 4}, {{600}, -3}, {{1000}, 0}};
    writers::Node3ds target;
    target.type = writers::Node3ds::Type::CameraTarget, target.id = id++, target.name = "Closing";
    target.position =
        path({{0, {0, 0, 5}}, {300, {20, 0, 0}}, {600, {-15, 0, 5}}, {1000, {0, 0, 0}}});
    s.nodes.insert(s.nodes.end(), {eye, target});

    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3d", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3d" / "p8.3ds").string(), s))
        std::fprintf(stderr, "datagen: cannot write 3d/p8.3ds\n");

    std::string d = "closing scene\n"
                    "per mesh: mode, line colour, texture, palette, ambient diffuse,\n"
                    "  cull sort environment placement\n"
                    "then the scene factor and per camera: light start end hotspot falloff,\n"
                    "  spot mode and spot side\n"
                    "#\n#\n#\n#\n";
    for (const Part& part : parts)
        d += std::string(part.look.mode) + "\n16777215\nnoOne\n" + part.look.palette + "\n" +
             std::to_string(part.look.ambient) + " " + std::to_string(part.look.diffuse) + "\n" +
             part.look.switches + "\n";
    d += "3.0\n";
    d += "500 900 40 60\n0 0\n";
    p.writeText("data/3d/p8", d);

    // Streams, in screen pixels; z is the size swing (a larger z, a larger flare).
    writers::ParticleStreamFile figure; // rose: a figure-eight through the words
    figure.poolSize = 64, figure.emitMinimum = 1, figure.emitRange = 3, figure.fadeInPoints = 0,
    figure.fadeOutPoints = 0;
    figure.speedBase = 0.7f, figure.speedSpread = 0.6f, figure.sizeBase = 2.6f,
    figure.sizeSpread = 1.2f, figure.depthFactor = 0.012f;
    figure.controlPoints = loop(12, 256, 124, 210, 150, 3, 60, 0);
    figure.samplesPerSegment = 60, figure.closedFlag = 0, figure.curveKind = 0;
    p.writeText("data/other/sp0", writers::encodeParticleStream(figure, "rose figure-eight"));

    writers::ParticleStreamFile orbit; // ice: a wide wobbling orbit round the scene
    orbit.poolSize = 56, orbit.emitMinimum = 2, orbit.emitRange = 3, orbit.fadeInPoints = 0,
    orbit.fadeOutPoints = 0;
    orbit.speedBase = 0.5f, orbit.speedSpread = 0.5f, orbit.sizeBase = 3.0f,
    orbit.sizeSpread = 1.0f, orbit.depthFactor = 0.015f;
    orbit.controlPoints.clear();
    for (int i = 0; i < 10; ++i) {
        const double a = 2 * kPi * i / 10 + 0.4;
        orbit.controlPoints.push_back(
            {static_cast<float>(256 + 232 * std::cos(a) * (1 + 0.08 * std::sin(3 * a))),
             static_cast<float>(128 + 104 * std::sin(a) * (1 - 0.1 * std::cos(2 * a))),
             static_cast<float>(80 * std::sin(a))});
    }
    orbit.samplesPerSegment = 70, orbit.closedFlag = 0, orbit.curveKind = 0;
    p.writeText("data/other/sp1", writers::encodeParticleStream(orbit, "ice orbit"));

    writers::ParticleStreamFile
        wave; // gold: an open wave from the left edge to the right, under and over the letters
    wave.poolSize = 50, wave.emitMinimum = 2, wave.emitRange = 4, wave.fadeInPoints = 40,
    wave.fadeOutPoints = 60;
    wave.speedBase = 0.9f, wave.speedSpread = 0.8f, wave.sizeBase = 2.4f, wave.sizeSpread = 1.0f,
    wave.depthFactor = 0.01f;
    wave.controlPoints.clear();
    for (int i = 0; i < 11; ++i) {
        const float x = -60.0f + 632.0f * static_cast<float>(i) / 10;
        wave.controlPoints.push_back({x, static_cast<float>(128 + 70 * std::sin(i * 1.3)),
                                      static_cast<float>(50 * std::cos(i * 0.9))});
    }
    wave.samplesPerSegment = 50, wave.closedFlag = 1, wave.curveKind = 1;
    p.writeText("data/other/sp2", writers::encodeParticleStream(wave, "gold wave"));

    // The pictures.
    const Typeface title("DejaVuSans-Bold.ttf", 26), small("DejaVuSans.ttf", 10),
        mark("DejaVuSans-Bold.ttf", 22);
    const Canvas closing = closingImage(title, small);
    p.write("data/image/endofdemo.tga",
            writers::encodeTga24(closing.pixels.data(), 512, 256, false));
    const Canvas vesk = logo(mark);
    p.write("data/image/vesk.jpg",
            writers::encodeJpeg(vesk.pixels.data(), vesk.width, vesk.height, 95));
}

} // namespace datagen
