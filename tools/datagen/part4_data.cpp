// part 4's data: the tunnel's texture. Its columns run along the tunnel (distance) and its
// rows around it (angle), and the part adds a bright shade of up to 255 to every texel, so the
// picture is dark with a few strong accents, and everything in it repeats every 256 pixels in
// both directions so that no seam shows where the table indices wrap.
#include <algorithm>
#include <cmath>

#include "platform/random.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/writers/image_writers.h"

namespace datagen {

namespace {

constexpr int kSize = 256;
constexpr double kTau = 6.283185307179586;

// Smooth noise on a lattice of `cells` x `cells` that wraps, so it tiles at kSize.
class TiledNoise {
  public:
    TiledNoise(int cells, uint32_t seed)
        : cells_(cells), lattice_(static_cast<size_t>(cells * cells)) {
        platform::Random random(seed);
        for (double& v : lattice_)
            v = random.next() / 32767.0;
    }
    double at(double x, double y) const {
        const double fx = x * cells_ / kSize, fy = y * cells_ / kSize;
        const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
        const double tx = smooth(fx - x0), ty = smooth(fy - y0);
        auto v = [&](int i, int j) {
            return lattice_[static_cast<size_t>(wrap(j) * cells_ + wrap(i))];
        };
        const double top = v(x0, y0) * (1 - tx) + v(x0 + 1, y0) * tx,
                     bottom = v(x0, y0 + 1) * (1 - tx) + v(x0 + 1, y0 + 1) * tx;
        return top * (1 - ty) + bottom * ty;
    }

  private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    int wrap(int i) const { return ((i % cells_) + cells_) % cells_; }
    int cells_;
    std::vector<double> lattice_;
};

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

Canvas tunnelTexture() {
    Canvas c(kSize, kSize);
    const TiledNoise coarse(8, 4401), fine(32, 4402), grain(128, 4403);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            // Panels: 8 along the tunnel, 16 around it, each with a bevelled rim.
            const double px = std::fmod(x, 32.0) / 32, py = std::fmod(y, 16.0) / 16;
            const double edge = std::min({px, 1 - px, py * 0.5, (1 - py) * 0.5}) * 32;
            const double rim = edge < 1.5   ? 0.35
                               : edge < 3.5 ? 1.25
                                            : 1.0,
                         bevel = edge >= 1.5 && edge < 2.5 ? 45 : 0;
            // Rings of light along the tunnel and a slow spiral band around it.
            const double ring = std::pow(0.5 + 0.5 * std::cos(kTau * x / 64.0), 12);
            const double band =
                std::pow(0.5 + 0.5 * std::sin(kTau * (y / 256.0 + 2.0 * x / 256.0)), 6);
            const double metal =
                0.55 * coarse.at(x, y) + 0.3 * fine.at(x, y) + 0.15 * grain.at(x, y);
            const double base = (4 + 30 * metal) * rim;
            // Strong single-channel accents: the shade added to all three channels pales
            // everything else.
            c.at(x, y) =
                rgb(bevel * 0.6 + base * 0.2 + 150 * band, bevel * 0.8 + base * 0.5 + 110 * ring,
                    bevel + base + 40 * band + 150 * ring);
        }
    return c;
}

} // namespace

void writePart4Data(Production& p) {
    const Canvas texture = tunnelTexture();
    p.write("data/texture/tunnelGfx.jpg",
            writers::encodeJpeg(texture.pixels.data(), kSize, kSize, 92));
}

} // namespace datagen
