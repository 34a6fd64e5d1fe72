// parts 2 and 3's pictures: the machine's textures and shade palettes, the 8-bit flare and the
// colour tables that tint it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/random.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/writers/image_writers.h"

namespace datagen {

namespace {

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

// Smooth value noise on a 256-periodic lattice of the given cell size.
class Noise {
  public:
    explicit Noise(uint32_t seed) {
        platform::Random r(seed);
        for (double& v : lattice_)
            v = r.next() / 32767.0;
    }
    double at(double x, double y, int cell) const {
        const int n = 256 / cell;
        const double fx = x / cell, fy = y / cell;
        const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
        const double tx = fx - x0, ty = fy - y0;
        auto v = [&](int i, int j) {
            return lattice_[static_cast<size_t>(((j % n + n) % n) * 64 + (i % n + n) % n)];
        };
        auto s = [](double t) { return t * t * (3 - 2 * t); };
        const double a = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * s(tx);
        const double b = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * s(tx);
        return a + (b - a) * s(ty);
    }
    // Three octaves, 0..1.
    double grain(double x, double y) const {
        return (at(x, y, 32) * 0.5 + at(x, y, 8) * 0.3 + at(x, y, 4) * 0.2);
    }

  private:
    double lattice_[64 * 64]{};
};

// Floor plates: four riveted tread plates a tile, blue-grey steel with wear.
Canvas platesTexture() {
    const Noise n(71);
    Canvas c(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int px = x % 128, py = y % 128;
            const double edge = std::min({px, py, 127 - px, 127 - py});
            double v = 0.62 + 0.25 * n.grain(x, y);
            if (edge < 3)
                v *= 0.35 + 0.15 * edge; // the seam between plates
            else if (edge < 6)
                v *= 1.18; // its bevel catching light
            // Diamond tread.
            const int dx = (px + py) % 16, dy = (px - py + 128) % 16;
            if (edge >= 8 && ((dx < 3 && dy > 5 && dy < 11) || (dy < 3 && dx > 5 && dx < 11)))
                v *= 1.25;
            // Rivets near the corners.
            for (int cx : {12, 115})
                for (int cy : {12, 115}) {
                    const double d = std::hypot(px - cx, py - cy);
                    if (d < 5) v = 0.95 - d * 0.08;
                }
            c.at(x, y) = rgb(150 * v, 162 * v, 178 * v);
        }
    return c;
}

// Wall panels: tall olive-grey panels with seams, bolts and a lit stripe.
Canvas panelTexture() {
    const Noise n(314);
    Canvas c(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int px = x % 64;
            double v = 0.55 + 0.3 * n.grain(x * 0.5, y * 2);
            if (px < 3)
                v *= 0.3;
            else if (px < 5)
                v *= 1.2;
            const bool band = y % 128 >= 56 && y % 128 < 72;
            if (band) v *= 0.7;
            double r = 118 * v, g = 124 * v, b = 108 * v;
            if (band && px > 12 && px < 52 && y % 128 >= 61 && y % 128 < 67)
                r = 255, g = 196, b = 90; // warning lamp strip
            if (std::hypot(px - 32, y % 128 - 8) < 3 || std::hypot(px - 32, y % 128 - 120) < 3)
                r *= 1.5, g *= 1.5, b *= 1.5;
            c.at(x, y) = rgb(r, g, b);
        }
    return c;
}

// A dark grating: square bars over a deep void.
Canvas grateTexture() {
    const Noise n(2718);
    Canvas c(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int px = x % 32, py = y % 32;
            const double g = n.grain(x, y);
            double v;
            if (px < 6 || py < 6)
                v = 0.7 + 0.3 * g - (px < 6 && py >= 6 ? 0.1 : 0);
            else
                v = 0.12 + 0.1 * g; // the hole, lit from below
            const bool frame = x < 8 || y < 8 || x > 247 || y > 247;
            if (frame) v = 0.85 + 0.15 * g;
            c.at(x, y) = rgb(120 * v, 128 * v, 140 * v + (v < 0.3 ? 20 : 0));
        }
    return c;
}

// Hazard stripes: yellow and black diagonals with worn edges and a steel border.
Canvas hazardTexture() {
    const Noise n(1618);
    Canvas c(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double g = n.grain(x, y);
            const bool border = x < 12 || y < 12 || x > 243 || y > 243;
            if (border) {
                const double v = 0.6 + 0.3 * g;
                c.at(x, y) = rgb(150 * v, 156 * v, 166 * v);
                continue;
            }
            const bool yellow = ((x + y) / 32) % 2 == 0;
            const double wear = g > 0.72 ? 0.55 : 1.0;
            c.at(x, y) = yellow ? rgb(240 * wear, 190 * wear, 30 * wear)
                                : rgb(28 + 30 * g, 26 + 30 * g, 24 + 30 * g);
        }
    return c;
}

// A shade palette from black through `colour` to a pale top.
writers::Palette256 shadePalette(double r, double g, double b) {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0, hot = std::pow(t, 6) * 110;
        p[static_cast<size_t>(i)] =
            rgb(r * std::pow(t, 1.2) + hot, g * std::pow(t, 1.2) + hot, b * std::pow(t, 1.2) + hot);
    }
    return p;
}

// A flare colour table: index = brightness, tinted by `colour`, white-hot at the top.
writers::Palette256 glowPalette(double r, double g, double b) {
    writers::Palette256 p{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0, body = std::pow(t, 1.4), core = std::pow(t, 5) * 255;
        p[static_cast<size_t>(i)] = rgb(r * body + core, g * body + core, b * body + core);
    }
    return p;
}

} // namespace

void writePart2Pictures(Production& p) {
    p.write("data/texture/plates.jpg",
            writers::encodeJpeg(platesTexture().pixels.data(), 256, 256, 92));
    p.write("data/texture/panel.jpg",
            writers::encodeJpeg(panelTexture().pixels.data(), 256, 256, 92));
    p.write("data/texture/grate.jpg",
            writers::encodeJpeg(grateTexture().pixels.data(), 256, 256, 92));
    p.write("data/texture/hazard.jpg",
            writers::encodeJpeg(hazardTexture().pixels.data(), 256, 256, 92));
    p.write("data/palette/copper.pal", writers::encodePalette(shadePalette(255, 150, 80)));
    p.write("data/palette/gunmetal.pal", writers::encodePalette(shadePalette(160, 180, 215)));
    p.write("data/palette/amber.pal", writers::encodePalette(shadePalette(255, 170, 40)));
    p.write("data/palette/cyan.pal", writers::encodePalette(shadePalette(60, 200, 255)));

    // Flare colours: sparks white-blue, the fountains orange, green, cyan and violet (the
    // streams are cyan), the cut edges gold.
    p.write("data/palette/pal2.pal", writers::encodePalette(glowPalette(120, 170, 255)));
    p.write("data/palette/particle01.pal", writers::encodePalette(glowPalette(255, 110, 20)));
    p.write("data/palette/particle02.pal", writers::encodePalette(glowPalette(90, 255, 60)));
    p.write("data/palette/particle03.pal", writers::encodePalette(glowPalette(40, 190, 255)));
    p.write("data/palette/particle04.pal", writers::encodePalette(glowPalette(200, 70, 255)));
    p.write("data/palette/pal02.pal", writers::encodePalette(glowPalette(255, 200, 90)));

    // The flare: 64 x 64 indices, each the glow's brightness, over a grey colour map.
    std::vector<uint8_t> flare(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double d = std::hypot(x - 31.5, y - 31.5) / 32,
                         v = std::pow(std::max(0.0, 1 - d), 2.4) + std::exp(-d * d * 60) * 0.25;
            flare[static_cast<size_t>(y * 64 + x)] =
                static_cast<uint8_t>(std::lround(255 * std::min(1.0, v)));
        }
    writers::Palette256 grey{};
    for (uint32_t i = 0; i < 256; ++i)
        grey[i] = i * 0x010101u;
    p.write("data/image/flare.tga", writers::encodeTga8(flare.data(), 64, 64, grey, false));
}

} // namespace datagen
