#include <gtest/gtest.h>

#include <random>

#include "draw2d/draw2d.h"
#include "tests/draw2d/reference.h"

using namespace draw2d;

namespace {

constexpr int kDstW = 61, kDstH = 47;

struct Rng {
    std::mt19937 gen{20261208};
    int in(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
    uint32_t word() { return static_cast<uint32_t>(gen()); }
    float scale() { return std::uniform_real_distribution<float>(0.3f, 3.0f)(gen); }
};

void randomise(Image32& image, Rng& rng, int w, int h, bool topByte = true) {
    image.create(w, h);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.pixels[i] = topByte ? rng.word() : rng.word() & 0xFFFFFF;
}

void randomise(Image8& image, Rng& rng, int w, int h) {
    image.create(w, h);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.indices[i] = static_cast<uint8_t>(rng.in(0, 255));
    for (auto& c : image.palette)
        c = rng.word();
}

ref::Canvas canvasOf(const Image32& image) {
    return {image.width, image.height, {image.pixels, image.pixels + image.pixelCount()}};
}

std::vector<uint32_t> pixelsOf(const Image32& image) {
    return {image.pixels, image.pixels + image.pixelCount()};
}

ref::Fetch fetch(const Image32& s) {
    return [&s](int64_t c, int64_t r) { return s.pixels[r * s.width + c]; };
}
ref::Fetch fetch(const Image8& s) {
    return [&s](int64_t c, int64_t r) { return s.palette[s.indices[r * s.width + c]]; };
}

// Random placements that overhang every side of the destination in turn.
void place(int& x, int& y, int w, int h, Rng& rng) {
    x = rng.in(-w - 4, kDstW + 4);
    y = rng.in(-h - 4, kDstH + 4);
}

} // namespace

TEST(Blend, EdgeValues) {
    Image32 src, dst;
    src.create(2, 1), dst.create(2, 1);
    auto once = [&](uint32_t s, uint32_t d, auto op) {
        src.pixels[0] = src.pixels[1] = s;
        dst.pixels[0] = dst.pixels[1] = d;
        op();
        return dst.pixels[0];
    };
    EXPECT_EQ(once(0x00C08040, 0x00808080, [&] { drawTransAdd(src, dst); }), 0x00FFFFC0u);
    // a = 0 keeps (d * 255) >> 8 of the destination: one step darker per non-zero channel.
    EXPECT_EQ(once(0x00FFFFFF, 0x00123456, [&] { drawAlpha(src, dst, 0); }), 0x00113355u);
    EXPECT_EQ(once(0x00FFFFFF, 0x00000000, [&] { drawAlpha(src, dst, 0); }), 0u);
    EXPECT_EQ(once(0x000000FF, 0x00000000, [&] { drawAlpha(src, dst, 128); }), 127u);
    EXPECT_EQ(once(0x00FFFFFF, 0x00000000, [&] { drawAlpha(src, dst, 255 + 256); }), 0x00FEFEFEu);
    EXPECT_EQ(once(0x00010101, 0x00010101, [&] { drawTransDivClip(src, dst); }), 0x00010101u);
    EXPECT_EQ(once(0x00010101, 0x00010101, [&] { drawTransDiv(src, dst); }), 0u);
    // By halves, the fourth byte's lowest bit reaches red's highest.
    EXPECT_EQ(once(0x01000000, 0x00000000, [&] { drawTransDiv(src, dst); }), 0x00800000u);
}

TEST(Blit, ScaledDrawCoversItsBlockAroundTheCentre) {
    Image32 src, dst;
    src.create(64, 64);
    fill(src, 0x00FFFFFF);
    dst.create(200, 200);
    src.x = src.y = 100;
    drawNormalZoom(src, dst, 2.0f, 2.0f);
    int minX = 999, minY = 999, maxX = -1, maxY = -1, n = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (dst.pixels[y * 200 + x])
                minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x),
                maxY = std::max(maxY, y), ++n;
    EXPECT_EQ(minX, 84);
    EXPECT_EQ(minY, 84);
    EXPECT_EQ(maxX, 115);
    EXPECT_EQ(maxY, 115);
    EXPECT_EQ(n, 32 * 32);
}

TEST(Blit, AClippedWideImageShowsItsMiddleUnsheared) {
    Image32 src, dst;
    src.create(30, 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 30; ++c)
            src.pixels[r * 30 + c] = static_cast<uint32_t>(r * 100 + c);
    dst.create(10, 3);
    src.x = -10;
    drawNormalClip(src, dst);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(dst.pixels[r * 10 + c], static_cast<uint32_t>(r * 100 + c + 10));
}

TEST(Blit, EveryOperationMatchesItsReferenceAtRandomPlacements) {
    Rng rng;
    using Draw32 = std::function<void(const Image32&, Image32&, float, float, int)>;
    using Draw8 = std::function<void(const Image8&, Image32&, float, float, int)>;
    struct Case32 {
        const char* name;
        bool isScaled;
        Draw32 draw;
        std::function<ref::PixelOp(int)> op;
    };
    struct Case8 {
        const char* name;
        bool isScaled;
        Draw8 draw;
        std::function<ref::PixelOp(int)> op;
    };
    auto b = [](ref::ByteOp o) { return [o](int) { return ref::bytes(o); }; };
    const auto copy = [](int) { return ref::PixelOp([](uint32_t, uint32_t s) { return s; }); };
    const auto halves = [](int) { return ref::PixelOp(ref::halves); };
    const auto alpha = [](int a) { return ref::bytes(ref::alpha(a)); };
    const auto alphaAdd = [](int a) { return ref::bytes(ref::alphaAdd(a)); };
    const auto alphaSub = [](int a) { return ref::bytes(ref::alphaSub(a)); };
    const std::vector<Case32> cases32 = {
        {"drawNormal", false, [](auto& s, auto& d, float, float, int) { drawNormal(s, d); }, copy},
        {"drawNormalClip", false, [](auto& s, auto& d, float, float, int) { drawNormalClip(s, d); },
         copy},
        {"drawNormalZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawNormalZoom(s, d, x, y); }, copy},
        {"drawNormalZoomClip", true,
         [](auto& s, auto& d, float x, float y, int) { drawNormalZoomClip(s, d, x, y); }, copy},
        {"drawTransAdd", false, [](auto& s, auto& d, float, float, int) { drawTransAdd(s, d); },
         b(ref::add())},
        {"drawTransAddClip", false,
         [](auto& s, auto& d, float, float, int) { drawTransAddClip(s, d); }, b(ref::add())},
        {"drawTransAddZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransAddZoom(s, d, x, y); },
         b(ref::add())},
        {"drawTransAddZoomClip", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransAddZoomClip(s, d, x, y); },
         b(ref::add())},
        {"drawTransDiv", false, [](auto& s, auto& d, float, float, int) { drawTransDiv(s, d); },
         halves},
        {"drawTransDivClip", false,
         [](auto& s, auto& d, float, float, int) { drawTransDivClip(s, d); }, b(ref::exact())},
        {"drawTransDivZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransDivZoom(s, d, x, y); }, halves},
        {"drawTransDivZoomClip", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransDivZoomClip(s, d, x, y); }, halves},
        {"drawAlpha", false, [](auto& s, auto& d, float, float, int a) { drawAlpha(s, d, a); },
         alpha},
        {"drawAlphaClip", false,
         [](auto& s, auto& d, float, float, int a) { drawAlphaClip(s, d, a); }, alpha},
        {"drawAlphaZoom", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaZoom(s, d, x, y, a); }, alpha},
        {"drawAlphaZoomClip", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaZoomClip(s, d, x, y, a); },
         alpha},
        {"drawAlphaTransAdd", false,
         [](auto& s, auto& d, float, float, int a) { drawAlphaTransAdd(s, d, a); }, alphaAdd},
        {"drawAlphaTransAddZoom", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaTransAddZoom(s, d, x, y, a); },
         alphaAdd},
        {"drawAlphaTransAddZoomClip", true,
         [](auto& s, auto& d, float x, float y, int a) {
             drawAlphaTransAddZoomClip(s, d, x, y, a);
         },
         alphaAdd},
        {"drawAlphaTransSubZoomClip", true,
         [](auto& s, auto& d, float x, float y, int a) {
             drawAlphaTransSubZoomClip(s, d, x, y, a);
         },
         alphaSub},
    };
    const std::vector<Case8> cases8 = {
        {"drawNormal", false, [](auto& s, auto& d, float, float, int) { drawNormal(s, d); }, copy},
        {"drawNormalClip", false, [](auto& s, auto& d, float, float, int) { drawNormalClip(s, d); },
         copy},
        {"drawNormalZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawNormalZoom(s, d, x, y); }, copy},
        {"drawNormalZoomClip", true,
         [](auto& s, auto& d, float x, float y, int) { drawNormalZoomClip(s, d, x, y); }, copy},
        {"drawTransAdd", false, [](auto& s, auto& d, float, float, int) { drawTransAdd(s, d); },
         b(ref::add())},
        {"drawTransAddClip", false,
         [](auto& s, auto& d, float, float, int) { drawTransAddClip(s, d); }, b(ref::add())},
        {"drawTransAddZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransAddZoom(s, d, x, y); },
         b(ref::add())},
        {"drawTransDiv", false, [](auto& s, auto& d, float, float, int) { drawTransDiv(s, d); },
         halves},
        {"drawTransDivClip", false,
         [](auto& s, auto& d, float, float, int) { drawTransDivClip(s, d); }, halves},
        {"drawTransDivZoom", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransDivZoom(s, d, x, y); }, halves},
        {"drawTransDivZoomClip", true,
         [](auto& s, auto& d, float x, float y, int) { drawTransDivZoomClip(s, d, x, y); }, halves},
        {"drawAlpha", false, [](auto& s, auto& d, float, float, int a) { drawAlpha(s, d, a); },
         alpha},
        {"drawAlphaClip", false,
         [](auto& s, auto& d, float, float, int a) { drawAlphaClip(s, d, a); }, alpha},
        {"drawAlphaZoom", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaZoom(s, d, x, y, a); }, alpha},
        {"drawAlphaZoomClip", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaZoomClip(s, d, x, y, a); },
         alpha},
        {"drawAlphaTransAddZoom", true,
         [](auto& s, auto& d, float x, float y, int a) { drawAlphaTransAddZoom(s, d, x, y, a); },
         alphaAdd},
        {"drawAlphaTransAddZoomClip", true,
         [](auto& s, auto& d, float x, float y, int a) {
             drawAlphaTransAddZoomClip(s, d, x, y, a);
         },
         alphaAdd},
    };
    for (int trial = 0; trial < 60; ++trial) {
        const int w = rng.in(1, 40), h = rng.in(1, 40), a = rng.in(0, 600);
        const float sx = rng.scale(), sy = rng.scale();
        Image32 src32, dst;
        Image8 src8;
        randomise(src32, rng, w, h);
        randomise(src8, rng, w, h);
        randomise(dst, rng, kDstW, kDstH);
        place(src32.x, src32.y, w, h, rng);
        src8.x = src32.x, src8.y = src32.y;
        for (const auto& c : cases32) {
            Image32 out;
            out.create(kDstW, kDstH);
            dst.copyTo(out);
            ref::Canvas expect = canvasOf(dst);
            c.draw(src32, out, sx, sy, a);
            if (c.isScaled)
                ref::scaled(expect, w, h, src32.x, src32.y, sx, sy, fetch(src32), c.op(a));
            else
                ref::unscaled(expect, w, h, src32.x, src32.y, fetch(src32), c.op(a));
            ASSERT_EQ(pixelsOf(out), expect.pixels) << "Image32 " << c.name << " trial " << trial;
        }
        for (const auto& c : cases8) {
            Image32 out;
            out.create(kDstW, kDstH);
            dst.copyTo(out);
            ref::Canvas expect = canvasOf(dst);
            c.draw(src8, out, sx, sy, a);
            if (c.isScaled)
                ref::scaled(expect, w, h, src8.x, src8.y, sx, sy, fetch(src8), c.op(a));
            else
                ref::unscaled(expect, w, h, src8.x, src8.y, fetch(src8), c.op(a));
            ASSERT_EQ(pixelsOf(out), expect.pixels) << "Image8 " << c.name << " trial " << trial;
        }
        {
            Image32 out;
            out.create(kDstW, kDstH);
            dst.copyTo(out);
            ref::Canvas expect = canvasOf(dst);
            drawTransAddZoomClip(src8, out, sx, sy);
            // Reads may run one column and one row past the picture: the plain offset rule.
            ref::indexedAdd2012(expect, w, h, src8.x, src8.y, sx, sy, [&](int64_t c, int64_t r) {
                return src8.palette[src8.indices[r * w + c]];
            });
            ASSERT_EQ(pixelsOf(out), expect.pixels)
                << "Image8 drawTransAddZoomClip trial " << trial;
        }
        {
            Image32 out;
            out.create(kDstW, kDstH);
            dst.copyTo(out);
            std::vector<uint8_t> mask(kDstW * kDstH);
            for (auto& m : mask)
                m = static_cast<uint8_t>(rng.in(0, 255));
            ref::Canvas expect = canvasOf(dst);
            drawMaskedAddZoomClip(src8, out, mask.data(), sx, sy);
            // The mask byte belongs to the destination pixel: recover it from the canvas.
            ref::Canvas marks{kDstW, kDstH, std::vector<uint32_t>(kDstW * kDstH)};
            for (size_t i = 0; i < marks.pixels.size(); ++i)
                marks.pixels[i] = static_cast<uint32_t>(i);
            ref::Canvas where = marks;
            ref::scaled(
                where, w, h, src8.x, src8.y, sx, sy,
                [&](int64_t c, int64_t r) {
                    return static_cast<uint32_t>(r * w + c) | 0x80000000u;
                },
                [](uint32_t, uint32_t s) { return s; });
            for (size_t i = 0; i < where.pixels.size(); ++i) {
                if (!(where.pixels[i] & 0x80000000u)) continue;
                const uint32_t s = src8.palette[src8.indices[where.pixels[i] & 0x7FFFFFFF]];
                expect.pixels[i] = ref::perByte(expect.pixels[i], s, [m = mask[i]](int d, int v) {
                    return std::min(d + ((v * m) >> 8), 255);
                });
            }
            ASSERT_EQ(pixelsOf(out), expect.pixels) << "drawMaskedAddZoomClip trial " << trial;
        }
    }
}

TEST(Blit, BadScalesDrawNothing) {
    Image32 src, dst;
    src.create(8, 8);
    fill(src, 0xFFFFFF);
    dst.create(16, 16);
    for (float s : {0.0f, -1.0f, 1.0e-9f, std::nanf(""), 100.0f}) {
        drawNormalZoomClip(src, dst, s, 1.0f);
        spriteBilAdd(dst, src, 8, 8, s, s);
    }
    for (size_t i = 0; i < dst.pixelCount(); ++i)
        ASSERT_EQ(dst.pixels[i], 0u);
}

// Rows far wider than sixteen pixels, drawn at every step from enlarging to a ninth: the
// scaled draws that enlarge pick their pixels from windows of 32 of the row, their last
// ones at the row's end.
TEST(Blit, ScaledDrawsOfWideRowsMatchTheReference) {
    Rng rng;
    constexpr int kW = 700, kH = 12;
    for (int trial = 0; trial < 40; ++trial) {
        const int w = rng.in(100, 300), h = rng.in(1, 6);
        const float sx = std::uniform_real_distribution<float>(0.2f, 9.0f)(rng.gen),
                    sy = rng.scale();
        Image32 src32, dst;
        Image8 src8;
        randomise(src32, rng, w, h);
        randomise(src8, rng, w, h);
        randomise(dst, rng, kW, kH);
        src32.x = src8.x = rng.in(-w, kW + w / 2), src32.y = src8.y = rng.in(0, kH);
        auto expectFrom = [&]() { return ref::Canvas{kW, kH, pixelsOf(dst)}; };
        Image32 out;
        out.create(kW, kH);
        dst.copyTo(out);
        ref::Canvas expect = expectFrom();
        drawNormalZoomClip(src32, out, sx, sy);
        ref::scaled(expect, w, h, src32.x, src32.y, sx, sy, fetch(src32),
                    [](uint32_t, uint32_t s) { return s; });
        ASSERT_EQ(pixelsOf(out), expect.pixels) << "Image32 trial " << trial << " sx " << sx;

        dst.copyTo(out);
        expect = expectFrom();
        drawNormalZoomClip(src8, out, sx, sy);
        ref::scaled(expect, w, h, src8.x, src8.y, sx, sy, fetch(src8),
                    [](uint32_t, uint32_t s) { return s; });
        ASSERT_EQ(pixelsOf(out), expect.pixels) << "Image8 trial " << trial << " sx " << sx;

        dst.copyTo(out);
        expect = expectFrom();
        drawTransAddZoomClip(src8, out, sx, sy);
        ref::indexedAdd2012(expect, w, h, src8.x, src8.y, sx, sy, [&](int64_t c, int64_t r) {
            return src8.palette[src8.indices[r * w + c]];
        });
        ASSERT_EQ(pixelsOf(out), expect.pixels)
            << "Image8 drawTransAddZoomClip trial " << trial << " sx " << sx;
    }
}
