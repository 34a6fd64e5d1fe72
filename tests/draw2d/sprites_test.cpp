#include <gtest/gtest.h>

#include <cmath>

#include <random>

#include "draw2d/draw2d.h"
#include "tests/draw2d/reference.h"

using namespace draw2d;

namespace {

std::mt19937 gen(4242);
uint32_t word() {
    return static_cast<uint32_t>(gen());
}
float uniform(float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(gen);
}

std::vector<uint32_t> pixelsOf(const Image32& image) {
    return {image.pixels, image.pixels + image.pixelCount()};
}

// Reads the memory of an image by offset from its first pixel, guards included.
ref::Memory memoryOf(const Image32& image) {
    return [&image](int64_t offset) { return image.pixels[offset]; };
}

} // namespace

TEST(Sprites, WholePixelSamplingAtScaleOne) {
    Image32 src, dst;
    src.create(4, 4);
    for (int i = 0; i < 16; ++i)
        src.pixels[i] = static_cast<uint32_t>(i + 1);
    dst.create(10, 10);
    spriteBilAdd(dst, src, 5.0f, 5.0f, 1.0f, 1.0f);
    // Block (i, j) at (3 + i, 3 + j) adds source (i + 1, j + 1) unfiltered; the last column
    // reads the first pixel of the next source row, the last row the zero guard.
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const int offset = (j + 1) * 4 + (i + 1);
            const uint32_t want = offset < 16 ? static_cast<uint32_t>(offset + 1) : 0u;
            EXPECT_EQ(dst.pixels[(3 + j) * 10 + 3 + i], want) << i << "," << j;
        }
}

TEST(Sprites, DepthTestedAddLeavesNearerPixels) {
    Image32 src, dst;
    src.create(8, 8);
    fill(src, 0x00404040);
    dst.create(8, 8);
    std::vector<int32_t> depth(64, 100);
    depth[3 * 8 + 3] = 500;
    depth[3 * 8 + 4] = 499;
    spriteBilAddDepth(dst, src, 4.0f, 4.0f, 1.0f, 1.0f, 500, depth.data());
    EXPECT_EQ(dst.pixels[3 * 8 + 3], 0u);          // equal depth: not drawn
    EXPECT_EQ(dst.pixels[3 * 8 + 4], 0x00404040u); // behind the sprite: drawn
}

TEST(Sprites, EveryModeMatchesTheReferenceAtRandomPositionsAndScales) {
    for (int trial = 0; trial < 150; ++trial) {
        const int w = 2 + static_cast<int>(word() % 40), h = 2 + static_cast<int>(word() % 40);
        Image32 src, dst;
        src.create(w, h);
        for (size_t i = 0; i < src.pixelCount(); ++i)
            src.pixels[i] = word() & 0x00FFFFFF;
        dst.create(70, 90);
        for (size_t i = 0; i < dst.pixelCount(); ++i)
            dst.pixels[i] = word();
        Image8 src8;
        src8.create(w, h);
        for (size_t i = 0; i < src8.pixelCount(); ++i)
            src8.indices[i] = static_cast<uint8_t>(word());
        for (auto& c : src8.palette)
            c = word();
        std::vector<int32_t> depth(dst.pixelCount());
        for (auto& d : depth)
            d = static_cast<int32_t>(word() % 1000);
        float x = uniform(-30, 100), y = uniform(-30, 120), sx = uniform(0.25f, 4.0f),
              sy = uniform(0.25f, 4.0f);
        if (trial % 4 == 0)
            x = std::round(x), y = std::round(y), sx = sy = 1; // whole positions at scale 1
        const int a = static_cast<int>(word() % 300), z = static_cast<int>(word() % 1000);

        auto check = [&](const char* name, auto draw, ref::SpriteOp op, bool band = false,
                         bool indexed = false) {
            Image32 out;
            out.create(dst.width, dst.height);
            dst.copyTo(out);
            ref::Canvas expect{dst.width, dst.height, pixelsOf(dst)};
            draw(out);
            if (indexed)
                ref::sprite(
                    expect, 0, dst.height, w, h, x, y, sx, sy,
                    [&](int64_t o) {
                        const auto end =
                            static_cast<int64_t>(src8.pixelCount() + src8.guardBytes());
                        return o < end ? static_cast<uint32_t>(src8.indices[o]) : 0u;
                    },
                    op, true, [&](int i) { return src8.palette[static_cast<size_t>(i)]; });
            else
                ref::sprite(expect, band ? 30 : 0, band ? dst.height - 50 : dst.height, w, h, x, y,
                            sx, sy, memoryOf(src), op);
            ASSERT_EQ(pixelsOf(out), expect.pixels)
                << name << " trial " << trial << " at " << x << "," << y << " scale " << sx << ","
                << sy << " size " << w << "x" << h;
        };
        const auto addOp = [](uint32_t d, uint32_t f, size_t) {
            return ref::perByte(d, f, ref::add());
        };
        check(
            "spriteBilAdd", [&](Image32& o) { spriteBilAdd(o, src, x, y, sx, sy); }, addOp);
        check(
            "spriteBilAlphaAdd", [&](Image32& o) { spriteBilAlphaAdd(o, src, x, y, sx, sy, a); },
            [&](uint32_t d, uint32_t f, size_t) { return ref::perByte(d, f, ref::alphaAdd(a)); });
        check(
            "spriteBilAlphaSub", [&](Image32& o) { spriteBilAlphaSub(o, src, x, y, sx, sy, a); },
            [&](uint32_t d, uint32_t f, size_t) { return ref::perByte(d, f, ref::alphaSub(a)); });
        check(
            "spriteBilAddDepth",
            [&](Image32& o) { spriteBilAddDepth(o, src, x, y, sx, sy, z, depth.data()); },
            [&](uint32_t d, uint32_t f, size_t at) {
                return z > depth[at] ? ref::perByte(d, f, ref::add()) : d;
            });
        check(
            "spriteBilAlphaAddBand",
            [&](Image32& o) { spriteBilAlphaAddBand(o, src, x, y, sx, sy, a); },
            [&](uint32_t d, uint32_t f, size_t) { return ref::perByte(d, f, ref::alphaAdd(a)); },
            true);
        check(
            "spriteBilAddIndexed", [&](Image32& o) { spriteBilAddIndexed(o, src8, x, y, sx, sy); },
            addOp, false, true);
    }
}
