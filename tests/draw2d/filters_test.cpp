#include <gtest/gtest.h>

#include <random>

#include "draw2d/draw2d.h"
#include "tests/draw2d/reference.h"

using namespace draw2d;

namespace {

std::mt19937 rng(77);
uint32_t word() {
    return static_cast<uint32_t>(rng());
}

void randomise(Image32& image, int w, int h) {
    image.create(w, h);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.pixels[i] = word();
}

std::vector<uint32_t> pixelsOf(const Image32& image) {
    return {image.pixels, image.pixels + image.pixelCount()};
}

} // namespace

TEST(Filters, FillAddAndSubtract) {
    Image32 image;
    randomise(image, 7, 3); // 21 pixels: the last one is past the four-pixel steps
    const auto before = pixelsOf(image);
    addColour(image, 0x00FFFFFF);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(image.pixels[i] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixels[20], before[20]);
    fill(image, 0);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        EXPECT_EQ(image.pixels[i], 0u);

    randomise(image, 8, 2);
    const auto orig = pixelsOf(image);
    subColour(image, 0x40302010);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(image.pixels[i], ref::perByte(orig[i], 0x40302010, ref::sub()));

    Image8 idx;
    idx.create(4, 1);
    idx.indices[0] = 250, idx.indices[1] = 3;
    addColour(idx, 0x110);
    EXPECT_EQ(idx.indices[0], 255);
    EXPECT_EQ(idx.indices[1], 0x13);
    subColour(idx, 0x20);
    EXPECT_EQ(idx.indices[1], 0);
    fill(idx, 0x1234);
    EXPECT_EQ(idx.indices[3], 0x34);
}

TEST(Filters, IndexedAddAndSubtract) {
    Image32 image;
    randomise(image, 9, 5);
    Image8 idx;
    idx.create(9, 5);
    for (size_t i = 0; i < idx.pixelCount(); ++i)
        idx.indices[i] = static_cast<uint8_t>(word());
    for (auto& c : idx.palette)
        c = word();
    const auto orig = pixelsOf(image);
    addIndexed(image, idx);
    for (size_t i = 0; i < orig.size(); ++i)
        ASSERT_EQ(image.pixels[i], ref::perByte(orig[i], idx.palette[idx.indices[i]], ref::add()));
    const auto added = pixelsOf(image);
    subIndexed(image, idx);
    for (size_t i = 0; i < orig.size(); ++i)
        ASSERT_EQ(image.pixels[i], ref::perByte(added[i], idx.palette[idx.indices[i]], ref::sub()));

    Image8 small;
    small.create(3, 2);
    for (size_t i = 0; i < small.pixelCount(); ++i)
        small.indices[i] = static_cast<uint8_t>(i + 1);
    for (auto& c : small.palette)
        c = 0x01010101;
    small.x = 7, small.y = 4; // overhangs right and bottom
    const auto at = pixelsOf(image);
    subIndexedAt(image, small);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 7 && y >= 4;
            const uint32_t want =
                inside ? ref::perByte(at[y * 9 + x], 0x01010101, ref::sub()) : at[y * 9 + x];
            ASSERT_EQ(image.pixels[y * 9 + x], want) << x << "," << y;
        }
}

TEST(Filters, BlurRunsInPlaceWithTheBlurredNeighboursAboveAndLeft) {
    for (auto [w, h] : {std::pair{512, 6}, std::pair{511, 3}, std::pair{1, 1}}) {
        Image32 image;
        randomise(image, w, h);
        // The reference reads the same memory the blur does, guards included.
        const size_t guard = Image32::guardPixels(w);
        std::vector<uint32_t> mem(image.pixels - guard, image.pixels + image.pixelCount() + guard);
        uint32_t* p = mem.data() + guard;
        const int offsets[8] = {-513, -512, -511, -1, 1, 511, 512, 513};
        for (size_t i = 0; i < image.pixelCount(); ++i) {
            uint32_t out = 0;
            for (int k = 0; k < 4; ++k) {
                int sum = 0;
                for (int o : offsets)
                    sum += ref::byteOf(p[static_cast<ptrdiff_t>(i) + o], k);
                out |= static_cast<uint32_t>(std::min(sum >> 3, 255)) << (8 * k);
            }
            p[i] = out;
        }
        blur(image);
        EXPECT_EQ(pixelsOf(image), std::vector<uint32_t>(p, p + image.pixelCount()))
            << w << " x " << h;
    }
}

TEST(Filters, BoxBlurRowsAveragesTheWindowAndDarkensTheEnds) {
    for (int n : {1, 2, 3, 7, 60, 64, 100, 128}) {
        Image32 image;
        randomise(image, 512, 3);
        const auto orig = pixelsOf(image);
        boxBlurRows(image, n);
        int top = 0;
        while ((2 << top) <= n)
            ++top;
        const int shift = top + 8;
        const double q = static_cast<double>(1 << shift) / n;
        const int recip = static_cast<int>(q) + (q - static_cast<int>(q) > 0.5 ? 1 : 0);
        for (int r = 0; r < 3; ++r) {
            std::vector<uint32_t> line(512 + n, 0);
            for (int i = n; i < 512; ++i)
                line[i] = orig[r * 512 + n / 2 + (i - n)];
            for (int i = 0; i < 512; ++i) {
                uint32_t want = 0;
                for (int k = 0; k < 4; ++k) {
                    int sum = 0;
                    for (int j = i; j < i + n; ++j)
                        sum += ref::byteOf(line[j], k);
                    want |= static_cast<uint32_t>(std::min((sum * recip) >> shift, 255)) << (8 * k);
                }
                ASSERT_EQ(image.pixels[r * 512 + i], want)
                    << "n " << n << " row " << r << " pixel " << i;
            }
        }
        if (n == 1) {
            for (int i = 1; i < 512; ++i)
                ASSERT_EQ(image.pixels[i], orig[i - 1]);
        }
    }
    Image32 narrow;
    randomise(narrow, 256, 2);
    const auto before = pixelsOf(narrow);
    boxBlurRows(narrow, 5); // rows are 512 pixels: anything else is left alone
    boxBlurRows(narrow, 0);
    EXPECT_EQ(pixelsOf(narrow), before);
}

TEST(Filters, CrossfadeThroughAMask) {
    Image32 a, b, out;
    randomise(a, 13, 4);
    randomise(b, 13, 4);
    out.create(13, 4);
    Image8 mask;
    mask.create(13, 4);
    for (size_t i = 0; i < mask.pixelCount(); ++i)
        mask.indices[i] = static_cast<uint8_t>(word());
    mask.indices[0] = 0, mask.indices[1] = 255;
    crossfadeMasked(out, b, a, mask);
    for (size_t i = 0; i < out.pixelCount(); ++i) {
        const int m = mask.indices[i];
        uint32_t want = 0;
        for (int k = 0; k < 3; ++k)
            want |= static_cast<uint32_t>((ref::byteOf(b.pixels[i], k) * m +
                                           ref::byteOf(a.pixels[i], k) * (255 - m)) >>
                                          8)
                    << (8 * k);
        ASSERT_EQ(out.pixels[i], want) << i;
    }
}
