// The loading screen's strips and caption: a night city between a sky band and its reflection,
// drawn additively over black, so black is transparent.
#include <algorithm>
#include <cmath>

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

// The skyline's height at each column: blocks of buildings of random widths.
std::vector<int> skyline(int width, int maxHeight, platform::Random& random) {
    std::vector<int> h(static_cast<size_t>(width));
    for (int x = 0; x < width;) {
        const int w = 8 + random.next() % 28,
                  height = maxHeight / 4 + random.next() % (maxHeight * 3 / 4);
        for (int i = 0; i < w && x < width; ++i, ++x)
            h[static_cast<size_t>(x)] = height;
    }
    return h;
}

} // namespace

void writeLoadingPictures(Production& p) {
    platform::Random random(1707);
    // Strip 1, rows 0 .. 48: the sky's upper band with a thin horizon of light at its foot.
    Canvas sky(512, 48);
    for (int y = 0; y < sky.height; ++y)
        for (int x = 0; x < sky.width; ++x) {
            const double t = y / 47.0, wave = 0.5 + 0.5 * std::sin(x * 0.021 + y * 0.05);
            sky.at(x, y) = rgb(10 + 30 * t * wave, 20 + 60 * t, 50 + 120 * t);
        }
    for (int x = 0; x < sky.width; ++x)
        sky.at(x, 47) = rgb(90, 160, 255);
    for (int k = 0; k < 60; ++k)
        sky.at(random.next() % 512, random.next() % 40) = rgb(200, 210, 255);

    // Strip 2, rows 49 .. 170: the city against a glow, windows lit.
    Canvas city(512, 122);
    const std::vector<int> heights = skyline(512, 110, random);
    for (int y = 0; y < city.height; ++y)
        for (int x = 0; x < city.width; ++x) {
            const double glow = 1.6 * std::exp(-std::pow((y - 118) / 45.0, 2));
            const bool building = city.height - y <= heights[static_cast<size_t>(x)];
            if (!building) {
                city.at(x, y) = rgb(30 * glow, 70 * glow, 150 * glow);
            } else {
                // Windows in a grid of cells, about one in four lit, each its own warmth.
                const uint32_t cell =
                    static_cast<uint32_t>(x / 5) * 7919u + static_cast<uint32_t>(y / 6) * 104729u;
                const uint32_t hash = (cell ^ (cell >> 7)) * 2654435761u >> 24;
                const bool window = (x % 5 < 2) && (y % 6 < 3) && hash < 64;
                city.at(x, y) =
                    window ? rgb(200 + hash % 50, 170 + hash % 60, 90 + hash) : rgb(6, 10, 24);
            }
        }

    // Strip 3, rows 171 .. 230: the city's reflection, fading downwards.
    Canvas water(512, 60);
    for (int y = 0; y < water.height; ++y)
        for (int x = 0; x < water.width; ++x) {
            const int mirror = std::min(
                city.height - 1, city.height - 1 - y + static_cast<int>(2 * std::sin(x * 0.3 + y)));
            const uint32_t c = city.at(x, std::max(0, mirror));
            const double fade = 0.5 * (1.0 - y / 60.0);
            water.at(x, y) =
                rgb(((c >> 16) & 0xFF) * fade, ((c >> 8) & 0xFF) * fade, (c & 0xFF) * fade);
        }

    // The caption, light blue with a soft glow, placed at about (316, 197).
    Canvas caption(92, 22);
    const std::string text = "LOADING";
    for (int pass = 0; pass < 2; ++pass) {
        const uint32_t colour = pass ? rgb(180, 220, 255) : rgb(20, 50, 110);
        for (int dy = pass ? 0 : -1; dy <= (pass ? 0 : 1); ++dy)
            for (int dx = pass ? 0 : -1; dx <= (pass ? 0 : 1); ++dx)
                drawText(caption, text, 4 + dx, 4 + dy, 2, colour);
    }

    auto tga = [&](const char* name, const Canvas& c) {
        p.write(std::string("data/image/") + name,
                writers::encodeTga24(c.pixels.data(), c.width, c.height, true));
    };
    tga("loading01.tga", sky);
    tga("loading02.tga", city);
    tga("loading03.tga", water);
    tga("loadingText.tga", caption);
}

} // namespace datagen
