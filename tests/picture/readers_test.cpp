#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "picture/image32.h"
#include "picture/image8.h"
#include "platform/headless_host.h"
#include "platform/message_box.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"

using namespace picture;
using writers::Bytes;

namespace {

// Boxes go to a headless host so a test can read them.
struct Boxes {
    Boxes() { platform::setMessageBoxHost(&host); }
    ~Boxes() { platform::setMessageBoxHost(nullptr); }
    platform::HeadlessHost host{{}};
};

std::vector<uint32_t> pattern(int w, int h, uint32_t seed = 7) {
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (auto& v : p)
        seed = seed * 1103515245u + 12345u, v = (seed >> 8) & 0xFFFFFF;
    return p;
}

std::vector<uint32_t> pixelsOf(const Image32& image) {
    return {image.pixels, image.pixels + image.pixelCount()};
}

LoadResult load32(const std::string& name, const Bytes& bytes, LoadedImage32& image) {
    EXPECT_TRUE(writers::writeBytes(name, bytes));
    return image.load(name);
}

LoadResult load8(const std::string& name, const Bytes& bytes, Image8& image) {
    EXPECT_TRUE(writers::writeBytes(name, bytes));
    return image.load(name);
}

writers::Palette256 rampPalette() {
    writers::Palette256 p{};
    for (uint32_t i = 0; i < 256; ++i)
        p[i] = (i << 16) | ((255 - i) << 8) | (i * 7 & 0xFF);
    return p;
}

} // namespace

TEST(Readers, ExtensionIsTheLastThreeCharactersInAnyCase) {
    testing_files::TempDir dir("readers_ext");
    const auto px = pattern(16, 8);
    const Bytes jpeg = writers::encodeJpeg(px.data(), 16, 8, 90);
    LoadedImage32 a, b, c, d, e;
    ASSERT_EQ(load32("a.jpg", jpeg, a), kLoaded);
    ASSERT_EQ(load32("b.JPG", jpeg, b), kLoaded);
    ASSERT_EQ(load32("c.Jpg", jpeg, c), kLoaded);
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    EXPECT_EQ(pixelsOf(a), pixelsOf(c));
    EXPECT_EQ(load32("d.jpeg", jpeg, d), kExtensionNotSupported);
    EXPECT_EQ(e.load("missing.tga"), kCannotOpen);
    EXPECT_EQ(upperExtension("ab"), "");
    Image8 i8;
    EXPECT_EQ(i8.load("a.jpg"), kExtensionNotSupported);
}

TEST(Readers, TgaAndBmpOfOnePictureGiveTheSamePixels) {
    testing_files::TempDir dir("readers_tga_bmp");
    for (int w : {1, 2, 3, 13, 64}) {
        const int h = 5;
        const auto px = pattern(w, h, static_cast<uint32_t>(w));
        LoadedImage32 bmp, raw, rle;
        ASSERT_EQ(load32("p.bmp", writers::encodeBmp24(px.data(), w, h), bmp), kLoaded);
        ASSERT_EQ(load32("p.tga", writers::encodeTga24(px.data(), w, h, false), raw), kLoaded);
        ASSERT_EQ(load32("q.tga", writers::encodeTga24(px.data(), w, h, true), rle), kLoaded);
        EXPECT_EQ(pixelsOf(bmp), px) << w;
        EXPECT_EQ(pixelsOf(raw), px) << w;
        EXPECT_EQ(pixelsOf(rle), px) << w;
    }
}

TEST(Readers, TopDownTgaLoadsUpsideDown) {
    testing_files::TempDir dir("readers_topdown");
    const auto px = pattern(4, 3);
    LoadedImage32 image;
    ASSERT_EQ(load32("t.tga", writers::encodeTga24(px.data(), 4, 3, false, true), image), kLoaded);
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(image.pixels[r * 4 + i], px[(2 - r) * 4 + i]);
}

TEST(Readers, RunLengthTgaStopsAtTheLastPixelAndAtTheEndOfItsData) {
    testing_files::TempDir dir("readers_rle");
    // 2 x 2, type 10: one packet of 3 red pixels, then a packet of 100 green ones.
    Bytes t = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
    t.insert(t.end(), {130, 0, 0, 255, 227, 0, 255, 0});
    LoadedImage32 image;
    ASSERT_EQ(load32("r.tga", t, image), kLoaded);
    // File rows bottom-up: the bottom row is red, red; the top row red, green.
    EXPECT_EQ(image.pixels[2], 0xFF0000u);
    EXPECT_EQ(image.pixels[3], 0xFF0000u);
    EXPECT_EQ(image.pixels[0], 0xFF0000u);
    EXPECT_EQ(image.pixels[1], 0x00FF00u);
    // A literal packet that promises more pixels than the file holds: refused, nothing kept.
    Bytes cut = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0, 3, 1, 2, 3};
    LoadedImage32 partial;
    EXPECT_EQ(load32("c.tga", cut, partial), kDamaged);
    EXPECT_EQ(partial.width, 0);
    // Packets that end one pixel short, in either reader.
    Bytes shortRun = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0, 130, 0, 0, 255};
    EXPECT_EQ(load32("s.tga", shortRun, partial), kDamaged);
    Bytes indexed = {0, 1, 9, 0, 0, 1, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 1, 2, 3, 130, 0};
    Image8 shortIndexed;
    EXPECT_EQ(load8("i.tga", indexed, shortIndexed), kDamaged);
    indexed.push_back(0); // the fourth index
    indexed.push_back(5);
    EXPECT_EQ(load8("i.tga", indexed, shortIndexed), kLoaded);
}

TEST(Readers, JpegDepthsAndOddWidths) {
    testing_files::TempDir dir("readers_jpeg");
    Boxes boxes;
    // Vertical stripes eight pixels wide on a width that is not a multiple of four.
    const int w = 37, h = 16;
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int r = 0; r < h; ++r)
        for (int i = 0; i < w; ++i)
            px[r * w + i] = (i / 8) % 2 ? 0xFFFFFF : 0;
    LoadedImage32 colour;
    ASSERT_EQ(load32("s.jpg", writers::encodeJpeg(px.data(), w, h, 100), colour), kLoaded);
    ASSERT_EQ(colour.width, w);
    for (int r = 1; r < h; ++r)
        for (int i = 0; i < w; ++i)
            ASSERT_NEAR(static_cast<int>(colour.pixels[r * w + i] & 0xFF),
                        static_cast<int>(colour.pixels[i] & 0xFF), 12)
                << "row " << r << " is sheared at " << i;
    LoadedImage32 grey;
    const LoadResult g = load32("g.jpg", writers::encodeJpeg(px.data(), w, h, 90, true), grey);
    EXPECT_EQ(g, kNot24Bit);
    grey.reportLoadError(g);
    EXPECT_EQ(boxes.host.lastBox(), "error loading file: g.jpg: not a 8/8/8 format");

    // A JPEG that does not decode is damaged, not missing, and libjpeg's message names it.
    Bytes broken = writers::encodeJpeg(px.data(), w, h, 90);
    broken.resize(30);
    broken[20] = 0xFF, broken[21] = 0xD9;
    LoadedImage32 bad;
    EXPECT_EQ(load32("b.jpg", broken, bad), kDamaged);
    EXPECT_EQ(boxes.host.lastBox().find("JPEG Fatal Error: b.jpg: "), 0u) << boxes.host.lastBox();
    // Cut in half: libjpeg would fill the rest with grey and only warn; refused instead.
    Bytes half = writers::encodeJpeg(px.data(), w, h, 90);
    half.resize(half.size() / 2);
    LoadedImage32 halfImage;
    EXPECT_EQ(load32("h.jpg", half, halfImage), kDamaged);
    EXPECT_EQ(halfImage.width, 0);
    EXPECT_EQ(boxes.host.lastBox(), "JPEG Fatal Error: h.jpg: Premature end of JPEG file");
    // A header claiming far more pixels than the data could hold is refused before decoding.
    Bytes claims = writers::encodeJpeg(px.data(), w, h, 90);
    for (size_t i = 0; i + 8 < claims.size(); ++i)
        if (claims[i] == 0xFF && claims[i + 1] == 0xC0) { // the frame header: height, then width
            claims[i + 5] = 0x1F, claims[i + 6] = 0xFF, claims[i + 7] = 0x1F, claims[i + 8] = 0xFF;
            break;
        }
    LoadedImage32 large;
    EXPECT_EQ(load32("l.jpg", claims, large), kDamaged);
}

TEST(Readers, PcxBoundsPaletteAndShear) {
    testing_files::TempDir dir("readers_pcx");
    const auto pal = rampPalette();
    std::vector<uint8_t> idx(320 * 200);
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = static_cast<uint8_t>(i * 31 % 251);
    Image8 image;
    ASSERT_EQ(load8("p.pcx", writers::encodePcx8(idx.data(), 320, 200, pal), image), kLoaded);
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 200);
    EXPECT_EQ(std::vector<uint8_t>(image.indices, image.indices + idx.size()), idx);
    EXPECT_EQ(image.palette[9], pal[9]);

    // Lines three bytes longer than the picture: the reader does not skip the padding.
    std::vector<uint8_t> small(5 * 4);
    for (size_t i = 0; i < small.size(); ++i)
        small[i] = static_cast<uint8_t>(1 + i);
    Image8 sheared;
    ASSERT_EQ(load8("s.pcx", writers::encodePcx8(small.data(), 5, 4, pal, 8), sheared), kLoaded);
    EXPECT_EQ(sheared.indices[5], 0); // the second row begins with the first row's padding
    EXPECT_EQ(sheared.indices[8], 6);
}

TEST(Readers, ColourMappedTga) {
    testing_files::TempDir dir("readers_tga8");
    const auto pal = rampPalette();
    std::vector<uint8_t> idx(7 * 3);
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = static_cast<uint8_t>(i * 11);
    for (bool rle : {false, true}) {
        Image8 image;
        ASSERT_EQ(
            load8(rle ? "r.tga" : "p.tga", writers::encodeTga8(idx.data(), 7, 3, pal, rle), image),
            kLoaded);
        EXPECT_EQ(std::vector<uint8_t>(image.indices, image.indices + idx.size()), idx);
        EXPECT_EQ(image.palette[200], pal[200]);
    }
    // A map of 4 entries from index 2: only those are set.
    Bytes t = {0, 1, 1, 2, 0, 4, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0};
    for (int e = 0; e < 4; ++e)
        t.insert(t.end(), {static_cast<uint8_t>(e), 0, 0x10});
    t.push_back(3);
    Image8 partial;
    ASSERT_EQ(load8("m.tga", t, partial), kLoaded);
    EXPECT_EQ(partial.palette[0], 0u);
    EXPECT_EQ(partial.palette[3], 0x100001u);
    EXPECT_EQ(partial.indices[0], 3);
    Image8 truecolour;
    EXPECT_EQ(load8("c.tga", writers::encodeTga24(pattern(2, 2).data(), 2, 2, false), truecolour),
              kModeNotSupported);
    LoadedImage32 mapped;
    EXPECT_EQ(load32("m.tga", t, mapped), kModeNotSupported);
}

TEST(Readers, DamagedFilesAreRefusedAndShortDataStaysBlack) {
    testing_files::TempDir dir("readers_bad");
    Boxes boxes;
    const auto px = pattern(8, 8);
    LoadedImage32 a, b, c, d, e, f;
    EXPECT_EQ(load32("short.tga", Bytes(10, 0), a), kDamaged);
    a.reportLoadError(kDamaged);
    EXPECT_EQ(boxes.host.lastBox(), "error loading file: short.tga: file is damaged or truncated");

    Bytes zeroWide = writers::encodeTga24(px.data(), 8, 8, false);
    zeroWide[12] = zeroWide[13] = 0;
    EXPECT_EQ(load32("z.tga", zeroWide, b), kDamaged);
    Bytes huge = writers::encodeBmp24(px.data(), 8, 8);
    huge[18] = 0x01, huge[19] = 0x24; // 9217 wide
    EXPECT_EQ(load32("h.bmp", huge, c), kDamaged);
    Bytes deep = writers::encodeBmp24(px.data(), 8, 8);
    deep[28] = 32;
    EXPECT_EQ(load32("d.bmp", deep, d), kNot24Bit);

    // Pixel rows that run past the file are refused before the picture is made; only the
    // last row may lack its padding.
    Bytes cut = writers::encodeBmp24(px.data(), 8, 8);
    cut.resize(54 + 24 * 3 + 5);
    EXPECT_EQ(load32("cut.bmp", cut, e), kDamaged);
    EXPECT_EQ(e.width, 0);
    Bytes unpadded = writers::encodeBmp24(px.data(), 7, 8);
    unpadded.resize(unpadded.size() - 3);
    EXPECT_EQ(load32("u.bmp", unpadded, e), kLoaded);
    Bytes unsigned_ = writers::encodeBmp24(px.data(), 8, 8);
    unsigned_[0] = 'X';
    EXPECT_EQ(load32("x.bmp", unsigned_, e), kDamaged);
    // A data offset inside the header or past the end.
    for (uint8_t offset : {10, 200}) {
        Bytes moved = writers::encodeBmp24(px.data(), 8, 8);
        moved[10] = offset;
        LoadedImage32 m;
        EXPECT_EQ(load32("o.bmp", moved, m), kDamaged) << int(offset);
    }
    // An 18-byte TGA header claiming 8192 x 8192: refused, nothing allocated.
    Bytes claims = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 24, 0};
    LoadedImage32 large;
    EXPECT_EQ(load32("large.tga", claims, large), kDamaged);
    EXPECT_EQ(large.pixels, nullptr);
    claims[2] = 10; // as run-length packets it would still need 4 bytes a 128 pixels
    EXPECT_EQ(load32("large.tga", claims, large), kDamaged);
    EXPECT_EQ(large.pixels, nullptr);

    Image8 p, q;
    EXPECT_EQ(load8("s.pcx", Bytes(500, 0), p), kDamaged);
    Bytes mapLie = {0, 1, 1, 250, 0, 10, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0};
    EXPECT_EQ(load8("l.tga", mapLie, q), kDamaged);
    EXPECT_EQ(load32("e.jpg", Bytes{}, f), kDamaged);
    // PCX: the palette's marker byte must be there, and the runs must fill the picture.
    const auto pal = rampPalette();
    std::vector<uint8_t> idx(64 * 64, 7);
    Bytes pcx = writers::encodePcx8(idx.data(), 64, 64, pal);
    Image8 r;
    ASSERT_EQ(load8("r.pcx", pcx, r), kLoaded);
    Bytes noMarker = pcx;
    noMarker[noMarker.size() - 769] = 0;
    EXPECT_EQ(load8("m.pcx", noMarker, r), kDamaged);
    Bytes tall = pcx;
    tall[10] = 0x00, tall[11] = 0x10; // 4097 rows
    Image8 t;
    EXPECT_EQ(load8("t.pcx", tall, t), kDamaged);
    EXPECT_EQ(t.width, 0);
}

TEST(Readers, TiledCopyLayout) {
    LoadedImage32 image;
    image.create(256, 256);
    for (int v = 0; v < 256; ++v)
        for (int u = 0; u < 256; ++u)
            image.pixels[v * 256 + u] = static_cast<uint32_t>(v << 8 | u);
    ASSERT_TRUE(image.buildTiledCopy());
    EXPECT_EQ(image.tiled[0], 0u);
    EXPECT_EQ(image.tiled[7], 7u);
    EXPECT_EQ(image.tiled[8], 0x100u); // the next row of the first strip
    EXPECT_EQ(image.tiled[2048], 8u);  // the second strip
    EXPECT_EQ(image.tiled[tiledIndex(201, 77)], static_cast<uint32_t>(77 << 8 | 201));
    LoadedImage32 other;
    other.create(128, 256);
    EXPECT_FALSE(other.buildTiledCopy());
    EXPECT_EQ(other.tiled, nullptr);
}

TEST(Readers, PicturesThePlayGoesOnWithoutWarnOnceNamingTheFile) {
    testing_files::TempDir dir("readers_warn");
    LoadedImage32 missing;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadOrWarn(missing, "image/none.jpg"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: image/none.jpg: file doesn't exist; the show plays on\n");
    Image8 cut;
    Bytes half =
        writers::encodeTga8(std::vector<uint8_t>(64, 1).data(), 8, 8, rampPalette(), false);
    half.resize(half.size() - 10);
    ASSERT_TRUE(writers::writeBytes("half.tga", half));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadOrWarn(cut, "half.tga"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: half.tga: file is damaged or truncated; the show plays on\n");
    EXPECT_EQ(cut.width, 0);
}
