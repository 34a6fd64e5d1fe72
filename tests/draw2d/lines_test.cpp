#include <gtest/gtest.h>

#include <vector>

#include "draw2d/lines.h"

using namespace draw2d;

namespace {

struct Canvas {
    Image32 image;
    explicit Canvas(uint32_t background = 0, int w = 64, int h = 32) {
        image.create(w, h);
        for (size_t i = 0; i < image.pixelCount(); ++i)
            image.pixels[i] = background;
    }
    uint32_t at(int x, int y) const { return image.pixels[y * image.width + x]; }
    int changed(uint32_t background) const {
        int n = 0;
        for (size_t i = 0; i < image.pixelCount(); ++i)
            n += image.pixels[i] != background;
        return n;
    }
};

} // namespace

TEST(Lines, ClippingToTheInnerBox) {
    Canvas c;
    drawLineAA(-5, 3, 0.5f, 20, c.image, 0xFFFFFF);
    EXPECT_EQ(c.changed(0), 0) << "both ends left of x = 1";
    drawLineAA(10, 40, 20, 35, c.image, 0xFFFFFF);
    EXPECT_EQ(c.changed(0), 0) << "both ends below";
    // Crossing the left edge: the line starts at x = 1, on the line.
    float x0 = -9, y0 = 0, x1 = 11, y1 = 20;
    ASSERT_TRUE(clipLine(x0, y0, x1, y1, 64, 32));
    EXPECT_FLOAT_EQ(x0, 1);
    EXPECT_FLOAT_EQ(y0, 10);
    EXPECT_FLOAT_EQ(x1, 11);
    EXPECT_FLOAT_EQ(y1, 20);
    // Past the bottom too: y clamped, x back on the line.
    x0 = 2, y0 = 2, x1 = 42, y1 = 42;
    ASSERT_TRUE(clipLine(x0, y0, x1, y1, 64, 32));
    EXPECT_FLOAT_EQ(y1, 30);
    EXPECT_FLOAT_EQ(x1, 30);
    // Whatever the ends, nothing is drawn outside the image.
    Canvas big(0, 16, 8);
    for (float a = -40; a < 40; a += 3.7f)
        drawLineAA(a, -a, 8 - a, 4 + a * 0.3f, big.image, 0xFFFFFF);
    drawLineAAZ(-100, -100, 100, 100, 5, 9, big.image, 0xFFFFFF,
                std::vector<int32_t>(16 * 8, 0).data());
    SUCCEED();
}

TEST(Lines, HorizontalHalfPixelWeights) {
    // At y = 10.5 every middle column gives row 10 weight 127 and row 11 weight 128.
    Canvas c(0x00102030);
    drawLineAA(5.0f, 10.5f, 40.0f, 10.5f, c.image, 0x00FFFFFF);
    for (int x = 6; x < 40; ++x) {
        ASSERT_EQ(c.at(x, 10), blendWeighted(0x00102030, 0x00FFFFFF, 127)) << x;
        ASSERT_EQ(c.at(x, 11), blendWeighted(0x00102030, 0x00FFFFFF, 128)) << x;
        ASSERT_EQ(c.at(x, 9), 0x00102030u);
        ASSERT_EQ(c.at(x, 12), 0x00102030u);
    }
    EXPECT_EQ(blendWeighted(0x00000000, 0x00FFFFFF, 128), 0x007F7F7Fu);
    EXPECT_EQ(blendWeighted(0x00FFFFFF, 0x00000000, 0), 0x00FEFEFEu);
}

TEST(Lines, DiagonalPairsShareTheColour) {
    // Over black, a weight v of white shows as v - 1 (v >= 1): each pair sums to 253 or 254.
    Canvas c;
    drawLineAA(4.2f, 3.3f, 24.2f, 23.3f, c.image, 0x00FFFFFF);
    int columns = 0;
    for (int x = 6; x < 23; ++x) {
        int sum = 0, lit = 0;
        for (int y = 0; y < 32; ++y) {
            const int b = static_cast<int>(c.at(x, y) & 255);
            sum += b, lit += b != 0;
        }
        ASSERT_LE(lit, 2) << x;
        ASSERT_GE(sum, 253) << x;
        ASSERT_LE(sum, 254) << x;
        ++columns;
    }
    EXPECT_EQ(columns, 17);
    // Steep lines pair horizontally.
    Canvas s;
    drawLineAA(10.3f, 2.0f, 14.3f, 28.0f, s.image, 0x00FFFFFF);
    for (int y = 4; y < 26; ++y) {
        int sum = 0;
        for (int x = 0; x < 64; ++x)
            sum += static_cast<int>(s.at(x, y) & 255);
        ASSERT_GE(sum, 253) << y;
        ASSERT_LE(sum, 254) << y;
    }
}

TEST(Lines, DepthFormTestsAndNeverWrites) {
    Canvas c;
    std::vector<int32_t> depth(64 * 32, 1000);
    drawLineAAZ(5, 5, 50, 20, 900, 990, c.image, 0xFFFFFF, depth.data());
    EXPECT_EQ(c.changed(0), 0) << "behind what is stored";
    drawLineAAZ(5, 5, 50, 20, 1500, 1600, c.image, 0xFFFFFF, depth.data());
    EXPECT_GT(c.changed(0), 60);
    for (int32_t d : depth)
        ASSERT_EQ(d, 1000);
    // In front for the first half only: the line stops part way.
    Canvas half;
    drawLineAAZ(2, 10, 60, 10, 500, 1500, half.image, 0xFFFFFF, depth.data());
    EXPECT_EQ(half.at(10, 10), 0u);
    EXPECT_NE(half.at(50, 10), 0u);
}
