#include "draw2d/lines.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace draw2d {

uint32_t blendWeighted(uint32_t old, uint32_t colour, int v) {
    const uint32_t keep = static_cast<uint32_t>(255 - v), take = static_cast<uint32_t>(v);
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        const uint32_t o = (old >> k) & 255, c = (colour >> k) & 255;
        out |= (((o * keep) >> 8) + ((c * take) >> 8)) << k;
    }
    return out;
}

bool clipLine(float& x0, float& y0, float& x1, float& y1, int width, int height) {
    const float right = static_cast<float>(width - 2), bottom = static_cast<float>(height - 2);
    if (right < 1 || bottom < 1) return false;
    {
        const bool l0 = x0<1, l1 = x1<1, r0 = x0> right, r1 = x1> right;
        if ((l0 && l1) || (r0 && r1)) return false;
        if (l0 || l1 || r0 || r1) {
            const float ax = x0, ay = y0, bx = x1, by = y1;
            auto onLine = [&](float x) { return ay + (by - ay) * (x - ax) / (bx - ax); };
            x0 = std::clamp(ax, 1.0f, right), y0 = onLine(x0);
            x1 = std::clamp(bx, 1.0f, right), y1 = onLine(x1);
        }
    }
    const bool a0 = y0<1, a1 = y1<1, b0 = y0> bottom, b1 = y1> bottom;
    if ((a0 && a1) || (b0 && b1)) return false;
    if (!(a0 || a1 || b0 || b1)) return true;
    const float ax = x0, ay = y0, bx = x1, by = y1;
    auto onLine = [&](float y) { return ax + (bx - ax) * (y - ay) / (by - ay); };
    y0 = std::clamp(ay, 1.0f, bottom), x0 = std::clamp(onLine(y0), 1.0f, right);
    y1 = std::clamp(by, 1.0f, bottom), x1 = std::clamp(onLine(y1), 1.0f, right);
    return true;
}

namespace {

int32_t toFixed(float v) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(v) * 65536.0));
}

// The line in major/minor coordinates: `pixel(major, minor)` addresses a pixel, and `depthAt`
// tells whether a pair at (major, minor) is in front.
struct Plotter {
    Image32& target;
    uint32_t colour;
    bool yMajor;
    const int32_t* depth;
    uint32_t* at(int major, int minor) const {
        const int x = yMajor ? minor : major, y = yMajor ? major : minor;
        if (x < 0 || y < 0 || x >= target.width || y >= target.height) return nullptr;
        return target.pixels + static_cast<size_t>(y) * static_cast<size_t>(target.width) + x;
    }
    bool inFront(int major, int minor, int32_t d) const {
        if (!depth) return true;
        const int x = yMajor ? minor : major, y = yMajor ? major : minor;
        if (x < 0 || y < 0 || x >= target.width || y >= target.height) return false;
        return depth[static_cast<size_t>(y) * static_cast<size_t>(target.width) + x] < d;
    }
    void blend(int major, int minor, int v) const {
        if (uint32_t* p = at(major, minor)) *p = blendWeighted(*p, colour, std::clamp(v, 0, 255));
    }
};

// An end pixel pair at major coordinate e (16.16 major m, minor n, gradient g), covering gap.
void drawEnd(const Plotter& plot, int32_t m, int32_t n, int64_t g, int64_t gap, int32_t d,
             int& pixel, int32_t& minorAt) {
    pixel = (m + 0x8000) >> 16;
    minorAt = static_cast<int32_t>(n + ((g * (static_cast<int64_t>(pixel) * 65536 - m)) >> 16));
    const int row = minorAt >> 16;
    const int64_t f = minorAt & 0xFFFF;
    if (!plot.inFront(pixel, row, d)) return;
    plot.blend(pixel, row, static_cast<int>(((0x10000 - f) * gap) >> 24));
    plot.blend(pixel, row + 1, static_cast<int>((f * gap) >> 24));
}

void drawLine(float fx0, float fy0, float fx1, float fy1, int32_t d0, int32_t d1, Image32& target,
              uint32_t colour, const int32_t* depth) {
    if (!target.pixels || !clipLine(fx0, fy0, fx1, fy1, target.width, target.height)) return;
    int32_t x0 = toFixed(fx0), y0 = toFixed(fy0), x1 = toFixed(fx1), y1 = toFixed(fy1);
    const bool yMajor =
        std::abs(static_cast<int64_t>(x1) - x0) < std::abs(static_cast<int64_t>(y1) - y0);
    // Work in (major, minor): exchange the axes of a steep line.
    if (yMajor) std::swap(x0, y0), std::swap(x1, y1), std::swap(fx0, fy0), std::swap(fx1, fy1);
    if (x1 < x0)
        std::swap(x0, x1), std::swap(y0, y1), std::swap(fx0, fx1), std::swap(fy0, fy1),
            std::swap(d0, d1);
    const Plotter plot{target, colour, yMajor, depth};
    const int64_t dx = std::max<int64_t>(static_cast<int64_t>(x1) - x0, 65536);
    const int64_t g = (static_cast<int64_t>(y1 - y0) * 65536) / dx;
    float run = fx1 - fx0;
    if (std::abs(run) < 1) run = 1;
    const double s = static_cast<double>((fy1 - fy0) / run);

    int first = 0, last = 0;
    int32_t firstMinor = 0, lastMinor = 0;
    drawEnd(plot, x0, y0, g, 0x10000 - ((x0 + 0x8000) & 0xFFFF), d0, first, firstMinor);
    drawEnd(plot, x1, y1, g, (x1 + 0x8000) & 0xFFFF, d1, last, lastMinor);

    const int steps = last - first - 1;
    if (steps <= 0) return;
    const int32_t depthStep = static_cast<int32_t>((static_cast<int64_t>(d1) - d0) / steps);
    int32_t d = d0;
    const int32_t minor = static_cast<int32_t>(firstMinor + g);
    if (!yMajor) {
        // The fraction as a counter in 1/0xFF0000 of a pixel.
        constexpr int32_t kOne = 0xFF0000;
        int row = minor >> 16;
        int32_t counter = (minor & 0xFFFF) << 8;
        const auto step = static_cast<int32_t>(std::nearbyint(s * kOne));
        for (int x = first + 1; x < last; ++x, d += depthStep) {
            const int w = std::clamp(counter >> 16, 0, 255);
            if (plot.inFront(x, row, d)) {
                plot.blend(x, row, 255 - w);
                plot.blend(x, row + 1, w);
            }
            counter += step;
            while (counter >= kOne)
                counter -= kOne, ++row;
            while (counter < 0)
                counter += kOne, --row;
        }
    } else {
        int64_t m = minor;
        for (int y = first + 1; y < last; ++y, d += depthStep, m += g) {
            const int col = static_cast<int>(m >> 16), w = static_cast<int>((m >> 8) & 0xFF);
            if (plot.inFront(y, col, d)) {
                plot.blend(y, col, 255 - w);
                plot.blend(y, col + 1, w);
            }
        }
    }
}

} // namespace

void drawLineAA(float x0, float y0, float x1, float y1, Image32& target, uint32_t colour) {
    drawLine(x0, y0, x1, y1, 0, 0, target, colour, nullptr);
}

void drawLineAAZ(float x0, float y0, float x1, float y1, int32_t depth0, int32_t depth1,
                 Image32& target, uint32_t colour, const int32_t* depthBuffer) {
    drawLine(x0, y0, x1, y1, depth0, depth1, target, colour, depthBuffer);
}

} // namespace draw2d
