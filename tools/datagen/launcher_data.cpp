// The launcher's data: the 3D dialog "dlg/dlg.3ds" with its description "dlg/dlg", the
// pictures around it, the viewer's panel and buttons, and the font, in a steel-blue look.
// The scene sits in the file's coordinates with Z up; the camera looks along +Y from
// y = -400, so one unit at y = 0 is one pixel and the screen centre is x = 0, z = 0.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/random.h"
#include "tools/datagen/production.h"
#include "tools/datagen/typeface.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"

namespace datagen {

namespace {

using writers::Mesh3ds;
using writers::Vec3;

constexpr double kPi = 3.14159265358979;
constexpr int kFrames = 400;

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

double smooth(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Distance outside a rounded rectangle of half sizes (hx, hy) and corner radius r (negative
// inside).
double roundedBox(double x, double y, double hx, double hy, double r) {
    const double qx = std::abs(x) - hx + r, qy = std::abs(y) - hy + r;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
}

void writeJpeg(Production& p, const std::string& name, const Canvas& c, int quality = 92) {
    p.write("data/dlg/" + name, writers::encodeJpeg(c.pixels.data(), c.width, c.height, quality));
}

// --- geometry ---------------------------------------------------------------------------------

// A torus in the XY plane around the origin; its faces turn their outside to the viewer.
Mesh3ds torus(const std::string& name, float ring, float tube, int around, int across) {
    Mesh3ds m;
    m.name = name;
    for (int i = 0; i <= around; ++i)
        for (int j = 0; j <= across; ++j) {
            const double phi = 2 * kPi * i / around, theta = 2 * kPi * j / across,
                         r = ring + tube * std::cos(theta);
            m.vertices.push_back({static_cast<float>(r * std::cos(phi)),
                                  static_cast<float>(r * std::sin(phi)),
                                  static_cast<float>(tube * std::sin(theta))});
            m.mapping.push_back(
                {static_cast<float>(i) / around * 4, static_cast<float>(j) / across});
        }
    auto at = [&](int i, int j) { return static_cast<uint16_t>(i * (across + 1) + j); };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            m.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return m;
}

// A cog in the XY plane: a toothed rim of thickness `depth` around a hole.
Mesh3ds cog(const std::string& name, float outer, float inner, float hole, int teeth, float depth) {
    Mesh3ds m;
    m.name = name;
    const int steps = teeth * 4;
    auto rimRadius = [&](int k) { return (k % 4 == 1 || k % 4 == 2) ? outer : inner; };
    // Rings of vertices: outer front, outer back, hole front, hole back.
    for (int side = 0; side < 2; ++side)
        for (int k = 0; k < steps; ++k) {
            const double a = 2 * kPi * k / steps;
            const float z = side ? -depth / 2 : depth / 2;
            m.vertices.push_back({static_cast<float>(rimRadius(k) * std::cos(a)),
                                  static_cast<float>(rimRadius(k) * std::sin(a)), z});
        }
    for (int side = 0; side < 2; ++side)
        for (int k = 0; k < steps; ++k) {
            const double a = 2 * kPi * k / steps;
            const float z = side ? -depth / 2 : depth / 2;
            m.vertices.push_back({static_cast<float>(hole * std::cos(a)),
                                  static_cast<float>(hole * std::sin(a)), z});
        }
    for (const Vec3& v : m.vertices)
        m.mapping.push_back({v[0] / outer * 128 + 128, v[1] / outer * 128 + 128});
    auto rim = [&](int side, int k) { return static_cast<uint16_t>(side * steps + (k % steps)); };
    auto in = [&](int side, int k) {
        return static_cast<uint16_t>(2 * steps + side * steps + (k % steps));
    };
    for (int k = 0; k < steps; ++k) {
        // Front (z > 0) and back faces of the ring between hole and rim, then the rim's and hole's
        // sides.
        m.faces.push_back({in(0, k), rim(0, k), rim(0, k + 1)});
        m.faces.push_back({in(0, k), rim(0, k + 1), in(0, k + 1)});
        m.faces.push_back({in(1, k), rim(1, k + 1), rim(1, k)});
        m.faces.push_back({in(1, k), in(1, k + 1), rim(1, k + 1)});
        m.faces.push_back({rim(0, k), rim(1, k), rim(1, k + 1)});
        m.faces.push_back({rim(0, k), rim(1, k + 1), rim(0, k + 1)});
        m.faces.push_back({in(0, k), in(1, k + 1), in(1, k)});
        m.faces.push_back({in(0, k), in(0, k + 1), in(1, k + 1)});
    }
    return m;
}

// A bevelled frame in the XZ plane (facing -Y) between two rounded rectangles.
Mesh3ds frame(const std::string& name, float hx, float hz, float width, float bevel, float y) {
    Mesh3ds m;
    m.name = name;
    const int perCorner = 6;
    // Three loops: outer edge (back), crest (front, raised toward the viewer), inner edge (back).
    auto loop = [&](float ex, float ez, float r, float dy) {
        for (int c = 0; c < 4; ++c) {
            const double cx = (c == 0 || c == 3) ? ex - r : -(ex - r),
                         cz = (c < 2) ? ez - r : -(ez - r);
            const double a0 = c * kPi / 2;
            for (int k = 0; k <= perCorner; ++k) {
                const double a = a0 + (kPi / 2) * k / perCorner;
                m.vertices.push_back({static_cast<float>(cx + r * std::cos(a)), y + dy,
                                      static_cast<float>(cz + r * std::sin(a))});
            }
        }
    };
    loop(hx, hz, 18, 0);
    loop(hx - width / 2, hz - width / 2, 18 - width / 2, -bevel);
    loop(hx - width, hz - width, std::max(2.0f, 18 - width), 0);
    const int n = 4 * (perCorner + 1);
    for (const Vec3& v : m.vertices)
        m.mapping.push_back({v[0] + 256, v[2] + 128});
    for (int ring = 0; ring < 2; ++ring)
        for (int k = 0; k < n; ++k) {
            const auto a = static_cast<uint16_t>(ring * n + k),
                       b = static_cast<uint16_t>(ring * n + (k + 1) % n);
            const auto c = static_cast<uint16_t>((ring + 1) * n + (k + 1) % n),
                       d = static_cast<uint16_t>((ring + 1) * n + k);
            m.faces.push_back({a, c, b});
            m.faces.push_back({a, d, c});
        }
    return m;
}

// A sphere of rings and segments around the origin, for a wireframe.
Mesh3ds globe(const std::string& name, float radius, int rings, int segments) {
    Mesh3ds m;
    m.name = name;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s) {
            const double th = kPi * r / rings, ph = 2 * kPi * s / segments;
            m.vertices.push_back({static_cast<float>(radius * std::sin(th) * std::cos(ph)),
                                  static_cast<float>(radius * std::sin(th) * std::sin(ph)),
                                  static_cast<float>(radius * std::cos(th))});
            m.mapping.push_back(
                {static_cast<float>(s) / segments * 256, static_cast<float>(r) / rings * 256});
        }
    auto at = [&](int r, int s) { return static_cast<uint16_t>(r * (segments + 1) + s); };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            m.faces.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
            m.faces.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    return m;
}

// A flat rounded plate in the XZ plane at depth y, facing -Y.
Mesh3ds plate(const std::string& name, float x0, float z0, float x1, float z1, float y) {
    Mesh3ds m;
    m.name = name;
    const int cols = 12, rows = 3;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            const float x = x0 + (x1 - x0) * static_cast<float>(c) / cols,
                        z = z0 + (z1 - z0) * static_cast<float>(r) / rows;
            m.vertices.push_back({x, y, z});
            m.mapping.push_back(
                {static_cast<float>(c) / cols * 256, static_cast<float>(r) / rows * 256});
        }
    auto at = [&](int r, int c) { return static_cast<uint16_t>(r * (cols + 1) + c); };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            m.faces.push_back({at(r, c), at(r + 1, c + 1), at(r, c + 1)});
            m.faces.push_back({at(r, c), at(r + 1, c), at(r + 1, c + 1)});
        }
    return m;
}

// Flips every face's order: the meshes above are built one way and the viewer decides.
void flip(Mesh3ds& m) {
    for (auto& f : m.faces)
        std::swap(f[1], f[2]);
}

writers::Node3ds node(uint16_t id, const std::string& name, Vec3 position) {
    writers::Node3ds n;
    n.id = id, n.name = name;
    n.position = {{{}, position}};
    n.scale = {{{}, {1, 1, 1}}};
    n.rotation = {{{}, 0, {0, 0, 1}}};
    return n;
}

// --- pictures ---------------------------------------------------------------------------------

// The dialog's face behind the scene: deep steel blue with fine brushed lines and a glow.
Canvas backgroundPicture() {
    platform::Random random(911);
    std::vector<double> grain(512);
    for (double& g : grain)
        g = (random.next() % 1000) / 1000.0;
    Canvas c(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const double u = (x - 256) / 256.0, v = (y - 128) / 128.0;
            const double glow = std::exp(-(u * u * 2.2 + (v + 0.35) * (v + 0.35) * 3.0));
            const double brushed =
                0.85 + 0.15 * grain[static_cast<size_t>((x * 7 + y * 131) % 512)];
            const double band = 0.5 + 0.5 * std::cos(v * 3.2);
            c.at(x, y) = rgb((14 + 34 * glow) * brushed, (22 + 52 * glow + 6 * band) * brushed,
                             (40 + 92 * glow + 14 * band) * brushed);
        }
    return c;
}

// 255 inside the dialog, 0 outside, a soft edge between: where the desktop shows through.
std::vector<uint8_t> backgroundMask() {
    std::vector<uint8_t> m(512 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const double d = roundedBox(x - 255.5, y - 127.5, 232, 104, 16);
            m[static_cast<size_t>(y * 512 + x)] =
                static_cast<uint8_t>(255 * (1 - smooth(-6, 2, d)));
        }
    return m;
}

// Drawn additively over the scene: the title, a rule of light and small print; black is clear.
// The rings around the buttons (centred at (227, 111) and (294, 178)) take the middle, so the
// title block sits top right, above the globe, and the small print bottom left, under the cogs.
Canvas foregroundPicture(const Typeface& title, const Typeface& small) {
    Canvas c(512, 256, 0);
    constexpr int kCentre = 388; // of the title block
    const std::string name = "CORVANE";
    const int w = title.textWidth(name);
    // A soft halo under the title, then the letters.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const double d = std::hypot((x - kCentre) / 95.0, (y - 50) / 18.0);
            const double halo = 40 * std::exp(-d * d);
            c.at(x, y) = rgb(halo * 0.3, halo * 0.6, halo);
        }
    title.draw(c, name, kCentre - w / 2, 62, 0x00C8DCFF);
    for (int x = kCentre - 80; x < kCentre + 80; ++x) {
        const double fade = std::sin(kPi * (x - kCentre + 80) / 160.0);
        for (int dy = -1; dy <= 1; ++dy) {
            const double v = fade * (dy == 0 ? 150 : 40);
            c.at(x, 72 + dy) = rgb(v * 0.5, v * 0.8, v);
        }
    }
    int baseline = 90;
    for (const std::string line : {"a real-time production", "in eight parts"}) {
        small.draw(c, line, kCentre - small.textWidth(line) / 2, baseline, 0x0090A8C8);
        baseline += 13;
    }
    small.draw(c, "512 x 256  \xB7  software rendered  \xB7  press start", 40, 224, 0x00607890);
    return c;
}

// A button: a rounded pill with its caption; the lit one brighter, with a halo.
Canvas button(const Typeface& face, const std::string& caption, int w, int h, bool lit) {
    Canvas c(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = roundedBox(x - (w - 1) / 2.0, y - (h - 1) / 2.0, w / 2.0 - 4,
                                        h / 2.0 - 4, h / 2.0 - 4);
            const double body = 1 - smooth(-1, 1, d), rim = std::exp(-d * d / 2.0),
                         halo = lit ? std::exp(-std::max(0.0, d) / 3.0) : 0;
            const double shade = 0.6 + 0.4 * (1 - static_cast<double>(y) / h);
            const double k = lit ? 1.0 : 0.55;
            c.at(x, y) = rgb(k * (30 * body * shade + 70 * rim) + 20 * halo,
                             k * (60 * body * shade + 120 * rim) + 50 * halo,
                             k * (110 * body * shade + 190 * rim) + 90 * halo);
        }
    const int tw = face.textWidth(caption);
    face.draw(c, caption, (w - tw) / 2, h / 2 + 4, lit ? 0x00FFFFFF : 0x00A0B8D8);
    return c;
}

// The viewer's small buttons: an arrow up, an arrow down, a cross; lit by their glow.
bool viewerGlyph(int kind, int x, int y) {
    const double cx = x - 4.5, cy = y - 6.5;
    if (kind == 2) return std::abs(std::abs(cx) - std::abs(cy)) < 0.9 && std::abs(cx) < 4;
    const double t = kind == 0 ? cy : -cy; // apex at the top for up
    return t > -5 && t < 3 && std::abs(cx) < (t + 5) * 0.55;
}

Canvas viewerButton(int kind) {
    Canvas c(10, 14, 0);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 10; ++x)
            c.at(x, y) = viewerGlyph(kind, x, y) ? rgb(120, 190, 255) : 0;
    return c;
}

// The viewer's panel: bright, because it is subtracted to darken what lies behind the text. The
// buttons light up only under the mouse, so the panel marks them: a darker rail down the right
// edge with a socket for each and its sign left lighter (less is subtracted there).
Canvas viewerPanel() {
    struct Socket {
        int kind, x, y; // top-left, as the launcher places the button
    };
    const Socket sockets[] = {{2, 500, 4}, {0, 500, 20}, {1, 501, 239}};
    Canvas c(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const double d = roundedBox(x - 255.5, y - 127.5, 250, 122, 12);
            const double inside = 1 - smooth(-2, 0, d), border = std::exp(-(d + 3) * (d + 3) / 3.0);
            double v = 200 * inside - 150 * border;
            const double rail = roundedBox(x - 503.5, y - 127.5, 8, 127, 5);
            if (rail < 0.5) v = 235;
            for (const Socket& s : sockets) {
                const double e = roundedBox(x - (s.x + 4.5), y - (s.y + 6.5), 6, 7.6, 3);
                if (e < 0.4 && e > -0.8) v = 40; // its outline
                const int gx = x - s.x, gy = y - s.y;
                if (gx >= 0 && gx < 10 && gy >= 0 && gy < 14 && viewerGlyph(s.kind, gx, gy)) v = 0;
            }
            c.at(x, y) = rgb(v * 0.95, v * 0.9, v * 0.7);
        }
    return c;
}

// Chrome for the environment-mapped rings: sky above, dark ground below, a bright horizon.
Canvas chromeTexture() {
    Canvas c(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double v = (y - 128) / 128.0, u = (x - 128) / 128.0;
            const double horizon = std::exp(-v * v * 40), sky = std::max(0.0, -v),
                         ground = std::max(0.0, v);
            const double spot = std::exp(-((u + 0.4) * (u + 0.4) + (v + 0.45) * (v + 0.45)) * 12);
            c.at(x, y) = rgb(40 + 80 * sky + 200 * horizon + 180 * spot + 20 * ground,
                             60 + 110 * sky + 210 * horizon + 180 * spot + 25 * ground,
                             90 + 150 * sky + 220 * horizon + 180 * spot + 40 * ground);
        }
    return c;
}

// Brushed metal for the frame.
Canvas metalTexture() {
    platform::Random random(4242);
    Canvas c(256, 256);
    std::vector<double> row(256);
    for (double& r : row)
        r = (random.next() % 1000) / 1000.0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double g = 0.75 + 0.25 * row[static_cast<size_t>((x + y * 3) & 255)];
            const double band = 0.8 + 0.2 * std::sin(y * 0.15);
            c.at(x, y) = rgb(150 * g * band, 165 * g * band, 190 * g * band);
        }
    return c;
}

writers::Palette256 steelPalette() {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        p[static_cast<size_t>(i)] =
            rgb(255 * std::pow(t, 2.2), 255 * std::pow(t, 1.6), 255 * std::pow(t, 1.1));
    }
    return p;
}

} // namespace

void writeLauncherData(Production& p) {
    // Pictures.
    writeJpeg(p, "bck.jpg", backgroundPicture());
    const std::vector<uint8_t> mask = backgroundMask();
    writers::Palette256 grey{};
    for (uint32_t i = 0; i < 256; ++i)
        grey[i] = i * 0x010101u;
    p.write("data/dlg/bck.tga", writers::encodeTga8(mask.data(), 512, 256, grey, false));
    const Typeface title("DejaVuSans-Bold.ttf", 30), small("DejaVuSans.ttf", 10),
        caption("DejaVuSans-Bold.ttf", 11), text("DejaVuSans.ttf", 10);
    writeJpeg(p, "foreground.jpg", foregroundPicture(title, small));
    writeJpeg(p, "start01.jpg", button(caption, "START", 72, 30, false));
    writeJpeg(p, "start02.jpg", button(caption, "START", 72, 30, true));
    writeJpeg(p, "nfo01.jpg", button(caption, "INFO", 56, 26, false));
    writeJpeg(p, "nfo02.jpg", button(caption, "INFO", 56, 26, true));
    writeJpeg(p, "nfoBck.jpg", viewerPanel());
    writeJpeg(p, "scrollUp.jpg", viewerButton(0), 98);
    writeJpeg(p, "scrollDown.jpg", viewerButton(1), 98);
    writeJpeg(p, "exit.jpg", viewerButton(2), 98);
    const Canvas sheet = fontSheet(text);
    p.write("data/dlg/font.tga",
            writers::encodeTga24(sheet.pixels.data(), sheet.width, sheet.height, false));
    p.write("data/texture/chrome.jpg",
            writers::encodeJpeg(chromeTexture().pixels.data(), 256, 256, 92));
    p.write("data/texture/metal.jpg",
            writers::encodeJpeg(metalTexture().pixels.data(), 256, 256, 92));
    p.write("data/palette/steel.pal", writers::encodePalette(steelPalette()));

    // The scene: the frame ("Section", drawn once into the desktop band), rings around the two
    // buttons and two cogs that rock (names beginning with r), a wire globe and a glass strip.
    writers::Scene3dsFile s;
    s.endFrame = kFrames;
    // Screen x = 256 + X and y = 128 - Z at Y = 0, a little larger in front and smaller behind.
    // The rings hug their buttons, so that the text of the foreground clears them.
    Mesh3ds section = frame("Section", 252, 124, 22, 10, 0);
    Mesh3ds ringStart = torus("rStart", 40, 3.5f, 36, 8), ringInfo = torus("rInfo", 32, 3, 30, 8);
    Mesh3ds cogLeft = cog("rCogLeft", 56, 48, 18, 14, 10),
            cogRight = cog("rCogRight", 36, 30, 11, 10, 8);
    Mesh3ds wire = globe("globe", 44, 8, 16), glass = plate("glass", -215, 88, 215, 104, -12);
    for (Mesh3ds* m : {&section, &ringStart, &ringInfo, &cogLeft, &cogRight, &wire, &glass})
        flip(*m);
    s.meshes = {section, glass, wire, cogLeft, cogRight, ringInfo, ringStart};
    s.nodes.push_back(node(0, "Section", {0, 0, 0}));
    s.nodes.push_back(node(1, "rStart", {-29, -10, 17}));
    s.nodes.push_back(node(2, "rInfo", {38, -10, -50}));
    s.nodes.push_back(node(3, "rCogLeft", {-160, 20, 30}));
    s.nodes.push_back(node(4, "rCogRight", {-106, 20, -44}));
    writers::Node3ds spin = node(5, "globe", {164, 40, -44});
    spin.rotation = {{{}, 0, {0, 0, 1}},
                     {{kFrames / 2}, static_cast<float>(kPi), {0, 0, 1}},
                     {{kFrames}, static_cast<float>(kPi), {0, 0, 1}}};
    s.nodes.push_back(spin);
    s.nodes.push_back(node(6, "glass", {0, 0, 0}));

    writers::Light3ds key{"key", {-260, -380, 220}};
    key.innerRange = 500, key.outerRange = 1400;
    writers::Light3ds sweep{"sweep", {0, -260, -60}};
    sweep.innerRange = 200, sweep.outerRange = 700;
    s.lights = {key, sweep};
    writers::Node3ds keyNode;
    keyNode.type = writers::Node3ds::Type::OmniLight, keyNode.id = 7, keyNode.name = "key";
    keyNode.position = {{{}, key.position}};
    writers::Node3ds sweepNode;
    sweepNode.type = writers::Node3ds::Type::OmniLight, sweepNode.id = 8, sweepNode.name = "sweep";
    sweepNode.position = {
        {{}, {-320, -260, -60}}, {{kFrames / 2}, {320, -260, 60}}, {{kFrames}, {-320, -260, -60}}};
    s.nodes.push_back(keyNode);
    s.nodes.push_back(sweepNode);

    writers::Camera3ds camera{"view", {0, -400, 0}, {0, 0, 0}, 0, 36.8f};
    s.cameras = {camera};
    writers::Node3ds eye;
    eye.type = writers::Node3ds::Type::Camera, eye.id = 9, eye.name = "view";
    eye.position = {{{}, camera.position}};
    eye.fov = {{{}, 2400.0f / camera.lens}};
    eye.roll = {{{}, 0}};
    writers::Node3ds at;
    at.type = writers::Node3ds::Type::CameraTarget, at.id = 10, at.name = "view";
    at.position = {{{}, camera.target}};
    s.nodes.push_back(eye);
    s.nodes.push_back(at);
    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "dlg", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "dlg" / "dlg.3ds").string(), s))
        std::fprintf(stderr, "datagen: cannot write dlg/dlg.3ds\n");

    // How the rasterizer draws each mesh, in the scene's mesh order, then the factor and the
    // camera's headlight.
    std::string d = "launcher dialog\n"
                    "per mesh: mode, line colour, texture, palette, ambient diffuse,\n"
                    "  cull sort environment placement\n"
                    "then the scene factor and per camera: light start end hotspot falloff,\n"
                    "  spot mode and spot side\n"
                    "#\n#\n#\n#\n";
    auto mesh = [&](const char* mode, uint32_t colour, const char* texture, const char* palette,
                    int ambient, int diffuse, const char* switches) {
        d += std::string(mode) + "\n" + std::to_string(colour) + "\n" + texture + "\n" + palette +
             "\n" + std::to_string(ambient) + " " + std::to_string(diffuse) + "\n" + switches +
             "\n";
    };
    // lib3ds keeps meshes in name order, and so the reader finds them.
    mesh("PMAPZ", 0xFFFFFF, "metal.jpg", "steel.pal", 40, 215, "1 0 0 0");     // Section
    mesh("GOURAUDTRANSADD", 0xFFFFFF, "noOne", "steel.pal", 4, 50, "0 0 0 0"); // glass
    mesh("LINE_AA", 0x005078A8, "noOne", "noOne", 30, 225, "0 0 0 0");         // globe
    mesh("GOURAUDZ", 0xFFFFFF, "noOne", "steel.pal", 24, 170, "1 0 0 0");      // rCogLeft
    mesh("GOURAUDZ", 0xFFFFFF, "noOne", "steel.pal", 24, 170, "1 0 0 0");      // rCogRight
    mesh("MAPZ", 0xFFFFFF, "chrome.jpg", "steel.pal", 40, 215, "1 0 1 0");     // rInfo
    mesh("MAPZ", 0xFFFFFF, "chrome.jpg", "steel.pal", 40, 215, "1 0 1 0");     // rStart
    d += "1.0\n";
    d += "500 800 40 60\n0 0\n";
    p.writeText("data/dlg/dlg", d);
}

} // namespace datagen
