#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/convert.h"

namespace {

uint16_t word(const std::vector<uint8_t>& b, size_t i) {
    return static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
}

std::vector<uint32_t> awkwardPixels(size_t n) {
    std::vector<uint32_t> v(n);
    uint32_t s = 12345;
    for (auto& p : v)
        s = s * 1664525u + 1013904223u, p = s; // top bytes set too
    return v;
}

} // namespace

TEST(Convert, EdgeValues) {
    // White; channels each below their field's step; green 0x04; a top byte that must vanish.
    const std::vector<uint32_t> src = {0x00FFFFFF, 0x00070307, 0x00000400,
                                       0xFF000000, 0x00F80000, 0x000000F8};
    std::vector<uint8_t> d15(src.size() * 2), d16(src.size() * 2), d24(src.size() * 3);
    display::convertTo15(d15.data(), src.data(), src.size());
    display::convertTo16(d16.data(), src.data(), src.size());
    display::convertTo24(d24.data(), src.data(), src.size());

    EXPECT_EQ(word(d15, 0), 0x7FFF);
    EXPECT_EQ(word(d16, 0), 0xFFFF);
    EXPECT_EQ(d24[0], 0xFF);
    EXPECT_EQ(d24[1], 0xFF);
    EXPECT_EQ(d24[2], 0xFF);

    EXPECT_EQ(word(d15, 1), 0);
    EXPECT_EQ(word(d16, 1), 0);

    EXPECT_EQ(word(d15, 2), 0);
    EXPECT_EQ(word(d16, 2), 0x0020);

    EXPECT_EQ(word(d15, 3), 0);
    EXPECT_EQ(word(d16, 3), 0);
    EXPECT_EQ(d24[9], 0);
    EXPECT_EQ(d24[10], 0);
    EXPECT_EQ(d24[11], 0);

    EXPECT_EQ(word(d15, 4), 0x7C00);
    EXPECT_EQ(word(d16, 4), 0xF800);
    EXPECT_EQ(word(d15, 5), 0x001F);
    EXPECT_EQ(word(d16, 5), 0x001F);
}

TEST(Convert, FastPathsMatchTheReferenceAtEveryLengthAndOffset) {
    const auto src = awkwardPixels(600);
    for (size_t start : {0u, 1u, 3u}) {
        for (size_t n : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 33u, 511u, 596u}) {
            std::vector<uint8_t> fast(n * 3 + 16, 0xAA), ref(n * 3 + 16, 0xAA);
            display::convertTo15(fast.data(), src.data() + start, n);
            display::reference::convertTo15(ref.data(), src.data() + start, n);
            ASSERT_EQ(fast, ref) << "15 bits, n=" << n;
            display::convertTo16(fast.data(), src.data() + start, n);
            display::reference::convertTo16(ref.data(), src.data() + start, n);
            ASSERT_EQ(fast, ref) << "16 bits, n=" << n;
            display::convertTo24(fast.data(), src.data() + start, n);
            display::reference::convertTo24(ref.data(), src.data() + start, n);
            ASSERT_EQ(fast, ref) << "24 bits, n=" << n; // and nothing written past the end
        }
    }
}

TEST(Convert, DepthDispatchAndLayouts) {
    const uint32_t px[2] = {0x00123456, 0x00ABCDEF};
    uint8_t out[8] = {};
    EXPECT_TRUE(display::convertToDepth(32, out, px, 2));
    EXPECT_EQ(std::memcmp(out, px, 8), 0);
    EXPECT_FALSE(display::convertToDepth(8, out, px, 2));
    EXPECT_EQ(display::bytesPerPixel(15), 2);
    EXPECT_EQ(display::bytesPerPixel(24), 3);
    EXPECT_EQ(display::bytesPerPixel(8), 0);

    EXPECT_EQ(display::layoutFromGreenMask(0x07E0), 16);
    EXPECT_EQ(display::layoutFromGreenMask(0x03E0), 15);
    EXPECT_EQ(display::layoutFromGreenMask(0x0000FF00), 0);
    EXPECT_EQ(display::layoutFromGreenMask(0x07C0), 0);
}
